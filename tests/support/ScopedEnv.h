#pragma once
// An environment variable changed for the life of one object (a test or a
// fixture), and put back as it was afterwards, even when it was unset.

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnv {
public:
    // Keeps the variable's value, to be put back; changes nothing yet.
    explicit ScopedEnv(const char* name) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name) {
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support
