// The Direct3D driver's dynamic buffers and 3D geometry: polygons, meshes, lines and the indexed
// vertex-array drawing with the light-map passes.

#include <algorithm>
#include <cstring>
#include <vector>

#include "gfx/drivers/d3d_driver.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "world/mesh.h"

namespace kv {
namespace {

// Colour tables hold 4 bytes a vertex (red, green, blue, unused).
constexpr std::size_t kColourStride = 4;
// Pieces of a triangle list that fit the buffers whole.
constexpr uint32_t kWorldPiece = kD3dWorldVertices / 3 * 3;
constexpr uint32_t kIndexPiece = kD3dIndices / 3 * 3;

}  // namespace

bool d3d_driver::create_buffers() {
    d3d_driver_state& s = *state_;
    d3d_device& d = *s.device;
    const uint32_t usage = kD3dUsageDynamic | kD3dUsageWriteOnly;
    auto made = [](d3d_dynamic_buffer& b, uint32_t capacity, uint32_t entry_bytes) {
        b.capacity = capacity;
        b.entry_bytes = entry_bytes;
        b.start = b.next = 0;
        b.lock_flags = kD3dLockAppend;
        b.locked = false;
    };
    if (d.create_vertex_buffer(kD3dScreenVertices * kD3dScreenVertexBytes, usage, kD3dFvfXyzRhwDiffuseTex1,
                               kD3dPoolDefault, s.screen.buffer) < 0) {
        log_write("[D3D] Create - Vertex Buffer 2D failed!\n");
        return false;
    }
    made(s.screen, kD3dScreenVertices, kD3dScreenVertexBytes);
    log_write("[D3D] Created vertex buffer2d\n");
    if (d.create_vertex_buffer(kD3dWorldVertices * kD3dWorldVertexBytes, usage, kD3dFvfXyzDiffuseTex2,
                               kD3dPoolDefault, s.world.buffer) < 0) {
        log_write("[D3D] Create - Vertex Buffer 3D failed!\n");
        return false;
    }
    made(s.world, kD3dWorldVertices, kD3dWorldVertexBytes);
    log_write("[D3D] Created vertex buffer3d\n");
    if (d.create_index_buffer(kD3dIndices * 2, usage, kD3dFmtIndex16, kD3dPoolDefault, s.indices.buffer) < 0) {
        log_write("[D3D] Create Index Buffer failed!\n");
        return false;
    }
    made(s.indices, kD3dIndices, 2);
    log_write("[D3D] Created Index Buffer.\n");
    return true;
}

void d3d_driver::release_buffers() {
    d3d_driver_state& s = *state_;
    for (d3d_dynamic_buffer* b : {&s.screen, &s.world, &s.indices}) {
        if (b->buffer && b->locked) b->buffer->unlock();
        if (s.device) {
            if (b == &s.indices) {
                s.device->set_indices(nullptr, 0);
            } else {
                s.device->set_stream_source(0, nullptr, 0);
            }
        }
        b->buffer.reset();
        b->locked = false;
        b->start = b->next = 0;
    }
    s.run_open = false;
    s.run = nullptr;
}

uint8_t* d3d_driver::append(d3d_dynamic_buffer& b, uint32_t n) {
    if (!b.buffer || n == 0 || n > b.capacity) return nullptr;
    if (b.next + n < b.capacity) {
        b.lock_flags = kD3dLockAppend;
    } else {
        b.lock_flags = kD3dLockWrap;
        b.next = 0;
        ++b.wraps;
    }
    b.start = b.next;
    uint8_t* p = nullptr;
    if (b.buffer->lock(b.start * b.entry_bytes, n * b.entry_bytes, p, b.lock_flags) < 0) return nullptr;
    b.locked = true;
    b.next += n;
    return p;
}

void d3d_driver::unlock(d3d_dynamic_buffer& b) {
    if (b.locked) b.buffer->unlock();
    b.locked = false;
}

void d3d_driver::world_stream() {
    d3d_device& d = *state_->device;
    d.set_vertex_shader(kD3dFvfXyzDiffuseTex2);
    d.set_stream_source(0, state_->world.buffer.get(), kD3dWorldVertexBytes);
}

uint32_t d3d_driver::vertex_colour(const uint8_t* colours, std::size_t index) const {
    if (colours == nullptr) return state_->colour;
    const uint8_t* c = colours + kColourStride * index;
    return d3d_argb(255, c[0], c[1], c[2]);
}

void d3d_driver::fill_world(d3d_world_vertex& out, const mesh_vertex& v, uint32_t colour, const float* second,
                            std::size_t index) {
    out.x = v.x;
    out.y = v.y;
    out.z = v.z;
    out.colour = colour;
    out.u0 = v.u;
    out.v0 = v.v;
    out.u1 = second != nullptr ? second[2 * index] : 0.0f;
    out.v1 = second != nullptr ? second[2 * index + 1] : 0.0f;
}

void d3d_driver::draw_polygon(const mesh_vertex* vertices, int32_t count, bool cull) {
    d3d_set_cull(cull ? kD3dCullFront : kD3dCullOff);
    d3d_set_depth_test(1);
    d3d_set_combine(kD3dCombineRequested);
    if (count < 3) return;
    d3d_driver_state& s = *state_;
    auto* out = reinterpret_cast<d3d_world_vertex*>(append(s.world, static_cast<uint32_t>(count)));
    if (out == nullptr) return;
    for (int32_t i = 0; i < count; ++i) fill_world(out[i], vertices[i], s.colour, nullptr, 0);
    unlock(s.world);
    world_stream();
    s.device->draw_primitive(kD3dPtTriangleFan, s.world.start, static_cast<uint32_t>(count - 2));
}

int32_t d3d_driver::draw_expanded(const mesh_vertex* vertices, const uint16_t* indices, int32_t index_count,
                                  const uint8_t* colours, const float* second, bool second_as_first) {
    d3d_driver_state& s = *state_;
    int32_t drawn = 0;
    for (int32_t first = 0; first < index_count;) {
        const uint32_t n = std::min<uint32_t>(kWorldPiece, static_cast<uint32_t>(index_count - first));
        auto* out = reinterpret_cast<d3d_world_vertex*>(append(s.world, n));
        if (out == nullptr) return drawn;
        for (uint32_t i = 0; i < n; ++i) {
            const uint16_t index = indices[first + static_cast<int32_t>(i)];
            fill_world(out[i], vertices[index], vertex_colour(colours, index), second, index);
            if (second_as_first) {
                out[i].u0 = out[i].u1;
                out[i].v0 = out[i].v1;
            }
        }
        unlock(s.world);
        world_stream();
        s.device->draw_primitive(kD3dPtTriangleList, s.world.start, n / 3);
        drawn += static_cast<int32_t>(n / 3);
        first += static_cast<int32_t>(n);
    }
    return drawn;
}

int32_t d3d_driver::draw_mesh(const mesh_vertex* vertices, int32_t format, const uint16_t* indices,
                              int32_t count, bool cull, const uint8_t* colours) {
    if (format < kIndexPolygons || format > kIndexQuads) return 0;
    d3d_driver_state& s = *state_;
    d3d_set_cull(cull ? kD3dCullFront : kD3dCullOff);
    d3d_set_depth_test(1);
    const float* second = s.multitexture ? s.lightmap_coordinates : nullptr;
    if (format == kIndexPolygons || format == kIndexStrips) {
        d3d_set_combine(kD3dCombineRequested);
        int32_t drawn = 0;
        const uint16_t* p = indices;
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t n = *p++;
            // Runs of fewer than 3 vertices draw and count nothing.
            if (n >= 3) {
                auto* out = reinterpret_cast<d3d_world_vertex*>(append(s.world, n));
                if (out == nullptr) return 0;
                for (uint16_t k = 0; k < n; ++k) fill_world(out[k], vertices[p[k]], vertex_colour(colours, p[k]), second, p[k]);
                unlock(s.world);
                world_stream();
                s.device->draw_primitive(format == kIndexPolygons ? kD3dPtTriangleFan : kD3dPtTriangleStrip,
                                         s.world.start, n - 2u);
                drawn += format == kIndexPolygons ? 1 : n - 2;
            }
            p += n;
        }
        return drawn;
    }
    if (format == kIndexQuads) {
        d3d_set_combine(kD3dCombineRequested);
        std::vector<uint16_t> triangles;
        triangles.reserve(static_cast<std::size_t>(std::max(count, 0)) * 6);
        for (int32_t q = 0; q < count; ++q) {
            const uint16_t* k = indices + 4 * q;
            triangles.insert(triangles.end(), {k[0], k[1], k[2], k[0], k[2], k[3]});
        }
        draw_expanded(vertices, triangles.data(), static_cast<int32_t>(triangles.size()), colours, second, false);
        return count;
    }
    // Triangles, with the light map of table entry indices[0] when the layer has one.
    texture* lightmap = nullptr;
    if (s.lightmap_coordinates != nullptr && s.lightmaps != nullptr && count > 0) lightmap = s.lightmaps[indices[0]];
    const int32_t index_count = 3 * count;
    if (lightmap == nullptr) {
        d3d_set_combine(kD3dCombineRequested);
        draw_expanded(vertices, indices, index_count, colours, second, false);
        return count;
    }
    if (s.lamp != nullptr) {
        // The lamp layer as the OpenGL driver draws it: the lamp, the light map added, then the
        // base multiplied over both.
        d3d_push_texture(0);
        use_texture(*s.lamp, 0);
        d3d_set_combine(kD3dCombineTexture);
        draw_expanded(vertices, indices, index_count, nullptr, s.lamp_coordinates, s.lamp_coordinates != nullptr);
        d3d_set_combine(kD3dCombineModulate);
        d3d_pop_texture(0);
        d3d_push_texture(0);
        use_texture(*lightmap, 0);
        d3d_set_combine(kD3dCombineTexture);
        d3d_set_blend(kD3dBlendAdd);
        draw_expanded(vertices, indices, index_count, nullptr, s.lightmap_coordinates, true);
        d3d_set_combine(kD3dCombineModulate);
        d3d_pop_texture(0);
        d3d_set_blend(kD3dBlendMultiply);
        draw_expanded(vertices, indices, index_count, colours, nullptr, false);
        d3d_set_blend(kD3dBlendOff);
        return count;
    }
    if (s.multitexture) {
        use_texture(*lightmap, 1);
        d3d_set_combine(kD3dCombineTwoStages);
        draw_expanded(vertices, indices, index_count, colours, s.lightmap_coordinates, false);
        return count;
    }
    // The base pass modulates, as the two-stage pass does, so both draw alike.
    d3d_set_combine(kD3dCombineModulate);
    draw_expanded(vertices, indices, index_count, colours, nullptr, false);
    d3d_push_texture(0);
    use_texture(*lightmap, 0);
    d3d_set_combine(kD3dCombineTexture);
    d3d_set_blend(kD3dBlendMultiply);
    d3d_set_depth_write(0);
    s.device->set_render_state(kD3dRsZFunc, kD3dCmpEqual);
    draw_expanded(vertices, indices, index_count, nullptr, s.lightmap_coordinates, true);
    s.device->set_render_state(kD3dRsZFunc, kD3dCmpLessEqual);
    d3d_set_blend(kD3dBlendOff);
    d3d_set_combine(kD3dCombineModulate);
    d3d_set_depth_write(1);
    d3d_pop_texture(0);
    return count;
}

