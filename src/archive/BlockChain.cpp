#include "archive/BlockChain.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/HeaderKey.h"
#include "platform/Files.h"

namespace rardll {

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
    static std::uint32_t table[256];
    static const bool ready = [] {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        return true;
    }();
    (void)ready;
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace {

const unsigned char kRar4Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
const unsigned char kRar5Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};

// The library derives no key in more than 2^24 rounds.
constexpr unsigned kLongestKeyDerivation = 24;

std::uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A RAR 5 variable-length number at data[at..end); false when it runs past
// end or past ten bytes. Bits beyond 64 are dropped, never shifted into
// undefined behaviour.
bool ReadVint(const unsigned char* data, std::size_t end, std::size_t& at, std::uint64_t& value,
              std::size_t maxBytes = 10) {
    value = 0;
    for (std::size_t i = 0; i < maxBytes && at < end; ++i) {
        const unsigned char b = data[at++];
        if (i < 10) value |= static_cast<std::uint64_t>(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) return true;
    }
    return false;
}

// The kinds of signature, as the library tells them apart from the bytes at
// `d` (`n` of them there).
enum class Signature { None, Rar14, Rar15, Rar50, Later };
Signature SignatureAt(const unsigned char* d, std::size_t n) {
    if (n < 1 || d[0] != 'R') return Signature::None;
    if (n >= 4 && d[1] == 'E' && d[2] == '~' && d[3] == '^') return Signature::Rar14;
    if (n < 7 || std::memcmp(d, kRar4Signature, 6) != 0) return Signature::None;
    if (d[6] == 0) return Signature::Rar15;
    if (d[6] == 1) return Signature::Rar50;
    return d[6] < 5 ? Signature::Later : Signature::None;
}

// Where the library finds the archive: its signature in the first 7 bytes,
// or else the first one from byte 7 on within its search window (a
// self-extractor's program before it); one that begins in bytes 1 to 6 is
// never seen. An old RAR 1.4 signature or a later format's ends the search
// (the library's own business: NoSignature), and so does a RAR 5 signature
// whose 8th byte is not 0.
bool FindSignature(ChainSource& source, std::uint64_t size, std::uint64_t& at, bool& rar5) {
    const auto found = [&](Signature kind, std::uint64_t where) {
        unsigned char last = 1;
        if (kind == Signature::Rar50 && (source.Read(where + 7, &last, 1) != 1 || last != 0))
            return false;
        at = where;
        rar5 = kind == Signature::Rar50;
        return kind == Signature::Rar15 || kind == Signature::Rar50;
    };
    unsigned char head[32] = {};
    const std::size_t headSize = source.Read(0, head, sizeof head);
    if (headSize < 7) return false;
    const Signature first = SignatureAt(head, 7);
    if (first != Signature::None) return found(first, 0);
    // The window: what one read of the library's buffer holds after byte 7.
    constexpr std::uint64_t kFrom = 7;
    const std::uint64_t windowEnd =
        std::min<std::uint64_t>(size, kFrom + kSignatureSearchLimit - 16);
    if (windowEnd <= kFrom) return false;
    // A RAR 1.4 signature after the start of the window counts only with a
    // self-extractor's mark at byte 28.
    const bool rar14Marked = windowEnd - kFrom <= 31 ||
                             (headSize >= 32 && std::memcmp(head + 28, "RSFX", 4) == 0);
    std::vector<unsigned char> chunk(64 * 1024);
    for (std::uint64_t from = kFrom; from < windowEnd;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), windowEnd - from));
        const std::size_t got = source.Read(from, chunk.data(), want);
        if (got == 0) return false;
        const bool last = from + got >= windowEnd || got < want;
        for (std::size_t i = 0; i < got; ++i) {
            if (chunk[i] != 'R') continue;
            // Near the chunk's end a signature may go on in the next one.
            if (!last && got - i < 8) break;
            const Signature kind = SignatureAt(&chunk[i], got - i);
            if (kind == Signature::None) continue;
            if (kind == Signature::Rar14 && from + i > kFrom && !rar14Marked) continue;
            return found(kind, from + i);
        }
        if (last) return false;
        from += got - 7;  // a signature across the chunk edge
    }
    return false;
}

// The archive comment, when stored, carries the checksum of its text: the
// reference extractor fails an archive whose comment does not match it (a
// packed comment is the library's business). Only the first comment counts,
// as only it is shown; a text longer than `kLongestComment` is not checked.
constexpr std::uint64_t kLongestComment = 256 * 1024;
bool StoredCommentCorrupt(ChainSource& source, std::uint64_t at, std::uint64_t size,
                          std::uint32_t crc) {
    if (size > kLongestComment) return false;
    std::vector<unsigned char> text(static_cast<std::size_t>(size));
    return source.Read(at, text.data(), text.size()) == text.size() &&
           Crc32(text.data(), text.size()) != crc;
}

// The file headers met on the way, as the library's listing sums them.
struct EntryTotals {
    std::uint64_t entries = 0;
    std::int64_t unpacked = 0;
    // An entry whose size the library reports otherwise than the header
    // stores it (unknown, or a number not read as the walk reads it), or a
    // part of a split file: the sums do not stand for the listing.
    bool unlike = false;
    void Add(std::uint64_t size) {
        ++entries;
        constexpr auto kLargest = static_cast<std::uint64_t>(INT64_MAX);
        const std::uint64_t room = kLargest - static_cast<std::uint64_t>(unpacked);
        unpacked = size >= room ? INT64_MAX : unpacked + static_cast<std::int64_t>(size);
    }
};

// What the walk marks among the entries, by the names the library lists
// them under: kept older versions (the reference passes them over), and
// entries the library would decrypt with a key it never set.
struct EntryMarks {
    std::unordered_set<std::string> versioned, keyless;
};

