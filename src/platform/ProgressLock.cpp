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

std::string ProgressLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && DirectoryExists(runtime))
        return IncludeTrailingDelimiter(runtime) + "Tarnwick/";
    return "/tmp/Tarnwick-" + std::to_string(::getuid()) + "/";
}

ProgressWindowLock::~ProgressWindowLock() { release(); }

bool ProgressWindowLock::acquire() {
    if (fd_ >= 0) return true;
    std::string folder = ProgressLockFolder();
    ::mkdir(folder.c_str(), 0700);
    path_ = folder + kPrefix + std::to_string(::getpid());
    // A watcher may take the fresh file for a stale one and unlink it between
    // our open and our flock; retry until the locked file is the one on disk.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
    ::close(fd_);
    fd_ = -1;
}

bool AnyProgressWindowExists() {
    std::string folder = ProgressLockFolder();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
        std::string path = folder + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
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
