// The run's progress on the task bar: the real program on a private session
// bus, with dbus-monitor listening for the launcher-entry signals it sends.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
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

// The first group of every match of `pattern` in what dbus-monitor printed.
std::vector<std::string> Matches(const std::string& log, const std::string& pattern) {
    const std::regex re(pattern);
    std::vector<std::string> found;
    for (std::sregex_iterator it(log.begin(), log.end(), re), end; it != end; ++it)
        found.push_back((*it)[1]);
    return found;
}

// The values the Update signals gave `property`, in order.
std::vector<std::string> Values(const std::string& log, const std::string& property) {
    return Matches(log, "string \"" + property + R"(\"\s+variant\s+\w+\s+(\S+))");
}

// On the bus dbus-run-session made: dbus-monitor, once it listens, hears the
// program's run and is stopped once the run's last signal is printed.
const char* const kListen = R"(dbus-monitor >"$0" & i=0
until grep -q NameAcquired "$0" || [ $((i += 1)) -gt 300 ]; do sleep 0.01; done
"$1" "$2"; status=$?; sleep 0.2; kill $!; exit $status)";

class TaskBar : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        if (FindProgram("dbus-run-session").empty() || FindProgram("dbus-monitor").empty())
            GTEST_SKIP()
                << "dbus-run-session and dbus-monitor are needed (scripts/setup.sh --test)";
    }

    // Runs `archive` on a session bus of its own; what dbus-monitor printed
    // there, from before the run starts until after its last signal.
    std::string run(const std::string& archive) {
        testing_support::ProcessOptions o;
        o.env = runEnvironment();
        const std::string log = dir / "monitor.txt";
        const auto r =
            RunProcess(FindProgram("dbus-run-session"),
                       {"--", "/bin/sh", "-c", kListen, log, TARNWICK_BINARY, archive}, o);
        EXPECT_EQ(0, r.exitCode) << r.output;
        return ReadFile(log);
    }
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
    const std::string log = run(dir / "two.rar");
    EXPECT_EQ(24u << 20, fs::file_size(dir / "large.txt"));
    // Every signal names the program; a few a second, not one per block the library reports.
    const auto updates = Matches(log, R"(member=Update\n\s*string "([^"]*)\")");
    EXPECT_EQ(std::vector<std::string>(updates.size(), "application://tarnwick.desktop"), updates);
    EXPECT_GE(updates.size(), 3u) << log;
    EXPECT_LE(updates.size(), 12u);
    const auto visible = Values(log, "progress-visible");
    std::vector<double> progress;
    for (const std::string& p : Values(log, "progress")) progress.push_back(std::stod(p));
    ASSERT_FALSE(progress.empty() || visible.empty()) << log;
    EXPECT_EQ("true", visible.front());
    EXPECT_EQ("false", visible.back());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) {
        return p > 0 && p < 1;
    })) << log;
    EXPECT_EQ(1.0, progress.back());
}

TEST_F(TaskBar, FailureReportAsksForAttention) {
    fs::copy_file(testing_support::EncryptedArchive().archive, dir / "locked.rar");
    WriteFile(script, "TPasswordForm CancelButton\nTFailedForm OKButton\n");
    const std::string log = run(dir / "locked.rar");
    const auto urgent = Values(log, "urgent"), visible = Values(log, "progress-visible");
    EXPECT_NE(urgent.end(), std::find(urgent.begin(), urgent.end(), "true")) << log;
    ASSERT_FALSE(visible.empty()) << log;
    EXPECT_EQ("false", visible.back());
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
