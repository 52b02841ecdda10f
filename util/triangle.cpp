#include "util/triangle.h"

#include <cmath>

#include "util/polygon.h"

namespace kv {

triangle::triangle(const vec3& a, const vec3& b, const vec3& c) : corners{a, b, c} {
    plane_init(face_plane, a, b, c);
}

bool triangle_contains_point(const triangle& tri, const vec3& point) {
    return polygon_contains_point_with_normal(std::span<const vec3>(tri.corners), point,
                                              tri.face_plane.normal);
}

vec3 triangle_nearest_edge_point(const triangle& tri, const vec3& point, bool* on_edge, vec3* edge_start,
                                 vec3* edge_end) {
    return polygon_nearest_edge_point(std::span<const vec3>(tri.corners), point, on_edge, edge_start,
                                      edge_end);
}

bool triangle_intersect_ray(const triangle& tri, const ray& r, vec3& hit, float max_distance_sq,
                            bool two_sided) {
    const float facing = vec3_dot(tri.face_plane.normal, r.direction);
    if (facing == 0.0f) return false;
    if (!two_sided && std::fabs(facing) < kPolygonEdgeTolerance) return false;
    hit = plane_intersect_line(tri.face_plane, r.origin, r.direction);
    if (vec3_length_sq(hit - r.origin) > max_distance_sq) return false;
    return triangle_contains_point(tri, hit);
}

}  // namespace kv
