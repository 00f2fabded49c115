#include "archive/RAR_DLL.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <vector>

#include "platform/Files.h"
#include "platform/Messages.h"

namespace rardll {

const char* const kEntryPointNames[12] = {
    "RAROpenArchive",      "RAROpenArchiveEx",      "RARCloseArchive", "RARReadHeader",
    "RARReadHeaderEx",     "RARProcessFile",        "RARProcessFileW", "RARSetCallback",
    "RARSetChangeVolProc", "RARSetProcessDataProc", "RARSetPassword",  "RARGetDllVersion"};

TUnrarLibrary::~TUnrarLibrary() { Unload(); }

void TUnrarLibrary::Unload() {
    if (module_) platform::CloseLibrary(module_);
    module_ = nullptr;
    RAROpenArchive = nullptr;
    RAROpenArchiveEx = nullptr;
    RARCloseArchive = nullptr;
    RARReadHeader = nullptr;
    RARReadHeaderEx = nullptr;
    RARProcessFile = nullptr;
    RARProcessFileW = nullptr;
    RARSetCallback = nullptr;
    RARSetChangeVolProc = nullptr;
    RARSetProcessDataProc = nullptr;
    RARSetPassword = nullptr;
    RARGetDllVersion = nullptr;
}

template <typename T>
static bool Resolve(void* module, const char* name, T& out) {
    out = reinterpret_cast<T>(platform::LibrarySymbol(module, name));
    return out != nullptr;
}

bool TUnrarLibrary::TryLoad(const std::string& fileName) {
    void* module = platform::OpenLibrary(fileName);
    if (!module) return false;
    const char* const* n = kEntryPointNames;
    bool all = Resolve(module, n[0], RAROpenArchive) && Resolve(module, n[1], RAROpenArchiveEx) &&
               Resolve(module, n[2], RARCloseArchive) && Resolve(module, n[3], RARReadHeader) &&
               Resolve(module, n[4], RARReadHeaderEx) && Resolve(module, n[5], RARProcessFile) &&
               Resolve(module, n[6], RARProcessFileW) && Resolve(module, n[7], RARSetCallback) &&
               Resolve(module, n[8], RARSetChangeVolProc) &&
               Resolve(module, n[9], RARSetProcessDataProc) &&
               Resolve(module, n[10], RARSetPassword) && Resolve(module, n[11], RARGetDllVersion);
    module_ = module;
    if (!all) {
        Unload();
        return false;
    }
    return true;
}

bool TUnrarLibrary::Load(const std::string& fileName) {
    if (module_) return true;
    const char* override = std::getenv(kLibraryEnvironmentVariable);
    fileName_ = override && *override ? std::string(override) : fileName;
    if (fileName_.empty()) return false;
    if (!TryLoad(fileName_)) {
        if (fileName_ != kDefaultLibraryName || !TryLoad(kFallbackLibraryName)) return false;
    }
    if (RARGetDllVersion() < 4) platform::ShowMessage(OldVersionWarning(fileName_), "error");
    platform::KeepLocalTimeZoneLoaded();
    return true;
}

std::string MissingLibraryText(const std::string& dllName) {
    const char* override = std::getenv(kLibraryEnvironmentVariable);
    const std::string file = override && *override ? std::string(override) : dllName;
    return "The RAR extraction library \"" + file + "\" could not be loaded. " +
           platform::LibraryInstallHint();
}

std::string OldVersionWarning(const std::string& libraryFileName) {
    return "please download the newest \"" + libraryFileName + "\" file. See " + kDownloadAddress;
}

const char* ResultText(int code) {
    switch (code) {
        case ERAR_SUCCESS:
            return "success";
        case ERAR_END_ARCHIVE:
            return "end of archive";
        case ERAR_NO_MEMORY:
            return "not enough memory";
        case ERAR_BAD_DATA:
            return "bad data";
        case ERAR_BAD_ARCHIVE:
            return "not a RAR archive";
        case ERAR_UNKNOWN_FORMAT:
            return "unknown archive format";
        case ERAR_EOPEN:
            return "cannot open";
        case ERAR_ECREATE:
            return "cannot create";
        case ERAR_ECLOSE:
            return "cannot close";
        case ERAR_EREAD:
            return "read error";
        case ERAR_EWRITE:
            return "write error";
        case ERAR_SMALL_BUF:
            return "buffer too small";
        case ERAR_UNKNOWN:
            return "unknown error";
        case ERAR_MISSING_PASSWORD:
            return "password missing";
        case ERAR_EREFERENCE:
            return "reference error";
        case ERAR_BAD_PASSWORD:
            return "wrong password";
        case ERAR_NO_LIBRARY:
            return "extraction library not loaded";
        default:
            return "failure";
    }
}

// Days from 30 December 1899 to the civil date (proleptic Gregorian).
static long DaysSince1899(int year, int month, int day) {
    // Days from 1 March of year 0, by the usual civil-from-days inverse.
    auto daysFromCivil = [](long y, unsigned m, unsigned d) {
        y -= m <= 2;
        const long era = (y >= 0 ? y : y - 399) / 400;
        const unsigned yoe = static_cast<unsigned>(y - era * 400);
        const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + static_cast<long>(doe) - 719468;  // days since 1970-01-01
    };
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
           daysFromCivil(1899, 12, 30);
}

static bool ValidDate(int year, int month, int day) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    int len = lengths[month - 1];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap) len = 29;
    return day <= len;
}

