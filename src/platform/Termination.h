#pragma once
// A request to end (SIGTERM, as the shutdown run sends it; SIGINT, SIGHUP and
// SIGQUIT alike) that the program answers at its own pace: the handler only
// records it, and the run stops through the extraction library's cancel path,
// so no half-written entry is left under its final name.

namespace platform {

// Installs the handler of the four signals once (on Windows: of the console's
// Ctrl+C, close and log-off events, and of the shutdown run's request).
// Afterwards TerminationRequested() turns true on the signal, and
// TerminationFd() becomes readable (for an event loop to wake up on); it is -1
// before the installation, when no pipe could be made, and on Windows (where
// the flag is polled).
void InstallTerminationHandler();
bool TerminationRequested();
int TerminationFd();
// Empties TerminationFd() once the request has been seen.
void DrainTermination();

}  // namespace platform
