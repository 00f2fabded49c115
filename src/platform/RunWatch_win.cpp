#include "platform/RunWatch.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/Termination.h"
#include "platform/Wide_win.h"

namespace platform {

namespace {

// On Windows the process the user started is the run itself, so that the
// watcher adds nothing to the time before the progress window: it starts the
// program again as the watcher, in the background, handing over (in this
// variable, as "page,process") two inherited handles: a page shared with the
// run and the run's own process. In the page: a word that the run sets when
// it ends by its own choice, then the path of the temporary file it is
// writing (UTF-8, NUL-terminated, or empty). The watcher reads both only
// once the run is gone.
constexpr wchar_t kNoteVariable[] = L"TARNWICK_RUN_NOTE";
constexpr std::size_t kNoteSize = 4096;
constexpr std::size_t kPathAt = sizeof(LONG);

char* note = nullptr;
std::atomic<bool> endRequested{false};

void markEnded() {
    if (note) InterlockedExchange(reinterpret_cast<volatile LONG*>(note), 1);
}

// The environment of this process with the watcher's variable added.
std::wstring watcherEnvironment(const std::wstring& value) {
    std::wstring block;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* at = strings; *at; at += std::wcslen(at) + 1)
            if (std::wcsncmp(at, kNoteVariable, std::wcslen(kNoteVariable)) != 0 ||
                at[std::wcslen(kNoteVariable)] != L'=')
                block.append(at).push_back(L'\0');
        FreeEnvironmentStringsW(strings);
    }
    block.append(kNoteVariable).append(L"=").append(value).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

struct Start {
    HANDLE page;
    HANDLE self;
};

// Starts the watcher; on a thread of its own, while the run goes on.
DWORD WINAPI startWatcher(void* argument) {
    const Start start = *static_cast<Start*>(argument);
    delete static_cast<Start*>(argument);
    wchar_t program[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    std::wstring commandLine = GetCommandLineW();
    std::wstring environment = watcherEnvironment(
        std::to_wstring(reinterpret_cast<std::uintptr_t>(start.page)) + L"," +
        std::to_wstring(reinterpret_cast<std::uintptr_t>(start.self)));
    HANDLE inherited[] = {start.page, start.self};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string attributes(size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    DWORD flags = CREATE_UNICODE_ENVIRONMENT | BELOW_NORMAL_PRIORITY_CLASS;
    if (InitializeProcThreadAttributeList(list, 1, 0, &size) &&
        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                  sizeof inherited, nullptr, nullptr)) {
        startup.lpAttributeList = list;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION started{};
    if (length > 0 && length < MAX_PATH * 4 &&
        CreateProcessW(program, commandLine.data(), nullptr, nullptr, TRUE, flags,
                       environment.data(), nullptr, &startup.StartupInfo, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    if (startup.lpAttributeList) DeleteProcThreadAttributeList(list);
    CloseHandle(start.page);
    CloseHandle(start.self);
    return 0;
}

// An end request reaching the watcher (the shutdown run's event, a console's
// Ctrl+C, its close, a log-off) reaches the run too: the watcher notes it and
// waits for the run. For a close or a log-off Windows ends the watcher when
// this returns, so it gives the run the time it takes.
HANDLE watched = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    endRequested.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(watched, 5000);
    return TRUE;
}

DWORD WINAPI noteRequest(void* event) {
    if (WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0)
        endRequested.store(true);
    return 0;
}

// The watcher: waits for the run and tells how it ended.
RunEnd watch(HANDLE page, HANDLE run) {
    RunEnd end;
    end.watcher = true;
    void* view = MapViewOfFile(page, FILE_MAP_WRITE, 0, 0, kNoteSize);
    CloseHandle(page);
    if (!view) {
        CloseHandle(run);
        return end;  // nothing to tell: quiet
    }
    watched = run;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    HANDLE request =
        CreateEventW(nullptr, TRUE, FALSE, TerminationEventName(GetCurrentProcessId()).c_str());
    if (request) {
        HANDLE thread = CreateThread(nullptr, 0, noteRequest, request, 0, nullptr);
        if (thread) CloseHandle(thread);
    }
    // Only a run that is gone is judged: a failed wait or look tells nothing.
    DWORD code = STILL_ACTIVE;
    const bool gone = WaitForSingleObject(run, INFINITE) == WAIT_OBJECT_0 &&
                      GetExitCodeProcess(run, &code) && code != STILL_ACTIVE;
    CloseHandle(run);
    if (!gone) {
        UnmapViewOfFile(view);
        return end;
    }
    const char* shared = static_cast<const char*>(view);
    end.exitCode = static_cast<int>(code);
    end.endRequested = endRequested.load();
    // A run that did not end by its own choice crashed (an access violation
    // in the library: an exception code) or was ended from outside
    // (TerminateProcess, any code): its temporary goes, and the user hears
    // that the archive was not extracted.
    if (*reinterpret_cast<const volatile LONG*>(shared) == 0) {
        end.signal = 1;
        std::string path(shared + kPathAt, ::strnlen(shared + kPathAt, kNoteSize - kPathAt - 1));
        if (!path.empty()) DeleteFileW(WidePath(path).c_str());
    }
    UnmapViewOfFile(view);
    return end;
}

}  // namespace

RunEnd WatchRun() {
    wchar_t value[64];
    const DWORD n = GetEnvironmentVariableW(kNoteVariable, value, 64);
    if (n > 0 && n < 64) {
        // Not for the runs this process starts for further archives.
        SetEnvironmentVariableW(kNoteVariable, nullptr);
        wchar_t* rest = nullptr;
        const auto page = reinterpret_cast<HANDLE>(std::wcstoull(value, &rest, 10));
        const auto run = reinterpret_cast<HANDLE>(
            rest && *rest == L',' ? std::wcstoull(rest + 1, nullptr, 10) : 0);
        if (page && run) return watch(page, run);
        return RunEnd{true, 0, 0, false};
    }

    // The run: its page, then the watcher started in the background.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE page = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0,
                                     kNoteSize, nullptr);
    if (!page) return {};
    void* view = MapViewOfFile(page, FILE_MAP_WRITE, 0, 0, kNoteSize);
    HANDLE self = nullptr;
    if (!view || !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                                  &self, SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE,
                                  0)) {
        if (view) UnmapViewOfFile(view);
        CloseHandle(page);
        return {};
    }
    note = static_cast<char*>(view);
    std::atexit(markEnded);
    // A crash ends the run at once with its exception code, with no crash
    // box of the system's first: the watcher tells the user.
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(
        [](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
    HANDLE thread = CreateThread(nullptr, 0, startWatcher, new Start{page, self}, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        CloseHandle(page);
        CloseHandle(self);
    }
    return {};
}

void NoteRunTemporary(const std::string& path) {
    if (!note) return;
    char* at = note + kPathAt;
    if (path.size() >= kNoteSize - kPathAt) {
        at[0] = '\0';
        return;
    }
    // The first byte last: a run dying mid-copy leaves an empty note, never
    // a mix of two paths.
    at[0] = '\0';
    if (path.empty()) return;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(at + 1, path.c_str() + 1, path.size());
    std::atomic_signal_fence(std::memory_order_seq_cst);
    at[0] = path[0];
}

void RunEndsNormally() { markEnded(); }

}  // namespace platform
