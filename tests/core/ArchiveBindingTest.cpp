// The binding to the extraction library: our record declarations against the
// library's published header, loading all twelve entry points or none, the
// old-version warning, and the file routines of the binding.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

#include "ArchiveRecorder.h"
#include "archive/RAR.h"
#include "archive/RAR_DLL.h"
#include "platform/Messages.h"
#include "support/FakeUnrar.h"
#include "support/Fixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

// Our values, taken before the published header's macros take the names.
namespace ours {
struct Sizes {
    std::size_t header = sizeof(rardll::RARHeaderData), headerEx = sizeof(rardll::RARHeaderDataEx),
                open = sizeof(rardll::RAROpenArchiveData),
                openEx = sizeof(rardll::RAROpenArchiveDataEx);
};
const int codes[] = {rardll::ERAR_END_ARCHIVE,
                     rardll::ERAR_SMALL_BUF,
                     rardll::ERAR_BAD_PASSWORD,
                     static_cast<int>(rardll::UCM_NEEDPASSWORDW),
                     static_cast<int>(rardll::ROADF_ENCHEADERS),
                     static_cast<int>(rardll::RHDF_DIRECTORY)};
}  // namespace ours

#ifdef _WIN32
#include <windows.h>  // the header's types; scripts/windows.sh puts it in the build tree
#else
#define _UNIX
#endif
#include <unrar/dll.hpp>

using namespace testing_support;

namespace {

#define SAME_FIELD(ours_type, theirs_type, field) \
    EXPECT_EQ(offsetof(rardll::ours_type, field), offsetof(theirs_type, field)) << #field

TEST(ArchiveBinding, RecordsMatchThePublishedHeader) {
    ours::Sizes s;
    EXPECT_EQ(s.header, sizeof(RARHeaderData));
    EXPECT_EQ(s.headerEx, sizeof(RARHeaderDataEx));
    EXPECT_EQ(s.open, sizeof(RAROpenArchiveData));
    EXPECT_EQ(s.openEx, sizeof(RAROpenArchiveDataEx));

    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, FileName);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, FileNameW);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, Flags);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, PackSize);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, PackSizeHigh);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, UnpSize);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, UnpSizeHigh);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, HostOS);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, FileCRC);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, FileTime);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, UnpVer);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, Method);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, FileAttr);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, CmtBuf);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, CmtSize);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, DictSize);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, RedirName);
    SAME_FIELD(RARHeaderDataEx, RARHeaderDataEx, Reserved);

    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, ArcName);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, ArcNameW);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, OpenMode);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, OpenResult);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, CmtBuf);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, CmtBufSize);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, CmtState);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, Flags);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, UserData);
    SAME_FIELD(RAROpenArchiveDataEx, RAROpenArchiveDataEx, Reserved);

    const int theirs[] = {ERAR_END_ARCHIVE,  ERAR_SMALL_BUF,   ERAR_BAD_PASSWORD,
                          UCM_NEEDPASSWORDW, ROADF_ENCHEADERS, RHDF_DIRECTORY};
    for (std::size_t i = 0; i < sizeof theirs / sizeof theirs[0]; ++i)
        EXPECT_EQ(ours::codes[i], theirs[i]) << "constant " << i;
}

struct MessageCatcher {
    std::vector<std::pair<std::string, std::string>> shown;  // text, caption
    platform::MessageHandler previous;
    MessageCatcher() {
        previous = platform::SetMessageHandler(
            [this](const std::string& t, const std::string& c) { shown.emplace_back(t, c); });
    }
    ~MessageCatcher() { platform::SetMessageHandler(previous); }
};

TEST(ArchiveBinding, DefaultLibraryLoadsWithEveryEntryPoint) {
    MessageCatcher messages;
    rardll::TUnrarLibrary lib;
    ASSERT_TRUE(lib.Load(rardll::kDefaultLibraryName));
    EXPECT_GE(lib.RARGetDllVersion(), 4);
    EXPECT_TRUE(lib.RAROpenArchive && lib.RARReadHeader && lib.RARProcessFile &&
                lib.RARSetChangeVolProc && lib.RARSetProcessDataProc && lib.RARSetPassword);
    EXPECT_TRUE(messages.shown.empty()) << "no warning for a current library";
}

TEST(ArchiveBinding, LibraryThatCannotBeUsedFailsBothOperationsWith99) {
    FakeUnrar incomplete(false);
    for (std::string name : {incomplete.path(), std::string("/nonexistent/libunrar.so.5")}) {
        TRAR rar;
        rar.DllName = name;
        std::vector<std::pair<int, TRAROperation>> errors;
        rar.OnError = [&](TRAR&, int code, TRAROperation op) { errors.emplace_back(code, op); };
        EXPECT_FALSE(rar.ListArchive(PlainArchive().archive)) << name;
        EXPECT_FALSE(rar.ExtractArchive(L"/tmp", true)) << name;
        ASSERT_EQ(errors.size(), 2u) << name;
        EXPECT_EQ(errors[0], std::make_pair(99, roLoadDLL));
        EXPECT_EQ(errors[1], std::make_pair(99, roLoadDLL));
    }
    // All or nothing: one missing entry point leaves nothing loaded.
    rardll::TUnrarLibrary lib;
    EXPECT_FALSE(lib.Load(incomplete.path()));
    EXPECT_EQ(lib.RAROpenArchiveEx, nullptr);
}

