#include "settings/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

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

bool Store::setFlag(const std::string& name) const {
    return WriteLine(path(name), kFlagText, IsPrivate(name) ? kPrivateMode : kSharedMode);
}

bool Store::clearFlag(const std::string& name) const {
    // A folder bearing the flag's name already means "off", and stays.
    if (platform::DirectoryExists(path(name))) return true;
    return platform::DeleteFileIfExists(path(name));
}

bool IsPrivate(const std::string& name) {
    return name == kPassword || name == kSilent || name == kPassList;
}

std::optional<std::string> Store::readValue(const std::string& name) const {
    return ReadFirstLine(path(name));
}

bool Store::writeValue(const std::string& name, const std::string& value) const {
    return WriteLine(path(name), value, IsPrivate(name) ? kPrivateMode : kSharedMode);
}

bool Store::folderExists() const { return platform::DirectoryExists(folder_); }

bool Store::createDefaults() const {
    bool ok = platform::ForceDirectories(folder_, 0700);
    for (const char* name : kFirstRunFlags) {
        if (!ok) break;
        ok = setFlag(name);
    }
    if (!ok) Report(kFolderNotCreated);
    return ok;
}

void Report(const StoreMessage& message) { platform::ShowMessage(message.text, message.caption); }

namespace {

// Opens a file for reading without waiting on a FIFO or a device; only a
// regular file (or a link to one) is read. -1 otherwise.
int openRegular(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads at most `limit` bytes, stopping early at a line break when `firstLine`.
std::optional<std::string> readBounded(const std::string& path, std::size_t limit, bool firstLine) {
    const int fd = openRegular(path);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buf[8192];
    bool failed = false;
    while (out.size() < limit) {
        const size_t want = std::min(sizeof buf, limit - out.size());
        const ssize_t n = ::read(fd, buf, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed = true;
            break;
        }
        if (n == 0) break;
        const char* end = nullptr;
        if (firstLine) {
            end = static_cast<const char*>(std::memchr(buf, '\n', static_cast<size_t>(n)));
            const char* cr =
                static_cast<const char*>(std::memchr(buf, '\r', static_cast<size_t>(n)));
            if (cr && (!end || cr < end)) end = cr;
        }
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

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// True when `path` is a regular file holding exactly `data`; a private file
// found with looser permissions is tightened on the way.
bool alreadyHolds(const std::string& path, const std::string& data, mode_t mode) {
    const int fd = openRegular(path);
    if (fd < 0) return false;
    struct stat st;
    bool same = ::fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) == data.size();
    if (same) {
        std::string found(data.size(), '\0');
        size_t got = 0;
        while (got < found.size()) {
            const ssize_t n = ::read(fd, &found[got], found.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        same = got == data.size() && found == data;
        if (same && (st.st_mode & 07777 & ~mode) != 0) ::fchmod(fd, mode);
    }
    ::close(fd);
    return same;
}

}  // namespace

std::optional<std::vector<std::string>> ReadListFile(const std::string& path) {
    const auto data = readBounded(path, kMaxListBytes, false);
    if (!data) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < data->size(); ++i) {
        const char c = (*data)[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < data->size() && (*data)[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
    return readBounded(path, kMaxValueBytes, true);
}

bool WriteLine(const std::string& path, const std::string& line, unsigned mode) {
    const std::string data = line + "\r\n";
    // A write that would change nothing writes nothing: readers in other
    // processes never see the file replaced under them for no reason.
    if (alreadyHolds(path, data, static_cast<mode_t>(mode))) return true;
    // The new content goes to a file of its own in the same folder and then
    // replaces the old one whole, so a reader sees the old or the new line,
    // never an empty file. The name is unique per process and write.
    static std::atomic<unsigned> counter{0};
    const std::string temp = platform::ExtractFilePath(path) + "." +
                             platform::ExtractFileName(path) + "." + std::to_string(::getpid()) +
                             "." + std::to_string(counter++) + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(mode));
    if (fd < 0) return false;
    bool ok = writeAll(fd, data);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

}  // namespace settings
