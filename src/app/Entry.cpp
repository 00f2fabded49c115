#include "app/Entry.h"

#include <cstring>

#include "platform/Paths.h"

namespace entry {

std::string ArchiveExtension(const std::string& archivePath) {
    std::string ext = archivePath.size() > 4 ? archivePath.substr(archivePath.size() - 4) : archivePath;
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

Run Decide(const char* firstArgument) {
    if (firstArgument && std::strcmp(firstArgument, "shutdown") == 0) return Run::Shutdown;
    std::string archivePath = platform::Trim(firstArgument ? firstArgument : "");
    return ArchiveExtension(archivePath).empty() ? Run::PlainStart : Run::Extraction;
}

}  // namespace entry
