#pragma once
// The settings store: one small file per option in a per-user folder. A flag
// file is on by existing; a value file holds its value on the first line.
// Every access opens, reads or writes, and closes the file at once, so other
// processes of the program see a change at their next read. A write replaces
// the file whole, so a reader never sees it half written; the last writer wins.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

// Every settings file the program knows, by name.
inline constexpr char kAutoLang[] = "autolang.txt";
inline constexpr char kButton[] = "button.txt";
inline constexpr char kDialog[] = "dialog.txt";
inline constexpr char kFirstRun[] = "firstrun.txt";
inline constexpr char kFolder[] = "folder.txt";
inline constexpr char kLanguage[] = "language.txt";
inline constexpr char kListName[] = "listname.txt";
inline constexpr char kOpenDir[] = "opendir.txt";
inline constexpr char kPassList[] = "passlist.txt";
inline constexpr char kPassword[] = "password.txt";
inline constexpr char kReplace[] = "replace.txt";
inline constexpr char kSilent[] = "silent.txt";
inline constexpr char kStayTop[] = "staytop.txt";
inline constexpr char kSubDir[] = "subdir.txt";
inline constexpr char kTryList[] = "trylist.txt";
inline constexpr char kTryName[] = "tryname.txt";
inline constexpr char kWizard[] = "wizard.txt";

// The text of a flag file, and of the default password list's only line.
inline constexpr char kFlagText[] = ":-)";
// Stands for the password list path while "listname.txt" is absent; names no file.
inline constexpr char kListPlaceholder[] = "yet to be defined :-)";

// The flags a first run creates, in the order they are created.
inline constexpr const char* kFirstRunFlags[] = {kAutoLang, kButton, kFirstRun, kOpenDir,
                                                 kStayTop,  kSubDir, kWizard};

// Value files are read up to the first line break and at most this many bytes.
inline constexpr std::size_t kMaxValueBytes = 32 * 1024;
// A password list is read up to this many bytes; the rest is ignored.
inline constexpr std::size_t kMaxListBytes = 16 * 1024 * 1024;

// Permissions of new settings files: those holding passwords are the user's alone.
inline constexpr unsigned kSharedMode = 0666;
inline constexpr unsigned kPrivateMode = 0600;
// True for the files that hold passwords (the default password pair, the list).
bool IsPrivate(const std::string& name);

// What the store tells the user when a settings file fails.
struct StoreMessage {
    const char* text;
    const char* caption;
};
inline constexpr StoreMessage kFolderNotCreated{"Configuration folder could not be created.",
                                                "Error 9"};
inline constexpr StoreMessage kFileNotRead{"Configuration file could not be read.", "Error 10"};
inline constexpr StoreMessage kFileNotCreated{"Configuration file could not be created.",
                                              "Error 11"};
// The password list the user chose is missing: the password was not added.
inline constexpr StoreMessage kListNotFound{
    "The password list was not found, so the password was not added to it:", "Error 12"};

// Shows the message through platform::ShowMessage.
void Report(const StoreMessage& message);

// Lines kept back to back in one buffer with one end offset each: a list of
// millions of short passwords costs little more than its file.
class LineList {
public:
    LineList() = default;
    LineList(std::initializer_list<std::string_view> lines);

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t i) const;
    std::string_view front() const { return (*this)[0]; }
    void push_back(std::string_view line);
    // Drops the empty lines, in place.
    void removeEmpty();
    std::vector<std::string> strings() const;
    bool operator==(const LineList& other) const {
        return text_ == other.text_ && ends_ == other.ends_;
    }

private:
    friend std::optional<LineList> ReadListFile(const std::string& path);
    std::string text_;
    std::vector<std::uint32_t> ends_;
};

// The lines of a list file (a password list): lines end in CR LF, CR or LF; a
// last empty line does not count. nullopt when the file cannot be read or is
// not a regular file (a FIFO or a device is never waited on).
std::optional<LineList> ReadListFile(const std::string& path);

// How long an addition waits for another process's addition to the same list.
inline constexpr std::chrono::milliseconds kListLockWait{5000};
// Adds `line` as the list file's last line: the whole list is written anew with
// CR LF line ends (however long it is) and replaces the old one in one step.
// Runs adding at the same time each keep their line: the addition reads and
// writes under a lock on the list file itself. With `create`, a missing list
// is made (0600) holding the line; never through a link whose target is
// missing. False, with the old list kept, when the list cannot be read or
// written or another process holds the lock longer than `wait`.
bool AppendToList(const std::string& path, const std::string& line,
                  std::chrono::milliseconds wait = kListLockWait, bool create = false);

// The settings folder: <application data>/Ostrel/<title>/, ending in '/'.
// Falls back to the program's folder when no application-data folder is known.
std::string SettingsFolder(const std::string& applicationTitle = "Tarnwick");

class Store {
public:
    explicit Store(std::string folder);

    const std::string& folder() const { return folder_; }
    std::string path(const std::string& name) const { return folder_ + name; }

    // A flag is on when a file of its name exists; a folder of that name is off.
    bool exists(const std::string& name) const;
    bool flag(const std::string& name) const { return exists(name); }
    // Writes ":-)" CR LF, replacing any content.
    bool setFlag(const std::string& name) const;
    // Deletes the file; a missing file, a path blocked by a file, and a folder
    // of that name (which stays) are no error.
    bool clearFlag(const std::string& name) const;
    bool setFlag(const std::string& name, bool on) const {
        return on ? setFlag(name) : clearFlag(name);
    }

    // The first line without its break (CR LF, CR or LF); nullopt when the file
    // cannot be opened or read.
    std::optional<std::string> readValue(const std::string& name) const;
    // Replaces the file with one line holding `value` and CR LF.
    bool writeValue(const std::string& name, const std::string& value) const;

    bool folderExists() const;
    // The first-run defaults: the folder with its parents and the seven flags,
    // all or nothing (the flags are made in a temporary folder that then takes
    // the settings folder's name). On failure shows "Configuration folder could
    // not be created." ("Error 9"); returns whether everything was made.
    bool createDefaults() const;
    // Closes an existing settings folder (0700) and its files that hold
    // passwords (0600) to others; run at every start.
    void keepPrivate() const;

private:
    std::string folder_;
};

// Reads the first line of a regular file by the value-file rule; nullopt for
// anything else.
std::optional<std::string> ReadFirstLine(const std::string& path);
// Writes one line and CR LF, replacing the file whole (a temporary file in the
// same folder renamed over it); writes nothing when the file holds exactly
// that already. A new file gets `mode` (less the umask). A failed write keeps
// the old file and leaves no temporary one. Temporary files that ended
// processes left in the folder are removed on the way.
bool WriteLine(const std::string& path, const std::string& line, unsigned mode = kSharedMode);

}  // namespace settings
