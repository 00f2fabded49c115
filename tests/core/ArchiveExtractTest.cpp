// Extracting real archives with the real library: contents, choosing entries,
// existing files, passwords, volumes and progress.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ArchiveRecorder.h"
#include "archive/RAR.h"
#include "support/Fixtures.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::wstring W(const std::string& s) { return rardll::Utf8ToWide(s); }

// Every file of the fixture's source is in `out` with the same content.
void ExpectAllExtracted(const ArchiveFixture& f, const std::string& out) {
    for (const std::string& file : f.files) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(PathExists(out + "/" + file));
        EXPECT_TRUE(ReadFile(out + "/" + file) == ReadFile(f.source + "/" + file));
    }
}

TEST(ArchiveExtraction, KindsOfArchivesExtractCompletely) {
    const ArchiveFixture* fixtures[] = {&PlainArchive(),    &SolidArchive(), &FoldersArchive(),
                                        &NonAsciiArchive(), &VolumeSet(),    &LargeArchive()};
    for (const ArchiveFixture* f : fixtures) {
        SCOPED_TRACE(f->archive);
        TempDir dir;
        TRAR rar;
        ArchiveRecorder seen(rar);
        ASSERT_TRUE(rar.ListArchive(f->archive));
        // No final delimiter: the component adds it.
        ASSERT_TRUE(rar.ExtractArchive(W(dir / "out"), true));
        EXPECT_TRUE(seen.failures().empty());
        ExpectAllExtracted(*f, dir / "out");
        EXPECT_FALSE(seen.processed.empty());
        for (auto& p : seen.processed) EXPECT_EQ(p.second, 0);
    }
    TempDir dir;
    TRAR rar;
    rar.ListArchive(FoldersArchive().archive);
    rar.ExtractArchive(W(dir / "out"), true);
    EXPECT_TRUE(fs::is_directory(dir / "out/empty/inner")) << "empty folders too";
}

// Files are written through the working folder for a moment: after each of
// them, in the handlers and after the run, it is the caller's again. Given
// relative paths, the run writes by full paths, with the same result.
TEST(ArchiveExtraction, TheWorkingFolderStaysTheCallers) {
    const ArchiveFixture& f = FoldersArchive();
    TempDir dir;
    const fs::path caller = fs::current_path();
    TRAR rar;
    int processed = 0;
    rar.OnFileProcessed = [&](TRAR&, const std::wstring&, TRAROperation, int) {
        EXPECT_EQ(caller, fs::current_path());
        ++processed;
    };
    ASSERT_TRUE(rar.ListArchive(f.archive));
    ASSERT_TRUE(rar.ExtractArchive(W(dir / "out"), true));
    EXPECT_EQ(caller, fs::current_path());
    EXPECT_GT(processed, 2);
    ExpectAllExtracted(f, dir / "out");

    // With no handler to run between files the working folder may stay in a
    // folder from one file to the next; a question still finds the caller's.
    TRAR kept;
    int asked = 0;
    kept.OnReplace = [&](TRAR&, const TRARReplaceData&, const TRARReplaceData&,
                         TRARReplaceAction& action) {
        EXPECT_EQ(caller, fs::current_path());
        action = rrOverwrite;
        ++asked;
    };
    ASSERT_TRUE(kept.ListForExtraction(f.archive));
    ASSERT_TRUE(kept.ExtractArchive(W(dir / "out"), true));
    EXPECT_EQ(caller, fs::current_path());
    EXPECT_EQ(asked, static_cast<int>(f.files.size()));
    ExpectAllExtracted(f, dir / "out");

    // Beside the output folder: on Windows another drive has no relative path.
    fs::copy_file(fs::u8path(f.archive), fs::u8path(dir / "here.rar"));
    fs::current_path(dir.path());
    TRAR relative;
    const bool listed = relative.ListArchive("here.rar");
    const bool extracted = relative.ExtractArchive(L"relative-out", true);
    fs::current_path(caller);
    ASSERT_TRUE(listed && extracted);
    ExpectAllExtracted(f, dir / "relative-out");
}

