#include "util/placement_sector.h"

#include <cmath>

#include "util/plane.h"

namespace kv {
namespace {

// Edge normals of a point inside the quad agree within this on every axis.
constexpr float kEdgeNormalTolerance = 0.001f;
// A crossing point nearer than this to an edge's line lies on that edge, whose normal then has
// no direction; that edge is left out of the comparison.
constexpr float kOnEdgeDistance = 1e-5f;

}  // namespace

bool portal_crossed(std::span<const vec3, 4> points, const mat4& transform, const vec3& from,
                    const vec3& to) {
    vec3 corners[4];
    for (int i = 0; i < 4; ++i) corners[i] = mat4_transform_point(transform, points[i]);
    plane pl;
    plane_init(pl, corners[0], corners[1], corners[2]);
    const int from_side = plane_side(pl, from);
    const int to_side = plane_side(pl, to);
    if (from_side > 0 || from_side == to_side) return false;

    vec3 crossing;
    if (from_side == 0) {
        crossing = from;
    } else if (to_side == 0) {
        crossing = to;
    } else {
        crossing = plane_intersect_line(pl, from, to - from);
    }

    vec3 first;
    bool have_first = false;
    for (int i = 0; i < 4; ++i) {
        const vec3& start = corners[i == 0 ? 3 : i - 1];
        const vec3 edge = vec3_normalise(corners[i] - start);
        if (vec3_length_sq(edge) == 0.0f) continue;
        const vec3 across = vec3_cross(edge, crossing - start);
        if (vec3_length(across) < kOnEdgeDistance) continue;
        const vec3 normal = vec3_normalise(across);
        if (!have_first) {
            first = normal;
            have_first = true;
        } else if (!(std::fabs(normal.x - first.x) < kEdgeNormalTolerance &&
                     std::fabs(normal.y - first.y) < kEdgeNormalTolerance &&
                     std::fabs(normal.z - first.z) < kEdgeNormalTolerance)) {
            return false;
        }
    }
    return have_first;
}

placement_sector* sector_pass_portals(placement_sector& sector, const vec3& from, const vec3& to) {
    const int count = sector.portal_count();
    for (int i = 0; i < count; ++i) {
        if (!portal_crossed(sector.portal_points(i), sector.world_transform(), from, to)) continue;
        placement_sector* target = sector.portal_target(i);
        return target ? target : &sector;
    }
    return &sector;
}

}  // namespace kv
