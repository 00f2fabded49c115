#include "platform/ProgressLock.h"

#include <windows.h>

#include "platform/Paths.h"
#include "platform/Wide_win.h"

namespace platform {

static const char kPrefix[] = "TMobrelProgressForm.";

namespace {

HANDLE openLock(const std::string& path, DWORD disposition, DWORD flags) {
    return CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       disposition, FILE_ATTRIBUTE_TEMPORARY | flags, nullptr);
}

}  // namespace

std::string PrivateLockFolderIn(const std::string& base) {
    // %TEMP% is the user's own; the folder in it is shared by all their runs.
    const std::string folder = IncludeTrailingDelimiter(base) + "Tarnwick";
    CreateDirectoryW(WidePath(folder).c_str(), nullptr);
    return DirectoryExists(folder) ? IncludeTrailingDelimiter(folder) : std::string();
}

std::string ProgressLockFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return {};
    return PrivateLockFolderIn(Narrow(std::wstring(temp, n)));
}

ProgressWindowLock::~ProgressWindowLock() { release(); }

bool ProgressWindowLock::acquire() {
    if (fd_ != -1) return true;
    const std::string folder = ProgressLockFolder();
    if (folder.empty()) return false;
    path_ = folder + kPrefix + std::to_string(GetCurrentProcessId());
    // The file goes with its last handle: a crashed run leaves none behind.
    HANDLE h = openLock(path_, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
    if (h == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED at{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        CloseHandle(h);
        return false;
    }
    fd_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

void ProgressWindowLock::release() {
    if (fd_ == -1) return;
    CloseHandle(reinterpret_cast<HANDLE>(fd_));
    fd_ = -1;
}

bool AnyProgressWindowExists() {
    const std::string folder = ProgressLockFolder();
    if (folder.empty()) return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WidePath(folder + kPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::string path = folder + Narrow(found.cFileName);
        HANDLE h = openLock(path, OPEN_EXISTING, 0);
        if (h == INVALID_HANDLE_VALUE) {
            // A file about to go with its run's last handle: that run is ending.
            continue;
        }
        OVERLAPPED at{};
        if (!LockFileEx(h, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            any = true;  // held by a living window
        } else {
            UnlockFileEx(h, 0, 1, 0, &at);
            DeleteFileW(WidePath(path).c_str());  // left by a run that could not remove it
        }
        CloseHandle(h);
    } while (!any && FindNextFileW(search, &found));
    FindClose(search);
    return any;
}

}  // namespace platform
