// The component's side of the library protocol, against the scripted fake
// library: what the real library cannot be made to do (failing closes,
// comment states, short password buffers, volumes missing mid-walk, names
// filling their field) and the exact calls and answers.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "ArchiveRecorder.h"
#include "archive/RAR.h"
#include "platform/Files.h"
#include "support/FakeUnrar.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

class ArchiveProtocol : public ::testing::Test {
protected:
    ArchiveProtocol() {
        rar.DllName = fake.path();
        WriteFile(archive, "stand-in");  // the component checks that the archive exists
    }
    std::wstring Out() const { return rardll::Utf8ToWide(dir / "out"); }
    // Lists the scripted archive, then extracts it; the log and the events
    // hold the extraction's alone.
    bool Extract(const std::string& script) {
        fake.Script(script);
        rar.ListArchive(archive);
        fake.ClearLog();
        seen.clear();
        // Each extraction into an empty folder: no overwrite questions.
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directory(dir / "out");
        return rar.ExtractArchive(Out(), true);
    }
    bool Logged(const std::string& line) const {
        return fake.Log().find(line) != std::string::npos;
    }

    FakeUnrar fake;
    TempDir dir;
    std::string archive = dir / "fake.rar";
    TRAR rar;
    ArchiveRecorder seen{rar};
};

TEST_F(ArchiveProtocol, OpenRecordAndReportedResults) {
    fake.Script("entry name=a.txt\nentry name=b.txt\n");
    EXPECT_TRUE(rar.ListArchive(archive));
#ifdef _WIN32
    // Windows hands the library the archive's wide name too.
    EXPECT_TRUE(Logged("open name=" + archive + " wide=set mode=2 cmtsize=65536")) << fake.Log();
#else
    EXPECT_TRUE(Logged("open name=" + archive + " wide=null mode=2 cmtsize=65536"));
#endif
    std::vector<std::pair<int, TRAROperation>> expected = {{0, roOpenArchive}, {0, roListFiles},
                                                           {0, roListFiles},   {0, roListFiles},
                                                           {0, roListFiles},   {0, roCloseArchive}};
    EXPECT_EQ(seen.errors, expected) << "every result, zero included";
    EXPECT_FALSE(Logged("setpassword")) << "no preset password";

    rar.ReadMultiVolumeToEnd = false;
    fake.Script("entry name=a.txt\n");
    rar.ListArchive(archive);
    EXPECT_TRUE(Logged("mode=0"));

    EXPECT_TRUE(Extract("entry name=a.txt\n"));
    EXPECT_TRUE(Logged("mode=1"));
    // A folder goes with the destination name, so the library keeps links and
    // copies inside it; the folder is the one held open, never its path
    // again, and the file a bare name in it, the working folder for the call.
    // The file is written under a hidden name beside its own and then takes
    // that name.
    std::string out = dir / "out/";
#ifdef _WIN32
    // There the folder goes by its own path.
    EXPECT_TRUE(std::regex_search(
        fake.Log(), std::regex(R"(process op=2 path=(\S+\\out\\) name=\1\.tarnwick-)")))
        << fake.Log();
#else
    EXPECT_TRUE(std::regex_search(
        fake.Log(), std::regex(R"(process op=2 path=/proc/self/fd/\d+/ name=\.tarnwick-\d+\.part\n)")))
        << fake.Log();
#endif
    EXPECT_TRUE(PathExists(out + "a.txt"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(out), {})) << "a temporary left";
}

