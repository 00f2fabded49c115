// The real program's command line before any window: --help, --version and a
// clear exit without a display.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/Process.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::kUnset;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;

// The program with no display of any kind and settings of the test's own.
ProcessResult runHeadless(const TempDir& dir, const std::vector<std::string>& args,
                          std::vector<std::pair<std::string, std::string>> extra = {}) {
    ProcessOptions o;
    o.env = {{"HOME", dir / "home"},          {"XDG_CONFIG_HOME", dir / "config"},
             {"XDG_RUNTIME_DIR", dir.path()}, {"DISPLAY", kUnset},
             {"WAYLAND_DISPLAY", kUnset},     {"QT_QPA_PLATFORM", kUnset}};
    o.env.insert(o.env.end(), extra.begin(), extra.end());
    o.workingDirectory = dir.path();
    o.timeoutSeconds = 30;
    return RunProcess(TARNWICK_BINARY, args, o);
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    TempDir dir;
    const auto help = runHeadless(dir, {"--help"});
    EXPECT_EQ(0, help.exitCode) << help.output;
    for (const char* part : {"ARCHIVE", "shutdown", "--version", "TARNWICK_UNRAR_LIBRARY",
                             "TARNWICK_DIALOG_SCRIPT", "XDG_CONFIG_HOME", "libunrar5"})
        EXPECT_NE(std::string::npos, help.output.find(part)) << part << "\n" << help.output;

    const auto version = runHeadless(dir, {"--version"});
    EXPECT_EQ(0, version.exitCode) << version.output;
    EXPECT_EQ("Tarnwick 2.40\n", version.output);
    EXPECT_FALSE(fs::exists(dir / "config")) << "no settings are touched";
}

TEST(CommandLine, WithoutADisplayOneLineAndExitCodeTwo) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"some.rar"}}) {
        const auto r = runHeadless(dir, args);
        EXPECT_EQ(2, r.exitCode) << r.output;
        EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
        EXPECT_NE(std::string::npos, r.output.find("DISPLAY")) << r.output;
    }
    // A display that does not answer: Qt gives up on its platform plugin, and
    // that too ends with exit code 2, not with an abort.
    const auto r = runHeadless(dir, {"some.rar"}, {{"DISPLAY", ":97531"}});
    EXPECT_EQ(0, r.signal) << r.output;
    EXPECT_EQ(2, r.exitCode) << r.output;
}

}  // namespace
