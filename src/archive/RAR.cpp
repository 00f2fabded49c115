#include "archive/RAR.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <unordered_map>
#include <utility>

#include "archive/BlockChain.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/RunWatch.h"

using namespace rardll;

// Helpers that need the component's private parts.
struct TRAR::Impl {
    // The entry's name as a path below the output folder is acceptable only
    // when it stays below it: not absolute, no drive letter, no ".." and no
    // empty components, and no part the system would take for something
    // else than a file of that name.
    static bool SafeEntryName(const std::wstring& name) {
        if (name.empty() || name[0] == L'/') return false;
        if (name.size() >= 2 && name[1] == L':' &&
            ((name[0] >= L'a' && name[0] <= L'z') || (name[0] >= L'A' && name[0] <= L'Z')))
            return false;
        std::size_t start = 0;
        while (true) {
            std::size_t end = name.find(L'/', start);
            std::wstring part = name.substr(start, end == std::wstring::npos ? end : end - start);
            if (part.empty() || part == L".." || platform::ForbiddenNamePart(part)) return false;
            if (end == std::wstring::npos) return true;
            start = end + 1;
        }
    }

    // Whether the library would cut the name: it leaves a name that fills
    // its name field unterminated, and copies the destination into buffers of
    // 2,048 characters and 2,048 bytes. A cut name could land anywhere.
    static constexpr std::size_t kDestinationLimit = 2047;
    static bool NameCutOff(const std::wstring& name, const std::wstring& destination,
                           const std::string& destinationNative) {
        return name.size() >= kNameChars || destination.size() > kDestinationLimit ||
               destinationNative.size() > kDestinationLimit;
    }

    // The folders of a walk, held open from the output folder down. Each is
    // entered (made when missing) relative to the one above it, never
    // through a link, so a folder moved away or replaced by a link during the
    // run does not redirect what is written; the folders last entered are
    // kept for the entries after them.
    class HeldFolders {
    public:
        explicit HeldFolders(const std::string& outputFolder)
            : outputFolder_(outputFolder), root_(platform::Folder::Open(outputFolder)) {}

        const platform::Folder& Root() const { return root_; }

        // The folder `relative` ("" or components each ending in '/') below
        // the output folder, made with its missing parents; nullptr when a
        // component is a link or not a folder. `firstMade` is the depth of
        // the first folder made for it (npos when none was).
        const platform::Folder* Enter(const std::string& relative, std::size_t& firstMade) {
            firstMade = std::string::npos;
            if (entered_ && relative == enteredPath_)
                return chain_.empty() ? &root_ : &chain_.back().second;
            entered_ = false;
            ++changes_;
            // A missing output folder is made with the first entry that
            // needs it, as the library would make it.
            if (!root_.Held() && !outputFolder_.empty()) {
                if (platform::ForceDirectories(outputFolder_))
                    root_ = platform::Folder::Open(outputFolder_);
                outputFolder_.clear();
            }
            if (!root_.Held()) return nullptr;
            std::vector<std::string> parts;
            for (std::size_t start = 0; start < relative.size();) {
                const std::size_t end = relative.find('/', start);
                parts.push_back(relative.substr(start, end - start));
                start = end + 1;
            }
            std::size_t keep = 0;
            while (keep < chain_.size() && keep < parts.size() && chain_[keep].first == parts[keep])
                ++keep;
            chain_.erase(chain_.begin() + static_cast<std::ptrdiff_t>(keep), chain_.end());
            for (std::size_t i = keep; i < parts.size(); ++i) {
                bool made = false;
                platform::Folder next = Parent(i).Enter(parts[i], true, &made);
                if (!next.Held()) return nullptr;
                if (made && firstMade == std::string::npos) firstMade = i;
                chain_.emplace_back(parts[i], std::move(next));
            }
            entered_ = true;
            enteredPath_ = relative;
            return chain_.empty() ? &root_ : &chain_.back().second;
        }

        // Whether `relative` (as for Enter) still leads from the output folder
        // through real folders, no link among them: what the library reaches
        // by that path from the output folder stays in it.
        bool StillFolders(const std::string& relative) const {
            platform::Folder at;
            for (std::size_t start = 0; start < relative.size();) {
                const std::size_t end = relative.find('/', start);
                at = (start == 0 ? root_ : at).Enter(relative.substr(start, end - start), false);
                if (!at.Held()) return false;
                start = end + 1;
            }
            return root_.Held();
        }

        // Removes the folders entered last from depth `firstMade` down, deepest
        // first, as far as they are empty.
        void RemoveEmpty(std::size_t firstMade) {
            entered_ = false;
            ++changes_;
            while (chain_.size() > firstMade) {
                const std::string name = chain_.back().first;
                chain_.pop_back();
                if (!Parent(chain_.size()).RemoveEmptyFolder(name)) {
                    chain_.clear();
                    return;
                }
            }
        }

        // Counts the times the held chain changed: a folder returned by Enter
        // is the same one while this stays the same.
        unsigned long Changes() const { return changes_; }

    private:
        const platform::Folder& Parent(std::size_t depth) const {
            return depth == 0 ? root_ : chain_[depth - 1].second;
        }

        std::string outputFolder_;  // until it is made
        bool entered_ = false;      // the chain holds the folders of enteredPath_
        unsigned long changes_ = 0;
        std::string enteredPath_;
        platform::Folder root_;
        std::vector<std::pair<std::string, platform::Folder>> chain_;
    };

    // The hidden temporary names that files are written to before they take
    // their real names: ".tarnwick-<pid>.part" in the folder that receives
    // them, or ".tarnwick-<pid>-<n>.part" where that name is taken or is the
    // entry's own name. A name is checked free before every use: an entry of
    // the archive may have taken it meanwhile.
    class TemporaryNames {
    public:
        TemporaryNames() : pid_(platform::ProcessId()) {}

        // A free temporary name in `folder` (`key`, its place below the
        // output folder) other than `entryName`; empty when none is. The name
        // a file was just moved away from needs no new look while no entry
        // takes it.
        std::string FreeIn(const platform::Folder& folder, const std::string& key,
                           const std::string& entryName) {
            if (key == freeKey_ && !freeName_.empty() && freeName_ != entryName) return freeName_;
            freeName_.clear();
            for (unsigned attempt = 0; attempt < 100; ++attempt) {
                char name[48];
                std::snprintf(name, sizeof name,
                              attempt == 0 ? ".tarnwick-%ld.part" : ".tarnwick-%ld-%u.part", pid_,
                              attempt);
                if (name != entryName && folder.Status(name).kind == platform::EntryKind::Absent)
                    return name;
            }
            return {};
        }

        // `name` in the folder at `key` is free again (its file moved away or
        // removed); empty `name` when nothing is known.
        void Freed(const std::string& key, const std::string& name) {
            freeKey_ = key;
            freeName_ = name;
        }
        // An entry named `entryName` was written in the folder at `key`.
        void Taken(const std::string& key, const std::string& entryName) {
            if (key == freeKey_ && entryName == freeName_) freeName_.clear();
        }

