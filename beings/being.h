#pragma once
// The soldier character as the game object's message lines use it.

#include <cstdint>

namespace kv {

struct being;

// Feeds an action's press or release to the being.
int32_t being_handle_command(being& b, bool pressed, int32_t action);

}  // namespace kv
