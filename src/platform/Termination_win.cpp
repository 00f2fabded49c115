#include "platform/Termination.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace platform {

namespace {

std::atomic<bool> requested{false};

// Ctrl+C and Ctrl+Break in a console, its window closed, the user logging
// off or the system shutting down: the run ends the orderly way. The handler
// runs on a thread of its own; for a close or a log-off Windows ends the
// process when it returns, so it gives the run a moment first.
BOOL WINAPI onConsoleEvent(DWORD event) {
    requested.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(2000);
    return TRUE;
}

// The shutdown run's request: an event named after this process, set by it.
DWORD WINAPI waitForRequest(void* event) {
    if (WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0)
        requested.store(true);
    return 0;
}

}  // namespace

std::wstring TerminationEventName(unsigned long pid) {
    return L"Local\\Tarnwick.End." + std::to_wstring(pid);
}

void InstallTerminationHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    HANDLE event =
        CreateEventW(nullptr, TRUE, FALSE, TerminationEventName(GetCurrentProcessId()).c_str());
    if (!event) return;
    HANDLE thread = CreateThread(nullptr, 0, waitForRequest, event, 0, nullptr);
    if (thread) CloseHandle(thread);
}

bool TerminationRequested() { return requested.load(); }

int TerminationFd() { return -1; }

void DrainTermination() {}

}  // namespace platform
