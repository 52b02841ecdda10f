#pragma once
// The arty factory: makes the level objects ("arties") that packages describe, each under a 32-bit
// id whose bits 16-29 are its spawn group. Packages spawn their descriptions as one group when they
// load and erase that group when they unload.

#include <cstdint>
#include <string>

namespace kv {

struct arty_description;

// Ids, input and game targets, the command record and the registry come with the arties.
struct arty_factory {};

// Spawns the descriptions in order as one new spawn group and returns the group base.
uint32_t arty_factory_spawn_group(arty_factory& factory, arty_description* const* descriptions,
                                  int32_t count);
// Releases every arty of the group; returns how many reached use count 0.
int32_t arty_factory_erase_group(arty_factory& factory, uint32_t base);
// Posts a command record with that code and first text to the game arty; the answer it left there.
int32_t arty_factory_post_command_text(arty_factory& factory, int32_t code, const std::string& text);

}  // namespace kv
