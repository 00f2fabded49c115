// The shutdown run of the real program: it ends the product family's processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/Fixtures.h"
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

// The shutdown run signals every process of the user that has a sibling's
// name, the user's own runs of the program too. So each test runs again in a
// PID namespace of its own (where this binary is process 1), out of reach of
// everything else. True in that copy; the copy outside reports its result.
bool inOwnPidNamespace() {
    if (::getpid() == 1) return true;
    const std::string unshare = testing_support::FindProgram("unshare");
    std::vector<std::string> args{"--pid", "--fork", "--mount-proc"};
    if (::geteuid() != 0) args.insert(args.begin(), "--map-root-user");
    auto probe = args;
    probe.push_back("true");
    if (unshare.empty() || testing_support::RunProcess(unshare, probe).exitCode != 0) {
        [] {
            GTEST_SKIP() << "no PID namespace (unshare --pid) here: the shutdown run would end "
                            "the user's own runs";
        }();
        return false;
    }
    TempDir outside;
    const pid_t bystander = startCopyOfSleep(outside / "Mobrel.exe");
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    args.push_back(std::filesystem::read_symlink("/proc/self/exe"));
    args.push_back(std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name());
    const auto result = testing_support::RunProcess(unshare, args);
    EXPECT_EQ(0, result.exitCode) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("[  PASSED  ] 1 test")) << result.output;
    EXPECT_EQ(0, waitForEnd(bystander, 200)) << "a process outside the namespace was ended";
    return false;
}

TEST(ShutdownRun, EndsSiblingsByNameWhateverTheCase) {
    if (!inOwnPidNamespace()) return;
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
    if (!inOwnPidNamespace()) return;
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
    if (!inOwnPidNamespace()) return;
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
