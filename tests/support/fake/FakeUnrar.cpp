// A scripted extraction library. The test sets a script with
// FakeUnrarScript() and reads back what the caller did with FakeUnrarLog().
//
// Script: one directive per line.
//   version N | open_result N | flags N | comment_state N | comment TEXT
//   close_result N | password_buffer N
//   entry name=NAME [flags= unp= unp_high= pack= pack_high= host= crc= time=
//         ver= method= attr= dict= cmt= read= process= password=header|process
//         volume=1 long=N]
// Numbers may be decimal or 0x hexadecimal. long=N makes the wide name N
// characters of 'x' (a name of 1024 fills the field with no terminating zero).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// The library's LPARAM: as wide as a pointer on both systems.
using Param = std::intptr_t;
using Callback = int (*)(unsigned int, Param, Param, Param);

#pragma pack(push, 1)
struct OpenData {
    char* ArcName;
    wchar_t* ArcNameW;
    unsigned OpenMode, OpenResult;
    char* CmtBuf;
    unsigned CmtBufSize, CmtSize, CmtState, Flags;
    Callback Cb;
    Param UserData;
    unsigned OpFlags;
    wchar_t* CmtBufW;
    unsigned Reserved[25];
};
struct Header {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    unsigned Flags, PackSize, PackSizeHigh, UnpSize, UnpSizeHigh, HostOS, FileCRC, FileTime, UnpVer,
        Method, FileAttr;
    char* CmtBuf;
    unsigned CmtBufSize, CmtSize, CmtState, DictSize, HashType;
    char Hash[32];
    unsigned RedirType;
    wchar_t* RedirName;
    unsigned RedirNameSize, DirTarget, MtimeLow, MtimeHigh, CtimeLow, CtimeHigh, AtimeLow,
        AtimeHigh;
    unsigned Reserved[988];
};
#pragma pack(pop)

struct Entry {
    std::string name;
    unsigned flags = 0, unp = 10, unpHigh = 0, pack = 10, packHigh = 0, host = 3, crc = 0x1234ABCD,
             time = 0x5A8E6B2D, ver = 29, method = 0x33, attr = 0100644, dict = 0, cmt = 0;
    int read = 0, process = 0;
    std::string password;
    bool volume = false;
    unsigned longName = 0;
};

struct State {
    int version = 9;
    unsigned openResult = 0, flags = 0, commentState = 0, passwordBuffer = 512;
    int closeResult = 0;
    std::string comment;
    std::vector<Entry> entries;
    std::size_t cursor = 0;
    Callback cb = nullptr;
    Param userData = 0;
    std::string log;
};

State& S() {
    static State s;
    return s;
}

unsigned Number(const std::string& v) {
    return static_cast<unsigned>(std::strtoul(v.c_str(), nullptr, 0));
}

void Log(const std::string& line) { S().log += line + "\n"; }

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; w && *w; ++w) s.push_back(*w < 128 ? static_cast<char>(*w) : '?');
    return s;
}

// The library's password protocol: the wide request first, the 8-bit one
// only when the wide buffer stays empty. Returns false when refused.
bool AskPassword() {
    State& s = S();
    if (!s.cb) return false;
    wchar_t wide[512] = {0};
    int r = s.cb(4, s.userData, reinterpret_cast<Param>(wide), 512);
    Log("passwordW answer=" + std::to_string(r) + " text=" + Narrow(wide));
    if (wide[0] != 0) return true;
    // Guard bytes after the buffer show a write past its end.
    std::vector<char> buffer(s.passwordBuffer + 16, 'G');
    buffer[0] = '\0';
    r = s.cb(2, s.userData, reinterpret_cast<Param>(buffer.data()),
             static_cast<Param>(s.passwordBuffer));
    bool overflow = false;
    for (std::size_t i = s.passwordBuffer; i < buffer.size(); ++i) overflow |= buffer[i] != 'G';
    bool terminated = std::memchr(buffer.data(), 0, s.passwordBuffer) != nullptr;
    Log("password answer=" + std::to_string(r) +
        " text=" + (terminated ? std::string(buffer.data()) : std::string("(unterminated)")) +
        (overflow ? " overflow" : ""));
    return r != -1;
}

