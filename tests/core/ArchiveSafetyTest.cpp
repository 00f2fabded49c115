// Hostile archives and hostile surroundings: nothing may be written outside
// the output folder, the harmless entries are still extracted, and the run
// ends.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <set>

#include "ArchiveRecorder.h"
#include "archive/RAR.h"
#include "platform/Files.h"
#include "support/Fixtures.h"
#include "support/Process.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::wstring W(const std::string& s) { return rardll::Utf8ToWide(s); }

// Everything below `root` (links not followed), with size and kind, except
// what lies below `skip`.
std::set<std::string> Snapshot(const std::string& root, const std::string& skip) {
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(fs::u8path(root), ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string p = it->path().generic_u8string();
        if (p == skip || p.rfind(skip + "/", 0) == 0) {
            if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
            continue;
        }
#ifdef _WIN32
        const auto kind = static_cast<int>(it->symlink_status(ec).type());
        const auto size = it->is_regular_file(ec) ? it->file_size(ec) : 0;
        out.insert(p + " " + std::to_string(kind) + " " + std::to_string(size) + " " +
                   std::to_string(FileIdentity(p)));
#else
        struct stat st;
        ::lstat(p.c_str(), &st);
        out.insert(p + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                   std::to_string(st.st_ino));
#endif
    }
    return out;
}

// A scene: root/a/out is the output folder, root/a/outside-dir and
// root/outside.txt lie outside it, and the working folder is root/cwd.
class ArchiveSafety : public ::testing::Test {
protected:
    ArchiveSafety() {
        fs::create_directories(out);
        fs::create_directories(root / "a/outside-dir");
        fs::create_directories(root / "cwd");
        WriteFile(root / "cwd/original.txt", "the user's own file\n");
        WriteFile(root / "a/outside-dir/keep.txt", "keep\n");
        previousCwd = fs::current_path();
        std::error_code ec;
        fs::current_path(fs::u8path(root / "cwd"), ec);
        if (ec) ADD_FAILURE() << "chdir";
    }
    ~ArchiveSafety() override {
        std::error_code ec;
        fs::current_path(previousCwd, ec);
        if (ec) ADD_FAILURE() << "chdir back";
    }

    // Lists and extracts `archive` into the output folder, checking that
    // nothing outside it changed.
    bool Extract(const std::string& archive) {
        std::set<std::string> before = Snapshot(root.path(), out);
        bool absolutePresent = PathExists("/tmp/tarnwick-absolute-target.txt");
        rar.ListArchive(archive);
        seen.clear();
        bool result = rar.ExtractArchive(W(out), true);
        EXPECT_EQ(Snapshot(root.path(), out), before)
            << "something changed outside the output folder";
        EXPECT_EQ(PathExists("/tmp/tarnwick-absolute-target.txt"), absolutePresent);
        return result;
    }
    // Every link inside the output folder resolves inside it.
    void ExpectLinksStayInside() {
        std::string canonicalOut = fs::canonical(out).string();
        for (auto& e : fs::recursive_directory_iterator(out)) {
            if (!e.is_symlink()) continue;
            std::error_code ec;
            fs::path target = fs::weakly_canonical(e.path(), ec);
            EXPECT_EQ(target.string().rfind(canonicalOut + "/", 0), 0u)
                << e.path() << " -> " << target;
        }
    }
    int Result(const std::wstring& name) const {
        for (auto& p : seen.processed)
            if (p.first == name) return p.second;
        return -1000;  // not reported
    }

    TempDir root;
    std::string out = root / "a/out";
    fs::path previousCwd;
    TRAR rar;
    ArchiveRecorder seen{rar};
};