void d3d_driver::draw_line(const vec3& from, const vec3& to) {
    d3d_driver_state& s = *state_;
    d3d_set_blend(kD3dBlendOff);
    d3d_set_depth_test(1);
    d3d_set_combine(kD3dCombineOff);
    auto* out = reinterpret_cast<d3d_world_vertex*>(append(s.world, 2));
    if (out == nullptr) return;
    out[0] = {from.x, from.y, from.z, s.colour, 0, 0, 0, 0};
    out[1] = {to.x, to.y, to.z, s.colour, 0, 0, 0, 0};
    unlock(s.world);
    world_stream();
    s.device->draw_primitive(kD3dPtLineList, s.world.start, 1);
}

void d3d_driver::close_run() {
    state_->run_open = false;
    state_->run = nullptr;
}

void d3d_driver::set_vertex_array(const mesh_vertex* vertices, int32_t count) {
    d3d_driver_state& s = *state_;
    // Every call opens its own run of its own count.
    close_run();
    if (vertices == nullptr || count <= 0) return;
    auto* out = reinterpret_cast<d3d_world_vertex*>(append(s.world, static_cast<uint32_t>(count)));
    if (out == nullptr) return;
    const float* second = s.multitexture ? s.lightmap_coordinates : nullptr;
    const uint8_t* colours = s.colour_mode != 1 ? s.colour_data : nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        fill_world(out[i], vertices[i], vertex_colour(colours, index), second, index);
    }
    unlock(s.world);
    s.run_open = true;
    s.run_start = s.world.start;
    s.run_count = static_cast<uint32_t>(count);
    s.run_wraps = s.world.wraps;
    s.run_vertices = vertices;
}

