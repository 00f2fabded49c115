// The extraction library driven by a bare loop, the yardstick for the
// program's speed (tools/bench/extract_bench, tools/windows/bench.sh):
//   unrar_loop ARCHIVE OUTPUT_FOLDER [--temporaries]
// Opens the archive for extraction and extracts every entry into the folder
// with the library's own names; no checks, no window. With --temporaries each
// file is written under a temporary name in its own folder and renamed when
// complete, as the program writes it: the least any extraction costs that
// never leaves a half file under a real name.
#include <cstdio>
#include <string>

#include "archive/RAR_DLL.h"
#include "platform/Files.h"
#include "platform/Folders.h"

namespace {

// The folder `relative` (parts split by '/' or '\\') below `root`, made when missing.
platform::Folder FolderBelow(const std::string& root, const std::string& relative) {
    platform::Folder folder = platform::Folder::Open(root);
    std::size_t start = 0;
    while (folder.Held() && start < relative.size()) {
        std::size_t end = relative.find_first_of("/\\", start);
        if (end == std::string::npos) end = relative.size();
        if (end > start) folder = folder.Enter(relative.substr(start, end - start), true);
        start = end + 1;
    }
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    const bool temporaries = args.size() == 4 && args[3] == "--temporaries";
    if (args.size() != 3 && !temporaries) {
        std::fprintf(stderr, "usage: unrar_loop ARCHIVE OUTPUT_FOLDER [--temporaries]\n");
        return 2;
    }
    // The library converts names by the locale, as in the program.
    platform::UseLibraryLocale();
    rardll::TUnrarLibrary library;
    if (!library.Load(rardll::kDefaultLibraryName)) return 3;
    std::wstring archive = platform::LibraryArchiveName(args[1]);
    const std::string root =
        platform::IsAbsolutePath(args[2]) ? args[2] : platform::CurrentFolder() + "/" + args[2];
    std::wstring folder = platform::LibraryPath(rardll::Utf8ToWide(root));
    std::string archiveBytes = args[1];
    rardll::RAROpenArchiveDataEx open{};
    // Where the library takes wide archive names; elsewhere the bytes.
    if (archive.empty())
        open.ArcName = archiveBytes.data();
    else
        open.ArcNameW = archive.data();
    open.OpenMode = rardll::RAR_OM_EXTRACT;
    void* handle = library.RAROpenArchiveEx(&open);
    if (!handle || open.OpenResult != 0) return 4;
    static rardll::RARHeaderDataEx header{};
    platform::WorkingFolder working;
    platform::Folder held;
    std::string heldName;
    bool entered = false;
    static const char kTemporary[] = ".unrar_loop.part";
    int result = 0;
    while ((result = library.RARReadHeaderEx(handle, &header)) == 0) {
        if (!temporaries || (header.Flags & rardll::RHDF_DIRECTORY) || header.RedirType != 0) {
            result = library.RARProcessFileW(handle, rardll::RAR_EXTRACT, folder.data(), nullptr);
        } else {
            const std::string name = rardll::WideToUtf8(rardll::BoundedName(header.FileNameW));
            const std::size_t cut = name.find_last_of("/\\");
            const std::string parent =
                cut == std::string::npos ? std::string() : name.substr(0, cut);
            if (!held.Held() || parent != heldName) {
                held = FolderBelow(root, parent);
                heldName = parent;
                entered = held.Held() && working.Enter(held);
            }
            if (!held.Held()) break;
            // A bare name in the working folder where the system allows it,
            // as the program hands files to the library.
            std::wstring target =
                rardll::Utf8ToWide(entered ? kTemporary : held.PathOf(kTemporary));
            result = library.RARProcessFileW(handle, rardll::RAR_EXTRACT, nullptr, target.data());
            const std::string leaf = cut == std::string::npos ? name : name.substr(cut + 1);
            if (result == 0 && !held.MoveTo(kTemporary, held, leaf, false)) result = -1;
        }
        if (result != 0) break;
    }
    library.RARCloseArchive(handle);
    return result == rardll::ERAR_END_ARCHIVE ? 0 : 1;
}
