#include "settings/Settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/FileLock.h"
#include "platform/Messages.h"
#include "platform/Paths.h"

namespace settings {

namespace {

// "<folder>/.<name>.<pid>.<n>.tmp": unique per process and write, and tells
// which process made it.
std::string temporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return platform::ExtractFilePath(path) + "." + platform::ExtractFileName(path) + "." +
           std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
}

// Removes a folder holding only files (a temporary defaults folder).
void removeFolderOfFiles(const std::string& folder) {
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") ::unlink((folder + "/" + name).c_str());
        }
        ::closedir(d);
    }
    ::rmdir(folder.c_str());
}

bool isSettingsName(const std::string& name) {
    static const char* const names[] = {
        kAutoLang, kButton,  kDialog, kFirstRun, kFolder, kLanguage, kListName, kOpenDir, kPassList,
        kPassword, kReplace, kSilent, kStayTop,  kSubDir, kTryList,  kTryName,  kWizard};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

// Removes what a write that never finished left in `folder`: temporary files
// (and first-run folders) of the settings, and of `ownName`, whose process has
// ended. Some of them hold a password.
void removeStaleTemporaries(const std::string& folder, const std::string& ownName) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry.size() < 10 || entry[0] != '.' || entry.compare(entry.size() - 4, 4, ".tmp") != 0)
            continue;
        // .<name>.<pid>.<n>.tmp
        const std::string body = entry.substr(1, entry.size() - 5);
        const auto dot2 = body.rfind('.');
        if (dot2 == std::string::npos || dot2 == 0) continue;
        const auto dot1 = body.rfind('.', dot2 - 1);
        if (dot1 == std::string::npos || dot1 == 0) continue;
        const std::string name = body.substr(0, dot1);
        const std::string pid = body.substr(dot1 + 1, dot2 - dot1 - 1);
        const std::string n = body.substr(dot2 + 1);
        const auto digits = [](const std::string& t) {
            return !t.empty() && t.size() < 10 &&
                   t.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(pid) || !digits(n) || (name != ownName && !isSettingsName(name))) continue;
        const pid_t owner = static_cast<pid_t>(std::stol(pid));
        if (owner == ::getpid() || owner <= 0) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        stale.push_back(folder + entry);
    }
    ::closedir(d);
    for (const std::string& path : stale) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (S_ISREG(st.st_mode))
            ::unlink(path.c_str());
        else if (S_ISDIR(st.st_mode))
            removeFolderOfFiles(path);
    }
}

}  // namespace

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
    const std::string folder = platform::ExcludeTrailingDelimiter(folder_);
    std::string parent = platform::ExtractFilePath(folder);
    if (parent.empty()) parent = "./";
    bool ok = platform::ForceDirectories(parent, 0700);
    std::string temp;
    if (ok) {
        removeStaleTemporaries(parent, platform::ExtractFileName(folder));
        temp = temporaryName(parent + platform::ExtractFileName(folder));
        ok = ::mkdir(temp.c_str(), 0700) == 0;
        if (!ok) temp.clear();
    }
    for (const char* name : kFirstRunFlags) {
        if (!ok) break;
        ok = WriteLine(temp + "/" + name, kFlagText, kSharedMode);
    }
    // Another copy starting at the same moment may have made the folder first:
    // its defaults are as good as ours.
    if (ok && ::rename(temp.c_str(), folder.c_str()) == 0) temp.clear();
    if (!temp.empty()) {
        removeFolderOfFiles(temp);
        ok = ok && folderExists();
    }
    if (!ok) Report(kFolderNotCreated);
    return ok;
}

void Store::keepPrivate() const {
    const auto tighten = [](const std::string& path, int flags, mode_t keep) {
        const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
            (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && (st.st_mode & 0777 & ~keep) != 0)
            ::fchmod(fd, st.st_mode & 07777 & keep);
        ::close(fd);
    };
    tighten(platform::ExcludeTrailingDelimiter(folder_), O_RDONLY | O_DIRECTORY, 0700);
    for (const char* name : {kPassword, kSilent, kPassList}) tighten(path(name), O_RDONLY, 0600);
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
    // A list is read into a buffer of its size at once, not one that grows by
    // doubling to twice that.
    struct stat st;
    if (!firstLine && ::fstat(fd, &st) == 0 && st.st_size > 0)
        out.reserve(std::min(limit, static_cast<std::size_t>(st.st_size)));
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

LineList::LineList(std::initializer_list<std::string_view> lines) {
    for (std::string_view line : lines) push_back(line);
}

std::string_view LineList::operator[](std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(start, ends_[i] - start);
}

void LineList::push_back(std::string_view line) {
    text_.append(line);
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void LineList::removeEmpty() {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ends_.size(); ++i)
        if (ends_[i] != (i == 0 ? 0 : ends_[i - 1])) ends_[kept++] = ends_[i];
    ends_.resize(kept);
}

std::vector<std::string> LineList::strings() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
    return out;
}

