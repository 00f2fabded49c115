#pragma once
// File-system helpers shared by the settings store, the archive component and
// the windows. Paths are UTF-8 with '/' as the delimiter (on Windows '\' as
// well; a delimiter added there is '\').

#include <string>

namespace platform {

// A file exists when a directory entry of that name exists that is not a
// folder, whatever its modification time. Links count by their target.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Creates the folder and every missing parent with `mode` (less the umask);
// true when it exists afterwards.
bool ForceDirectories(const std::string& path, unsigned mode = 0777);

// Deletes a file; a missing file is no error (returns true), nor a path
// through a file.
bool DeleteFileIfExists(const std::string& path);

std::string IncludeTrailingDelimiter(const std::string& path);
std::string ExcludeTrailingDelimiter(const std::string& path);
// The part after the last '/'; the folder part up to and including it.
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);

// The program file (resolved /proc/self/exe) and its folder with a trailing '/'.
std::string ProgramFile();
std::string ProgramFolder();

// $XDG_CONFIG_HOME, else $HOME/.config; with a trailing '/'. Empty when
// neither variable gives a path.
std::string AppDataFolder();

// XDG_DESKTOP_DIR from user-dirs.dirs, else $HOME/Desktop, else $HOME, taking
// the first that is an existing folder; empty when none is.
std::string DesktopFolder();

// Removes leading and trailing characters with codes 32 and below.
std::string Trim(const std::string& s);

}  // namespace platform
