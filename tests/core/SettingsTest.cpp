// The settings store as the windows and the extraction run use it.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"
#include "support/Process.h"
#include "support/TempDir.h"

using testing_support::FileIdentity;
using testing_support::ReadFile;
using testing_support::SetModifiedTime;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

struct MessageCatcher {
    std::vector<std::pair<std::string, std::string>> shown;
    platform::MessageHandler previous;
    MessageCatcher() {
        previous = platform::SetMessageHandler(
            [this](const std::string& t, const std::string& c) { shown.emplace_back(t, c); });
    }
    ~MessageCatcher() { platform::SetMessageHandler(previous); }
};

TEST(SettingsFlags, FileWithAnyContentIsOnFolderIsOff) {
    TempDir dir;
    settings::Store store(dir.path());
    EXPECT_FALSE(store.flag(settings::kWizard));

    WriteFile(dir / settings::kWizard, "");
    EXPECT_TRUE(store.flag(settings::kWizard)) << "an empty flag file is on";
    WriteFile(dir / settings::kWizard, "anything at all\nmore");
    EXPECT_TRUE(store.flag(settings::kWizard));

    ASSERT_TRUE(std::filesystem::create_directory(dir / settings::kSubDir));
    EXPECT_FALSE(store.flag(settings::kSubDir)) << "a folder bearing a flag's name is off";
    EXPECT_TRUE(store.clearFlag(settings::kSubDir)) << "clearing an off flag is no error";
    EXPECT_TRUE(platform::DirectoryExists(dir / settings::kSubDir)) << "and keeps the folder";

    // A file standing where the settings folder should be: no flag is there.
    WriteFile(dir / "blocked", "a file");
    EXPECT_TRUE(settings::Store(dir / "blocked/Tarnwick").clearFlag(settings::kWizard));
}

TEST(SettingsFlags, OldFileStillExists) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kReplace, ":-)\r\n");
    ASSERT_TRUE(SetModifiedTime(dir / settings::kReplace, 315532800 - 86400 * 400));  // 1978
    EXPECT_TRUE(store.flag(settings::kReplace));
}

TEST(SettingsFlags, SetReplacesContentClearToleratesMissing) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kOpenDir, std::string(100, 'x'));
    ASSERT_TRUE(store.setFlag(settings::kOpenDir));
    EXPECT_EQ(":-)\r\n", ReadFile(dir / settings::kOpenDir));
    EXPECT_TRUE(store.clearFlag(settings::kOpenDir));
    EXPECT_FALSE(store.flag(settings::kOpenDir));
    EXPECT_TRUE(store.clearFlag(settings::kOpenDir)) << "a missing file is no error";
}

TEST(SettingsValues, FirstLineWhateverTheLineEnd) {
    TempDir dir;
    settings::Store store(dir.path());
    const struct {
        const char* content;
        const char* value;
    } rows[] = {
        {"C:\\x\r\nsecond\r\n", "C:\\x"},
        {"/home/u/out\rsecond\r", "/home/u/out"},
        {"/home/u/out\nsecond\n", "/home/u/out"},
        {"no line end", "no line end"},
        {"\r\nsecond", ""},
        {"", ""},
#ifndef _WIN32  // (Windows reads them in the ANSI code page: windows_tests)
        {"caf\xc3\xa9 \t spaced  \n", "caf\xc3\xa9 \t spaced  "},
#endif
        {" \t spaced  \n", " \t spaced  "},
    };
    for (const auto& row : rows) {
        WriteFile(dir / settings::kFolder, row.content);
        auto v = store.readValue(settings::kFolder);
        ASSERT_TRUE(v.has_value()) << row.content;
        EXPECT_EQ(row.value, *v) << row.content;
    }
    EXPECT_FALSE(store.readValue(settings::kSilent).has_value()) << "missing file has no value";
}

TEST(SettingsValues, LongLineIsCutAt32KiB) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kPassword, std::string(100000, 'p') + "\r\n");
    auto v = store.readValue(settings::kPassword);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(32u * 1024, v->size());
}

