#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace platform {

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path, unsigned mode) {
    std::string p = ExcludeTrailingDelimiter(path);
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    std::string::size_type pos = 0;
    while ((pos = p.find('/', pos + 1)) != std::string::npos) {
        std::string part = p.substr(0, pos);
        if (!DirectoryExists(part) && ::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 &&
            errno != EEXIST)
            return false;
    }
    if (::mkdir(p.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    return DirectoryExists(p);
}

bool DeleteFileIfExists(const std::string& path) {
    // ENOTDIR: a file stands where a folder of the path should be, so the
    // file cannot be there either.
    return ::unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

std::string ProgramFile() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string ProgramFolder() { return ExtractFilePath(ProgramFile()); }

static std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string AppDataFolder() {
    std::string base = env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') {
        std::string home = env("HOME");
        if (home.empty()) return {};
        base = IncludeTrailingDelimiter(home) + ".config";
    }
    return IncludeTrailingDelimiter(base);
}

// Reads XDG_DESKTOP_DIR="$HOME/..." from user-dirs.dirs, the file the desktop
// environments keep; only the "$HOME/" prefix and absolute paths are allowed there.
static std::string userDirsDesktop(const std::string& home) {
    std::ifstream in(AppDataFolder() + "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        if (value.size() >= 2 && value.front() == '"') {
            auto end = value.find('"', 1);
            value = value.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        }
        if (value.compare(0, 6, "$HOME/") == 0)
            return IncludeTrailingDelimiter(home) + value.substr(6);
        if (value == "$HOME") return home;
        return value;
    }
    return {};
}

std::string DesktopFolder() {
    std::string home = env("HOME");
    if (home.empty()) return {};
    std::string fromFile = userDirsDesktop(home);
    if (DirectoryExists(fromFile)) return ExcludeTrailingDelimiter(fromFile);
    std::string desktop = IncludeTrailingDelimiter(home) + "Desktop";
    if (DirectoryExists(desktop)) return desktop;
    if (DirectoryExists(home)) return ExcludeTrailingDelimiter(home);
    return {};
}

}  // namespace platform
