// The GUI tests' entry: one QApplication for every test, drawn offscreen.
//
// The same binary also stands in for an extraction run: started with
// TARNWICK_TEST_PROGRESS_HOLDER naming a record file and one argument (the
// archive path), it records its start, holds a progress-window lock like a
// progress window, records its end and exits. The archive's file name steers
// it: "holdN" holds the lock N ms (default 500), "crash" kills itself while
// holding the lock.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "platform/ProgressLock.h"
#include "ui/Look.h"

namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void record(const char* file, const std::string& what, const std::string& archive) {
    std::string line = what + " " + archive + " " + std::to_string(nowMs()) + "\n";
    int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

int holdProgressLock(const char* recordFile, const std::string& archive) {
    int holdMs = 500;
    std::smatch m;
    if (std::regex_search(archive, m, std::regex("hold([0-9]+)"))) holdMs = std::stoi(m[1]);
    platform::ProgressWindowLock lock;
    if (!lock.acquire()) return 3;
    record(recordFile, "start", archive);
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    if (archive.find("crash") != std::string::npos) ::raise(SIGKILL);
    record(recordFile, "end", archive);
    lock.release();
    return 0;
}

// Tests point these into folders of their own; each must put them back, or
// the next test (and the user's settings) would be reached through them.
class EnvironmentKeeper : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { before_ = snapshot(); }
    void OnTestEnd(const ::testing::TestInfo& test) override {
        if (snapshot() == before_) return;
        std::fprintf(stderr, "%s.%s changed the environment and left it so\n",
                     test.test_suite_name(), test.name());
        leaked = true;
    }
    bool leaked = false;

private:
    static std::string snapshot() {
        std::string all;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            all += std::string(name) + (value ? "=" + std::string(value) : " unset") + "\n";
        }
        return all;
    }
    std::string before_;
};

}  // namespace

int main(int argc, char** argv) {
    if (const char* recordFile = std::getenv("TARNWICK_TEST_PROGRESS_HOLDER");
        recordFile && argc == 2)
        return holdProgressLock(recordFile, argv[1]);

    // Set before the application exists; an explicit choice from outside wins.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Automatic language detection reads the desktop's locale; the tests
    // expect English wherever they set no language of their own.
    setenv("LC_ALL", "C.UTF-8", 1);
    unsetenv("LANGUAGE");
    QApplication app(argc, argv);
    // The program's own style over the platform's, as the program has it.
    look::UseFocusFrameStyle();
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    ::testing::InitGoogleTest(&argc, argv);
    auto* keeper = new EnvironmentKeeper;  // owned by the listener list
    ::testing::UnitTest::GetInstance()->listeners().Append(keeper);
    const int result = RUN_ALL_TESTS();
    return keeper->leaked ? 1 : result;
}