TEST_F(ArchiveProtocol, CommentStates) {
    struct Case {
        unsigned state;
        bool listsEntries;
    } cases[] = {{0, true},   {1, true},   {11, false}, {12, false},
                 {14, false}, {20, false}, {7, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        fake.Script("flags 0x02\ncomment_state " + std::to_string(c.state) +
                    "\ncomment hello\nentry name=a.txt\n");
        seen.errors.clear();
        seen.listed.clear();
        EXPECT_TRUE(rar.ListArchive(archive)) << "a listing returns its close";
        EXPECT_EQ(!seen.listed.empty(), c.listsEntries);
        bool reportsState = c.state >= 11 && c.state != 7;
        if (c.state != 0) {  // an open result of 0 is reported anyway
            EXPECT_EQ(seen.reported(static_cast<int>(c.state), roOpenArchive), reportsState);
        }
        EXPECT_EQ(rar.ArchiveInformation().ArchiveComment(), c.state == 1 || (c.state > 1))
            << "set from the archive flags, cleared only by state 0";
        EXPECT_EQ(rar.ArchiveInformation().Comment(), c.state == 1 ? "hello" : "");
        EXPECT_EQ(Extract("comment_state " + std::to_string(c.state) + "\nentry name=a.txt\n"),
                  c.listsEntries);
    }
}

TEST_F(ArchiveProtocol, CloseThatFails) {
    fake.Script("close_result 17\nentry name=a.txt\n");
    EXPECT_FALSE(rar.ListArchive(archive));
    EXPECT_TRUE(seen.reported(17, roCloseArchive));
    EXPECT_EQ(seen.listed.size(), 1u);
    // The handle is still open: the next open must close it first, and fails.
    seen.listed.clear();
    fake.ClearLog();
    EXPECT_FALSE(rar.ListArchive(archive));
    EXPECT_TRUE(seen.listed.empty());
    EXPECT_EQ(fake.Log().find("open name"), std::string::npos) << "no second open";

    // Destruction still closes, but reports to nobody: the handlers' owner
    // may be gone already.
    bool reported = false;
    {
        TRAR other;
        other.DllName = fake.path();
        other.ListArchive(archive);
        other.OnError = [&](TRAR&, int, TRAROperation) { reported = true; };
        fake.ClearLog();
    }
    EXPECT_TRUE(Logged("close"));
    EXPECT_FALSE(reported);
}

TEST_F(ArchiveProtocol, PasswordAnswers) {
    std::string given = "abcdefghijklmnop";
    bool cancel = false;
    std::vector<std::pair<bool, std::wstring>> asked;
    rar.OnPasswordRequired = [&](TRAR&, bool headers, const std::wstring& name, std::string& pw,
                                 bool& c) {
        asked.emplace_back(headers, name);
        pw = given;
        c = cancel;
    };
    // The wide request is answered "go on" without a password; the 8-bit
    // one gets the password cut to the buffer, with its zero, no further.
    fake.Script("password_buffer 8\nentry name=a.txt password=header\n");
    rar.ListArchive(archive);
    EXPECT_TRUE(Logged("passwordW answer=0 text=\n"));
    EXPECT_TRUE(Logged("password answer=0 text=abcdefg\n")) << fake.Log();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].first) << "asked while listing: the headers";
    EXPECT_EQ(asked[0].second, rardll::Utf8ToWide(archive)) << "names the archive";
    EXPECT_TRUE(rar.ArchiveInformation().HeaderEncrypted());

    // A character is never cut in half. (Windows hands the library the ANSI
    // code page, where this one is a single byte and fits.)
    given = "abcdef\xC3\xBC";
    fake.Script("password_buffer 8\nentry name=a.txt password=header\n");
    rar.ListArchive(archive);
#ifdef _WIN32
    const std::string fitted = platform::ToLibraryText(given);
    ASSERT_LT(fitted.size(), 8u);
#else
    const std::string fitted = "abcdef";
#endif
    EXPECT_TRUE(Logged("password answer=0 text=" + fitted + "\n")) << fake.Log();

    // After a listing, a request names the entry being processed.
    given = "pw";
    fake.Script("entry name=first.txt\nentry name=second.txt\n");
    rar.ListArchive(archive);
    fake.Script("entry name=first.txt\nentry name=second.txt password=process\n");
    asked.clear();
    rar.ExtractArchive(Out(), true);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].first);
    EXPECT_EQ(asked[0].second, L"second.txt");

    cancel = true;
    EXPECT_FALSE(Extract("entry name=a.txt password=process\n"));
    EXPECT_TRUE(Logged("password answer=-1"));

    // A handler that throws answers "stop".
    rar.OnPasswordRequired = [](TRAR&, bool, const std::wstring&, std::string&, bool&) {
        throw std::runtime_error("boom");
    };
    EXPECT_FALSE(Extract("entry name=a.txt password=process\n"));
    EXPECT_TRUE(Logged("password answer=-1"));
}