        // Removes the temporary files that runs killed outright (or cut off
        // by a power failure) left in `folder`: those whose process no longer
        // runs. Once per folder and walk, before the walk first writes there;
        // the names left are kept for MayHold.
        void RemoveStale(const platform::Folder& folder, const std::string& key) {
            if (!swept_.insert(key).second) return;
            std::unordered_set<std::string>& present = present_[key];
            folder.ForEachName([&](const std::string& name) {
                const long owner = OwnerOf(name);
                if (owner > 0 && owner != pid_) {
                    const platform::EntryStatus status = folder.Status(name);
                    if (status.kind == platform::EntryKind::File &&
                        !platform::ProcessMayOwn(owner, status.changed) && folder.Remove(name))
                        return;
                }
                present.insert(platform::FoldedName(name));
            });
        }

        // Whether `name` in `folder` (at `key`) may be taken: it was there at
        // the walk's first look, or the walk has written it since. A name
        // that is neither needs no look of its own (on Windows a look at a
        // missing name reads the whole folder); one that something else
        // takes meanwhile is never replaced unasked (see Walk).
        bool MayHold(const platform::Folder& folder, const std::string& key,
                     const std::string& name) {
            RemoveStale(folder, key);
            const auto it = present_.find(key);
            return it == present_.end() || it->second.count(platform::FoldedName(name)) != 0;
        }
        void Written(const std::string& key, const std::string& name) {
            present_[key].insert(platform::FoldedName(name));
        }

    private:
        // The process id in a temporary name of ours; 0 for any other name.
        static long OwnerOf(const std::string& name) {
            static const char prefix[] = ".tarnwick-", suffix[] = ".part";
            const std::size_t p = sizeof prefix - 1, s = sizeof suffix - 1;
            if (name.size() <= p + s || name.compare(0, p, prefix) != 0 ||
                name.compare(name.size() - s, s, suffix) != 0)
                return 0;
            const std::string middle = name.substr(p, name.size() - p - s);
            const std::size_t dash = middle.find('-');
            const std::string pid = middle.substr(0, dash);
            const std::string count = dash == std::string::npos ? "0" : middle.substr(dash + 1);
            auto digits = [](const std::string& t) {
                return !t.empty() && t.size() <= 9 &&
                       t.find_first_not_of("0123456789") == std::string::npos;
            };
            return digits(pid) && digits(count) ? std::atol(pid.c_str()) : 0;
        }

        long pid_;
        std::unordered_set<std::string> swept_;
        std::unordered_map<std::string, std::unordered_set<std::string>> present_;
        std::string freeKey_, freeName_;
    };

    // The listed entries among `names` (as the block-chain walk gives them,
    // as stored): kept older versions, which the reference extractor passes
    // over, or entries of a key the library cannot derive.
    static std::unordered_set<std::wstring> ListedAmong(
        const std::vector<std::wstring>& listed, const std::unordered_set<std::string>& names) {
        std::unordered_set<std::wstring> among;
        if (names.empty()) return among;
        for (const std::wstring& name : listed)
            if (names.count(WideToNative(name))) among.insert(name);
        return among;
    }

    // A name with its empty and "." components dropped: "./a//b/" is "a/b".
    static std::wstring PlainPath(const std::wstring& name) {
        std::wstring out;
        for (std::size_t at = 0; at <= name.size();) {
            std::size_t slash = name.find(L'/', at);
            if (slash == std::wstring::npos) slash = name.size();
            const std::wstring part = name.substr(at, slash - at);
            if (!part.empty() && part != L".") out += (out.empty() ? L"" : L"/") + part;
            at = slash + 1;
        }
        return out;
    }

    // What tells a changed archive file from the one listed: device, file
    // number, size and modification time. False for anything but a regular file.
    static bool Identify(const std::string& path, platform::FileIdentity& identity) {
        if (!platform::IsRegularFile(path)) return false;
        identity = platform::IdentityOf(path);
        return identity.file != 0 || identity.size != 0 || identity.time != 0;
    }

    // A path as the library's wide name; the paths through held folders are
    // mostly plain ASCII, which needs no decoding.
    static std::wstring LibraryName(const std::string& native) {
        for (const char c : native)
            if (static_cast<unsigned char>(c) >= 0x80) return NativeToWide(native);
        return std::wstring(native.begin(), native.end());
    }

    // Headers encrypted from the archive's start hide its chain from the walk
    // until it has the password the library took.
    static const std::string& PasswordTaken(const TRAR& self) {
        return self.GivenPassword_.empty() ? self.Password_ : self.GivenPassword_;
    }

    // The library's kinds of file reference (the header's RedirType).
    static constexpr unsigned kHardLink = 4;
    static constexpr unsigned kFileCopy = 5;

    static const char* HostText(unsigned host) {
        switch (host) {
            case 0:
                return "DOS";
            case 1:
                return "IBM OS/2";
            case 2:
                return "Windows";
            case 3:
                return "Unix";
            default:
                return "unknown";
        }
    }

    static bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::towlower(static_cast<wint_t>(a[i])) !=
                std::towlower(static_cast<wint_t>(b[i])))
                return false;
        return true;
    }

    // Copies `text` into a library buffer of `size` bytes, cut so that it
    // fits with its terminating zero and never in the middle of a character.
    static void CopyToBuffer(char* buffer, std::size_t size, const std::string& text) {
        if (!buffer || size == 0) return;
        std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
        if (n < text.size())
            while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
};

TRAR::TRAR() : Library_(new TUnrarLibrary), Header_(new RARHeaderDataEx{}) {}

TRAR::~TRAR() {
    // Handlers may belong to objects already gone (the component is often a
    // member of its handlers' owner): the last close reports to nobody.
    OnError = nullptr;
    try {
        CloseArchive();
    } catch (...) {
    }
}

void TRAR::Report(int code, TRAROperation operation) {
    if (OnError) OnError(*this, code, operation);
}

bool TRAR::LoadLibrary() {
    if (!Library_->Loaded()) Library_->Load(DllName);
    if (Library_->Loaded()) return true;
    Report(ERAR_NO_LIBRARY, roLoadDLL);
    return false;
}

bool TRAR::ArchiveOpen() const {
    return Handle_ != nullptr && platform::FileExists(ArchiveInformation_.FileName_);
}

bool TRAR::CloseArchive() {
    try {
        // A handle is closed even when its file has gone meanwhile, so that
        // it never leaks.
        if (!Handle_) return true;
        int result = Library_->RARCloseArchive(Handle_);
        if (result == 0) Handle_ = nullptr;
        Report(result, roCloseArchive);
        return result == 0 && !ArchiveOpen();
    } catch (...) {
        return false;
    }
}