TEST_F(ArchiveSafety, NamesLeadingOutOfTheOutputFolderAreRefused) {
    const std::string absolute = root / "absolute-evil.txt";
    std::vector<Rar4Entry> entries(7);
    const char* names[] = {"good.txt",          "../evil1.txt", "sub/../../evil2.txt", nullptr,
                           "C:/drive-evil.txt", "sub/ok.txt",   "sub//empty-part.txt"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = names[i] ? names[i] : absolute;
        entries[i].data = "entry " + std::to_string(i) + "\n";
    }
    ASSERT_TRUE(WriteRar4(root / "hostile.rar", entries));
    EXPECT_FALSE(Extract(root / "hostile.rar")) << "refused entries fail the run";
    EXPECT_FALSE(PathExists(root / "a/evil1.txt"));
    EXPECT_FALSE(PathExists(root / "a/evil2.txt"));
    EXPECT_FALSE(PathExists(absolute));
    EXPECT_EQ(ReadFile(out + "/good.txt"), "entry 0\n");
    EXPECT_EQ(ReadFile(out + "/sub/ok.txt"), "entry 5\n");
#ifdef _WIN32
    // The library there makes a drive into a folder of the output folder.
    EXPECT_EQ(Result(L"C_/drive-evil.txt"), 0);
    EXPECT_EQ(ReadFile(out + "/C_/drive-evil.txt"), "entry 4\n");
    for (const char* name : {"../evil1.txt", "sub/../../evil2.txt"}) {
#else
    for (const char* name : {"../evil1.txt", "sub/../../evil2.txt", "C:/drive-evil.txt"}) {
#endif
        int r = Result(W(name));
        EXPECT_TRUE(r != 0 && r != -1000) << name << " reported as failed, got " << r;
    }
    EXPECT_NE(Result(W(absolute)), 0);
    EXPECT_EQ(Result(L"good.txt"), 0);
}

TEST_F(ArchiveSafety, SymbolicLinksFromTheArchive) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine 8 makes no symbolic links (CreateSymbolicLinkW succeeds, makes none)";
#endif
    const ArchiveFixture& f = LinksArchive();
    WriteFile(root / "outside.txt", "outside\n");
    Extract(f.archive);
    EXPECT_EQ(ReadFile(out + "/target.txt"), "target\n");
    EXPECT_FALSE(PathExists(root / "a/outside-dir/payload.txt")) << "written through a link";
    EXPECT_EQ(ReadFile(root / "outside.txt"), "outside\n");
    ExpectLinksStayInside();
}

TEST_F(ArchiveSafety, LinksAlreadyInTheOutputFolderAreNotWrittenThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine 8 makes no symbolic links (CreateSymbolicLinkW succeeds, makes none)";
#endif
    const ArchiveFixture& f = PlainArchive();
    fs::create_directory_symlink(root / "a/outside-dir", out + "/data");
    WriteFile(root / "a/victim.txt", "victim\n");
    fs::create_symlink(root / "a/victim.txt", out + "/readme.txt");
    rar.OnReplace = [](TRAR&, const TRARReplaceData&, const TRARReplaceData&,
                       TRARReplaceAction& action) { action = rrOverwrite; };
    EXPECT_FALSE(Extract(f.archive)) << "the entries below the link fail";
    EXPECT_EQ(ReadFile(root / "a/victim.txt"), "victim\n");
    EXPECT_TRUE(fs::is_symlink(out + "/data")) << "the user's link stays";
    // Overwriting replaces the link itself, not the file it points to.
    EXPECT_FALSE(fs::is_symlink(out + "/readme.txt"));
    EXPECT_EQ(ReadFile(out + "/readme.txt"), ReadFile(f.source + "/readme.txt"));
    EXPECT_NE(Result(W("data/notes.txt")), 0);
}

TEST_F(ArchiveSafety, DanglingLinkAtTheDestinationIsAnExistingFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine 8 makes no symbolic links (CreateSymbolicLinkW succeeds, makes none)";
#endif
    fs::create_symlink(root / "a/created-through-link.txt", out + "/readme.txt");
    EXPECT_TRUE(Extract(PlainArchive().archive)) << "no handler: skipped, as any existing file";
    EXPECT_FALSE(PathExists(root / "a/created-through-link.txt"));
    EXPECT_TRUE(fs::is_symlink(out + "/readme.txt"));
}

TEST_F(ArchiveSafety, HardLinkWhoseSourceIsNotInTheArchive) {
    const ArchiveFixture& f = OrphanHardLinkArchive();
    // The working folder holds a file of the source's name; it must not be
    // linked into the output folder.
    Extract(f.archive);
    EXPECT_EQ(ReadFile(out + "/plain.txt"), "plain\n");
    const fs::path cwdFile = fs::u8path(root / "cwd/original.txt");
    std::error_code ec;
    EXPECT_FALSE(fs::equivalent(fs::u8path(out + "/copy.txt"), cwdFile, ec))
        << "linked to a file outside the output folder";
    EXPECT_EQ(fs::hard_link_count(cwdFile), 1u);
}

