#include "support/FakeUnrar.h"

#include <dlfcn.h>

#include <stdexcept>

namespace testing_support {

FakeUnrar::FakeUnrar(bool complete)
    : path_(complete ? FAKE_UNRAR_LIBRARY : FAKE_UNRAR_INCOMPLETE_LIBRARY) {
    module_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) throw std::runtime_error("cannot load " + path_);
    script_ = reinterpret_cast<void (*)(const char*)>(::dlsym(module_, "FakeUnrarScript"));
    log_ = reinterpret_cast<const char* (*)()>(::dlsym(module_, "FakeUnrarLog"));
    clear_ = reinterpret_cast<void (*)()>(::dlsym(module_, "FakeUnrarClearLog"));
    if (!script_ || !log_ || !clear_) throw std::runtime_error("not the fake library: " + path_);
    script_("");
}

FakeUnrar::~FakeUnrar() {
    if (module_) ::dlclose(module_);
}

void FakeUnrar::Script(const std::string& script) { script_(script.c_str()); }

std::string FakeUnrar::Log() const { return log_(); }

void FakeUnrar::ClearLog() { clear_(); }

}  // namespace testing_support