bool TRAR::OpenArchive(bool forExtraction) {
    try {
        if (!CloseArchive()) return false;
        Progress_ = TRARProgressInfo();
        OpenedArchive_ = ArchiveInformation_.FileName_;
        CurrentVolume_ = OpenedArchive_;
        OpenedVolumes_.assign(1, OpenedArchive_);
        if (!CommentBuffer_) CommentBuffer_.reset(new char[kCommentBufferSize]);
        CommentBuffer_[0] = '\0';
        // The library crashes on some main headers, at the start or further
        // on, whatever their checksum. It opens
        // the next volume of a set before telling us: that one is judged now,
        // each further one when the library reaches the one before it.
        if (UnsafeForLibrary(OpenedArchive_) || NextVolumeUnsafe(OpenedArchive_)) {
            Report(ERAR_BAD_ARCHIVE, roOpenArchive);
            return false;
        }
        OpenData_ = RAROpenArchiveDataEx{};
        OpenData_.ArcName = OpenedArchive_.data();
        std::wstring wideName = platform::LibraryArchiveName(OpenedArchive_);
        if (!wideName.empty()) OpenData_.ArcNameW = wideName.data();
        OpenData_.OpenMode = forExtraction          ? RAR_OM_EXTRACT
                             : ReadMultiVolumeToEnd ? RAR_OM_LIST_INCSPLIT
                                                    : RAR_OM_LIST;
        OpenData_.CmtBuf = CommentBuffer_.get();
        OpenData_.CmtBufSize = kCommentBufferSize;
        // The handler is there from the start: an archive with encrypted
        // headers then has its password asked while it is opened, as
        // `unrar x` reads it. Opened without, the library reads no header
        // past a main header that fails its checksum, and extracts nothing.
        OpenData_.Callback = &TRAR::Callback;
        OpenData_.UserData = reinterpret_cast<LPARAM>(this);
        Handle_ = Library_->RAROpenArchiveEx(&OpenData_);
        Report(static_cast<int>(OpenData_.OpenResult), roOpenArchive);
        if (OpenData_.OpenResult != 0 || !ArchiveOpen()) return false;
        Library_->RARSetCallback(Handle_, &TRAR::Callback, reinterpret_cast<LPARAM>(this));
        if (!Password_.empty()) Library_->RARSetPassword(Handle_, Password_.data());
        return true;
    } catch (...) {
        return false;
    }
}

// Where the library stops in a volume while a file went on into the next
// one, the reference extractor goes on with the next volume: so does an
// extraction, from a new open there.
bool TRAR::ReopenAtNextVolume() {
    try {
        // Only within a set: an archive that is no volume has no next one,
        // whatever name lies beside it.
        if (!(OpenData_.Flags & ROADF_VOLUME)) return false;
        std::string next = ExistingNextVolume(CurrentVolume_);
        const std::string& password = Impl::PasswordTaken(*this);
        if (next.empty() || LibraryCrashesOn(next, password) || NextVolumeUnsafe(next, password))
            return false;
        // Nor does a set change between encrypted headers and plain ones:
        // the library refuses such a volume as put in by another hand.
        if (HeadersEncrypted(next) != ((OpenData_.Flags & ROADF_ENCHEADERS) != 0)) return false;
        if (Handle_ && Library_->RARCloseArchive(Handle_) == 0) Handle_ = nullptr;
        if (Handle_) return false;
        RAROpenArchiveDataEx data = OpenData_;
        data.ArcName = next.data();
        std::wstring wideName = platform::LibraryArchiveName(next);
        data.ArcNameW = wideName.empty() ? nullptr : wideName.data();
        data.OpenMode = RAR_OM_EXTRACT;
        data.CmtBuf = nullptr;
        data.CmtBufSize = 0;
        Reopening_ = true;
        Handle_ = Library_->RAROpenArchiveEx(&data);
        Reopening_ = false;
        if (Handle_ && data.OpenResult != 0) {
            Library_->RARCloseArchive(Handle_);
            Handle_ = nullptr;
        }
        if (!Handle_) return false;
        Library_->RARSetCallback(Handle_, &TRAR::Callback, reinterpret_cast<LPARAM>(this));
        if (!Password_.empty()) Library_->RARSetPassword(Handle_, Password_.data());
        CurrentVolume_ = next;
        OpenedVolumes_.push_back(next);
        SplitGoesOn_ = SplitGoesOnFromVolume_ = false;
        if (OnVolumeChanged) OnVolumeChanged(*this, CurrentVolume_);
        return true;
    } catch (...) {
        return false;
    }
}

bool TRAR::ReadArchiveFlagsAndComment() {
    try {
        TRARArchiveInformation& info = ArchiveInformation_;
        unsigned flags = OpenData_.Flags;
        if (flags & ROADF_LOCK) info.Locked_ = true;
        if (flags & ROADF_SIGNED) info.Signed_ = true;
        if (flags & ROADF_RECOVERY) info.Recovery_ = true;
        if (flags & ROADF_SOLID) info.Solid_ = true;
        if (flags & ROADF_COMMENT) info.ArchiveComment_ = true;
        if (flags & ROADF_ENCHEADERS) info.HeaderEncrypted_ = true;
        info.SFX_ = IsSelfExtracting(info.FileName_);
        switch (OpenData_.CmtState) {
            case 0:
                info.Comment_.clear();
                info.ArchiveComment_ = false;
                return true;
            case 1:
                info.Comment_.assign(CommentBuffer_.get(),
                                     ::strnlen(CommentBuffer_.get(), kCommentBufferSize));
                info.ArchiveComment_ = true;
                return true;
            case ERAR_NO_MEMORY:
            case ERAR_BAD_DATA:
            case ERAR_UNKNOWN_FORMAT:
            case ERAR_SMALL_BUF:
                Report(static_cast<int>(OpenData_.CmtState), roOpenArchive);
                return false;
            default:
                return false;
        }
    } catch (...) {
        return false;
    }
}

