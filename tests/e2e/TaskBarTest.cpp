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
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::WriteFile;

// One Update signal as dbus-monitor prints it: the property names and values.
struct Update {
    std::string application;
    std::map<std::string, std::string> properties;
};

std::vector<Update> ParseMonitor(const std::string& text) {
    std::vector<Update> updates;
    std::istringstream in(text);
    std::string line, key;
    bool inside = false;
    for (std::smatch m; std::getline(in, line);) {
        if (line.rfind("signal ", 0) == 0 || line.rfind("method ", 0) == 0) {
            inside = line.find("interface=com.canonical.Unity.LauncherEntry; member=Update") !=
                     std::string::npos;
            if (inside) updates.emplace_back();
        } else if (!inside) {
            continue;
        } else if (std::regex_search(line, m, std::regex(R"(^\s*variant\s+\w+\s+(\S+))"))) {
            updates.back().properties[key] = m[1];
        } else if (std::regex_search(line, m, std::regex(R"(^\s*string \"(.*)\")"))) {
            if (updates.back().application.empty())
                updates.back().application = m[1];
            else
                key = m[1];
        }
    }
    return updates;
}

class TaskBar : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        if (testing_support::FindProgram("dbus-daemon").empty() ||
            testing_support::FindProgram("dbus-monitor").empty())
            GTEST_SKIP() << "dbus-daemon and dbus-monitor are needed (scripts/setup.sh --test)";
        // A bus of the test's own; it forks and prints its address and pid.
        const auto bus = RunProcess(testing_support::FindProgram("dbus-daemon"),
                                    {"--session", "--fork", "--print-address=1", "--print-pid=1"});
        ASSERT_EQ(0, bus.exitCode) << bus.output;
        std::istringstream out(bus.output);
        std::string pid;
        std::getline(out, address);
        std::getline(out, pid);
        busPid = std::stoi(pid);
        monitorLog = dir / "monitor.txt";
        monitorPid = ::fork();
        if (monitorPid == 0) {
            const int fd = ::open(monitorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            const std::string monitor = testing_support::FindProgram("dbus-monitor");
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

    testing_support::ProcessResult run(const std::string& archive) {
        testing_support::ProcessOptions o;
        o.env = runEnvironment();
        o.env.emplace_back("DBUS_SESSION_BUS_ADDRESS", address);
        return RunProcess(TARNWICK_BINARY, {archive}, o);
    }

    // The signals seen so far, once the monitor has printed the last one.
    std::vector<Update> updates() {
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
    fs::create_directories(dir / "in");
    WriteFile(src + "/first.txt", "first\n");
    WriteFile(src + "/large.txt", testing_support::PatternData(24u << 20, 7, true));
    testing_support::ProcessOptions o;
    o.workingDirectory = src;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"a", "-idq", "-ppw", dir / "in/two.rar", "first.txt"},
          std::vector<std::string>{"a", "-idq", "-m1", dir / "in/two.rar", "large.txt"}})
        ASSERT_EQ(0, RunProcess("/usr/bin/rar", args, o).exitCode);
    WriteFile(script, "TPasswordForm wait=400 PasswordEdit=pw OKButton\n");
    const auto r = run(dir / "in/two.rar");
    ASSERT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ(24u << 20, fs::file_size(dir / "in/large.txt"));
    const auto seen = updates();
    ASSERT_GE(seen.size(), 3u) << ReadFile(monitorLog);
    std::vector<double> progress;
    for (const Update& u : seen) {
        EXPECT_EQ("application://tarnwick.desktop", u.application);
        if (u.properties.count("progress"))
            progress.push_back(std::stod(u.properties.at("progress")));
    }
    EXPECT_EQ("true", seen.front().properties.at("progress-visible"));
    EXPECT_EQ("false", seen.back().properties.at("progress-visible"));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) {
        return p > 0 && p < 1;
    })) << ReadFile(monitorLog);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(1.0, progress.back());
    // A few a second, not one per block the library reports.
    EXPECT_LE(seen.size(), 12u);
}

TEST_F(TaskBar, FailureReportAsksForAttention) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::EncryptedArchive().archive, dir / "in/locked.rar");
    WriteFile(script, "TPasswordForm CancelButton\nTFailedForm OKButton\n");
    const auto r = run(dir / "in/locked.rar");
    ASSERT_EQ(0, r.exitCode) << r.output;
    const auto seen = updates();
    ASSERT_FALSE(seen.empty()) << ReadFile(monitorLog);
    const auto urgent = std::find_if(seen.begin(), seen.end(), [](const Update& u) {
        return u.properties.count("urgent") && u.properties.at("urgent") == "true";
    });
    EXPECT_NE(urgent, seen.end()) << ReadFile(monitorLog);
    EXPECT_EQ("false", seen.back().properties.at("progress-visible"));
}

// Without a session bus the run neither waits nor fails.
TEST_F(TaskBar, NoBusNoWait) {
    fs::create_directories(dir / "in");
    fs::copy_file(testing_support::PlainArchive().archive, dir / "in/plain.rar");
    testing_support::ProcessOptions o;
    o.env = runEnvironment();
    o.env.emplace_back("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no-such-bus"));
    o.env.emplace_back("DISPLAY", testing_support::kUnset);
    const auto start = std::chrono::steady_clock::now();
    const auto r = RunProcess(TARNWICK_BINARY, {dir / "in/plain.rar"}, o);
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(ParseMonitor(ReadFile(monitorLog)).empty());
}

}  // namespace
