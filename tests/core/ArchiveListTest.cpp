// Listing real archives made by rar (and stored RAR 4 archives) with the real
// library: what ArchiveInformation and OnListFile report.

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>

#include "ArchiveRecorder.h"
#include "archive/BlockChain.h"
#include "archive/RAR.h"
#include "support/Fixtures.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

// The program runs with a UTF-8 character type (see app/main.cpp): the
// library converts 8-bit names and passwords with it. So do these tests.
class Utf8Locale : public ::testing::Environment {
public:
    void SetUp() override {
        if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
    }
};
::testing::Environment* const utf8Locale = ::testing::AddGlobalTestEnvironment(new Utf8Locale);

std::string Hex(std::uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}

TEST(ArchiveListing, PlainArchiveEntriesAndTotals) {
    const ArchiveFixture& f = PlainArchive();
    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(f.archive));
    EXPECT_TRUE(seen.failures().empty());
    const TRARArchiveInformation& info = rar.ArchiveInformation();
    EXPECT_TRUE(info.ListingDone());
    EXPECT_EQ(info.FileName(), f.archive);

    std::int64_t total = 0;
    for (const std::string& file : f.files) {
        SCOPED_TRACE(file);
        const TRARFileItem* item = seen.item(file);
        ASSERT_NE(item, nullptr);
        std::string content = ReadFile(f.source + "/" + file);
        EXPECT_EQ(item->FileNameW, rardll::Utf8ToWide(LibraryEntryName(file)));
        EXPECT_EQ(item->UnCompressedSize, static_cast<std::int64_t>(content.size()));
        EXPECT_EQ(item->CRC, Hex(Crc32(content)));
        EXPECT_EQ(item->HostOS, "Unix");
        EXPECT_GT(item->Time, 40000) << "a date after 2009";
        EXPECT_FALSE(item->Encrypted);
        total += static_cast<std::int64_t>(content.size());
    }
    EXPECT_EQ(info.TotalFiles(), static_cast<int>(f.files.size())) << "folders are not counted";
    EXPECT_GT(seen.listed.size(), f.files.size()) << "folders are listed";
    EXPECT_EQ(info.UnCompressedSize(), total);
    EXPECT_LT(info.CompressedSize(), total);
    EXPECT_EQ(info.HostOS(), "Unix");
    EXPECT_EQ(info.ArchiverMajorVersion() * 10 + info.ArchiverMinorVersion(),
              static_cast<unsigned>(seen.listed[0].UnpackVersion));
    EXPECT_GE(info.DictionarySize(), 128 * 1024);
    EXPECT_FALSE(info.Solid() || info.Encryption() || info.HeaderEncrypted() ||
                 info.MultiVolume() || info.ArchiveComment() || info.SFX() || info.Locked());
}

TEST(ArchiveListing, ArchiveKindsSetTheirFlags) {
    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(SolidArchive().archive));
    EXPECT_TRUE(rar.ArchiveInformation().Solid());
    EXPECT_FALSE(rar.ArchiveInformation().Encryption()) << "reset by the next listing";

    seen.clear();
    ASSERT_TRUE(rar.ListArchive(EncryptedArchive().archive));
    EXPECT_TRUE(rar.ArchiveInformation().Encryption());
    EXPECT_FALSE(rar.ArchiveInformation().Solid()) << "reset";
    EXPECT_FALSE(rar.ArchiveInformation().HeaderEncrypted());
    EXPECT_TRUE(seen.item("readme.txt") && seen.item("readme.txt")->Encrypted);

    ASSERT_TRUE(rar.ListArchive(CommentArchive().archive));
    EXPECT_TRUE(rar.ArchiveInformation().ArchiveComment());
    EXPECT_EQ(rar.ArchiveInformation().Comment(), kFixtureComment);
    EXPECT_TRUE(rar.ArchiveInformation().Locked());
    EXPECT_TRUE(rar.ArchiveInformation().Recovery());

    ASSERT_TRUE(rar.ListArchive(VolumeSet().archive));
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
    EXPECT_TRUE(seen.failures().empty());
}

