#pragma once
// A pending hit ray or area damage, applied and deleted by the world server's next frame.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr int kBlastValues = 5;
// The values: damage at the muzzle, penetration, range (world units), damage at the range, and one
// more that travels with them unread.
inline constexpr int kBlastInner = 0;
inline constexpr int kBlastPenetration = 1;
inline constexpr int kBlastRange = 2;
inline constexpr int kBlastOuter = 3;

struct blast {
    uint32_t owner = 0;  // player id
    vec3 point;
    vec3 direction;
    float values[kBlastValues] = {};
};

void blast_create(blast& b, uint32_t owner, const vec3& point, const vec3& direction,
                  const float (&values)[kBlastValues]);
// Traces the blast from the owner's sector and walks everything the ray meets, nearest first, while
// the wear it gathered is not above its penetration: walls wear it by their resistance (x 10 / 255),
// glass breaks, other surfaces get an impact, and every soldier but the shooter is hurt (by distance,
// wear and armour, through the world server's damage) and wears it by 2. A hit without material stops
// it.
void blast_apply(blast& b, sector* origin);
// The damage at that distance from the muzzle before wear and armour: from the inner to the outer
// value up to the range, then falling to 0 over 2500 units, and 0.001 past that.
float blast_damage_at(const blast& b, float distance);

}  // namespace kv
