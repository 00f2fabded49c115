// Whole or damaged: every odd or damaged variant of an archive, made here with
// rar, the RAR 4 writer and byte edits, must get the verdict the reference
// extractor gives it: the extraction succeeds exactly where `unrar x` exits 0.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ArchiveRecorder.h"
#include "archive/BlockChain.h"
#include "archive/RAR.h"
#include "support/Fixtures.h"
#include "support/Process.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

std::string Vint(std::uint64_t v) {
    std::string out;
    do {
        const unsigned char low = v & 0x7F;
        v >>= 7;
        out.push_back(static_cast<char>(v ? low | 0x80 : low));
    } while (v);
    return out;
}

// A RAR 5 block: CRC32, header size, then type, flags and the rest.
std::string Rar5Block(std::uint64_t type, std::uint64_t flags, const std::string& rest) {
    const std::string body = Vint(type) + Vint(flags) + rest;
    const std::string sized = Vint(body.size()) + body;
    const std::uint32_t crc = Crc32(sized);
    std::string out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(crc >> (8 * i) & 0xFF));
    return out + sized;
}

// A RAR 5 archive of empty-data entries that declare `unpacked` bytes each
// and hold `dataSize` bytes of data (none present when it is hostile).
std::string Rar5Declaring(std::uint64_t unpacked, std::uint64_t dataSize, int entries) {
    std::string out("Rar!\x1A\x07\x01\x00", 8);
    out += Rar5Block(1, 0, Vint(0));
    for (int i = 0; i < entries; ++i) {
        const std::string name = "huge" + std::to_string(i) + ".bin";
        // data size, file flags, unpacked size, attributes, compression
        // (stored), host (Unix), name
        out += Rar5Block(2, 2,
                         Vint(dataSize) + Vint(0) + Vint(unpacked) + Vint(0644) + Vint(0) +
                             Vint(1) + Vint(name.size()) + name);
    }
    return out + Rar5Block(5, 0, Vint(0));
}

// The RAR 4 header checksum of the block at `at`, made right again after an edit.
void FixRar4Checksum(std::string& bytes, std::size_t at) {
    const unsigned size =
        static_cast<unsigned char>(bytes[at + 5]) | static_cast<unsigned char>(bytes[at + 6]) << 8;
    Put16(bytes, at, Crc32(bytes.substr(at + 2, size - 2)) & 0xFFFF);
}

struct Material {
    TempDir dir;
    std::string first = PatternData(3000, 7, false), second = PatternData(3000, 8, false);
    std::string rar5, rar4, nested, hidden, sfx, empty4;
};

const Material& Made() {
    static Material* m = [] {
        auto* m = new Material;
        const TempDir& d = m->dir;
        fs::create_directories(d / "src");
        WriteFile(d / "src/first.bin", m->first);
        WriteFile(d / "src/second.bin", m->second);
        const auto rar = [&](std::vector<std::string> args) {
            const auto made = RunProcess("/usr/bin/rar", args, {{}, d / "src"});
            EXPECT_EQ(made.exitCode, 0) << made.output;
        };
        rar({"a", "-idq", "-m0", "../rar5.rar", "first.bin", "second.bin"});
        rar({"a", "-idq", "-m0", std::string("-hp") + kFixturePassword, "../hidden.rar",
             "first.bin", "second.bin"});
        // A self-extractor: rar's own program, then the archive.
        rar({"a", "-idq", "-m0", "-sfx", "../sfx.sfx", "first.bin", "second.bin"});
        // An archive whose last entry is itself an archive, with its own end block.
        fs::copy_file(d / "rar5.rar", d / "src/inner.rar");
        rar({"a", "-idq", "-m0", "../nested.rar", "first.bin", "inner.rar"});
        std::vector<Rar4Entry> entries(2);
        entries[0].name = "first.bin";
        entries[0].data = m->first;
        entries[1].name = "second.bin";
        entries[1].data = m->second;
        EXPECT_TRUE(WriteRar4(d / "rar4.rar", entries));
        EXPECT_TRUE(WriteRar4(d / "empty4.rar", {}));
        m->empty4 = ReadFile(d / "empty4.rar");
        m->rar5 = ReadFile(d / "rar5.rar");
        m->rar4 = ReadFile(d / "rar4.rar");
        m->nested = ReadFile(d / "nested.rar");
        m->hidden = ReadFile(d / "hidden.rar");
        m->sfx = ReadFile(d / "sfx.sfx");
        return m;
    }();
    return *m;
}

// `unrar x` on the file: true when it exits 0.
bool ReferenceAccepts(const std::string& archive, const std::string& out) {
    fs::remove_all(out);
    fs::create_directories(out);
    const auto r =
        RunProcess("/usr/bin/unrar",
                   {"x", "-y", "-idq", std::string("-p") + kFixturePassword, archive, out + "/"});
    return r.exitCode == 0;
}

