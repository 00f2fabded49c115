#include "platform/Processes.h"

#include "platform/Paths.h"

namespace platform {
namespace {

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

bool ExecutableNameMatches(const std::string& exeName, const std::string& wanted) {
    std::string name = upperAscii(ExtractFileName(exeName));
    std::string full = upperAscii(wanted);
    if (name == full) return true;
    const std::string ext = ".EXE";
    if (full.size() > ext.size() && full.compare(full.size() - ext.size(), ext.size(), ext) == 0)
        return name == full.substr(0, full.size() - ext.size());
    return false;
}

}  // namespace platform
