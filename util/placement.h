#pragma once
// The frame that cameras and beings carry: a transform and the sector that holds its position,
// kept current as the position moves through portals. A new placement holds the identity and no sector.

#include "util/mat4.h"
#include "util/placement_sector.h"
#include "util/vec3.h"

namespace kv {

struct placement {
    mat4 transform;
    placement_sector* sector = nullptr;
};

// Rows: 0 := up x forward, 1 := up, 2 := forward, 3 := position; element 15 := 1.0 and elements
// 3, 7 and 11 keep their values. The sector is replaced only when one is given.
void placement_set(placement& pl, const vec3& position, const vec3& forward, const vec3& up,
                   placement_sector* sector = nullptr);
// The rigid inverse of the transform: a camera's view matrix.
mat4 placement_inverse(const placement& pl);
void placement_inverse(mat4& out, const placement& pl);
// Moves the placement into the sector behind the first portal of its sector that the segment
// from -> to crosses; true when the sector changed. False without a sector.
bool placement_move(placement& pl, const vec3& from, const vec3& to);

}  // namespace kv
