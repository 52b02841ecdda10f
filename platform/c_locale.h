#pragma once
// Numbers in text are written and read in the "C" locale whatever the user's locale. The program
// never calls setlocale, so the C library stays in "C" anyway; this guard keeps formatting right
// even when something (a test, a library) switched the process to another locale.

namespace kv {

// Switches the calling thread to the "C" locale for the guard's lifetime.
class c_locale_scope {
public:
    c_locale_scope();
    ~c_locale_scope();
    c_locale_scope(const c_locale_scope&) = delete;
    c_locale_scope& operator=(const c_locale_scope&) = delete;

private:
    void* previous_ = nullptr;
};

}  // namespace kv
