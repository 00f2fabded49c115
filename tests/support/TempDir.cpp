#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

// Paths are UTF-8 with '/' between names on both systems, as the program
// holds them; std::filesystem would read a narrow string in the ANSI code
// page on Windows.
static fs::path P(const std::string& path) { return fs::u8path(path); }

TempDir::TempDir() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw std::runtime_error("no temporary folder: " + ec.message());
    std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("tarnwick-test-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate, ec)) {
            // Private, as mkdtemp makes it.
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            path_ = candidate.generic_u8string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.u8string());
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(P(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(P(path), std::ios::binary | std::ios::trunc);
    out << data;
}

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(P(path), ec).type() != fs::file_type::not_found && !ec;
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    // Make read-only folders writable again so everything can go.
    for (auto it = fs::recursive_directory_iterator(
             P(path), fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(P(path), ec);
}

std::vector<std::string> TreeBelow(const std::string& root) {
    std::vector<std::string> found;
#ifdef _WIN32
    // std::filesystem stops at 260 characters here: the wide calls with
    // "\\?\" do not.
    std::wstring base = L"\\\\?\\" + P(root).make_preferred().wstring();
    std::vector<std::pair<std::wstring, std::string>> folders{{base, ""}};
    while (!folders.empty()) {
        const auto [folder, relative] = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAW data;
        const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::string path = relative + fs::path(name).u8string();
            found.push_back(path);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                folders.emplace_back(folder + L"\\" + name, path + "/");
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
#else
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        found.push_back(fs::relative(it->path(), root).generic_u8string());
#endif
    return found;
}

std::uint64_t FileIdentity(const std::string& path) {
#ifdef _WIN32
    const HANDLE file =
        ::CreateFileW(P(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return ok ? (std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow) : 0;
#else
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
#endif
}

bool SetModifiedTime(const std::string& path, std::int64_t unixSeconds) {
#ifdef _WIN32
    const HANDLE file = ::CreateFileW(P(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // 100-nanosecond steps since 1601.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(unixSeconds) + 11644473600ull) * 10000000ull;
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool ok = ::SetFileTime(file, nullptr, &time, &time) != 0;
    ::CloseHandle(file);
    return ok;
#else
    const timespec times[2] = {{static_cast<time_t>(unixSeconds), 0},
                               {static_cast<time_t>(unixSeconds), 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

}  // namespace testing_support
