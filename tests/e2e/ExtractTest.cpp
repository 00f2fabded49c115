// Extraction runs of the real program: archives made by `rar`, extracted by the
// program offscreen with a settings folder of the test's own, and compared
// with what `unrar x` makes of the same archive. The run's dialogs are
// answered (and logged) through TARNWICK_DIALOG_SCRIPT.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/ProgramRun.h"
#include "support/Fixtures.h"
#include "support/Process.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteFile;

// Every entry below a folder: relative path -> "D" for a folder, "F" and the
// bytes for a file, "L" and the target for a link.
using Tree = std::map<std::string, std::string>;

Tree readTree(const fs::path& root, const std::vector<std::string>& skip = {}) {
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (std::find(skip.begin(), skip.end(), rel) != skip.end()) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (it->is_symlink())
            tree[rel] = "L" + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            tree[rel] = "D";
        else
            tree[rel] = "F" + ReadFile(it->path().string());
    }
    return tree;
}

// The entries that differ between two trees, for a readable failure.
std::string treeDifference(const Tree& expected, const Tree& actual) {
    std::string out;
    for (const auto& [name, what] : expected) {
        auto found = actual.find(name);
        if (found == actual.end())
            out += "missing: " + name + "\n";
        else if (found->second != what)
            out += "differs: " + name + "\n";
    }
    for (const auto& [name, what] : actual)
        if (!expected.count(name)) out += "extra: " + name + "\n";
    return out;
}

#define EXPECT_SAME_TREE(expected, actual) EXPECT_EQ("", treeDifference((expected), (actual)))

std::string randomBytes(std::size_t n, unsigned seed, bool compressible) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = compressible ? "abcdefgh \n"[gen() % 10] : static_cast<char>(gen() & 0xff);
    return s;
}

ProcessOptions utf8() {
    ProcessOptions o;
    o.env = {{"LC_ALL", "C.UTF-8"}};
    o.timeoutSeconds = 120;
    return o;
}

// `rar a` run in `folder` over `what`; fails the test when rar fails.
void makeArchive(const std::string& folder, const std::string& archive,
                 const std::vector<std::string>& what,
                 const std::vector<std::string>& switches = {}) {
    std::vector<std::string> args{"a", "-idq", "-r"};
    args.insert(args.end(), switches.begin(), switches.end());
    args.push_back(archive);
    args.insert(args.end(), what.begin(), what.end());
    auto o = utf8();
    o.workingDirectory = folder;
    const auto r = RunProcess("/usr/bin/rar", args, o);
    ASSERT_EQ(0, r.exitCode) << r.output;
}

// A small tree of folders, an empty folder, a non-ASCII name and mixed data.
void makeSourceTree(const std::string& root) {
    fs::create_directories(root + "/docs/deep/deeper");
    fs::create_directories(root + "/empty folder");
    fs::create_directories(root + "/Grüße");
    WriteFile(root + "/readme.txt", "hello\n");
    WriteFile(root + "/docs/text.txt", randomBytes(200000, 1, true));
    WriteFile(root + "/docs/deep/deeper/noise.bin", randomBytes(150000, 2, false));
    WriteFile(root + "/Grüße/Ünïcødé ✓.txt", "non-ascii\n");
    WriteFile(root + "/zero.dat", "");
}

class ExtractRun : public ProgramRunTest {
protected:
    void setFlag(const std::string& name) { WriteFile(settingsFolder + name, ":-)\r\n"); }
    void setValue(const std::string& name, const std::string& v) {
        WriteFile(settingsFolder + name, v + "\r\n");
    }

    ProcessResult run(const std::vector<std::string>& args,
                      std::vector<std::pair<std::string, std::string>> extraEnv = {},
                      const std::string& cwd = {}) {
        ProcessOptions o;
        o.env = runEnvironment();
        o.env.insert(o.env.end(), extraEnv.begin(), extraEnv.end());
        o.workingDirectory = cwd.empty() ? workingDirectory : cwd;
        o.timeoutSeconds = 60;
        return RunProcess(TARNWICK_BINARY, args, o);
    }

    static bool logHas(const std::vector<std::string>& log, const std::string& what) {
        for (const auto& l : log)
            if (l.find(what) != std::string::npos) return true;
        return false;
    }

    // What `unrar x` makes of the archive.
    Tree reference(const std::string& archive) {
        const std::string out = dir / ("reference" + std::to_string(refs++));
        fs::create_directories(out);
        auto o = utf8();
        const auto r = RunProcess("/usr/bin/unrar", {"x", "-idq", "-o+", archive, out + "/"}, o);
        EXPECT_EQ(0, r.exitCode) << r.output;
        return readTree(out);
    }

