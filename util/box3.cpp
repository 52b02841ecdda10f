#include "util/box3.h"

#include <cmath>

#include "util/mat4.h"

namespace kv {
namespace {

void grow_axis(float value, float& min, float& max) {
    if (value < min) {
        min = value;
    } else if (value > max) {
        max = value;
    }
}

}  // namespace

void box3_init(box3& box, const vec3& min, const vec3& max) {
    box.min = min;
    box.max = max;
}

void box3_init_point(box3& box, const vec3& point) {
    box3_init(box, point, point);
}

void box3_add_point(box3& box, const vec3& point) {
    grow_axis(point.x, box.min.x, box.max.x);
    grow_axis(point.y, box.min.y, box.max.y);
    grow_axis(point.z, box.min.z, box.max.z);
}

void box3_add_box(box3& box, const box3& other) {
    if (other.min.x < box.min.x) box.min.x = other.min.x;
    if (other.min.y < box.min.y) box.min.y = other.min.y;
    if (other.min.z < box.min.z) box.min.z = other.min.z;
    if (other.max.x > box.max.x) box.max.x = other.max.x;
    if (other.max.y > box.max.y) box.max.y = other.max.y;
    if (other.max.z > box.max.z) box.max.z = other.max.z;
}

box3 box3_union(const box3& box, const box3& other) {
    box3 grown = box;
    box3_add_box(grown, other);
    return grown;
}

bool box3_disjoint(const box3& box, const box3& other) {
    return box.max.x <= other.min.x || box.min.x >= other.max.x || box.max.y <= other.min.y ||
           box.min.y >= other.max.y || box.max.z <= other.min.z || box.min.z >= other.max.z;
}

bool box3_contains_point(const box3& box, const vec3& point) {
    return box.min.x <= point.x && point.x <= box.max.x && box.min.y <= point.y && point.y <= box.max.y &&
           box.min.z <= point.z && point.z <= box.max.z;
}

bool box3_touches_view_pyramid(const box3& box, float far_distance) {
    return box.min.z < far_distance && box.max.z > 1.0f && box.min.x < box.max.z && box.max.x > -box.max.z &&
           box.min.y < box.max.z && box.max.y > -box.max.z;
}

void box3_corner(const box3& box, vec3& out, int bits) {
    out.x = (bits & 1) ? box.min.x : box.max.x;
    out.y = (bits & 2) ? box.min.y : box.max.y;
    out.z = (bits & 4) ? box.min.z : box.max.z;
    out.w = 0.0f;
}

// The transform is affine, so the box bounding the moved corners is the moved centre give or take
// the half sizes taken through the absolute values of the matrix (a box given with min above max
// bounds the same corners).
box3 box3_transform(const box3& box, const mat4& transform) {
    if (mat4_is_identity(transform)) return box;
    const float* e = transform.m;
    const float centre[3] = {(box.min.x + box.max.x) * 0.5f, (box.min.y + box.max.y) * 0.5f,
                             (box.min.z + box.max.z) * 0.5f};
    const float half[3] = {std::fabs(box.max.x - box.min.x) * 0.5f, std::fabs(box.max.y - box.min.y) * 0.5f,
                           std::fabs(box.max.z - box.min.z) * 0.5f};
    float moved[3];
    float reach[3];
    for (int axis = 0; axis < 3; ++axis) {
        moved[axis] = centre[0] * e[axis] + centre[1] * e[4 + axis] + centre[2] * e[8 + axis] + e[12 + axis];
        reach[axis] = half[0] * std::fabs(e[axis]) + half[1] * std::fabs(e[4 + axis]) +
                      half[2] * std::fabs(e[8 + axis]);
    }
    box3 out;
    box3_init(out, vec3{moved[0] - reach[0], moved[1] - reach[1], moved[2] - reach[2]},
              vec3{moved[0] + reach[0], moved[1] + reach[1], moved[2] + reach[2]});
    return out;
}

}  // namespace kv
