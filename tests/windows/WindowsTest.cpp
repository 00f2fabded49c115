// What only Windows has, through the real unrar.dll and the real file system
// (under Wine): entry names Windows reads as another place, long paths, the
// settings in the ANSI code page, files held open by another program, the
// locks between runs, the shell folders. What the two systems share is tested
// once, on Linux.

#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "archive/RAR.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"
#include "support/Rar4Writer.h"

namespace fs = std::filesystem;
using testing_support::Rar4Entry;

namespace {

// Paths as the program holds them: UTF-8.
std::string U8(const fs::path& p) { return p.u8string(); }

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
void WriteAll(const fs::path& p, const std::string& data) {
    std::ofstream(p, std::ios::binary) << data;
}

// Everything below `root`, with sizes.
std::set<std::string> Snapshot(const fs::path& root) {
    std::set<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root))
        out.insert(U8(e.path()) + " " + (e.is_regular_file() ? std::to_string(e.file_size()) : "d"));
    return out;
}

class Windows : public ::testing::Test {
protected:
    Windows() {
        root = fs::temp_directory_path() /
               ("tarnwick-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        removeAll();
        fs::create_directories(root / "out");
    }
    ~Windows() override { removeAll(); }
    // Through "\\?\": the tree may hold paths beyond 260 characters.
    void removeAll() {
        std::error_code ignored;
        fs::remove_all(L"\\\\?\\" + root.wstring(), ignored);
    }
    // Extracts with the archive component into `folder`; the entries'
    // results by name.
    std::map<std::wstring, int> Extract(const fs::path& archive, const fs::path& folder) {
        std::map<std::wstring, int> results;
        TRAR rar;
        rar.OnFileProcessed = [&](TRAR&, const std::wstring& name, TRAROperation op, int r) {
            if (op == roExtract) results[name] = r;
        };
        rar.OnReplace = [](TRAR&, const TRARReplaceData&, const TRARReplaceData&,
                           TRARReplaceAction& action) { action = rrOverwrite; };
        rar.ListArchive(U8(archive));
        rar.ExtractArchive(rardll::Utf8ToWide(U8(folder)), true);
        return results;
    }
    fs::path root;
};

// Every way out of the output folder that Windows knows, and every name
// Windows would turn into another file or a device, is refused before
// anything is written (the library itself turns a colon into '_', which
// stays inside); the harmless entries beside them are extracted.
TEST_F(Windows, HostileEntryNamesStayInsideTheOutputFolder) {
    const char* const hostile[] = {
        "..\\evil1.txt",        "sub\\..\\..\\evil2.txt", "C:\\evil3.txt",   "C:evil4.txt",
        "\\evil5.txt",          "\\\\server\\share\\evil6.txt", "\\\\?\\C:\\evil7.txt",
        "\\\\.\\C:\\evil8.txt", "safe.txt:stream",        "CON",             "aux.txt",
        "sub\\nul.dat",         "com1",                   "trail.",          "trail ",
        "ques?.txt",            "star*.txt",              "pipe|.txt",       "lpt9.log"};
    std::vector<Rar4Entry> entries;
    for (const char* name : hostile) {
        Rar4Entry e;
        e.name = name;
        e.data = "hostile\n";
        e.hostOS = 2;
        e.attributes = 0x20;
        entries.push_back(e);
    }
    Rar4Entry safe;
    safe.name = "dir\\safe.txt";
    safe.data = "safe\n";
    safe.hostOS = 2;
    safe.attributes = 0x20;
    entries.push_back(safe);
    const fs::path archive = root / "hostile.rar";
    ASSERT_TRUE(testing_support::WriteRar4(U8(archive), entries));
    const fs::path out = root / "a" / "b" / "out";
    fs::create_directories(out);
    const auto before = Snapshot(root);

    const auto results = Extract(archive, out);
    EXPECT_EQ(ReadAll(out / "dir" / "safe.txt"), "safe\n");
    for (const std::string& p : Snapshot(root))
        if (!before.count(p)) {
            EXPECT_EQ(p.rfind(U8(out) + "\\", 0), 0u) << p;
        }
    for (const char* outside : {"C:\\evil3.txt", "C:\\evil4.txt", "C:\\evil5.txt",
                                "C:\\evil7.txt", "C:\\evil8.txt", "C:\\C_\\evil8.txt"})
        EXPECT_FALSE(fs::exists(outside)) << outside;
    EXPECT_FALSE(fs::exists(out.parent_path() / "evil1.txt"));
    EXPECT_FALSE(fs::exists(out.parent_path().parent_path() / "evil2.txt"));
    // Devices, trailing dots and spaces, wildcards: refused, not written.
    for (const wchar_t* name : {L"..\\evil1.txt", L"CON", L"aux.txt", L"sub/nul.dat", L"com1",
                                L"trail.", L"trail ", L"ques?.txt", L"lpt9.log", L"\\evil5.txt"}) {
        const std::wstring entry = platform::EntryNameFromLibrary(name);
        EXPECT_TRUE(results.count(entry) && results.at(entry) != 0) << rardll::WideToUtf8(entry);
    }
}

// A path longer than 260 characters, with names outside ASCII: the settings
// store and the extraction both reach it.
TEST_F(Windows, LongPathsAndWideNames) {
    fs::path deep = root;
    for (int i = 0; i < 12; ++i) deep /= fs::u8path("Ordner-\xC3\xBC\xE6\x97\xA5\xE6\x9C\xAC-" + std::string(20, 'x'));
    ASSERT_GT(U8(deep).size(), 300u);
    ASSERT_TRUE(platform::ForceDirectories(U8(deep)));

    const settings::Store store(U8(deep));
    ASSERT_TRUE(store.writeValue(settings::kFolder, U8(deep)));
    EXPECT_EQ(store.readValue(settings::kFolder).value_or(""), U8(deep));

    // Wide entry names are the Linux tests' (the writer stores 8-bit names).
    Rar4Entry entry;
    entry.name = "sub/deep.txt";
    entry.data = "deep\n";
    // The writer takes an 8-bit path: it writes to a short one first.
    const fs::path archive = deep / fs::u8path("\xC3\xA4rchiv.rar");
    ASSERT_TRUE(testing_support::WriteRar4(U8(root / "short.rar"), {entry}));
    fs::rename(root / "short.rar", archive);
    EXPECT_EQ(Extract(archive, deep).at(L"sub/deep.txt"), 0);
    platform::File extracted = platform::File::OpenRegular(U8(deep / "sub" / "deep.txt"));
    char data[16] = {};
    EXPECT_EQ(extracted.read(data, sizeof data), 5);
    EXPECT_STREQ(data, "deep\n");
}

// Settings files and the password list hold the ANSI code page, as files of
// earlier versions do; what the code page cannot hold survives as UTF-8.
TEST_F(Windows, SettingsFilesHoldTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "the test assumes the Western code page";
    const settings::Store store(U8(root));
    const std::string german = "Gr\xC3\xBC\xC3\x9F" "e";           // Grüße
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC";         // 日本
    ASSERT_TRUE(store.writeValue(settings::kPassword, german));
    EXPECT_EQ(ReadAll(root / settings::kPassword), "Gr\xFC\xDF" "e\r\n");
    EXPECT_EQ(store.readValue(settings::kPassword).value_or(""), german);
    ASSERT_TRUE(store.writeValue(settings::kPassword, japanese));
    EXPECT_EQ(store.readValue(settings::kPassword).value_or(""), japanese);

    // A list written by an earlier version, a line added, the list read back.
    const fs::path list = root / "list.txt";
    WriteAll(list, "alt\xE9\r\nzwei\r\n");
    ASSERT_TRUE(settings::AppendToList(U8(list), japanese, std::chrono::milliseconds(500)));
    ASSERT_TRUE(settings::AppendToList(U8(list), german, std::chrono::milliseconds(500)));
    const std::string bytes = ReadAll(list);
    EXPECT_EQ(bytes.substr(0, 12), "alt\xE9\r\nzwei\r\n");
    EXPECT_NE(bytes.find("\r\nGr\xFC\xDF" "e\r\n"), std::string::npos);
    const auto lines = settings::ReadListFile(U8(list));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->strings(),
              (std::vector<std::string>{"alt\xC3\xA9", "zwei", japanese, german}));
}

