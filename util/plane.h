#pragma once
// Plane: normal . p + d = 0 on the plane, positive in front.

#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

inline constexpr float kPlaneSideTolerance = 1e-5f;
// Distances nearer than this to the plane read as 0.
inline constexpr float kPlaneDistanceSnap = 0.01f;

struct plane {
    vec3 normal;
    float d = 0.0f;
};

// Through three points: normal := normalise((b - a) x (c - a)), d := -(normal . a). Points in a
// line give the zero normal and d = 0, a plane on which every point lies.
void plane_init(plane& pl, const vec3& a, const vec3& b, const vec3& c);
void plane_set(plane& pl, const vec3& a, const vec3& b, const vec3& c);
// -1 behind, 1 in front, 0 within kPlaneSideTolerance of the plane.
int plane_side(const plane& pl, const vec3& point);
// -1 when no corner is in front (also when all lie on the plane), 1 when none is behind, else 0.
int plane_classify_box(const plane& pl, const box3& box);
// The whole line counts: t may be negative. A direction parallel to the plane has no single
// crossing; it gives the origin and t = 0.
vec3 plane_intersect_line(const plane& pl, const vec3& origin, const vec3& direction, float* t = nullptr);
float plane_distance(const plane& pl, const vec3& point);

}  // namespace kv