TEST(ArchiveListing, EncryptedHeadersAskForThePasswordOfTheArchive) {
    const ArchiveFixture& f = EncryptedHeadersArchive();
    TRAR rar;
    ArchiveRecorder seen(rar);
    std::vector<std::pair<bool, std::wstring>> asked;
    std::string answer = kFixturePassword;
    bool cancel = false;
    rar.OnPasswordRequired = [&](TRAR&, bool headers, const std::wstring& name, std::string& pw,
                                 bool& c) {
        asked.emplace_back(headers, name);
        pw = answer;
        c = cancel;
    };
    ASSERT_TRUE(rar.ListArchive(f.archive));
    ASSERT_FALSE(asked.empty());
    EXPECT_TRUE(asked[0].first);
    EXPECT_EQ(asked[0].second, rardll::Utf8ToWide(f.archive));
    EXPECT_TRUE(rar.ArchiveInformation().HeaderEncrypted());
    EXPECT_EQ(rar.ArchiveInformation().TotalFiles(), static_cast<int>(f.files.size()));

    // Refused: nothing listed, and the listing still reports its close.
    cancel = true;
    seen.clear();
    EXPECT_TRUE(rar.ListArchive(f.archive));
    EXPECT_TRUE(seen.listed.empty());
    EXPECT_FALSE(seen.failures().empty());
}

TEST(ArchiveListing, FileSplitOverThreeVolumes) {
    const ArchiveFixture& f = SplitFileArchive();
    ASSERT_EQ(f.volumes.size(), 3u);
    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(f.archive));
    ASSERT_EQ(seen.listed.size(), 1u) << "one entry, at its last part";
    EXPECT_EQ(seen.listed[0].FileName, "whole.bin");
    EXPECT_EQ(seen.listed[0].CompressedSize, 150000) << "stored: the parts add up to the file";
    EXPECT_EQ(rar.ArchiveInformation().TotalFiles(), 1);
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
    EXPECT_EQ(seen.volumes.size(), 2u) << "two volume changes";

    rar.ReadMultiVolumeToEnd = false;
    seen.clear();
    ASSERT_TRUE(rar.ListArchive(f.archive));
    ASSERT_FALSE(seen.listed.empty());
    EXPECT_LT(seen.listed[0].CompressedSize, 150000) << "a part on its own";
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
}

// A run lists an archive once for all its attempts: a listing stands for the
// next while the file is the same one, unchanged, and never when it took a
// password, read other volumes or was stopped.
TEST(ArchiveListing, AListingStandsForTheSameUnchangedFile) {
    TempDir dir;
    const std::string copy = dir / "copy.rar";
    std::filesystem::copy_file(PlainArchive().archive, copy);
    TRAR rar;
    ASSERT_TRUE(rar.ListArchive(copy));
    EXPECT_TRUE(rar.ListingCurrent(copy));
    EXPECT_FALSE(rar.ListingCurrent(PlainArchive().archive)) << "another file";

    ASSERT_TRUE(SetModifiedTime(copy, 1234567890));
    EXPECT_FALSE(rar.ListingCurrent(copy)) << "the same bytes, a new time";
    ASSERT_TRUE(rar.ListArchive(copy));
    ASSERT_TRUE(rar.ListingCurrent(copy));
    std::filesystem::copy_file(SolidArchive().archive, dir / "other.rar");
    ASSERT_TRUE(SetModifiedTime(dir / "other.rar", 1234567890));
    std::filesystem::rename(dir / "other.rar", copy);
    EXPECT_FALSE(rar.ListingCurrent(copy)) << "another file under the name";

    rar.OnPasswordRequired = [](TRAR&, bool, const std::wstring&, std::string& pw, bool&) {
        pw = kFixturePassword;
    };
    for (const ArchiveFixture* f : {&EncryptedHeadersArchive(), &VolumeSet()}) {
        ASSERT_TRUE(rar.ListArchive(f->archive));
        EXPECT_GT(rar.ArchiveInformation().TotalFiles(), 0);
        EXPECT_FALSE(rar.ListingCurrent(f->archive)) << f->archive;
    }
    rar.OnListFile = [](TRAR& sender, const TRARFileItem&) { sender.AbortOperation(); };
    ASSERT_TRUE(rar.ListArchive(copy));
    EXPECT_FALSE(rar.ListingCurrent(copy)) << "stopped at its first entry";
}

TEST(ArchiveListing, MissingMiddleVolumeStopsWithoutAsking) {
    const ArchiveFixture& f = VolumeSetMissingMiddle();
    TRAR rar;
    ArchiveRecorder seen(rar);
    int asked = 0;
    rar.OnNextVolumeRequired = [&](TRAR&, const std::string&, std::string&, bool&) { ++asked; };
    EXPECT_TRUE(rar.ListArchive(f.archive)) << "a listing reports its close";
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(rar.AbortRequested());
    EXPECT_TRUE(seen.item("first.txt"));
    EXPECT_FALSE(seen.item("last.txt"));
}