    std::string workingDirectory;
    int refs = 0;
};

TEST_F(ExtractRun, TreeEqualsUnrarInTheArchivesFolderAndInASubfolder) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/Photos.rar", {"*"});
    const Tree expected = reference(dir / "in/Photos.rar");
    ASSERT_TRUE(expected.count("empty folder"));
    ASSERT_TRUE(expected.count("Grüße/Ünïcødé ✓.txt"));

    // A "writeok.txt" of the user's in the output folder stays as it is.
    WriteFile(dir / "in/writeok.txt", "mine");
    auto r = run({dir / "in/Photos.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_SAME_TREE(expected, readTree(dir / "in", {"Photos.rar", "writeok.txt"}));
    EXPECT_EQ("mine", ReadFile(dir / "in/writeok.txt"));
    EXPECT_TRUE(dialogLog().empty());

    fs::remove_all(dir / "in");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/Photos.rar", {"*"});
    setFlag("subdir.txt");
    r = run({dir / "in/Photos.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_SAME_TREE(expected, readTree(dir / "in/Photos"));
    EXPECT_EQ((std::vector<std::string>{"Photos", "Photos.rar"}), [&] {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir / "in")) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }());
}

// A link whose target climbs ("..") is made by its path from the output
// folder; the files after it in its own folder still land in that folder.
TEST_F(ExtractRun, FilesAfterALinkMadeByItsPathLandInTheirFolder) {
    fs::create_directories(dir / "src/sub");
    fs::create_directories(dir / "in");
    WriteFile(dir / "src/x.txt", "x\n");
    fs::create_symlink("../x.txt", dir / "src/sub/up");
    WriteFile(dir / "src/sub/after.txt", "after\n");
    makeArchive(dir / "src", dir / "in/l.rar", {"x.txt", "sub/up", "sub/after.txt"}, {"-ol"});
    const Tree expected = reference(dir / "in/l.rar");
    ASSERT_TRUE(expected.count("sub/after.txt"));
    EXPECT_EQ(0, run({dir / "in/l.rar"}).exitCode);
    EXPECT_SAME_TREE(expected, readTree(dir / "in", {"l.rar"}));
}

// An archive that keeps older versions of a file ("rar a -ver", here ";1" to
// ";10") gives only the newest, under its plain name, as `unrar x` does; what
// makes a version is its header, not its name: "plain;1" beside "plain",
// added without -ver, is an ordinary file.
TEST_F(ExtractRun, OlderVersionsOfAFileAreNotWritten) {
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "in");
    for (int version = 1; version <= 11; ++version) {
        WriteFile(dir / "src/notes.txt", "version " + std::to_string(version) + "\n");
        makeArchive(dir / "src", dir / "in/v.rar", {"notes.txt"}, {"-ver"});
    }
    WriteFile(dir / "src/plain", "plain\n");
    WriteFile(dir / "src/plain;1", "not a version\n");
    makeArchive(dir / "src", dir / "in/v.rar", {"plain", "plain;1"});
    const Tree expected = reference(dir / "in/v.rar");
    ASSERT_EQ((Tree{{"notes.txt", "Fversion 11\n"},
                    {"plain", "Fplain\n"},
                    {"plain;1", "Fnot a version\n"}}),
              expected);
    EXPECT_EQ(0, run({dir / "in/v.rar"}).exitCode);
    EXPECT_SAME_TREE(expected, readTree(dir / "in", {"v.rar"}));
    EXPECT_TRUE(dialogLog().empty());
}

// A hard link whose source is not there to link to is refused by the
// library (`unrar x` exits 9): the run reports the failure.
TEST_F(ExtractRun, ARefusedHardLinkEndsWithTheFailureReport) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::OrphanHardLinkArchive().archive, dir / "in/links.rar");
    WriteFile(script, "TFailedForm OKButton\n");
    EXPECT_EQ(0, run({dir / "in/links.rar"}).exitCode);
    EXPECT_TRUE(logHas(dialogLog(), "TFailedForm | "));
    EXPECT_EQ("plain\n", ReadFile(dir / "in/plain.txt"));
    EXPECT_FALSE(fs::exists(dir / "in/copy.txt"));
}

