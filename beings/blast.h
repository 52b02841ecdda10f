#pragma once
// A pending hit ray or area damage, applied and deleted by the world server's next frame.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr int kBlastValues = 5;

struct blast {
    uint32_t owner = 0;  // player id
    vec3 point;
    vec3 direction;
    float values[kBlastValues] = {};
};

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]);
// Traces the blast from the owner's sector: breakable surfaces, impacts and damage to other actors.
void blast_apply(blast& b, sector* origin);

}  // namespace kv
