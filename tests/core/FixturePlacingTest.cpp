// Test binaries run at once (ctest -j) may make the same cached fixture at the
// same time: the second to finish must not remove the first one's fixture,
// which the first one's tests are already reading.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PlaceFixture;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

void finished(const std::string& folder, const std::string& version, const std::string& mark) {
    fs::create_directories(folder);
    WriteFile(folder + "/mark", mark);
    WriteFile(folder + "/done", version);
}

TEST(FixturePlacing, AFinishedFixtureInPlaceStaysAndAnOutdatedOneIsReplaced) {
    TempDir dir;
    finished(dir / "plain", "3", "first");
    finished(dir / ".plain-2", "3", "second");
    PlaceFixture(dir / ".plain-2", dir / "plain");
    EXPECT_EQ("first", ReadFile(dir / "plain/mark"));
    EXPECT_FALSE(fs::exists(dir / ".plain-2"));

    finished(dir / ".plain-3", "4", "newer");
    PlaceFixture(dir / ".plain-3", dir / "plain");
    EXPECT_EQ("newer", ReadFile(dir / "plain/mark"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

}  // namespace
