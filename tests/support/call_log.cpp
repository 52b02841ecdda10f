#include "tests/support/call_log.h"

#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"

namespace kv {

call_log& test_call_log() {
    // Never destroyed: doubles may still write while the singletons go at exit.
    static call_log* instance = new call_log();
    return *instance;
}

void test_call(std::string line) {
    std::vector<std::string>& calls = test_call_log().calls;
    if (calls.size() < call_log::kMaxCalls) calls.push_back(std::move(line));
}

void test_state_reset() {
    test_call_log().calls.clear();
    gfx& g = kernel_get().graphics;
    gfx_texture_list_clear(g);
    g.switches.first_person = true;
    g.switches.lamp = false;
    g.screen_tint = false;
}

}  // namespace kv
