#pragma once
// Other processes: ending the product family by executable name, and starting
// this program again.

#include <string>
#include <vector>

namespace platform {

// True when the executable file name `exeName` is `wanted`, ignoring the case of
// a-z, with or without `wanted`'s ".exe" ending. A path is reduced to its file name.
bool ExecutableNameMatches(const std::string& exeName, const std::string& wanted);

// Sends one SIGTERM to every running process whose executable matches one of
// `names`, in the order of the names. This process is never signalled: the
// caller ends it, with exit code 0, after every other match has been sent its
// request. Every failure is silent.
void TerminateByNames(const std::vector<std::string>& names);

// Starts `program` with `args` as a process of its own that outlives this one.
// Returns false when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

}  // namespace platform
