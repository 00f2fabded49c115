#include "platform/Folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

// Whether /proc/self/fd/N reaches the folder held as N: without /proc the
// library is given the path the folder was opened by.
bool HandlePathsWork() {
    static const bool works = [] {
        const int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat held, reached;
        const std::string path = "/proc/self/fd/" + std::to_string(fd) + "/";
        const bool same = ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &reached) == 0 &&
                          held.st_dev == reached.st_dev && held.st_ino == reached.st_ino;
        ::close(fd);
        return same;
    }();
    return works;
}

// A folder handle from `open`, or -1 when what it opened is not a folder.
int FolderHandle(int fd) {
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// The descriptor a Folder holds.
static int fdOf(std::intptr_t handle) { return static_cast<int>(handle); }

Folder::~Folder() {
    if (Held()) ::close(fdOf(handle_));
}

Folder::Folder(Folder&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), prefix_(std::move(other.prefix_)) {
    other.handle_ = -1;
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (Held()) ::close(fdOf(handle_));
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        prefix_ = std::move(other.prefix_);
        other.handle_ = -1;
    }
    return *this;
}

Folder Folder::Open(const std::string& path) {
    Folder folder;
    folder.handle_ = FolderHandle(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    folder.path_ = path;
    if (folder.path_.empty() || folder.path_.back() != '/') folder.path_ += '/';
    folder.SetPrefix();
    return folder;
}

Folder Folder::Enter(const std::string& name, bool create, bool* created) const {
    if (created) *created = false;
    Folder folder;
    if (!Held() || name.empty() || name.find('/') != std::string::npos) return folder;
    const int flags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(fdOf(handle_), name.c_str(), flags);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(fdOf(handle_), name.c_str(), 0777) == 0) {
            if (created) *created = true;
        } else if (errno != EEXIST) {
            return folder;
        }
        fd = ::openat(fdOf(handle_), name.c_str(), flags);
    }
    folder.handle_ = FolderHandle(fd);
    folder.path_ = path_ + name + "/";
    folder.SetPrefix();
    return folder;
}

void Folder::SetPrefix() {
    prefix_ = Held() && HandlePathsWork() ? "/proc/self/fd/" + std::to_string(handle_) + "/"
                                          : path_;
}

std::string Folder::PathOf(const std::string& name) const { return prefix_ + name; }

EntryStatus Folder::Status(const std::string& name) const {
    EntryStatus status;
    struct stat st;
    if (!Held() || ::fstatat(fdOf(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // Anything but a missing name counts as something in the way; a
        // name too long for the system names nothing (making it fails).
        if (!Held() || (errno != ENOENT && errno != ENAMETOOLONG)) status.kind = EntryKind::Other;
        return status;
    }
    status.kind = S_ISLNK(st.st_mode)   ? EntryKind::Link
                  : S_ISDIR(st.st_mode) ? EntryKind::Folder
                  : S_ISREG(st.st_mode) ? EntryKind::File
                                        : EntryKind::Other;
    status.size = st.st_size;
    status.modified = st.st_mtime;
    status.changed = st.st_ctime;
    return status;
}

bool Folder::MoveTo(const std::string& from, const Folder& target, const std::string& to,
                    bool replace) const {
    if (!Held() || !target.Held()) return false;
    if (replace) return ::renameat(fdOf(handle_), from.c_str(), fdOf(target.handle_), to.c_str()) == 0;
    if (::renameat2(fdOf(handle_), from.c_str(), fdOf(target.handle_), to.c_str(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a new link fails where
    // the name is taken.
    return ::linkat(fdOf(handle_), from.c_str(), fdOf(target.handle_), to.c_str(), 0) == 0 &&
           ::unlinkat(fdOf(handle_), from.c_str(), 0) == 0;
}

bool Folder::Remove(const std::string& name) const {
    return Held() && (::unlinkat(fdOf(handle_), name.c_str(), 0) == 0 || errno == ENOENT);
}

bool Folder::RemoveEmptyFolder(const std::string& name) const {
    return Held() && ::unlinkat(fdOf(handle_), name.c_str(), AT_REMOVEDIR) == 0;
}

void Folder::ForEachName(const std::function<void(const std::string&)>& visit) const {
    if (!Held()) return;
    const int fd = ::openat(fdOf(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") visit(name);
    }
    ::closedir(dir);
}

WorkingFolder::WorkingFolder()
    : previous_(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)) {
    // A working folder that could not be entered again (no search right on
    // it) is never left.
    if (previous_ >= 0 && ::fchdir(fdOf(previous_)) != 0) {
        ::close(fdOf(previous_));
        previous_ = -1;
    }
}

WorkingFolder::~WorkingFolder() {
    Leave();
    if (previous_ >= 0) ::close(fdOf(previous_));
}

bool WorkingFolder::Enter(const Folder& folder) {
    if (previous_ < 0 || !folder.Held() || ::fchdir(fdOf(folder.handle_)) != 0) return false;
    entered_ = true;
    return true;
}

bool WorkingFolder::Leave() {
    if (!entered_) return true;
    entered_ = false;
    return ::fchdir(fdOf(previous_)) == 0;
}

bool ProcessMayOwn(long pid, std::int64_t changed) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    // The process's start: ticks after boot (the 22nd field of its stat line,
    // counted after the command name, which may hold anything) plus the boot
    // time. When either cannot be read, the process counts as the owner.
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(statFile, line)) return true;
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return true;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    unsigned long long startTicks = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        // A process that died but is not yet reaped (its parent died too, and
        // nothing adopts it) writes nothing any more.
        if (i == 3 && (field == "Z" || field == "X")) return false;
        if (i == 22) startTicks = std::strtoull(field.c_str(), nullptr, 10);
    }
    std::ifstream systemStat("/proc/stat");
    long long bootTime = -1;
    while (std::getline(systemStat, line))
        if (line.compare(0, 6, "btime ") == 0) bootTime = std::atoll(line.c_str() + 6);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (startTicks == 0 || bootTime < 0 || ticksPerSecond <= 0) return true;
    const long long started = bootTime + static_cast<long long>(startTicks / ticksPerSecond);
    // A second of slack for the rounding of both times.
    return started <= changed + 1;
}

}  // namespace platform
