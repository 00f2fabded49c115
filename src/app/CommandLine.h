#pragma once
// What the program does before it opens any window: --help, --version, and a
// clear exit when there is no display to open one on.

// Returns the exit code when the process should end now, or -1 to go on.
int HandleCommandLine(int argc, char** argv);
