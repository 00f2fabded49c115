#pragma once
// A request to end (SIGTERM, as the shutdown run sends it; SIGINT, SIGHUP and
// SIGQUIT alike) that the program answers at its own pace: the handler only
// records it, and the run stops through the extraction library's cancel path,
// so no half-written entry is left under its final name.

namespace platform {

// Installs the handler of the four signals once. Afterwards TerminationRequested() turns
// true on the signal, and TerminationFd() becomes readable (for an event loop
// to wake up on); it is -1 before the installation or when no pipe could be made.
void InstallTerminationHandler();
bool TerminationRequested();
int TerminationFd();

}  // namespace platform
