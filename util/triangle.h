#pragma once
// Triangle with the plane of its corners (made in corner order): collision faces and hit tests.

#include "util/plane.h"
#include "util/ray.h"
#include "util/vec3.h"

namespace kv {

struct triangle {
    triangle() = default;
    triangle(const vec3& a, const vec3& b, const vec3& c);

    vec3 corners[3];
    plane face_plane;
};

// The polygon rule on the three edges with the triangle's normal; a degenerate triangle (corners
// in a line) contains no point.
bool triangle_contains_point(const triangle& tri, const vec3& point);
// As polygon_nearest_edge_point over the three edges.
vec3 triangle_nearest_edge_point(const triangle& tri, const vec3& point, bool* on_edge = nullptr,
                                 vec3* edge_start = nullptr, vec3* edge_end = nullptr);
// Where the ray's whole line meets the plane (stored in hit); a miss when that point's squared
// distance from the origin exceeds max_distance_sq or it lies outside. Parallel lines as for polygons.
bool triangle_intersect_ray(const triangle& tri, const ray& r, vec3& hit, float max_distance_sq,
                            bool two_sided);

}  // namespace kv