// A name stored twice whose second copy fails its checksum fails the run
// (`unrar x` exits 3), also when the later attempts with other passwords pass
// over what an earlier one extracted: only the first copy was.
TEST_F(ExtractRun, ASecondCopyOfANameThatFailsEndsWithTheFailureReport) {
    fs::create_directories(dir / "in");
    ASSERT_TRUE(testing_support::WriteRar4(dir / "in/twice.rar", {{"a.txt", "first copy\n"},
                                                  {"a.txt", "second copy\n"},
                                                  {"b.txt", "other\n"}}));
    std::string bytes = ReadFile(dir / "in/twice.rar");
    bytes[bytes.find("second")] ^= 0x20;
    WriteFile(dir / "in/twice.rar", bytes);
    // Passwords to try: each failed attempt makes another.
    setFlag("trylist.txt");
    WriteFile(settingsFolder + "passlist.txt", "one\r\ntwo\r\n");
    setValue("listname.txt", settingsFolder + "passlist.txt");
    WriteFile(script, "TReplaceForm replaceButton\nTFailedForm OKButton\n");
    EXPECT_EQ(0, run({dir / "in/twice.rar"}).exitCode);
    EXPECT_TRUE(logHas(dialogLog(), "TFailedForm | "));
    EXPECT_EQ("other\n", ReadFile(dir / "in/b.txt"));
}

