#pragma once
// A fresh temporary folder for one test, removed with everything in it.

#include <string>

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

}  // namespace testing_support
