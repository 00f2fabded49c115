#include "settings/Settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/Messages.h"
#include "platform/Paths.h"

namespace settings {

std::string SettingsFolder(const std::string& applicationTitle) {
    std::string appData = platform::AppDataFolder();
    if (appData.empty()) return platform::ProgramFolder();
    return appData + "Ostrel/" + applicationTitle + "/";
}

Store::Store(std::string folder) : folder_(platform::IncludeTrailingDelimiter(folder)) {}

bool Store::exists(const std::string& name) const { return platform::FileExists(path(name)); }

bool Store::setFlag(const std::string& name) const { return WriteLine(path(name), kFlagText); }

bool Store::clearFlag(const std::string& name) const {
    return platform::DeleteFileIfExists(path(name));
}

std::optional<std::string> Store::readValue(const std::string& name) const {
    return ReadFirstLine(path(name));
}

bool Store::writeValue(const std::string& name, const std::string& value) const {
    return WriteLine(path(name), value);
}

bool Store::folderExists() const { return platform::DirectoryExists(folder_); }

bool Store::createDefaults() const {
    bool ok = platform::ForceDirectories(folder_);
    for (const char* name : kFirstRunFlags) {
        if (!ok) break;
        ok = setFlag(name);
    }
    if (!ok) Report(kFolderNotCreated);
    return ok;
}

void Report(const StoreMessage& message) { platform::ShowMessage(message.text, message.caption); }

std::optional<std::vector<std::string>> ReadListFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buf[4096];
    bool failed = false;
    while (out.size() < kMaxValueBytes) {
        size_t want = std::min(sizeof buf, kMaxValueBytes - out.size());
        ssize_t n = ::read(fd, buf, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed = true;
            break;
        }
        if (n == 0) break;
        const char* end = static_cast<const char*>(std::memchr(buf, '\n', static_cast<size_t>(n)));
        const char* cr = static_cast<const char*>(std::memchr(buf, '\r', static_cast<size_t>(n)));
        if (cr && (!end || cr < end)) end = cr;
        if (end) {
            out.append(buf, static_cast<size_t>(end - buf));
            break;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (failed) return std::nullopt;
    return out;
}

bool WriteLine(const std::string& path, const std::string& line) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::string data = line + "\r\n";
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
}

}  // namespace settings
