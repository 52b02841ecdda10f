#include "gfx/clipper.h"

#include <algorithm>

namespace kv {
namespace {

constexpr std::size_t kClipStartSlots = 16;

enum clip_plane_kind { kKeepNear, kKeepFar, kKeepRight, kKeepLeft, kKeepTop, kKeepBottom };

void reserve(clip_buffer& buffer, std::size_t slots) {
    if (buffer.slots.size() < slots) buffer.slots.resize(slots);
}

void append(clip_buffer& buffer, const clip_vertex& vertex) {
    if (static_cast<std::size_t>(buffer.count) == buffer.slots.size())
        buffer.slots.resize(buffer.slots.empty() ? 2 : buffer.slots.size() * 2);
    buffer.slots[static_cast<std::size_t>(buffer.count++)] = vertex;
}

void append_point(clip_buffer& buffer, const vec3& point, float u, float v, const mat4& transform) {
    const vec3 p = mat4_transform_point(transform, point);
    append(buffer, {p.x, p.y, p.z, 0.0f, u, v});
}

// Signed distance to the plane; a point on it counts as inside (0).
float distance(const clip_vertex& p, clip_plane_kind kind, float near, float far) {
    switch (kind) {
        case kKeepNear:
            return p.z - near;
        case kKeepFar:
            return far - p.z;
        case kKeepRight:
            return p.z - p.x;
        case kKeepLeft:
            return p.z + p.x;
        case kKeepTop:
            return p.z - p.y;
        case kKeepBottom:
            return p.z + p.y;
    }
    return 0.0f;
}

clip_vertex crossing(const clip_vertex& from, const clip_vertex& to, float d_from, float d_to,
                     clip_plane_kind kind, float near, float far) {
    const float t = d_from / (d_from - d_to);
    clip_vertex p;
    p.x = from.x + (to.x - from.x) * t;
    p.y = from.y + (to.y - from.y) * t;
    p.z = from.z + (to.z - from.z) * t;
    p.u = from.u + (to.u - from.u) * t;
    p.v = from.v + (to.v - from.v) * t;
    p.w = 0.0f;
    // Exactly on the plane, whatever the rounding of the interpolation.
    switch (kind) {
        case kKeepNear:
            p.z = near;
            break;
        case kKeepFar:
            p.z = far;
            break;
        case kKeepRight:
            p.z = p.x;
            break;
        case kKeepLeft:
            p.z = -p.x;
            break;
        case kKeepTop:
            p.z = p.y;
            break;
        case kKeepBottom:
            p.z = -p.y;
            break;
    }
    return p;
}

// Sutherland-Hodgman against one plane, starting with the edge from the last vertex to the first.
void clip_pass(const clip_buffer& in, clip_buffer& out, clip_plane_kind kind, float near, float far) {
    out.count = 0;
    if (in.count == 0) return;
    const clip_vertex* start = &in.slots[static_cast<std::size_t>(in.count - 1)];
    float d_start = distance(*start, kind, near, far);
    for (int32_t i = 0; i < in.count; ++i) {
        const clip_vertex& end = in.slots[static_cast<std::size_t>(i)];
        const float d_end = distance(end, kind, near, far);
        const bool start_inside = d_start >= 0.0f;
        if (start_inside) append(out, *start);
        if (start_inside != (d_end >= 0.0f))
            append(out, crossing(*start, end, d_start, d_end, kind, near, far));
        start = &end;
        d_start = d_end;
    }
}

void fill(clip_buffer& a, const clip_source& source, const mat4& transform) {
    const int32_t point_count = static_cast<int32_t>(source.points.size());
    if (source.indices.empty()) {
        const int32_t count = std::min(source.count, point_count);
        for (int32_t i = 0; i < count; ++i)
            append_point(a, source.points[static_cast<std::size_t>(i)], 0.0f, 0.0f, transform);
        return;
    }
    const int32_t entries = std::min(source.count, static_cast<int32_t>(source.indices.size()));
    const int32_t uv_pairs = static_cast<int32_t>(source.uvs.size() / 2);
    for (int32_t at = 0; at + 1 < entries; at += 2) {
        const int32_t point = source.indices[static_cast<std::size_t>(at)];
        if (point < 0 || point >= point_count) return;
        float u = 0.0f;
        float v = 0.0f;
        if (!source.uvs.empty()) {
            const int32_t pair = source.indices[static_cast<std::size_t>(at + 1)];
            if (pair < 0 || pair >= uv_pairs) return;
            u = source.uvs[static_cast<std::size_t>(pair) * 2];
            v = source.uvs[static_cast<std::size_t>(pair) * 2 + 1];
        }
        append_point(a, source.points[static_cast<std::size_t>(point)], u, v, transform);
    }
}

}  // namespace

void clip_buffers_init(clip_buffers& buffers) {
    clip_buffer_free(buffers.a);
    clip_buffer_free(buffers.b);
}

void clip_buffer_free(clip_buffer& buffer) {
    std::vector<clip_vertex>().swap(buffer.slots);
    buffer.count = 0;
}

bool clip_polygon(clip_buffers& buffers, float near, float far, const clip_source& source,
                  const mat4& transform) {
    buffers.a.count = 0;
    buffers.b.count = 0;
    reserve(buffers.a, kClipStartSlots);
    reserve(buffers.b, kClipStartSlots);
    fill(buffers.a, source, transform);
    // A to B, B to A and so on: the sixth pass lands in A.
    static constexpr clip_plane_kind kOrder[] = {kKeepNear, kKeepFar, kKeepRight,
                                                 kKeepLeft, kKeepTop, kKeepBottom};
    clip_buffer* in = &buffers.a;
    clip_buffer* out = &buffers.b;
    for (clip_plane_kind kind : kOrder) {
        clip_pass(*in, *out, kind, near, far);
        if (out->count <= 2) {
            buffers.a.count = out == &buffers.a ? out->count : 0;
            return false;
        }
        std::swap(in, out);
    }
    return true;
}

bool clip_quad_in_view(clip_buffers& buffers, const std::array<vec3, 4>& corners, const mat4& transform) {
    clip_source source;
    source.points = corners;
    source.count = 4;
    return clip_polygon(buffers, kClipQuadNear, kClipQuadFar, source, transform);
}

std::span<const clip_vertex> clip_result(const clip_buffers& buffers) {
    return {buffers.a.slots.data(), static_cast<std::size_t>(buffers.a.count)};
}

}  // namespace kv
