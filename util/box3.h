#pragma once
// Axis-aligned box. A box made from one point has min = max = that point.

#include "util/vec3.h"

namespace kv {

struct mat4;

struct box3 {
    vec3 min;
    vec3 max;
};

void box3_init(box3& box, const vec3& min, const vec3& max);
void box3_init_point(box3& box, const vec3& point);
// Per axis: below min moves min, otherwise above max moves max.
void box3_add_point(box3& box, const vec3& point);
void box3_add_box(box3& box, const box3& other);
box3 box3_union(const box3& box, const box3& other);
// Boxes that only touch count as disjoint.
bool box3_disjoint(const box3& box, const box3& other);
// Bounds included.
bool box3_contains_point(const box3& box, const vec3& point);
// For a box in view coordinates (z forward): whether it may reach into the view pyramid between
// z = 1 and z = far_distance with 90-degree openings.
bool box3_touches_view_pyramid(const box3& box, float far_distance);
// Corner bits: bit 0 takes x, bit 1 y, bit 2 z from min when set, else from max; w := 0.
void box3_corner(const box3& box, vec3& out, int bits);
// The box bounding the 8 corners of `box` taken through the transform.
box3 box3_transform(const box3& box, const mat4& transform);

}  // namespace kv
