// Makes the cached test archives (with rar, on Linux) into the folder given,
// for the Windows core tests, which read them from there under Wine.

#include <cstdio>
#include <exception>

#include "support/Fixtures.h"
#include "support/ScopedEnv.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fixtures FOLDER\n");
        return 2;
    }
    testing_support::ScopedEnv root("TARNWICK_TEST_FIXTURES", argv[1]);
    try {
        using namespace testing_support;
        for (const auto maker :
             {PlainArchive, SolidArchive, EncryptedArchive, EncryptedHeadersArchive, VolumeSet,
              VolumeSetMissingMiddle, HiddenVolumeSet, CommentArchive, FoldersArchive,
              NonAsciiArchive, SplitFileArchive, LargeArchive, LinksArchive, OrphanHardLinkArchive,
              VerdictArchives})
            maker();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_fixtures: %s\n", e.what());
        return 1;
    }
    return 0;
}