TDateTime DosDateTimeToDateTime(std::uint32_t dos) {
    int year = static_cast<int>((dos >> 25) & 0x7F) + 1980;
    int month = static_cast<int>((dos >> 21) & 0x0F);
    int day = static_cast<int>((dos >> 16) & 0x1F);
    int hour = static_cast<int>((dos >> 11) & 0x1F);
    int minute = static_cast<int>((dos >> 5) & 0x3F);
    int second = static_cast<int>(dos & 0x1F) * 2;
    if (!ValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59) return 0;
    return static_cast<double>(DaysSince1899(year, month, day)) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::int64_t FileSizeOf(const std::string& path) {
    const std::int64_t size = platform::FileSize(path);
    return size < 0 ? 0 : size;
}

TDateTime FileDateOf(const std::string& path) {
    std::tm tm{};
    if (!platform::LocalModificationTime(path, tm)) return 0;
    int year = tm.tm_year + 1900;
    if (year < 1 || year > 9999) return 0;
    int second = tm.tm_sec / 2 * 2;  // two-second resolution, as on a DOS time
    return static_cast<double>(DaysSince1899(year, tm.tm_mon + 1, tm.tm_mday)) +
           (tm.tm_hour * 3600 + tm.tm_min * 60 + second) / 86400.0;
}

bool IsSelfExtracting(const std::string& path) {
    platform::File f = platform::File::OpenRegular(path);
    if (!f.valid()) return false;
    unsigned char head[64];
    const long n = f.readAt(0, reinterpret_cast<char*>(head), sizeof head);
    bool result = false;
    if (n == static_cast<long>(sizeof head) && head[0] == 'M' && head[1] == 'Z') {
        long offset = static_cast<long>(head[0x3C] | head[0x3D] << 8 | head[0x3E] << 16 |
                                        static_cast<unsigned long>(head[0x3F]) << 24);
        unsigned char sig[26] = {};
        long got = 0;
        if (offset >= 0x40)
            got = f.readAt(static_cast<std::uint64_t>(offset), reinterpret_cast<char*>(sig),
                           sizeof sig);
        if (got >= 4 && sig[0] == 'P' && sig[1] == 'E' && sig[2] == 0 && sig[3] == 0) {
            // PE: only a 32-bit i386 image is a program of the listed kinds.
            unsigned machine = got >= 6 ? (sig[4] | sig[5] << 8) : 0;
            unsigned magic = got >= 26 ? (sig[24] | sig[25] << 8) : 0;
            result = machine == 0x14C && magic == 0x10B;
        } else if (got >= 2 && sig[0] == 'N' && sig[1] == 'E') {
            result = true;  // 16-bit Windows
        } else {
            result = true;  // plain MS-DOS program
        }
    }
    return result;
}

namespace {

// UTF-8 to wide text; a byte that starts no valid sequence becomes U+FFFD, or
// with `keepBytes` the library's escape for it (U+FFFE once, then U+E000 + byte).
std::wstring DecodeUtf8(const std::string& s, bool keepBytes) {
    std::wstring out;
    bool marked = false;
    const auto invalid = [&](unsigned char c) {
        if (!keepBytes) {
            out.push_back(L'\xFFFD');
            return;
        }
        if (!marked) out.push_back(kMappedMark);
        marked = true;
        out.push_back(static_cast<wchar_t>(kMappedFirst + c));
    };
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            invalid(c);
            ++i;
            continue;
        }
        bool ok = i + len <= s.size();
        for (size_t k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                ok = false;
            else
                cp = cp << 6 | (cc & 0x3F);
        }
        static const unsigned minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            invalid(c);
            ++i;
            continue;
        }
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            // UTF-16 (Windows): a surrogate pair.
            out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        i += len;
    }
    return out;
}

}  // namespace

