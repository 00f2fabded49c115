#include "settings/Settings.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Paths.h"

namespace settings {

namespace {

// "<folder>/.<name>.<pid>.<n>.tmp": unique per process and write, and tells
// which process made it.
std::string temporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return platform::ExtractFilePath(path) + "." + platform::ExtractFileName(path) + "." +
           std::to_string(platform::ProcessId()) + "." + std::to_string(counter++) + ".tmp";
}

// Removes a folder holding only files (a temporary defaults folder).
void removeFolderOfFiles(const std::string& folder) {
    for (const std::string& name : platform::FolderNames(folder))
        platform::DeleteFileIfExists(folder + "/" + name);
    platform::RemoveFolder(folder);
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
    std::vector<std::string> stale;
    for (const std::string& entry : platform::FolderNames(folder)) {
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
        const long owner = std::stol(pid);
        if (owner == platform::ProcessId() || owner <= 0) continue;
        if (platform::ProcessAlive(owner)) continue;
        stale.push_back(folder + entry);
    }
    for (const std::string& path : stale) {
        const platform::EntryKind kind = platform::KindOf(path);
        if (kind == platform::EntryKind::File)
            platform::DeleteFileIfExists(path);
        else if (kind == platform::EntryKind::Folder)
            removeFolderOfFiles(path);
    }
}

}  // namespace

std::string SettingsFolder(const std::string& applicationTitle) {
    std::string appData = platform::AppDataFolder();
    if (appData.empty()) return platform::ProgramFolder();
    return platform::IncludeTrailingDelimiter(
        platform::IncludeTrailingDelimiter(appData + "Ostrel") + applicationTitle);
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
        ok = platform::MakeFolder(temp, 0700);
        if (!ok) temp.clear();
    }
    for (const char* name : kFirstRunFlags) {
        if (!ok) break;
        ok = WriteLine(temp + "/" + name, kFlagText, kSharedMode);
    }
    // Another copy starting at the same moment may have made the folder first:
    // its defaults are as good as ours.
    if (ok && platform::RenameReplacing(temp, folder)) temp.clear();
    if (!temp.empty()) {
        removeFolderOfFiles(temp);
        ok = ok && folderExists();
    }
    if (!ok) Report(kFolderNotCreated);
    return ok;
}

void Store::keepPrivate() const {
    platform::KeepPrivate(platform::ExcludeTrailingDelimiter(folder_), true, 0700);
    for (const char* name : {kPassword, kSilent, kPassList})
        platform::KeepPrivate(path(name), false, 0600);
}

void Report(const StoreMessage& message) { platform::ShowMessage(message.text, message.caption); }

namespace {

// Reads at most `limit` bytes of a regular file, stopping early at a line
// break when `firstLine`.
std::optional<std::string> readBounded(const std::string& path, std::size_t limit, bool firstLine) {
    platform::File file = platform::File::OpenRegular(path);
    if (!file.valid()) return std::nullopt;
    std::string out;
    // A list is read into a buffer of its size at once, not one that grows by
    // doubling to twice that.
    const std::int64_t size = firstLine ? 0 : file.size();
    if (size > 0) out.reserve(std::min(limit, static_cast<std::size_t>(size)));
    char buf[8192];
    bool failed = false;
    while (out.size() < limit) {
        const size_t want = std::min(sizeof buf, limit - out.size());
        const long n = file.read(buf, want);
        if (n < 0) {
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
    if (failed) return std::nullopt;
    return out;
}

// True when `path` is a regular file holding exactly `data`; a private file
// found with looser permissions is tightened on the way.
bool alreadyHolds(const std::string& path, const std::string& data, unsigned mode) {
    platform::File file = platform::File::OpenRegular(path);
    if (!file.valid()) return false;
    bool same = file.size() == static_cast<std::int64_t>(data.size());
    if (same) {
        std::string found(data.size(), '\0');
        size_t got = 0;
        while (got < found.size()) {
            const long n = file.read(&found[got], found.size() - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        same = got == data.size() && found == data;
        if (same) file.tighten(mode);
    }
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
    *data = platform::SettingsTextToUtf8(*data);
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
    auto line = readBounded(path, kMaxValueBytes, true);
    if (line) *line = platform::SettingsTextToUtf8(*line);
    return line;
}

namespace {

// Writes a file anew under a temporary name in its folder and renames it over
// `path` once all of it is on disk. Any failure (a short or failed write, a
// full disk at the sync or the close) removes the temporary file and keeps
// the old one.
bool replaceWhole(const std::string& path, unsigned mode,
                  const std::function<bool(platform::File&)>& fill, bool exactMode = false) {
    removeStaleTemporaries(platform::ExtractFilePath(path), platform::ExtractFileName(path));
    const std::string temp = temporaryName(path);
    platform::File file = platform::File::CreateNew(temp, mode, exactMode);
    if (!file.valid()) return false;
    bool ok = fill(file) && file.sync();
    ok = file.close() && ok;
    if (ok && platform::RenameReplacing(temp, path)) return true;
    platform::DeleteFileIfExists(temp);
    return false;
}

// Copies the list from `in` to `out` with every line ending in CR LF and a
// break after the last line; the list is streamed, never held whole.
bool copyWithCrLf(platform::File& in, platform::File& out) {
    char buf[65536];
    std::string converted;
    bool afterCr = false, lineOpen = false;
    for (;;) {
        const long n = in.read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) break;
        converted.clear();
        for (long i = 0; i < n; ++i) {
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
        if (!out.writeAll(converted)) return false;
    }
    return !lineOpen || out.writeAll("\r\n");
}

}  // namespace

bool WriteLine(const std::string& path, const std::string& line, unsigned mode) {
    const std::string data = platform::Utf8ToSettingsText(line) + "\r\n";
    // A write that would change nothing writes nothing: readers in other
    // processes never see the file replaced under them for no reason.
    if (alreadyHolds(path, data, mode)) return true;
    // The new content goes to a file of its own in the same folder and then
    // replaces the old one whole, so a reader sees the old or the new line,
    // never an empty file.
    return replaceWhole(path, mode, [&](platform::File& file) { return file.writeAll(data); });
}

bool AppendToList(const std::string& path, const std::string& line, std::chrono::milliseconds wait,
                  bool create) {
    // A list reached through a link is written where the link points, and the
    // link stays.
    std::string real = platform::RealPath(path);
    if (real.empty()) {
        // Nothing at the name at all: made when asked to; never through a
        // link whose target is missing. A plain file there now was made, or
        // is being replaced, by another run adding at the same moment.
        const platform::EntryKind kind = platform::KindOf(path);
        if (kind != platform::EntryKind::File &&
            (!create || kind != platform::EntryKind::Absent))
            return false;
        real = path;
    }
    // The lock is taken on the list itself, so it holds wherever the list is
    // and whatever folders the user has; read under it, so what other runs
    // added before is kept.
    platform::FileLock lock(real, create, kPrivateMode, wait);
    if (!lock.Held()) return false;
    platform::File& in = lock.Contents();
    const std::string added = platform::Utf8ToSettingsText(line) + "\r\n";
    // The new list keeps the old one's permissions; a new one is the user's
    // alone. The old one is let go (the lock stays) before the new one takes
    // its name: Windows refuses to replace a file held open.
    const unsigned mode = lock.Created() ? kPrivateMode : in.mode();
    return replaceWhole(
        real, mode,
        [&](platform::File& out) {
            const bool copied = copyWithCrLf(in, out) && out.writeAll(added);
            return in.close() && copied;
        },
        true);
}

}  // namespace settings
