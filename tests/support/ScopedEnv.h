#pragma once
// An environment variable changed for the life of one object (a test or a
// fixture), and put back as it was afterwards, even when it was unset.

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

// Sets or removes a variable of this process (the C library's copy and, on
// Windows, the system's, which the platform layer reads).
inline void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}
inline void UnsetEnv(const char* name) {
#ifdef _WIN32
    ::_putenv_s(name, "");  // an empty value removes it there
#else
    ::unsetenv(name);
#endif
}

class ScopedEnv {
public:
    // Keeps the variable's value, to be put back; changes nothing yet.
    explicit ScopedEnv(const char* name) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name) { SetEnv(name, value); }
    ~ScopedEnv() {
        if (old_)
            SetEnv(name_, *old_);
        else
            UnsetEnv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support
