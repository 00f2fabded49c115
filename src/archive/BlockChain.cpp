#include "archive/BlockChain.h"


#include <cstdio>
#include <cstring>
#include <vector>

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

// Where the library finds the archive: its signature at the start, or the
// first one within the search limit (a self-extractor's program before it).
bool FindSignature(ChainSource& source, std::uint64_t size, std::uint64_t& at, bool& rar5) {
    unsigned char head[sizeof kRar5Signature] = {};
    const std::size_t headSize = source.Read(0, head, sizeof head);
    if (headSize >= sizeof kRar4Signature && std::memcmp(head, kRar4Signature, 7) == 0) {
        at = 0;
        rar5 = false;
        return true;
    }
    if (headSize == sizeof head && std::memcmp(head, kRar5Signature, sizeof head) == 0) {
        at = 0;
        rar5 = true;
        return true;
    }
    std::vector<unsigned char> chunk(64 * 1024);
    const std::uint64_t limit = size < kSignatureSearchLimit ? size : kSignatureSearchLimit;
    for (std::uint64_t from = 0; from < limit;) {
        const std::size_t got = source.Read(from, chunk.data(), chunk.size());
        if (got < sizeof kRar4Signature) return false;
        if (from == 0 && std::memcmp(chunk.data(), "RE~^", 4) == 0) return false;
        for (std::size_t i = 0; i + sizeof kRar4Signature <= got && from + i < limit; ++i) {
            if (chunk[i] != 'R' || std::memcmp(&chunk[i], kRar4Signature, 6) != 0) continue;
            if (chunk[i + 6] > 0x01 && chunk[i + 6] < 0x05) return false;  // a later format
            if (chunk[i + 6] == 0x00) {
                at = from + i;
                rar5 = false;
                return true;
            }
            if (chunk[i + 6] == 0x01 && i + sizeof kRar5Signature <= got && chunk[i + 7] == 0x00) {
                at = from + i;
                rar5 = true;
                return true;
            }
        }
        if (got < chunk.size()) return false;
        from += got - sizeof kRar5Signature;  // a signature across the chunk edge
    }
    return false;
}

