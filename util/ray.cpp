#include "util/ray.h"

#include <cmath>
#include <utility>

namespace kv {
namespace {

constexpr float kParallelTolerance = 1e-5f;
constexpr float kFarParameter = 1e38f;

}  // namespace

ray::ray(const vec3& origin_point, const vec3& direction_vector)
    : origin(origin_point), direction(vec3_normalise(direction_vector)) {}

bool ray_passes_near(const ray& r, const vec3& point, float radius) {
    const vec3 d = point - r.origin;
    const float along = vec3_dot(d, r.direction);
    return vec3_length_sq(d) - along * along <= radius * radius;
}

bool ray_hits_box(const ray& r, const box3& box) {
    const vec3 centre = (box.min + box.max) * 0.5f;
    if (!ray_passes_near(r, centre, vec3_length(box.max - box.min) * 0.5f)) return false;
    if (box3_contains_point(box, r.origin)) return true;

    const float origin[3] = {r.origin.x, r.origin.y, r.origin.z};
    const float direction[3] = {r.direction.x, r.direction.y, r.direction.z};
    const float low[3] = {box.min.x, box.min.y, box.min.z};
    const float high[3] = {box.max.x, box.max.y, box.max.z};
    float entry = -kFarParameter;
    float exit = kFarParameter;
    for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(direction[axis]) < kParallelTolerance) {
            if (origin[axis] < low[axis] || origin[axis] > high[axis]) return false;
            continue;
        }
        float near = (low[axis] - origin[axis]) / direction[axis];
        float far = (high[axis] - origin[axis]) / direction[axis];
        if (near > far) std::swap(near, far);
        if (near > entry) entry = near;
        if (far < exit) exit = far;
        if (entry > exit || exit < 0.0f) return false;
    }
    return true;
}

}  // namespace kv