void TRAR::CollectEntry() {
    const RARHeaderDataEx& h = *Header_;
    TRARArchiveInformation& info = ArchiveInformation_;
    const unsigned f = h.Flags;
    std::int64_t packed = HeaderSize(h.PackSizeHigh, h.PackSize);
    const std::int64_t unpacked = HeaderSize(h.UnpSizeHigh, h.UnpSize);

    if (ReadMultiVolumeToEnd) {
        const bool before = f & RHDF_SPLITBEFORE, after = f & RHDF_SPLITAFTER;
        if (after && !before) {
            SplitPackedSize_ = packed;
            return;
        }
        if (after && before) {
            SplitPackedSize_ = AddSizes(SplitPackedSize_, packed);
            return;
        }
        if (before) {
            SplitPackedSize_ = AddSizes(SplitPackedSize_, packed);
            packed = SplitPackedSize_;
        }
    }

    if (info.ArchiverMajorVersion_ * 10 + info.ArchiverMinorVersion_ < h.UnpVer) {
        info.ArchiverMinorVersion_ = h.UnpVer % 10;
        info.ArchiverMajorVersion_ = (h.UnpVer - info.ArchiverMinorVersion_) / 10;
    }
    if (f & RHDF_ENCRYPTED) info.Encryption_ = true;
    if (f & RHDF_SOLID) info.Solid_ = true;
    info.HostOS_ = Impl::HostText(h.HostOS);

    // Folders are not counted. The library marks them with its directory
    // flag; the other two tests are those of the archive format's own
    // header bits and of a Windows folder attribute.
    const bool folder =
        (f & 0x70) == 0x70 || h.FileAttr == 16 || (f & RHDF_DIRECTORY) == RHDF_DIRECTORY;
    if (!folder) {
        ++info.TotalFiles_;
        // The library reports the dictionary in KiB; without it, the format's
        // dictionary code in bits 5 to 7 gives 64 KiB to 4 MiB.
        if (h.DictSize != 0) {
            info.DictionarySize_ = static_cast<std::int64_t>(h.DictSize) * 1024;
        } else {
            unsigned d = (f >> 5) & 7;
            if (d <= 6) info.DictionarySize_ = std::int64_t{65536} << d;
        }
    }
    // Hostile headers declare sizes near 2^63: the totals stop at the largest.
    info.CompressedSize_ = AddSizes(info.CompressedSize_, packed);
    info.UnCompressedSize_ = AddSizes(info.UnCompressedSize_, unpacked);
    if (f & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER)) info.MultiVolume_ = true;
    if (h.CmtSize > 0) info.FileComment_ = true;

    if (!OnListFile) return;
    TRARFileItem item;
    item.FileNameW = BoundedName(h.FileNameW);
    // From the wide name: the library's 8-bit one is in the OEM code page on
    // Windows, which cannot hold every name (a name of raw bytes keeps them).
    item.FileName = WideToNative(item.FileNameW);
    item.CompressedSize = packed;
    item.UnCompressedSize = unpacked;
    item.HostOS = Impl::HostText(h.HostOS);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%X", h.FileCRC);
    item.CRC = crc;
    item.Attributes = static_cast<std::int32_t>(h.FileAttr);
    item.Time = DosDateTimeToDateTime(h.FileTime);
    item.CompressionMethod = static_cast<std::int32_t>(h.Method);
    item.UnpackVersion = static_cast<std::int32_t>(h.UnpVer);
    item.Encrypted = (f & RHDF_ENCRYPTED) != 0;
    OnListFile(*this, item);
}

