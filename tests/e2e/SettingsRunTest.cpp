// The real program with settings that fail or that other copies change at the
// same time: messages at start-up, files that are no files, and many runs and
// main windows sharing one settings folder. Dialogs are answered (and logged)
// through TARNWICK_DIALOG_SCRIPT.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/ProgramRun.h"
#include "settings/Settings.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteFile;

class SettingsRun : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        fs::create_directories(dir / "in");
        WriteFile(script, "QMessageBox accept\n");
    }

    // `rar a` of one small file; `switches` e.g. a password.
    void makeArchive(const std::string& archive, const std::string& name,
                     const std::string& content, const std::vector<std::string>& switches = {}) {
        const std::string src = dir / ("src-" + name);
        fs::create_directories(src);
        WriteFile(src + "/" + name, content);
        std::vector<std::string> args{"a", "-idq", "-m0"};
        args.insert(args.end(), switches.begin(), switches.end());
        args.push_back(archive);
        args.push_back(name);
        ProcessOptions o;
        o.workingDirectory = src;
        const auto r = RunProcess("/usr/bin/rar", args, o);
        ASSERT_EQ(0, r.exitCode) << r.output;
    }

    ProcessOptions options(double timeout = 30) const {
        ProcessOptions o;
        o.env = runEnvironment();
        o.env.emplace_back("LC_ALL", "C.UTF-8");
        o.timeoutSeconds = timeout;
        return o;
    }

    ProcessResult run(const std::vector<std::string>& args, ProcessOptions o) {
        return RunProcess(TARNWICK_BINARY, args, o);
    }

    std::string logText() const { return ReadFile(script + ".log"); }

    // Every settings file by name and content (hidden leftovers included).
    std::map<std::string, std::string> settingsFiles() const {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(settingsFolder))
            files[e.path().filename()] = ReadFile(e.path());
        return files;
    }

    static void expectEndedNormally(const ProcessResult& r, int code = 0) {
        EXPECT_FALSE(r.timedOut) << "the run hung";
        EXPECT_EQ(0, r.signal) << "the run crashed";
        EXPECT_EQ(code, r.exitCode) << r.output;
    }
};

