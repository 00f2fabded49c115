#pragma once
// A run that dies by a signal (a crash in the extraction library, a kill)
// cannot clean up after itself. The extraction run therefore starts in a
// child process, watched by the process the user started: when the child dies
// by a signal, the watcher removes the temporary file the child was writing
// and the program tells the user the extraction failed. The watcher makes no
// library call of its own. End requests (SIGTERM, SIGINT, SIGHUP, SIGQUIT)
// reaching the watcher are passed on to the run.

#include <string>

namespace platform {

struct RunEnd {
    bool watcher = false;  // false: this is the run itself, go on with it
    int exitCode = 0;      // the run's own exit code, when it exited
    int signal = 0;        // the signal that ended the run, 0 when it exited
    bool endRequested = false;  // the watcher passed an end request on
};

// Forks the run. In the child, returns at once with watcher false; in the
// parent, returns when the run has ended. Without a child (fork failed) the
// caller is the run, unwatched.
RunEnd WatchRun();

// The run tells its watcher which temporary file it is writing (an empty
// path: none), so that a run that dies leaves none behind.
void NoteRunTemporary(const std::string& path);

}  // namespace platform
