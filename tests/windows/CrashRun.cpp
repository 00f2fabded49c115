// Makes a run crash the way a fault of its own would: a thread started in it
// at address 0 raises an access violation that no handler of the run's
// catches. A SIGSEGV sent from Linux cannot stand in for it under Wine, which
// turns one that lands in a system call into that call's failure.
//   crash_run.exe WINDOWS_PID
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const DWORD pid = std::strtoul(argv[1], nullptr, 10);
    HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                     PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ |
                                     SYNCHRONIZE,
                                 FALSE, pid);
    if (!process) return 1;
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, nullptr, nullptr, 0, nullptr);
    if (!thread) return 1;
    CloseHandle(thread);
    // Done when the run is gone, so the caller's next look sees its end.
    const bool gone = WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone ? 0 : 1;
}
