#pragma once
// A thrown grenade or placed charge, kept and stepped by the world server.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

inline constexpr int32_t kGrenadeDefusable = 5;

struct grenade {
    uint32_t owner = 0;  // player id
    int32_t kind = 0;
    int32_t id = 0;
    uint8_t alive = 1;  // cleared when finished
    uint8_t defused = 0;
    int32_t team = 0;  // the owner's team when thrown or placed
    vec3 position;
    uint8_t exploded = 0;
};

}  // namespace kv