TEST(ArchiveExtraction, ProgressAddsUpToTheListedTotal) {
    const ArchiveFixture& f = LargeArchive();
    TempDir dir;
    TRAR rar;
    std::int64_t lastDone = 0, total = -1, calls = 0;
    bool ordered = true;
    rar.OnProgress = [&](TRAR&, const std::wstring& name, std::int64_t archiveTotal,
                         std::int64_t archiveDone, std::int64_t fileTotal, std::int64_t fileDone) {
        ordered = ordered && archiveDone > lastDone && fileDone <= fileTotal && !name.empty();
        lastDone = archiveDone;
        total = archiveTotal;
        ++calls;
    };
    ASSERT_TRUE(rar.ListArchive(f.archive));
    EXPECT_EQ(calls, 0) << "a listing unpacks nothing";
    ASSERT_TRUE(rar.ExtractArchive(W(dir.path()), true));
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(total, rar.ArchiveInformation().UnCompressedSize());
    EXPECT_EQ(lastDone, total);
}

TEST(ArchiveExtraction, ChoosingEntriesByNameAndMask) {
    const ArchiveFixture& f = PlainArchive();
    struct Case {
        std::vector<std::string> masks;
        std::vector<std::string> expected;
    } cases[] = {
        {{"README.TXT"}, {"readme.txt"}},
        {{"DATA/Notes.txt"}, {"data/notes.txt"}},
        {{"*/data/*.txt"}, {"data/notes.txt", "data/deeper/tiny.txt"}},
        {{"*[r]ANDOM.bi?", "*/tiny.txt"}, {"data/random.bin", "data/deeper/tiny.txt"}},
        {{"*/data/[!r]*"}, {"data/notes.txt", "data/deeper/tiny.txt"}},
        {{"nothing"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.masks[0]);
        TempDir dir;
        TRAR rar;
        ArchiveRecorder seen(rar);
        rar.ListArchive(f.archive);
        seen.clear();
        EXPECT_TRUE(rar.ExtractArchive(W(dir.path()), true, c.masks));
        std::vector<std::string> written;
        for (auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file())
                written.push_back(
                    fs::relative(e.path(), fs::u8path(dir.path())).generic_u8string());
        std::sort(written.begin(), written.end());
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(written, expected);
        // Entries not chosen fire no event (a chosen folder may).
        for (auto& p : seen.processed) {
            bool ok = false;
            for (auto& e : expected) ok = ok || W(e).rfind(p.first, 0) == 0;
            EXPECT_TRUE(ok) << rardll::WideToUtf8(p.first);
        }
    }
}

TEST(ArchiveExtraction, FlatExtractionKeepsOnlyTheLastNamePart) {
    TempDir dir;
    TRAR rar;
    rar.ListArchive(PlainArchive().archive);
    ASSERT_TRUE(rar.ExtractArchive(W(dir.path() + "/"), false));
    EXPECT_EQ(ReadFile(dir / "tiny.txt"), "tiny\n");
    EXPECT_TRUE(PathExists(dir / "notes.txt"));
    EXPECT_FALSE(PathExists(dir / "data/notes.txt"));
}

TEST(ArchiveExtraction, ExistingFiles) {
    const ArchiveFixture& f = PlainArchive();
    TempDir dir;
    WriteFile(dir / "readme.txt", "mine");
    TRAR rar;
    ArchiveRecorder seen(rar);
    rar.ListArchive(f.archive);

    // No handler: the user's file stays, and that is no failure.
    EXPECT_TRUE(rar.ExtractArchive(W(dir.path()), true));
    EXPECT_EQ(ReadFile(dir / "readme.txt"), "mine");
    EXPECT_TRUE(PathExists(dir / "data/notes.txt"));

    // The handler sees the file on disk and the entry, both at the destination.
    std::vector<std::pair<TRARReplaceData, TRARReplaceData>> asked;
    TRARReplaceAction answer = rrSkip;
    rar.OnReplace = [&](TRAR&, const TRARReplaceData& existing, const TRARReplaceData& incoming,
                        TRARReplaceAction& action) {
        EXPECT_EQ(action, rrSkip) << "preset";
        asked.emplace_back(existing, incoming);
        action = answer;
    };
    fs::remove_all(dir / "data");
    answer = rrOverwrite;
    EXPECT_TRUE(rar.ExtractArchive(W(dir.path()), true));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first.FileName, W(dir / "readme.txt"));
    EXPECT_EQ(asked[0].second.FileName, W(dir / "readme.txt"));
    EXPECT_EQ(asked[0].first.Size, 4);
    EXPECT_EQ(asked[0].second.Size, 3000);
    EXPECT_GT(asked[0].first.Time, asked[0].second.Time) << "the user's file was written just now";
    EXPECT_EQ(ReadFile(dir / "readme.txt"), ReadFile(f.source + "/readme.txt"));

    // An entry that fails its check replaces nothing and leaves nothing.
    ASSERT_TRUE(
        WriteRar4(dir / "damaged.rar", {{"readme.txt", "data the checksum will not match"}}));
    std::string bytes = ReadFile(dir / "damaged.rar");
    bytes[bytes.find("checksum")] ^= 0x20;
    WriteFile(dir / "damaged.rar", bytes);
    WriteFile(dir / "readme.txt", "mine");
    rar.ListArchive(dir / "damaged.rar");
    EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
    EXPECT_EQ(ReadFile(dir / "readme.txt"), "mine");
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename().string().rfind(".tarnwick-", 0), 0u) << "a temporary left";
    rar.ListArchive(f.archive);

    // Cancel: stops after the current entry; no library failure, so true.
    WriteFile(dir / "data/notes.txt", "mine");
    fs::remove(dir / "readme.txt");
    fs::remove_all(dir / "data/deeper");
    fs::remove(dir / "data/random.bin");
    answer = rrCancel;
    std::size_t before = asked.size();
    EXPECT_TRUE(rar.ExtractArchive(W(dir.path()), true));
    EXPECT_EQ(asked.size(), before + 1);
    EXPECT_TRUE(rar.AbortRequested());
    EXPECT_EQ(ReadFile(dir / "data/notes.txt"), "mine");
    int present = PathExists(dir / "readme.txt") + PathExists(dir / "data/random.bin") +
                  PathExists(dir / "data/deeper/tiny.txt");
    EXPECT_LT(present, 3) << "entries after the cancelled one are not extracted";

    // A file that takes the entry's name while the entry is being written,
    // after the walk found the name free, is asked for: never replaced unasked.
    for (const TRARReplaceAction late : {rrSkip, rrOverwrite}) {
        SCOPED_TRACE(late == rrSkip ? "skip" : "overwrite");
        TempDir out;
        rar.OnProgress = [&](TRAR&, const std::wstring& file, std::int64_t, std::int64_t,
                             std::int64_t, std::int64_t) {
            if (file == L"readme.txt" && !PathExists(out / "readme.txt"))
                WriteFile(out / "readme.txt", "made meanwhile");
        };
        answer = late;
        before = asked.size();
        EXPECT_TRUE(rar.ExtractArchive(W(out.path()), true));
        EXPECT_EQ(asked.size(), before + 1);
        EXPECT_EQ(ReadFile(out / "readme.txt"),
                  late == rrSkip ? "made meanwhile" : ReadFile(f.source + "/readme.txt"));
        for (const auto& e : fs::directory_iterator(out.path()))
            EXPECT_NE(e.path().filename().string().rfind(".tarnwick-", 0), 0u) << "a temporary left";
    }
    rar.OnProgress = nullptr;
}