// RAR 4 (and 1.5 to 3.x): HEAD_CRC(2) HEAD_TYPE(1) HEAD_FLAGS(2) HEAD_SIZE(2),
// then ADD_SIZE(4) where the flags carry 0x8000; file and service blocks
// carry PACK_SIZE there, and HIGH_PACK_SIZE at 32 with flag 0x100.
ChainWalk WalkRar4(ChainSource& source, std::uint64_t size, ChainWalk walk,
                   std::uint64_t blockLimit, EntryMarks* marks, EntryTotals* totals) {
    constexpr unsigned kMain = 0x73, kFile = 0x74, kOldAv = 0x76, kOldSub = 0x77, kSign = 0x79,
                       kService = 0x7A, kEnd = 0x7B, kOldComment = 0x75,
                       kOldUnixOwner = 0x101;
    std::vector<unsigned char> header(0x10000);
    std::uint64_t pos = walk.signatureAt + sizeof kRar4Signature;
    bool commentSeen = false, solid = false;
    for (;; ++walk.blocks) {
        walk.verdict = ChainVerdict::Whole;
        if (walk.blocks == blockLimit) return walk;
        walk.verdict = ChainVerdict::Damaged;
        if (pos == size) {
            // An old archive without an end block, or one cut at a block
            // boundary: whole, once its main header was read.
            if (walk.mainSeen) walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        const std::uint64_t left = size - pos;
        if (left < 7 || source.Read(pos, header.data(), 7) < 7) return walk;
        const unsigned type = header[2], flags = Le16(&header[3]), headSize = Le16(&header[5]);
        if (headSize < 7 || headSize > left) return walk;
        if (source.Read(pos + 7, header.data() + 7, headSize - 7) < headSize - 7) return walk;
        // The library reads a field past a short header as 0.
        if (headSize < 40) std::fill(header.begin() + headSize, header.begin() + 40, 0);
        // Old authenticity, signature and Unix owner blocks never had a
        // checksum that can be checked over the header alone.
        const bool unixOwner =
            type == kOldSub && headSize >= 13 && Le16(&header[11]) == kOldUnixOwner;
        // A RAR 1.5 to 2.x main header that holds the archive comment, and
        // the comment block inside it, are checked over their 13 fixed bytes.
        const bool commentInside = (type == kMain && (flags & 0x02)) || type == kOldComment;
        const unsigned checked = commentInside && headSize > 13 ? 13 : headSize;
        // A kept older version (flag 0x800) has its number in its name
        // already; a Unicode name's own form follows a NUL.
        const auto noteVersion = [&] {
            const std::size_t nameAt = flags & 0x100 ? 40 : 32;
            if (!marks || type != kFile || !(flags & 0x800) || nameAt > headSize) return;
            const std::size_t nameSize =
                std::min<std::size_t>(Le16(&header[26]), headSize - nameAt);
            const auto* name = reinterpret_cast<const char*>(&header[nameAt]);
            marks->versioned.emplace(name, ::strnlen(name, nameSize));
        };
        if (type != kOldAv && type != kSign && !unixOwner &&
            (Crc32(header.data() + 2, checked - 2) & 0xFFFF) != Le16(header.data())) {
            // The library takes a file header that fails its checksum as
            // it reads, an older version too.
            noteVersion();
            return walk;
        }
        if (type == kEnd && walk.mainSeen) {
            walk.endBlock = true;
            walk.nextVolume = flags & 0x0001;
            walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        if (type == kMain && !walk.mainSeen) {
            walk.mainSeen = true;
            walk.volume = flags & 0x0001;
            walk.oldNumbering = !(flags & 0x0010);
            solid = flags & 0x0008;
            // A comment inside the main header (RAR 1.5 to 2.x) is the only
            // one; stored, its checksum is never looked at.
            commentSeen = flags & 0x02;
        }
        if (type == kMain && (flags & 0x80)) {
            walk.verdict = ChainVerdict::Hidden;
            return walk;
        }
        std::uint64_t dataSize = 0;
        if (type == kFile || type == kService) {
            dataSize = Le32(&header[7]);
            if (flags & 0x100) dataSize |= static_cast<std::uint64_t>(Le32(&header[32])) << 32;
            const std::size_t nameAt = flags & 0x100 ? 40 : 32;
            // UNP_SIZE at 11, HIGH_UNP_SIZE at 36; all ones is "unknown".
            if (totals && type == kFile) {
                const std::uint32_t low = Le32(&header[11]);
                const std::uint32_t high = (flags & 0x100) ? Le32(&header[36]) : 0;
                // One before the main header the library never lists.
                const bool unknown =
                    low == 0xFFFFFFFF && ((flags & 0x100) == 0 || high == 0xFFFFFFFF);
                if (!walk.mainSeen || (flags & 0x03) || unknown)
                    totals->unlike = true;
                totals->Add(static_cast<std::uint64_t>(high) << 32 | low);
            }
            noteVersion();
            if (type == kService && !commentSeen && Le16(&header[26]) == 3 &&
                nameAt + 3 <= headSize && std::memcmp(&header[nameAt], "CMT", 3) == 0) {
                commentSeen = true;
                walk.commentCorrupt =
                    !(flags & 0x04) && header[25] == 0x30 && dataSize <= left - headSize &&
                    StoredCommentCorrupt(source, pos + headSize, dataSize, Le32(&header[16]));
            }
        } else if (flags & 0x8000) {
            dataSize = Le32(&header[7]);
        }
        // A folder's data area is not stepped over (RAR 1.5 marked folders
        // by their attributes), but a kept older version's where the
        // archive is not solid: as for RAR 5.
        if (type == kFile && walk.mainSeen &&
            ((flags & 0xE0) == 0xE0 || (header[24] < 20 && (header[28] & 0x10))) &&
            (solid || !(flags & 0x800))) {
            if (totals && dataSize != 0) totals->unlike = true;
            dataSize = 0;
        }
        if (type == kFile && walk.mainSeen && !walk.firstFileKnown) {
            walk.firstFileKnown = true;
            walk.firstFileGoesOn = flags & 0x02;
        }
        if (dataSize > left - headSize) return walk;
        // A file that goes on in the next volume: the library opens that
        // one after its data, and reads no more of this.
        if (type == kFile && (flags & 0x02) && walk.mainSeen) {
            walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        pos += headSize + dataSize;
    }
}

// A RAR 5 header's numbers as the library reads them: over the whole header,
// not one record of it; a number that runs past the header or past ten bytes
// reads as 0, the bytes read so far consumed.
struct LibraryNumbers {
    const unsigned char* data;
    std::size_t size, at;
    std::size_t Left() const { return size - at; }
    std::uint64_t Next() {
        std::uint64_t value = 0;
        for (unsigned shift = 0; at < size && shift < 64; shift += 7) {
            const unsigned char b = data[at++];
            value += static_cast<std::uint64_t>(b & 0x7F) << shift;
            if (!(b & 0x80)) return value;
        }
        return 0;
    }
};

// Calls `visit(type, numbers, end)` for each record of a RAR 5 header's
// extra area, as the library walks them: records from `total - extraSize`
// on, none where that lies before `after` (where the header's own fields
// end); numbers are read over the whole header, not the record. `visit`
// returns false to stop.
template <typename Visit>
void ForEachRecord(const unsigned char* header, std::size_t total, std::size_t after,
                   std::size_t extraSize, Visit visit) {
    if (extraSize > total || total - extraSize < after) return;
    LibraryNumbers r{header, total, total - extraSize};
    while (r.Left() >= 2) {
        const auto recordSize = static_cast<std::int64_t>(r.Next());
        if (recordSize <= 0 || r.Left() == 0 || recordSize > static_cast<std::int64_t>(r.Left()))
            break;
        const std::size_t next = r.at + static_cast<std::size_t>(recordSize);
        const std::uint64_t type = r.Next();
        if (next < r.at) break;
        if (!visit(type, r, next)) return;
        r.at = next;
    }
}

// Whether the library crashes on reading this main header (`total` bytes
// from its checksum on), whatever its checksum: it reads the extra area's
// metadata record and indexes the archive's name before looking at its
// size, so a record that asks for a name whose size reads as 0 (an empty
// name, or the number missing) kills it. Records are followed exactly as the
// library follows them.
bool MainHeaderCrashesLibrary(const unsigned char* header, std::size_t total) {
    LibraryNumbers r{header, total, 4};
    r.Next();  // header size
    r.Next();  // type
    const auto flags = static_cast<std::uint32_t>(r.Next());
    std::uint64_t extraSize = 0;
    if (flags & 1) {
        extraSize = r.Next();
        if (extraSize >= total) return false;  // refused as broken first
    }
    if (flags & 2) r.Next();
    if (static_cast<std::uint32_t>(r.Next()) & 2) r.Next();  // volume number
    constexpr std::uint64_t kMetadata = 2;
    bool crashes = false;
    ForEachRecord(header, total, r.at, static_cast<std::size_t>(extraSize),
                  [&](std::uint64_t type, LibraryNumbers& record, std::size_t) {
                      crashes = type == kMetadata &&
                                (static_cast<std::uint32_t>(record.Next()) & 1) &&
                                record.Next() == 0;
                      return !crashes;
                  });
    return crashes;
}

// The main header's extra records. The locator names where the quick-open
// block lies (`quickOpenAt`, 0 for none): the library reads it on opening,
// and fails an archive without a sound block there (a file that ends
// before it is cut even at a block boundary).
void ReadMainExtra(const unsigned char* extra, std::size_t extraSize, std::uint64_t mainAt,
                   std::uint64_t& quickOpenAt) {
    constexpr std::uint64_t kLocator = 1;
    std::size_t at = 0;
    while (at < extraSize) {
        std::uint64_t recordSize = 0, type = 0, flags = 0, value = 0;
        if (!ReadVint(extra, extraSize, at, recordSize) || recordSize > extraSize - at) break;
        const std::size_t recordEnd = at + static_cast<std::size_t>(recordSize);
        if (ReadVint(extra, recordEnd, at, type) && ReadVint(extra, recordEnd, at, flags) &&
            (flags & 1) && type == kLocator && ReadVint(extra, recordEnd, at, value) && value != 0)
            quickOpenAt = value > UINT64_MAX - mainAt ? UINT64_MAX : mainAt + value;
        at = recordEnd;
    }
}

// What a RAR 5 file or service header's extra area says (the header's
// fields from `at`), read as the library reads it: a kept older version's
// number (0 for none; the library lists it as "name;N"), and whether an
// encryption record names an encryption the library does not know, a later
// version or a key derivation longer than it allows (it warns of that as it
// reads the header, and `unrar x` fails the archive).
struct Rar5Records {
    std::uint32_t version = 0;
    bool unknownEncryption = false;
    std::size_t nameAt = 0, nameSize = 0;
    // The entry's data is encrypted: with the key of `salt` and `count`,
    // from the initial vector `iv` (bytes past the header read as 0); flag 2
    // of `cryptFlags` says its checksum is turned by the key too.
    bool encrypted = false;
    std::uint32_t cryptFlags = 0;
    unsigned count = 0;
    std::array<unsigned char, 16> salt{}, iv{};
    // A key derivation longer than the library allows, with nothing that
    // makes the library refuse the entry before decrypting it: it decrypts
    // with a key it never set, and may crash.
    bool keyless = false;
};

// A stored RAR 5 name as the library decodes it: up to a NUL or the first
// byte that neither starts nor continues a character as it expects; a
// character past U+10FFFF is left out.
std::string LibraryDecodedName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (c == 0 || n == 0 || n > name.size() - i) break;
        std::uint32_t code = n == 1 ? c : c & (0x7F >> n);
        bool whole = true;
        for (std::size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(name[i + k]);
            whole = whole && (b & 0xC0) == 0x80;
            code = code << 6 | (b & 0x3F);
        }
        if (!whole) break;
        if (code <= 0x10FFFF) out.append(name, i, n);
        i += n;
    }
    return out;
}

// Where a RAR 5 file or service header's name lies (its fields from `at`),
// read as the library reads it: `nameAt`, `nameSize` bytes; the library reads
// on from the returned offset.
std::size_t Rar5Name(const unsigned char* header, std::size_t total, std::size_t at,
                     std::size_t& nameAt, std::size_t& nameSize) {
    LibraryNumbers r{header, total, at};
    const std::uint64_t fileFlags = r.Next();
    r.Next();  // unpacked size
    r.Next();  // attributes
    const std::size_t fixed = ((fileFlags & 2) ? 4 : 0) + ((fileFlags & 4) ? 4 : 0);
    r.at = fixed > r.Left() ? total : r.at + fixed;
    r.Next();  // compression
    r.Next();  // host
    const std::uint64_t size = r.Next();
    nameAt = r.at;
    nameSize = size > r.Left() ? r.Left() : static_cast<std::size_t>(size);
    return size > r.Left() ? total : r.at + nameSize;
}

Rar5Records ReadRar5Records(const unsigned char* header, std::size_t total, std::size_t at,
                            std::size_t extraSize) {
    constexpr std::uint64_t kCryptRecord = 1, kVersionRecord = 4;
    Rar5Records records;
    const std::size_t after = Rar5Name(header, total, at, records.nameAt, records.nameSize);
    ForEachRecord(header, total, after, extraSize,
                  [&](std::uint64_t type, LibraryNumbers& r, std::size_t next) {
                      if (type == kVersionRecord && next > r.at) {
                          r.Next();  // flags
                          records.version = static_cast<std::uint32_t>(r.Next());
                      } else if (type == kCryptRecord) {
                          if (static_cast<std::uint32_t>(r.Next()) > 0) {
                              records.unknownEncryption = true;
                          } else {
                              records.cryptFlags = static_cast<std::uint32_t>(r.Next());
                              records.unknownEncryption =
                                  records.unknownEncryption ||
                                  (r.at < total && header[r.at] > kLongestKeyDerivation);
                              // The count, the salt and the initial vector.
                              records.encrypted = true;
                              const auto byte = [&](std::size_t i) {
                                  return r.at + i < total ? header[r.at + i] : 0;
                              };
                              records.count = byte(0);
                              for (std::size_t i = 0; i < 16; ++i) {
                                  records.salt[i] = byte(1 + i);
                                  records.iv[i] = byte(17 + i);
                              }
                              // The library sets no key for a longer
                              // derivation, and decrypts with none unless a
                              // password check value (whose own checksum
                              // holds, and not zero) makes it refuse first.
                              if (records.count > kLongestKeyDerivation) {
                                  unsigned char check[12];
                                  for (std::size_t i = 0; i < 12; ++i) check[i] = byte(33 + i);
                                  const bool usableCheck =
                                      (records.cryptFlags & 1) &&
                                      std::memcmp(Sha256(check, 8).data(), check + 8, 4) == 0 &&
                                      std::any_of(check, check + 8,
                                                  [](unsigned char c) { return c != 0; });
                                  records.keyless = !usableCheck;
                              }
                          }
                      }
                      return true;
                  });
    return records;
}

// Notes in `marks` a RAR 5 file header (header flags `flags`) by the name
// the library lists it under: a kept older version, or an entry it would
// decrypt with no key (but not the part of a file begun in an earlier
// volume, which goes on with the key of its first part).
void NoteEntry(const unsigned char* header, std::uint64_t flags, const Rar5Records& records,
               EntryMarks& marks) {
    const bool keyless = records.keyless && !(flags & 0x0008);
    if (records.version == 0 && !keyless) return;
    std::string name = LibraryDecodedName(
        std::string(reinterpret_cast<const char*>(header + records.nameAt), records.nameSize));
    if (records.version != 0) {
        name += ";" + std::to_string(records.version);
        marks.versioned.insert(name);
    }
    if (keyless) marks.keyless.insert(name);
}

// The quick-open copy of headers that a RAR 5 main header's locator may
// name: a service block "QO" whose data holds, each with its own checksum,
// copies of headers and how far before the block each lies. Once the
// library has loaded it, it reads headers through it: a read that lies
// wholly inside the copied header it has reached comes from the copy, any
// other from the file. It takes the copies in order, each read first moving
// past those that end at or before it; a copy whose checksum fails is used
// up without being taken, and one of no size turns the copy off. So a
// header broken in the file but copied whole is never seen broken.
class QuickOpenSource : public ChainSource {
public:
    explicit QuickOpenSource(ChainSource& file) : file_(file) {}

    // Takes the copies from the QO block at `blockAt`, whose data holds
    // them (as read, decrypted where the block is encrypted).
    void Load(std::uint64_t blockAt, const std::vector<unsigned char>& data) {
        constexpr std::uint64_t kLongestHeader = 2 * 1024 * 1024;
        Clear();
        for (std::size_t at = 0; data.size() - at >= 7;) {
            std::size_t sizeBytes = 0;
            while (sizeBytes < 3 && (data[at + 4 + sizeBytes] & 0x80)) ++sizeBytes;
            LibraryNumbers first{data.data() + at, 7, 4};
            const std::uint64_t blockSize = first.Next();
            if (sizeBytes == 3 || blockSize == 0 || blockSize + sizeBytes + 1 < 3) {
                items_.push_back({Item::Off, 0, {}});
                break;
            }
            const std::uint64_t total = 4 + sizeBytes + 1 + blockSize;
            if (total > data.size() - at) break;  // the copy ends here
            const unsigned char* raw = data.data() + at;
            at += static_cast<std::size_t>(total);
            if (Crc32(raw + 4, static_cast<std::size_t>(total) - 4) != Le32(raw)) {
                items_.push_back({Item::Broken, 0, {}});
                continue;
            }
            LibraryNumbers body{raw, static_cast<std::size_t>(total), 4 + sizeBytes + 1};
            body.Next();  // flags
            const std::uint64_t offset = body.Next(), headerSize = body.Next();
            if (headerSize > kLongestHeader) {
                items_.push_back({Item::Broken, 0, {}});
                continue;
            }
            std::vector<unsigned char> header(static_cast<std::size_t>(headerSize), 0);
            const std::size_t copied = std::min<std::size_t>(header.size(), body.Left());
            if (copied > 0) std::memcpy(header.data(), raw + body.at, copied);
            items_.push_back({Item::Copy, blockAt - offset, std::move(header)});
        }
        on_ = true;
    }

    // No copy: every read from the file.
    void Clear() {
        items_.clear();
        next_ = 0;
        currentAt_ = 0;
        current_ = nullptr;
        on_ = false;
    }

    std::uint64_t Size() const override { return file_.Size(); }
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t size) override {
        const auto currentEnd = [&] { return currentAt_ + (current_ ? current_->size() : 0); };
        while (on_ && currentEnd() <= offset && next_ < items_.size()) {
            const Item& item = items_[next_++];
            if (item.kind == Item::Off) on_ = false;
            if (item.kind != Item::Copy) break;
            currentAt_ = item.at;
            current_ = &item.header;
        }
        if (on_ && current_ && offset >= currentAt_ && offset - currentAt_ <= current_->size() &&
            size <= current_->size() - (offset - currentAt_)) {
            std::memcpy(buffer, current_->data() + (offset - currentAt_), size);
            return size;
        }
        return file_.Read(offset, buffer, size);
    }

private:
    struct Item {
        enum Kind { Copy, Broken, Off } kind;
        std::uint64_t at;
        std::vector<unsigned char> header;
    };
    ChainSource& file_;
    std::vector<Item> items_;
    std::size_t next_ = 0;
    std::uint64_t currentAt_ = 0;
    const std::vector<unsigned char>* current_ = nullptr;
    bool on_ = false;
};