std::int64_t HeaderSize(std::uint32_t high, std::uint32_t low) {
    const std::uint64_t size = static_cast<std::uint64_t>(high) << 32 | low;
    return size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                        : static_cast<std::int64_t>(size);
}

std::int64_t AddSizes(std::int64_t a, std::int64_t b) {
    return b > INT64_MAX - a ? INT64_MAX : a + b;
}

std::wstring Utf8ToWide(const std::string& s) { return DecodeUtf8(s, false); }

std::wstring NativeToWide(const std::string& s) { return DecodeUtf8(s, true); }

std::string WideToNative(const std::wstring& s) {
    if (s.find(kMappedMark) == std::wstring::npos) return WideToUtf8(s);
    std::string out;
    out.reserve(s.size());
    std::wstring run;
    for (wchar_t wc : s) {
        if (wc == kMappedMark) continue;
        if (wc >= kMappedFirst + 0x80 && wc <= kMappedFirst + 0xFF) {
            out += WideToUtf8(run);
            run.clear();
            out.push_back(static_cast<char>(wc - kMappedFirst));
        } else {
            run.push_back(wc);
        }
    }
    return out + WideToUtf8(run);
}

std::string LibraryNative(const std::wstring& s) {
    // Windows: the library creates files by their wide names.
    if (sizeof(wchar_t) == 2) return WideToNative(s);
    // What the C library's UTF-8 conversion refuses (a lone surrogate, which
    // a RAR 5 name can hold as three bytes and a RAR 4 one as 16 bits).
    const auto unencodable = [](wchar_t c) {
        const auto cp = static_cast<std::uint32_t>(c);
        return (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF;
    };
    if (s.find(kMappedMark) == std::wstring::npos) {
        const auto cut = std::find_if(s.begin(), s.end(), unencodable);
        return cut == s.end() ? WideToUtf8(s) : WideToUtf8(std::wstring(s.begin(), cut));
    }
    std::wstring readable = s;
    std::replace_if(readable.begin(), readable.end(), unencodable, L'_');
    return WideToNative(readable);
}

std::string WideToUtf8(const std::wstring& s) {
    // Most names and paths are plain ASCII: copied as they are, with no
    // character-by-character growth (the extraction converts several per entry).
    if (std::all_of(s.begin(), s.end(),
                    [](wchar_t c) { return static_cast<std::uint32_t>(c) < 0x80; }))
        return std::string(s.begin(), s.end());
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned cp = static_cast<unsigned>(s[i]);
        if (sizeof(wchar_t) == 2) {
            cp &= 0xFFFF;
            // UTF-16 (Windows): a surrogate pair is one character.
            const unsigned low = i + 1 < s.size() ? static_cast<unsigned>(s[i + 1]) & 0xFFFF : 0;
            if (cp >= 0xD800 && cp <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring BoundedName(const wchar_t* name, std::size_t capacity) {
    if (!name) return {};
    return std::wstring(name, ::wcsnlen(name, capacity));
}

}  // namespace rardll