// A file another program holds open without sharing it is never lost: the
// entry fails, the file stays as it was, no temporary is left; the same for
// a settings file.
TEST_F(Windows, FilesHeldOpenByAnotherProgramStayWhole) {
    Rar4Entry entry;
    entry.name = "held.txt";
    entry.data = "new content\n";
    const fs::path archive = root / "held.rar";
    ASSERT_TRUE(testing_support::WriteRar4(U8(archive), {entry}));
    WriteAll(root / "out" / "held.txt", "the user's file\n");
    WriteAll(root / "out" / settings::kFolder, "C:\\old\r\n");
    HANDLE held = CreateFileW((root / "out" / "held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE heldSetting = CreateFileW((root / "out" / settings::kFolder).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NE(heldSetting, INVALID_HANDLE_VALUE);

    const auto results = Extract(archive, root / "out");
    EXPECT_NE(results.at(L"held.txt"), 0);
    EXPECT_FALSE(settings::Store(U8(root / "out")).writeValue(settings::kFolder, "C:\\new"));
    CloseHandle(held);
    CloseHandle(heldSetting);
    EXPECT_EQ(ReadAll(root / "out" / "held.txt"), "the user's file\n");
    EXPECT_EQ(ReadAll(root / "out" / settings::kFolder), "C:\\old\r\n");
    std::set<std::string> names;
    for (auto& e : fs::directory_iterator(root / "out")) names.insert(U8(e.path().filename()));
    EXPECT_EQ(names, (std::set<std::string>{"held.txt", settings::kFolder}));

    // Once let go, the same run replaces it.
    EXPECT_EQ(Extract(archive, root / "out").at(L"held.txt"), 0);
    EXPECT_EQ(ReadAll(root / "out" / "held.txt"), "new content\n");
}

// The list lock is exclusive and waited for only so long, yet the list can be
// replaced while it is held; additions at once are all kept. The progress
// lock tells other processes that a run is going on and goes with it.
TEST_F(Windows, LocksBetweenRuns) {
    const std::string list = U8(root / "list.txt");
    WriteAll(list, "first\r\n");
    {
        platform::FileLock first(list, false, 0600, std::chrono::milliseconds(100));
        ASSERT_TRUE(first.Held());
        EXPECT_FALSE(settings::AppendToList(list, "lost", std::chrono::milliseconds(100)));
        // Let go of the list, the lock kept: a new copy takes its name.
        first.Contents().close();
        WriteAll(root / "new.txt", "first\r\nsecond\r\n");
        EXPECT_TRUE(platform::RenameReplacing(U8(root / "new.txt"), list));
    }
    std::vector<std::thread> adders;
    for (int i = 0; i < 8; ++i)
        adders.emplace_back([&, i] {
            EXPECT_TRUE(settings::AppendToList(list, "pw" + std::to_string(i)));
        });
    for (auto& t : adders) t.join();
    const auto lines = settings::ReadListFile(list);
    ASSERT_TRUE(lines);
    const std::vector<std::string> got = lines->strings();
    EXPECT_EQ(std::set<std::string>(got.begin(), got.end()),
              (std::set<std::string>{"first", "second", "pw0", "pw1", "pw2", "pw3", "pw4", "pw5",
                                     "pw6", "pw7"}));
    EXPECT_EQ(got.size(), 10u);
    // A missing list is made when asked to.
    const std::string made = U8(root / "made.txt");
    EXPECT_TRUE(settings::AppendToList(made, "new", std::chrono::milliseconds(100), true));
    EXPECT_EQ(ReadAll(made), "new\r\n");

    EXPECT_FALSE(platform::AnyProgressWindowExists());
    {
        platform::ProgressWindowLock lock;
        ASSERT_TRUE(lock.acquire());
        EXPECT_TRUE(platform::AnyProgressWindowExists());
    }
    EXPECT_FALSE(platform::AnyProgressWindowExists());
}

// Folders held by an extraction can be neither renamed nor removed while it
// runs, and a link is never entered; a temporary file left by a run that
// died goes with the next run into that folder, one of a running process
// stays.
TEST_F(Windows, HeldFoldersAndStaleTemporaries) {
    const fs::path out = root / "out";
    {
        const platform::Folder held = platform::Folder::Open(U8(out));
        ASSERT_TRUE(held.Held());
        bool made = false;
        const platform::Folder sub = held.Enter("sub", true, &made);
        ASSERT_TRUE(sub.Held());
        EXPECT_TRUE(made);
        EXPECT_EQ(held.PathOf("sub"), U8(out / "sub"));
        EXPECT_FALSE(MoveFileW((out / "sub").c_str(), (out / "moved").c_str()));
        EXPECT_FALSE(MoveFileW(out.c_str(), (root / "moved").c_str()));
        EXPECT_FALSE(RemoveDirectoryW((out / "sub").c_str()));
        EXPECT_TRUE(fs::is_directory(out / "sub"));
        // A link to a folder elsewhere is refused, and left as it is. (Wine 8
        // answers that it made the link, but nothing is there afterwards.)
        fs::create_directories(root / "elsewhere");
        if (CreateSymbolicLinkW((out / "link").c_str(), (root / "elsewhere").c_str(),
                                SYMBOLIC_LINK_FLAG_DIRECTORY) &&
            GetFileAttributesW((out / "link").c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(held.Status("link").kind, platform::EntryKind::Link);
            EXPECT_FALSE(held.Enter("link", true).Held());
            EXPECT_TRUE(fs::is_directory(root / "elsewhere"));
        }
    }
    // The numbers of a process that has ended and of one that runs.
    auto start = [](DWORD flags) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        std::wstring command = L"cmd.exe /c exit";
        EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                   CREATE_NO_WINDOW | flags, nullptr, nullptr, &startup, &child));
        CloseHandle(child.hThread);
        return child;
    };
    const PROCESS_INFORMATION endedChild = start(0);
    WaitForSingleObject(endedChild.hProcess, INFINITE);
    CloseHandle(endedChild.hProcess);
    const PROCESS_INFORMATION runningChild = start(CREATE_SUSPENDED);
    const long ended = static_cast<long>(endedChild.dwProcessId);
    const long alive = static_cast<long>(runningChild.dwProcessId);
    Sleep(1100);
    EXPECT_FALSE(platform::ProcessMayOwn(ended, std::time(nullptr)));
    EXPECT_TRUE(platform::ProcessMayOwn(alive, std::time(nullptr)));
    // A file written before the process started is not its own.
    EXPECT_FALSE(platform::ProcessMayOwn(alive, std::time(nullptr) - 86400 * 365));

    const std::string stale = ".tarnwick-" + std::to_string(ended) + ".part";
    const std::string running = ".tarnwick-" + std::to_string(alive) + "-7.part";
    WriteAll(out / "sub" / stale, "half");
    WriteAll(out / "sub" / running, "busy");
    Rar4Entry entry;
    entry.name = "sub/new.txt";
    entry.data = "new\n";
    const fs::path archive = root / "stale.rar";
    ASSERT_TRUE(testing_support::WriteRar4(U8(archive), {entry}));
    EXPECT_EQ(Extract(archive, out).at(L"sub/new.txt"), 0);
    EXPECT_EQ(ReadAll(out / "sub" / "new.txt"), "new\n");
    EXPECT_FALSE(fs::exists(out / "sub" / stale));
    EXPECT_TRUE(fs::exists(out / "sub" / running));
    TerminateProcess(runningChild.hProcess, 0);
    CloseHandle(runningChild.hProcess);
}