// A RAR 5 header at `pos`, read whole into `header` (`total` bytes). False
// when it cannot: cut, or a size of no bytes or of more than three. Read
// `asLibrary`, the first 7 bytes come first, then the rest, as the library
// reads them (a quick-open copy serves each read whole or not at all);
// otherwise most headers come in one read.
bool ReadRar5Header(ChainSource& source, std::uint64_t pos, std::uint64_t size,
                    std::vector<unsigned char>& header, std::size_t& total, bool asLibrary) {
    constexpr std::uint64_t kLongestHeader = 2 * 1024 * 1024;
    if (pos >= size) return false;
    const std::uint64_t left = size - pos;
    const std::size_t most = asLibrary || header.size() < 256 ? 7 : 256;
    const std::size_t first = left < most ? static_cast<std::size_t>(left) : most;
    if (source.Read(pos, header.data(), first) < first) return false;
    std::size_t at = 4;
    std::uint64_t headSize = 0;
    if (first < 5 || !ReadVint(header.data(), first, at, headSize, 3)) return false;
    if (headSize == 0 || headSize > kLongestHeader || headSize > left - at) return false;
    total = at + static_cast<std::size_t>(headSize);
    if (header.size() < total) header.resize(total);
    return total <= first ||
           source.Read(pos + first, header.data() + first, total - first) == total - first;
}

