#pragma once
// The call record of the tests' doubles (the recording game object, the console's command catcher,
// ...): one line a call, in call order ("game tick 16", "game command 3 kick"), which the tests take
// and compare.

#include <cstddef>
#include <string>
#include <vector>

namespace kv {

struct call_log {
    // A running program makes some of the calls every frame: past `kMaxCalls` no more are written down.
    static constexpr std::size_t kMaxCalls = 100000;
    std::vector<std::string> calls;
};

call_log& test_call_log();
// Writes one call down.
void test_call(std::string line);
// Between tests: the calls forgotten, the textures earlier tests loaded into the front end's list
// dropped, and the soldier's switches of the renderer (weapon view, lamp, night view) as at start.
void test_state_reset();

}  // namespace kv