// The library's volume protocol for a missing volume; it asks again while the
// caller answers "go on" without a new name (here at most four times).
bool AskVolume() {
    State& s = S();
    if (!s.cb) return false;
    const char* missing = "fake.part2.rar";
    for (int round = 0; round < 4; ++round) {
        wchar_t wide[1024];
        std::mbstowcs(wide, missing, 1024);
        int r = s.cb(3, s.userData, reinterpret_cast<Param>(wide), 0);
        Log("volumeW answer=" + std::to_string(r) + " name=" + Narrow(wide));
        if (r == -1) return false;
        char name[1024];
        std::strcpy(name, missing);
        r = s.cb(0, s.userData, reinterpret_cast<Param>(name), 0);
        Log("volume answer=" + std::to_string(r) + " name=" + name);
        if (r == -1) return false;
        if (std::strcmp(name, missing) != 0) {
            s.cb(3, s.userData, reinterpret_cast<Param>(wide), 1);
            s.cb(0, s.userData, reinterpret_cast<Param>(name), 1);
            return true;
        }
    }
    Log("volume asked for ever");
    return false;
}

}  // namespace

EXPORT void FakeUnrarScript(const char* script) {
    State& s = S();
    s = State();
    std::istringstream in(script ? script : "");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        std::string rest;
        std::getline(words, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        if (key == "version")
            s.version = static_cast<int>(std::strtol(rest.c_str(), nullptr, 0));
        else if (key == "open_result")
            s.openResult = Number(rest);
        else if (key == "flags")
            s.flags = Number(rest);
        else if (key == "comment_state")
            s.commentState = Number(rest);
        else if (key == "comment")
            s.comment = rest;
        else if (key == "close_result")
            s.closeResult = static_cast<int>(Number(rest));
        else if (key == "password_buffer")
            s.passwordBuffer = Number(rest);
        else if (key == "entry") {
            Entry e;
            std::istringstream fields(rest);
            std::string field;
            while (fields >> field) {
                auto eq = field.find('=');
                std::string k = field.substr(0, eq),
                            v = eq == std::string::npos ? "" : field.substr(eq + 1);
                if (k == "name")
                    e.name = v;
                else if (k == "flags")
                    e.flags = Number(v);
                else if (k == "unp")
                    e.unp = Number(v);
                else if (k == "unp_high")
                    e.unpHigh = Number(v);
                else if (k == "pack")
                    e.pack = Number(v);
                else if (k == "pack_high")
                    e.packHigh = Number(v);
                else if (k == "host")
                    e.host = Number(v);
                else if (k == "crc")
                    e.crc = Number(v);
                else if (k == "time")
                    e.time = Number(v);
                else if (k == "ver")
                    e.ver = Number(v);
                else if (k == "method")
                    e.method = Number(v);
                else if (k == "attr")
                    e.attr = Number(v);
                else if (k == "dict")
                    e.dict = Number(v);
                else if (k == "cmt")
                    e.cmt = Number(v);
                else if (k == "read")
                    e.read = static_cast<int>(Number(v));
                else if (k == "process")
                    e.process = static_cast<int>(Number(v));
                else if (k == "password")
                    e.password = v;
                else if (k == "volume")
                    e.volume = v == "1";
                else if (k == "long")
                    e.longName = Number(v);
            }
            s.entries.push_back(e);
        }
    }
}

EXPORT const char* FakeUnrarLog() { return S().log.c_str(); }

EXPORT void FakeUnrarClearLog() { S().log.clear(); }

EXPORT void* RAROpenArchive(void*) {
    Log("RAROpenArchive");
    return nullptr;
}