// RAR 4 (and 1.5 to 3.x): HEAD_CRC(2) HEAD_TYPE(1) HEAD_FLAGS(2) HEAD_SIZE(2),
// then ADD_SIZE(4) where the flags carry 0x8000; file and service blocks
// carry PACK_SIZE there, and HIGH_PACK_SIZE at 32 with flag 0x100.
ChainWalk WalkRar4(ChainSource& source, std::uint64_t size, ChainWalk walk,
                   std::uint64_t blockLimit) {
    constexpr unsigned kMain = 0x73, kFile = 0x74, kOldAv = 0x76, kOldSub = 0x77, kSign = 0x79,
                       kService = 0x7A, kEnd = 0x7B, kOldUnixOwner = 0x101;
    std::vector<unsigned char> header(0x10000);
    std::uint64_t pos = walk.signatureAt + sizeof kRar4Signature;
    for (;; ++walk.blocks) {
        walk.verdict = ChainVerdict::Whole;
        if (walk.blocks == blockLimit) return walk;
        walk.verdict = ChainVerdict::Damaged;
        if (pos == size) {
            // An old archive without an end block, or one cut at a block
            // boundary: whole, once its main header was read.
            if (walk.blocks > 0) walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        const std::uint64_t left = size - pos;
        if (left < 7 || source.Read(pos, header.data(), 7) < 7) return walk;
        const unsigned type = header[2], flags = Le16(&header[3]), headSize = Le16(&header[5]);
        if (headSize < 7 || headSize > left) return walk;
        if (walk.blocks == 0 && type != kMain) return walk;
        if (source.Read(pos + 7, header.data() + 7, headSize - 7) < headSize - 7) return walk;
        // Old authenticity, signature and Unix owner blocks never had a
        // checksum that can be checked over the header alone.
        const bool unixOwner =
            type == kOldSub && headSize >= 13 && Le16(&header[11]) == kOldUnixOwner;
        if (type != kOldAv && type != kSign && !unixOwner &&
            (Crc32(header.data() + 2, headSize - 2) & 0xFFFF) != Le16(header.data()))
            return walk;
        if (type == kEnd) {
            walk.endBlock = true;
            walk.verdict = ChainVerdict::Whole;
            return walk;
        }
        if (type == kMain && (flags & 0x80)) {
            walk.verdict = ChainVerdict::Hidden;
            return walk;
        }
        std::uint64_t dataSize = 0;
        if (type == kFile || type == kService) {
            if (headSize < 32 || ((flags & 0x100) && headSize < 40)) return walk;
            dataSize = Le32(&header[7]);
            if (flags & 0x100) dataSize |= static_cast<std::uint64_t>(Le32(&header[32])) << 32;
        } else if (flags & 0x8000) {
            if (headSize < 11) return walk;
            dataSize = Le32(&header[7]);
        }
        if (dataSize > left - headSize) return walk;
        pos += headSize + dataSize;
    }
}

// The main header's extra records. The locator names where the quick-open
// block lies (`quickOpenAt`, 0 for none): the library reads it on opening,
// so the chain must have a block starting there, and a file that ends
// before it is cut even at a block boundary. A metadata
// record that says it names the archive but holds no name size, or an empty
// name, crashes the library: that header counts as damaged.
bool ReadMainExtra(const unsigned char* extra, std::size_t extraSize, std::uint64_t mainAt,
                   std::uint64_t& quickOpenAt) {
    constexpr std::uint64_t kLocator = 1, kMetadata = 2;
    std::size_t at = 0;
    while (at < extraSize) {
        std::uint64_t recordSize = 0, type = 0, flags = 0, value = 0;
        if (!ReadVint(extra, extraSize, at, recordSize) || recordSize > extraSize - at) break;
        const std::size_t recordEnd = at + static_cast<std::size_t>(recordSize);
        if (ReadVint(extra, recordEnd, at, type) && ReadVint(extra, recordEnd, at, flags) &&
            (flags & 1)) {
            const bool read = ReadVint(extra, recordEnd, at, value);
            if (type == kLocator && read && value != 0)
                quickOpenAt = value > UINT64_MAX - mainAt ? UINT64_MAX : mainAt + value;
            if (type == kMetadata && (!read || value == 0)) return false;
        }
        at = recordEnd;
    }
    return true;
}

// RAR 5: CRC32(4), header size (vint, at most 3 bytes), type, flags, extra
// area size (flag 1), data size (flag 2); the checksum covers the header
// from its size on.
//
// With `asListed`, the walk follows the chain as the library does while it
// lists: on past headers that fail their checksum (the library lists on after
// them), to find a later main header it crashes on; the verdict stays damaged
// from the first such header on.
ChainWalk WalkRar5(ChainSource& source, std::uint64_t size, ChainWalk walk,
                   std::uint64_t blockLimit, bool asListed) {
    constexpr std::uint64_t kMain = 1, kEncryption = 4, kEnd = 5;
    constexpr std::uint64_t kLongestHeader = 2 * 1024 * 1024;
    constexpr std::size_t kFirstRead = 256;  // most headers in one read
    std::vector<unsigned char> header(kFirstRead);
    walk.rar5 = true;
    std::uint64_t quickOpenAt = 0;
    bool quickOpenFound = true, checksumFailed = false;
    const auto whole = [&] { return checksumFailed ? ChainVerdict::Damaged : ChainVerdict::Whole; };
    std::uint64_t pos = walk.signatureAt + sizeof kRar5Signature;
    for (;; ++walk.blocks) {
        walk.verdict = whole();
        if (walk.blocks == blockLimit) return walk;
        walk.verdict = ChainVerdict::Damaged;
        if (pos == size) {
            if (walk.blocks > 0 && quickOpenFound) walk.verdict = whole();
            return walk;
        }
        const std::uint64_t left = size - pos;
        const std::size_t first = left < kFirstRead ? static_cast<std::size_t>(left) : kFirstRead;
        const std::size_t got = source.Read(pos, header.data(), first);
        if (got < first) return walk;
        std::size_t at = 4;
        std::uint64_t headSize = 0;
        if (got < 5 || !ReadVint(header.data(), got, at, headSize, 3)) return walk;
        if (headSize == 0 || headSize > kLongestHeader || headSize > left - at) return walk;
        const std::size_t total = at + static_cast<std::size_t>(headSize);
        if (total > got) {
            if (header.size() < total) header.resize(total);
            if (source.Read(pos + got, header.data() + got, total - got) < total - got) return walk;
        }
        if (Crc32(header.data() + 4, total - 4) != Le32(header.data())) {
            if (!asListed || walk.blocks == 0) return walk;
            checksumFailed = true;
        }
        if (pos == quickOpenAt) quickOpenFound = true;
        std::uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
        if (!ReadVint(header.data(), total, at, type) ||
            !ReadVint(header.data(), total, at, flags) ||
            ((flags & 1) && !ReadVint(header.data(), total, at, extraSize)) ||
            ((flags & 2) && !ReadVint(header.data(), total, at, dataSize)))
            return walk;
        if (type == kEncryption) {
            walk.verdict = ChainVerdict::Hidden;
            return walk;
        }
        if (walk.blocks == 0 && type != kMain) return walk;
        if (type == kMain && (flags & 1) && extraSize <= total - at &&
            !ReadMainExtra(header.data() + total - extraSize, extraSize, pos, quickOpenAt)) {
            walk.libraryCrashes = true;
            return walk;
        }
        if (type == kMain) quickOpenFound = quickOpenAt == 0;
        if (type == kEnd) {
            walk.endBlock = true;
            if (quickOpenFound) walk.verdict = whole();
            return walk;
        }
        if (dataSize > left - total) return walk;
        pos += total + dataSize;
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
    std::vector<unsigned char> window_ = std::vector<unsigned char>(4096);
    std::uint64_t windowAt_ = 0;
    std::size_t windowFill_ = 0;
};

}  // namespace

namespace {

ChainWalk Walk(ChainSource& source, std::uint64_t blockLimit, bool asListed) {
    ChainWalk walk;
    const std::uint64_t size = source.Size();
    bool rar5 = false;
    if (!FindSignature(source, size, walk.signatureAt, rar5)) return walk;
    return rar5 ? WalkRar5(source, size, walk, blockLimit, asListed)
                : WalkRar4(source, size, walk, blockLimit);
}

// Only a regular file is walked: a FIFO or a device is opened without
// waiting and left to the library's own answer. `identity` receives the
// file's device, file number, size and time, when it was walked.
ChainWalk WalkFile(const std::string& path, bool asListed,
                   platform::FileIdentity* identity = nullptr) {
    platform::File file = platform::File::OpenRegular(path);
    if (!file.valid()) return ChainWalk();
    if (identity) *identity = file.identity();
    FileSource source(file);
    return Walk(source, UINT64_MAX, asListed);
}

}  // namespace

ChainWalk WalkBlockChain(ChainSource& source, std::uint64_t blockLimit) {
    return Walk(source, blockLimit, false);
}

ChainWalk WalkArchiveFile(const std::string& path) { return WalkFile(path, false); }

bool UnsafeForLibrary(const std::string& path) {
    // A run opens the same archive to list it and to extract it, attempt
    // after attempt: an unchanged file is not walked again.
    static thread_local struct {
        std::string path;
        platform::FileIdentity identity;
        bool unsafe = false;
    } last;
    if (!last.path.empty() && last.path == path && platform::IdentityOf(path) == last.identity)
        return last.unsafe;
    platform::FileIdentity identity;
    const ChainWalk walk = WalkFile(path, true, &identity);
    const bool unsafe =
        walk.libraryCrashes || (walk.verdict == ChainVerdict::Damaged && walk.blocks == 0);
    last.path = identity.file != 0 ? path : std::string();
    last.identity = identity;
    last.unsafe = unsafe;
    return unsafe;
}

bool ArchiveFileWhole(const std::string& path) {
    return WalkArchiveFile(path).verdict != ChainVerdict::Damaged;
}

}  // namespace rardll
