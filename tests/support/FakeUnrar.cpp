#include "support/FakeUnrar.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#else
#include <dlfcn.h>
#endif

namespace testing_support {

namespace {

#ifdef _WIN32
// The fake libraries lie beside the test program.
std::string BesideProgram(const char* name) {
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (std::filesystem::path(std::wstring(self, n)).parent_path() / name).u8string();
}
void* Open(const std::string& path) {
    return ::LoadLibraryW(std::filesystem::u8path(path).c_str());
}
template <typename F>
F Find(void* module, const char* name) {
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name)));
}
#else
std::string BesideProgram(const char* path) { return path; }
void* Open(const std::string& path) { return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
template <typename F>
F Find(void* module, const char* name) {
    return reinterpret_cast<F>(::dlsym(module, name));
}
#endif

}  // namespace

FakeUnrar::FakeUnrar(bool complete)
    : path_(BesideProgram(complete ? FAKE_UNRAR_LIBRARY : FAKE_UNRAR_INCOMPLETE_LIBRARY)) {
    module_ = Open(path_);
    if (!module_) throw std::runtime_error("cannot load " + path_);
    script_ = Find<void (*)(const char*)>(module_, "FakeUnrarScript");
    log_ = Find<const char* (*)()>(module_, "FakeUnrarLog");
    clear_ = Find<void (*)()>(module_, "FakeUnrarClearLog");
    if (!script_ || !log_ || !clear_) throw std::runtime_error("not the fake library: " + path_);
    script_("");
}

FakeUnrar::~FakeUnrar() {
#ifdef _WIN32
    if (module_) ::FreeLibrary(static_cast<HMODULE>(module_));
#else
    if (module_) ::dlclose(module_);
#endif
}

void FakeUnrar::Script(const std::string& script) { script_(script.c_str()); }

std::string FakeUnrar::Log() const { return log_(); }

void FakeUnrar::ClearLog() { clear_(); }

}  // namespace testing_support
