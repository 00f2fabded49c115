#pragma once
// The signal between processes that an extraction run is under way. Each
// progress window holds an exclusive lock on "TMobrelProgressForm.<pid>" in
// $XDG_RUNTIME_DIR/Tarnwick/ (else /tmp/Tarnwick-<uid>/; on Windows
// %TEMP%\Tarnwick\) for its whole life.
// Locks die with their process, so a crashed run never blocks the main window.

#include <cstdint>
#include <string>

namespace platform {

// The folder that holds the lock files, with a trailing '/': a folder of this
// user's alone. Empty when none can be had (the run then goes without a lock).
std::string ProgressLockFolder();
// The fallback under `base` ("/tmp"): "Tarnwick-<uid>", or "Tarnwick-<uid>-<n>"
// when a name is a link or belongs to someone else. Empty when all are taken.
std::string PrivateLockFolderIn(const std::string& base);

class ProgressWindowLock {
public:
    ProgressWindowLock() = default;
    ~ProgressWindowLock();
    ProgressWindowLock(const ProgressWindowLock&) = delete;
    ProgressWindowLock& operator=(const ProgressWindowLock&) = delete;

    // Takes the lock for this process; false when the lock file cannot be made.
    bool acquire();
    void release();
    bool held() const { return fd_ != -1; }

private:
    std::intptr_t fd_ = -1;  // a descriptor, or a handle on Windows
    std::string path_;
};

// True when some living process holds a progress-window lock. Stale lock files
// of ended processes are removed on the way.
bool AnyProgressWindowExists();

}  // namespace platform