TEST(ArchiveExtraction, EncryptedData) {
    const ArchiveFixture& f = EncryptedArchive();
    TRAR rar;
    ArchiveRecorder seen(rar);
    std::string answer = kFixturePassword;
    bool cancel = false;
    std::vector<std::pair<bool, std::wstring>> asked;
    rar.OnPasswordRequired = [&](TRAR&, bool headers, const std::wstring& name, std::string& pw,
                                 bool& c) {
        asked.emplace_back(headers, name);
        pw = answer;
        c = cancel;
    };
    ASSERT_TRUE(rar.ListArchive(f.archive));
    EXPECT_TRUE(asked.empty()) << "names are readable without the password";
    {
        TempDir dir;
        ASSERT_TRUE(rar.ExtractArchive(W(dir.path()), true));
        ExpectAllExtracted(f, dir.path());
        ASSERT_FALSE(asked.empty());
        EXPECT_FALSE(asked[0].first);
        bool named = false;
        for (const auto& file : f.files) named = named || W(file) == asked[0].second;
        EXPECT_TRUE(named) << "names an encrypted entry, not the archive";
    }
    for (bool refuse : {false, true}) {
        TempDir dir;
        answer = refuse ? kFixturePassword : "wrong";
        cancel = refuse;
        seen.clear();
        EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
        EXPECT_FALSE(seen.processed.empty());
        EXPECT_NE(seen.processed[0].second, 0);
        EXPECT_FALSE(PathExists(dir / "readme.txt") &&
                     ReadFile(dir / "readme.txt") == ReadFile(f.source + "/readme.txt"));
    }
}