// The run's own temporary name costs no entry: entries of that name, at the
// top and in a folder, and a hard link and a file copy of such entries, are
// extracted like any other. The temporary of an entry that fails (a folder in
// the way of a folder's last file) or whose source was not extracted (a hard
// link chosen alone) never stays.
TEST_F(ArchiveSafety, TheTemporaryNameCostsNoEntry) {
#ifdef _WIN32
    GTEST_SKIP() << "rar makes its archive at test time, with this process's id in a name";
#endif
    const std::string temp = ".tarnwick-" + std::to_string(::getpid()) + ".part";
    const std::string src = root / "src";
    fs::create_directories(src + "/sub");
    const std::string copied = PatternData(70000, 4, false);
    WriteFile(src + "/" + temp, "top\n");
    WriteFile(src + "/sub/" + temp, copied);
    WriteFile(src + "/sub/copy.bin", copied);
    fs::create_hard_link(src + "/" + temp, src + "/sub/hard.txt");
    WriteFile(src + "/sub/last.txt", "last\n");
    ProcessOptions o;
    o.workingDirectory = src;
    const auto made = RunProcess("/usr/bin/rar",
                                 {"a", "-idq", "-oh", "-oi", root / "temp.rar", temp, "sub/" + temp,
                                  "sub/copy.bin", "sub/hard.txt", "sub/last.txt"},
                                 o);
    ASSERT_EQ(0, made.exitCode) << made.output;
    fs::create_directories(out + "/sub/last.txt");
    EXPECT_FALSE(Extract(root / "temp.rar")) << "the last file fails";
    EXPECT_EQ(ReadFile(out + "/" + temp), "top\n");
    EXPECT_TRUE(ReadFile(out + "/sub/" + temp) == copied);
    EXPECT_TRUE(ReadFile(out + "/sub/copy.bin") == copied);
    EXPECT_EQ(ReadFile(out + "/sub/hard.txt"), "top\n");
    EXPECT_NE(Result(L"sub/last.txt"), 0);
    const auto names = [](const std::string& folder) {
        std::set<std::string> found;
        for (auto& e : fs::recursive_directory_iterator(folder))
            if (e.path().filename().string().rfind(".tarnwick-", 0) == 0)
                found.insert(fs::relative(e.path(), folder).generic_u8string());
        return found;
    };
    EXPECT_EQ(names(out), (std::set<std::string>{temp, "sub/" + temp}));

    const std::string alone = root / "a/alone";
    fs::create_directories(alone);
    rar.ListArchive(root / "temp.rar");
    EXPECT_FALSE(rar.ExtractArchive(W(alone), true, {"sub/hard.txt"}));
    EXPECT_EQ(names(alone), std::set<std::string>{});
}

TEST_F(ArchiveSafety, OutputFolderReachedThroughALink) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine 8 makes no symbolic links (CreateSymbolicLinkW succeeds, makes none)";
#endif
    fs::create_directories(root / "real-out");
    fs::create_directory_symlink(root / "real-out", root / "a/linked-out");
    rar.ListArchive(PlainArchive().archive);
    EXPECT_TRUE(rar.ExtractArchive(W(root / "a/linked-out"), true));
    EXPECT_TRUE(fs::is_symlink(root / "a/linked-out")) << "the user's link survives";
    EXPECT_EQ(ReadFile(root / "real-out/data/deeper/tiny.txt"), "tiny\n");
}

}  // namespace

