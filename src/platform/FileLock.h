#pragma once
// An exclusive lock on the file at a path, for files that are replaced whole
// (a new file renamed over the old one) by processes that take turns: the
// lock is held on the file that is at the name when it is granted, so a
// process that waited while another replaced the file locks the new one. It
// needs no folder of its own, and dies with its process.

#include <chrono>
#include <string>

namespace platform {

class FileLock {
public:
    // Opens the regular file at `path` (links followed) and waits at most
    // `wait` for its lock. With `create`, a file is made first (with `mode`,
    // less the umask) when nothing at all is at the name; never through a
    // link whose target is missing.
    FileLock(const std::string& path, bool create, unsigned mode, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // The locked file, open for reading from its start; -1 when not held.
    int Handle() const { return fd_; }
    // Whether this lock made the file.
    bool Created() const { return created_; }

private:
    int fd_ = -1;
    bool created_ = false;
};

}  // namespace platform