TEST(ArchiveListing, StoredRar4Archives) {
    TempDir dir;
    // CRC-32 of "tarnwick-<n>" for the first n with a leading zero digit.
    std::string zeroLed;
    for (int n = 0; zeroLed.empty(); ++n) {
        std::string d = "tarnwick-" + std::to_string(n);
        if (Crc32(d) < 0x10000000) zeroLed = d;
    }
    std::vector<Rar4Entry> entries(3);
    entries[0].name = "new.txt";
    entries[0].data = "twenty-nine";
    entries[0].unpackVersion = 29;
    entries[1].name = "old.txt";
    entries[1].data = zeroLed;
    entries[1].unpackVersion = 20;
    entries[1].attributes = 0x20;
    entries[2].name = "folder";
    entries[2].directory = true;
    ASSERT_TRUE(WriteRar4(dir / "old.rar", entries));

    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(dir / "old.rar"));
    EXPECT_TRUE(seen.failures().empty());
    EXPECT_EQ(rar.ArchiveInformation().ArchiverMajorVersion(), 2u);
    EXPECT_EQ(rar.ArchiveInformation().ArchiverMinorVersion(), 9u) << "20 later does not lower 29";
    EXPECT_EQ(rar.ArchiveInformation().TotalFiles(), 2);
    EXPECT_EQ(rar.ArchiveInformation().DictionarySize(), 65536);
    ASSERT_EQ(seen.listed.size(), 3u);
    EXPECT_EQ(seen.listed[1].UnpackVersion, 20);
    EXPECT_LT(seen.listed[1].CRC.size(), 8u);
    EXPECT_EQ(seen.listed[1].CRC, Hex(Crc32(zeroLed)));
    EXPECT_NEAR(seen.listed[1].Time, rardll::DosDateTimeToDateTime(entries[1].dosTime), 1e-6);

    // An archive without entries lists successfully (its extraction, which
    // yields nothing, fails as with unrar x: see ArchiveVerdictTest).
    ASSERT_TRUE(WriteRar4(dir / "empty.rar", {}));
    seen.clear();
    EXPECT_TRUE(rar.ListArchive(dir / "empty.rar"));
    EXPECT_TRUE(seen.listed.empty());
    EXPECT_EQ(rar.ArchiveInformation().TotalFiles(), 0);
    EXPECT_TRUE(seen.failures().empty());
}

TEST(ArchiveListing, StoredRar4VolumeSet) {
    TempDir dir;
    std::vector<Rar4Entry> entries(2);
    entries[0].name = "a.txt";
    entries[0].data = PatternData(1000, 1, true);
    entries[1].name = "b.bin";
    entries[1].data = PatternData(5000, 2, false);
    std::vector<std::string> volumes = WriteRar4Volumes(dir / "old", entries, 2000);
    ASSERT_EQ(volumes.size(), 3u);

    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(volumes[0]));
    EXPECT_TRUE(seen.failures().empty());
    ASSERT_EQ(seen.listed.size(), 2u);
    EXPECT_EQ(seen.listed[1].FileName, "b.bin");
    EXPECT_EQ(seen.listed[1].CompressedSize, 5000);
    EXPECT_EQ(seen.listed[1].CRC, Hex(Crc32(entries[1].data)));
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
    EXPECT_EQ(seen.volumes.size(), 2u);

    ASSERT_TRUE(rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true));
    EXPECT_TRUE(ReadFile(dir / "out/b.bin") == entries[1].data);
}

TEST(ArchiveListing, WhatIsNoArchiveListsAndFailsToExtract) {
    TempDir dir;
    WriteFile(dir / "text.rar", "this is not an archive at all");
    for (std::string path : {dir / "text.rar", dir / "missing.rar"}) {
        SCOPED_TRACE(path);
        TRAR rar;
        ArchiveRecorder seen(rar);
        EXPECT_TRUE(rar.ListArchive(path)) << "never opened, so closed";
        ASSERT_FALSE(seen.failures().empty());
        EXPECT_EQ(seen.failures()[0].second, roOpenArchive);
        EXPECT_FALSE(rar.ExtractArchive(rardll::Utf8ToWide(dir / "out"), true));
    }
}