// A file of the user's is replaced only after the question, whatever the
// case of its name, and never when it is marked read-only; a move that is not
// to replace replaces nothing.
TEST_F(Windows, ExistingFilesAreReplacedOnlyAsAgreed) {
    const fs::path out = root / "out";
    WriteAll(out / "README.TXT", "mine");
    Rar4Entry entry;
    entry.name = "readme.txt";
    entry.data = "new\n";
    const fs::path archive = root / "a.rar";
    ASSERT_TRUE(testing_support::WriteRar4(U8(archive), {entry}));
    int asked = 0;
    TRAR rar;
    rar.OnReplace = [&](TRAR&, const TRARReplaceData&, const TRARReplaceData&,
                        TRARReplaceAction& action) {
        ++asked;
        action = rrSkip;
    };
    rar.ListArchive(U8(archive));
    EXPECT_TRUE(rar.ExtractArchive(rardll::Utf8ToWide(U8(out)), true));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadAll(out / "README.TXT"), "mine");

    ASSERT_TRUE(SetFileAttributesW((out / "README.TXT").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(Extract(archive, out).at(L"readme.txt"), 0) << "answered: overwrite";
    EXPECT_EQ(ReadAll(out / "README.TXT"), "mine");
    ASSERT_TRUE(SetFileAttributesW((out / "README.TXT").c_str(), FILE_ATTRIBUTE_NORMAL));

    const platform::Folder held = platform::Folder::Open(U8(out));
    WriteAll(out / "new.txt", "new");
    EXPECT_FALSE(held.MoveTo("new.txt", held, "readme.txt", false));
    EXPECT_EQ(ReadAll(out / "README.TXT"), "mine");
    EXPECT_TRUE(held.MoveTo("new.txt", held, "readme.txt", true));
    EXPECT_EQ(ReadAll(out / "readme.txt"), "new");
    // A folder in the way is never replaced, nor is a missing file moved.
    fs::create_directory(out / "sub");
    WriteAll(out / "sub" / "kept.txt", "kept");
    EXPECT_FALSE(held.MoveTo("readme.txt", held, "sub", true));
    EXPECT_EQ(ReadAll(out / "sub" / "kept.txt"), "kept");
    EXPECT_EQ(ReadAll(out / "readme.txt"), "new");
    EXPECT_FALSE(held.MoveTo("gone.txt", held, "other.txt", true));
    EXPECT_FALSE(fs::exists(out / "other.txt"));
}

// The settings live in %APPDATA%\Ostrel\Tarnwick\, the desktop is the
// shell's, and the library is unrar.dll beside the program.
TEST_F(Windows, ShellFoldersAndLibrary) {
    wchar_t appData[MAX_PATH];
    ASSERT_TRUE(GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH));
    EXPECT_EQ(settings::SettingsFolder("Tarnwick"),
              platform::IncludeTrailingDelimiter(U8(fs::path(appData))) + "Ostrel\\Tarnwick\\");
    EXPECT_TRUE(platform::DirectoryExists(platform::DesktopFolder()));
    rardll::TUnrarLibrary library;
    EXPECT_TRUE(library.Load(rardll::kDefaultLibraryName));
}

}  // namespace
