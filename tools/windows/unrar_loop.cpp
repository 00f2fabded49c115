// The extraction library driven by a bare loop, the yardstick for
// Tarnwick.exe's speed under Wine (tools/windows/bench.sh):
//   unrar_loop.exe ARCHIVE OUTPUT_FOLDER
// Opens the archive for extraction and extracts every entry into the folder
// with the library's own names; no checks, no temporaries, no window.
#include <cstdio>
#include <string>

#include "archive/RAR_DLL.h"
#include "platform/Files.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: unrar_loop ARCHIVE OUTPUT_FOLDER\n");
        return 2;
    }
    rardll::TUnrarLibrary library;
    if (!library.Load(rardll::kDefaultLibraryName)) return 3;
    std::wstring archive = platform::LibraryArchiveName(args[1]);
    std::wstring folder = platform::LibraryPath(rardll::Utf8ToWide(args[2]));
    rardll::RAROpenArchiveDataEx open{};
    open.ArcNameW = archive.data();
    open.OpenMode = rardll::RAR_OM_EXTRACT;
    void* handle = library.RAROpenArchiveEx(&open);
    if (!handle || open.OpenResult != 0) return 4;
    static rardll::RARHeaderDataEx header{};
    int result = 0;
    while ((result = library.RARReadHeaderEx(handle, &header)) == 0) {
        result = library.RARProcessFileW(handle, rardll::RAR_EXTRACT, folder.data(), nullptr);
        if (result != 0) break;
    }
    library.RARCloseArchive(handle);
    return result == rardll::ERAR_END_ARCHIVE ? 0 : 1;
}