TEST_F(ArchiveProtocol, VolumeMissingInTheMiddleOfAWalk) {
    const std::string script = "entry name=a.txt\nentry name=b.txt volume=1\nentry name=c.txt\n";
    // As the program sets it up: stop without asking.
    EXPECT_FALSE(Extract(script));
    EXPECT_TRUE(Logged("volumeW answer=0"));
    EXPECT_TRUE(Logged("volume answer=-1"));
    EXPECT_FALSE(Logged("read c.txt")) << "the walk stops";
    EXPECT_TRUE(rar.AbortRequested());

    // Nobody to ask: stop rather than let the library ask again for ever.
    rar.AutoNextVolumeOnList = false;
    EXPECT_FALSE(Extract(script));
    EXPECT_FALSE(Logged("asked for ever"));
    EXPECT_TRUE(Logged("volume answer=-1"));

    // A handler's new name goes back to the library, which then announces it.
    std::string required;
    rar.OnNextVolumeRequired = [&](TRAR&, const std::string& r, std::string& name, bool&) {
        required = r;
        name = "/elsewhere/fake.part2.rar";
    };
    EXPECT_TRUE(Extract(script));
    EXPECT_EQ(required, "fake.part2.rar");
    EXPECT_TRUE(Logged("volume answer=0 name=/elsewhere/fake.part2.rar"));
    EXPECT_EQ(seen.volumes, std::vector<std::string>{"/elsewhere/fake.part2.rar"});
    EXPECT_TRUE(Logged("read c.txt"));

    rar.OnNextVolumeRequired = [&](TRAR&, const std::string&, std::string&, bool& cancel) {
        cancel = true;
    };
    EXPECT_FALSE(Extract(script));
    EXPECT_TRUE(Logged("volume answer=-1"));
}

TEST_F(ArchiveProtocol, EntryCollection) {
    fake.Script(
        // Unpack versions: the highest wins, a lower one later does not lower it.
        "entry name=v20.txt ver=20 host=0 crc=0x00ABCDEF attr=0x20 flags=0x04\n"
        "entry name=v29.txt ver=29 host=1 dict=4096\n"
        "entry name=v15.txt ver=15 host=2 flags=0x10 cmt=5\n"
        // Folders are not counted.
        "entry name=dir1 flags=0x20 attr=040755 host=3\n"
        "entry name=dir2 attr=16 host=9\n"
        // A file split over three volumes: one entry at its last part.
        "entry name=split.bin flags=0x02 pack=100 unp=250\n"
        "entry name=split.bin flags=0x03 pack=100 unp=250\n"
        "entry name=split.bin flags=0x01 pack=50 unp=250\n"
        // Sizes above 4 GiB.
        "entry name=huge.bin pack=1 pack_high=1 unp=2 unp_high=2\n");
    EXPECT_TRUE(rar.ListArchive(archive));
    const TRARArchiveInformation& info = rar.ArchiveInformation();
    EXPECT_EQ(info.ArchiverMajorVersion(), 2u);
    EXPECT_EQ(info.ArchiverMinorVersion(), 9u);
    EXPECT_EQ(info.TotalFiles(), 5);
    EXPECT_TRUE(info.Encryption());
    EXPECT_TRUE(info.Solid());
    EXPECT_TRUE(info.FileComment());
    EXPECT_TRUE(info.MultiVolume());
    EXPECT_EQ(info.HostOS(), "Unix") << "of the last collected entry";
    EXPECT_EQ(info.DictionarySize(), 65536) << "the last counted entry's";
    EXPECT_EQ(info.CompressedSize(), 10 + 10 + 10 + 10 + 10 + 250 + (1 + (std::int64_t{1} << 32)));
    EXPECT_EQ(info.UnCompressedSize(), 10 * 5 + 250 + (2 + (std::int64_t{2} << 32)));

    ASSERT_EQ(seen.listed.size(), 7u) << "split parts before the last are not listed";
    const TRARFileItem& v20 = seen.listed[0];
    EXPECT_EQ(v20.CRC, "ABCDEF") << "no leading zeros";
    EXPECT_EQ(v20.HostOS, "DOS");
    EXPECT_TRUE(v20.Encrypted);
    EXPECT_EQ(v20.UnpackVersion, 20);
    EXPECT_EQ(v20.CompressionMethod, 0x33);
    EXPECT_EQ(v20.Attributes, 0x20);
    EXPECT_TRUE(v20.Comment.empty());
    EXPECT_EQ(seen.listed[1].HostOS, "IBM OS/2");
    EXPECT_EQ(seen.listed[2].HostOS, "Windows");
    EXPECT_EQ(seen.listed[4].HostOS, "unknown");
    EXPECT_EQ(seen.listed[5].FileName, "split.bin");
    EXPECT_EQ(seen.listed[5].CompressedSize, 250) << "summed over the parts";
    EXPECT_EQ(seen.listed[6].UnCompressedSize, 2 + (std::int64_t{2} << 32));

    // Without reading to the end every part is an entry of its own.
    rar.ReadMultiVolumeToEnd = false;
    fake.Script(
        "entry name=split.bin flags=0x02 pack=100\nentry name=split.bin flags=0x01 pack=50\n");
    seen.listed.clear();
    rar.ListArchive(archive);
    ASSERT_EQ(seen.listed.size(), 2u);
    EXPECT_EQ(seen.listed[0].CompressedSize, 100);
    EXPECT_EQ(rar.ArchiveInformation().TotalFiles(), 2) << "the listing starts afresh";
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
}