// The run's colours from the colour array as it stands, within the run's own range.
void d3d_driver::write_run_colours() {
    d3d_driver_state& s = *state_;
    if (!s.run_open || s.run_wraps != s.world.wraps) return;
    uint8_t* p = nullptr;
    if (s.world.buffer->lock(s.run_start * kD3dWorldVertexBytes, s.run_count * kD3dWorldVertexBytes, p, 0) < 0)
        return;
    auto* out = reinterpret_cast<d3d_world_vertex*>(p);
    const uint8_t* colours = s.colour_mode != 1 ? s.colour_data : nullptr;
    for (uint32_t i = 0; i < s.run_count; ++i) out[i].colour = vertex_colour(colours, i);
    s.world.buffer->unlock();
}

void d3d_driver::set_colour_array(const uint8_t* colours, int32_t mode) {
    d3d_driver_state& s = *state_;
    if (colours == nullptr) {
        d3d_set_shading(kD3dShadeFlatKind);
        s.colour_set = false;
        s.colour_data = nullptr;
        s.colour_mode = 0;
    } else if (mode == 1) {
        d3d_set_shading(kD3dShadeConstantKind);
        s.colour = d3d_argb(255, colours[0], colours[1], colours[2]);
        s.colour_set = true;
        s.colour_data = nullptr;
        s.colour_mode = 1;
    } else {
        d3d_set_shading(kD3dShadeSmoothKind);
        s.colour_set = false;
        s.colour_data = colours;
        s.colour_mode = mode;
    }
    write_run_colours();
}

