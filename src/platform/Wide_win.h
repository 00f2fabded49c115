#pragma once
// UTF-8 paths and text to and from the wide (UTF-16) Windows calls.

#include <string>

namespace platform {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
// A path for the wide calls: '\' as its delimiter, and "\\?\" before an
// absolute path, so that paths longer than 260 characters work.
std::wstring WidePath(const std::string& path);
// The path of what an open handle (a HANDLE) names, as the system spells it,
// every link on the way resolved: "C:\x" or "\\server\x"; empty on failure.
std::string FinalPathOf(void* handle);

}  // namespace platform

namespace platform {

// The named event through which the shutdown run asks the run of process
// `pid` to end (Termination_win.cpp waits on it).
std::wstring TerminationEventName(unsigned long pid);

}  // namespace platform