TEST_F(ArchiveProtocol, NameThatFillsItsField) {
    fake.Script("entry name=long long=1024\n");
    rar.ListArchive(archive);
    ASSERT_EQ(seen.listed.size(), 1u);
    EXPECT_EQ(seen.listed[0].FileNameW, std::wstring(1024, L'x'));
    // The real name may be longer: the entry is refused, not written cut.
    EXPECT_FALSE(Extract("entry name=long long=1024\n"));
    std::string out = dir / "out/";
    EXPECT_FALSE(Logged("name=" + out + std::string(1024, 'x'))) << "never handed on";
    ASSERT_FALSE(seen.processed.empty());
    EXPECT_NE(seen.processed.back().second, 0);
}

TEST_F(ArchiveProtocol, FailuresDuringTheWalk) {
    // A header that cannot be read ends the walk; nothing is done with it.
    EXPECT_FALSE(Extract("entry name=a.txt\nentry name=b.txt read=13\nentry name=c.txt\n"));
    EXPECT_TRUE(seen.reported(13, roListFiles));
    EXPECT_FALSE(Logged("read c.txt"));
    EXPECT_EQ(fake.Log().find("process", fake.Log().find("read b.txt")), std::string::npos);

    // ForceTestToEnd: every entry is tried, the failure still fails the run;
    // the failing entry is reported to OnFileProcessed, its result as 0 to OnError.
    EXPECT_FALSE(Extract("entry name=a.txt process=12\nentry name=b.txt\n"));
    ASSERT_EQ(seen.processed.size(), 2u);
    EXPECT_EQ(seen.processed[0], std::make_pair(std::wstring(L"a.txt"), 12));
    EXPECT_TRUE(seen.failures().empty());

    rar.ForceTestToEnd = false;
    EXPECT_FALSE(Extract("entry name=a.txt process=12\nentry name=b.txt\n"));
    EXPECT_EQ(seen.processed.size(), 1u);
    EXPECT_TRUE(seen.reported(12, roListFiles));
}

TEST_F(ArchiveProtocol, AbortAndExceptions) {
    // An abort from a progress handler: every later message is answered stop.
    rar.OnProgress = [](TRAR& r, const std::wstring&, std::int64_t, std::int64_t, std::int64_t,
                        std::int64_t) { r.AbortOperation(); };
    EXPECT_FALSE(Extract("entry name=a.txt\nentry name=b.txt\n"));
    EXPECT_FALSE(Logged("read b.txt"));
    EXPECT_TRUE(rar.AbortRequested()) << "stays set until the next operation";
    rar.OnProgress = nullptr;
    EXPECT_TRUE(Extract("entry name=a.txt\nentry name=b.txt\n"));
    EXPECT_FALSE(rar.AbortRequested());

    // A throwing handler turns the step false; the archive is still closed.
    rar.OnListFile = [](TRAR&, const TRARFileItem&) { throw std::runtime_error("boom"); };
    fake.Script("entry name=a.txt\nentry name=b.txt\n");
    EXPECT_TRUE(rar.ListArchive(archive));
    EXPECT_FALSE(Logged("read b.txt"));
    EXPECT_TRUE(Logged("close"));

    // An empty destination: false, and no event at all.
    seen.errors.clear();
    EXPECT_FALSE(rar.ExtractArchive(L"", true));
    EXPECT_TRUE(seen.errors.empty());
}

}  // namespace