// A message at start-up is shown, answered, and the run goes on with what it
// has: the archive lands next to itself and the process ends by itself,
// leaving no progress-window lock behind.
TEST_F(SettingsRun, AStartUpSettingsMessageNeitherCrashesNorHangsTheRun) {
    makeArchive(dir / "in/a.rar", "a.txt", "content a");
    struct Row {
        const char* name;
        std::function<void()> prepare;
        std::vector<std::pair<std::string, std::string>> env;
        const char* caption;
    };
    const Row rows[] = {
        {"unreadable value files",
         [&] {
             for (const char* name : {"password.txt", "silent.txt", "folder.txt", "language.txt"})
                 ASSERT_EQ(0, ::symlink("/proc/self/mem", (settingsFolder + name).c_str()));
         },
         {},
         "Error 10"},
        {"settings folder is a file",
         [&] {
             fs::remove_all(settingsFolder);
             WriteFile(config + "/Ostrel/Tarnwick", "a file");
         },
         {},
         "Error 9"},
        {"settings folder cannot be made",
         [] {},
         {{"XDG_CONFIG_HOME", "/proc/self/fdinfo"}},
         "Error 9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        fs::remove(dir / "in/a.txt");
        fs::remove(script + ".log");
        auto o = options();
        o.env.insert(o.env.end(), row.env.begin(), row.env.end());
        expectEndedNormally(run({dir / "in/a.rar"}, o));
        EXPECT_EQ("content a", ReadFile(dir / "in/a.txt"));
        EXPECT_NE(std::string::npos, logText().find(std::string("| ") + row.caption + " |"))
            << logText();
        EXPECT_TRUE(fs::is_empty(runtime + "/Tarnwick")) << "a lock was left behind";
    }
}

// A FIFO, a device or a folder as the archive is a clear "Error opening RAR
// file!"; as the password list it gives no candidates. Nothing waits.
TEST_F(SettingsRun, FilesThatAreNoFilesFailClearlyAndNothingWaits) {
    ASSERT_EQ(0, ::mkfifo((dir / "in/pipe.rar").c_str(), 0600));
    fs::create_directories(dir / "in/folder.rar");
    for (const std::string& archive :
         {dir / "in/pipe.rar", dir / "in/folder.rar", std::string("/dev/zero")}) {
        SCOPED_TRACE(archive);
        fs::remove(script + ".log");
        expectEndedNormally(run({archive}, options(20)), 1);
        EXPECT_NE(std::string::npos, logText().find("Error opening RAR file!")) << logText();
    }

    makeArchive(dir / "in/b.rar", "b.txt", "content b");
    WriteFile(settingsFolder + "trylist.txt", ":-)\r\n");
    for (const std::string& list : {dir / "in/pipe.rar", std::string("/dev/zero")}) {
        SCOPED_TRACE(list);
        fs::remove(dir / "in/b.txt");
        WriteFile(settingsFolder + "listname.txt", list + "\r\n");
        expectEndedNormally(run({dir / "in/b.rar"}, options(20)));
        EXPECT_EQ("content b", ReadFile(dir / "in/b.txt"));
    }
}

// A start closes settings left open to others (by an older version or by
// hand), whether or not anything is written. Beyond that an extraction run
// changes no setting: its hidden main window loads every file without writing
// one, even where a main window of its own would (a stored folder that has
// gone, an empty default password). Only the wizard, whose answers are the
// user's, is left out.
TEST_F(SettingsRun, AStartMakesTheSettingsPrivateAndLeavesThemAsTheyWere) {
    makeArchive(dir / "in/a.rar", "a.txt", "content a");
    std::map<std::string, std::string> files = {
        {"folder.txt", dir / "gone\r\n"},   {"language.txt", "1031\r\n"},
        {"passlist.txt", "one\r\ntwo\r\n"}, {"listname.txt", settingsFolder + "passlist.txt\r\n"},
        {"password.txt", "older\r\n"},      {"silent.txt", "\r\n"}};
    for (const char* flag : {"autolang", "button", "dialog", "firstrun", "opendir", "replace",
                             "staytop", "subdir", "trylist", "tryname"})
        files[flag + std::string(".txt")] = ":-)\r\n";
    for (const auto& [name, content] : files) {
        WriteFile(settingsFolder + name, content);
        ::chmod((settingsFolder + name).c_str(), 0644);
    }
    ::chmod(settingsFolder.c_str(), 0755);
    expectEndedNormally(run({dir / "in/a.rar"}, options()));
    const auto mode = [](const std::string& p) { return unsigned(fs::status(p).permissions()); };
    EXPECT_EQ(0700u, mode(settingsFolder));
    for (const auto& [name, content] : files)
        EXPECT_EQ(settings::IsPrivate(name) ? 0600u : 0644u, mode(settingsFolder + name)) << name;

    // Times in the past, so that a rewrite with the same bytes shows too.
    const timespec past[2] = {{1500000000, 0}, {1500000000, 0}};
    for (const auto& e : fs::directory_iterator(settingsFolder))
        ASSERT_EQ(0, ::utimensat(AT_FDCWD, e.path().c_str(), past, 0));
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, settingsFolder.c_str(), past, 0));
    // Name -> mode, modification time and bytes, the folder itself included.
    const auto stamp = [](const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
               std::to_string(st.st_mtim.tv_nsec) + " ";
    };
    const auto snapshot = [&] {
        std::map<std::string, std::string> seen{{".", stamp(settingsFolder)}};
        for (const auto& e : fs::directory_iterator(settingsFolder))
            seen[e.path().filename()] = stamp(e.path()) + ReadFile(e.path());
        return seen;
    };
    const auto before = snapshot();
    fs::remove_all(home + "/Desktop/a");
    fs::remove(script + ".log");
    expectEndedNormally(run({dir / "in/a.rar"}, options()));
    EXPECT_EQ("content a", ReadFile(home + "/Desktop/a/a.txt"));
    EXPECT_EQ("", logText()) << "the run asked something";
    EXPECT_EQ(before, snapshot());
}

