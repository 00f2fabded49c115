// Whole or damaged: every odd or damaged variant of an archive, made here with
// rar, the RAR 4 writer and byte edits, must get the verdict the reference
// extractor gives it: the extraction succeeds exactly where `unrar x` exits 0.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ArchiveRecorder.h"
#include "archive/BlockChain.h"
#include "archive/HeaderKey.h"
#include "archive/RAR.h"
#include "support/Fixtures.h"
#include "support/Process.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kRar5Signature("Rar!\x1A\x07\x01\x00", 8);

// The last name of a path.
std::string Name(const std::string& path) { return fs::u8path(path).filename().u8string(); }

std::string Vint(std::uint64_t v) {
    std::string out;
    for (; v >= 0x80; v >>= 7) out += static_cast<char>((v & 0x7F) | 0x80);
    return out + static_cast<char>(v);
}

std::string Le16(std::size_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}
std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// Writes the CRC32 of `covered`, little-endian, over the `bytes` bytes at `at`.
void PutCrc(std::string& s, std::size_t at, const std::string& covered, int bytes = 4) {
    const std::uint32_t crc = Crc32(covered);
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(crc >> (8 * i) & 0xFF);
}

// A RAR 5 block: CRC32, header size, then type, flags and the rest.
std::string Rar5Block(std::uint64_t type, std::uint64_t flags, const std::string& rest) {
    const std::string body = Vint(type) + Vint(flags) + rest;
    std::string out = "...." + Vint(body.size()) + body;
    PutCrc(out, 0, out.substr(4));
    return out;
}

// A stored file header with data area: data size, file flags, unpacked size,
// attributes, compression, host (Unix), name.
std::string Rar5File(const std::string& name, std::uint64_t dataSize, std::uint64_t unpacked) {
    return Rar5Block(2, 2,
                     Vint(dataSize) + Vint(0) + Vint(unpacked) + Vint(0644) + Vint(0) + Vint(1) +
                         Vint(name.size()) + name);
}

// A file copy entry `name` of `target` (redirection record, kind 5) whose
// unpacked size is 3, in an archive after a.txt ("abc") and a folder d; or a
// Unix symbolic link (kind 1).
std::string Rar5CopyArchive(const std::string& name, const std::string& target,
                            bool symbolicLink = false) {
    const std::string record =
        Vint(5) + Vint(symbolicLink ? 1 : 5) + Vint(0) + Vint(target.size()) + target;
    const std::string extra = Vint(record.size()) + record;
    return kRar5Signature + Rar5Block(1, 0, Vint(0)) + Rar5File("a.txt", 3, 3) + "abc" +
           Rar5Block(2, 0, Vint(1) + Vint(0) + Vint(0755) + Vint(0) + Vint(1) + Vint(1) + "d") +
           Rar5Block(2, 3,
                     Vint(extra.size()) + Vint(0) + Vint(0) + Vint(symbolicLink ? 0 : 3) +
                         Vint(symbolicLink ? 0120777 : 0644) + Vint(0) + Vint(1) +
                         Vint(name.size()) + name + extra) +
           Rar5Block(5, 0, Vint(0));
}

// A RAR 5 archive of entries that declare `unpacked` bytes each and
// `dataSize` bytes of data, none of it present.
std::string Rar5Declaring(std::uint64_t unpacked, std::uint64_t dataSize, int entries) {
    std::string out = kRar5Signature + Rar5Block(1, 0, Vint(0));
    for (int i = 0; i < entries; ++i)
        out += Rar5File("huge" + std::to_string(i) + ".bin", dataSize, unpacked);
    return out + Rar5Block(5, 0, Vint(0));
}

#ifndef _WIN32
// Everything below `root`: relative path -> "/" for a folder, else the bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) return tree;
    for (const auto& e : fs::recursive_directory_iterator(root))
        tree[fs::relative(e.path(), root).string()] =
            e.is_directory() ? std::string("/") : ReadFile(e.path());
    return tree;
}
#endif

// `unrar x` exits 0 exactly when the archive is `whole`, and so does the
// component's run as the program makes it (list, then extract), which reports
// why when it fails; both leave the same files and folders unless
// `sameTree` is false.
// On Windows, where unrar does not run, the verdicts it gives on Linux stand.
void ExpectVerdict(const std::string& archive, const std::string& work, bool whole,
                   bool sameTree = true) {
    fs::remove_all(fs::u8path(work));
    fs::create_directories(fs::u8path(work + "/reference"));
#ifndef _WIN32
    EXPECT_EQ(whole,
              RunProcess("/usr/bin/unrar", {"x", "-y", "-idq", std::string("-p") + kFixturePassword,
                                            archive, work + "/reference/"})
                      .exitCode == 0)
        << "the reference extractor's verdict";
#endif
    // In a child process: a crash in the library fails this case alone.
    const ProcessResult run = RunInChild([&] {
        TRAR rar;
        ArchiveRecorder seen(rar);
        rar.OnPasswordRequired = [](TRAR&, bool, const std::wstring&, std::string& pw, bool&) {
            pw = kFixturePassword;
        };
        rar.ListArchive(archive);
        // What the listing met (it steps over a folder's data, extraction
        // does not) is no report of the extraction's.
        seen.clear();
        const bool ok = rar.ExtractArchive(rardll::Utf8ToWide(work + "/out"), true);
        bool reported = !seen.failures().empty();
        for (const auto& entry : seen.processed) reported = reported || entry.second != 0;
        return (ok ? 1 : 0) | (reported ? 2 : 0);
    });
    ASSERT_EQ(run.signal, 0) << "the run died";
    const bool ok = run.exitCode & 1;
    EXPECT_EQ(whole, ok);
    EXPECT_EQ((run.exitCode & 2) != 0, !ok) << "a failed run reports why";
#ifndef _WIN32
    if (sameTree) {
        EXPECT_EQ(Tree(work + "/out"), Tree(work + "/reference"));
    }
#else
    (void)sameTree;
#endif
}