static_assert(kMaxListBytes + 2 * kMaxValueBytes < UINT32_MAX, "list offsets fit 32 bits");

std::optional<LineList> ReadListFile(const std::string& path) {
    auto data = readBounded(path, kMaxListBytes, false);
    if (!data) return std::nullopt;
    LineList list;
    std::size_t breaks = 0;
    for (const char c : *data) breaks += c == '\r' || c == '\n';
    // Room for the last line and for the default password and the archive
    // name a run adds, so that those do not copy the offsets.
    list.ends_.reserve(breaks + 3);
    // The lines are moved together in the file's own buffer, dropping the
    // breaks: the list never needs room for a second copy.
    std::string& text = *data;
    std::size_t out = 0;
    bool lineOpen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            list.ends_.push_back(static_cast<std::uint32_t>(out));
            lineOpen = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            text[out++] = c;
            lineOpen = true;
        }
    }
    if (lineOpen) list.ends_.push_back(static_cast<std::uint32_t>(out));
    // The room the breaks took stays: shrinking would copy the whole list.
    text.resize(out);
    list.text_ = std::move(text);
    return list;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
    return readBounded(path, kMaxValueBytes, true);
}

namespace {

// Writes a file anew under a temporary name in its folder and renames it over
// `path` once all of it is on disk. Any failure (a short or failed write, a
// full disk at the sync or the close) removes the temporary file and keeps
// the old one.
bool replaceWhole(const std::string& path, mode_t mode, const std::function<bool(int)>& fill,
                  bool exactMode = false) {
    removeStaleTemporaries(platform::ExtractFilePath(path), platform::ExtractFileName(path));
    const std::string temp = temporaryName(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = (!exactMode || ::fchmod(fd, mode) == 0) && fill(fd) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

// Copies the list from `in` to `out` with every line ending in CR LF and a
// break after the last line; the list is streamed, never held whole.
bool copyWithCrLf(int in, int out) {
    char buf[65536];
    std::string converted;
    bool afterCr = false, lineOpen = false;
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        converted.clear();
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                converted += "\r\n";
                lineOpen = false;
            } else {
                converted += c;
                lineOpen = true;
            }
        }
        if (!writeAll(out, converted)) return false;
    }
    return !lineOpen || writeAll(out, "\r\n");
}

}  // namespace

bool WriteLine(const std::string& path, const std::string& line, unsigned mode) {
    const std::string data = line + "\r\n";
    // A write that would change nothing writes nothing: readers in other
    // processes never see the file replaced under them for no reason.
    if (alreadyHolds(path, data, static_cast<mode_t>(mode))) return true;
    // The new content goes to a file of its own in the same folder and then
    // replaces the old one whole, so a reader sees the old or the new line,
    // never an empty file.
    return replaceWhole(path, static_cast<mode_t>(mode),
                        [&](int fd) { return writeAll(fd, data); });
}

bool AppendToList(const std::string& path, const std::string& line, std::chrono::milliseconds wait,
                  bool create) {
    // A list reached through a link is written where the link points, and the
    // link stays.
    std::string real = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        real = resolved;
        std::free(resolved);
    } else if (!create || errno != ENOENT) {
        return false;
    }
    // The lock is taken on the list itself, so it holds wherever the list is
    // and whatever folders the user has; read under it, so what other runs
    // added before is kept.
    const platform::FileLock lock(real, create, kPrivateMode, wait);
    if (!lock.Held()) return false;
    struct stat st;
    if (::fstat(lock.Handle(), &st) != 0) return false;
    // The new list keeps the old one's permissions; a new one is the user's alone.
    const mode_t mode = lock.Created() ? kPrivateMode : (st.st_mode & 07777);
    return replaceWhole(
        real, mode,
        [&](int out) { return copyWithCrLf(lock.Handle(), out) && writeAll(out, line + "\r\n"); },
        true);
}

}  // namespace settings
