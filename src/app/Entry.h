#pragma once
// The decision the program's entry makes from its first argument.

#include <string>
#include <vector>

namespace entry {

enum class Run { Shutdown, Extraction, PlainStart };

// The executables of the product family that the shutdown run ends, this
// program's own last.
inline const std::vector<std::string> kSiblingExecutables = {
    "Mobrel.exe", "Plimsy.exe", "Quenfold.exe", "Drovet.exe", "Tarnwick.exe"};

// The last four characters of the archive path with A-Z made small; the whole
// path when it is shorter.
std::string ArchiveExtension(const std::string& archivePath);

// A first argument naming an existing file is always an archive, whatever it
// is called. Otherwise "shutdown" byte for byte is the shutdown run; a missing
// argument or one of blanks only is the plain start; anything else is an
// extraction run.
Run Decide(const char* firstArgument);

// What the command line asks for before any window: "--help" or "--version"
// (when no file of that name exists), or nothing.
enum class Request { None, Help, Version };
Request CommandLineRequest(const char* firstArgument);

}  // namespace entry
