#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace platform {

FileLock::FileLock(const std::string& path, bool create, unsigned mode,
                   std::chrono::milliseconds wait) {
    // Never waited on without end: a dialog may be waiting for the answer.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        // A FIFO or a device at the name is never waited on. Opened for
        // writing where it may be (nothing is written through it): network
        // file systems lock only such files exclusively.
        int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
            fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && create) {
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        static_cast<mode_t>(mode));
            if (fd >= 0) {
                created_ = true;
            } else if (errno == EEXIST) {
                // Another process made it first, or a link with no target
                // stands there (never followed to make its target).
                struct stat st;
                if (::lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode) ||
                    std::chrono::steady_clock::now() >= deadline)
                    return;
                continue;
            }
        }
        struct stat held;
        if (fd < 0 || ::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            if (fd >= 0) ::close(fd);
            return;
        }
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline) {
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // The holder before us may have replaced the file we waited on: only
        // the file still at the name counts.
        struct stat named;
        if (::stat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino &&
            named.st_dev == held.st_dev) {
            // The contents are read through a second descriptor of the same
            // open file: closing it keeps the lock.
            const int contents = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            if (contents < 0) {
                ::close(fd);
                return;
            }
            handle_ = fd;
            contents_ = File(contents);
            return;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline) return;
    }
}

FileLock::~FileLock() {
    contents_.close();
    if (handle_ != -1) ::close(static_cast<int>(handle_));
}

}  // namespace platform
