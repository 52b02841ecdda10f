#pragma once
// A line with a start and a unit direction; tests treat it as the whole line unless they say so.

#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

struct ray {
    ray() = default;
    // The direction is divided by its length; a zero direction stays zero (a ray that is a point).
    ray(const vec3& origin, const vec3& direction);

    vec3 origin;
    vec3 direction;
};

// Whether the line passes within the radius of the point.
bool ray_passes_near(const ray& r, const vec3& point, float radius);
// Whether the ray, from its origin forward, meets the box (true at once when the origin is inside).
bool ray_hits_box(const ray& r, const box3& box);

}  // namespace kv
