#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>

extern char** environ;

namespace testing_support {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
    std::map<std::string, std::string> envMap;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) envMap[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
    }
    for (const auto& [k, v] : options.env) {
        if (v == kUnset)
            envMap.erase(k);
        else
            envMap[k] = v;
    }
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : envMap) envStrings.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    int out[2];
    ProcessResult result;
    if (::pipe2(out, O_CLOEXEC) != 0) return result;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, 0);
        if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0)
            ::_exit(127);
        ::setpgid(0, 0);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    result.pid = pid;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(options.timeoutSeconds * 1000));
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            result.timedOut = true;
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<long>(left, 200)));
        if (r > 0) {
            ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            result.output.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(out[0]);
    int status = 0;
    // Output closed: the program has ended or is about to; wait with the same limit.
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::string ThisProgram() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

ProcessResult RunInChild(const std::function<int()>& body, unsigned timeoutSeconds) {
    ProcessResult result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(timeoutSeconds);
        int code = 255;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        result.timedOut = result.signal == SIGALRM;
    }
    return result;
}

}  // namespace testing_support
