#pragma once
// An exclusive lock on a file that is replaced whole (a new file renamed over
// the old one) by processes that take turns. It needs no folder of its own
// and dies with its process. On Linux the lock is held on the file that is at
// the name when it is granted, so a process that waited while another
// replaced the file locks the new one. Windows refuses to replace a file held
// open, so there the lock is held on "<name>.lock" beside it, which is never
// replaced, and the file itself is only read.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Files.h"

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

    bool Held() const { return handle_ != -1; }
    // The locked file, open for reading from its start. Closing it keeps the
    // lock, so that the file can be replaced while others still wait.
    File& Contents() { return contents_; }
    // Whether this lock made the file.
    bool Created() const { return created_; }

private:
    std::intptr_t handle_ = -1;  // what the lock is held on
    File contents_;
    bool created_ = false;
};

}  // namespace platform
