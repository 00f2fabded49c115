// Writes the RAR 4 seeds of the fuzz corpus with the tests' own writer:
// plain, old unpack version, folders, and a split volume set.
#include <string>

#include "support/Rar4Writer.h"

using testing_support::Rar4Entry;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string dir = argv[1];
    Rar4Entry text{"docs/readme.txt", "Tarnwick fuzz seed.\n"};
    Rar4Entry old{"old.txt", std::string(300, 'x'), 20, 0};
    Rar4Entry folder{"docs", "", 29, 3};
    folder.directory = true;
    bool ok = testing_support::WriteRar4(dir + "/rar4.rar", {folder, text, old});
    ok = testing_support::WriteRar4(dir + "/rar4-empty.rar", {}) && ok;
    ok = !testing_support::WriteRar4Volumes(dir + "/rar4-set", {text, old}, 128).empty() && ok;
    return ok ? 0 : 1;
}