TEST(SettingsValues, WriteIsOneLineWithCrLf) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kSilent, "old\r\nlines\r\nhere\r\n");
    ASSERT_TRUE(store.writeValue(settings::kSilent, "s3cret"));
    EXPECT_EQ("s3cret\r\n", ReadFile(dir / settings::kSilent));
    EXPECT_EQ("s3cret", store.readValue(settings::kSilent).value());
}

// Other processes read while one writes: a reader sees the old or the new
// line, never an empty or half file, and nothing is left behind.
TEST(SettingsValues, AWriteReplacesTheFileWhole) {
    TempDir dir;
    settings::Store store(dir.path());
    const std::string a = "/home/u/" + std::string(3000, 'a'), b = "/srv/" + std::string(5000, 'b');
    ASSERT_TRUE(store.writeValue(settings::kFolder, a));
    std::atomic<bool> done{false};
    // A thousand writes, or what a few seconds allow: each is flushed to the
    // disk, which under Wine takes some 50 ms.
    std::thread writer([&] {
        const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(4);
        for (int i = 0; i < 1000 && std::chrono::steady_clock::now() < stop; ++i)
            store.writeValue(settings::kFolder, i % 2 ? a : b);
        done = true;
    });
    int bad = 0, reads = 0;
    while (!done) {
        const auto v = store.readValue(settings::kFolder);
        ++reads;
        if (!v || (*v != a && *v != b)) ++bad;
    }
    writer.join();
    EXPECT_EQ(0, bad) << "of " << reads << " reads";
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().u8string());
    EXPECT_EQ(std::vector<std::string>{settings::kFolder}, names);
}

TEST(SettingsValues, AWriteThatChangesNothingLeavesTheFileAlone) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kFolder, "/data/out\r\n");
    WriteFile(dir / settings::kWizard, ":-)\r\n");
    const std::string files[2] = {dir / settings::kFolder, dir / settings::kWizard};
    std::uint64_t before[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(SetModifiedTime(files[i], 1000000000));
        before[i] = FileIdentity(files[i]);
        ASSERT_NE(before[i], 0u);
    }
    const auto time = [](const std::string& path) {
        return std::filesystem::last_write_time(std::filesystem::u8path(path));
    };
    const auto oldTime = time(files[0]);
    EXPECT_TRUE(store.writeValue(settings::kFolder, "/data/out"));
    EXPECT_TRUE(store.setFlag(settings::kWizard));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(before[i], FileIdentity(files[i])) << files[i] << " replaced";
        EXPECT_EQ(oldTime, time(files[i])) << files[i];
    }
    EXPECT_TRUE(store.writeValue(settings::kFolder, "/data/other"));
    EXPECT_EQ("/data/other\r\n", ReadFile(files[0]));
}

#ifndef _WIN32  // file modes are POSIX's
// The settings folder is the user's alone, and so is every file holding a
// password, also when it replaces an older, readable one.
TEST(SettingsPrivacy, FolderIs0700AndPasswordFiles0600) {
    TempDir dir;
    MessageCatcher messages;
    const mode_t oldMask = ::umask(022);
    const auto mode = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 0777;
    };
    settings::Store store(dir / "cfg/Ostrel/Tarnwick");
    ASSERT_TRUE(store.createDefaults());
    EXPECT_EQ(0700u, mode(store.folder()));
    EXPECT_EQ(0700u, mode(dir / "cfg/Ostrel"));
    WriteFile(store.path(settings::kPassword), "old\r\n");
    ::chmod(store.path(settings::kPassword).c_str(), 0644);
    ASSERT_TRUE(store.writeValue(settings::kPassword, "new"));
    ASSERT_TRUE(store.writeValue(settings::kSilent, "s3cret"));
    ASSERT_TRUE(store.setFlag(settings::kPassList));
    ASSERT_TRUE(store.writeValue(settings::kFolder, "/data"));
    EXPECT_EQ(0600u, mode(store.path(settings::kPassword)));
    EXPECT_EQ(0600u, mode(store.path(settings::kSilent)));
    EXPECT_EQ(0600u, mode(store.path(settings::kPassList)));
    EXPECT_EQ(0644u, mode(store.path(settings::kFolder))) << "other settings stay as they were";
    // A write that changes nothing still closes a loose file.
    ::chmod(store.path(settings::kPassword).c_str(), 0644);
    ASSERT_TRUE(store.writeValue(settings::kPassword, "new"));
    EXPECT_EQ(0600u, mode(store.path(settings::kPassword)));
    ::umask(oldMask);
}

