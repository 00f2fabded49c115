#pragma once
// Drives the scripted stand-in library of tests/support/fake: loads it (the
// component under test then gets the same loaded copy), sets its script and
// reads back the log of what the caller did.

#include <string>

namespace testing_support {

class FakeUnrar {
public:
    // The complete fake, or the one lacking an entry point.
    explicit FakeUnrar(bool complete = true);
    ~FakeUnrar();
    FakeUnrar(const FakeUnrar&) = delete;
    FakeUnrar& operator=(const FakeUnrar&) = delete;

    const std::string& path() const { return path_; }
    void Script(const std::string& script);
    std::string Log() const;
    void ClearLog();

private:
    std::string path_;
    void* module_ = nullptr;
    void (*script_)(const char*) = nullptr;
    const char* (*log_)() = nullptr;
    void (*clear_)() = nullptr;
};

}  // namespace testing_support
