#pragma once
// The binding to the RAR extraction library (libunrar.so.5 here, unrar.dll on
// Windows): its records, codes and entry points, loaded at run time, and the
// few file routines the archive component needs. No Qt.
//
// The records are our own declarations, byte-packed and field for field as the
// library's published header (unrar/dll.hpp), so the program builds without
// that header; a test compares sizes and offsets with it.

#include <cstdint>
#include <string>

namespace rardll {

// Result codes.
constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr int ERAR_NO_MEMORY = 11;
constexpr int ERAR_BAD_DATA = 12;
constexpr int ERAR_BAD_ARCHIVE = 13;
constexpr int ERAR_UNKNOWN_FORMAT = 14;
constexpr int ERAR_EOPEN = 15;
constexpr int ERAR_ECREATE = 16;
constexpr int ERAR_ECLOSE = 17;
constexpr int ERAR_EREAD = 18;
constexpr int ERAR_EWRITE = 19;
constexpr int ERAR_SMALL_BUF = 20;
constexpr int ERAR_UNKNOWN = 21;
constexpr int ERAR_MISSING_PASSWORD = 22;
constexpr int ERAR_EREFERENCE = 23;
constexpr int ERAR_BAD_PASSWORD = 24;
// Our own code: the library could not be loaded.
constexpr int ERAR_NO_LIBRARY = 99;

// Open modes.
constexpr unsigned RAR_OM_LIST = 0;
constexpr unsigned RAR_OM_EXTRACT = 1;
constexpr unsigned RAR_OM_LIST_INCSPLIT = 2;

// Operations of RARProcessFile(W).
constexpr int RAR_SKIP = 0;
constexpr int RAR_TEST = 1;
constexpr int RAR_EXTRACT = 2;

// Callback messages and the two kinds of volume message.
constexpr unsigned UCM_CHANGEVOLUME = 0;
constexpr unsigned UCM_PROCESSDATA = 1;
constexpr unsigned UCM_NEEDPASSWORD = 2;
constexpr unsigned UCM_CHANGEVOLUMEW = 3;
constexpr unsigned UCM_NEEDPASSWORDW = 4;
constexpr std::intptr_t RAR_VOL_ASK = 0;
constexpr std::intptr_t RAR_VOL_NOTIFY = 1;

// Archive flags (open record).
constexpr unsigned ROADF_VOLUME = 0x0001;
constexpr unsigned ROADF_COMMENT = 0x0002;
constexpr unsigned ROADF_LOCK = 0x0004;
constexpr unsigned ROADF_SOLID = 0x0008;
constexpr unsigned ROADF_NEWNUMBERING = 0x0010;
constexpr unsigned ROADF_SIGNED = 0x0020;
constexpr unsigned ROADF_RECOVERY = 0x0040;
constexpr unsigned ROADF_ENCHEADERS = 0x0080;
constexpr unsigned ROADF_FIRSTVOLUME = 0x0100;

// Entry flags (header record).
constexpr unsigned RHDF_SPLITBEFORE = 0x01;
constexpr unsigned RHDF_SPLITAFTER = 0x02;
constexpr unsigned RHDF_ENCRYPTED = 0x04;
constexpr unsigned RHDF_SOLID = 0x10;
constexpr unsigned RHDF_DIRECTORY = 0x20;

// Name buffers of the extended header record, in characters. The library
// fills them completely for long names, without a terminating zero.
constexpr std::size_t kNameChars = 1024;

// The library's "volume name" buffer for message 0 has no size argument; its
// documented size is this many bytes.
constexpr std::size_t kVolumeNameBytes = 1024;

// The archive comment buffer given to every open.
constexpr unsigned kCommentBufferSize = 65536;

// The callback's parameters hold pointers: a long on Linux, 64 bits on 64-bit
// Windows, where a long has 32.
using LPARAM = std::intptr_t;
// The callback: message, user data, P1, P2; -1 stops the library, 0 goes on.
using UNRARCALLBACK = int (*)(unsigned int msg, LPARAM UserData, LPARAM P1, LPARAM P2);
using CHANGEVOLPROC = int (*)(char* ArcName, int Mode);
using PROCESSDATAPROC = int (*)(unsigned char* Addr, int Size);

#pragma pack(push, 1)

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int UnpSize;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int PackSizeHigh;
    unsigned int UnpSize;
    unsigned int UnpSizeHigh;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int DictSize;
    unsigned int HashType;
    char Hash[32];
    unsigned int RedirType;
    wchar_t* RedirName;
    unsigned int RedirNameSize;
    unsigned int DirTarget;
    unsigned int MtimeLow;
    unsigned int MtimeHigh;
    unsigned int CtimeLow;
    unsigned int CtimeHigh;
    unsigned int AtimeLow;
    unsigned int AtimeHigh;
    unsigned int Reserved[988];
};