int32_t d3d_driver::draw_run_indexed(const uint16_t* indices, uint32_t index_count, uint32_t kind) {
    d3d_driver_state& s = *state_;
    if (!s.run_open || s.run_wraps != s.world.wraps) return 0;
    const uint32_t piece = kind == kD3dPtTriangleList ? kIndexPiece : kD3dIndices;
    if (kind != kD3dPtTriangleList && index_count > piece) return 0;
    int32_t drawn = 0;
    for (uint32_t first = 0; first < index_count;) {
        const uint32_t n = std::min(piece, index_count - first);
        uint8_t* p = append(s.indices, n);
        if (p == nullptr) return drawn;
        std::memcpy(p, indices + first, n * sizeof(uint16_t));
        unlock(s.indices);
        world_stream();
        s.device->set_indices(s.indices.buffer.get(), s.run_start);
        const uint32_t primitives = kind == kD3dPtTriangleList ? n / 3 : n - 2;
        s.device->draw_indexed_primitive(kind, 0, s.run_count, s.indices.start, primitives);
        drawn += static_cast<int32_t>(primitives);
        first += n;
    }
    return drawn;
}

int32_t d3d_driver::draw_triangles(const uint16_t* indices, int32_t count, bool cull) {
    d3d_driver_state& s = *state_;
    if (!s.run_open || s.run_wraps != s.world.wraps) return 0;
    d3d_set_cull(cull ? kD3dCullFront : kD3dCullOff);
    d3d_set_depth_test(1);
    if (count <= 0) return 0;
    texture* lightmap = nullptr;
    if (s.lightmap_coordinates != nullptr && s.lightmaps != nullptr) lightmap = s.lightmaps[indices[0]];
    const auto n = static_cast<uint32_t>(3 * count);
    if (lightmap == nullptr) {
        d3d_set_combine(kD3dCombineRequested);
        draw_run_indexed(indices, n, kD3dPtTriangleList);
        return count;
    }
    if (s.multitexture) {
        use_texture(*lightmap, 1);
        d3d_set_combine(kD3dCombineTwoStages);
        draw_run_indexed(indices, n, kD3dPtTriangleList);
        return count;
    }
    d3d_set_combine(kD3dCombineRequested);
    draw_run_indexed(indices, n, kD3dPtTriangleList);
    // The run's first coordinates become the light map's for the second pass, then its own again.
    auto first_coordinates = [&](bool lightmap_ones) {
        uint8_t* p = nullptr;
        if (s.world.buffer->lock(s.run_start * kD3dWorldVertexBytes, s.run_count * kD3dWorldVertexBytes, p, 0) < 0)
            return;
        auto* out = reinterpret_cast<d3d_world_vertex*>(p);
        for (uint32_t i = 0; i < s.run_count; ++i) {
            out[i].u0 = lightmap_ones ? s.lightmap_coordinates[2 * i] : s.run_vertices[i].u;
            out[i].v0 = lightmap_ones ? s.lightmap_coordinates[2 * i + 1] : s.run_vertices[i].v;
        }
        s.world.buffer->unlock();
    };
    first_coordinates(true);
    d3d_push_texture(0);
    use_texture(*lightmap, 0);
    d3d_set_combine(kD3dCombineTexture);
    d3d_set_blend(kD3dBlendMultiply);
    d3d_set_depth_write(0);
    s.device->set_render_state(kD3dRsZFunc, kD3dCmpEqual);
    draw_run_indexed(indices, n, kD3dPtTriangleList);
    s.device->set_render_state(kD3dRsZFunc, kD3dCmpLessEqual);
    d3d_set_blend(kD3dBlendOff);
    d3d_set_combine(kD3dCombineModulate);
    d3d_set_depth_write(1);
    d3d_pop_texture(0);
    first_coordinates(false);
    return count;
}