TEST(ArchiveListing, SelfExtractingArchive) {
    // A 32-bit Windows program head with the archive behind it, as a
    // self-extracting archive is built; the library finds the archive in it.
    TempDir dir;
    std::string head(0x200, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = 0x40;
    head.replace(0x40, 6, std::string("PE\0\0\x4C\x01", 6));
    head.replace(0x40 + 24, 2, std::string("\x0B\x01", 2));
    WriteFile(dir / "setup.exe", head + ReadFile(PlainArchive().archive));
    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(dir / "setup.exe"));
    EXPECT_TRUE(rar.ArchiveInformation().SFX());
    EXPECT_TRUE(seen.item("readme.txt"));
    ASSERT_TRUE(rar.ListArchive(PlainArchive().archive));
    EXPECT_FALSE(rar.ArchiveInformation().SFX());
}

TEST(ArchiveListing, NamesOutsideAscii) {
    const ArchiveFixture& f = NonAsciiArchive();
    TRAR rar;
    ArchiveRecorder seen(rar);
    ASSERT_TRUE(rar.ListArchive(f.archive));
    for (const std::string& file : f.files) {
        const TRARFileItem* item = seen.item(file);
        ASSERT_NE(item, nullptr) << file;
        EXPECT_EQ(item->FileNameW, rardll::Utf8ToWide(LibraryEntryName(file)));
    }
}

}  // namespace

// An extraction's listing: the block chain stands for the library's listing
// where it gives the same total; a set of volumes, encrypted headers or a
// watched listing are listed by the library.
TEST(ArchiveListing, AnExtractionsListingFromTheBlockChain) {
    TempDir dir;
    std::vector<Rar4Entry> entries(2);
    entries[0].name = "a.txt";
    entries[0].data = std::string(5000, 'a');
    entries[1].name = "folder";
    entries[1].directory = true;
    ASSERT_TRUE(WriteRar4(dir / "old.rar", entries));
    const std::vector<std::string> whole = {
        PlainArchive().archive, SolidArchive().archive,  EncryptedArchive().archive,
        FoldersArchive().archive, NonAsciiArchive().archive, CommentArchive().archive,
        std::filesystem::path(VerdictArchives().archive).parent_path().string() + "/sfx.sfx",
        dir / "old.rar"};
    for (const std::string& path : whole) {
        SCOPED_TRACE(path);
        TRAR library;
        ArchiveRecorder seen(library);
        ASSERT_TRUE(library.ListArchive(path));
        const rardll::ChainListing chain = rardll::ListingFromChain(path);
        EXPECT_TRUE(chain.complete);
        EXPECT_EQ(chain.entries, seen.listed.size());
        TRAR rar;
        ASSERT_TRUE(rar.ListForExtraction(path));
        EXPECT_TRUE(rar.ArchiveInformation().ListingDone());
        EXPECT_EQ(rar.ArchiveInformation().UnCompressedSize(),
                  library.ArchiveInformation().UnCompressedSize());
        EXPECT_GT(rar.ArchiveInformation().UnCompressedSize(), 0);
        EXPECT_TRUE(rar.ListingCurrent(path));
    }

    // The library's listing: all volumes of a set, and what only it can read.
    TRAR volumes;
    EXPECT_FALSE(rardll::ListingFromChain(VolumeSet().archive).complete);
    ASSERT_TRUE(volumes.ListForExtraction(VolumeSet().archive));
    EXPECT_TRUE(volumes.ArchiveInformation().MultiVolume());
    TRAR hidden;
    int asked = 0;
    hidden.OnPasswordRequired = [&](TRAR&, bool headers, const std::wstring&, std::string& p,
                                    bool&) {
        EXPECT_TRUE(headers);
        p = kFixturePassword;
        ++asked;
    };
    EXPECT_FALSE(rardll::ListingFromChain(EncryptedHeadersArchive().archive).complete);
    ASSERT_TRUE(hidden.ListForExtraction(EncryptedHeadersArchive().archive));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(hidden.ArchiveInformation().HeaderEncrypted());
    TRAR watched;
    ArchiveRecorder seen(watched);
    ASSERT_TRUE(watched.ListForExtraction(PlainArchive().archive));
    EXPECT_EQ(seen.listed.size(), rardll::ListingFromChain(PlainArchive().archive).entries);

    // A file that changes after the walk is walked again.
    TRAR changed;
    ASSERT_TRUE(changed.ListForExtraction(dir / "old.rar"));
    entries[0].data += "more";
    ASSERT_TRUE(WriteRar4(dir / "old.rar", entries));
    EXPECT_FALSE(changed.ListingCurrent(dir / "old.rar"));
    ASSERT_TRUE(changed.ListForExtraction(dir / "old.rar"));
    EXPECT_EQ(changed.ArchiveInformation().UnCompressedSize(), 5004);
}
