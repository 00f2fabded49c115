// The real program in a real X session (Xvfb): an archive with encrypted
// headers, the password typed into the real password dialog with xdotool,
// Enter, and the files extracted. A screenshot of the dialog is kept in the
// build tree (tests/password-dialog.png).

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/Fixtures.h"
#include "support/Process.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::TempDir;

// A child process that is killed when the guard goes.
struct Child {
    pid_t pid = 0;
    ~Child() { stop(); }
    void start(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        std::vector<char*> a, e;
        for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
        e.push_back(nullptr);
        ASSERT_EQ(0, ::posix_spawn(&pid, a[0], nullptr, nullptr, a.data(), e.data())) << argv[0];
    }
    // The exit code, or -1 when it did not end within `limit`.
    int wait(std::chrono::seconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }
    // Asked first, so that an X server removes its lock and socket; killed
    // when it does not end.
    void stop() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        if (wait(5s) != -1 || pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
    }
};

// A display no X server holds. The lock and socket of one of ours that was
// killed are taken over, as an X server itself takes over a stale lock.
std::string freeDisplay() {
    for (int n = 140; n < 200; ++n) {
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        struct stat st {};
        if (::stat(lock.c_str(), &st) == 0) {
            if (st.st_uid != ::getuid()) continue;
            const pid_t holder = static_cast<pid_t>(std::atol(ReadFile(lock).c_str()));
            if (holder <= 0 || ::kill(holder, 0) == 0 || errno != ESRCH) continue;
            std::error_code ec;
            fs::remove(lock, ec);
            fs::remove(socket, ec);
        }
        if (!fs::exists(socket) && !fs::exists(lock)) return ":" + std::to_string(n);
    }
    return {};
}

TEST(XvfbPasswordRun, PasswordTypedIntoTheRealDialogExtractsTheArchive) {
    const std::string xvfb = testing_support::FindProgram("Xvfb");
    const std::string xdotool = testing_support::FindProgram("xdotool");
    ASSERT_FALSE(xvfb.empty()) << "Xvfb is part of the test set-up";
    ASSERT_FALSE(xdotool.empty()) << "xdotool is part of the test set-up";

    const auto& fixture = testing_support::EncryptedHeadersArchive();
    ASSERT_FALSE(fixture.files.empty());
    TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "home/Desktop");
    // An existing, empty settings folder: no wizard, no password options, no
    // folder opened afterwards; the password dialog comes at once.
    fs::create_directories(dir / "config/Ostrel/Tarnwick");
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
    const std::string archive = dir / "in/secret.rar";
    fs::copy_file(fixture.archive, archive);

    const std::string display = freeDisplay();
    ASSERT_FALSE(display.empty());
    Child server;
    server.start({xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                 {"PATH=/usr/bin:/bin"});
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    for (int i = 0; i < 250 && !fs::exists(socket); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start";

    std::vector<std::string> env = {"DISPLAY=" + display,
                                    "QT_QPA_PLATFORM=xcb",
                                    "HOME=" + (dir / "home"),
                                    "XDG_CONFIG_HOME=" + (dir / "config"),
                                    "XDG_RUNTIME_DIR=" + (dir / "run"),
                                    "LC_ALL=C.UTF-8",
                                    "PATH=/usr/bin:/bin"};
    // A sanitizer build's settings (its leak suppressions) reach the program too.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    Child program;
    program.start({TARNWICK_BINARY, archive}, env);

    testing_support::ProcessOptions x;
    x.env = {{"DISPLAY", display}};
    x.timeoutSeconds = 30;
    auto found = RunProcess(
        xdotool, {"search", "--sync", "--onlyvisible", "--name", "Password Protected File"}, x);
    ASSERT_EQ(0, found.exitCode) << "the password dialog did not appear: " << found.output;
    const std::string window = found.output.substr(0, found.output.find('\n'));
    std::this_thread::sleep_for(300ms);  // let it paint before the picture is taken

    const std::string shot = std::string(TEST_BUILD_DIR) + "/password-dialog.png";
    fs::remove(shot);
    auto grabbed = RunProcess(TARNWICK_GRAB, {shot}, x);
    EXPECT_EQ(0, grabbed.exitCode) << grabbed.output;
    EXPECT_GT(fs::exists(shot) ? fs::file_size(shot) : 0u, 1000u);

    EXPECT_EQ(0, RunProcess(xdotool, {"windowfocus", "--sync", window}, x).exitCode);
    EXPECT_EQ(0,
              RunProcess(xdotool, {"type", "--delay", "20", testing_support::kFixturePassword}, x)
                  .exitCode);
    EXPECT_EQ(0, RunProcess(xdotool, {"key", "Return"}, x).exitCode);

    ASSERT_EQ(0, program.wait(60s)) << "the run did not end with exit code 0";
    for (const std::string& file : fixture.files) {
        const fs::path extracted = fs::path(dir / "in") / file;
        ASSERT_TRUE(fs::exists(extracted)) << file;
        EXPECT_EQ(ReadFile(fixture.source + "/" + file), ReadFile(extracted.string())) << file;
    }
}

}  // namespace
