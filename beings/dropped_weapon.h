#pragma once
// A weapon lost by a player, falling and lying in the world until picked up.

#include <cstdint>
#include <string>

namespace kv {

struct dropped_weapon {
    virtual ~dropped_weapon() = default;

    int32_t weapon_id = 0;
    uint8_t kind = 0;
    uint8_t alive = 1;  // cleared when finished
    int32_t values[3] = {};
    std::string text;  // handed to the picking player
};

}  // namespace kv
