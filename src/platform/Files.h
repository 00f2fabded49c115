#pragma once
// The file-system and process calls the settings store, the archive component
// and the windows make, one implementation per operating system
// (Files_posix.cpp, Files_win.cpp). Paths are UTF-8; on Windows either '/' or
// '\' separates their parts and long paths need no prefix from the caller.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// What a directory entry is, its link not followed.
enum class EntryKind { Absent, File, Folder, Link, Other, Unknown };
EntryKind KindOf(const std::string& path);
// True when `path` (a link followed) is a regular file; false for a folder, a
// FIFO, a device or nothing.
bool IsRegularFile(const std::string& path);
// True when something other than a regular file is there (a FIFO, a device, a
// folder), found without opening it.
bool IsSpecialFile(const std::string& path);
// Size of the file (a link followed); -1 when it cannot be found.
std::int64_t FileSize(const std::string& path);
// Last-write time of the file (a link followed) in local time; false when it
// cannot be read.
bool LocalModificationTime(const std::string& path, std::tm& out);
// Device, file number, size and last-write time: equal identities name the
// same unchanged file. All zero when the file cannot be found.
struct FileIdentity {
    std::uint64_t device = 0, file = 0, size = 0, time = 0;
    bool operator==(const FileIdentity& o) const {
        return device == o.device && file == o.file && size == o.size && time == o.time;
    }
};
FileIdentity IdentityOf(const std::string& path);

// Moves `from` over `to` in one step (replacing a file there, the data on disk
// first on Windows). False, with both left as they were, on failure.
bool RenameReplacing(const std::string& from, const std::string& to);
// Makes one folder (not its parents); false when it exists already or cannot
// be made.
bool MakeFolder(const std::string& path, unsigned mode);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// The names in a folder, "." and ".." left out; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder);
// The path with every link resolved; empty when it does not exist.
std::string RealPath(const std::string& path);
// The working folder with a trailing delimiter; empty when unknown.
std::string CurrentFolder();
// True when `path` is absolute (on Windows: a drive or a UNC path).
bool IsAbsolutePath(const std::string& path);
// Makes a new empty file, never replacing one: Created, or Exists when a file
// of that name is there, or Refused.
enum class NewFile { Created, Exists, Refused };
NewFile CreateNewFile(const std::string& path);
// Tightens a file's or folder's permissions to `keep` (this user's own
// entries only; links never followed). Nothing to do on Windows, where the
// settings live in the user's own profile.
void KeepPrivate(const std::string& path, bool folder, unsigned keep);

// This process's number; whether a process of that number still runs.
long ProcessId();
bool ProcessAlive(long pid);

// One open regular file: read, or written anew.
class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = -1;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens for reading without waiting on a FIFO or a device; only a regular
    // file (a link to one, too) opens.
    static File OpenRegular(const std::string& path);
    // Makes a new file (never through a link, never replacing one) with
    // `mode` (less the umask, or exactly with `exactMode`).
    static File CreateNew(const std::string& path, unsigned mode, bool exactMode = false);

    bool valid() const { return handle_ != -1; }
    // Bytes read (0 at the end), -1 on failure; readAt reads at `offset`
    // and leaves the file position alone.
    long read(char* buffer, std::size_t size);
    long readAt(std::uint64_t offset, char* buffer, std::size_t size);
    bool writeAll(const std::string& data);
    // The data on disk.
    bool sync();
    // False when a delayed write failed.
    bool close();
    std::int64_t size() const;
    FileIdentity identity() const;
    // The permission bits (0 on Windows), and tightening them to `mode`.
    unsigned mode() const;
    void tighten(unsigned mode);

private:
    // A file the lock opened (FileLock.h).
    friend class FileLock;
    explicit File(std::intptr_t handle) : handle_(handle) {}

    std::intptr_t handle_ = -1;
};

// Settings files hold the system's ANSI code page on Windows, as files of
// earlier versions do; a line that code page cannot hold is kept as UTF-8
// after a byte-order mark. Elsewhere both are the identity.
std::string SettingsTextToUtf8(const std::string& fileText);
std::string Utf8ToSettingsText(const std::string& text);

// Text for the library's 8-bit interface (passwords, volume names), and back:
// the C library's locale on Linux (UTF-8), the ANSI code page on Windows.
std::string ToLibraryText(const std::string& utf8);
std::string FromLibraryText(const std::string& text);

// A path as the user reads it and types it: with '\' on Windows.
std::string DisplayPath(const std::string& path);
// An entry name or destination as the extraction library takes it.
std::wstring LibraryPath(const std::wstring& path);
// The wide archive name the library opens (on Windows, where its 8-bit name is
// in the ANSI code page); empty where it takes the 8-bit name as it is.
std::wstring LibraryArchiveName(const std::string& path);
// The library's entry name with '/' as its only separator.
std::wstring EntryNameFromLibrary(const std::wstring& name);
// True when a folder's path already ends in a separator ('\' too on Windows).
bool EndsInSeparator(const std::wstring& folder);
// True when one part of an entry's path would leave the output folder or
// name something other than a file of that name on this system (on Windows:
// a drive or stream colon, a device name such as CON or aux.txt, a trailing
// dot or space, characters Windows refuses).
bool ForbiddenNamePart(const std::wstring& part);
// A name in the form in which the file system compares names: the same for
// two names that it takes for one file (upper case on Windows, the name
// itself on Linux).
std::string FoldedName(const std::string& name);

// Opens the run-time library file; resolves a symbol; closes it.
void* OpenLibrary(const std::string& path);
void* LibrarySymbol(void* library, const char* name);
void CloseLibrary(void* library);
// Where the user gets the extraction library when it is missing, in a sentence.
std::string LibraryInstallHint();

// The program's arguments, argv[0] first: byte for byte on Linux, UTF-8 from
// the wide command line on Windows.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The C library's locale for the extraction library's 8-bit names and
// passwords: the environment's, and UTF-8 on Linux even under a bare "C".
void UseLibraryLocale();

// The extraction library turns every header's time into local time with localtime(),
// which looks at the system's zone file again at every call while TZ is
// unset: three file-system lookups an entry in a run. This names that same
// file (the C library's default) so that it is read once; a TZ the user set
// is kept. Loading the library does it (nothing to do on Windows); a program with threads does it first,
// while it has none (it changes the environment).
void KeepLocalTimeZoneLoaded();

// Ends this process at once, without handlers or destructors; what was
// written to the standard streams is flushed first.
[[noreturn]] void ExitNow(int code);

}  // namespace platform