TEST(ArchiveExtraction, EncryptedHeaders) {
    const ArchiveFixture& f = EncryptedHeadersArchive();
    TempDir dir;
    TRAR rar;
    std::vector<std::pair<bool, std::wstring>> asked;
    rar.OnPasswordRequired = [&](TRAR&, bool headers, const std::wstring& name, std::string& pw,
                                 bool&) {
        asked.emplace_back(headers, name);
        pw = kFixturePassword;
    };
    ASSERT_TRUE(rar.ListArchive(f.archive));
    asked.clear();
    ASSERT_TRUE(rar.ExtractArchive(W(dir.path()), true));
    ExpectAllExtracted(f, dir.path());
    ASSERT_FALSE(asked.empty());
    EXPECT_FALSE(asked[0].first) << "after a listing the request is not for the headers";
    EXPECT_FALSE(asked[0].second.empty()) << "named after the first entry";
}

TEST(ArchiveExtraction, MissingMiddleVolume) {
    const ArchiveFixture& f = VolumeSetMissingMiddle();
    TRAR rar;
    ArchiveRecorder seen(rar);
    rar.ListArchive(f.archive);
    {
        // As the program sets it up: stop at once, no question.
        TempDir dir;
        EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
        EXPECT_EQ(ReadFile(dir / "first.txt"), ReadFile(f.source + "/first.txt"));
        EXPECT_FALSE(PathExists(dir / "last.txt"));
    }
    rar.AutoNextVolumeOnList = false;
    {
        // Nobody to ask: stop instead of looking for the same volume for ever.
        TempDir dir;
        EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
    }
    {
        // The handler names the volume's new place; the library finds the
        // volumes after it beside it.
        TempDir dir, elsewhere;
        for (std::size_t i = 1; i < VolumeSet().volumes.size(); ++i)
            fs::copy_file(VolumeSet().volumes[i],
                          elsewhere / fs::path(VolumeSet().volumes[i]).filename().string());
        std::vector<std::string> required;
        rar.OnNextVolumeRequired = [&](TRAR&, const std::string& name, std::string& newName,
                                       bool& cancel) {
            required.push_back(name);
            newName = elsewhere / fs::path(name).filename().string();
            cancel = required.size() > 3;
        };
        seen.clear();
        EXPECT_TRUE(rar.ExtractArchive(W(dir.path()), true));
        ASSERT_EQ(required.size(), 1u);
        EXPECT_EQ(fs::path(required[0]).filename(), "set.part2.rar");
        ExpectAllExtracted(f, dir.path());
        EXPECT_FALSE(seen.volumes.empty());
    }
    {
        TempDir dir;
        rar.OnNextVolumeRequired = [&](TRAR&, const std::string&, std::string&, bool& cancel) {
            cancel = true;
        };
        EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
    }
}

TEST(ArchiveExtraction, AbortFromAHandler) {
    TempDir dir;
    TRAR rar;
    rar.OnProgress = [](TRAR& r, const std::wstring&, std::int64_t, std::int64_t, std::int64_t,
                        std::int64_t) { r.AbortOperation(); };
    rar.ListArchive(LargeArchive().archive);
    EXPECT_FALSE(rar.ExtractArchive(W(dir.path()), true));
    EXPECT_FALSE(PathExists(dir / "small.txt")) << "the walk stops";
}

}  // namespace
