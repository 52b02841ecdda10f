#pragma once
// The polygon clipper of the front end: a portal or occluder quad is taken into eye space and cut,
// one plane after the other, against the near and far distances and the four sides of the square
// 90-degree view pyramid (x and y between -z and +z). It works in two vertex buffers that the front
// end keeps for its whole life and that only grow, so clipping allocates nothing once they are big
// enough. The result stays in buffer A.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

struct clip_vertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};

// `slots.size()` is the capacity; the first `count` slots hold the polygon.
struct clip_buffer {
    std::vector<clip_vertex> slots;
    int32_t count = 0;
};

struct clip_buffers {
    clip_buffer a;  // input, and the result of the last pass
    clip_buffer b;
};

// The distances the portal walk and the occluders clip with.
inline constexpr float kClipQuadNear = 1.0f;
inline constexpr float kClipQuadFar = 1000000.0f;

void clip_buffers_init(clip_buffers& buffers);
// Frees the slots; count and capacity 0.
void clip_buffer_free(clip_buffer& buffer);

// The polygon to clip. Without indices it is the first `count` points (no more than there are).
// With indices, `count` counts entries of (point index, texture-coordinate index) pairs: the list
// ends at a negative point index, at an index outside the points or the texture coordinates, and
// before an unpaired last entry. Texture coordinates are two floats a point and only read through
// indices.
struct clip_source {
    std::span<const vec3> points;
    std::span<const float> uvs;
    std::span<const int16_t> indices;
    int32_t count = 0;
};

// Takes the points through the transform (an identity-marked one leaves them as they are) and clips
// them with z between near and far. True when at least three vertices are left in buffer A.
bool clip_polygon(clip_buffers& buffers, float near, float far, const clip_source& source,
                  const mat4& transform);
// The four corners under the transform, clipped with near 1.0 and far 1000000.0: whether anything
// of the quad is in view.
bool clip_quad_in_view(clip_buffers& buffers, const std::array<vec3, 4>& corners, const mat4& transform);
// The vertices of buffer A.
std::span<const clip_vertex> clip_result(const clip_buffers& buffers);

}  // namespace kv