struct RAROpenArchiveData {
    char* ArcName;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

struct RAROpenArchiveDataEx {
    char* ArcName;
    wchar_t* ArcNameW;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char* CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
    unsigned int Flags;
    UNRARCALLBACK Callback;
    LPARAM UserData;
    unsigned int OpFlags;
    wchar_t* CmtBufW;
    unsigned int Reserved[25];
};

#pragma pack(pop)

// The twelve entry points, in the order they are resolved.
using TRAROpenArchive = void* (*)(RAROpenArchiveData* ArchiveData);
using TRAROpenArchiveEx = void* (*)(RAROpenArchiveDataEx* ArchiveData);
using TRARCloseArchive = int (*)(void* hArcData);
using TRARReadHeader = int (*)(void* hArcData, RARHeaderData* HeaderData);
using TRARReadHeaderEx = int (*)(void* hArcData, RARHeaderDataEx* HeaderData);
using TRARProcessFile = int (*)(void* hArcData, int Operation, char* DestPath, char* DestName);
using TRARProcessFileW = int (*)(void* hArcData, int Operation, wchar_t* DestPath,
                                 wchar_t* DestName);
using TRARSetCallback = void (*)(void* hArcData, UNRARCALLBACK Callback, LPARAM UserData);
using TRARSetChangeVolProc = void (*)(void* hArcData, CHANGEVOLPROC ChangeVolProc);
using TRARSetProcessDataProc = void (*)(void* hArcData, PROCESSDATAPROC ProcessDataProc);
using TRARSetPassword = void (*)(void* hArcData, char* Password);
using TRARGetDllVersion = int (*)();

// The names of the entry points, in the order they are resolved.
extern const char* const kEntryPointNames[12];

// The platform's library file, and the one tried when it cannot be loaded.
#ifdef _WIN32
// Beside the program; the maker's 64-bit build of it is named unrar64.dll.
inline const char* const kDefaultLibraryName = "unrar.dll";
inline const char* const kFallbackLibraryName = "unrar64.dll";
#else
inline const char* const kDefaultLibraryName = "libunrar.so.5";
inline const char* const kFallbackLibraryName = "libunrar.so";
#endif
// Names a library file to load instead of the component's DllName.
inline const char* const kLibraryEnvironmentVariable = "TARNWICK_UNRAR_LIBRARY";
// The library maker's download page, named by the old-version warning.
inline const char* const kDownloadAddress = "https://www.rarlab.com/rar_add.htm";

// One loaded library with its twelve entry points: all resolved, or none and
// nothing loaded. Unloads on destruction.
class TUnrarLibrary {
public:
    TUnrarLibrary() = default;
    ~TUnrarLibrary();
    TUnrarLibrary(const TUnrarLibrary&) = delete;
    TUnrarLibrary& operator=(const TUnrarLibrary&) = delete;

    // Loads `fileName` (TARNWICK_UNRAR_LIBRARY, when set and not empty, takes
    // its place; the default name falls back to kFallbackLibraryName) and
    // resolves every entry point. A version below 4 shows the old-version
    // warning through platform::ShowMessage and the library stays loaded.
    // True when loaded afterwards; a loaded library is kept as it is.
    bool Load(const std::string& fileName);
    void Unload();
    bool Loaded() const { return module_ != nullptr; }
    // The file that was asked for in the last Load.
    const std::string& FileName() const { return fileName_; }

