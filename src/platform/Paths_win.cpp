#include "platform/Paths.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/Wide_win.h"

namespace platform {

namespace {

DWORD attributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WidePath(path).c_str());
}

std::string shellFolder(int csidl) {
    wchar_t folder[MAX_PATH];
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return {};
    return Narrow(folder);
}

}  // namespace

bool FileExists(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path, unsigned) {
    const std::string p = ExcludeTrailingDelimiter(path);
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    // Every parent from the top; a drive ("C:") or server share is there or not.
    std::string::size_type pos = p.size() >= 2 && p[1] == ':' ? 2 : 0;
    while ((pos = p.find_first_of("\\/", pos + 1)) != std::string::npos) {
        const std::string part = p.substr(0, pos);
        if (part.size() > 2 && !DirectoryExists(part) &&
            !CreateDirectoryW(WidePath(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_ACCESS_DENIED)
            return false;
    }
    CreateDirectoryW(WidePath(p).c_str(), nullptr);
    return DirectoryExists(p);
}

bool DeleteFileIfExists(const std::string& path) {
    if (DeleteFileW(WidePath(path).c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string ProgramFile() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    buffer.resize(n);
    return Narrow(buffer);
}

std::string ProgramFolder() { return ExtractFilePath(ProgramFile()); }

std::string AppDataFolder() {
    const std::string folder = shellFolder(CSIDL_APPDATA);
    return folder.empty() ? folder : IncludeTrailingDelimiter(folder);
}

std::string DesktopFolder() {
    const std::string folder = shellFolder(CSIDL_DESKTOP);
    return DirectoryExists(folder) ? ExcludeTrailingDelimiter(folder) : std::string();
}

}  // namespace platform
