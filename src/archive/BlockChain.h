#pragma once
// Whether an archive file is whole, judged as the RAR formats define it and
// as the reference extractor judges it: from the signature (found where the
// library finds it, also after a self-extractor's program), follow the chain
// of blocks by their header and data sizes. The archive is whole when the
// chain reaches its end block, or stops exactly at the end of the file (old
// archives have no end block); it is damaged when the main header is missing,
// a header cannot be read whole, fails its checksum, or a block reaches past
// the end of the file. Bytes after the end block are no damage.
//
// Only headers are read; data areas are stepped over. No Qt.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "platform/Files.h"

namespace rardll {

enum class ChainVerdict {
    Whole,
    Damaged,
    // Headers are encrypted from some block on: without the password (or
    // with one the archive's check value refuses) only the library can
    // follow the chain further.
    Hidden,
    // No signature where the library would look: the library's own answer
    // stands.
    NoSignature,
};

// Random access to the bytes being judged. Read returns how many bytes it
// put into `buffer` (fewer only at the end or on a read error).
class ChainSource {
public:
    virtual ~ChainSource() = default;
    virtual std::uint64_t Size() const = 0;
    virtual std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t size) = 0;
};

struct ChainWalk {
    ChainVerdict verdict = ChainVerdict::NoSignature;
    std::uint64_t signatureAt = 0;  // offset of the signature, when found
    std::uint64_t blocks = 0;       // blocks followed after the signature
    bool rar5 = false;
    bool endBlock = false;  // the chain reached an end block
    // The walk stopped at an encrypted header that the library reports
    // broken by itself (the verdict is then Whole).
    bool libraryReports = false;
    bool nextVolume = false;  // whose flags say that another volume follows
    // A file header names an encryption the library does not know: it warns
    // as it reads it, and the reference fails the archive.
    bool unknownEncryption = false;
    // The archive comment's stored text fails its checksum: the reference
    // fails the archive, and extracts every entry all the same.
    bool commentCorrupt = false;
    // The first file block after the main header was read; it goes on in
    // the next volume.
    bool firstFileKnown = false;
    bool firstFileGoesOn = false;
    // A main header was read whole. The library opens an archive at its first
    // main header, stepping over sound blocks of any kind before it.
    bool mainSeen = false;
    // The walk stopped at a header the library crashes on: a main header
    // whose metadata record, read as the library reads it, asks for the
    // archive's name with a name size of 0 (empty, or missing), or an
    // encryption record whose key derivation the library refuses, where it
    // then decrypts with a key it never set (the quick-open block, or an
    // entry without a password check value).
    bool libraryCrashes = false;
    // The main header says the archive is a volume of a set, and how the
    // set's names are numbered ("name.rar", "name.r00" for the old way).
    bool volume = false;
    bool oldNumbering = false;
};

// The library looks for a self-extractor's archive this far into the file;
// a signature of a later format, or the RAR 1.4 one, is the library's own
// business (NoSignature).
constexpr std::uint64_t kSignatureSearchLimit = 2 * 1024 * 1024;

// Follows at most `blockLimit` blocks after the signature; a walk that stops
// there without fault says Whole.
ChainWalk WalkBlockChain(ChainSource& source, std::uint64_t blockLimit = UINT64_MAX);

// Walks the archive file at `path`, with `password` past an encryption
// header. A file that cannot be opened gives NoSignature: there is nothing
// to judge.
ChainWalk WalkArchiveFile(const std::string& path, const std::string& password = std::string());

// The questions below take the password the library took (empty for
// none): an archive whose headers are encrypted from its start ("rar -hp")
// is then walked with its headers decrypted as the library decrypts them.
// Without it, or where the archive's check value refuses it, the walk stops
// at the encryption header and the library's own codes decide.

// The verdict an extraction acts on: false only for a damaged chain (one the
// library takes for an end where the file stops inside a header or data),
// one with a file header of an encryption the library does not know, or a
// corrupt comment. Where no signature was found, the library's own codes
// decide.
bool ArchiveFileWhole(const std::string& path, const std::string& password = std::string());

// True when the archive's headers are encrypted from some block on: the
// walk cannot follow them without the password.
bool HeadersEncrypted(const std::string& path);

// True when the archive's end block says that another volume follows. Where
// the run ends in such a volume, it ends short of the set (in an archive
// that is no volume, the library stops there; the reference goes on looking).
bool EndNamesNextVolume(const std::string& path, const std::string& password = std::string());

// True when the file is not to be handed to the library: its chain, followed
// as the library opens and lists it (past headers that fail their checksum,
// a broken main header too, numbers read as the library reads them), reaches
// a header the library crashes on: a main header it cannot read, or an
// encryption record whose key it cannot derive where nothing makes it refuse
// the entry before decrypting. A main header that is merely broken or
// missing the library reads past, and lists what follows, as `unrar x`
// extracts it.
bool UnsafeForLibrary(const std::string& path);

// The name the library opens after `name` in a set: "x.part1.rar" ->
// "x.part2.rar", "x.part9.rar" -> "x.part10.rar"; old numbering "x.rar" ->
// "x.r00" -> "x.r01".
std::string LibraryNextVolumeName(std::string name, bool oldNumbering);

// True when the chain, followed as the library opens and lists it (headers
// encrypted from the start read with `password`), reaches a header the
// library crashes on. A later volume is refused only so: one merely damaged
// the library fails by itself, after what it could extract.
bool LibraryCrashesOn(const std::string& path, const std::string& password = std::string());

// True when `volume` is a volume of a set and the volume the library would
// open after it (by either numbering, as the library tries both) is there
// but not to be handed to the library: not a regular file (a FIFO would hang
// the run, a device feed it for ever), or one it crashes on.
bool NextVolumeUnsafe(const std::string& volume, const std::string& password = std::string());

// The volume after `volume` in its set, by the set's numbering and then the
// other, as the library looks for it: a regular file there whose main header
// says "volume" (or could not be read), or empty.
std::string ExistingNextVolume(const std::string& volume);

// The names (as stored, UTF-8 for RAR 5, with ";N" as the library adds it)
// of the entries whose header marks them as a kept older version of a file:
// the reference extractor passes them over. A name like "notes;1" without
// that mark is an ordinary file.
std::unordered_set<std::string> VersionedEntryNames(const std::string& path,
                                                    const std::string& password = std::string());

// The names (as VersionedEntryNames gives them) of the entries whose
// encryption record asks for a key derivation longer than the library
// allows, with no password check value to make it refuse them: it would
// decrypt them with a key it never set, and may crash. Never handed to it.
std::unordered_set<std::string> KeylessEntryNames(const std::string& path,
                                                  const std::string& password = std::string());

// Whether the first file of `volume` goes on in the next volume, as far as
// its chain shows: true where damage hides it.
bool FirstFileGoesOn(const std::string& volume, const std::string& password);

// What the library's listing of a single whole archive adds up, read from
// its block chain. `complete` only where the chain gives exactly what the
// library's listing would: a whole archive that is not a volume of a set,
// with headers readable without a password, no file split across volumes,
// no entry of unknown size, no kept older version and no entry of a key the
// library cannot derive (the names of both only the library's listing
// gives).
struct ChainListing {
    bool complete = false;
    std::uint64_t entries = 0;  // file headers, folders included
    std::int64_t unpacked = 0;  // their unpacked sizes, stopping at the largest
    platform::FileIdentity identity;  // of the file walked
};
ChainListing ListingFromChain(const std::string& path);

// The CRC-32 both formats use (the RAR 4 header checksum is its low half).
std::uint32_t Crc32(const unsigned char* data, std::size_t size);

}  // namespace rardll
