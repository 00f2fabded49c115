#pragma once
// What every end-to-end test of the real program needs: a private home, a
// settings folder, a runtime folder for the progress-window locks, and a
// dialog script whose log records each dialog shown. No run started by a test
// outlives it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

class ProgramRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        home = dir / "home";
        config = dir / "config";
        runtime = dir / "run";
        settingsFolder = config + "/Ostrel/Tarnwick/";
        fs::create_directories(home + "/Desktop");
        fs::create_directories(settingsFolder);
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        script = dir / "dialogs.txt";
        testing_support::WriteFile(script, "");
    }

    // Runs handed on to further processes must not outlive the test, even when
    // a check failed while one of them waited for an answer.
    void TearDown() override {
        for (const pid_t pid : runsOfThisTest()) ::kill(pid, SIGKILL);
    }

    // The processes that carry this test's dialog script: the runs started
    // and every run they handed arguments on to.
    std::vector<pid_t> runsOfThisTest() const {
        const std::string mark = "TARNWICK_DIALOG_SCRIPT=" + script + std::string(1, '\0');
        std::vector<pid_t> found;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string pid = entry.path().filename();
            if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string env =
                testing_support::ReadFile(entry.path() / "environ") + std::string(1, '\0');
            if (env.find(mark) != std::string::npos) found.push_back(std::stoi(pid));
        }
        return found;
    }

    // The environment of a run: this test's folders, no display, no session
    // bus, the dialog script.
    std::vector<std::pair<std::string, std::string>> runEnvironment() const {
        return {{"HOME", home},
                {"XDG_CONFIG_HOME", config},
                {"XDG_RUNTIME_DIR", runtime},
                {"QT_QPA_PLATFORM", "offscreen"},
                {"TARNWICK_DIALOG_SCRIPT", script},
                {"TARNWICK_UNRAR_LIBRARY", testing_support::kUnset},
                {"DBUS_SESSION_BUS_ADDRESS", testing_support::kUnset}};
    }

    // The dialogs the runs showed, one line each: "<pid> <class> | <caption> | <text>".
    std::vector<std::string> dialogLog() const {
        std::vector<std::string> lines;
        std::istringstream in(testing_support::ReadFile(script + ".log"));
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) lines.push_back(line);
        return lines;
    }

    testing_support::TempDir dir;
    std::string home, config, runtime, settingsFolder, script;
};
