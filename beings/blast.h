#pragma once
// A pending shot: one bullet or pellet, resolved by the world server's next frame along one ray that
// walls and bodies wear down, then deleted.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr int kBlastValues = 5;
// The values: damage at the muzzle, penetration, range, damage at the range, and a fifth that is kept
// but not read.
inline constexpr int kBlastInner = 0;
inline constexpr int kBlastPenetration = 1;
inline constexpr int kBlastRange = 2;
inline constexpr int kBlastOuter = 3;

struct blast {
    uint32_t owner = 0;  // player id
    vec3 point;
    vec3 direction;  // unit length (zero when the given one had none)
    float values[kBlastValues] = {};
};

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]);
// The damage before wear and armour at that distance from the muzzle: from the inner to the outer
// value over the range, then to nothing over a margin of 2500 units, and 0.001 beyond.
float blast_damage_at(const blast& b, float distance);
// Traces the shot from the sector: breaks panes, leaves impacts and hurts every soldier on the ray but
// the shooter, through the server's damage operation.
void blast_apply(blast& b, sector* origin);

}  // namespace kv