TEST(ArchiveVerdict, AgreesWithTheReferenceExtractor) {
    TempDir d;
    const std::string first = PatternData(3000, 7, false), second = PatternData(3000, 8, false);
    const fs::path made = fs::u8path(VerdictArchives().archive).parent_path();
    const auto rar = [&](const char* name) { return ReadFile((made / name).u8string()); };
    const std::string r5 = rar("rar5.rar"), hidden = rar("hidden.rar"), sfx = rar("sfx.sfx"),
                      commented = rar("commented.rar"), nested = rar("nested.rar");
    ASSERT_NE(r5.find(first), std::string::npos) << "stored as made";
    ASSERT_TRUE(WriteRar4(d / "rar4.rar", {{"first.bin", first}, {"second.bin", second}}));
    ASSERT_TRUE(WriteRar4(d / "empty4.rar", {}));
    const std::string r4 = ReadFile(d / "rar4.rar");
    // An old archive's symbolic link: its target is its data.
    Rar4Entry folder{"d", ""}, up{"d/up", "../a.txt"};
    folder.directory = true;
    folder.attributes = 040755;
    up.attributes = 0120777;
    ASSERT_TRUE(WriteRar4(d / "link4.rar", {{"a.txt", "abc"}, folder, up}));
    const std::size_t r5First = r5.find(first) + first.size();  // second header starts
    const std::size_t r4First = r4.find(first) + first.size();
    const std::size_t r5File = 8 + 5 + static_cast<unsigned char>(r5[12]), r4File = 7 + 13;
    const std::string after = PatternData(70 * 1024, 3, false);
    const std::string before = PatternData(100 * 1024, 4, true);
    const auto flip = [](std::string s, std::size_t at) {
        s[at] ^= 0x55;
        return s;
    };
    // Packed size + 0x7F00, the RAR 4 header checksum made right again.
    std::string r4Oversized = r4;
    r4Oversized[r4File + 8] = 0x7F;
    PutCrc(r4Oversized, r4File,
           r4Oversized.substr(r4File + 2, static_cast<unsigned char>(r4[r4File + 5]) - 2), 2);
    // Its main header names where a quick-open block lies: inside the file block.
    const std::string quickOpenMidBlock =
        kRar5Signature + Rar5Block(1, 1, Vint(4) + Vint(0) + std::string("\x03\x01\x01\x01", 4)) +
        Rar5File("a.txt", 3, 3) + "abc" + Rar5Block(5, 0, Vint(0));
    // A RAR 2.0 main header holding the archive comment (stored): it and the
    // comment block inside it carry the checksum of their first 13 bytes.
    const std::string text = "an old comment";
    std::string comment = std::string("..\x75\x00\x00", 5) + Le16(13 + text.size()) +
                          Le16(text.size()) + "\x0F\x30" + Le16(Crc32(text));
    PutCrc(comment, 0, comment.substr(2), 2);
    std::string oldMain = r4.substr(7, 13);
    oldMain[3] |= 0x02;
    oldMain.replace(5, 2, Le16(13 + comment.size() + text.size()));
    PutCrc(oldMain, 0, oldMain.substr(2), 2);
    const std::string commentInMain = r4.substr(0, 7) + oldMain + comment + text + r4.substr(20);
    // A RAR 4 comment block: a stored service entry named CMT after the main
    // header, its checksum that of its text.
    const std::string r4Cmt = std::string("..\x7A\x00\x80", 5) + Le16(35) + Le32(text.size()) +
                              Le32(text.size()) + "\x03" + Le32(Crc32(text)) +
                              std::string(4, '\0') + "\x1D\x30" + Le16(3) +
                              std::string(4, '\0') + "CMT";
    std::string r4Commented = r4.substr(0, 20) + r4Cmt + text + r4.substr(20);
    PutCrc(r4Commented, 20, r4Cmt.substr(2), 2);
    // The RAR 4 main header's encrypted-headers flag set over plain headers.
    std::string r4Flagged = r4;
    r4Flagged[10] |= static_cast<char>(0x80);
    PutCrc(r4Flagged, 7, r4Flagged.substr(9, 11), 2);
    const std::string hugeSizes = Rar5Declaring((std::uint64_t{1} << 63) - 2, 0, 3);
    // The library stops reading main-header records at one of size 0: the
    // empty name after it is never read.
    const std::string zeroRecord("\x00\x03\x02\x01\x00", 5);
    const std::string nameAfterZeroRecord =
        kRar5Signature + Rar5Block(1, 5, Vint(zeroRecord.size()) + Vint(0) + zeroRecord) +
        Rar5File("a.txt", 3, 3) + "abc" + Rar5Block(5, 0, Vint(0));
    const std::size_t innerEnd = nested.rfind(r5) + r5.size();
    // A file in a folder with an empty folder beside it; and every header
    // copied into a quick-open block at the end, through which the library
    // reads headers.
    const std::string folders = rar("folders.rar"), quick = rar("quick.rar");
    const std::size_t quickName = quick.find("second.bin"), copiedName = quick.rfind("second.bin");
    const auto named = [](const std::string& name) {
        return kRar5Signature + Rar5Block(1, 0, Vint(0)) + Rar5File(name, 3, 3) + "abc" +
               Rar5Block(5, 0, Vint(0));
    };
    // After a.txt ("abc"): `entry`, then an end block of `endFlags`.
    const auto afterFile = [](const std::string& entry, std::uint64_t endFlags = 0) {
        return kRar5Signature + Rar5Block(1, 0, Vint(0)) + Rar5File("a.txt", 3, 3) + "abc" + entry +
               Rar5Block(5, 0, Vint(endFlags));
    };
    const std::string folderFields = Vint(1) + Vint(0) + Vint(0755) + Vint(0) + Vint(1);
    // An entry kept as older version `number` ("rar a -ver"): a version
    // record in its extra area; a folder's data is `data` too.
    const auto version = [](const std::string& name, int number, const std::string& data,
                            bool folder = false) {
        const std::string record = Vint(4) + Vint(0) + Vint(number);
        const std::string extra = Vint(record.size()) + record;
        return Rar5Block(2, 3,
                         Vint(extra.size()) + Vint(data.size()) + Vint(folder ? 1 : 0) +
                             Vint(folder ? 0 : data.size()) + Vint(folder ? 0755 : 0644) + Vint(0) +
                             Vint(1) + Vint(name.size()) + name + extra) +
               data;
    };
    std::string versionsPastBrokenMain =
        afterFile(version("v.txt", 1, "old") + Rar5File("v.txt", 3, 3) + "new");
    versionsPastBrokenMain[8] ^= 0x55;
    // The first file marked as a kept older version, its checksum left wrong.
    std::string r4BrokenVersion = r4;
    r4BrokenVersion[r4File + 4] |= 0x08;
    // The RAR 4 end block made a service block: too short for its fields.
    std::string r4ShortService = r4;
    r4ShortService[r4.size() - 5] = 0x7A;
    PutCrc(r4ShortService, r4.size() - 7, r4ShortService.substr(r4.size() - 5), 2);

    const std::vector<std::pair<const char*, std::string>> whole = {
        {"RAR 5", r5},
        {"RAR 4", r4},
        {"RAR 4 cut at a block boundary", r4.substr(0, r4First)},
        {"RAR 4 without its end block, as old archives", r4.substr(0, r4.size() - 7)},
        {"RAR 5 with 70 KiB after its end", r5 + after},
        {"RAR 4 with 70 KiB after its end", r4 + after},
        {"RAR 5 after 100 KiB of other data", before + r5},
        {"self-extractor", sfx},
        {"encrypted headers", hidden},
        {"encrypted headers cut at the block boundary before the end block",
         hidden.substr(0, hidden.size() - 32)},
        {"unpacked sizes near 2^63", hugeSizes},
        {"empty archive name after a main-header record of size 0", nameAfterZeroRecord},
        {"RAR 2.0 archive comment inside the main header", commentInMain},
        {"RAR 2.0 stored comment's text changed (never checked)",
         flip(commentInMain, commentInMain.find(text))},
        {"RAR 4 comment block", r4Commented},
        {"RAR 5 stored comment", commented},
        {"file copy of itself", Rar5CopyArchive("b.txt", "./b.txt")},
#ifndef _WIN32  // Wine makes no symbolic links
        {"symbolic link in a folder, up to a file beside the folder",
         Rar5CopyArchive("d/up", "../a.txt", true)},
        {"symbolic link in a folder, up out of the output folder: passed over",
         Rar5CopyArchive("d/up", "../../a.txt", true)},
        {"RAR 4 symbolic link in a folder, up to a file beside the folder",
         ReadFile(d / "link4.rar")},
#endif
        {"RAR 5 main header after a sound file block",
         r5.substr(0, 8) + r5.substr(r5File, r5First - r5File) + r5.substr(8)},
        {"RAR 4 main header after a sound file block",
         r4.substr(0, 7) + r4.substr(r4File, r4First - r4File) + r4.substr(7)},
        {"header broken in the file, whole in the quick-open copy", flip(quick, quickName)},
        {"header whole in the file, broken in the quick-open copy", flip(quick, copiedName)},
        {"name cut before a lone surrogate, as the library writes it", named("aa\xED\xA0\x80.txt")},
        {"end block whose flags ask for sizes past it, read as 0",
         afterFile("").substr(0, afterFile("").size() - 8) + Rar5Block(5, 3, "")},
        {"folder that declares data: the next header follows its own",
         afterFile(Rar5Block(2, 2, Vint(8) + folderFields + Vint(1) + "d") +
                   Rar5File("b.txt", 3, 3) + "abc")},
        {"folder without a name", afterFile(Rar5Block(2, 0, folderFields + Vint(0)))},
        {"folder whose name ends in a separator",
         afterFile(Rar5Block(2, 0, folderFields + Vint(2) + "d/"))},
        {"RAR 4 service block shorter than its fields, read as 0", r4ShortService},
        {"older version named past a byte the library stops at",
         afterFile(version("notes\xF6.txt", 1, "old") + Rar5File("notes", 3, 3) + "new")},
        {"older version whose record ends before its number, read past it",
         afterFile(Rar5Block(2, 3,
                             Vint(4) + Vint(3) + Vint(0) + Vint(3) + Vint(0644) + Vint(0) +
                                 Vint(1) + Vint(5) + "v.txt" + std::string("\x02\x04\x00\x01", 4)) +
                   "old" + Rar5File("v.txt", 3, 3) + "new")},
        {"older version of a folder that declares data: its data is stepped over",
         afterFile(version("d", 1, "xyz", true) + Rar5File("b.txt", 3, 3) + "abc")},
        {"part of a file begun in an earlier volume, after a file: passed over, no folder made",
         afterFile(Rar5Block(2, 0x0A,
                             Vint(3) + Vint(0) + Vint(3) + Vint(0644) + Vint(0) + Vint(1) +
                                 Vint(7) + "f/b.txt") +
                   "abc")},
#ifdef _WIN32
        // Windows names are UTF-16 words, a lone surrogate among them.
        {"name that begins with a lone surrogate", named("\xED\xA0\x80.txt")},
#endif
    };
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"RAR 5 cut inside a header", r5.substr(0, r5First + 9)},
        {"RAR 4 cut inside a header", r4.substr(0, r4First + 9)},
        {"RAR 5 cut inside data", r5.substr(0, r5.find(second) + 100)},
        {"RAR 4 cut inside data", r4.substr(0, r4.find(second) + 100)},
        {"RAR 5 cut inside its end block", r5.substr(0, r5.size() - 3)},
        {"RAR 5 after other data, cut inside data", before + r5.substr(0, r5.size() - 4000)},
        {"RAR 5 signature across the first 64 KiB read, cut inside data",
         PatternData(7 + 65536 - 3, 5, true) + r5.substr(0, r5.size() - 4000)},
        {"self-extractor cut inside data", sfx.substr(0, sfx.size() - 1000)},
        {"RAR 5 header checksum broken early, end block intact", flip(r5, r5File)},
        {"RAR 4 header checksum broken early, end block intact", flip(r4, r4File)},
        {"RAR 4 data size too large, checksum right", r4Oversized},
        {"archive as last entry, outer end block cut", nested.substr(0, nested.size() - 3)},
        {"archive as last entry, outer cut right after it", nested.substr(0, innerEnd)},
        {"encrypted headers cut inside the last data", hidden.substr(0, hidden.size() - 1000)},
        {"encrypted headers cut early", hidden.substr(0, 200)},
        {"encrypted headers cut inside the end block", hidden.substr(0, hidden.size() - 3)},
        {"encrypted headers cut after the end block's vector",
         hidden.substr(0, hidden.size() - 16)},
        {"encrypted headers cut one byte after the last entry",
         hidden.substr(0, hidden.size() - 31)},
        {"no entry: RAR 4 archive made empty", ReadFile(d / "empty4.rar")},
        {"no entry: RAR 5 cut after its main header", r5.substr(0, r5File)},
        {"RAR 5 main header's checksum broken: read past, as unrar x does", flip(r5, 8)},
        {"RAR 4 main header's checksum broken: read past, as unrar x does", flip(r4, 7)},
        {"no entry: signature only", r5.substr(0, 8)},
        {"quick-open offset into the middle of a block", quickOpenMidBlock},
        {"RAR 5 stored comment's text changed", flip(commented, commented.find("stored"))},
        {"RAR 4 comment block's text changed", flip(r4Commented, r4Commented.find(text))},
        {"data size near 2^64", Rar5Declaring(1, ~std::uint64_t{0} - 5, 1)},
        {"RAR 4 main header says its headers are encrypted, they are not", r4Flagged},
        {"file copy of the output folder", Rar5CopyArchive("b.txt", "")},
        {"file copy of \".\"", Rar5CopyArchive("b.txt", ".")},
        {"file copy of a folder", Rar5CopyArchive("b.txt", "d")},
        {"header broken in the file and in the quick-open copy",
         flip(flip(quick, quickName), copiedName)},
        {"solid archive with an entry of an unknown format, a folder after it",
         kRar5Signature + Rar5Block(1, 0, Vint(4)) + Rar5File("a.txt", 3, 3) + "abc" +
             Rar5Block(2, 2,
                       Vint(3) + Vint(0) + Vint(3) + Vint(0644) + Vint(0x85) + Vint(1) + Vint(5) +
                           "b.txt") +
             "abc" +
             Rar5Block(2, 0, Vint(1) + Vint(0) + Vint(0755) + Vint(0) + Vint(1) + Vint(1) + "d") +
             Rar5Block(5, 0, Vint(0))},
        {"quick-open copy of a header of no bytes (a fuzz finding)",
         ReadFile(std::string(TEST_SOURCE_DIR) + "/fixtures/quick-open-empty-copy-1.rar")},
