// The leak checker of the sanitizer build skips what the desktop libraries keep until exit
// (tools/lsan.supp). LSAN_OPTIONS still adds to this.

#include "tests/support/sanitizer_options.h"

#include <cstdlib>

namespace {

constexpr const char* kSuppressions = "print_suppressions=0:suppressions=" KV_LSAN_SUPPRESSIONS;

}  // namespace

extern "C" const char* __lsan_default_options() {
    return kSuppressions;
}

namespace kv {

std::string child_leak_options() {
    const char* own = std::getenv("LSAN_OPTIONS");
    return std::string(own != nullptr ? own : "") + ":" + kSuppressions;
}

}  // namespace kv

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

// Libraries that the desktop libraries load and unload on their own (the X extensions SDL opens, Mesa's
// driver) would leave their kept memory with no module name to match: under the leak checker nothing
// is unloaded, so each report names its library.
extern "C" int dlclose(void*) {
    return 0;
}
#endif
