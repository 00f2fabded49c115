#include "platform/ProgressLock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Paths.h"

namespace platform {

static const char kPrefix[] = "TMobrelProgressForm.";

namespace {

// Makes the folder when missing and accepts it only when it is a real folder
// (not a link) of this user; a folder of ours open to others is closed. The
// open never follows a link and never waits.
bool privateFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
    if (ok && (st.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string PrivateLockFolderIn(const std::string& base) {
    // Every process of the user walks the same names, so all of them meet in
    // the first one that is theirs; a name taken by someone else is passed by.
    const std::string stem =
        IncludeTrailingDelimiter(base) + "Tarnwick-" + std::to_string(::getuid());
    for (int i = 0; i < 8; ++i) {
        const std::string candidate = i == 0 ? stem : stem + "-" + std::to_string(i);
        if (privateFolder(candidate)) return candidate + "/";
    }
    return {};
}

std::string ProgressLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && DirectoryExists(runtime)) {
        const std::string folder = IncludeTrailingDelimiter(runtime) + "Tarnwick";
        if (privateFolder(folder)) return folder + "/";
    }
    return PrivateLockFolderIn("/tmp");
}

ProgressWindowLock::~ProgressWindowLock() { release(); }

bool ProgressWindowLock::acquire() {
    if (fd_ >= 0) return true;
    const std::string folder = ProgressLockFolder();
    if (folder.empty()) return false;
    path_ = folder + kPrefix + std::to_string(::getpid());
    // A watcher may take the fresh file for a stale one and unlink it between
    // our open and our flock; retry until the locked file is the one on disk.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd =
            ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        struct stat held, onDisk;
        if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &onDisk) == 0 &&
            held.st_ino == onDisk.st_ino && held.st_dev == onDisk.st_dev) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

void ProgressWindowLock::release() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(static_cast<int>(fd_));
    fd_ = -1;
}

bool AnyProgressWindowExists() {
    const std::string folder = ProgressLockFolder();
    if (folder.empty()) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
        std::string path = folder + name;
        // Never wait on a FIFO or follow a link planted under a lock's name.
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            found = true;  // held by a living window
        } else {
            ::unlink(path.c_str());  // left behind by a run that ended abnormally
            ::flock(fd, LOCK_UN);
        }
        ::close(fd);
        if (found) break;
    }
    ::closedir(dir);
    return found;
}

}  // namespace platform