#ifndef _WIN32
        {"name that begins with a lone surrogate", named("\xED\xA0\x80.txt")},
#endif
        {"name with a component over 255 bytes", named(std::string(300, 'x'))},
        {"end block says another volume follows, in no volume", afterFile("", 1)},
        {"RAR 5 stored comment shorter than its unpacked size, checksum wrong",
         kRar5Signature + Rar5Block(1, 0, Vint(0)) +
             Rar5Block(3, 2,
                       Vint(text.size()) + Vint(4) + Vint(text.size() + 5) + Vint(0) +
                           Le32(Crc32(text) ^ 1) + Vint(0) + Vint(1) + Vint(3) + "CMT") +
             text + Rar5File("a.txt", 3, 3) + "abc" + Rar5Block(5, 0, Vint(0))},
        {"RAR 4 older version whose header fails its checksum", r4BrokenVersion},
        {"older version after a main header that fails its checksum", versionsPastBrokenMain},
        {"folder whose encryption record names a later version",
         afterFile(Rar5Block(
             2, 1, Vint(3) + folderFields + Vint(1) + "d" + Vint(2) + Vint(1) + Vint(1)))},
        {"cut inside the data of a file in a folder",
         folders.substr(0, folders.find(PatternData(3000, 9, false)) + 100)},
    };
    // Where the run leaves other files than `unrar x`: a file copy with
    // nothing to copy is never an empty file.
    const auto sameTree = [](const std::string& name) { return name.rfind("file copy", 0) != 0; };
    for (const bool isWhole : {true, false})
        for (const auto& [name, bytes] : isWhole ? whole : damaged) {
            SCOPED_TRACE(name);
            WriteFile(d / "case.rar", bytes);
            ExpectVerdict(d / "case.rar", d / "work", isWhole, sameTree(name));
            // A copy with nothing to copy is never an empty file.
            if (std::string(name).rfind("file copy", 0) == 0) {
                EXPECT_FALSE(fs::exists(d / "work/out/b.txt"));
            }
        }
    // Hostile sizes do not overflow the listing's totals either.
    TRAR listing;
    WriteFile(d / "huge.rar", hugeSizes);
    ASSERT_TRUE(listing.ListArchive(d / "huge.rar"));
    EXPECT_EQ(listing.ArchiveInformation().UnCompressedSize(), INT64_MAX);
}

