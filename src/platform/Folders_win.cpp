#include "platform/Folders.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/Wide_win.h"

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Open for listing (reading its data) and shared for everything but deletion:
// while any such handle is open, no one can rename, replace or remove the
// folder, nor a folder above it. A handle that reads no data would not count
// in the sharing check, so the listing right is asked for.
HANDLE openFolder(const std::string& path, bool followLinks) {
    return CreateFileW(WidePath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS |
                           (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                       nullptr);
}

// The handle when it holds a folder that is no link (a junction or a symbolic
// link opened as itself); INVALID_HANDLE_VALUE, the handle closed, otherwise.
HANDLE keepIfFolder(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// Whether `path` leads to the file held by `h`.
bool leadsTo(const std::string& path, HANDLE h) {
    HANDLE other = CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    const bool same = GetFileInformationByHandle(h, &a) && GetFileInformationByHandle(other, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
}

// `path` made absolute, without the "\\?\" prefix.
std::string absolutePath(const std::string& path) {
    std::wstring wide = WidePath(path);
    if (wide.compare(0, 8, L"\\\\?\\UNC\\") == 0) return Narrow(L"\\\\" + wide.substr(8));
    if (wide.compare(0, 4, L"\\\\?\\") == 0) return Narrow(wide.substr(4));
    const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (need == 0) return {};
    std::wstring full(need, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return {};
    full.resize(got);
    return Narrow(full);
}

std::int64_t secondsSince1970(const FILETIME& t) {
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                  t.dwLowDateTime);
    return (ticks - 116444736000000000LL) / 10000000LL;
}

bool singleName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

Folder::~Folder() {
    if (Held()) CloseHandle(handleOf(handle_));
}

Folder::Folder(Folder&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), prefix_(std::move(other.prefix_)) {
    other.handle_ = -1;
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (Held()) CloseHandle(handleOf(handle_));
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        prefix_ = std::move(other.prefix_);
        other.handle_ = -1;
    }
    return *this;
}

Folder Folder::Open(const std::string& path) {
    Folder folder;
    if (path.empty()) return folder;
    // The user's own choice of folder may be reached through a link; what is
    // held is the folder it leads to, and its own path is used from here on.
    HANDLE h = CreateFileW(WidePath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE) return folder;
    if (!GetFileInformationByHandle(h, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return folder;
    }
    std::string own = FinalPathOf(h);
    // Wine cannot name a handle whose path is long: there the path as given,
    // when it leads to the folder held.
    if (own.empty()) {
        own = absolutePath(path);
        if (!own.empty() && !leadsTo(own, h)) own.clear();
    }
    if (own.empty()) {
        CloseHandle(h);
        return folder;
    }
    if (own.back() != '\\') own += '\\';
    folder.handle_ = reinterpret_cast<std::intptr_t>(h);
    folder.path_ = own;
    folder.SetPrefix();
    return folder;
}

Folder Folder::Enter(const std::string& name, bool create, bool* created) const {
    if (created) *created = false;
    Folder folder;
    if (!Held() || !singleName(name)) return folder;
    const std::string path = path_ + name;
    HANDLE h = openFolder(path, false);
    if (h == INVALID_HANDLE_VALUE && create &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)) {
        if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) {
            if (created) *created = true;
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return folder;
        }
        // Opened again as what is there now: another process may have put a
        // link in its place meanwhile.
        h = openFolder(path, false);
    }
    h = keepIfFolder(h);
    if (h == INVALID_HANDLE_VALUE) return folder;
    folder.handle_ = reinterpret_cast<std::intptr_t>(h);
    folder.path_ = path + '\\';
    folder.SetPrefix();
    return folder;
}

// The held folder's own path: no one can change it while it is held.
void Folder::SetPrefix() { prefix_ = path_; }

std::string Folder::PathOf(const std::string& name) const { return prefix_ + name; }

EntryStatus Folder::Status(const std::string& name) const {
    EntryStatus status;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Held() || !singleName(name) ||
        !GetFileAttributesExW(WidePath(path_ + name).c_str(), GetFileExInfoStandard, &data)) {
        // Anything but a missing name counts as something in the way.
        const DWORD error = GetLastError();
        if (!Held() || !singleName(name) ||
            (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND))
            status.kind = EntryKind::Other;
        return status;
    }
    // Symbolic links and junctions alike: writing through either could land
    // anywhere.
    status.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Link
                  : (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? EntryKind::Folder
                  : (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)      ? EntryKind::Other
                                                                         : EntryKind::File;
    status.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                            data.nFileSizeLow);
    status.modified = secondsSince1970(data.ftLastWriteTime);
    status.changed = status.modified;
    return status;
}

bool Folder::MoveTo(const std::string& from, const Folder& target, const std::string& to,
                    bool replace) const {
    if (!Held() || !target.Held() || !singleName(from) || !singleName(to)) return false;
    const std::wstring destination = WidePath(target.path_ + to);
    // A file marked read-only is not replaced, as Windows refuses to (Wine
    // would replace it).
    if (replace) {
        const DWORD attributes = GetFileAttributesW(destination.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    // Renamed through a handle of its own: MoveFileExW also asks for the
    // file's details and looks the new name up before the rename looks it up
    // again, which under Wine is a server call and a scan of the whole folder
    // more for every file extracted. Both names are in the output folder, on
    // one volume, so either way the file is renamed in place; the handle asks
    // for write-through as the move did. A link at `from` moves as itself.
    HANDLE h = CreateFileW(WidePath(path_ + from).c_str(), DELETE | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_WRITE_THROUGH,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::size_t bytes = destination.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + bytes +
                                      sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(rename->FileName, destination.c_str(), bytes + sizeof(wchar_t));
    const bool moved = SetFileInformationByHandle(h, FileRenameInfo, rename,
                                                  static_cast<DWORD>(buffer.size())) != 0;
    const DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return moved;
}

bool Folder::Remove(const std::string& name) const {
    if (!Held() || !singleName(name)) return false;
    const std::wstring path = WidePath(path_ + name);
    if (DeleteFileW(path.c_str())) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    // A junction or a link to a folder goes as a folder does; the folder it
    // leads to is left alone.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) && RemoveDirectoryW(path.c_str());
}

bool Folder::RemoveEmptyFolder(const std::string& name) const {
    return Held() && singleName(name) && RemoveDirectoryW(WidePath(path_ + name).c_str()) != 0;
}

void Folder::ForEachName(const std::function<void(const std::string&)>& visit) const {
    if (!Held()) return;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileExW(WidePath(path_ + "*").c_str(), FindExInfoBasic, &found,
                                FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") visit(Narrow(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

// A held folder's own path already reaches it for as long as it is held:
// the working folder is never moved.
WorkingFolder::WorkingFolder() = default;
WorkingFolder::~WorkingFolder() = default;
bool WorkingFolder::Enter(const Folder&) { return false; }
bool WorkingFolder::Leave() { return true; }

bool ProcessMayOwn(long pid, std::int64_t changed) {
    if (pid <= 0) return false;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    // Another user's process runs but cannot be asked when it started.
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    FILETIME started, ended, kernel, user;
    const bool running = GetExitCodeProcess(h, &exitCode) && exitCode == STILL_ACTIVE;
    const bool known = GetProcessTimes(h, &started, &ended, &kernel, &user) != 0;
    CloseHandle(h);
    if (!running) return false;
    // When its start cannot be read, the process counts as the owner; a
    // second of slack for the rounding of both times.
    return !known || secondsSince1970(started) <= changed + 1;
}

}  // namespace platform
