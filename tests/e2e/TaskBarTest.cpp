// The run's progress on the task bar: the real program on a private session
// bus, with dbus-monitor listening for the launcher-entry signals it sends.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/ProgramRun.h"
#include "support/Fixtures.h"
#include "support/Process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FindProgram;
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::WriteFile;

// One Update signal as dbus-monitor prints it: property -> value, and the
// application under "app".
using Update = std::map<std::string, std::string>;

std::vector<Update> ParseMonitor(const std::string& text) {
    static const std::regex variant(R"(^\s*variant\s+\w+\s+(\S+))"), name(R"(^\s*string \"(.*)\")");
    std::vector<Update> updates;
    std::istringstream in(text);
    std::string line, key;
    bool inside = false;
    for (std::smatch m; std::getline(in, line);) {
        if (line.rfind("signal ", 0) == 0 || line.rfind("method ", 0) == 0) {
            inside = line.find("LauncherEntry; member=Update") != std::string::npos;
            if (inside) updates.emplace_back();
        } else if (inside && std::regex_search(line, m, variant)) {
            updates.back()[key] = m[1];
        } else if (inside && std::regex_search(line, m, name)) {
            key = m[1];
            updates.back().emplace("app", key);  // the first string only
        }
    }
    return updates;
}

class TaskBar : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        const std::string daemon = FindProgram("dbus-daemon"),
                          monitor = FindProgram("dbus-monitor");
        if (daemon.empty() || monitor.empty())
            GTEST_SKIP() << "dbus-daemon and dbus-monitor are needed (scripts/setup.sh --test)";
        // A bus of the test's own; it forks and prints its address and pid.
        const auto bus =
            RunProcess(daemon, {"--session", "--fork", "--print-address=1", "--print-pid=1"});
        ASSERT_EQ(0, bus.exitCode) << bus.output;
        std::istringstream(bus.output) >> address >> busPid;
        monitorLog = dir / "monitor.txt";
        if ((monitorPid = ::fork()) == 0) {
            ::dup2(::open(monitorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::execl(monitor.c_str(), monitor.c_str(), "--address", address.c_str(), nullptr);
            ::_exit(127);
        }
        // The monitor prints its own name once it listens.
        for (int i = 0; i < 300 && ReadFile(monitorLog).find("NameAcquired") == std::string::npos;
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    void TearDown() override {
        if (monitorPid > 0) {
            ::kill(monitorPid, SIGTERM);
            ::waitpid(monitorPid, nullptr, 0);
        }
        if (busPid > 0) ::kill(busPid, SIGTERM);
        ProgramRunTest::TearDown();
    }

    // Runs `archive` on the bus; the signals seen, once the monitor has printed the last.
    std::vector<Update> run(const std::string& archive) {
        testing_support::ProcessOptions o;
        o.env = runEnvironment();
        o.env.emplace_back("DBUS_SESSION_BUS_ADDRESS", address);
        const auto r = RunProcess(TARNWICK_BINARY, {archive}, o);
        EXPECT_EQ(0, r.exitCode) << r.output;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return ParseMonitor(ReadFile(monitorLog));
    }

    std::string address, monitorLog;
    pid_t busPid = -1, monitorPid = -1;
};

// The run asks for the first entry's password and is answered after a pause,
// so a progress signal falls between the start and the end however fast the
// machine extracts the large entry that follows.
TEST_F(TaskBar, ProgressRisesAndTheBarGoesWhenTheRunEnds) {
    const std::string src = dir / "src";
    fs::create_directories(src);
    WriteFile(src + "/first.txt", "first\n");
    WriteFile(src + "/large.txt", testing_support::PatternData(24u << 20, 7, true));
    testing_support::ProcessOptions o;
    o.workingDirectory = src;
    for (const char* add : {"-ppw first.txt", "-m1 large.txt"})
        ASSERT_EQ(0, RunProcess("/bin/sh",
                                {"-c", std::string("/usr/bin/rar a -idq ../two.rar ") + add}, o)
                         .exitCode);
    WriteFile(script, "TPasswordForm wait=400 PasswordEdit=pw OKButton\n");
    const auto seen = run(dir / "two.rar");
    EXPECT_EQ(24u << 20, fs::file_size(dir / "large.txt"));
    ASSERT_GE(seen.size(), 3u) << ReadFile(monitorLog);
    std::vector<double> progress;
    for (const Update& u : seen) {
        EXPECT_EQ("application://tarnwick.desktop", u.at("app"));
        if (u.count("progress")) progress.push_back(std::stod(u.at("progress")));
    }
    EXPECT_EQ("true", seen.front().at("progress-visible"));
    EXPECT_EQ("false", seen.back().at("progress-visible"));
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) {
        return p > 0 && p < 1;
    })) << ReadFile(monitorLog);
    EXPECT_EQ(1.0, progress.back());
    EXPECT_LE(seen.size(), 12u) << "a few a second, not one per block the library reports";
}

TEST_F(TaskBar, FailureReportAsksForAttention) {
    fs::copy_file(testing_support::EncryptedArchive().archive, dir / "locked.rar");
    WriteFile(script, "TPasswordForm CancelButton\nTFailedForm OKButton\n");
    const auto seen = run(dir / "locked.rar");
    ASSERT_FALSE(seen.empty()) << ReadFile(monitorLog);
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Update& u) {
        return u.count("urgent") && u.at("urgent") == "true";
    })) << ReadFile(monitorLog);
    EXPECT_EQ("false", seen.back().at("progress-visible"));
}

// Without a session bus the run neither waits nor fails.
using NoSessionBus = ProgramRunTest;
TEST_F(NoSessionBus, TheRunNeitherWaitsNorFails) {
    fs::copy_file(testing_support::PlainArchive().archive, dir / "plain.rar");
    testing_support::ProcessOptions o;
    o.env = runEnvironment();
    o.env.emplace_back("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-such-bus"));
    o.env.emplace_back("DISPLAY", testing_support::kUnset);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, RunProcess(TARNWICK_BINARY, {dir / "plain.rar"}, o).exitCode);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
