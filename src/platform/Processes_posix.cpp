#include "platform/Processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <fstream>

#include "platform/Paths.h"

extern char** environ;

namespace platform {
namespace {

// The executable file names a process is known by: the target of /proc/PID/exe
// and, where that cannot be read (another user's process), argv[0].
std::vector<std::string> executableNames(const std::string& pid) {
    std::vector<std::string> names;
    char buf[PATH_MAX];
    std::string dir = "/proc/" + pid;
    ssize_t n = ::readlink((dir + "/exe").c_str(), buf, sizeof buf - 1);
    if (n > 0) {
        std::string target(buf, static_cast<size_t>(n));
        // A replaced or deleted executable reads "path (deleted)".
        const std::string deleted = " (deleted)";
        if (target.size() > deleted.size() &&
            target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
            target.resize(target.size() - deleted.size());
        names.push_back(ExtractFileName(target));
        return names;
    }
    std::ifstream cmd(dir + "/cmdline", std::ios::binary);
    std::string argv0;
    if (std::getline(cmd, argv0, '\0') && !argv0.empty()) names.push_back(ExtractFileName(argv0));
    return names;
}

}  // namespace

void TerminateByNames(const std::vector<std::string>& names) {
    const pid_t self = ::getpid();
    for (const std::string& wanted : names) {
        DIR* proc = ::opendir("/proc");
        if (!proc) continue;
        while (dirent* e = ::readdir(proc)) {
            const char* p = e->d_name;
            if (!std::isdigit(static_cast<unsigned char>(*p))) continue;
            char* end = nullptr;
            long pid = std::strtol(p, &end, 10);
            if (*end != '\0' || pid <= 0) continue;
            for (const std::string& exe : executableNames(p)) {
                if (!ExecutableNameMatches(exe, wanted)) continue;
                if (pid != self) ::kill(static_cast<pid_t>(pid), SIGTERM);
                break;
            }
        }
        ::closedir(proc);
    }
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
    // Double fork so the started program is not our child: it must outlive us
    // and never be left a zombie while we run.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) return false;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        pid_t grandchild = 0;
        int rc = ::posix_spawn(&grandchild, program.c_str(), nullptr, nullptr, argv.data(), environ);
        char ok = rc == 0 ? 1 : 0;
        (void)!::write(pipefd[1], &ok, 1);
        ::_exit(0);
    }
    ::close(pipefd[1]);
    char ok = 0;
    ssize_t got = ::read(pipefd[0], &ok, 1);
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return got == 1 && ok == 1;
}

}  // namespace platform