std::string Hex(const unsigned char* data, std::size_t size) {
    std::string out;
    char two[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", data[i]);
        out += two;
    }
    return out;
}

// The pieces that read encrypted headers, against known answers (RFC 7914's
// PBKDF2 vectors, others from Python's hashlib; NIST's CBC-AES256 vector):
// a key longer than a hash block, a UTF-8 password, several blocks of SHA-256
// and of CBC, which the archives above do not all reach.
TEST(ArchiveVerdict, EncryptedHeadersAreReadWithTheFormatsKey) {
    const std::string salt = "0123456789abcdef";
    const struct {
        std::string password, salt;
        std::uint32_t rounds;
        const char* key;
    } keys[] = {
        {"password", "salt", 1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {std::string(100, 'p'), salt, 3, "07786a783a0f13e88cd68ccf4fc6cc08de7293b1be200e2fd9f3b7154b1d9f6c"},
        {"Gr\xC3\xBC\xC3\x9F" "e", salt, 32768,
         "1436fe692eb61d9a8204cfcd518c67eaa373a7335ae44100eb2e1beac857a547"},
    };
    for (const auto& k : keys) {
        const auto key = rardll::Pbkdf2Sha256(
            k.password, reinterpret_cast<const unsigned char*>(k.salt.data()), k.salt.size(), k.rounds);
        EXPECT_EQ(Hex(key.data(), key.size()), k.key) << k.password << " " << k.rounds;
    }
    const std::string thousand(1000, 'a');
    const auto hash = rardll::Sha256(reinterpret_cast<const unsigned char*>(thousand.data()), 1000);
    EXPECT_EQ(Hex(hash.data(), hash.size()),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");

    const auto bytes = [](const char* hex) {
        std::vector<unsigned char> out;
        for (; hex[0] && hex[1]; hex += 2)
            out.push_back(static_cast<unsigned char>(std::stoi(std::string(hex, 2), nullptr, 16)));
        return out;
    };
    const auto aesKey = bytes("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    std::array<unsigned char, 32> key{};
    std::copy(aesKey.begin(), aesKey.end(), key.begin());
    std::vector<unsigned char> data = bytes(
        "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d");
    unsigned char iv[16];
    for (int i = 0; i < 16; ++i) iv[i] = static_cast<unsigned char>(i);
    // In two calls, as headers are read: the vector carries on.
    const rardll::Aes256Decryptor aes(key);
    aes.DecryptCbc(data.data(), 16, iv);
    aes.DecryptCbc(data.data() + 16, 16, iv);
    EXPECT_EQ(Hex(data.data(), data.size()),
              "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
}

// A damaged volume fails the set: the last one cut inside its end block, a
// middle one with a main header that fails its checksum (read all the same)
// or one too short (the library stops there; what the volumes after it hold
// is extracted too, as `unrar x` does). The end block of a volume after a
// file that goes on in the next is never read.
TEST(ArchiveVerdict, ADamagedVolumeFailsTheSet) {
    TempDir dir;
    const auto& volumes = VolumeSet().volumes;
    struct Case {
        const char* name;
        std::size_t volume;
        std::size_t at;  // the byte changed
        int by;
        bool whole;
    };
    const std::size_t last = volumes.size() - 1, mainHeader = 8;
    for (const Case& c : {Case{"last cut in its end block", last, 0, 0, false},
                          Case{"second's main header checksum", 1, mainHeader + 2, 0x55, false},
                          Case{"second's main header one byte short", 1, mainHeader + 4, -1, false},
                          Case{"first's end block", 0, 0, 0x55, true}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "set");
        fs::create_directories(dir / "set");
        for (const std::string& v : volumes) fs::copy_file(v, dir / ("set/" + Name(v)));
        const std::string damaged = dir / ("set/" + Name(volumes[c.volume]));
        std::string bytes = ReadFile(damaged);
        if (c.volume == last) bytes.resize(bytes.size() - 3);
        // The first's end block lies before a padding of zeros; its last
        // byte says that another volume follows.
        if (c.volume == 0) bytes[bytes.find_last_not_of('\0')] ^= static_cast<char>(c.by);
        if (c.volume == 1)
            bytes[c.at] = static_cast<char>(c.by == -1 ? bytes[c.at] - 1 : bytes[c.at] ^ c.by);
        WriteFile(damaged, bytes);
        ExpectVerdict(dir / ("set/" + Name(VolumeSet().archive)), dir / "work", c.whole);
#ifndef _WIN32
        EXPECT_EQ(fs::exists(dir / "work/reference/last.txt"),
                  fs::exists(dir / "work/out/last.txt"));
#endif
    }
}

// Headers encrypted too: where the second volume is cut inside the file that
// goes on, extraction goes on with the third, as `unrar x` does; but not
// into a third whose headers are plain, which the library refuses as put in
// by another hand.
TEST(ArchiveVerdict, ACutVolumeOfEncryptedHeadersIsFollowedByTheNext) {
    for (const bool plainThird : {false, true}) {
        SCOPED_TRACE(plainThird ? "the third volume's headers plain" : "all headers encrypted");
        TempDir dir;
        fs::create_directories(dir / "set");
        for (const std::string& v : HiddenVolumeSet().volumes)
            fs::copy_file(v, dir / ("set/" + Name(v)));
        if (plainThird)
            fs::copy_file(VolumeSet().volumes[2], dir / ("set/" + Name(VolumeSet().volumes[2])),
                          fs::copy_options::overwrite_existing);
        const std::string cut = dir / ("set/" + Name(HiddenVolumeSet().volumes[1]));
        const std::string bytes = ReadFile(cut);
        WriteFile(cut, bytes.substr(0, bytes.size() / 2));
        ExpectVerdict(dir / ("set/" + Name(HiddenVolumeSet().archive)), dir / "work", false);
        EXPECT_EQ(fs::exists(dir / "work/out/last.txt"), !plainThird);
    }
}

// A header of an archive whose headers are encrypted with kFixturePassword:
// where it lies, and what it decrypts to (`size` bytes from its checksum on).
struct EncryptedHeader {
    std::size_t at = 0, size = 0;
    std::string plain;
    std::uint64_t type = 0;
    std::size_t fieldsAt = 0;  // after the type, the flags and the sizes
};

std::uint64_t ReadVint(const std::string& s, std::size_t& at) {
    std::uint64_t v = 0;
    for (unsigned shift = 0; at < s.size(); shift += 7) {
        const auto b = static_cast<unsigned char>(s[at++]);
        v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return v;
}

std::vector<EncryptedHeader> EncryptedHeaders(const std::string& archive) {
    // The encryption header: checksum, size, type 4, flags, version,
    // flags, count, salt.
    const auto salt = reinterpret_cast<const unsigned char*>(archive.data() + 18);
    const rardll::HeaderKey key = rardll::DeriveHeaderKey(
        kFixturePassword, salt, 16, std::uint32_t{1} << static_cast<unsigned char>(archive[17]));
    const rardll::Aes256Decryptor aes(key.key);
    std::vector<EncryptedHeader> headers;
    for (std::size_t at = 8 + 5 + static_cast<unsigned char>(archive[12]);
         at + 32 <= archive.size();) {
        EncryptedHeader h;
        h.at = at;
        const auto decrypt = [&](std::size_t size) {
            std::string plain = archive.substr(at + 16, size);
            unsigned char iv[16];
            std::copy(archive.begin() + at, archive.begin() + at + 16, iv);
            aes.DecryptCbc(reinterpret_cast<unsigned char*>(&plain[0]), size, iv);
            return plain;
        };
        h.plain = decrypt(16);
        std::size_t p = 4;
        h.size = static_cast<std::size_t>(ReadVint(h.plain, p)) + p;
        const std::size_t padded = (h.size + 15) / 16 * 16;
        h.plain = decrypt(padded);
        h.type = ReadVint(h.plain, p);
        const std::uint64_t flags = ReadVint(h.plain, p);
        if (flags & 1) ReadVint(h.plain, p);
        const std::uint64_t dataSize = (flags & 2) ? ReadVint(h.plain, p) : 0;
        h.fieldsAt = p;
        headers.push_back(h);
        at += 16 + padded + static_cast<std::size_t>(dataSize);
    }
    return headers;
}

// Puts `bytes` at `offset` of the header (within its first 16 bytes), its
// checksum made right: through the initial vector, which the cipher's
// chaining adds to the first block.
std::string ChangedHeader(const std::string& archive, const EncryptedHeader& h, std::size_t offset,
                          const std::string& bytes) {
    std::string plain = h.plain;
    plain.replace(offset, bytes.size(), bytes);
    PutCrc(plain, 0, plain.substr(4, h.size - 4));
    std::string out = archive;
    for (std::size_t i = 0; i < 16; ++i)
        out[h.at + i] = static_cast<char>(out[h.at + i] ^ h.plain[i] ^ plain[i]);
    return out;
}

// Headers encrypted from the start are read with the password as the
// library reads them, as plain ones are: an older version kept, also past
// a broken main header, a main header the library crashes on (refused
// before the library reads it), what the end block says of a next volume,
// the comment's checksum.
TEST(ArchiveVerdict, EncryptedHeadersAreJudgedAsPlainOnes) {
    TempDir dir;
    const fs::path made = fs::u8path(VerdictArchives().archive).parent_path();
    const std::string kept = ReadFile((made / "hidden-kept.rar").u8string());
    const std::vector<EncryptedHeader> headers = EncryptedHeaders(kept);
    const auto header = [&](std::uint64_t type) {
        return *std::find_if(headers.begin(), headers.end(),
                             [&](const EncryptedHeader& h) { return h.type == type; });
    };
    ASSERT_EQ(headers.back().type, 5u) << "the chain decrypts to its end block";
    const EncryptedHeader main = header(1), end = header(5), comment = header(3);
    // The main header's checksum, size, type, flags (an extra area), extra area's size.
    ASSERT_EQ(main.plain[6] & 3, 1);
    // The comment's fields: file flags (checksum: 4), unpacked size, attributes, checksum.
    std::size_t crcAt = comment.fieldsAt;
    ASSERT_EQ(ReadVint(comment.plain, crcAt) & 6, 4u);
    ReadVint(comment.plain, crcAt);
    ReadVint(comment.plain, crcAt);
    ASSERT_LT(crcAt, 16u) << "the checksum begins in the first block";

    const std::vector<std::tuple<const char*, std::string, bool>> cases = {
        {"an older version kept", kept, true},
        {"end block says another volume follows",
         ChangedHeader(kept, end, end.fieldsAt, std::string(1, end.plain[end.fieldsAt] | 1)),
         false},
        {"main header's extra area as large as itself: the older version after it still known",
         ChangedHeader(kept, main, 7, std::string(1, static_cast<char>(main.size))), false},
        // Its extra area a metadata record that asks for a name of no bytes.
        {"main header the library crashes on",
         ChangedHeader(kept, main, 9, std::string("\x06\x02\x01\0\0\0\0", 7)), false},
        {"comment's checksum changed",
         ChangedHeader(kept, comment, crcAt, std::string(1, comment.plain[crcAt] ^ 0x20)), false},
    };
    for (const auto& [name, bytes, whole] : cases) {
        SCOPED_TRACE(name);
        WriteFile(dir / "case.rar", bytes);
        ExpectVerdict(dir / "case.rar", dir / "work", whole);
    }
}

#ifndef _WIN32
// An encrypted main header that decrypts to nonsense: where the library
// reads on past it, it reads every entry, as `unrar x` does. Which bits of
// the first encrypted block leave it so depends on the key, made anew with
// each fixture: the first such flip the reference extractor shows is taken.
TEST(ArchiveVerdict, EntriesAfterABrokenEncryptedMainHeaderAreRead) {
    TempDir dir;
    const fs::path made = fs::u8path(VerdictArchives().archive).parent_path();
    const std::string hidden = ReadFile((made / "hidden.rar").u8string());
    // After the signature, the encryption header and the main header's vector.
    const std::size_t block = 8 + 5 + static_cast<unsigned char>(hidden[12]) + 16;
    for (std::size_t bit = 0; bit < 16 * 8; ++bit) {
        std::string bytes = hidden;
        bytes[block + bit / 8] = static_cast<char>(bytes[block + bit / 8] ^ (1 << bit % 8));
        WriteFile(dir / "flipped.rar", bytes);
        fs::remove_all(dir / "probe");
        fs::create_directories(dir / "probe");
        RunProcess("/usr/bin/unrar", {"x", "-idq", std::string("-p") + kFixturePassword,
                                      dir / "flipped.rar", dir / "probe/"});
        if (fs::is_empty(dir / "probe")) continue;
        SCOPED_TRACE("bit " + std::to_string(bit));
        ExpectVerdict(dir / "flipped.rar", dir / "work", false);
        return;
    }
    GTEST_SKIP() << "no flip of the main header's first block left entries to read";
}
#endif

// A RAR 4 entry over 4 GiB: its data size takes the high word of the packed
// size, not of the unpacked one, and the walk finds the end block past it.
// The bytes are virtual: the entry's header, then zeros, then the end block.
TEST(ArchiveVerdict, ARar4EntryOver4GiBIsSteppedOverByItsPackedSize) {
    std::string header = std::string("..\x74\x00\x81", 5) + Le16(45) + Le32(0x10) + Le32(0x20) +
                         "\x03" + Le32(0) + Le32(0) + "\x1D\x30" + Le16(5) + Le32(0) +
                         Le32(1) + Le32(2) + "a.bin";
    PutCrc(header, 0, header.substr(2), 2);
    std::string mainHeader = std::string("..\x73\x00\x00", 5) + Le16(13) + std::string(6, '\0');
    PutCrc(mainHeader, 0, mainHeader.substr(2), 2);
    std::string end = std::string("..\x7B\x00\x40", 5) + Le16(7);
    PutCrc(end, 0, end.substr(2), 2);
    const std::string front = std::string("Rar!\x1A\x07\x00", 7) + mainHeader + header;
    struct Virtual : rardll::ChainSource {
        std::string front, end;
        std::uint64_t endAt = 0;
        std::uint64_t Size() const override { return endAt + end.size(); }
        std::size_t Read(std::uint64_t at, unsigned char* buffer, std::size_t size) override {
            if (at >= Size()) return 0;
            size = static_cast<std::size_t>(std::min<std::uint64_t>(size, Size() - at));
            for (std::size_t i = 0; i < size; ++i) {
                const std::uint64_t p = at + i;
                buffer[i] = p < front.size() ? front[p] : p >= endAt ? end[p - endAt] : 0;
            }
            return size;
        }
    } source;
    source.front = front;
    source.end = end;
    source.endAt = front.size() + (std::uint64_t{1} << 32) + 0x10;
    const rardll::ChainWalk walk = rardll::WalkBlockChain(source);
    EXPECT_EQ(walk.verdict, rardll::ChainVerdict::Whole);
    EXPECT_TRUE(walk.endBlock);
}

// A run walks an archive once while it stays the same file, for every
// question asked of it; one replaced under the same name, or cut short in
// place, is walked again.
TEST(ArchiveVerdict, AnArchiveChangedUnderItsNameIsJudgedAgain) {
    TempDir dir;
    const std::string record("\x03\x02\x01\x00", 4);  // metadata, name of size 0
    WriteFile(dir / "new.rar", kRar5Signature +
                                   Rar5Block(1, 5, Vint(record.size()) + Vint(0) + record) +
                                   Rar5Block(5, 0, Vint(0)));
    fs::copy_file(VolumeSet().volumes.back(), dir / "a.rar");
    EXPECT_FALSE(rardll::UnsafeForLibrary(dir / "a.rar"));
    fs::rename(dir / "new.rar", dir / "a.rar");
    EXPECT_TRUE(rardll::UnsafeForLibrary(dir / "a.rar"));

    fs::copy_file(PlainArchive().archive, dir / "b.rar");
    EXPECT_TRUE(rardll::ArchiveFileWhole(dir / "b.rar"));
    EXPECT_FALSE(rardll::UnsafeForLibrary(dir / "b.rar"));
    fs::resize_file(dir / "b.rar", fs::file_size(dir / "b.rar") - 9);
    EXPECT_FALSE(rardll::ArchiveFileWhole(dir / "b.rar")) << "the same file, now cut";
}

// A later volume the library would hang on (a FIFO, a device), cannot read
// (a folder) or crash on (a main header whose metadata record has an empty
// name) is judged before the library opens it, as the second volume and as a
// further one: the run ends as failed, reported, and alive. `unrar x` hangs or
// dies on these.
TEST(ArchiveVerdict, ALaterVolumeIsJudgedBeforeTheLibraryOpensIt) {
    TempDir dir;
    const std::string record("\x03\x02\x01\x00", 4);  // metadata, name of size 0
    const std::string crashing =
        kRar5Signature + Rar5Block(1, 5, Vint(record.size()) + Vint(1) + Vint(1) + record) +
        Rar5Block(5, 0, Vint(0));
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> kinds = {
#ifndef _WIN32  // Windows has no FIFO, and links to devices are Linux's
        {"FIFO", [](const std::string& v) { ASSERT_EQ(0, ::mkfifo(v.c_str(), 0600)); }},
        {"device", [](const std::string& v) { fs::create_symlink("/dev/zero", v); }},
#endif
        {"folder", [](const std::string& v) { fs::create_directory(v); }},
        {"crashing main header", [&](const std::string& v) { WriteFile(v, crashing); }},
    };
    for (const int replaced : {1, 2})
        for (const auto& [kind, make] : kinds) {
            SCOPED_TRACE(std::string(kind) + " as volume " + std::to_string(replaced + 1));
            fs::remove_all(dir / "set");
            fs::create_directories(dir / "set");
            for (const std::string& v : VolumeSet().volumes)
                fs::copy_file(v, dir / ("set/" + Name(v)));
            const std::string volume = dir / ("set/" + Name(VolumeSet().volumes[replaced]));
            fs::remove(volume);
            make(volume);
            const ProcessResult run = RunInChild(
                [&] {
                    TRAR rar;
                    ArchiveRecorder seen(rar);
                    rar.OnNextVolumeRequired = [](TRAR&, const std::string& name,
                                                  std::string& newName,
                                                  bool&) { newName = name; };
                    rar.ListArchive(dir / "set/set.part1.rar");
                    const bool ok = rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true);
                    return (ok ? 1 : 0) | (seen.failures().empty() ? 0 : 2);
                },
                20);
            EXPECT_EQ(run.signal, 0) << (run.timedOut ? "the run hung" : "the run died");
            EXPECT_EQ(run.exitCode, 2) << "failed, and reported";
        }
}

// Headers the library crashes on: the fuzz findings under tests/fixtures/ (see
// its README), also with their checksums made right, and main headers made
// here whose metadata record asks for the archive's name with an empty name,
// or with the name size read past the record's end (the library reads the
// whole header, not the record). Their walk stops where the damage is; such
// an archive is never handed to the library, and the run fails as for any
// damaged archive. A later main header crashes the library's listing also
// past file headers that fail their checksum.
// An encrypted entry whose key derivation is longer than the library allows,
// with no password check value, the library would decrypt with a key it
// never set. It is never handed to it (the library would ask for its
// password first): passed over where the archive is not solid, the run
// ending before it where passing it over would unpack it.
TEST(ArchiveVerdict, AnEntryOfAKeyTheLibraryCannotDeriveIsNeverHandedToIt) {
    TempDir dir;
    const std::string crypt = Vint(0) + Vint(0) + '\x30' + std::string(32, '\0');
    const std::string cryptExtra = Vint(crypt.size() + 1) + Vint(1) + crypt;
    const std::string keyless =
        Rar5Block(2, 3,
                  Vint(cryptExtra.size()) + Vint(16) + Vint(0) + Vint(16) + Vint(0644) + Vint(0) +
                      Vint(1) + Vint(5) + "k.txt" + cryptExtra) +
        std::string(16, 'x');
    for (const bool solid : {false, true}) {
        SCOPED_TRACE(solid ? "solid" : "not solid");
        WriteFile(dir / "keyless.rar",
                  kRar5Signature + Rar5Block(1, 0, Vint(solid ? 4 : 0)) + Rar5File("a.txt", 3, 3) +
                      "abc" + keyless + Rar5File("b.txt", 3, 3) + "def" + Rar5Block(5, 0, Vint(0)));
        fs::remove_all(dir / "out");
        const ProcessResult run = RunInChild([&] {
            TRAR rar;
            ArchiveRecorder seen(rar);
            bool asked = false;
            rar.OnPasswordRequired = [&](TRAR&, bool, const std::wstring&, std::string& pw, bool&) {
                asked = true;
                pw = kFixturePassword;
            };
            rar.ListForExtraction(dir / "keyless.rar");
            const bool ok = rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true);
            return (ok ? 1 : 0) | (asked ? 2 : 0) | (seen.failures().empty() ? 0 : 4);
        });
        ASSERT_EQ(run.signal, 0) << "the run died";
        EXPECT_EQ(run.exitCode, 4) << "failed and reported, no password asked for the entry";
        EXPECT_TRUE(fs::exists(dir / "out/a.txt"));
        EXPECT_FALSE(fs::exists(dir / "out/k.txt"));
        EXPECT_EQ(fs::exists(dir / "out/b.txt"), !solid);
    }
}

TEST(ArchiveVerdict, HeadersTheLibraryCrashesOnAreDamaged) {
    TempDir dir;
    const std::string fixtures = std::string(TEST_SOURCE_DIR) + "/fixtures/";
    const std::string record("\x03\x02\x01\x00", 4);  // size, type (metadata), flags, name size
    WriteFile(dir / "empty-name.rar", kRar5Signature +
                                          Rar5Block(1, 5, Vint(record.size()) + Vint(0) + record) +
                                          Rar5Block(5, 0, Vint(0)));
    // Metadata with a time flag and no time, then one whose flags' last byte
    // lies past the record: the name size is read from beyond the header.
    const std::string straddling("\x02\x02\x02\x02\x02\x81\x00", 7);
    const std::string crashingMain =
        Rar5Block(1, 5, Vint(straddling.size()) + Vint(0) + straddling);
    std::string brokenFile = Rar5File("a.txt", 3, 3) + "abc";
    brokenFile[0] ^= 0x55;
    WriteFile(dir / "straddling.rar", kRar5Signature + crashingMain + Rar5Block(5, 0, Vint(0)));
    WriteFile(dir / "straddling-later.rar", kRar5Signature + Rar5Block(1, 0, Vint(0)) + brokenFile +
                                                crashingMain + Rar5Block(5, 0, Vint(0)));
    // File and blocks its walk stops at.
    std::vector<std::pair<std::string, std::uint64_t>> files = {
        {dir / "empty-name.rar", 0},
        {dir / "straddling.rar", 0},
        {dir / "straddling-later.rar", 1},
        {fixtures + "library-crash-single-volume.rar", 1},
        {fixtures + "signature-after-byte-7-crash-1.rar", 0},
        {fixtures + "quick-open-main-header-crash-1.rar", 1},
        {fixtures + "main-header-past-damage-crash-1.rar", 0}};
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "main-header-library-crash-" + std::to_string(i) + ".rar";
        files.emplace_back(fixtures + name, 0);
        std::string bytes = ReadFile(files.back().first);
        const std::size_t at = bytes.find(kRar5Signature) + 8;
        PutCrc(bytes, at, bytes.substr(at + 4, 1 + static_cast<unsigned char>(bytes[at + 4])));
        WriteFile(dir / name, bytes);
        // Made sound, the 4th's first block is stepped over as the library
        // does, up to the main header it crashes on.
        files.emplace_back(dir / name, i == 4 ? 1 : 0);
    }
    // Two file headers with wrong checksums, then the main header at 0xE5.
    const std::string later = fixtures + "file-header-listing-crash-1.rar";
    files.emplace_back(later, 1);
    std::string laterFixed = ReadFile(later);
    for (const std::size_t at : {0x18, 0x67})
        PutCrc(laterFixed, at,
               laterFixed.substr(at + 4, 1 + static_cast<unsigned char>(laterFixed[at + 4])));
    WriteFile(dir / "later-fixed.rar", laterFixed);
    // The second is a folder: extraction reads on right after its header,
    // not past its data to the main header, and meets no header there.
    files.emplace_back(dir / "later-fixed.rar", 2);
    for (const auto& [file, blocks] : files) {
        SCOPED_TRACE(file);
        const rardll::ChainWalk walk = rardll::WalkArchiveFile(file);
        EXPECT_EQ(walk.verdict, rardll::ChainVerdict::Damaged);
        EXPECT_EQ(walk.blocks, blocks);
        const ProcessResult run = RunInChild([&] {
            TRAR rar;
            ArchiveRecorder seen(rar);
            rar.ListArchive(file);  // its result is the close's: a failure is reported
            return (seen.reported(rardll::ERAR_BAD_ARCHIVE, roOpenArchive) ? 1 : 0) |
                   (rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true) ? 2 : 0) |
                   (rar.FirstOrSingleArchive(file) ? 4 : 0);
        });
        EXPECT_EQ(run.signal, 0) << "the library crashed";
        EXPECT_EQ(run.exitCode, 1) << "refused before the library opened it, every way";
    }
}

}  // namespace
