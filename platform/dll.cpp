#include "platform/dll.h"

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <utility>

namespace kv {
namespace {

struct library_alias {
    const char* windows_name;
    const char* linux_name;
};

// The input layer reads SDL's events, so DirectInput's stand-in is SDL itself.
constexpr library_alias kLibraryAliases[] = {
    {"opengl32.dll", "libGL.so.1"},
    {"glu32.dll", "libGLU.so.1"},
    {"dsound.dll", "libopenal.so.1"},
    {"dinput.dll", "libSDL2-2.0.so.0"},
};

}  // namespace

std::string dll_system_name(const std::string& name) {
    for (const library_alias& alias : kLibraryAliases) {
        if (strcasecmp(name.c_str(), alias.windows_name) == 0) return alias.linux_name;
    }
    return name;
}

dll::~dll() {
    dll_free(*this);
}

dll::dll(dll&& other) noexcept
    : name(std::move(other.name)),
      handle(std::exchange(other.handle, nullptr)),
      error(std::move(other.error)) {}

dll& dll::operator=(dll&& other) noexcept {
    if (this != &other) {
        dll_free(*this);
        name = std::move(other.name);
        handle = std::exchange(other.handle, nullptr);
        error = std::move(other.error);
    }
    return *this;
}

bool dll_load(dll& d) {
    if (d.handle) return true;
    // dlopen("") would hand back the program itself.
    if (d.name.empty()) {
        d.error = "empty library name";
        return false;
    }
    // A module named by its path (a bot module of the data set) must be a regular file: the loader
    // would block on a FIFO.
    struct stat info;
    if (d.name.find('/') != std::string::npos && ::stat(d.name.c_str(), &info) == 0 &&
        !S_ISREG(info.st_mode)) {
        d.error = d.name + " is not a regular file";
        return false;
    }
    d.handle = dlopen(dll_system_name(d.name).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!d.handle) {
        const char* why = dlerror();
        d.error = why ? why : "cannot load " + d.name;
        return false;
    }
    d.error.clear();
    return true;
}

void* dll_get_proc(const dll& d, const char* name) {
    if (!d.handle || !name) return nullptr;
    void* address = dlsym(d.handle, name);
    if (!address) dlerror();  // leave no stale error behind
    return address;
}

void dll_free(dll& d) {
    if (d.handle) {
        dlclose(d.handle);
        d.handle = nullptr;
    }
}

const std::string& dll_error(const dll& d) {
    return d.error;
}

}  // namespace kv
