#pragma once
// A shared library loaded at run time by name. The Windows system libraries the engine asks
// for by name are mapped to the Linux libraries that stand in for them; any other name (a bot
// module's path, for one) is loaded as given. Some names are modules inside the program (the GL
// module, whose names the platform's GL context answers, or a test's recording module): those are
// found before the file system.

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace kv {

// A module inside the program: its load and unload hooks (either may be empty) and its symbols.
struct dll_module {
    std::function<bool(std::string& error)> load;
    std::function<void()> unload;
    std::function<void*(const char* symbol)> lookup;
};

struct dll {
    explicit dll(std::string library_name) : name(std::move(library_name)) {}
    // Releases the library when it is still loaded.
    ~dll();
    dll(const dll&) = delete;
    dll& operator=(const dll&) = delete;
    dll(dll&& other) noexcept;
    dll& operator=(dll&& other) noexcept;

    std::string name;
    void* handle = nullptr;  // null while not loaded
    std::string error;       // why the last load failed; empty after a success
    std::shared_ptr<const dll_module> module;  // set while an in-program module is loaded
};

// Loads the library; true when it is loaded. A library already loaded stays as it is.
bool dll_load(dll& d);
// The address of an exported symbol, or null when it is missing or the library is not loaded.
void* dll_get_proc(const dll& d, const char* name);
// Releases the library (if loaded) and clears the handle.
void dll_free(dll& d);
// The loader's text for the last failed `dll_load`, for the owner's log line.
const std::string& dll_error(const dll& d);

// Makes the name (matched without regard to case) load that module from now on; null removes the
// registration, so the name loads as before. Libraries already loaded keep what they loaded.
void dll_register_module(const std::string& name, std::shared_ptr<const dll_module> module);

// The file handed to the loader for a library name: the Linux stand-in for a Windows system
// library (matched without regard to case), otherwise the name itself.
std::string dll_system_name(const std::string& name);

}  // namespace kv