bool TRAR::Walk(int operation, const std::vector<std::string>& fileMasks, bool restoreFolders,
                const std::wstring& destFolder) {
    WalkInProgress_ = true;
    bool ok = true, allDone = true;
    int last = 0;
    Progress_.ArchiveBytesTotal = ArchiveInformation_.UnCompressedSize_;
    const bool extracting = operation == RAR_EXTRACT;
    const std::string destFolderNative = WideToNative(destFolder);
    std::vector<std::wstring> masks;
    for (const std::string& m : fileMasks) masks.push_back(Utf8ToWide(m));
    bool firstPass = true;
    // Set once the walk went on in a later volume after the library stopped
    // short of it; until the next header, the part of a file begun before
    // is passed over.
    bool resumed = false, resumedHere = false;
    SplitGoesOn_ = SplitGoesOnFromVolume_ = false;
    const std::string openedWith = Impl::PasswordTaken(*this);
    const std::unordered_set<std::wstring> olderVersions =
        extracting
            ? Impl::ListedAmong(ListedNames_, VersionedEntryNames(OpenedArchive_, openedWith))
            : std::unordered_set<std::wstring>();
    // Entries the library would decrypt with a key it never set.
    const std::unordered_set<std::wstring> keyless =
        extracting ? Impl::ListedAmong(ListedNames_, KeylessEntryNames(OpenedArchive_, openedWith))
                   : std::unordered_set<std::wstring>();
    if (extracting) {
        Entries_.clear();
        Entries_.reserve(ListedNames_.size());
    }
    // Copies of each name met so far, counted only to pass over some.
    std::unordered_map<std::wstring, unsigned> copies;
    Impl::HeldFolders folders(destFolderNative);
    Impl::TemporaryNames temporaries;
    // Files are handed to the library by bare names in their folder, made
    // the working folder for the call, when every path the run goes on
    // using is absolute.
    platform::WorkingFolder working;
    const bool bareNames = extracting && platform::IsAbsolutePath(OpenedArchive_) &&
                           platform::IsAbsolutePath(destFolderNative);
    // Between two such files the working folder stays where it is when
    // nothing but the walk itself runs meanwhile: no handler but OnProgress
    // (which runs inside the library's write anyway), and no header read
    // that may ask for a password or a volume.
    const bool keepWorking = bareNames && !OnError && !OnFileProcessed &&
                             !(OpenData_.Flags & (ROADF_VOLUME | ROADF_ENCHEADERS));
    const platform::Folder* workingIn = nullptr;  // the folder entered and kept
    unsigned long workingChanges = 0;
    // Back to the working folder of the start; false when that failed.
    const auto leaveWorking = [&] {
        workingIn = nullptr;
        return working.Leave();
    };
    // The link target of each entry, read with its header; the record keeps
    // no pointer to it after the walk.
    std::vector<wchar_t> linkTarget(kNameChars + 1, L'\0');
    struct TargetBuffer {
        RARHeaderDataEx& h;
        ~TargetBuffer() {
            h.RedirName = nullptr;
            h.RedirNameSize = 0;
        }
    } targetBuffer{*Header_};
    try {
        while (last == 0 && ok && !AbortRequested_) {
            RARHeaderDataEx& h = *Header_;
            linkTarget[0] = L'\0';
            h.RedirName = linkTarget.data();
            h.RedirNameSize = kNameChars;
            last = Library_->RARReadHeaderEx(Handle_, &h);
            std::wstring name =
                last == 0 ? platform::EntryNameFromLibrary(BoundedName(h.FileNameW))
                          : std::wstring();
            if (firstPass && last == 0) FirstEntryName_ = name;
            const bool noEntry = firstPass;
            firstPass = false;
            const bool resumedEntry = resumedHere && last == 0;
            resumedHere = false;
            const auto goOnInNextVolume = [&] {
                // Since a volume change, what the file read now does there
                // is what the first file of that volume says.
                if (!extracting || AbortRequested_ ||
                    !(SplitGoesOnFromVolume_
                          ? FirstFileGoesOn(CurrentVolume_, Impl::PasswordTaken(*this))
                          : SplitGoesOn_))
                    return false;
                if (workingIn && !leaveWorking()) return false;
                if (!ReopenAtNextVolume()) return false;
                Report(last == ERAR_END_ARCHIVE ? ERAR_BAD_ARCHIVE : last, roListFiles);
                resumed = resumedHere = true;
                last = 0;
                return true;
            };
            if (last == 0) {
                SplitGoesOn_ = (h.Flags & RHDF_SPLITAFTER) != 0;
                SplitGoesOnFromVolume_ = false;
            }
            if (last != 0 && goOnInNextVolume()) continue;
            if (last == ERAR_END_ARCHIVE) {
                // The library also says "end" where its header chain breaks
                // (a truncated archive, a damaged main header): the block
                // chains of the volumes it went through tell whether it
                // really ended.
                // An archive that yields no entry at all extracts nothing,
                // which the reference extractor fails too.
                // The last one ends the set only where its end block says
                // no other follows.
                const auto allWhole = [&] {
                    const std::string& password = Impl::PasswordTaken(*this);
                    return std::all_of(OpenedVolumes_.begin(), OpenedVolumes_.end(),
                                       [&](const std::string& volume) {
                                           return ArchiveFileWhole(volume, password);
                                       }) &&
                           (OpenedVolumes_.empty() ||
                            !EndNamesNextVolume(OpenedVolumes_.back(), password));
                };
                if (extracting && (noEntry || !allWhole())) {
                    Report(noEntry ? ERAR_END_ARCHIVE : ERAR_BAD_ARCHIVE, roListFiles);
                    ok = false;
                }
                break;
            }
            Report(last, roListFiles);
            // After a failed header read the record holds the previous entry;
            // nothing is processed with it.
            if (last != 0) {
                ok = false;
                break;
            }
            if (!extracting) CollectEntry();

            Progress_.FileName = name;
            Progress_.FileBytesDone = 0;
            Progress_.FileBytesTotal = HeaderSize(h.UnpSizeHigh, h.UnpSize);

            if (!extracting) {
                ListedNames_.push_back(name);
                last = Library_->RARProcessFileW(Handle_, RAR_SKIP, nullptr, nullptr);
                if (OnFileProcessed) OnFileProcessed(*this, name, roListFiles, last);
            } else {
                // A folder's name may end in separators ("sub/"): the
                // folder is "sub", as the library makes it.
                std::wstring path = name;
                if (h.Flags & RHDF_DIRECTORY)
                    while (!path.empty() && path.back() == L'/') path.pop_back();
                const std::size_t slash = path.rfind(L'/');
                const std::wstring relative =
                    restoreFolders || slash == std::wstring::npos ? path : path.substr(slash + 1);
                std::wstring destination = destFolder + relative;
                // The bytes the library will write: every check tests them.
                const std::string destinationNative = LibraryNative(destination);

                bool chosen = masks.empty();
                for (std::size_t i = 0; !chosen && i < masks.size(); ++i)
                    chosen = Impl::SameIgnoringCase(name, masks[i]) ||
                             MatchesMask(destination, masks[i]);

                // The destination's folder below the output folder and its
                // own name, as bytes.
                const std::string relativeNative = destinationNative.substr(
                    std::min(destFolderNative.size(), destinationNative.size()));
                const std::size_t leafStart = relativeNative.rfind('/') + 1;
                const std::string leaf = relativeNative.substr(leafStart);
                const platform::Folder* parent = nullptr;
                std::size_t firstMade = std::string::npos;
                const std::string parentKey = relativeNative.substr(0, leafStart);
                const bool isFolder = (h.Flags & RHDF_DIRECTORY) != 0;
                const bool reference =
                    h.RedirType == Impl::kHardLink || h.RedirType == Impl::kFileCopy;
                const bool symbolicLink =
                    !isFolder && !reference &&
                    (h.RedirType != 0 || (h.HostOS == 3 && (h.FileAttr & 0xF000) == 0xA000));
                // What is at the destination, the link not followed.
                platform::EntryStatus present;
                // Only a plain file may find the working folder kept: what
                // any other entry asks of the library may call a handler.
                if (workingIn && (isFolder || reference || symbolicLink ||
                                  (h.Flags & (RHDF_SPLITAFTER | RHDF_ENCRYPTED))) &&
                    !leaveWorking()) {
                    ok = false;
                    break;
                }

                enum Step { Extract, Skip, Refuse };
                // The replace question for a file or link in the way.
                auto askReplace = [&](bool link) {
                    if (workingIn && !leaveWorking()) {
                        AbortOperation();
                        return Refuse;
                    }
                    TRARReplaceData existing{destination, FileSizeOf(destinationNative),
                                             FileDateOf(destinationNative)};
                    TRARReplaceData incoming{destination, Progress_.FileBytesTotal,
                                             DosDateTimeToDateTime(h.FileTime)};
                    TRARReplaceAction action = rrSkip;
                    if (OnReplace) OnReplace(*this, existing, incoming, action);
                    if (action == rrCancel) AbortOperation();
                    if (action != rrOverwrite) return Skip;
                    // The library would write through the link; the link
                    // itself is what gets replaced.
                    return !link || parent->Remove(leaf) ? Extract : Refuse;
                };
                const bool noKey = !keyless.empty() && keyless.count(name) != 0;
                // Passing over such an entry of a solid archive unpacks it
                // too: the run ends before it.
                if (noKey && (OpenData_.Flags & ROADF_SOLID)) {
                    Report(ERAR_BAD_DATA, roExtract);
                    if (OnFileProcessed) OnFileProcessed(*this, name, roExtract, ERAR_BAD_DATA);
                    ok = false;
                    break;
                }
                const auto skip = SkipEntries.empty() ? SkipEntries.end() : SkipEntries.find(name);
                Step step = Extract;
                if (!chosen || (resumedEntry && (h.Flags & RHDF_SPLITBEFORE)) ||
                    (skip != SkipEntries.end() && ++copies[name] <= skip->second) ||
                    (!olderVersions.empty() && olderVersions.count(name))) {
                    step = Skip;
                } else if (isFolder && path.empty()) {
                    // A folder without a name is the output folder itself.
                    step = Skip;
                } else if (noKey) {
                    step = Refuse;
                } else if (!Impl::SafeEntryName(path) ||
                           Impl::NameCutOff(name, destination, destinationNative) ||
                           // Cut before a character it cannot encode, a name
                           // may leave nothing to create, or climb out.
                           leaf.empty() || leaf == ".." ||
                           destinationNative.compare(0, destFolderNative.size(),
                                                     destFolderNative) != 0 ||
                           !(parent =
                                 folders.Enter(relativeNative.substr(0, leafStart), firstMade))) {
                    // A link or a file where a folder of the path should be
                    // is never written through.
                    step = Refuse;
                } else if (h.RedirType == Impl::kFileCopy &&
                           Impl::PlainPath(platform::EntryNameFromLibrary(BoundedName(
                               linkTarget.data(), linkTarget.size()))) == Impl::PlainPath(name)) {
                    // A copy of itself has nothing to copy: `unrar x` passes
                    // it with an empty file, this passes it with none.
                    step = Skip;
                } else if (h.RedirType == Impl::kFileCopy && [&] {
                               // A copy of the output folder or of a folder
                               // in it would give an empty file: `unrar x`
                               // fails it reading.
                               const std::wstring target =
                                   Impl::PlainPath(platform::EntryNameFromLibrary(
                                       BoundedName(linkTarget.data(), linkTarget.size())));
                               return target.empty() ||
                                      platform::IsSpecialFile(LibraryNative(destFolder + target));
                           }()) {
                    step = Refuse;
                } else {
                    // One look at the destination: a link, or a file that is
                    // not a folder, is in the way. A file that goes through a
                    // temporary needs none where the name was free at the
                    // walk's first look into the folder.
                    if (isFolder || symbolicLink || temporaries.MayHold(*parent, parentKey, leaf))
                        present = parent->Status(leaf);
                    const bool link = present.kind == platform::EntryKind::Link;
                    if (link && isFolder) {
                        step = Refuse;
                    } else if (present.kind != platform::EntryKind::Absent &&
                               present.kind != platform::EntryKind::Folder) {
                        step = askReplace(link);
                    }
                }

                if (step == Extract) {
                    // A file is written under a hidden name and takes its real
                    // name only when complete: an interruption never leaves a
                    // half file there, and a replaced file stays whole until
                    // the new one is ready. So are hard links and file copies:
                    // one the library refuses (its source is missing or outside
                    // the folder) it passes over with success, and the missing
                    // temporary makes it a failed entry.
                    //
                    // The library is given paths through the folders held
                    // open, each a folder and one name, so that it creates
                    // nothing by a path looked up again. Hard links and file
                    // copies are made in the output folder, where the library
                    // finds their sources, and then moved to their folder.
                    // A symbolic link whose target climbs out of its folder
                    // (".."), or is not known before it is extracted (an old
                    // archive's link), goes by its path below the output
                    // folder, with the output folder as the working folder:
                    // the library's own checks for such links count that
                    // path's depth and look for links along it. Where the
                    // working folder cannot be moved, by its real path.
                    linkTarget[kNameChars] = L'\0';
                    const bool byPath = symbolicLink && (h.RedirType == 0 || linkTarget[0] == L'\0' ||
                                                         std::wcsstr(linkTarget.data(), L"..") != nullptr);
                    const platform::Folder& writeIn = reference ? folders.Root() : *parent;
                    const std::string writeKey = reference ? std::string() : parentKey;
                    temporaries.Taken(parentKey, leaf);
                    temporaries.Written(parentKey, leaf);
                    Step lateAnswer = Extract;
                    std::string temporary;
                    if (!isFolder && !symbolicLink) {
                        temporaries.RemoveStale(writeIn, writeKey);
                        temporary = temporaries.FreeIn(writeIn, writeKey, leaf);
                        // A run that dies meanwhile leaves its watcher to remove it.
                        if (!temporary.empty())
                            platform::NoteRunTemporary(destFolderNative + writeKey + temporary);
                    }
                    std::wstring libraryFolder = destFolder, libraryName = destination;
                    bool entered = false, pathAway = false;
                    if (byPath && bareNames && !(h.Flags & (RHDF_SPLITAFTER | RHDF_ENCRYPTED))) {
                        // A folder of the path replaced by a link since it
                        // was entered would take the link elsewhere.
                        if (!folders.StillFolders(parentKey)) {
                            pathAway = true;
                        } else if ((entered = working.Enter(folders.Root()))) {
                            libraryFolder.clear();
                            libraryName = Impl::LibraryName(relativeNative);
                        }
                    } else if (!byPath) {
                        libraryFolder = Impl::LibraryName(writeIn.PathOf(std::string()));
                        const std::string& target = temporary.empty() ? leaf : temporary;
                        // Only a plain file that asks nothing on the way (no
                        // password, no next volume) is written so: the
                        // handlers of such questions may use relative paths.
                        const bool bare = bareNames && !reference && !temporary.empty() &&
                                          !(h.Flags & (RHDF_SPLITAFTER | RHDF_ENCRYPTED));
                        const bool kept = bare && workingIn == &writeIn &&
                                          workingChanges == folders.Changes();
                        if (workingIn && !kept && !leaveWorking()) AbortRequested_ = true;
                        entered = kept || (bare && !AbortRequested_ && working.Enter(writeIn));
                        libraryName = Impl::LibraryName(entered ? target : writeIn.PathOf(target));
                    }
                    libraryFolder = platform::LibraryPath(libraryFolder);
                    libraryName = platform::LibraryPath(libraryName);
                    if (pathAway || (!isFolder && !symbolicLink && temporary.empty()) ||
                        Impl::NameCutOff(name, libraryFolder, WideToNative(libraryFolder)) ||
                        Impl::NameCutOff(name, libraryName, WideToNative(libraryName))) {
                        // Without a temporary a file would be written under
                        // its real name, half-done until complete; made in the
                        // output folder, a reference would need a name of its
                        // own there. And what the library is given must fit
                        // its buffers as the destination does: a folder that
                        // goes by its whole path (on Windows) and a temporary
                        // name longer than the entry's may not.
                        last = Library_->RARProcessFileW(Handle_, RAR_SKIP, nullptr, nullptr);
                        if (last == 0) last = ERAR_ECREATE;
                    } else {
                        // No folder rather than an empty one: the library
                        // pads a given folder to its full buffer (8 KiB)
                        // for every file.
                        last = Library_->RARProcessFileW(
                            Handle_, RAR_EXTRACT,
                            libraryFolder.empty() ? nullptr : libraryFolder.data(),
                            libraryName.data());
                    }
                    // A link made by its path entered the output folder,
                    // not its own: that one is never kept.
                    if (entered && keepWorking && !byPath && last == 0) {
                        workingIn = &writeIn;
                        workingChanges = folders.Changes();
                    } else if ((entered || workingIn) && !leaveWorking()) {
                        // Relative paths lead elsewhere now: nothing more is written.
                        last = ERAR_ECREATE;
                        AbortRequested_ = true;
                    }
                    // The folders made for a file the library began to write
                    // stay, as `unrar x` leaves them (it removes a broken
                    // file itself); those of one it refused before writing
                    // (a password or a format it lacks, a link without its
                    // source, the part of a file begun in an earlier volume)
                    // go.
                    const bool begun = last != 0 && firstMade != std::string::npos && !reference &&
                                       !(h.Flags & RHDF_SPLITBEFORE) && last != ERAR_BAD_PASSWORD &&
                                       last != ERAR_MISSING_PASSWORD && last != ERAR_UNKNOWN_FORMAT;
                    bool made = false;
                    if (!temporary.empty()) {
                        // The library is done with the temporary: a complete
                        // and checked file takes its real name in one step,
                        // replacing a file there; anything else goes, and
                        // the real name is left as it was.
                        // Only what the user agreed to replace is replaced:
                        // a file that took the free name since is asked for.
                        const bool replace = present.kind != platform::EntryKind::Absent;
                        // The part of a file that began in an earlier volume
                        // the library passes over, writing nothing, when it
                        // is not the first it meets.
                        if (last == 0 && (h.Flags & RHDF_SPLITBEFORE) &&
                            writeIn.Status(temporary).kind == platform::EntryKind::Absent) {
                            lateAnswer = Skip;
                        } else if (last == 0 &&
                                   !writeIn.MoveTo(temporary, *parent, leaf, replace)) {
                            const platform::EntryStatus now =
                                replace ? platform::EntryStatus() : parent->Status(leaf);
                            lateAnswer = now.kind == platform::EntryKind::File ||
                                                 now.kind == platform::EntryKind::Link
                                             ? askReplace(now.kind == platform::EntryKind::Link)
                                             : Refuse;
                            if (lateAnswer != Skip &&
                                (lateAnswer != Extract || !writeIn.MoveTo(temporary, *parent, leaf)))
                                last = ERAR_ECREATE;
                        }
                        made = last != 0 && firstMade != std::string::npos &&
                               writeIn.Status(temporary).kind != platform::EntryKind::Absent;
                        // A hard link to the file already at the real name
                        // leaves the temporary name in place.
                        const bool freed =
                            (last != 0 || lateAnswer == Skip || h.RedirType == Impl::kHardLink)
                                ? writeIn.Remove(temporary)
                                : last == 0;
                        temporaries.Freed(writeKey, freed ? temporary : std::string());
                        platform::NoteRunTemporary({});
                    }
                    if ((last != 0 || lateAnswer == Skip) && firstMade != std::string::npos &&
                        !begun && !made)
                        folders.RemoveEmpty(firstMade);
                    if (OnFileProcessed && lateAnswer != Skip)
                        OnFileProcessed(*this, name, roExtract, last);
                } else if (step == Skip) {
                    last = Library_->RARProcessFileW(Handle_, RAR_SKIP, nullptr, nullptr);
                } else {
                    last = Library_->RARProcessFileW(Handle_, RAR_SKIP, nullptr, nullptr);
                    if (last == 0) last = ERAR_ECREATE;
                    if (OnFileProcessed) OnFileProcessed(*this, name, roExtract, last);
                }
                Entries_.emplace_back(std::move(name), step == Extract && last == 0);
                // An entry of a format the library lacks ends a solid archive,
                // as it ends `unrar x`: what follows needs its data.
                if (last == ERAR_UNKNOWN_FORMAT && (OpenData_.Flags & ROADF_SOLID)) {
                    Report(last, roListFiles);
                    allDone = ok = false;
                    break;
                }
            }
            if (last != 0) allDone = false;
            if (ForceTestToEnd) last = 0;
            if (last != 0) ok = false;
            Report(last, roListFiles);
        }
    } catch (...) {
        ok = false;
    }
    if (workingIn && !leaveWorking()) ok = false;
    WalkInProgress_ = false;
    return ok && allDone && !resumed;
}