    TRAROpenArchive RAROpenArchive = nullptr;
    TRAROpenArchiveEx RAROpenArchiveEx = nullptr;
    TRARCloseArchive RARCloseArchive = nullptr;
    TRARReadHeader RARReadHeader = nullptr;
    TRARReadHeaderEx RARReadHeaderEx = nullptr;
    TRARProcessFile RARProcessFile = nullptr;
    TRARProcessFileW RARProcessFileW = nullptr;
    TRARSetCallback RARSetCallback = nullptr;
    TRARSetChangeVolProc RARSetChangeVolProc = nullptr;
    TRARSetProcessDataProc RARSetProcessDataProc = nullptr;
    TRARSetPassword RARSetPassword = nullptr;
    TRARGetDllVersion RARGetDllVersion = nullptr;

private:
    bool TryLoad(const std::string& fileName);
    void* module_ = nullptr;
    std::string fileName_;
};

// What to tell the user when the library could not be loaded for `dllName`:
// the file looked for (TARNWICK_UNRAR_LIBRARY's value in its place) and the
// package that provides it.
std::string MissingLibraryText(const std::string& dllName);

// The old-version warning text for a library file.
std::string OldVersionWarning(const std::string& libraryFileName);

// A result code in words, for reports and tests ("success", "bad data", ...).
const char* ResultText(int code);

// --- File routines -------------------------------------------------------

// Days since 30 December 1899 plus the fraction of the day.
using TDateTime = double;

// A DOS date and time (date in the high 16 bits) as a date-time, without any
// time-zone conversion; 0 for an impossible date.
TDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime);

// Size of the file at `path` (links followed); 0 when it cannot be found.
std::int64_t FileSizeOf(const std::string& path);

// Last-write time of the file at `path` in local time at two-second
// resolution, as a date-time; 0 when it cannot be read.
TDateTime FileDateOf(const std::string& path);

// True when the file is an executable of the kinds a Windows system would
// start as a program of its own (32-bit Windows PE, MS-DOS MZ, 16-bit NE);
// judged from the file head, so it works on any platform. A 64-bit PE and
// any other file give false.
bool IsSelfExtracting(const std::string& path);

// A size from a header's high and low halves. A hostile header can declare
// up to 2^64 - 1; sizes are kept as signed 64-bit numbers, so that one is
// held at the largest.
std::int64_t HeaderSize(std::uint32_t high, std::uint32_t low);
// a + b for sizes (neither negative), held at the largest on overflow.
std::int64_t AddSizes(std::int64_t a, std::int64_t b);

// UTF-8 <-> wide text (wchar_t holds UTF-32 on Linux, UTF-16 on Windows).
// Invalid bytes become U+FFFD; the conversion never throws.
std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);

// Names that are not UTF-8 travel through the library's wide names as an
// escape: U+FFFE somewhere in the name, and each byte 0x80-0xFF that is not
// part of a valid sequence as U+E000 + byte. The library writes such a name
// with the raw bytes, so every check must test those same bytes.
constexpr wchar_t kMappedMark = 0xFFFE;
constexpr wchar_t kMappedFirst = 0xE000;
// Bytes (a path as the file system has it) -> wide text in that escape.
std::wstring NativeToWide(const std::string& s);
// Wide text -> the bytes the library writes for it: with the mark present,
// the escaped bytes come back and the marks go; otherwise plain UTF-8.
std::string WideToNative(const std::wstring& s);
// Wide text -> the bytes the library itself makes of it when it creates a
// file or folder (Unix): a name in the escape as WideToNative, with '_' for a
// character UTF-8 cannot encode; any other name cut before its first such
// character (the C library's conversion stops there). The name it creates,
// not the name it shows.
std::string LibraryNative(const std::wstring& s);

// The entry name of a header's wide name field: at most kNameChars
// characters, the library does not terminate a name that fills the field.
std::wstring BoundedName(const wchar_t* name, std::size_t capacity = kNameChars);

}  // namespace rardll
