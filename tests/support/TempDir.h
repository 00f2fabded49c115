#pragma once
// A fresh temporary folder for one test, removed with everything in it.
// Paths are UTF-8 with '/' between names, on Windows too.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole-file helpers.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
bool PathExists(const std::string& path);  // anything, links not followed
void RemoveTree(const std::string& path);
// Everything below `root` (links not followed), as paths relative to it with
// '/' between names; also past Windows' 260 characters.
std::vector<std::string> TreeBelow(const std::string& root);
// What tells one file from another (inode, or Windows' file index): a file
// replaced under the same name has another. 0 when there is none.
std::uint64_t FileIdentity(const std::string& path);
// Sets the modification (and access) time; false on failure.
bool SetModifiedTime(const std::string& path, std::int64_t unixSeconds);

}  // namespace testing_support
