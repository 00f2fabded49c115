#include "platform/Termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <initializer_list>

namespace platform {

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
int pipeEnds[2] = {-1, -1};

// Only async-signal-safe work here: a lock-free store and one write.
void onTerminate(int) {
    const int saved = errno;
    requested.store(true);
    if (pipeEnds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

void InstallTerminationHandler() {
    if (pipeEnds[0] >= 0) return;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = pipeEnds[1] = -1;
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // Ctrl-C, a closed terminal and Ctrl-\ end a run the same orderly way.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return requested.load(); }

int TerminationFd() { return pipeEnds[0]; }

void DrainTermination() {
    char drain[64];
    while (pipeEnds[0] >= 0 && ::read(pipeEnds[0], drain, sizeof drain) > 0) {
    }
}

}  // namespace platform
