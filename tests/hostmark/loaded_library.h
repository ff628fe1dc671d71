// A shared library opened privately (RTLD_LOCAL), so its symbols neither replace nor are
// replaced by same-named ones of libhostmark, which the test programs link directly.
#pragma once

#include <dlfcn.h>

#include <string>

class LoadedLibrary {
  public:
    explicit LoadedLibrary(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedLibrary() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    static std::string Error() {
        const char* error = dlerror();
        return error != nullptr ? error : "";
    }

    // The function exported under `symbol` (a mangled name for C++ functions), or null.
    template <typename Function>
    Function* Find(const char* symbol) const {
        return reinterpret_cast<Function*>(dlsym(handle_, symbol));
    }

  private:
    void* handle_;
};

// libcipherkit's own functions, as a user of that library sees them.
namespace cipherkit_symbols {
inline constexpr const char* kDecrypt = "_Z7DecryptPKcS0_";
inline constexpr const char* kGetKey = "_Z6GetKeyPKhjPh";
using DecryptFunction = char*(const char*, const char*);
using GetKeyFunction = int(const unsigned char*, unsigned int, unsigned char*);
}  // namespace cipherkit_symbols
