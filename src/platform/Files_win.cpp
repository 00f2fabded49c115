#include "platform/Files.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/Paths.h"
#include "platform/RunWatch.h"
#include "platform/Wide_win.h"

namespace platform {

namespace {

// Text in a code page as UTF-16, and back; `lost` tells whether a character
// had no form in the code page.
std::wstring fromCodePage(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string toCodePage(UINT codePage, DWORD flags, const std::wstring& text,
                       BOOL* lost = nullptr) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, lost);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(),
                        n, nullptr, lost);
    return out;
}

}  // namespace

std::wstring Widen(const std::string& text) { return fromCodePage(CP_UTF8, text); }

std::string Narrow(const std::wstring& text) { return toCodePage(CP_UTF8, 0, text); }

std::wstring WidePath(const std::string& path) {
    std::wstring wide = Widen(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    // Absolute paths go through "\\?\" so that no length limit and no
    // rewriting of trailing dots or device names applies; the prefix wants
    // a path without "." and ".." parts, which GetFullPathNameW removes.
    const bool drive = wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\';
    const bool unc = wide.size() >= 2 && wide[0] == L'\\' && wide[1] == L'\\';
    if (unc && wide.size() >= 4 && (wide[2] == L'?' || wide[2] == L'.') && wide[3] == L'\\')
        return wide;
    if (!drive && !unc) return wide;
    const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (need == 0) return wide;
    std::wstring full(need, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return wide;
    full.resize(got);
    return unc ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

namespace {

bool attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return !path.empty() &&
           GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

// Opens the file a path names, a link followed, without reading from it.
HANDLE openForInformation(const std::string& path) {
    return CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

EntryKind KindOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!attributes(path, data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                       error == ERROR_INVALID_NAME
                   ? EntryKind::Absent
                   : EntryKind::Unknown;
    }
    // Symbolic links and junctions alike: writing through either could land
    // anywhere.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Folder;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::Other;
    return EntryKind::File;
}

bool IsRegularFile(const std::string& path) {
    if (path.empty()) return false;
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool file = GetFileInformationByHandle(h, &info) &&
                      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                      GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return file;
}

bool IsSpecialFile(const std::string& path) {
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool special = !GetFileInformationByHandle(h, &info) ||
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                         GetFileType(h) != FILE_TYPE_DISK;
    CloseHandle(h);
    return special;
}

std::int64_t FileSize(const std::string& path) {
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    const bool ok = GetFileSizeEx(h, &size) != 0;
    CloseHandle(h);
    return ok ? size.QuadPart : -1;
}

bool LocalModificationTime(const std::string& path, std::tm& out) {
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME written, local;
    SYSTEMTIME t;
    const bool ok = GetFileTime(h, nullptr, nullptr, &written) &&
                    FileTimeToLocalFileTime(&written, &local) && FileTimeToSystemTime(&local, &t);
    CloseHandle(h);
    if (!ok) return false;
    out = std::tm{};
    out.tm_year = t.wYear - 1900;
    out.tm_mon = t.wMonth - 1;
    out.tm_mday = t.wDay;
    out.tm_hour = t.wHour;
    out.tm_min = t.wMinute;
    out.tm_sec = t.wSecond;
    return true;
}

namespace {
FileIdentity identityOf(HANDLE h) {
    FileIdentity id;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return id;
    id.device = info.dwVolumeSerialNumber;
    id.file = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    id.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    id.time = static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
              info.ftLastWriteTime.dwLowDateTime;
    // A file system without file numbers still tells files apart by time.
    if (id.file == 0) id.file = 1;
    return id;
}
}  // namespace

FileIdentity IdentityOf(const std::string& path) {
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return FileIdentity();
    const FileIdentity id = identityOf(h);
    CloseHandle(h);
    return id;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = WidePath(from), target = WidePath(to);
    // Windows refuses to replace a file anyone has open, even for a moment
    // (another run looking the password list up, a virus scanner): the move
    // is tried again for half a second before it counts as failed.
    for (int attempt = 0;; ++attempt) {
        // Write-through: the move returns once it is on disk.
        if (MoveFileExW(source.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt >= 50)
            return false;
        Sleep(10);
    }
}

bool MakeFolder(const std::string& path, unsigned) {
    return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
}

bool RemoveFolder(const std::string& path) {
    return RemoveDirectoryW(WidePath(path).c_str()) != 0;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const std::string pattern = IncludeTrailingDelimiter(folder.empty() ? "." : folder) + "*";
    HANDLE h = FindFirstFileW(WidePath(pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(Narrow(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

std::string RealPath(const std::string& path) {
    HANDLE h = openForInformation(path);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string real = FinalPathOf(h);
    CloseHandle(h);
    return real;
}

std::string FinalPathOf(void* handle) {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(static_cast<HANDLE>(handle), buffer.data(),
                                              static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED);
    if (n == 0 || n >= buffer.size()) return {};
    buffer.resize(n);
    // "\\?\C:\x" reads as "C:\x"; "\\?\UNC\server\x" as "\\server\x".
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        buffer = L"\\\\" + buffer.substr(8);
    else if (buffer.compare(0, 4, L"\\\\?\\") == 0)
        buffer = buffer.substr(4);
    return Narrow(buffer);
}

std::string CurrentFolder() {
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    if (need == 0) return {};
    std::wstring folder(need, L'\0');
    const DWORD got = GetCurrentDirectoryW(need, folder.data());
    if (got == 0 || got >= need) return {};
    folder.resize(got);
    return IncludeTrailingDelimiter(Narrow(folder));
}

bool IsAbsolutePath(const std::string& path) {
    const auto delimiter = [](char c) { return c == '\\' || c == '/'; };
    return (path.size() >= 3 && path[1] == ':' && delimiter(path[2])) ||
           (path.size() >= 2 && delimiter(path[0]) && delimiter(path[1]));
}

NewFile CreateNewFile(const std::string& path) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return NewFile::Created;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::Exists
                                                                       : NewFile::Refused;
}

void KeepPrivate(const std::string&, bool, unsigned) {}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessAlive(long pid) {
    if (pid <= 0) return false;
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;  // someone else's, alive
    const bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return alive;
}

namespace {
HANDLE handleOf(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

File File::OpenRegular(const std::string& path) {
    File f;
    // Shared for reading and writing: a file another program holds open is
    // still read, as on Linux.
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return f;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return f;
    }
    f.handle_ = reinterpret_cast<std::intptr_t>(h);
    return f;
}

File File::CreateNew(const std::string& path, unsigned, bool) {
    File f;
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return f;
    f.handle_ = reinterpret_cast<std::intptr_t>(h);
    return f;
}

long File::read(char* buffer, std::size_t size) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(handle_), buffer, want, &got, nullptr))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<long>(got);
}

long File::readAt(std::uint64_t offset, char* buffer, std::size_t size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(handle_), buffer, want, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<long>(got);
}

bool File::writeAll(const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        DWORD put = 0;
        const DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        if (!WriteFile(handleOf(handle_), p, want, &put, nullptr) || put == 0) return false;
        p += put;
        left -= put;
    }
    return true;
}

bool File::sync() { return FlushFileBuffers(handleOf(handle_)) != 0; }

bool File::close() {
    if (handle_ == -1) return true;
    const bool ok = CloseHandle(handleOf(handle_)) != 0;
    handle_ = -1;
    return ok;
}

std::int64_t File::size() const {
    LARGE_INTEGER size;
    return GetFileSizeEx(handleOf(handle_), &size) ? size.QuadPart : -1;
}

FileIdentity File::identity() const { return identityOf(handleOf(handle_)); }

unsigned File::mode() const { return 0; }

void File::tighten(unsigned) {}

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// One line between the file's encoding and UTF-8.
std::string lineToUtf8(const std::string& line) {
    if (line.compare(0, 3, kByteOrderMark) == 0) return line.substr(3);
    if (line.empty()) return line;
    return Narrow(fromCodePage(CP_ACP, line));
}

std::string lineFromUtf8(const std::string& line) {
    if (line.empty()) return line;
    const std::wstring wide = Widen(line);
    BOOL lost = FALSE;
    const std::string ansi = toCodePage(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, &lost);
    // What the code page cannot hold is kept whole, marked as UTF-8.
    if (lost || Narrow(wide) != line) return kByteOrderMark + line;
    return ansi;
}

template <typename Convert>
std::string lineByLine(const std::string& text, Convert convert) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        out += convert(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        out += text[end];
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string SettingsTextToUtf8(const std::string& fileText) {
    return lineByLine(fileText, lineToUtf8);
}

std::string Utf8ToSettingsText(const std::string& text) { return lineByLine(text, lineFromUtf8); }

std::string ToLibraryText(const std::string& utf8) {
    return toCodePage(CP_ACP, 0, Widen(utf8));
}

std::string FromLibraryText(const std::string& text) { return lineToUtf8(text); }

std::string DisplayPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown)
        if (c == '/') c = '\\';
    return shown;
}

std::wstring LibraryPath(const std::wstring& path) {
    std::wstring native = path;
    for (wchar_t& c : native)
        if (c == L'/') c = L'\\';
    return native;
}

std::wstring LibraryArchiveName(const std::string& path) { return WidePath(path); }

bool EndsInSeparator(const std::wstring& folder) {
    return !folder.empty() && (folder.back() == L'/' || folder.back() == L'\\');
}

std::wstring EntryNameFromLibrary(const std::wstring& name) {
    std::wstring entry = name;
    for (wchar_t& c : entry)
        if (c == L'\\') c = L'/';
    return entry;
}

bool ForbiddenNamePart(const std::wstring& part) {
    if (part.empty()) return true;
    for (const wchar_t c : part)
        if (c < 32 || c == L':' || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' ||
            c == L'*' || c == L'\\')
            return true;
    // Windows drops trailing dots and spaces: "a." and "a " would name "a".
    if (part.back() == L'.' || part.back() == L' ') return true;
    // Device names, with any extension ("aux.txt" is AUX too) and any case.
    std::wstring base = part.substr(0, part.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                             L"CONOUT$"};
    for (const wchar_t* d : devices)
        if (base == d) return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t n = base[3];
        // COM0-9 and LPT0-9, and the superscript digits Windows also takes.
        if ((n >= L'0' && n <= L'9') || n == L'\x00B9' || n == L'\x00B2' || n == L'\x00B3')
            return true;
    }
    return false;
}

std::string FoldedName(const std::string& name) {
    const std::wstring wide = Widen(name);
    if (wide.empty()) return name;
    std::wstring upper(wide.size(), L'\0');
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                                static_cast<int>(wide.size()), upper.data(),
                                static_cast<int>(upper.size()), nullptr, nullptr, 0);
    return n > 0 ? Narrow(upper.substr(0, static_cast<std::size_t>(n))) : name;
}

void* OpenLibrary(const std::string& path) {
    // A bare name is the file beside the program, never one found on the
    // search path.
    const std::string file = IsAbsolutePath(path) ? path : ProgramFolder() + path;
    return reinterpret_cast<void*>(
        LoadLibraryExW(WidePath(file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void* LibrarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return args;
}

void UseLibraryLocale() { std::setlocale(LC_ALL, ""); }

void ExitNow(int code) {
    std::fflush(nullptr);
    RunEndsNormally();
    std::_Exit(code);
}

void KeepLocalTimeZoneLoaded() {}

std::string LibraryInstallHint() {
    return "It belongs in the folder of Tarnwick.exe: install Tarnwick again to bring it back.";
}

}  // namespace platform
