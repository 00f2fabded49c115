#include "platform/RunWatch.h"

namespace platform {

// No watcher on Windows yet: the run goes on in the process the user started,
// and a run that dies leaves its temporary file for the next run into that
// folder to remove.
RunEnd WatchRun() { return {}; }

void NoteRunTemporary(const std::string&) {}

}  // namespace platform
