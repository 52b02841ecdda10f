#pragma once
// The arty factory as the kernel's console uses it: text commands posted to the game object.

#include <cstdint>
#include <string>

namespace kv {

struct arty_factory {};

// The arty factory that the world server embeds.
arty_factory& arty_factory_get();

// Posts a command record with that code and first text to the game arty; its answer.
int32_t arty_factory_post_command_text(arty_factory& factory, int32_t code, const std::string& text);

}  // namespace kv
