#pragma once
// A run that dies by a signal (a crash in the extraction library, a kill)
// cannot clean up after itself. The extraction run therefore starts in a
// child process, watched by the process the user started: when the child dies
// by a signal, the watcher removes the temporary file the child was writing
// and the program tells the user the extraction failed. The watcher makes no
// library call of its own. End requests (SIGTERM, SIGINT, SIGHUP, SIGQUIT)
// reaching the watcher are passed on to the run. On Windows the roles turn
// round, so that the watcher's start costs the run nothing: the process the
// user started is the run, and it starts the watcher, the program again, in
// the background; an end that the run did not choose (an exception such as
// an access violation, TerminateProcess from outside) counts as its death.
// End requests reach the run itself there.

#include <string>

namespace platform {

struct RunEnd {
    bool watcher = false;  // false: this is the run itself, go on with it
    int exitCode = 0;      // the run's own exit code, when it exited
    int signal = 0;        // the signal that ended the run, 0 when it exited
                           // (on Windows 1 for any end the run did not choose)
    bool endRequested = false;  // the watcher passed an end request on
};

// Forks the run. In the child, returns at once with watcher false; in the
// parent, returns when the run has ended. Without a child (fork failed) the
// caller is the run, unwatched. (On Windows: in the process the user started,
// returns at once with watcher false, the watcher on its way; in the watcher,
// returns when the run has ended.)
RunEnd WatchRun();

// The run tells its watcher which temporary file it is writing (an empty
// path: none), so that a run that dies leaves none behind.
void NoteRunTemporary(const std::string& path);

// The run ends by its own choice (an early exit; a return from main says so
// by itself). On Windows, where a run's end carries no signal, the watcher
// takes any other end for a crash or a kill.
void RunEndsNormally();

}  // namespace platform
