// Saved passwords are never lost: a full disk keeps the old file, runs adding
// to the list at once all keep their line, a held lock is not waited on for
// ever, and crashed writes and first runs leave nothing behind.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileLock.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

std::vector<std::string> HiddenNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().u8string()[0] == '.')
            names.push_back(e.path().filename().u8string());
    return names;
}

#ifndef _WIN32  // a small disk of its own: a Linux mount
// A tmpfs of a few pages under `disk`, so that a disk can be filled. Mounting
// needs root (the CI runs as root); elsewhere the test is skipped.
class PasswordListFullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0)
            GTEST_SKIP() << "a small tmpfs could not be mounted (" << std::strerror(errno)
                         << "); run as root, as scripts/test.sh in CI does, to test a full disk";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
    }
    // Fills every free page with one file; then frees `pages` of them again.
    void Fill(std::size_t pages = 0) const {
        const int fd = ::open((disk + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string page(4096, 'f');
        off_t size = 0;
        for (ssize_t n; (n = ::write(fd, page.data(), page.size())) > 0;) size += n;
        if (::ftruncate(fd, size - static_cast<off_t>(pages * 4096)) != 0) ADD_FAILURE();
        ::close(fd);
    }
    void Empty() const { ::unlink((disk + "/filler").c_str()); }

    TempDir dir;
    const std::string disk = dir / "disk";
    bool mounted = false;
};

TEST_F(PasswordListFullDisk, KeepsTheOldPasswordFilesAndLeavesNoTemporaryOne) {
    settings::Store store(disk);
    const std::string list = store.path(settings::kPassList);
    WriteFile(list, "one\r\ntwo\r\n");
    WriteFile(store.path(settings::kPassword), "old\r\n");
    Fill();
    EXPECT_FALSE(settings::AppendToList(list, "three"));
    EXPECT_EQ("one\r\ntwo\r\n", ReadFile(list));
    EXPECT_FALSE(store.writeValue(settings::kPassword, "new"));
    EXPECT_EQ("old\r\n", ReadFile(store.path(settings::kPassword)));
    EXPECT_EQ(std::vector<std::string>{}, HiddenNames(store.folder()));

    Empty();
    EXPECT_TRUE(settings::AppendToList(list, "three"));
    EXPECT_EQ("one\r\ntwo\r\nthree\r\n", ReadFile(list));
}

// A first run that stops half way (the disk is full after two flags) leaves
// no settings folder, so the next start makes all seven flags.
TEST_F(PasswordListFullDisk, FirstRunDefaultsAreAllOrNothing) {
    settings::Store store(disk + "/Ostrel/Tarnwick");
    Fill(2);
    EXPECT_FALSE(store.createDefaults());
    EXPECT_FALSE(store.folderExists());
    EXPECT_EQ(std::vector<std::string>{}, HiddenNames(disk + "/Ostrel"));

    Empty();
    EXPECT_TRUE(store.createDefaults());
    for (const char* name : settings::kFirstRunFlags) EXPECT_TRUE(store.flag(name)) << name;
}

#endif

// Ten processes add twenty passwords each at the same moment to a list that
// does not exist yet: it is made once (0600), and all 200 are kept, each once.
// Windows has no fork: there ten threads add, each lock on a handle of its own.
TEST(PasswordList, RunsAddingAtOnceKeepEveryPassword) {
    TempDir dir;
    const std::string list = dir / "list.txt";
#ifdef _WIN32
    std::vector<std::thread> adders;
    std::atomic<int> failed{0};
    for (int p = 0; p < 10; ++p)
        adders.emplace_back([&, p] {
            for (int i = 0; i < 20; ++i)
                if (!settings::AppendToList(list, std::to_string(p) + "-" + std::to_string(i),
                                            settings::kListLockWait, true))
                    ++failed;
        });
    for (auto& adder : adders) adder.join();
    EXPECT_EQ(failed, 0);
#else
    std::vector<pid_t> children;
    for (int p = 0; p < 10; ++p) {
        if (const pid_t pid = ::fork()) {
            children.push_back(pid);
            continue;
        }
        bool ok = true;
        for (int i = 0; i < 20; ++i)
            ok = settings::AppendToList(list, std::to_string(p) + "-" + std::to_string(i),
                                        settings::kListLockWait, true) &&
                 ok;
        ::_exit(ok ? 0 : 1);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
#endif
    const auto lines = settings::ReadListFile(list).value_or(settings::LineList{}).strings();
    ASSERT_EQ(200u, lines.size());
    EXPECT_EQ(200u, std::set<std::string>(lines.begin(), lines.end()).size());
    EXPECT_EQ(std::vector<std::string>{}, HiddenNames(dir.path())) << "no temporary left";
#ifndef _WIN32  // file modes
    struct stat st;
    ASSERT_EQ(0, ::stat(list.c_str(), &st));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
}

// A lock another process holds on the list (one stopped in a debugger, say)
// is waited on a while, never for ever: the dialog waiting for the answer goes
// on. A list whose link has lost its target is never made through the link.
TEST(PasswordList, AHeldLockIsWaitedOnAWhileOnly) {
    TempDir dir;
    const std::string list = dir / "list.txt";
    WriteFile(list, "a\r\n");
    {
        platform::FileLock held(list, false, 0600, std::chrono::seconds(1));
        ASSERT_TRUE(held.Held());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(settings::AppendToList(list, "b", std::chrono::milliseconds(300)));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ("a\r\n", ReadFile(list));
    }
    EXPECT_TRUE(settings::AppendToList(list, "b", std::chrono::milliseconds(300)));
    EXPECT_EQ("a\r\nb\r\n", ReadFile(list));
#ifndef _WIN32  // symbolic links

    ASSERT_EQ(0, ::symlink("target.txt", (dir / "dangling.txt").c_str()));
    EXPECT_FALSE(settings::AppendToList(dir / "dangling.txt", "c", settings::kListLockWait, true));
    EXPECT_FALSE(PathExists(dir / "target.txt"));
#endif
}

// A run reads a list up to 16 MiB and tries nothing beyond; adding a line to
// a longer list, here through a link, keeps the link and the whole list.
TEST(PasswordList, ARunReadsSixteenMiBAndAdditionKeepsTheRest) {
    TempDir dir;
    const std::string line = std::string(1022, 'p') + "\r\n";  // 1 KiB a line
    std::string content;
    for (int i = 0; i < 16 * 1024; ++i) content += line;
    content += "beyond the cap\r\n";
    WriteFile(dir / "real.txt", content);
    const auto lines = settings::ReadListFile(dir / "real.txt");
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(16u * 1024, lines->size());
    EXPECT_EQ(std::string(1022, 'p'), (*lines)[lines->size() - 1]);

#ifndef _WIN32  // symbolic links
    ASSERT_EQ(0, ::symlink("real.txt", (dir / "link.txt").c_str()));
    ASSERT_TRUE(settings::AppendToList(dir / "link.txt", "added"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_TRUE(ReadFile(dir / "real.txt") == content + "added\r\n");
#else
    ASSERT_TRUE(settings::AppendToList(dir / "real.txt", "added"));
    EXPECT_TRUE(ReadFile(dir / "real.txt") == content + "added\r\n");
#endif
}

}  // namespace