TEST_F(ExtractRun, SubfolderGetsAnUnderscoreWhenAFileHasItsName) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/Photos.rar", {"readme.txt"});
    WriteFile(dir / "in/Photos", "a file in the way");
    setFlag("subdir.txt");
    const auto r = run({dir / "in/Photos.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("a file in the way", ReadFile(dir / "in/Photos"));
    EXPECT_EQ("hello\n", ReadFile(dir / "in/Photos_/readme.txt"));

    // A name that would make the subfolder the folder above gets the "_" too.
    fs::rename(dir / "in/Photos.rar", dir / "in/...rar");
    const auto dots = run({dir / "in/...rar"});
    EXPECT_EQ(0, dots.exitCode) << dots.output;
    EXPECT_EQ("hello\n", ReadFile(dir / "in/.._/readme.txt"));
    EXPECT_FALSE(fs::exists(dir / "readme.txt"));
}

TEST_F(ExtractRun, FolderSettingNamesTheOutputFolderOrFallsBackToTheDesktop) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "target");
    makeArchive(dir / "src", dir / "in/a.rar", {"*"});
    const Tree expected = reference(dir / "in/a.rar");

    setValue("folder.txt", dir / "target");
    auto r = run({dir / "in/a.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_SAME_TREE(expected, readTree(dir / "target"));
    EXPECT_SAME_TREE(Tree{}, readTree(dir / "in", {"a.rar"}));

    // The folder named there has gone: the desktop takes the files.
    fs::remove_all(dir / "target");
    r = run({dir / "in/a.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_SAME_TREE(expected, readTree(home + "/Desktop"));
    EXPECT_FALSE(fs::exists(dir / "target"));
}

TEST_F(ExtractRun, MultiVolumeArchiveFromItsFirstPart) {
    fs::create_directories(dir / "src");
    WriteFile(dir / "src/big.bin", randomBytes(600000, 3, false));
    WriteFile(dir / "src/small.txt", "small\n");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/Set.rar", {"*"}, {"-v200k", "-m0"});
    ASSERT_TRUE(fs::exists(dir / "in/Set.part3.rar"));
    const Tree expected = reference(dir / "in/Set.part1.rar");

    setFlag("subdir.txt");
    const auto r = run({dir / "in/Set.part1.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_SAME_TREE(expected, readTree(dir / "in/Set.part1"));
}

// Each archive asks for its password; the log shows which process asked.
TEST_F(ExtractRun, ThreeArchivesRunOneAfterAnotherInThreeProcesses) {
    for (const char* n : {"a", "b", "c"}) {
        fs::create_directories(dir / ("src" + std::string(n)));
        fs::create_directories(dir / ("in" + std::string(n)));
        WriteFile(dir / ("src" + std::string(n) + "/" + n + ".txt"), n);
        makeArchive(dir / ("src" + std::string(n)),
                    dir / ("in" + std::string(n) + "/" + n + ".rar"), {"*"}, {"-ppw"});
    }
    WriteFile(script, "TPasswordForm PasswordEdit=pw OKButton\n");
    // The third argument is trimmed on the way, the second is handed on as it is.
    const auto r = run({dir / "ina/a.rar", dir / "inb/b.rar", "  " + (dir / "inc/c.rar") + " "});
    EXPECT_EQ(0, r.exitCode) << r.output;
    // The later processes outlive the first; wait for the last one's file.
    for (int i = 0; i < 300 && !(fs::exists(dir / "inc/c.txt") && dialogLog().size() >= 3); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ("a", ReadFile(dir / "ina/a.txt"));
    EXPECT_EQ("b", ReadFile(dir / "inb/b.txt"));
    EXPECT_EQ("c", ReadFile(dir / "inc/c.txt"));
    const auto log = dialogLog();
    ASSERT_EQ(3u, log.size());
    std::vector<std::string> pids;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NE(std::string::npos, log[i].find(std::string("TPasswordForm | ")));
        EXPECT_NE(std::string::npos, log[i].find(std::string(1, "abc"[i]) + ".txt")) << log[i];
        pids.push_back(log[i].substr(0, log[i].find(' ')));
    }
    EXPECT_NE(pids[0], pids[1]);
    EXPECT_NE(pids[1], pids[2]);
    EXPECT_NE(pids[0], pids[2]);
}

TEST_F(ExtractRun, AFileThatIsNotAnArchiveEndsWithTheFailureReport) {
    fs::create_directories(dir / "in");
    WriteFile(dir / "in/notes.rar", "this is not an archive\n");
    setFlag("subdir.txt");
    WriteFile(script, "TFailedForm OKButton\n");
    const auto r = run({dir / "in/notes.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    const auto log = dialogLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_TRUE(logHas(log, "TFailedForm | ")) << log[0];
    EXPECT_TRUE(logHas(log, "notes.rar")) << log[0];
    // The subfolder made for it was empty and has gone again.
    EXPECT_SAME_TREE(Tree{}, readTree(dir / "in", {"notes.rar"}));
}

TEST_F(ExtractRun, AFolderTheUserAlreadyHadIsKeptAfterAFailure) {
    fs::create_directories(dir / "in/notes");
    WriteFile(dir / "in/notes.rar", "this is not an archive\n");
    setFlag("subdir.txt");
    WriteFile(script, "TFailedForm OKButton\n");
    const auto r = run({dir / "in/notes.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_TRUE(fs::is_directory(dir / "in/notes"));
}

TEST_F(ExtractRun, AMissingLibraryGivesErrorOpeningAndExitCodeOne) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/a.rar", {"readme.txt"});
    WriteFile(script, "QMessageBox accept\n");
    const auto r = run({dir / "in/a.rar", dir / "in/a.rar"},
                       {{"TARNWICK_UNRAR_LIBRARY", dir / "no/such/libunrar.so"}});
    EXPECT_EQ(1, r.exitCode) << r.output;
    const auto log = dialogLog();
    ASSERT_EQ(1u, log.size()) << "the second argument is not handed on";
    EXPECT_TRUE(logHas(log, "QMessageBox | Tarnwick | Error opening RAR file!")) << log[0];
    // It names the file looked for and the package that provides it.
    EXPECT_TRUE(logHas(log, "\"" + (dir / "no/such/libunrar.so") + "\"")) << log[0];
    EXPECT_TRUE(logHas(log, "libunrar5")) << log[0];
    EXPECT_SAME_TREE(Tree{}, readTree(dir / "in", {"a.rar"}));
}

// A FIFO, a folder or a device is no archive: the run says so instead of
// blaming the library (that nothing waits is the settings runs' test).
TEST_F(ExtractRun, WhatIsNotARegularFileIsNamedSo) {
    fs::create_directories(dir / "in/folder.rar");
    ASSERT_EQ(0, ::mkfifo((dir / "in/pipe.rar").c_str(), 0600));
    WriteFile(script, "QMessageBox accept\n");
    for (const std::string& path :
         {dir / "in/pipe.rar", dir / "in/folder.rar", std::string("/dev/null")}) {
        WriteFile(script + ".log", "");
        run({path});
        const auto log = dialogLog();
        ASSERT_EQ(1u, log.size()) << path;
        EXPECT_TRUE(logHas(log, "\"" + path + "\" is not a regular file.")) << log[0];
        EXPECT_FALSE(logHas(log, "libunrar")) << log[0];
    }
}

TEST_F(ExtractRun, AnExistingFileIsAnArchiveWhateverItIsCalled) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "target");
    setValue("folder.txt", dir / "target");
    for (const std::string name : {"--help", "shutdown"}) {
        makeArchive(dir / "src", dir / "in/a.rar", {"readme.txt"});
        fs::rename(dir / "in/a.rar", dir / ("in/" + name));
        const auto r = run({name}, {}, dir / "in");
        EXPECT_EQ(0, r.exitCode) << name << ": " << r.output;
        EXPECT_EQ("hello\n", ReadFile(dir / "target/readme.txt")) << name << " was not extracted";
        fs::remove(dir / "target/readme.txt");
    }
}

TEST_F(ExtractRun, AFolderThatRefusesFilesAsksAndNoEndsTheRun) {
    makeSourceTree(dir / "src");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/a.rar", {"*"});
    // Not even root may create files here.
    setValue("folder.txt", "/proc/self/fdinfo");
    WriteFile(script, "TReadonlyForm skipButton\n");
    const auto r = run({dir / "in/a.rar", dir / "in/a.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    const auto log = dialogLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_TRUE(logHas(log, "TReadonlyForm | ")) << log[0];
    EXPECT_TRUE(logHas(log, "/proc/self/fdinfo/")) << log[0];
    EXPECT_SAME_TREE(Tree{}, readTree(dir / "in", {"a.rar"}));
    EXPECT_SAME_TREE(Tree{}, readTree(home + "/Desktop"));
}

TEST_F(ExtractRun, AQuestionMarkCountsOnlyInAPathThatNamesNoFile) {
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "src");
    WriteFile(dir / "src/q.txt", "q");
    makeArchive(dir / "src", dir / "in/what?.rar", {"q.txt"});
    WriteFile(script, "TNoUnicodeForm OKButton\nTReplaceForm replaceButton\n");
    // An archive whose name really holds "?" is extracted like any other.
    auto r = run({dir / "in/what?.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("q", ReadFile(dir / "in/q.txt"));
    EXPECT_TRUE(dialogLog().empty());

    // A "?" that stands for a lost character: the report, no extraction, and
    // the further archives still go on to the next process.
    r = run({dir / "in/lost?name.rar", dir / "in/what?.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    for (int i = 0; i < 100 && dialogLog().size() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto log = dialogLog();
    ASSERT_EQ(2u, log.size());
    EXPECT_TRUE(logHas(log, "TNoUnicodeForm | ")) << log[0];
    EXPECT_TRUE(logHas(log, "lost?name.rar")) << log[0];
    EXPECT_TRUE(logHas(log, "TReplaceForm | ")) << log[1];
}

TEST_F(ExtractRun, CancellingTheWizardExtractsNothingAndDropsFurtherArchives) {
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "src");
    WriteFile(dir / "src/w.txt", "w");
    makeArchive(dir / "src", dir / "in/w.rar", {"w.txt"});
    setFlag("wizard.txt");
    WriteFile(script, "TWizardForm CancelButton\n");
    const auto r = run({dir / "in/w.rar", dir / "in/w.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    // A run handed on would be started before the first one ends: once no run
    // is left, every dialog there was to show has been logged.
    for (int i = 0; i < 300 && !runsOfThisTest().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto log = dialogLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_TRUE(logHas(log, "TWizardForm | ")) << log[0];
    EXPECT_SAME_TREE(Tree{}, readTree(dir / "in", {"w.rar"}));
}

// The library converts names and passwords with the C library: under a bare
// C locale the run still works in UTF-8, so "café.txt" and "cafè.txt" stay two
// files and a non-ASCII password opens the archive.
TEST_F(ExtractRun, UnderACLocaleNamesAndPasswordsKeepTheirCharacters) {
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "in");
    WriteFile(dir / "src/café.txt", "acute\n");
    WriteFile(dir / "src/cafè.txt", "grave\n");
    makeArchive(dir / "src", dir / "in/accents.rar", {"café.txt", "cafè.txt"}, {"-pPässwört"});
    setValue("silent.txt", "Pässwört");
    WriteFile(script, "TPasswordForm CancelButton\nTFailedForm OKButton\n");
    const auto r = run({dir / "in/accents.rar"}, {{"LC_ALL", "C"}, {"LANG", "C"}});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("acute\n", ReadFile(dir / "in/café.txt"));
    EXPECT_EQ("grave\n", ReadFile(dir / "in/cafè.txt"));
    EXPECT_TRUE(dialogLog().empty());
}

// Paths are taken as given, byte for byte: a relative archive path means the
// working folder, a later volume stands for its set, and a folder name that
// is not UTF-8 receives the files itself.
TEST_F(ExtractRun, ArchivePathsRelativeLaterVolumeAndNotUtf8) {
    fs::create_directories(dir / "src");
    WriteFile(dir / "src/big.bin", randomBytes(600000, 3, false));
    WriteFile(dir / "src/small.txt", "small\n");
    fs::create_directories(dir / "in");
    makeArchive(dir / "src", dir / "in/Set.rar", {"*"}, {"-v200k", "-m0"});
    makeArchive(dir / "src", dir / "in/two.rar", {"small.txt"});
    const Tree expected = reference(dir / "in/Set.part1.rar");
    setFlag("subdir.txt");
    WriteFile(script, "TFailedForm OKButton\n");

    workingDirectory = dir / "in";
    auto r = run({"two.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("small\n", ReadFile(dir / "in/two/small.txt"));
    EXPECT_FALSE(fs::exists(home + "/two"));
    EXPECT_SAME_TREE(Tree{}, readTree(home + "/Desktop"));

    workingDirectory.clear();
    const std::string latin = dir / "dossier\xE9";
    fs::create_directories(latin);
    fs::copy_file(dir / "in/two.rar", latin + "/two.rar");
    r = run({latin + "/two.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("small\n", ReadFile(latin + "/two/small.txt"));
    EXPECT_FALSE(fs::exists(dir / "dossier\xEF\xBF\xBD"));

    workingDirectory = dir / "in";
    r = run({"Set.part2.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_FALSE(fs::exists(dir / "in/Set.part2"));
    EXPECT_TRUE(dialogLog().empty());
    ASSERT_TRUE(fs::is_directory(dir / "in/Set.part1"));
    EXPECT_SAME_TREE(expected, readTree(dir / "in/Set.part1"));

    // A set with encrypted headers, whose volumes tell nothing of their
    // place without the password: the last one stands for it all the same.
    makeArchive(dir / "src", dir / "in/Hidden.rar", {"*"}, {"-v200k", "-m0", "-hppw"});
    setValue("silent.txt", "pw");
    r = run({"Hidden.part3.rar"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_TRUE(dialogLog().empty());
    EXPECT_SAME_TREE(expected, readTree(dir / "in/Hidden.part1"));
    fs::remove(settingsFolder + "silent.txt");

    // The old naming: "Old.rar", "Old.r00", "Old.r01".
    std::vector<testing_support::Rar4Entry> entries(1);
    entries[0].name = "old.bin";
    entries[0].data = randomBytes(5000, 5, false);
    ASSERT_EQ(3u, testing_support::WriteRar4Volumes(dir / "in/Old", entries, 2000, true).size());
    r = run({"Old.r00"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ(entries[0].data, ReadFile(dir / "in/Old/old.bin"));
    EXPECT_TRUE(dialogLog().empty());
}

// The hidden temporary files of this run's extraction in `folder`.
std::vector<fs::path> temporaries(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind(".tarnwick-", 0) == 0) found.push_back(e.path());
    return found;
}

// Runs `act` once, from another thread, as soon as an entry is being written
// into `folder` (its temporary holds data); `acted` is set then, and setting
// it from outside stops the polling.
std::thread WhenAnEntryIsBeingWritten(const fs::path& folder, std::atomic<bool>& acted,
                                      std::function<void()> act) {
    return std::thread([folder, &acted, act] {
        for (int i = 0; i < 60000 && !acted; ++i) {
            const auto found = temporaries(folder);
            std::error_code ec;
            if (!found.empty() && fs::file_size(found[0], ec) > 0 && !ec) {
                act();
                acted = true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
}

// An end request in the middle of a large entry (SIGTERM at shutdown, Ctrl-C,
// a closed terminal, Ctrl-\) stops the run through the library's cancel path:
// no file under the entry's name, no temporary, no report, a normal end; a
// file the entry was replacing stays byte for byte.
TEST_F(ExtractRun, AnEndRequestDuringALargeEntryLeavesNoHalfFile) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::LargeArchive().archive, dir / "in/large.rar");
    const std::string large = dir / "in/large.txt";
    setFlag("replace.txt");  // under SIGTERM the entry replaces a file of the user's
    const std::string old = randomBytes(100000, 9, false);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(strsignal(signal));
        if (signal == SIGTERM) WriteFile(large, old);
        std::atomic<bool> signalled{false};
        std::thread sender = WhenAnEntryIsBeingWritten(dir / "in", signalled, [&] {
            for (int pid : runsOfThisTest()) ::kill(pid, signal);
        });
        const auto r = run({dir / "in/large.rar", dir / "in/large.rar"});
        EXPECT_TRUE(signalled.exchange(true)) << "the entry was never seen being written";
        sender.join();
        EXPECT_EQ(0, r.signal);
        EXPECT_EQ(0, r.exitCode) << r.output;
        EXPECT_EQ(signal == SIGTERM ? old : "<none>", fs::exists(large) ? ReadFile(large) : "<none>")
            << "a half file under the final name";
        fs::remove(large);
        EXPECT_TRUE(temporaries(dir / "in").empty());
        EXPECT_TRUE(dialogLog().empty());
        EXPECT_TRUE(runsOfThisTest().empty()) << "the further archive is not handed on";
    }

    // The same while a dialog waits for its answer (the script gives none).
    fs::create_directories(dir / "src");
    WriteFile(dir / "src/s.txt", "s");
    makeArchive(dir / "src", dir / "in/locked.rar", {"s.txt"}, {"-ppw"});
    std::thread whileAsking([&] {
        for (int i = 0; i < 3000 && dialogLog().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (int pid : runsOfThisTest()) ::kill(pid, SIGTERM);
    });
    const auto asked = run({dir / "in/locked.rar"});
    whileAsking.join();
    EXPECT_EQ(0, asked.signal);
    EXPECT_EQ(0, asked.exitCode) << asked.output;
    EXPECT_FALSE(asked.timedOut);
    EXPECT_TRUE(logHas(dialogLog(), "TPasswordForm | "));
    EXPECT_FALSE(fs::exists(dir / "in/s.txt"));
}

// A run that dies by a signal in the middle of an entry (a crash in the
// library, a kill) still ends with the failure report, from the process that
// watched it, with no temporary left; the further archive is handed on.
TEST_F(ExtractRun, ARunThatDiesByASignalIsReportedAndLeavesNoTemporary) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::LargeArchive().archive, dir / "in/large.rar");
    WriteFile(script, "TFailedForm OKButton\n");
    std::atomic<bool> killed{false};
    std::thread killer = WhenAnEntryIsBeingWritten(dir / "in", killed, [&] {
        // The run is the one whose parent is a run too: its watcher.
        const auto runs = runsOfThisTest();
        for (const pid_t pid : runs) {
            std::istringstream stat(ReadFile("/proc/" + std::to_string(pid) + "/stat"));
            std::string field;
            for (int f = 0; f < 4; ++f) stat >> field;  // the fourth: the parent
            for (const pid_t other : runs)
                if (field == std::to_string(other)) ::kill(pid, SIGSEGV);
        }
    });
    // A sanitizer build would answer the signal with its report and an
    // ordinary exit; the run must die by it, as it dies of a crash.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const auto r = run({dir / "in/large.rar", dir / "in/absent.rar"},
                       {{"ASAN_OPTIONS", std::string(asan ? asan : "") + ":handle_segv=0"}});
    EXPECT_TRUE(killed.exchange(true)) << "the entry was never seen being written";
    killer.join();
    EXPECT_EQ(0, r.signal);
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_TRUE(logHas(dialogLog(), "TFailedForm | "));
    EXPECT_FALSE(fs::exists(dir / "in/large.txt"));
    EXPECT_TRUE(temporaries(dir / "in").empty());
    // The further archive's run reports it missing.
    for (int i = 0; i < 500 && dialogLog().size() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(2u, dialogLog().size());
}

// A run killed outright (SIGKILL, a power cut) leaves its temporary file; the
// next run that writes into that folder removes it, but never the temporary
// of a run that still goes on (here one named after this test's process).
TEST_F(ExtractRun, ATemporaryOfARunKilledOutrightGoesWithTheNextRun) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::LargeArchive().archive, dir / "in/large.rar");
    std::atomic<bool> killed{false};
    std::thread killer = WhenAnEntryIsBeingWritten(dir / "in", killed, [&] {
        for (int pid : runsOfThisTest()) ::kill(pid, SIGKILL);
    });
    const auto r = run({dir / "in/large.rar"});
    EXPECT_TRUE(killed.exchange(true)) << "the entry was never seen being written";
    killer.join();
    EXPECT_EQ(SIGKILL, r.signal);
    const auto left = temporaries(dir / "in");
    ASSERT_EQ(1u, left.size());
    const std::string living = dir / ("in/.tarnwick-" + std::to_string(::getpid()) + ".part");
    WriteFile(living, "a running extraction's");

    const auto next = run({dir / "in/large.rar"});
    EXPECT_EQ(0, next.exitCode) << next.output;
    EXPECT_FALSE(fs::exists(left[0])) << "the killed run's temporary stayed";
    EXPECT_EQ("a running extraction's", ReadFile(living));
    EXPECT_EQ(1u, temporaries(dir / "in").size());
    EXPECT_TRUE(fs::exists(dir / "in/large.txt"));
}

// The output folder, or a subfolder being filled, is moved away and replaced
// by a link to another folder while the run waits for a password: the rest of
// the archive (a file, links) goes where the run began, and nothing into the
// other folder. A link whose target climbs (".."), which the library makes
// by its path below the output folder, fails where that path now leads
// through a link.
TEST_F(ExtractRun, NothingIsWrittenThroughAFolderSwappedDuringTheRun) {
    fs::create_directories(dir / "src/sub");
    WriteFile(dir / "src/sub/a.txt", "a\n");
    WriteFile(dir / "src/sub/b.txt", "b\n");
    fs::create_symlink("a.txt", dir / "src/sub/lnk");
    fs::create_symlink("../sub/a.txt", dir / "src/sub/up");
    setFlag("subdir.txt");
    WriteFile(script, "TPasswordForm wait=2000 PasswordEdit=pw OKButton\nTFailedForm OKButton\n");
    struct Row {
        const char* name;
        std::string swapped, moved, landed;
        bool upLinkMade;
    };
    const Row rows[] = {
        {"a subfolder", dir / "in/s/sub", dir / "in/s/sub.moved", dir / "in/s/sub.moved/b.txt",
         false},
        {"the output folder", dir / "in/s", dir / "in/s.moved", dir / "in/s.moved/sub/b.txt",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dir / "in");
        fs::remove_all(dir / "other");
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "other");
        makeArchive(dir / "src", dir / "in/s.rar", {"sub/a.txt"});
        makeArchive(dir / "src", dir / "in/s.rar", {"sub/b.txt"}, {"-ppw"});
        makeArchive(dir / "src", dir / "in/s.rar", {"sub/lnk", "sub/up"}, {"-ol"});
        const std::size_t asked = dialogLog().size();
        std::thread swapper([&] {
            for (int i = 0; i < 3000 && dialogLog().size() == asked; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            fs::rename(row.swapped, row.moved);
            fs::create_directory_symlink(dir / "other", row.swapped);
        });
        const auto r = run({dir / "in/s.rar"});
        swapper.join();
        EXPECT_FALSE(r.timedOut);
        EXPECT_TRUE(fs::is_empty(dir / "other")) << "written through the link";
        EXPECT_EQ("b\n", fs::exists(row.landed) ? ReadFile(row.landed) : "<none>");
        EXPECT_TRUE(fs::is_symlink(fs::path(row.landed).parent_path() / "lnk"));
        EXPECT_EQ(row.upLinkMade, fs::is_symlink(fs::path(row.landed).parent_path() / "up"));
        const std::vector<std::string> log = dialogLog();
        EXPECT_EQ(row.upLinkMade, !logHas({log.begin() + static_cast<std::ptrdiff_t>(asked), log.end()},
                                          "TFailedForm | "));
    }
}

// With automatic detection and no installer record, the run's dialogs speak
// the desktop's language, taken from the locale variables in their order,
// and nothing is recorded.
TEST_F(ExtractRun, AutomaticLanguageFollowsTheDesktopLocale) {
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "machine");
    fs::copy_file(testing_support::EncryptedArchive().archive, dir / "in/locked.rar");
    setFlag("autolang.txt");
    WriteFile(script, "TPasswordForm CancelButton\nTFailedForm OKButton\n");
    const char* const unset = testing_support::kUnset;
    const struct {
        const char *messages, *lang, *caption;
    } rows[] = {
        {unset, "de_DE.UTF-8", "Passwortschutz"},
        {"es_ES.UTF-8", "en_US.UTF-8", "Protección de contraseña"},
        {unset, "C", "Password Protected File"},
    };
    for (const auto& row : rows) {
        WriteFile(script + ".log", "");
        EXPECT_EQ(0, run({dir / "in/locked.rar"}, {{"XDG_CONFIG_DIRS", dir / "machine"},
                                                   {"LC_ALL", unset},
                                                   {"LANGUAGE", unset},
                                                   {"LC_MESSAGES", row.messages},
                                                   {"LANG", row.lang}})
                         .exitCode);
        EXPECT_TRUE(logHas(dialogLog(), std::string("TPasswordForm | Tarnwick - ") + row.caption))
            << ReadFile(script + ".log");
    }
    EXPECT_FALSE(fs::exists(dir / "machine/Ostrel")) << "the language was recorded";
}

}  // namespace