// The volumes of a set share their salt: the key, some milliseconds of
// hashing, is derived once for all of them. Shared by all threads, never freed.
HeaderKey CachedHeaderKey(const std::string& password, const unsigned char* salt, unsigned count) {
    struct Last {
        std::string password, salt;
        unsigned count = 0;
        HeaderKey key;
    };
    static Last& last = *new Last;
    static std::mutex& guard = *new std::mutex;
    const std::string saltBytes(reinterpret_cast<const char*>(salt), 16);
    {
        std::lock_guard<std::mutex> lock(guard);
        if (last.count == count && last.salt == saltBytes && last.password == password)
            return last.key;
    }
    const HeaderKey key = DeriveHeaderKey(password, salt, 16, std::uint32_t{1} << count);
    std::lock_guard<std::mutex> lock(guard);
    last = {password, saltBytes, count, key};
    return key;
}

// The key of `password` for the headers that follow a RAR 5 encryption
// header (`total` bytes): none where that header names a key derivation
// longer than the library allows, or where its check value, when its own
// checksum holds, refuses the password. The walk can then tell nothing.
std::optional<Aes256Decryptor> HeaderDecryptor(const unsigned char* header, std::size_t total,
                                               const std::string& password) {
    LibraryNumbers r{header, total, 4};
    r.Next();  // header size
    r.Next();  // type
    const std::uint64_t flags = r.Next();
    if (flags & 1) r.Next();
    if (flags & 2) r.Next();
    r.Next();  // version
    const std::uint64_t encryptionFlags = r.Next();
    if (r.Left() < 1 + 16 || header[r.at] > kLongestKeyDerivation) return std::nullopt;
    const unsigned char* salt = header + r.at + 1;
    const HeaderKey key = CachedHeaderKey(password, salt, header[r.at]);
    const unsigned char* check = salt + 16;
    if ((encryptionFlags & 1) && r.Left() >= 1 + 16 + 12 &&
        std::memcmp(Sha256(check, 8).data(), check + 8, 4) == 0 &&
        std::memcmp(key.check.data(), check, 8) != 0)
        return std::nullopt;
    return Aes256Decryptor(key.key);
}

// How a RAR 5 header at `pos` reads: into `header`, `total` bytes from its
// checksum on, taking `span` bytes of the file. With `aes` the headers are
// encrypted: 16 bytes of initial vector, then the header padded to whole
// AES blocks, read as the library reads them (the vector, the first block,
// the rest). The library reports by itself an encrypted header whose size
// does not decrypt to one it takes, or that fails its checksum, or that the
// file cuts after its first block; a file that ends before or right after
// that block it takes for an end.
enum class HeaderRead { Sound, BadChecksum, Cut, Unsized, LibraryReports };
HeaderRead ReadHeaderAt(ChainSource& source, std::uint64_t pos, std::uint64_t size,
                        const Aes256Decryptor* aes, std::vector<unsigned char>& header,
                        std::size_t& total, std::uint64_t& span, bool asLibrary = true) {
    if (!aes) {
        if (!ReadRar5Header(source, pos, size, header, total, asLibrary)) return HeaderRead::Cut;
        span = total;
        return Crc32(header.data() + 4, total - 4) == Le32(header.data()) ? HeaderRead::Sound
                                                                          : HeaderRead::BadChecksum;
    }
    unsigned char chain[16];
    if (header.size() < 32) header.resize(32);
    if (pos > size || size - pos < 32 || source.Read(pos, chain, 16) != 16 ||
        source.Read(pos + 16, header.data(), 16) != 16)
        return HeaderRead::Cut;
    aes->DecryptCbc(header.data(), 16, chain);
    std::size_t at = 4;
    std::uint64_t blockSize = 0;
    if (!ReadVint(header.data(), 16, at, blockSize, 3) || blockSize == 0)
        return HeaderRead::Unsized;
    total = at + static_cast<std::size_t>(blockSize);
    const std::size_t padded = (total + 15) & ~std::size_t{15};
    if (padded > size - pos - 16)
        return size - pos > 32 ? HeaderRead::LibraryReports : HeaderRead::Cut;
    if (header.size() < padded) header.resize(padded);
    if (source.Read(pos + 32, header.data() + 16, padded - 16) != padded - 16)
        return HeaderRead::Cut;
    aes->DecryptCbc(header.data() + 16, padded - 16, chain);
    span = 16 + padded;
    return Crc32(header.data() + 4, total - 4) == Le32(header.data()) ? HeaderRead::Sound
                                                                      : HeaderRead::LibraryReports;
}