#endif

// A write that a crash cut short leaves ".<name>.<pid>.<n>.tmp", perhaps with
// a password in it: the next write in the folder removes it once its process
// has ended. Files of living processes and files of other programs stay.
TEST(SettingsValues, TemporaryFilesOfEndedProcessesAreRemoved) {
    TempDir dir;
#ifdef _WIN32
    // A process that has ended: a second copy of this program, listing nothing.
    const long ended = testing_support::RunProcess(testing_support::ThisProgram(),
                                                   {"--gtest_list_tests", "--gtest_filter=-*"})
                           .pid;
    ASSERT_NE(ended, 0);
    const std::string gone = std::to_string(ended), living = std::to_string(platform::ProcessId());
#else
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended), living = std::to_string(::getppid());
#endif
    const std::pair<std::string, bool> files[] = {{".password.txt." + gone + ".0.tmp", false},
                                                  {".passlist.txt." + gone + ".12.tmp", false},
                                                  {".password.txt." + living + ".3.tmp", true},
                                                  {".notes." + gone + ".0.tmp", true}};
    for (const auto& file : files) WriteFile(dir / file.first, "s3cret\r\n");
    ASSERT_TRUE(settings::Store(dir.path()).writeValue(settings::kFolder, "/data"));
    for (const auto& [name, kept] : files)
        EXPECT_EQ(kept, testing_support::PathExists(dir / name)) << name;
}

#ifndef _WIN32  // FIFOs, devices, and the lock folders of Linux
// Runs `read` on a thread; a FIFO left waiting for a writer is released.
template <typename Read>
bool finishesPromptly(const std::string& fifo, Read read) {
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    result.wait();
    return false;
}

// A FIFO or a device under a settings or list name is no file to read:
// nothing waits for a writer, nothing reads without end.
TEST(SettingsSpecialFiles, FifoAndDeviceAreRefusedAtOnce) {
    TempDir dir;
    settings::Store store(dir.path());
    ASSERT_EQ(0, ::mkfifo(store.path(settings::kSilent).c_str(), 0600));
    EXPECT_TRUE(finishesPromptly(store.path(settings::kSilent), [&] {
        EXPECT_FALSE(store.readValue(settings::kSilent).has_value());
    }));
    EXPECT_TRUE(finishesPromptly(store.path(settings::kSilent), [&] {
        EXPECT_FALSE(settings::ReadListFile(store.path(settings::kSilent)).has_value());
    }));
    EXPECT_FALSE(settings::ReadListFile("/dev/zero").has_value());
    EXPECT_FALSE(settings::ReadListFile(dir.path()).has_value());
}

// The lock folder outside XDG_RUNTIME_DIR sits in /tmp, where anyone may make
// names: only a real folder of the user's, closed to others, is taken.
TEST(ProgressLockFolder, FallbackIsAPrivateFolderNeverALink) {
    TempDir dir;
    const std::string stem = dir / ("Tarnwick-" + std::to_string(::getuid()));
    ASSERT_EQ(0, ::mkdir(stem.c_str(), 0777));
    ::chmod(stem.c_str(), 0777);
    EXPECT_EQ(stem + "/", platform::PrivateLockFolderIn(dir.path()));
    struct stat st {};
    ::stat(stem.c_str(), &st);
    EXPECT_EQ(0700u, st.st_mode & 0777) << "our folder open to others is closed";

    ::rmdir(stem.c_str());
    ASSERT_EQ(0, ::mkdir((dir / "elsewhere").c_str(), 0700));
    ASSERT_EQ(0, ::symlink((dir / "elsewhere").c_str(), stem.c_str()));
    EXPECT_EQ(stem + "-1/", platform::PrivateLockFolderIn(dir.path())) << "a link is passed by";

    if (::getuid() == 0) {  // a folder of someone else's (only root can make one)
        ASSERT_EQ(0, ::chown((stem + "-1").c_str(), 65534, 65534));
        EXPECT_EQ(stem + "-2/", platform::PrivateLockFolderIn(dir.path()));
    }
}