// The component, as the program runs it: list, then extract.
bool ComponentAccepts(const std::string& archive, const std::string& out) {
    fs::remove_all(out);
    TRAR rar;
    ArchiveRecorder seen(rar);
    rar.OnPasswordRequired = [](TRAR&, bool, const std::wstring&, std::string& pw, bool&) {
        pw = kFixturePassword;
    };
    rar.ListArchive(archive);
    const bool ok = rar.ExtractArchive(rardll::Utf8ToWide(out), true);
    bool reported = !seen.failures().empty();
    for (const auto& entry : seen.processed) reported = reported || entry.second != 0;
    EXPECT_EQ(reported, !ok) << "a failed run reports why";
    return ok;
}

TEST(ArchiveVerdict, AgreesWithTheReferenceExtractor) {
    const Material& m = Made();
    const std::string &r5 = m.rar5, &r4 = m.rar4;
    const std::size_t r5First = r5.find(m.first) + m.first.size();  // second header starts
    const std::size_t r4First = r4.find(m.first) + m.first.size();
    const std::size_t r5FileHeader = 8 + 5 + static_cast<unsigned char>(r5[12]);
    const std::size_t r4FileHeader = 7 + 13;
    const std::string trailing = PatternData(70 * 1024, 3, false);
    const std::string prefix = PatternData(100 * 1024, 4, true);
    const auto edited = [](std::string s, const std::function<void(std::string&)>& edit) {
        edit(s);
        return s;
    };
    const std::size_t innerEnd = m.nested.rfind(m.rar5) + m.rar5.size();

    struct Row {
        const char* name;
        std::string bytes;
        bool whole;  // what the reference says, for the record
    };
    const Row rows[] = {
        {"RAR 5 whole", r5, true},
        {"RAR 4 whole", r4, true},
        {"RAR 5 cut inside a header", r5.substr(0, r5First + 9), false},
        {"RAR 4 cut inside a header", r4.substr(0, r4First + 9), false},
        {"RAR 5 cut inside data", r5.substr(0, r5.find(m.second) + 100), false},
        {"RAR 4 cut inside data", r4.substr(0, r4.find(m.second) + 100), false},
        {"RAR 4 cut at a block boundary", r4.substr(0, r4First), true},
        {"RAR 4 without its end block, as old archives", r4.substr(0, r4.size() - 7), true},
        {"RAR 5 cut inside its end block", r5.substr(0, r5.size() - 3), false},
        {"RAR 5 with 70 KiB after its end", r5 + trailing, true},
        {"RAR 4 with 70 KiB after its end", r4 + trailing, true},
        {"RAR 5 after 100 KiB of other data", prefix + r5, true},
        {"RAR 5 after other data, cut inside data", prefix + r5.substr(0, r5.size() - 4000), false},
        {"self-extractor whole", m.sfx, true},
        {"self-extractor cut inside data", m.sfx.substr(0, m.sfx.size() - 1000), false},
        {"RAR 5 header checksum broken early, end block intact",
         edited(r5, [&](std::string& s) { s[r5FileHeader] ^= 0x55; }), false},
        {"RAR 4 header checksum broken early, end block intact",
         edited(r4, [&](std::string& s) { s[r4FileHeader] ^= 0x55; }), false},
        {"RAR 4 data size too large, checksum right",
         edited(r4,
                [&](std::string& s) {
                    s[r4FileHeader + 8] = 0x7F;  // packed size + 0x7F00
                    FixRar4Checksum(s, r4FileHeader);
                }),
         false},
        {"archive as last entry, outer end block cut", m.nested.substr(0, m.nested.size() - 3),
         false},
        // Its main header names where the outer archive's quick-open block lies.
        {"archive as last entry, outer cut right after it", m.nested.substr(0, innerEnd), false},
        {"encrypted headers whole", m.hidden, true},
        {"encrypted headers cut inside the last data", m.hidden.substr(0, m.hidden.size() - 1000),
         false},
        {"encrypted headers cut early", m.hidden.substr(0, 200), false},
        {"no entry: RAR 4 archive made empty", m.empty4, false},
        {"no entry: RAR 5 cut after its main header", r5.substr(0, r5FileHeader), false},
        {"no entry: main header broken", edited(r5, [](std::string& s) { s[8] ^= 0x55; }), false},
        {"no entry: signature only", r5.substr(0, 8), false},
        {"quick-open offset into the middle of a block",
         std::string("Rar!\x1A\x07\x01\x00", 8) +
             Rar5Block(1, 1, Vint(4) + Vint(0) + std::string("\x03\x01\x01\x01", 4)) +
             Rar5Block(
                 2, 2,
                 Vint(3) + Vint(0) + Vint(3) + Vint(0644) + Vint(0) + Vint(1) + Vint(5) + "a.txt") +
             "abc" + Rar5Block(5, 0, Vint(0)),
         false},
        {"data size near 2^64", Rar5Declaring(1, ~std::uint64_t{0} - 5, 1), false},
        {"unpacked sizes near 2^63", Rar5Declaring(std::uint64_t{1} << 62, 0, 3), true},
    };
    TempDir work;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(work / "case.rar", row.bytes);
        const bool reference = ReferenceAccepts(work / "case.rar", work / "reference");
        EXPECT_EQ(reference, row.whole) << "the reference extractor's verdict";
        EXPECT_EQ(ComponentAccepts(work / "case.rar", work / "out"), reference);
    }
}