std::unordered_map<std::wstring, TRAR::EntryCopies> TRAR::ExtractedCopies() const {
    std::unordered_map<std::wstring, EntryCopies> copies;
    for (const auto& [name, done] : Entries_) {
        EntryCopies& c = copies[name];
        ++c.seen;
        if (done) c.completed = c.seen;
    }
    return copies;
}

bool TRAR::ListArchive(const std::string& FileName) {
    AbortRequested_ = false;
    ListingReusable_ = false;
    bool whole = false;
    try {
        if (!LoadLibrary()) return false;
        ArchiveInformation_.Reset();
        ArchiveInformation_.FileName_ = FileName;
        ListedNames_.clear();
        const bool known = Impl::Identify(FileName, ListedFile_);
        whole = OpenArchive(false) && ReadArchiveFlagsAndComment() &&
                Walk(RAR_SKIP, {}, false, std::wstring()) && known;
    } catch (...) {
        whole = false;
    }
    ArchiveInformation_.ListingDone_ = true;
    const bool closed = CloseArchive();
    // A listing that stopped early, took a password or read other volumes
    // (whose files are not watched) stands for no later one; nor does one of
    // a file that changed while it was read.
    const TRARArchiveInformation& info = ArchiveInformation_;
    ListingReusable_ = whole && closed && !AbortRequested_ && !info.HeaderEncrypted_ &&
                       !info.MultiVolume_ && !(OpenData_.Flags & ROADF_VOLUME);
    ListingReusable_ = ListingReusable_ && ListingCurrent(FileName);
    return closed;
}