// The data of an encrypted entry (with its header's `records`), read as
// the library reads it: `size` bytes from `at` (fewer where the file ends),
// their whole AES blocks decrypted with the key of `password`.
std::vector<unsigned char> ReadDecrypted(ChainSource& source, std::uint64_t at, std::size_t size,
                                         const Rar5Records& records, const std::string& password) {
    if (records.count > kLongestKeyDerivation) return {};
    std::vector<unsigned char> data(size);
    data.resize(source.Read(at, data.data(), data.size()));
    const HeaderKey key = CachedHeaderKey(password, records.salt.data(), records.count);
    unsigned char chain[16];
    std::memcpy(chain, records.iv.data(), 16);
    Aes256Decryptor(key.key).DecryptCbc(data.data(), data.size() & ~std::size_t{15}, chain);
    return data;
}

// The library decrypts the quick-open block with the password it has,
// without looking at a check value: with a key derivation longer than it
// allows, with a key it never set.
bool QuickOpenKeyless(const Rar5Records& records) {
    return records.encrypted && records.count > kLongestKeyDerivation;
}

// The block a main header's quick-open locator names: the library reads it
// on opening as any header (decrypted with `aes`), a main header too,
// whatever its checksum, and decrypts the data of a quick-open block.
bool QuickOpenCrashesLibrary(ChainSource& source, std::uint64_t size, const unsigned char* main,
                             std::size_t total, std::uint64_t extraSize, std::uint64_t mainAt,
                             const Aes256Decryptor* aes) {
    constexpr std::uint64_t kMain = 1, kService = 3;
    std::uint64_t quickOpenAt = 0;
    ReadMainExtra(main + total - extraSize, static_cast<std::size_t>(extraSize), mainAt,
                  quickOpenAt);
    std::vector<unsigned char> header(256);
    std::size_t headerTotal = 0;
    std::uint64_t span = 0;
    if (quickOpenAt == 0) return false;
    const HeaderRead read = ReadHeaderAt(source, quickOpenAt, size, aes, header, headerTotal, span);
    if (read != HeaderRead::Sound && read != HeaderRead::BadChecksum) return false;
    LibraryNumbers r{header.data(), headerTotal, 4};
    r.Next();  // header size
    const std::uint64_t type = r.Next();
    if (type == kMain) return MainHeaderCrashesLibrary(header.data(), headerTotal);
    const auto flags = static_cast<std::uint32_t>(r.Next());
    const std::uint64_t blockExtra = (flags & 1) ? r.Next() : 0;
    if (flags & 2) r.Next();
    if (type != kService || !(flags & 1) || blockExtra >= headerTotal ||
        blockExtra > headerTotal - r.at)
        return false;
    const Rar5Records records =
        ReadRar5Records(header.data(), headerTotal, r.at, static_cast<std::size_t>(blockExtra));
    return records.nameSize == 2 && std::memcmp(&header[records.nameAt], "QO", 2) == 0 &&
           QuickOpenKeyless(records);
}

// Follows a RAR 5 chain the way the library reads it while opening and
// listing, and says whether it reaches a header the library crashes on: a
// main header, there or at the quick-open block it names, or an entry it
// would decrypt with no key. Opening reads blocks up to the first main
// header (any kind before it, also past an end block); both read every
// header that fails its checksum as if it held, the first main header too.
// A header opening cannot read ends it, and listing goes on right after the
// bytes read of it; listing stops at an end block, a header it cannot read,
// or a next block that is not further on. On the way it notes, in
// `marks`, the kept older versions and the entries it would decrypt with
// no key among the file headers it reads: the library takes them so also
// past damage. Headers after an encryption
// header it reads only with `password`: there an encrypted header whose
// checksum fails ends all reading.
bool Rar5ListingCrashesLibrary(ChainSource& source, std::uint64_t size, std::uint64_t pos,
                               EntryMarks* marks, const std::string* password = nullptr) {
    constexpr std::uint64_t kMain = 1, kFile = 2, kService = 3, kEncryption = 4, kEnd = 5;
    std::vector<unsigned char> header(256);
    std::optional<Aes256Decryptor> headerKey;
    bool opened = false, listing = false;
    // A header that cannot be read: `consumed` bytes of it were.
    const auto unreadable = [&](std::uint64_t consumed) {
        if (opened || listing) return false;
        listing = true;
        pos += consumed;
        return true;
    };
    while (pos < size && size - pos >= 7) {
        std::size_t total = 0;
        std::uint64_t span = 0;
        if (headerKey) {
            switch (ReadHeaderAt(source, pos, size, &*headerKey, header, total, span)) {
                case HeaderRead::Sound:
                    break;
                case HeaderRead::Unsized:
                    if (unreadable(32)) continue;
                    return false;
                default:
                    return false;
            }
        } else {
            if (source.Read(pos, header.data(), 7) < 7) return false;
            LibraryNumbers first{header.data(), 7, 4};
            std::size_t sizeBytes = 0;
            while (4 + sizeBytes < 7 && (header[4 + sizeBytes] & 0x80)) ++sizeBytes;
            if (4 + sizeBytes == 7) {
                if (unreadable(7)) continue;
                return false;
            }
            const std::uint64_t blockSize = first.Next();
            if (blockSize == 0 || blockSize + sizeBytes + 1 < 3) {
                if (unreadable(7)) continue;
                return false;
            }
            const std::uint64_t whole = 4 + sizeBytes + 1 + blockSize;
            if (whole > size - pos) return false;
            if (header.size() < whole) header.resize(static_cast<std::size_t>(whole));
            if (source.Read(pos + 7, header.data() + 7, whole - 7) < whole - 7) return false;
            total = static_cast<std::size_t>(whole);
            span = whole;
        }
        LibraryNumbers r{header.data(), total, 4};
        r.Next();  // header size
        const auto type = static_cast<std::uint32_t>(r.Next());
        const auto flags = static_cast<std::uint32_t>(r.Next());
        const std::uint64_t extraSize = (flags & 1) ? r.Next() : 0;
        if (extraSize >= total) {
            if (unreadable(span)) continue;
            return false;
        }
        const std::uint64_t dataSize = (flags & 2) ? r.Next() : 0;
        if (type == kEncryption) {
            if (!password || headerKey) return false;
            headerKey = HeaderDecryptor(header.data(), total, *password);
            if (!headerKey) return false;
            pos += span;
            continue;
        }
        if ((type == kFile || type == kService) && (opened || listing) && (flags & 1) &&
            extraSize <= total - r.at) {
            const Rar5Records records =
                ReadRar5Records(header.data(), total, r.at, static_cast<std::size_t>(extraSize));
            if (type == kService && records.keyless) return true;
            if (marks && type == kFile) NoteEntry(header.data(), flags, records, *marks);
        }
        if (type == kMain) {
            if (MainHeaderCrashesLibrary(header.data(), total) ||
                ((flags & 1) &&
                 QuickOpenCrashesLibrary(source, size, header.data(), total, extraSize, pos,
                                         headerKey ? &*headerKey : nullptr)))
                return true;
            opened = true;
        }
        if (type == kEnd && (opened || listing)) return false;
        if (dataSize > UINT64_MAX - pos - span) {
            if (unreadable(span)) continue;
            return false;
        }
        pos += span + dataSize;
    }
    return false;
}