int32_t d3d_driver::draw_quads(const uint16_t* indices, int32_t count, bool cull) {
    d3d_driver_state& s = *state_;
    if (!s.run_open || s.run_wraps != s.world.wraps) return 0;
    d3d_set_cull(cull ? kD3dCullFront : kD3dCullOff);
    d3d_set_depth_test(1);
    d3d_set_combine(kD3dCombineRequested);
    // Each quad as two triangles.
    std::vector<uint16_t> triangles;
    triangles.reserve(static_cast<std::size_t>(std::max(count, 0)) * 6);
    for (int32_t q = 0; q < count; ++q) {
        const uint16_t* k = indices + 4 * q;
        triangles.insert(triangles.end(), {k[0], k[1], k[2], k[0], k[2], k[3]});
    }
    draw_run_indexed(triangles.data(), static_cast<uint32_t>(triangles.size()), kD3dPtTriangleList);
    return count;
}

int32_t d3d_driver::draw_strips(const uint16_t* strips, int32_t strip_count, bool cull) {
    d3d_driver_state& s = *state_;
    if (!s.run_open || s.run_wraps != s.world.wraps) return 0;
    d3d_set_cull(cull ? kD3dCullFront : kD3dCullOff);
    d3d_set_depth_test(1);
    d3d_set_combine(kD3dCombineRequested);
    int32_t drawn = 0;
    const uint16_t* p = strips;
    for (int32_t i = 0; i < strip_count; ++i) {
        const uint16_t n = *p++;
        if (n >= 3) drawn += draw_run_indexed(p, n, kD3dPtTriangleStrip);
        p += n;
    }
    return drawn;
}

void d3d_driver::set_lightmap_layer(const float* coordinates, texture* const* lightmaps) {
    state_->lightmap_coordinates = coordinates;
    state_->lightmaps = lightmaps;
}

void d3d_driver::set_lamp_layer(const float* coordinates, texture* lamp) {
    state_->lamp_coordinates = coordinates;
    state_->lamp = lamp;
}

}  // namespace kv
