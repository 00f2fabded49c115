#pragma once
// Runs a program and waits for it, with a time limit.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1;      // -1 when it did not exit normally
    int signal = 0;         // the signal that ended it, if any
    bool timedOut = false;  // killed after the time limit
    long pid = 0;           // the process's id, 0 when it did not start
    std::string output;     // standard output and standard error together
};

struct ProcessOptions {
    // Added to (or replacing in) the inherited environment; a value of
    // nullptr-like "\x01unset" removes the variable.
    std::vector<std::pair<std::string, std::string>> env;
    std::string workingDirectory;
    double timeoutSeconds = 60;
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {});

// Runs `body` in a forked child, so that a crash of the library it calls
// fails one case and the tests go on. exitCode is what body returned (0 to
// 255); a child still running after `timeoutSeconds` is killed. Windows has
// no fork: there body runs on a thread of this process, and a crash or a
// hang past the limit ends the whole test binary.
ProcessResult RunInChild(const std::function<int()>& body, unsigned timeoutSeconds = 60);

// The full path of the running test program.
std::string ThisProgram();

// The environment value that removes a variable.
inline const char* const kUnset = "\x01unset";

}  // namespace testing_support
