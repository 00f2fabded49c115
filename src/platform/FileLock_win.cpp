#include "platform/FileLock.h"

#include <windows.h>

#include <thread>

#include "platform/Wide_win.h"

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// The file at `path` for reading, shared with everyone (readers, the lock's
// next holder, the rename that replaces it). Only a regular file counts.
HANDLE openForReading(const std::string& path, bool create, bool& created) {
    created = false;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && create && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // Never made through a link with no target: CREATE_NEW fails on any
        // name that is taken, a link included.
        h = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        created = h != INVALID_HANDLE_VALUE;
    }
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

}  // namespace

FileLock::FileLock(const std::string& path, bool create, unsigned, std::chrono::milliseconds wait) {
    // The lock is held on "<name>.lock" beside the file: the file itself is
    // replaced by a rename, which Windows refuses while anyone holds it open,
    // and a lock on the old file would not stop a process that opens the new
    // one. The lock file stays for the next run; a link in its place is not
    // followed.
    HANDLE lock = CreateFileW(WidePath(path + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
    if (lock == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(lock) != FILE_TYPE_DISK || !GetFileInformationByHandle(lock, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(lock);
        return;
    }
    // Never waited on without end: a dialog may be waiting for the answer.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED at{};
        if (LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            break;
        if (GetLastError() != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline) {
            CloseHandle(lock);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Opened under the lock: the file now at the name is the one the holder
    // before us left.
    HANDLE contents = openForReading(path, create, created_);
    if (contents == INVALID_HANDLE_VALUE) {
        CloseHandle(lock);  // the lock goes with the handle
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(lock);
    contents_ = File(reinterpret_cast<std::intptr_t>(contents));
}

FileLock::~FileLock() {
    contents_.close();
    if (!Held()) return;
    OVERLAPPED at{};
    UnlockFileEx(handleOf(handle_), 0, 1, 0, &at);
    CloseHandle(handleOf(handle_));
}

}  // namespace platform