bool TRAR::ListForExtraction(const std::string& FileName) {
    if (OnListFile || OnFileProcessed || OnError) return ListArchive(FileName);
    AbortRequested_ = false;
    ListingReusable_ = false;
    try {
        if (!LoadLibrary()) return false;
        const ChainListing chain = ListingFromChain(FileName);
        if (!chain.complete || !CloseArchive()) return ListArchive(FileName);
        ArchiveInformation_.Reset();
        ArchiveInformation_.FileName_ = FileName;
        ArchiveInformation_.UnCompressedSize_ = chain.unpacked;
        ArchiveInformation_.ListingDone_ = true;
        ListedNames_.clear();
        ListedFile_ = chain.identity;
        ListingReusable_ = true;
        // A file changed since its walk is walked again.
        ListingReusable_ = ListingCurrent(FileName);
        return true;
    } catch (...) {
        return ListArchive(FileName);
    }
}

bool TRAR::ListingCurrent(const std::string& FileName) const {
    platform::FileIdentity now;
    return ListingReusable_ && FileName == ArchiveInformation_.FileName_ &&
           Impl::Identify(FileName, now) && now == ListedFile_;
}

bool TRAR::ExtractArchive(const std::wstring& DestFolder, bool RestoreFolders,
                          const std::vector<std::string>& FileMasks) {
    AbortRequested_ = false;
    bool ok = false;
    try {
        if (!LoadLibrary()) return false;
        if (DestFolder.empty()) return false;
        std::wstring dest = DestFolder;
        if (!platform::EndsInSeparator(dest)) dest += L'/';
        ok = OpenArchive(true) && ReadArchiveFlagsAndComment() &&
             Walk(RAR_EXTRACT, FileMasks, RestoreFolders, dest);
    } catch (...) {
        ok = false;
    }
    ArchiveInformation_.ListingDone_ = true;
    const bool closed = CloseArchive();
    return ok && closed;
}

bool TRAR::FirstOrSingleArchive(const std::string& FileName) {
    try {
        if (!Library_->Loaded() && !Library_->Load(DllName)) return false;
        if (UnsafeForLibrary(FileName)) return false;
        std::string name = FileName;
        RAROpenArchiveDataEx data{};
        data.ArcName = name.data();
        std::wstring wideName = platform::LibraryArchiveName(FileName);
        if (!wideName.empty()) data.ArcNameW = wideName.data();
        data.OpenMode = RAR_OM_LIST;
        void* handle = Library_->RAROpenArchiveEx(&data);
        if (!handle) return false;
        Library_->RARCloseArchive(handle);
        // Opened without a password, an archive whose main header is
        // encrypted shows no volume flags at all: it may be a later volume.
        const bool unknown = (data.Flags & ROADF_ENCHEADERS) && !(data.Flags & ROADF_VOLUME);
        return data.OpenResult == 0 && !unknown &&
               (!(data.Flags & ROADF_VOLUME) || (data.Flags & ROADF_FIRSTVOLUME));
    } catch (...) {
        return false;
    }
}

