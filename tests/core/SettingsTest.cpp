// The settings store as the windows and the extraction run use it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

using testing_support::ReadFile;
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

    ASSERT_EQ(0, ::mkdir((dir / settings::kSubDir).c_str(), 0755));
    EXPECT_FALSE(store.flag(settings::kSubDir)) << "a folder bearing a flag's name is off";
    EXPECT_FALSE(store.clearFlag(settings::kSubDir)) << "clearing must not remove a folder";
    EXPECT_TRUE(platform::DirectoryExists(dir / settings::kSubDir));
}

TEST(SettingsFlags, OldFileStillExists) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kReplace, ":-)\r\n");
    timeval times[2] = {{315532800 - 86400 * 400, 0}, {315532800 - 86400 * 400, 0}};  // 1978
    ASSERT_EQ(0, ::utimes((dir / settings::kReplace).c_str(), times));
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
        {"caf\xc3\xa9 \t spaced  \n", "caf\xc3\xa9 \t spaced  "},
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
    EXPECT_EQ(settings::kMaxValueBytes, v->size());
}

TEST(SettingsValues, WriteIsOneLineWithCrLf) {
    TempDir dir;
    settings::Store store(dir.path());
    WriteFile(dir / settings::kSilent, "old\r\nlines\r\nhere\r\n");
    ASSERT_TRUE(store.writeValue(settings::kSilent, "s3cret"));
    EXPECT_EQ("s3cret\r\n", ReadFile(dir / settings::kSilent));
    EXPECT_EQ("s3cret", store.readValue(settings::kSilent).value());
}

TEST(SettingsDefaults, FirstRunMakesExactlyTheSevenFlags) {
    TempDir dir;
    MessageCatcher messages;
    settings::Store store(dir / "a/b/Ostrel/Tarnwick");
    EXPECT_FALSE(store.folderExists());
    ASSERT_TRUE(store.createDefaults());
    EXPECT_TRUE(messages.shown.empty());
    const std::vector<std::string> expected = {"autolang.txt", "button.txt", "firstrun.txt",
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
    // Root ignores permission bits; /proc refuses new folders to everyone.
    settings::Store store("/proc/self/no-such/Ostrel/Tarnwick");
    EXPECT_FALSE(store.createDefaults());
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Configuration folder could not be created.", messages.shown[0].first);
    EXPECT_EQ("Error 9", messages.shown[0].second);
    EXPECT_FALSE(store.flag(settings::kWizard));
}

TEST(SettingsFolder, FollowsXdgConfigHomeThenHome) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/cfg/here", 1);
    EXPECT_EQ("/cfg/here/Ostrel/Tarnwick/", settings::SettingsFolder());
    ::setenv("XDG_CONFIG_HOME", "/cfg/slash/", 1);
    EXPECT_EQ("/cfg/slash/Ostrel/Tarnwick/", settings::SettingsFolder());
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone", 1);
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

}  // namespace
