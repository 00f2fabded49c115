// Windows: programs started with CreateProcessW; a "child" is a thread of
// this process, since there is no fork.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>

#include "support/Process.h"

namespace testing_support {

namespace {

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// One argument as the C run-time's command-line parser reads it back.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
        } else {
            // Backslashes before a quote are doubled, and the quote escaped.
            if (c == L'"') out.append(slashes + 1, L'\\');
            slashes = 0;
        }
        out.push_back(c);
    }
    out.append(slashes, L'\\');  // before the closing quote
    return out + L"\"";
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
    ProcessResult result;
    // The environment block: the inherited one, changed, sorted as Windows
    // wants it (names compare without case).
    struct NoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::wstring, std::wstring, NoCase> env;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* e = block; *e; e += wcslen(e) + 1) {
            const wchar_t* eq = wcschr(e + 1, L'=');  // "=C:=C:\x" names start with '='
            if (eq) env[std::wstring(e, eq)] = eq + 1;
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const auto& [k, v] : options.env) {
        if (v == kUnset)
            env.erase(Wide(k));
        else
            env[Wide(k)] = Wide(v);
    }
    std::wstring block;
    for (const auto& [k, v] : env) block += k + L"=" + v + L'\0';
    block += L'\0';

    std::wstring commandLine = Quote(Wide(program));
    for (const auto& a : args) commandLine += L" " + Quote(Wide(a));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = input;
    start.hStdOutput = writeEnd;
    start.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const std::wstring cwd = Wide(options.workingDirectory);
    const bool started =
        ::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, block.data(),
                         cwd.empty() ? nullptr : cwd.c_str(), &start, &info);
    ::CloseHandle(writeEnd);
    if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
    if (!started) {
        ::CloseHandle(readEnd);
        result.exitCode = 127;
        return result;
    }
    ::CloseHandle(info.hThread);
    result.pid = static_cast<long>(info.dwProcessId);

    // The output is taken as it comes, so that a full pipe never holds the
    // program up; once it has ended, what is left is read and no more waited
    // for (a program it started may still hold the pipe).
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(static_cast<long>(options.timeoutSeconds * 1000));
    for (;;) {
        const bool ended = ::WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        DWORD available = 0;
        char buf[4096];
        while (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) &&
               available > 0) {
            DWORD n = 0;
            if (!::ReadFile(readEnd, buf, sizeof buf, &n, nullptr) || n == 0) break;
            result.output.append(buf, n);
        }
        if (ended) break;
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::TerminateProcess(info.hProcess, 1);
            ::WaitForSingleObject(info.hProcess, INFINITE);
            break;
        }
        ::Sleep(10);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    if (!result.timedOut) result.exitCode = static_cast<int>(code);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(readEnd);
    return result;
}

std::string ThisProgram() {
    wchar_t path[32768];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, 32768);
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), out.data(), size, nullptr,
                          nullptr);
    return out;
}

ProcessResult RunInChild(const std::function<int()>& body, unsigned timeoutSeconds) {
    // A crash here ends the whole binary (still a failed run); a run that
    // hangs ends it after the limit, since its thread cannot be stopped.
    ProcessResult result;
    auto done = std::async(std::launch::async, [&body] {
        try {
            return body() & 0xFF;
        } catch (...) {
            return 255;
        }
    });
    if (done.wait_for(std::chrono::seconds(timeoutSeconds)) == std::future_status::timeout) {
        std::fprintf(stderr, "a run in a test did not end within %u s\n", timeoutSeconds);
        std::fflush(stderr);
        std::_Exit(3);
    }
    result.exitCode = done.get();
    return result;
}

}  // namespace testing_support
