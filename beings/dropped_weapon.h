#pragma once
// A weapon lost by a player, falling and lying in the world until picked up.

#include <cstdint>
#include <string>

#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr uint8_t kDroppedHere = 255;  // kind byte of a weapon dropped by this process

// What the dropper or the network hands over.
struct dropped_weapon_values {
    vec3 position;
    vec3 velocity;
    int32_t weapon_id = 0;
    int32_t values[3] = {};
    std::string text;  // handed to the picking player
    vec3 gravity;
    float factor = 0.0f;
};

struct dropped_weapon {
    virtual ~dropped_weapon() = default;

    int32_t weapon_id = 0;
    uint8_t kind = 0;
    uint8_t alive = 1;  // cleared when finished
    int32_t values[3] = {};
    std::string text;  // handed to the picking player
    vec3 position;
    vec3 velocity;
    sector* in_sector = nullptr;
    vec3 gravity;
    float factor = 0.0f;
};

void dropped_weapon_create(dropped_weapon& w, const dropped_weapon_values& values, uint8_t kind,
                           sector* in_sector);
void dropped_weapon_destroy(dropped_weapon& w);
// One fall or bounce step; clears the alive flag when finished.
void dropped_weapon_update(dropped_weapon& w);
// The renderer's debug drawing of the weapon (the `g_helpers` pass).
void dropped_weapon_draw(dropped_weapon& w);
bool dropped_weapon_matches(const dropped_weapon& w, int32_t weapon_id, uint8_t kind);

}  // namespace kv
