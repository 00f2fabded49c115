// The shutdown run of the real program: it ends the product family's processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/Process.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

using testing_support::TempDir;

pid_t startCopyOfSleep(const std::string& path) {
    std::filesystem::copy_file("/bin/sleep", path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    std::string seconds = "60";
    char* argv[] = {const_cast<char*>(path.c_str()), seconds.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(0, ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ));
    return pid;
}

// Waits for the child to end; returns the signal that ended it, 0 when it is
// still running after `ms` milliseconds (and then kills it).
int waitForEnd(pid_t pid, int ms = 5000) {
    for (int i = 0; i < ms / 10; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
        ::usleep(10000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return 0;
}

TEST(ShutdownRun, EndsSiblingsByNameWhateverTheCase) {
    TempDir dir;
    std::map<std::string, pid_t> started;
    for (const char* name : {"Mobrel.exe", "PLIMSY.EXE", "quenfold", "Mobrel.exe.bak", "Drovetx"})
        started[name] = startCopyOfSleep(dir / name);
    ::usleep(100000);  // let them exec

    testing_support::ProcessOptions opts;
    opts.env = {{"HOME", dir / "home"}, {"XDG_CONFIG_HOME", dir / "config"}};
    auto result = testing_support::RunProcess(TARNWICK_BINARY, {"shutdown", "x.rar"}, opts);
    EXPECT_EQ(0, result.exitCode) << result.output;
    EXPECT_TRUE(result.output.empty()) << result.output;

    EXPECT_EQ(SIGTERM, waitForEnd(started["Mobrel.exe"]));
    EXPECT_EQ(SIGTERM, waitForEnd(started["PLIMSY.EXE"]));
    EXPECT_EQ(SIGTERM, waitForEnd(started["quenfold"]));
    EXPECT_EQ(0, waitForEnd(started["Mobrel.exe.bak"], 500)) << "another name must survive";
    EXPECT_EQ(0, waitForEnd(started["Drovetx"], 500));
    EXPECT_FALSE(std::filesystem::exists(dir / "config")) << "no settings are touched";
}

TEST(ShutdownRun, OwnProcessIsEndedLastAfterEveryOtherMatch) {
    // The program itself, copied under the first sibling name, must still end
    // a later-named sibling before it ends itself.
    TempDir dir;
    std::filesystem::copy_file(TARNWICK_BINARY, dir / "Mobrel.exe");
    pid_t later = startCopyOfSleep(dir / "tarnwick.exe");
    ::usleep(100000);
    auto result = testing_support::RunProcess(dir / "Mobrel.exe", {"shutdown"});
    EXPECT_EQ(0, result.exitCode) << "it ends itself, with exit code 0";
    EXPECT_EQ(SIGTERM, waitForEnd(later));
}

TEST(ShutdownRun, OtherLetterCaseIsAnExtractionRunNotAShutdown) {
    TempDir dir;
    pid_t sibling = startCopyOfSleep(dir / "Plimsy.exe");
    ::usleep(100000);
    testing_support::ProcessOptions opts;
    opts.env = {{"HOME", dir / "home"},
                {"XDG_CONFIG_HOME", dir / "config"},
                {"QT_QPA_PLATFORM", "offscreen"}};
    opts.timeoutSeconds = 30;
    testing_support::RunProcess(TARNWICK_BINARY, {"Shutdown"}, opts);
    EXPECT_EQ(0, waitForEnd(sibling, 500)) << "\"Shutdown\" must not end anything";
}

}  // namespace
