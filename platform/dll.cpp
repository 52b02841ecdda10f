#include "platform/dll.h"

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <map>
#include <utility>

#include "platform/gl_context.h"

namespace kv {
namespace {

struct case_insensitive_less {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

using module_table = std::map<std::string, std::shared_ptr<const dll_module>, case_insensitive_less>;

// Never destroyed: libraries may be released by objects that outlive the table's static peers.
module_table& registered_modules() {
    static module_table* table = new module_table;
    return *table;
}

std::shared_ptr<const dll_module> find_module(const std::string& name) {
    const module_table& table = registered_modules();
    if (auto it = table.find(name); it != table.end()) return it->second;
    if (strcasecmp(name.c_str(), "opengl32.dll") == 0) return gl_platform_module();
    return nullptr;
}

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
      error(std::move(other.error)),
      module(std::move(other.module)) {}

dll& dll::operator=(dll&& other) noexcept {
    if (this != &other) {
        dll_free(*this);
        name = std::move(other.name);
        handle = std::exchange(other.handle, nullptr);
        error = std::move(other.error);
        module = std::move(other.module);
    }
    return *this;
}

bool dll_load(dll& d) {
    if (d.handle) return true;
    if (std::shared_ptr<const dll_module> module = find_module(d.name)) {
        std::string why;
        if (module->load && !module->load(why)) {
            d.error = why.empty() ? "cannot load " + d.name : why;
            return false;
        }
        d.module = std::move(module);
        d.handle = const_cast<dll_module*>(d.module.get());
        d.error.clear();
        return true;
    }
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
    if (d.module) return d.module->lookup ? d.module->lookup(name) : nullptr;
    void* address = dlsym(d.handle, name);
    if (!address) dlerror();  // leave no stale error behind
    return address;
}

void dll_free(dll& d) {
    if (d.module) {
        std::shared_ptr<const dll_module> module = std::move(d.module);
        d.module.reset();
        d.handle = nullptr;
        if (module->unload) module->unload();
        return;
    }
    if (d.handle) {
        dlclose(d.handle);
        d.handle = nullptr;
    }
}

void dll_register_module(const std::string& name, std::shared_ptr<const dll_module> module) {
    if (module) {
        registered_modules()[name] = std::move(module);
    } else {
        registered_modules().erase(name);
    }
}

const std::string& dll_error(const dll& d) {
    return d.error;
}

}  // namespace kv