TEST(ProgressLockFolder, AFifoUnderALockNameIsNotWaitedOn) {
    TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    ASSERT_EQ(0, ::mkdir((dir / "Tarnwick").c_str(), 0700));
    const std::string fifo = dir / "Tarnwick/TMobrelProgressForm.1";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    EXPECT_TRUE(finishesPromptly(fifo, [] { EXPECT_FALSE(platform::AnyProgressWindowExists()); }));
    if (old)
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

#endif

TEST(SettingsDefaults, FirstRunMakesExactlyTheSevenFlags) {
    TempDir dir;
    MessageCatcher messages;
    settings::Store store(dir / "a/b/Ostrel/Tarnwick");
    EXPECT_FALSE(store.folderExists());
    ASSERT_TRUE(store.createDefaults());
    EXPECT_TRUE(messages.shown.empty());
    const std::vector<std::string> expected = {"autolang.txt", "button.txt",  "firstrun.txt",
                                               "opendir.txt",  "staytop.txt", "subdir.txt",
                                               "wizard.txt"};
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(store.folder()))
        found.push_back(e.path().filename().string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(expected, found);
    for (const auto& name : expected) EXPECT_EQ(":-)\r\n", ReadFile(store.path(name))) << name;
}

TEST(SettingsDefaults, UncreatableFolderGivesError9AndGoesOn) {
    MessageCatcher messages;
    // A file where a folder on the way should be stops everyone, root too
    // (who passes every permission bit).
    TempDir dir;
    WriteFile(dir / "blocked", "a file");
    settings::Store store(dir / "blocked/Ostrel/Tarnwick");
    EXPECT_FALSE(store.createDefaults());
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Configuration folder could not be created.", messages.shown[0].first);
    EXPECT_EQ("Error 9", messages.shown[0].second);
    EXPECT_FALSE(store.flag(settings::kWizard));
}

#ifndef _WIN32  // the XDG folders of Linux
TEST(SettingsFolder, FollowsXdgConfigHomeThenHome) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/cfg/here", 1);
    EXPECT_EQ("/cfg/here/Ostrel/Tarnwick/", settings::SettingsFolder());
    ::setenv("XDG_CONFIG_HOME", "/cfg/slash/", 1);
    EXPECT_EQ("/cfg/slash/Ostrel/Tarnwick/", settings::SettingsFolder());
    ::setenv("HOME", "/home/someone", 1);
    // A relative XDG_CONFIG_HOME is invalid and ignored, like an unset one.
    ::setenv("XDG_CONFIG_HOME", "cfg/relative", 1);
    EXPECT_EQ("/home/someone/.config/Ostrel/Tarnwick/", settings::SettingsFolder());
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ("/home/someone/.config/Ostrel/Tarnwick/", settings::SettingsFolder());

    if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(DesktopFolder, UserDirsThenDesktopThenHome) {
    TempDir dir;
    std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    std::string savedXdg = oldXdg ? oldXdg : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);

    EXPECT_EQ(dir.path(), platform::DesktopFolder()) << "no Desktop: the home folder";
    ::mkdir((dir / "Desktop").c_str(), 0755);
    EXPECT_EQ(dir / "Desktop", platform::DesktopFolder());
    ::mkdir((dir / "cfg").c_str(), 0755);
    ::mkdir((dir / "Bureau").c_str(), 0755);
    WriteFile(dir / "cfg/user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    EXPECT_EQ(dir / "Bureau", platform::DesktopFolder());
    ::setenv("HOME", (dir / "gone").c_str(), 1);
    EXPECT_EQ("", platform::DesktopFolder()) << "no existing folder at all";

    ::setenv("HOME", savedHome.c_str(), 1);
    if (oldXdg)
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

#endif

}  // namespace