namespace {

// The library leaves a name of 1,024 characters or more unterminated and cuts
// destinations at 2,047: such entries are refused, never written under a
// shorter name (which may be another existing file, or a folder further up).
TEST_F(ArchiveSafety, NamesTheLibraryWouldCutAreRefused) {
    std::string longName;
    while (longName.size() < 1100) longName += "folder-of-a-long-name/";
    longName += "file.txt";
    std::vector<Rar4Entry> entries(2);
    entries[0].name = longName;
    entries[0].data = "long\n";
    entries[1].name = "short.txt";
    entries[1].data = "short\n";
    ASSERT_TRUE(WriteRar4(root / "long.rar", entries));
    EXPECT_FALSE(Extract(root / "long.rar"));
    EXPECT_NE(Result(W(longName.substr(0, 1024))), 0) << "reported as failed";
    EXPECT_FALSE(PathExists(out + "/folder-of-a-long-name")) << "nothing of it is written";
    EXPECT_EQ(ReadFile(out + "/short.txt"), "short\n");

    // A short name below a deep output folder: folder and name over 2,047.
    std::string deep = out;
    while (deep.size() < 2002) deep += "/deep-folder-level";
    fs::create_directories(deep);
    entries[0].name = "a-name-that-crosses-the-limit-of-two-thousand-and-forty-seven.txt";
    ASSERT_TRUE(WriteRar4(root / "deep.rar", entries));
    rar.ListArchive(root / "deep.rar");
    seen.clear();
    EXPECT_FALSE(rar.ExtractArchive(W(deep), true));
    EXPECT_NE(Result(W(entries[0].name)), 0);
    EXPECT_EQ(ReadFile(deep + "/short.txt"), "short\n");
    std::size_t files = 0;
    for (const std::string& path : TreeBelow(root.path()))
        files += fs::u8path(path).filename().u8string().rfind("a-name-that", 0) == 0;
    EXPECT_EQ(files, 0u) << "not written anywhere under a cut name";
}

// The boundary itself: a destination of 2,047 characters is written, one of
// 2,048 is refused. On Windows the library is given the folder's own path and
// the temporary name, which must fit as well.
TEST_F(ArchiveSafety, DestinationLimitIs2047Characters) {
    std::size_t longest = std::string("edge-1.txt").size();
#ifdef _WIN32
    longest =
        std::max(longest, (".tarnwick-" + std::to_string(platform::ProcessId()) + ".part").size());
#endif
    const std::string over = "edge-" + std::string(longest - 8, '2') + ".txt";  // one more
    const std::size_t folderLength = 2047 - 1 - longest;
    std::string deep = out;
    while (deep.size() + 102 < folderLength) deep += "/" + std::string(100, 'd');
    deep += "/" + std::string(folderLength - deep.size() - 1, 'e');
    fs::create_directories(fs::u8path(deep));
    ASSERT_TRUE(WriteRar4(root / "edge.rar", {{"edge-1.txt", "fits\n"}, {over, "long\n"}}));
    rar.ListArchive(root / "edge.rar");
    seen.clear();
    EXPECT_FALSE(rar.ExtractArchive(W(deep), true));
    EXPECT_EQ(Result(L"edge-1.txt"), 0);
    EXPECT_EQ(ReadFile(deep + "/edge-1.txt"), "fits\n");
    EXPECT_NE(Result(W(over)), 0);
    EXPECT_FALSE(PathExists(deep + "/" + over));
    EXPECT_EQ(TreeBelow(deep), std::vector<std::string>{"edge-1.txt"});
#ifdef _WIN32
    // One more character and the temporary name no longer fits, though the
    // entry's own would: refused, and nothing is left under a cut name.
    const std::string deeper = deep + "e";
    fs::create_directories(fs::u8path(deeper));
    rar.ListArchive(root / "edge.rar");
    seen.clear();
    EXPECT_FALSE(rar.ExtractArchive(W(deeper), true, {"edge-1.txt"}));
    EXPECT_NE(Result(L"edge-1.txt"), 0);
    EXPECT_EQ(TreeBelow(deeper), std::vector<std::string>{});
#endif
}

#ifndef _WIN32  // Windows names are UTF-16, never raw bytes
// 8-bit names come from the library as U+FFFE + U+E0xx and are written with
// their raw bytes (0xFF, the last of them, too): the overwrite question and
// the link guard see those bytes. An output folder that is not UTF-8 receives
// the files itself, also those whose names carry no mark of their own.
TEST_F(ArchiveSafety, NamesThatAreNotUtf8AreCheckedAsWritten) {
    std::vector<Rar4Entry> entries(3);
    entries[0].name = "caf\xE9\xFF.txt";
    entries[0].data = "from the archive\n";
    entries[1].name = "d\xE9j\xE0/inside.txt";
    entries[1].data = "below a link\n";
    entries[2].name = "plain.txt";
    entries[2].data = "plain\n";
    ASSERT_TRUE(WriteRar4(root / "latin1.rar", entries));
    WriteFile(out + "/caf\xE9\xFF.txt", "the user's file\n");
    fs::create_directory_symlink(root / "a/outside-dir", out + "/d\xE9j\xE0");
    std::vector<std::wstring> asked;
    rar.OnReplace = [&](TRAR&, const TRARReplaceData& existing, const TRARReplaceData&,
                        TRARReplaceAction& action) {
        asked.push_back(existing.FileName);
        action = rrSkip;
    };
    EXPECT_FALSE(Extract(root / "latin1.rar")) << "the entry below the link fails";
    ASSERT_EQ(asked.size(), 1u) << "the existing file is asked about";
    EXPECT_EQ(rardll::WideToNative(asked[0]), out + "/caf\xE9\xFF.txt");
    EXPECT_EQ(ReadFile(out + "/caf\xE9\xFF.txt"), "the user's file\n");
    EXPECT_FALSE(PathExists(root / "a/outside-dir/inside.txt"));

    const std::string latin = root / "a/dossier\xE9";
    fs::create_directories(latin);
    rar.ListArchive(root / "latin1.rar");
    EXPECT_TRUE(rar.ExtractArchive(rardll::NativeToWide(latin), true));
    EXPECT_EQ(ReadFile(latin + "/caf\xE9\xFF.txt"), "from the archive\n");
    EXPECT_EQ(ReadFile(latin + "/d\xE9j\xE0/inside.txt"), "below a link\n");
    EXPECT_EQ(ReadFile(latin + "/plain.txt"), "plain\n");
    EXPECT_FALSE(PathExists(root / "a/dossier\xEF\xBF\xBD")) << "no sibling folder";
}

#endif

}  // namespace
