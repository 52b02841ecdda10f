#pragma once
// A thrown grenade or placed charge, kept and stepped by the world server.

#include <cstdint>
#include <string>

#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr int32_t kGrenadeDefusable = 5;

// What a throw trigger or the network hands over besides the owner and the motion.
struct grenade_values {
    int32_t kind = 0;
    int32_t id = 0;
    uint8_t variant = 0;  // per kind
    std::string model;
    float speed = 0.0f;
    vec3 acceleration;
};

struct grenade {
    uint32_t owner = 0;  // player id
    int32_t kind = 0;
    int32_t id = 0;
    uint8_t alive = 1;  // cleared when finished
    uint8_t defused = 0;
    vec3 position;
    vec3 velocity;
    sector* in_sector = nullptr;
    grenade_values values;
    int32_t team = 0;  // the owner's team when thrown or placed
    uint8_t exploded = 0;
};

void grenade_create(grenade& g, uint32_t owner, const vec3& position, const vec3& velocity,
                    const grenade_values& values, sector* in_sector);
void grenade_destroy(grenade& g);
// One step of flight, fuse and explosion; clears the alive flag when finished.
void grenade_update(grenade& g);

}  // namespace kv
