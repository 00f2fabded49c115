#include "platform/RunWatch.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// One page shared by watcher and run: the path of the run's temporary file,
// NUL-terminated, or empty. The watcher reads it only once the run is dead.
constexpr std::size_t kNoteSize = 4096;
char* note = nullptr;
volatile sig_atomic_t runPid = 0;
volatile sig_atomic_t passedOn = 0;

void PassOn(int signal) {
    const int saved = errno;
    passedOn = 1;
    if (runPid > 0) ::kill(runPid, signal);
    errno = saved;
}

}  // namespace

RunEnd WatchRun() {
    void* page = ::mmap(nullptr, kNoteSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                        -1, 0);
    if (page == MAP_FAILED) return {};
    note = static_cast<char*>(page);
    note[0] = '\0';
    const pid_t pid = ::fork();
    if (pid <= 0) return {};  // the run (or no watcher to be had)
    runPid = pid;
    struct sigaction action {};
    action.sa_handler = PassOn;
    sigemptyset(&action.sa_mask);
    for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::sigaction(s, &action, nullptr);
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    runPid = 0;
    RunEnd end;
    end.watcher = true;
    end.endRequested = passedOn != 0;
    if (waited == pid && WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
    if (waited != pid || WIFSIGNALED(status)) {
        end.signal = waited == pid ? WTERMSIG(status) : SIGKILL;
        note[kNoteSize - 1] = '\0';
        if (note[0]) ::unlink(note);
    }
    ::munmap(page, kNoteSize);
    note = nullptr;
    return end;
}

void RunEndsNormally() {}

void NoteRunTemporary(const std::string& path) {
    if (!note) return;
    if (path.size() >= kNoteSize) {
        note[0] = '\0';
        return;
    }
    // The first byte last: a run dying mid-copy leaves an empty note, never
    // a mix of two paths.
    note[0] = '\0';
    if (path.empty()) return;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(note + 1, path.c_str() + 1, path.size());  // the rest and its NUL
    std::atomic_signal_fence(std::memory_order_seq_cst);
    note[0] = path[0];
}

}  // namespace platform