int TRAR::Callback(unsigned int msg, LPARAM UserData, LPARAM P1, LPARAM P2) {
    TRAR* self = reinterpret_cast<TRAR*>(UserData);
    if (!self) return -1;
    return self->Dispatch(msg, P1, P2);
}

int TRAR::Dispatch(unsigned int msg, LPARAM P1, LPARAM P2) {
    int answer = 0;
    try {
        switch (msg) {
            case UCM_CHANGEVOLUME: {
                char* name = reinterpret_cast<char*>(P1);
                if (P2 == RAR_VOL_ASK) {
                    if (!ArchiveInformation_.ListingDone_ && !ReadMultiVolumeToEnd) {
                        answer = -1;
                    } else if (AutoNextVolumeOnList && WalkInProgress_) {
                        AbortRequested_ = true;
                        answer = -1;
                    } else if (OnNextVolumeRequired && name) {
                        const std::string required = platform::FromLibraryText(
                            std::string(name, ::strnlen(name, kVolumeNameBytes)));
                        std::string newName;
                        bool cancel = false;
                        OnNextVolumeRequired(*this, required, newName, cancel);
                        // The name given is opened as it is: judged first.
                        if (!cancel && (platform::IsSpecialFile(newName) ||
                                        (platform::IsRegularFile(newName) &&
                                         LibraryCrashesOn(newName, Impl::PasswordTaken(*this)))))
                            cancel = true;
                        Impl::CopyToBuffer(name, kVolumeNameBytes,
                                           platform::ToLibraryText(newName));
                        answer = cancel ? -1 : 0;
                    } else {
                        // Going on with the same name makes the library ask
                        // again at once, for ever.
                        answer = -1;
                    }
                } else if (P2 == RAR_VOL_NOTIFY) {
                    if (name) {
                        CurrentVolume_ = platform::FromLibraryText(
                            std::string(name, ::strnlen(name, kVolumeNameBytes)));
                        OpenedVolumes_.push_back(CurrentVolume_);
                        SplitGoesOnFromVolume_ = true;
                    }
                    // Refused, the library stays in this volume: the walk
                    // ends here rather than read on towards the next one.
                    if (name && NextVolumeUnsafe(CurrentVolume_, Impl::PasswordTaken(*this))) {
                        Report(ERAR_BAD_ARCHIVE, roOpenArchive);
                        AbortRequested_ = true;
                    }
                    if (OnVolumeChanged && name) OnVolumeChanged(*this, CurrentVolume_);
                }
                break;
            }
            case UCM_PROCESSDATA:
                Progress_.FileBytesDone += static_cast<int>(P2);
                Progress_.ArchiveBytesDone += static_cast<int>(P2);
                if (OnProgress)
                    OnProgress(*this, Progress_.FileName, Progress_.ArchiveBytesTotal,
                               Progress_.ArchiveBytesDone, Progress_.FileBytesTotal,
                               Progress_.FileBytesDone);
                break;
            case UCM_NEEDPASSWORD: {
                // A volume opened anew after damage takes the password the
                // set was opened with.
                if (Reopening_ && !GivenPassword_.empty() && P2 > 0) {
                    Impl::CopyToBuffer(reinterpret_cast<char*>(P1), static_cast<std::size_t>(P2),
                                       GivenPassword_);
                    break;
                }
                std::wstring name;
                const bool headers = !ArchiveInformation_.ListingDone_;
                if (headers) {
                    ArchiveInformation_.HeaderEncrypted_ = true;
                    name = Utf8ToWide(ArchiveInformation_.FileName_);
                } else {
                    name = Progress_.FileName;
                }
                if (name.empty()) name = FirstEntryName_;
                std::string password;
                bool cancel = false;
                if (OnPasswordRequired) OnPasswordRequired(*this, headers, name, password, cancel);
                if (P2 > 0) {
                    Impl::CopyToBuffer(reinterpret_cast<char*>(P1), static_cast<std::size_t>(P2),
                                       platform::ToLibraryText(password));
                    if (!cancel)
                        GivenPassword_.assign(reinterpret_cast<char*>(P1),
                                              ::strnlen(reinterpret_cast<char*>(P1),
                                                        static_cast<std::size_t>(P2)));
                }
                // Headers encrypted from the start are judged once their
                // password is known: the library goes on to read them.
                if (!cancel && (LibraryCrashesOn(CurrentVolume_, GivenPassword_) ||
                                NextVolumeUnsafe(CurrentVolume_, GivenPassword_))) {
                    Report(ERAR_BAD_ARCHIVE, roOpenArchive);
                    cancel = true;
                }
                answer = cancel ? -1 : 0;
                break;
            }
            // The wide forms come first; answered "go on" without a name or
            // password, the library sends the 8-bit form, answered above.
            case UCM_CHANGEVOLUMEW:
            case UCM_NEEDPASSWORDW:
            default:
                answer = 0;
                break;
        }
    } catch (...) {
        answer = -1;
    }
    return AbortRequested_ ? -1 : answer;
}

bool MatchesMask(const std::wstring& name, const std::wstring& mask) {
    auto lower = [](wchar_t c) {
        return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    };
    // Matches a bracketed set starting at mask[m] (the '['); on success sets
    // `next` past the ']'. A set without a closing ']' is a plain '['.
    auto matchSet = [&](std::size_t m, wchar_t c, std::size_t& next, bool& matched) {
        std::size_t i = m + 1;
        bool negate = i < mask.size() && mask[i] == L'!';
        if (negate) ++i;
        bool hit = false;
        bool firstChar = true;
        while (i < mask.size() && (mask[i] != L']' || firstChar)) {
            wchar_t lo = lower(mask[i]);
            if (i + 2 < mask.size() && mask[i + 1] == L'-' && mask[i + 2] != L']') {
                wchar_t hi = lower(mask[i + 2]);
                if (lo <= c && c <= hi) hit = true;
                i += 3;
            } else {
                if (lo == c) hit = true;
                ++i;
            }
            firstChar = false;
        }
        if (i >= mask.size()) return false;  // no closing bracket
        next = i + 1;
        matched = hit != negate;
        return true;
    };

    std::size_t n = 0, m = 0;
    std::size_t starM = std::wstring::npos, starN = 0;
    while (n < name.size()) {
        const wchar_t c = lower(name[n]);
        if (m < mask.size()) {
            if (mask[m] == L'*') {
                starM = m++;
                starN = n;
                continue;
            }
            if (mask[m] == L'?') {
                ++m;
                ++n;
                continue;
            }
            if (mask[m] == L'[') {
                std::size_t next = 0;
                bool matched = false;
                if (matchSet(m, c, next, matched)) {
                    if (matched) {
                        m = next;
                        ++n;
                        continue;
                    }
                } else if (c == L'[') {
                    ++m;
                    ++n;
                    continue;
                }
            } else if (lower(mask[m]) == c) {
                ++m;
                ++n;
                continue;
            }
        }
        if (starM == std::wstring::npos) return false;
        m = starM + 1;
        n = ++starN;
    }
    while (m < mask.size() && mask[m] == L'*') ++m;
    return m == mask.size();
}
