#include "app/Entry.h"

#include <cstring>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace entry {

std::string ArchiveExtension(const std::string& archivePath) {
    std::string ext =
        archivePath.size() > 4 ? archivePath.substr(archivePath.size() - 4) : archivePath;
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

static bool NamesExistingFile(const char* argument) {
    if (!argument || !*argument) return false;
    const platform::EntryKind kind = platform::KindOf(argument);
    // A link counts by its target.
    return kind == platform::EntryKind::Link ? platform::FileExists(argument)
                                             : kind == platform::EntryKind::File ||
                                                   kind == platform::EntryKind::Other;
}

Run Decide(const char* firstArgument) {
    if (NamesExistingFile(firstArgument)) return Run::Extraction;
    if (firstArgument && std::strcmp(firstArgument, "shutdown") == 0) return Run::Shutdown;
    std::string archivePath = platform::Trim(firstArgument ? firstArgument : "");
    return ArchiveExtension(archivePath).empty() ? Run::PlainStart : Run::Extraction;
}

}  // namespace entry

namespace entry {

Request CommandLineRequest(const char* firstArgument) {
    if (!firstArgument || NamesExistingFile(firstArgument)) return Request::None;
    if (std::strcmp(firstArgument, "--help") == 0 || std::strcmp(firstArgument, "-h") == 0)
        return Request::Help;
    if (std::strcmp(firstArgument, "--version") == 0) return Request::Version;
    return Request::None;
}

}  // namespace entry