EXPORT void* RAROpenArchiveEx(OpenData* d) {
    State& s = S();
    s.cursor = 0;
    s.cb = nullptr;
    Log(std::string("open name=") + (d->ArcName ? d->ArcName : "(null)") +
        " wide=" + (d->ArcNameW ? "set" : "null") + " mode=" + std::to_string(d->OpenMode) +
        " cmtsize=" + std::to_string(d->CmtBufSize));
    d->OpenResult = s.openResult;
    d->Flags = s.flags;
    d->CmtState = s.commentState;
    d->CmtSize = 0;
    if ((s.commentState == 1 || s.commentState == 20) && d->CmtBuf && d->CmtBufSize > 0) {
        std::size_t n = s.comment.size() < d->CmtBufSize - 1 ? s.comment.size() : d->CmtBufSize - 1;
        std::memcpy(d->CmtBuf, s.comment.data(), n);
        d->CmtBuf[n] = '\0';
        d->CmtSize = static_cast<unsigned>(n + 1);
    }
    return s.openResult == 0 ? &s : nullptr;
}

EXPORT int RARCloseArchive(void*) {
    Log("close");
    return S().closeResult;
}

EXPORT int RARReadHeader(void*, void*) {
    Log("RARReadHeader");
    return 21;
}

EXPORT int RARReadHeaderEx(void*, Header* h) {
    State& s = S();
    if (s.cursor >= s.entries.size()) {
        Log("read end");
        return 10;
    }
    const Entry& e = s.entries[s.cursor++];
    Log("read " + e.name);
    if (e.password == "header" && !AskPassword()) return 22;
    if (e.read != 0) return e.read;
    std::memset(h->FileName, 0, sizeof h->FileName);
    std::strncpy(h->FileName, e.name.c_str(), sizeof h->FileName - 1);
    if (e.longName > 0) {
        for (unsigned i = 0; i < 1024; ++i) h->FileNameW[i] = i < e.longName ? L'x' : 0;
    } else {
        std::mbstowcs(h->FileNameW, e.name.c_str(), 1024);
    }
    h->Flags = e.flags;
    h->PackSize = e.pack;
    h->PackSizeHigh = e.packHigh;
    h->UnpSize = e.unp;
    h->UnpSizeHigh = e.unpHigh;
    h->HostOS = e.host;
    h->FileCRC = e.crc;
    h->FileTime = e.time;
    h->UnpVer = e.ver;
    h->Method = e.method;
    h->FileAttr = e.attr;
    h->CmtSize = e.cmt;
    h->CmtState = 0;
    h->DictSize = e.dict;
    return 0;
}

EXPORT int RARProcessFile(void*, int, char*, char*) {
    Log("RARProcessFile");
    return 21;
}

EXPORT int RARProcessFileW(void*, int op, wchar_t* path, wchar_t* name) {
    State& s = S();
    Log("process op=" + std::to_string(op) + " path=" + (path ? Narrow(path) : "(null)") +
        " name=" + (name ? Narrow(name) : "(null)"));
    if (s.cursor == 0) return 21;
    const Entry& e = s.entries[s.cursor - 1];
    if (e.password == "process" && !AskPassword()) return 22;
    if (e.volume && !AskVolume()) return 15;
    if (op != 0 && s.cb && s.cb(1, s.userData, 0, static_cast<Param>(e.unp)) == -1) return 21;
    // Like the real library, an extracted entry leaves a file at its name.
    if (op == 2 && e.process == 0 && name)
        if (std::FILE* f = std::fopen(Narrow(name).c_str(), "wb")) std::fclose(f);
    return e.process;
}

EXPORT void RARSetCallback(void*, Callback cb, Param userData) {
    S().cb = cb;
    S().userData = userData;
    Log("callback");
}

#ifndef FAKE_UNRAR_OMIT_ENTRY_POINT
EXPORT void RARSetChangeVolProc(void*, void*) { Log("RARSetChangeVolProc"); }
#endif

EXPORT void RARSetProcessDataProc(void*, void*) { Log("RARSetProcessDataProc"); }

EXPORT void RARSetPassword(void*, char* password) {
    Log(std::string("setpassword ") + (password ? password : ""));
}

EXPORT int RARGetDllVersion() {
    Log("version");
    return S().version;
}