// Five extraction runs and three main windows at once, round after round: a
// reader never sees a settings file half written or rewritten, so every
// setting stays as it was and every archive goes where the settings say.
TEST_F(SettingsRun, ConcurrentRunsAndMainWindowsLoseNoSetting) {
    constexpr int kRuns = 5, kWindows = 3, kRounds = 20;
    for (int i = 0; i < kRuns; ++i)
        makeArchive(dir / ("in/a" + std::to_string(i) + ".rar"), "f" + std::to_string(i) + ".txt",
                    "content " + std::to_string(i), {"-ppw"});
    const std::string target = dir / "target";
    fs::create_directories(target);
    const std::map<std::string, std::string> files = {
        {"folder.txt", target + "\r\n"},
        {"silent.txt", "pw\r\n"},
        {"password.txt", "older\r\n"},
        {"subdir.txt", ":-)\r\n"},
        {"button.txt", ":-)\r\n"},
        {"staytop.txt", ":-)\r\n"},
        {"firstrun.txt", ":-)\r\n"},
        {"tryname.txt", ":-)\r\n"},
        {"trylist.txt", ":-)\r\n"},
        {"passlist.txt", "pw\r\ntwo\r\n"},
        {"listname.txt", settingsFolder + "passlist.txt\r\n"},
        {"language.txt", "1031\r\n"},
    };
    for (const auto& [name, content] : files) WriteFile(settingsFolder + name, content);
    // The welcome dialog, left unanswered, shows that a main window has loaded.
    WriteFile(script, "");

    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::size_t logBefore = dialogLog().size();
        std::vector<std::future<ProcessResult>> runs, windows;
        for (int i = 0; i < kWindows; ++i)
            windows.push_back(std::async(std::launch::async, [&] { return run({}, options()); }));
        for (int i = 0; i < kRuns; ++i)
            runs.push_back(std::async(std::launch::async, [&, i] {
                return run({dir / ("in/a" + std::to_string(i) + ".rar")}, options());
            }));
        for (auto& r : runs) expectEndedNormally(r.get());
        // End each main window once its welcome dialog is up.
        std::set<int> welcomed;
        for (int wait = 0; wait < 300 && welcomed.size() < kWindows; ++wait) {
            const auto log = dialogLog();
            for (std::size_t i = logBefore; i < log.size(); ++i)
                if (log[i].find(" TWelcomeForm |") != std::string::npos)
                    welcomed.insert(std::stoi(log[i]));
            if (welcomed.size() < kWindows)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        for (int pid : welcomed) ::kill(pid, SIGKILL);
        for (auto& w : windows) w.get();
        EXPECT_EQ(std::size_t(kWindows), welcomed.size());
        EXPECT_EQ(dialogLog().size(), logBefore + kWindows) << "a run asked something";

        EXPECT_EQ(files, settingsFiles());
        for (int i = 0; i < kRuns; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ("content " + n, ReadFile(target + "/a" + n + "/f" + n + ".txt"));
        }
        EXPECT_TRUE(fs::is_empty(home + "/Desktop"));
        if (HasFailure()) break;
        for (int i = 0; i < kRuns; ++i) fs::remove_all(target + "/a" + std::to_string(i));
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    std::printf("%d rounds of %d runs and %d main windows: %.1f s\n", kRounds, kRuns, kWindows,
                seconds.count());
}

// "Add this password to password list": with no list yet the default list is
// made (0600); runs answering at the same moment, with the private lock
// folder unusable (a folder of the user's that takes no files), each keep
// their addition; a list the user chose that is missing is reported, and
// stays chosen.
TEST_F(SettingsRun, PasswordsAddedToTheListAreAlwaysKeptOrReported) {
    constexpr int kRuns = 8;
    for (int i = 0; i < kRuns; ++i)
        makeArchive(dir / ("in/p" + std::to_string(i) + ".rar"), "f" + std::to_string(i) + ".txt",
                    "secret", {"-ppw"});
    WriteFile(script, "TPasswordForm PasswordEdit=pw CheckBox8 OKButton\nQMessageBox accept\n");
    const std::string list = settingsFolder + "passlist.txt";
    expectEndedNormally(run({dir / "in/p0.rar"}, options()));
    EXPECT_EQ("pw\r\n", ReadFile(list));
    struct stat st;
    ASSERT_EQ(0, ::stat(list.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ(list + "\r\n", ReadFile(settingsFolder + "listname.txt"));

    fs::create_directories(runtime + "/Tarnwick");
    ::chmod((runtime + "/Tarnwick").c_str(), 0500);
    fs::remove(dir / "in/f0.txt");
    std::vector<std::future<ProcessResult>> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back(std::async(std::launch::async, [&, i] {
            return run({dir / ("in/p" + std::to_string(i) + ".rar")}, options(60));
        }));
    for (auto& r : runs) expectEndedNormally(r.get());
    ::chmod((runtime + "/Tarnwick").c_str(), 0700);
    std::string all;
    for (int i = 0; i <= kRuns; ++i) all += "pw\r\n";
    EXPECT_EQ(all, ReadFile(list));
    for (int i = 0; i < kRuns; ++i)
        EXPECT_EQ("secret", ReadFile(dir / ("in/f" + std::to_string(i) + ".txt")));

    const std::string chosen = dir / "unmounted/list.txt";
    WriteFile(settingsFolder + "listname.txt", chosen + "\r\n");
    fs::remove(dir / "in/f0.txt");
    expectEndedNormally(run({dir / "in/p0.rar"}, options()));
    EXPECT_NE(std::string::npos, logText().find("Error 12")) << logText();
    EXPECT_EQ(chosen + "\r\n", ReadFile(settingsFolder + "listname.txt"));
    EXPECT_FALSE(fs::exists(chosen));
    EXPECT_EQ(all, ReadFile(list)) << "nor added to another list";
}

}  // namespace