// The quick-open block the main header's locator names (`at`), read from the
// file as the library reads it on opening (decrypted with `aes`, its data
// with the key of `password`): loaded into `copy` when it is one; false when
// no sound header lies there (the library reports it broken). An encryption
// record the library does not know it warns of, as in any header; one it
// cannot decrypt it crashes on (libraryCrashes).
bool LoadQuickOpen(ChainSource& file, std::uint64_t at, QuickOpenSource& copy,
                   const Aes256Decryptor* aes, const std::string* password, ChainWalk& walk) {
    constexpr std::uint64_t kService = 3;
    constexpr std::uint64_t kLongestCopy = 64 * 1024 * 1024;  // beyond: the file alone
    copy.Clear();
    std::vector<unsigned char> header(256);
    std::size_t total = 0;
    std::uint64_t span = 0;
    if (ReadHeaderAt(file, at, file.Size(), aes, header, total, span) != HeaderRead::Sound)
        return false;
    std::size_t p = 4;
    std::uint64_t headSize = 0, type = 0, flags = 0, extraSize = 0, dataSize = 0;
    if (!ReadVint(header.data(), total, p, headSize) || !ReadVint(header.data(), total, p, type) ||
        !ReadVint(header.data(), total, p, flags) ||
        ((flags & 1) && (!ReadVint(header.data(), total, p, extraSize) || extraSize >= headSize)) ||
        ((flags & 2) && !ReadVint(header.data(), total, p, dataSize)))
        return false;
    if (dataSize > UINT64_MAX - at - span) return false;
    const std::size_t fieldsAt = p;
    // File flags, unpacked size, attributes, time (flag 2), checksum (flag
    // 4), compression, host, name.
    std::uint64_t fileFlags = 0, unpacked = 0, value = 0, nameSize = 0;
    if (type != kService || !ReadVint(header.data(), total, p, fileFlags) ||
        !ReadVint(header.data(), total, p, unpacked) || !ReadVint(header.data(), total, p, value))
        return true;
    p += ((fileFlags & 2) ? 4 : 0) + ((fileFlags & 4) ? 4 : 0);
    if (p > total || !ReadVint(header.data(), total, p, value) ||
        !ReadVint(header.data(), total, p, value) ||
        !ReadVint(header.data(), total, p, nameSize) || nameSize != 2 || total - p < 2 ||
        std::memcmp(&header[p], "QO", 2) != 0)
        return true;
    const std::uint64_t dataAt = at + span;
    if (dataAt > file.Size() || unpacked > kLongestCopy) return true;
    const auto size = static_cast<std::size_t>(std::min(unpacked, file.Size() - dataAt));
    const Rar5Records records = (flags & 1) ? ReadRar5Records(header.data(), total, fieldsAt,
                                                              static_cast<std::size_t>(extraSize))
                                            : Rar5Records();
    walk.unknownEncryption = walk.unknownEncryption || records.unknownEncryption;
    walk.libraryCrashes = walk.libraryCrashes || QuickOpenKeyless(records);
    if (walk.libraryCrashes) return true;
    if (!records.encrypted) {
        std::vector<unsigned char> data(size);
        data.resize(file.Read(dataAt, data.data(), data.size()));
        copy.Load(at, data);
    } else if (password) {
        // An encrypted copy is read in whole AES blocks only.
        copy.Load(at, ReadDecrypted(file, dataAt, size & ~std::size_t{15}, records, *password));
    }
    return true;
}

// An encrypted stored comment, read as the library reads it: the whole AES
// blocks of its data decrypted, what they hold up to the unpacked size
// checked.
bool EncryptedCommentCorrupt(ChainSource& source, std::uint64_t at, std::uint64_t dataSize,
                             std::uint64_t unpacked, const Rar5Records& records,
                             const std::string& password, std::uint32_t crc) {
    if (unpacked > kLongestComment) return false;
    const auto size =
        static_cast<std::size_t>(std::min(dataSize, (unpacked + 15) & ~std::uint64_t{15}));
    const std::vector<unsigned char> text = ReadDecrypted(source, at, size, records, password);
    return text.size() == size &&
           Crc32(text.data(), std::min<std::size_t>(static_cast<std::size_t>(unpacked), size)) !=
               crc;
}

