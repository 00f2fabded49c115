#include "platform/Processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/Wide_win.h"

namespace platform {

namespace {

// Asks a run to end the orderly way; a process that does not listen (not a
// run, or one of an older version) is ended outright.
void endProcess(DWORD pid) {
    HANDLE request = OpenEventW(EVENT_MODIFY_STATE, FALSE, TerminationEventName(pid).c_str());
    if (request) {
        SetEvent(request);
        CloseHandle(request);
        return;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!process) return;
    TerminateProcess(process, 0);
    CloseHandle(process);
}

}  // namespace

void TerminateByNames(const std::vector<std::string>& names) {
    const DWORD self = GetCurrentProcessId();
    for (const std::string& wanted : names) {
        // One Tool Help snapshot per name, as the names are taken in order.
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) continue;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
            if (ExecutableNameMatches(Narrow(entry.szExeFile), wanted))
                endProcess(entry.th32ProcessID);
        }
        CloseHandle(snapshot);
    }
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    // Each argument quoted as the C run-time's parser reads it back.
    const auto quoted = [](const std::wstring& arg) {
        std::wstring out = L"\"";
        std::size_t slashes = 0;
        for (const wchar_t c : arg) {
            if (c == L'\\') {
                ++slashes;
                continue;
            }
            out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
            slashes = 0;
            out += c;
        }
        out.append(slashes * 2, L'\\');
        return out + L"\"";
    };
    std::wstring line = quoted(Widen(program));
    for (const std::string& a : args) line += L" " + quoted(Widen(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(WidePath(program).c_str(), line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

}  // namespace platform