TEST(ArchiveBinding, OldLibraryWarnsOnceAndIsStillUsed) {
    FakeUnrar fake;
    MessageCatcher messages;
    TRAR rar;
    rar.DllName = fake.path();
    fake.Script("version 3\nentry name=a.txt\n");
    TempDir dir;
    WriteFile(dir / "a.rar", "x");  // the component checks that the archive file exists
    ArchiveRecorder seen(rar);
    EXPECT_TRUE(rar.ListArchive(dir / "a.rar"));
    fake.Script("version 3\nentry name=a.txt\n");
    rar.ListArchive(dir / "a.rar");
    ASSERT_EQ(messages.shown.size(), 1u) << "warned when loaded, not per operation";
    EXPECT_EQ(messages.shown[0].second, "error");
    EXPECT_EQ(messages.shown[0].first, "please download the newest \"" + fake.path() +
                                           "\" file. See https://www.rarlab.com/rar_add.htm");
    EXPECT_EQ(seen.listed.size(), 2u) << "the old library is used all the same";
}

TEST(ArchiveBinding, EnvironmentVariableNamesTheLibrary) {
    FakeUnrar fake;
    fake.Script("entry name=from-fake.txt\n");
    TempDir dir;
    WriteFile(dir / "a.rar", "x");
    SetEnv(rardll::kLibraryEnvironmentVariable, fake.path());
    TRAR rar;  // default DllName
    ArchiveRecorder seen(rar);
    bool listed = rar.ListArchive(dir / "a.rar");
    UnsetEnv(rardll::kLibraryEnvironmentVariable);
    EXPECT_TRUE(listed);
    ASSERT_EQ(seen.listed.size(), 1u);
    EXPECT_EQ(seen.listed[0].FileName, "from-fake.txt");
}

TEST(ArchiveBinding, DosDateTimes) {
    // 2025-04-14 13:25:26 (seconds are stored halved).
    EXPECT_NEAR(rardll::DosDateTimeToDateTime(0x5A8E6B2D),
                45761 + (13 * 3600 + 25 * 60 + 26) / 86400.0, 1e-9);
    EXPECT_NEAR(rardll::DosDateTimeToDateTime(0x00210000), 29221, 1e-9);  // 1980-01-01
    EXPECT_EQ(rardll::DosDateTimeToDateTime(0x5A5E0000), 0) << "February 30th is no date";
    EXPECT_EQ(rardll::DosDateTimeToDateTime(0), 0) << "month 0 is no date";
}

TEST(ArchiveBinding, SelfExtractingIsJudgedFromTheFileHead) {
    TempDir dir;
    auto exe = [&](const std::string& name, const std::string& newHeader) {
        std::string head(0x80, '\0');
        head[0] = 'M';
        head[1] = 'Z';
        head[0x3C] = 0x40;
        head.replace(0x40, newHeader.size(), newHeader);
        WriteFile(dir / name, head + "Rar!\x1A\x07\x01");
        return dir / name;
    };
    std::string pe32("PE\0\0\x4C\x01", 6), pe64("PE\0\0\x64\x86", 6);
    pe32.resize(24);
    pe32 += std::string("\x0B\x01", 2);
    pe64.resize(24);
    pe64 += std::string("\x0B\x02", 2);
    EXPECT_TRUE(rardll::IsSelfExtracting(exe("pe32.exe", pe32)));
    EXPECT_FALSE(rardll::IsSelfExtracting(exe("pe64.exe", pe64)));
    EXPECT_TRUE(rardll::IsSelfExtracting(exe("dos.exe", "")));
    EXPECT_TRUE(rardll::IsSelfExtracting(exe("win16.exe", "NE")));
    WriteFile(dir / "elf",
              "\x7F"
              "ELF" +
                  std::string(100, '\0'));
    EXPECT_FALSE(rardll::IsSelfExtracting(dir / "elf"));
    WriteFile(dir / "short", "MZ");
    EXPECT_FALSE(rardll::IsSelfExtracting(dir / "short"));
    EXPECT_FALSE(rardll::IsSelfExtracting(PlainArchive().archive));
    EXPECT_FALSE(rardll::IsSelfExtracting(dir / "missing"));
}

TEST(ArchiveBinding, Utf8AndWideText) {
    std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    std::wstring wide = rardll::Utf8ToWide(text);
    EXPECT_EQ(wide, L"Gr\u00FC\u00DFe \u20AC \U0001F600");
    EXPECT_EQ(rardll::WideToUtf8(wide), text);
    EXPECT_EQ(rardll::Utf8ToWide("a\xFF"
                                 "b\xC3"),
              L"a\uFFFDb\uFFFD")
        << "broken bytes";
    wchar_t full[4] = {L'a', L'b', L'c', L'd'};
    EXPECT_EQ(rardll::BoundedName(full, 4), L"abcd") << "a name filling its field has no zero";
}

}  // namespace
