#pragma once
// A pending hit ray or area damage, applied and deleted by the world server's next frame.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

struct blast {
    uint32_t owner = 0;  // player id
    vec3 point;
    vec3 direction;
    float values[5] = {};
};

}  // namespace kv
