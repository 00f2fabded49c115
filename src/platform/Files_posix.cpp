#include "platform/Files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

EntryKind KindOf(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? EntryKind::Absent : EntryKind::Unknown;
    if (S_ISLNK(st.st_mode)) return EntryKind::Link;
    if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    return EntryKind::Other;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSpecialFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::int64_t FileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool LocalModificationTime(const std::string& path, std::tm& out) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    time_t t = st.st_mtime;
    return ::localtime_r(&t, &out) != nullptr;
}

namespace {
FileIdentity identityOf(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.file = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.time = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
              static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    return id;
}
}  // namespace

FileIdentity IdentityOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return FileIdentity();
    return identityOf(st);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeFolder(const std::string& path, unsigned mode) {
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string real = resolved;
    std::free(resolved);
    return real;
}

std::string CurrentFolder() {
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd) return {};
    std::string folder(cwd);
    std::free(cwd);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

NewFile CreateNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return NewFile::Created;
    }
    return errno == EEXIST ? NewFile::Exists : NewFile::Refused;
}

void KeepPrivate(const std::string& path, bool folder, unsigned keep) {
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_NOFOLLOW |
                                            O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
        (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && (st.st_mode & 0777 & ~keep) != 0)
        ::fchmod(fd, st.st_mode & 07777 & keep);
    ::close(fd);
}

long ProcessId() { return static_cast<long>(::getpid()); }

bool ProcessAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

File File::OpenRegular(const std::string& path) {
    File f;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return f;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return f;
    }
    f.handle_ = fd;
    return f;
}

File File::CreateNew(const std::string& path, unsigned mode, bool exactMode) {
    File f;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(mode));
    if (fd < 0) return f;
    f.handle_ = fd;
    if (exactMode && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        f.close();
        ::unlink(path.c_str());
    }
    return f;
}

long File::read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

long File::readAt(std::uint64_t offset, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n =
            ::pread(static_cast<int>(handle_), buffer, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

bool File::writeAll(const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool File::sync() { return ::fsync(static_cast<int>(handle_)) == 0; }

bool File::close() {
    if (handle_ < 0) return true;
    const bool ok = ::close(static_cast<int>(handle_)) == 0;
    handle_ = -1;
    return ok;
}

std::int64_t File::size() const {
    struct stat st;
    return ::fstat(static_cast<int>(handle_), &st) == 0 ? static_cast<std::int64_t>(st.st_size)
                                                        : -1;
}

FileIdentity File::identity() const {
    struct stat st;
    if (::fstat(static_cast<int>(handle_), &st) != 0) return FileIdentity();
    return identityOf(st);
}

unsigned File::mode() const {
    struct stat st;
    return ::fstat(static_cast<int>(handle_), &st) == 0 ? st.st_mode & 07777 : 0600;
}

void File::tighten(unsigned mode) {
    struct stat st;
    const int fd = static_cast<int>(handle_);
    if (::fstat(fd, &st) == 0 && (st.st_mode & 07777 & ~mode) != 0)
        ::fchmod(fd, static_cast<mode_t>(mode));
}

std::string SettingsTextToUtf8(const std::string& fileText) { return fileText; }
std::string Utf8ToSettingsText(const std::string& text) { return text; }

std::string ToLibraryText(const std::string& utf8) { return utf8; }
std::string FromLibraryText(const std::string& text) { return text; }

std::string DisplayPath(const std::string& path) { return path; }
std::wstring LibraryPath(const std::wstring& path) { return path; }
std::wstring LibraryArchiveName(const std::string&) { return {}; }
std::wstring EntryNameFromLibrary(const std::wstring& name) { return name; }

bool EndsInSeparator(const std::wstring& folder) { return !folder.empty() && folder.back() == L'/'; }
bool ForbiddenNamePart(const std::wstring&) { return false; }
std::string FoldedName(const std::string& name) { return name; }

void* OpenLibrary(const std::string& path) { return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* LibrarySymbol(void* library, const char* name) { return ::dlsym(library, name); }
void CloseLibrary(void* library) { ::dlclose(library); }

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseLibraryLocale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

void ExitNow(int code) {
    std::fflush(nullptr);
    ::_exit(code);
}

void KeepLocalTimeZoneLoaded() { ::setenv("TZ", ":/etc/localtime", 0); }

std::string LibraryInstallHint() {
    return "On Debian it comes with the package libunrar5 from the non-free section (apt "
           "install libunrar5).";
}

}  // namespace platform
