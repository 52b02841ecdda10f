#include "util/plane.h"

namespace kv {

void plane_init(plane& pl, const vec3& a, const vec3& b, const vec3& c) {
    pl.normal = vec3_normalise(vec3_cross(b - a, c - a));
    pl.d = -vec3_dot(pl.normal, a);
}

void plane_set(plane& pl, const vec3& a, const vec3& b, const vec3& c) {
    plane_init(pl, a, b, c);
}

int plane_side(const plane& pl, const vec3& point) {
    const float s = vec3_dot(pl.normal, point) + pl.d;
    if (s < -kPlaneSideTolerance) return -1;
    if (s > kPlaneSideTolerance) return 1;
    return 0;
}

int plane_classify_box(const plane& pl, const box3& box) {
    bool in_front = false;
    bool behind = false;
    for (int bits = 0; bits < 8; ++bits) {
        vec3 corner;
        box3_corner(box, corner, bits);
        const int side = plane_side(pl, corner);
        in_front = in_front || side > 0;
        behind = behind || side < 0;
    }
    if (!in_front) return -1;
    return behind ? 0 : 1;
}

vec3 plane_intersect_line(const plane& pl, const vec3& origin, const vec3& direction, float* t) {
    const float facing = vec3_dot(pl.normal, direction);
    const float at = facing != 0.0f ? (-pl.d - vec3_dot(pl.normal, origin)) / facing : 0.0f;
    if (t) *t = at;
    return origin + direction * at;
}

float plane_distance(const plane& pl, const vec3& point) {
    const float s = vec3_dot(pl.normal, point) + pl.d;
    if (s > -kPlaneDistanceSnap && s < kPlaneDistanceSnap) return 0.0f;
    return s;
}

}  // namespace kv