// RAR 5: CRC32(4), header size (vint, at most 3 bytes), type, flags, extra
// area size (flag 1), data size (flag 2); the checksum covers the header
// from its size on. Headers after an encryption header are followed only
// with a `password`, decrypted as the library decrypts them; without one
// the walk stops there (Hidden).
ChainWalk WalkRar5(ChainSource& source, std::uint64_t size, ChainWalk walk,
                   std::uint64_t blockLimit, EntryMarks* marks, EntryTotals* totals,
                   const std::string* password = nullptr) {
    constexpr std::uint64_t kMain = 1, kFile = 2, kEncryption = 4, kEnd = 5;
    std::vector<unsigned char> header(256);
    walk.rar5 = true;
    std::optional<Aes256Decryptor> headerKey;
    // Headers are read through the quick-open copy once a main header names
    // one; a locator that names no sound block there is damage.
    QuickOpenSource quickOpen(source);
    ChainSource* reader = &source;
    bool quickOpenSound = true, commentSeen = false, solid = false;
    constexpr std::uint64_t kService = 3;
    std::uint64_t pos = walk.signatureAt + sizeof kRar5Signature;
    for (;; ++walk.blocks) {
        walk.verdict = ChainVerdict::Whole;
        if (walk.blocks == blockLimit) return walk;
        walk.verdict = ChainVerdict::Damaged;
        if (pos == size) {
            if (walk.mainSeen && quickOpenSound) walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        const std::uint64_t left = size - pos;
        std::size_t total = 0;
        std::uint64_t span = 0;
        const HeaderRead read = ReadHeaderAt(*reader, pos, size, headerKey ? &*headerKey : nullptr,
                                             header, total, span, reader == &quickOpen);
        if (read == HeaderRead::Cut) return walk;
        if (read == HeaderRead::Unsized || read == HeaderRead::LibraryReports) {
            walk.verdict = ChainVerdict::Whole;
            walk.libraryReports = true;
            return walk;
        }
        const bool checked = read == HeaderRead::Sound;
        // Type and flags are 32-bit numbers to the library; a number that
        // runs past the header reads as 0 there, an extra area as large as
        // the header is broken.
        LibraryNumbers numbers{header.data(), total, 4};
        numbers.Next();  // header size, read above
        const std::uint64_t type = static_cast<std::uint32_t>(numbers.Next());
        const std::uint64_t flags = static_cast<std::uint32_t>(numbers.Next());
        const std::uint64_t extraSize = (flags & 1) ? numbers.Next() : 0;
        if (extraSize >= total) return walk;
        std::uint64_t dataSize = (flags & 2) ? numbers.Next() : 0;
        std::size_t at = numbers.at;
        Rar5Records records;
        if ((type == kFile || type == kService) && (flags & 1) && extraSize <= total - at)
            records = ReadRar5Records(header.data(), total, at, static_cast<std::size_t>(extraSize));
        if (!checked) {
            // The library takes a file header that fails its checksum as it
            // reads, an older version too.
            if (marks && type == kFile) NoteEntry(header.data(), flags, records, *marks);
            return walk;
        }
        if (type == kEncryption) {
            walk.verdict = ChainVerdict::Hidden;
            if (!password || headerKey) return walk;
            headerKey = HeaderDecryptor(header.data(), total, *password);
            if (!headerKey) return walk;
            pos += span;
            continue;
        }
        if (type == kMain && !walk.mainSeen) {
            walk.mainSeen = true;
            std::size_t archiveFlagsAt = at;
            std::uint64_t archiveFlags = 0;
            walk.volume = ReadVint(header.data(), total, archiveFlagsAt, archiveFlags) &&
                          (archiveFlags & 0x0001);
            solid = archiveFlags & 0x0004;
        }
        if (type == kMain && MainHeaderCrashesLibrary(header.data(), total)) {
            walk.libraryCrashes = true;
            return walk;
        }
        std::uint64_t quickOpenAt = 0;
        if (type == kMain && (flags & 1) && extraSize <= total - at)
            ReadMainExtra(header.data() + total - extraSize, extraSize, pos, quickOpenAt);
        if (quickOpenAt != 0) {
            quickOpenSound = LoadQuickOpen(source, quickOpenAt, quickOpen,
                                           headerKey ? &*headerKey : nullptr, password, walk) &&
                             quickOpenSound;
            if (walk.libraryCrashes) return walk;
            reader = &quickOpen;
        }
        // File flags (0x0008: size unknown), unpacked size; header flags
        // 0x0008 and 0x0010 mark the parts of a split file.
        if (totals && type == kFile) {
            std::size_t fileAt = at;
            std::uint64_t fileFlags = 0, unpacked = 0;
            if (!ReadVint(header.data(), total, fileAt, fileFlags) ||
                !ReadVint(header.data(), total, fileAt, unpacked) || (fileFlags & 0x0008) ||
                (flags & 0x0018) || !walk.mainSeen)
                totals->unlike = true;
            totals->Add(unpacked);
        }
        if (marks && type == kFile) NoteEntry(header.data(), flags, records, *marks);
        if (walk.mainSeen && records.unknownEncryption) walk.unknownEncryption = true;
        // A service block is read on opening, or along with files.
        if (walk.mainSeen && type == kService && records.keyless) {
            walk.libraryCrashes = true;
            return walk;
        }
        // A service block "CMT": file flags, unpacked size, attributes, time
        // (flag 2), checksum (flag 4), compression (method in bits 7 to 9),
        // host, name. An extra area may name its encryption.
        std::uint64_t fileFlags = 0, unpacked = 0, attributes = 0, compression = 0, host = 0,
                      nameSize = 0;
        if (type == kService && !commentSeen && walk.mainSeen &&
            ReadVint(header.data(), total, at, fileFlags) &&
            ReadVint(header.data(), total, at, unpacked) &&
            ReadVint(header.data(), total, at, attributes) && total - at >= 8 &&
            (at += (fileFlags & 2) ? 4 : 0, true)) {
            const std::size_t crcAt = at;
            at += (fileFlags & 4) ? 4 : 0;
            if (ReadVint(header.data(), total, at, compression) &&
                ReadVint(header.data(), total, at, host) &&
                ReadVint(header.data(), total, at, nameSize) && nameSize == 3 &&
                total - at >= 3 && std::memcmp(&header[at], "CMT", 3) == 0) {
                commentSeen = true;
                // The library stores what the data holds, up to the
                // unpacked size, and checks that; it refuses a size over
                // 16 MiB without looking. A checksum turned by the key
                // is its business.
                constexpr std::uint64_t kLargestComment = 0x1000000;
                const std::uint32_t crc = Le32(&header[crcAt]);
                walk.commentCorrupt =
                    (fileFlags & 4) && ((compression >> 7) & 7) == 0 &&
                    unpacked <= kLargestComment && dataSize <= left - span &&
                    (!(flags & 1) ? StoredCommentCorrupt(*reader, pos + span,
                                                         std::min(unpacked, dataSize), crc)
                                  : records.encrypted && password && !(records.cryptFlags & 2) &&
                                        EncryptedCommentCorrupt(*reader, pos + span, dataSize,
                                                                unpacked, records, *password, crc));
            }
        }
        if (type == kEnd && walk.mainSeen) {
            walk.endBlock = true;
            walk.nextVolume = LibraryNumbers{header.data(), total, at}.Next() & 0x0001;
            if (quickOpenSound) walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        // A folder's data area is not stepped over: extraction reads the
        // next header right after a folder's (opening steps over it), but
        // after one it passes over (a kept older version) where the archive
        // is not solid.
        if (type == kFile && walk.mainSeen &&
            (LibraryNumbers{header.data(), total, at}.Next() & 0x0001) &&
            (solid || records.version == 0)) {
            if (totals && dataSize != 0) totals->unlike = true;
            dataSize = 0;
        }
        if (type == kFile && walk.mainSeen && !walk.firstFileKnown) {
            walk.firstFileKnown = true;
            walk.firstFileGoesOn = flags & 0x0010;
        }
        if (dataSize > left - span) return walk;
        // After the data of a file that goes on in the next volume the
        // library opens that volume: what follows here it never reads.
        if (type == kFile && (flags & 0x0010) && walk.mainSeen) {
            if (quickOpenSound) walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        pos += span + dataSize;
    }
}

// Reads through a small window: consecutive headers of small entries lie
// close together, so most blocks cost no system call of their own.
class FileSource : public ChainSource {
public:
    explicit FileSource(platform::File& f) : file_(f) {
        const std::int64_t end = file_.size();
        size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    std::uint64_t Size() const override { return size_; }
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t size) override {
        if (size > window_.size() / 2) return ReadFile(offset, buffer, size);
        if (offset < windowAt_ || offset - windowAt_ + size > windowFill_) {
            windowAt_ = offset;
            windowFill_ = ReadFile(offset, window_.data(), window_.size());
        }
        const std::uint64_t skip = offset - windowAt_;
        if (skip >= windowFill_) return 0;
        const std::size_t n = windowFill_ - skip < size ? windowFill_ - skip : size;
        std::memcpy(buffer, window_.data() + skip, n);
        return n;
    }

private:
    std::size_t ReadFile(std::uint64_t offset, unsigned char* buffer, std::size_t size) {
        if (offset >= size_) return 0;
        std::size_t got = 0;
        while (got < size) {
            const long n =
                file_.readAt(offset + got, reinterpret_cast<char*>(buffer) + got, size - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }
    platform::File& file_;
    std::uint64_t size_ = 0;
    std::vector<unsigned char> window_ = std::vector<unsigned char>(16384);
    std::uint64_t windowAt_ = 0;
    std::size_t windowFill_ = 0;
};

}  // namespace

namespace {

ChainWalk Walk(ChainSource& source, std::uint64_t blockLimit, EntryMarks* marks = nullptr,
               EntryTotals* totals = nullptr, const std::string* password = nullptr) {
    ChainWalk walk;
    const std::uint64_t size = source.Size();
    bool rar5 = false;
    if (!FindSignature(source, size, walk.signatureAt, rar5)) return walk;
    return rar5 ? WalkRar5(source, size, walk, blockLimit, marks, totals, password)
                : WalkRar4(source, size, walk, blockLimit, marks, totals);
}

// Only a regular file is walked: a FIFO or a device is opened without
// waiting and left to the library's own answer. `identity` receives the
// file's device, file number, size and time, when it was walked.
ChainWalk WalkFile(const std::string& path, platform::FileIdentity* identity = nullptr,
                   bool* listingCrashes = nullptr, EntryMarks* marks = nullptr,
                   EntryTotals* totals = nullptr, const std::string* password = nullptr) {
    platform::File file = platform::File::OpenRegular(path);
    if (!file.valid()) return ChainWalk();
    if (identity) *identity = file.identity();
    FileSource source(file);
    ChainWalk walk = Walk(source, UINT64_MAX, marks, totals, password);
    if (listingCrashes)
        *listingCrashes =
            walk.libraryCrashes ||
            (walk.rar5 && Rar5ListingCrashesLibrary(source, source.Size(), walk.signatureAt + 8,
                                                    marks, password));
    return walk;
}

// What one walk of an archive file learnt, for every question asked of it.
struct KnownFile {
    ChainWalk walk;
    bool crashes = false;
    EntryMarks marks;
    EntryTotals totals;
    platform::FileIdentity identity;
};

// A run asks of the same archive, attempt after attempt, whether it is safe
// to open, a volume, whole, and which entries are older versions: a file
// unchanged since it was walked (same device, file number, size and time)
// is not walked again. Files that cannot be walked are not kept. An archive
// whose headers are encrypted is walked again with the password the
// library took, and kept so too.
// The memory is shared by all threads and never freed: MinGW runs the
// destructors of per-thread objects after their storage is gone.
std::shared_ptr<const KnownFile> WalkFileOnce(const std::string& path,
                                              const std::string* password = nullptr) {
    using Known = std::unordered_map<std::string,
                                     std::pair<platform::FileIdentity, std::shared_ptr<const KnownFile>>>;
    static Known& known = *new Known;
    static std::mutex& guard = *new std::mutex;
    const std::string key = password ? path + '\0' + *password : path;
    {
        std::lock_guard<std::mutex> lock(guard);
        const auto at = known.find(key);
        if (at != known.end() && platform::IdentityOf(path) == at->second.first)
            return at->second.second;
    }
    platform::FileIdentity identity;
    auto walked = std::make_shared<KnownFile>();
    walked->walk =
        WalkFile(path, &identity, &walked->crashes, &walked->marks, &walked->totals, password);
    walked->identity = identity;
    std::lock_guard<std::mutex> lock(guard);
    if (identity.file == 0) {
        known.erase(key);
        return std::make_shared<const KnownFile>();
    }
    // A volume set of hundreds of parts keeps no more than this.
    if (known.size() >= 64) known.clear();
    known[key] = {identity, walked};
    return walked;
}

// The walk of `path` that sees furthest: with `password` where its headers
// are encrypted.
std::shared_ptr<const KnownFile> WalkFurthest(const std::string& path,
                                              const std::string& password) {
    auto walked = WalkFileOnce(path);
    if (walked->walk.verdict == ChainVerdict::Hidden && !password.empty())
        walked = WalkFileOnce(path, &password);
    return walked;
}

}  // namespace

ChainWalk WalkBlockChain(ChainSource& source, std::uint64_t blockLimit) {
    return Walk(source, blockLimit);
}

ChainWalk WalkArchiveFile(const std::string& path, const std::string& password) {
    return WalkFile(path, nullptr, nullptr, nullptr, nullptr,
                    password.empty() ? nullptr : &password);
}

bool UnsafeForLibrary(const std::string& path) { return WalkFileOnce(path)->crashes; }

std::string LibraryNextVolumeName(std::string name, bool oldNumbering) {
    const auto digit = [&](std::size_t i) { return i < name.size() && name[i] >= '0' && name[i] <= '9'; };
    const std::size_t slash = name.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < base) {
        dot = name.size();
        name += ".rar";
    } else {
        std::string ext = name.substr(dot);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == "." || ext == ".exe" || ext == ".sfx") name.replace(dot, std::string::npos, ".rar");
    }
    if (oldNumbering) {
        if (!digit(dot + 2) || !digit(dot + 3)) return name.replace(dot + 2, std::string::npos, "00");
        for (std::size_t at = name.size() - 1; ++name[at] == '9' + 1; --at) {
            if (at == 0 || name[at - 1] == '.') {
                name[at] = 'a';  // .999 goes on as .a00
                break;
            }
            name[at] = '0';
        }
        return name;
    }
    // The volume number: the last digits of the name, or the first group of
    // digits after a dot in names like "name.part2of5.rar".
    std::size_t at = name.size() - 1;
    while (!digit(at) && at > base) --at;
    std::size_t number = at;
    while (digit(number) && number > base) --number;
    for (; number > base && name[number] != '.'; --number) {
        if (digit(number)) {
            const std::size_t firstDot = name.find('.', base);
            if (firstDot != std::string::npos && firstDot < number) at = number;
            break;
        }
    }
    // Not only digits count up: a volume flag without a number still moves on.
    while (++name[at] == '9' + 1) {
        name[at] = '0';
        if (at == 0 || !digit(at - 1)) {
            name.insert(at, 1, '1');  // part9 goes on as part10
            break;
        }
        --at;
    }
    return name;
}

bool LibraryCrashesOn(const std::string& path, const std::string& password) {
    return WalkFurthest(path, password)->crashes;
}

bool NextVolumeUnsafe(const std::string& volume, const std::string& password) {
    const ChainWalk walk = WalkFurthest(volume, password)->walk;
    // A main header not read whole may still say "volume" to the library.
    if (walk.verdict == ChainVerdict::NoSignature ||
        (!walk.volume && walk.mainSeen && walk.verdict != ChainVerdict::Hidden))
        return false;
    // The library tries the name of its numbering, then the other one.
    for (const bool old : {walk.oldNumbering, !walk.oldNumbering}) {
        const std::string next = LibraryNextVolumeName(volume, old);
        if (platform::IsSpecialFile(next)) return true;
        if (!platform::IsRegularFile(next)) continue;
        return LibraryCrashesOn(next, password);
    }
    return false;
}

std::string ExistingNextVolume(const std::string& volume) {
    const ChainWalk walk = WalkFileOnce(volume)->walk;
    for (const bool old : {walk.oldNumbering, !walk.oldNumbering}) {
        const std::string next = LibraryNextVolumeName(volume, old);
        if (!platform::IsRegularFile(next)) continue;
        const ChainWalk found = WalkFileOnce(next)->walk;
        const bool mayBeVolume =
            found.volume || (!found.mainSeen && found.verdict != ChainVerdict::NoSignature);
        return mayBeVolume ? next : std::string();
    }
    return std::string();
}

std::unordered_set<std::string> VersionedEntryNames(const std::string& path,
                                                    const std::string& password) {
    return WalkFurthest(path, password)->marks.versioned;
}

bool FirstFileGoesOn(const std::string& volume, const std::string& password) {
    const ChainWalk walk = WalkFurthest(volume, password)->walk;
    if (walk.firstFileKnown) return walk.firstFileGoesOn;
    return walk.verdict == ChainVerdict::Damaged || walk.verdict == ChainVerdict::Hidden ||
           walk.libraryReports;
}

ChainListing ListingFromChain(const std::string& path) {
    const auto file = WalkFileOnce(path);
    const ChainWalk& walk = file->walk;
    ChainListing listing;
    listing.complete = walk.verdict == ChainVerdict::Whole && walk.mainSeen && !walk.volume &&
                       !file->crashes && !file->totals.unlike && file->marks.versioned.empty() &&
                       file->marks.keyless.empty() && file->identity.file != 0;
    listing.entries = file->totals.entries;
    listing.unpacked = file->totals.unpacked;
    listing.identity = file->identity;
    return listing;
}

bool ArchiveFileWhole(const std::string& path, const std::string& password) {
    const ChainWalk walk = WalkFurthest(path, password)->walk;
    return walk.verdict != ChainVerdict::Damaged && !walk.unknownEncryption && !walk.commentCorrupt;
}

std::unordered_set<std::string> KeylessEntryNames(const std::string& path,
                                                  const std::string& password) {
    return WalkFurthest(path, password)->marks.keyless;
}

bool HeadersEncrypted(const std::string& path) {
    return WalkFileOnce(path)->walk.verdict == ChainVerdict::Hidden;
}

bool EndNamesNextVolume(const std::string& path, const std::string& password) {
    return WalkFurthest(path, password)->walk.nextVolume;
}

}  // namespace rardll