// Hostile sizes neither overflow the listing's totals nor the walk.
TEST(ArchiveVerdict, HostileSizesKeepTheTotalsInRange) {
    TempDir dir;
    WriteFile(dir / "huge.rar", Rar5Declaring((std::uint64_t{1} << 63) - 2, 0, 3));
    TRAR rar;
    ASSERT_TRUE(rar.ListArchive(dir / "huge.rar"));
    EXPECT_EQ(rar.ArchiveInformation().UnCompressedSize(), INT64_MAX);
    EXPECT_EQ(rardll::WalkArchiveFile(dir / "huge.rar").verdict, rardll::ChainVerdict::Whole);
}

// The set is judged on the volume the library ended on: its last.
TEST(ArchiveVerdict, ADamagedLastVolumeFailsTheSet) {
    TempDir dir;
    for (const std::string& v : VolumeSet().volumes)
        fs::copy_file(v, dir / fs::path(v).filename().string());
    const std::string last = dir / fs::path(VolumeSet().volumes.back()).filename().string();
    const std::string bytes = ReadFile(last);
    WriteFile(last, bytes.substr(0, bytes.size() - 3));  // inside its end block
    const std::string first = dir / fs::path(VolumeSet().archive).filename().string();
    EXPECT_FALSE(ReferenceAccepts(first, dir / "reference"));
    EXPECT_FALSE(ComponentAccepts(first, dir / "out"));
}

// A fuzz finding the library crashes on while listing (see tests/fixtures/):
// its walk stops at the file header whose checksum fails.
TEST(ArchiveVerdict, FileHeaderTheLibraryCrashesOnIsDamaged) {
    const rardll::ChainWalk walk = rardll::WalkArchiveFile(
        std::string(TEST_SOURCE_DIR) + "/fixtures/file-header-listing-crash-1.rar");
    EXPECT_EQ(walk.verdict, rardll::ChainVerdict::Damaged);
    EXPECT_EQ(walk.blocks, 1u);
}

// Main headers the library crashes on: the fuzz findings under tests/fixtures/
// (see its README), each also with its checksum made right, and one made here. They are judged
// damaged and never handed to the library; the run fails as for any damaged
// archive.
TEST(ArchiveVerdict, MainHeadersTheLibraryCrashesOnAreNotOpened) {
    TempDir dir;
    // Main header whose metadata record (type 2) names the archive with an
    // empty name.
    const std::string record("\x03\x02\x01\x00", 4);  // size, type, flags, name size
    WriteFile(dir / "empty-name.rar", std::string("Rar!\x1A\x07\x01\x00", 8) +
                                          Rar5Block(1, 5, Vint(record.size()) + Vint(0) + record) +
                                          Rar5Block(5, 0, Vint(0)));
    std::vector<std::string> files = {dir / "empty-name.rar"};
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "main-header-library-crash-" + std::to_string(i) + ".rar";
        files.push_back(std::string(TEST_SOURCE_DIR) + "/fixtures/" + name);
        // The same with the first block's checksum made right.
        std::string bytes = ReadFile(files.back());
        const std::size_t at = bytes.find(std::string("Rar!\x1A\x07\x01\x00", 8)) + 8;
        const std::size_t size = static_cast<unsigned char>(bytes[at + 4]);  // one-byte size
        const std::uint32_t crc = Crc32(bytes.substr(at + 4, 1 + size));
        for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(crc >> (8 * k) & 0xFF);
        WriteFile(dir / name, bytes);
        files.push_back(dir / name);
    }
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const rardll::ChainWalk walk = rardll::WalkArchiveFile(file);
        EXPECT_EQ(walk.verdict, rardll::ChainVerdict::Damaged);
        EXPECT_EQ(walk.blocks, 0u);
        TRAR rar;
        ArchiveRecorder seen(rar);
        rar.ListArchive(file);
        EXPECT_FALSE(rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true));
        EXPECT_TRUE(seen.reported(rardll::ERAR_BAD_ARCHIVE, roOpenArchive));
        EXPECT_FALSE(rar.FirstOrSingleArchive(file));
    }
}

}  // namespace
