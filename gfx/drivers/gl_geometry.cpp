// The OpenGL driver's 3D geometry: polygons, meshes, lines and the indexed vertex-array drawing.

#include "gfx/drivers/gl_driver.h"
#include "gfx/texture.h"
#include "world/mesh.h"

namespace kv {
namespace {

// Colour tables hold 4 bytes a vertex (red, green, blue, unused).
constexpr std::size_t kColourStride = 4;

}  // namespace

void gl_driver::cull_and_depth(bool cull) {
    gl_set_cull(cull ? kGlCullFront : kGlCullOff);
    gl_set_depth_test(1);
}

void gl_driver::triangles(const mesh_vertex* vertices, const uint16_t* indices, int32_t count,
                          const uint8_t* colours, const float* coordinates, bool base_coordinates) {
    gl_.glBegin(GL_TRIANGLES);
    for (int32_t i = 0; i < count * 3; ++i) {
        const uint16_t index = indices[i];
        const mesh_vertex& v = vertices[index];
        if (colours != nullptr) gl_.glColor3ubv(colours + kColourStride * index);
        gl_.glTexCoord2fv(base_coordinates ? &v.u : coordinates + 2 * static_cast<std::size_t>(index));
        gl_.glVertex3fv(&v.x);
    }
    gl_.glEnd();
}

void gl_driver::draw_polygon(const mesh_vertex* vertices, int32_t count, bool cull) {
    cull_and_depth(cull);
    gl_set_texenv(kGlTexenvAuto);
    if (count < 3) return;
    gl_.glBegin(GL_POLYGON);
    for (int32_t i = 0; i < count; ++i) {
        gl_.glTexCoord2f(vertices[i].u, vertices[i].v);
        gl_.glVertex3f(vertices[i].x, vertices[i].y, vertices[i].z);
    }
    gl_.glEnd();
}

int32_t gl_driver::draw_mesh(const mesh_vertex* vertices, int32_t format, const uint16_t* indices,
                             int32_t count, bool cull, const uint8_t* colours) {
    if (format < kIndexPolygons || format > kIndexQuads) return 0;
    gl_state& s = *state_;
    cull_and_depth(cull);
    const bool second_unit = s.lightmap_coordinates != nullptr && s.multitexture;
    auto vertex = [&](uint16_t index) {
        const mesh_vertex& v = vertices[index];
        gl_.glTexCoord2f(v.u, v.v);
        if (colours != nullptr)
            gl_.glColor3ub(colours[kColourStride * index], colours[kColourStride * index + 1],
                           colours[kColourStride * index + 2]);
        if (second_unit) {
            gl_.glMultiTexCoord2fvARB(GL_TEXTURE1_ARB,
                                      s.lightmap_coordinates + 2 * static_cast<std::size_t>(index));
        }
        gl_.glVertex3f(v.x, v.y, v.z);
    };
    if (format == kIndexPolygons || format == kIndexStrips) {
        gl_set_texenv(kGlTexenvAuto);
        int32_t drawn = 0;
        const uint16_t* p = indices;
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t n = *p++;
            // Runs of fewer than 3 vertices draw and count nothing.
            if (n >= 3) {
                gl_.glBegin(format == kIndexPolygons ? GL_POLYGON : GL_TRIANGLE_STRIP);
                for (uint16_t k = 0; k < n; ++k) vertex(p[k]);
                gl_.glEnd();
                drawn += format == kIndexPolygons ? 1 : n - 2;
            }
            p += n;
        }
        return drawn;
    }
    if (format == kIndexQuads) {
        gl_set_texenv(kGlTexenvAuto);
        gl_.glBegin(GL_QUADS);
        for (int32_t i = 0; i < count * 4; ++i) vertex(indices[i]);
        gl_.glEnd();
        return count;
    }
    // Triangles, with the light map of table entry indices[0] when the layer has one.
    texture* lightmap = nullptr;
    if (s.lightmap_coordinates != nullptr && s.lightmaps != nullptr && count > 0)
        lightmap = s.lightmaps[indices[0]];
    if (lightmap == nullptr) {
        gl_set_texenv(kGlTexenvAuto);
        triangles(vertices, indices, count, colours, nullptr, true);
        return count;
    }
    // Without colours the light-map passes draw in the current colour.
    if (s.lamp != nullptr) {
        gl_push_texture(0);
        use_texture(*s.lamp, 0);
        gl_set_texenv(kGlTexenvReplace);
        gl_set_lighting(0, nullptr);
        triangles(vertices, indices, count, nullptr, s.lamp_coordinates, s.lamp_coordinates == nullptr);
        gl_set_texenv(kGlTexenvModulate);
        gl_pop_texture(0);
        gl_push_texture(0);
        use_texture(*lightmap, 0);
        gl_set_texenv(kGlTexenvReplace);
        gl_set_lighting(0, nullptr);
        gl_set_blend(kGlBlendAdd);
        triangles(vertices, indices, count, nullptr, s.lightmap_coordinates, false);
        gl_set_texenv(kGlTexenvModulate);
        gl_pop_texture(0);
        gl_set_blend(kGlBlendMultiply);
        triangles(vertices, indices, count, colours, nullptr, true);
        gl_set_blend(kGlBlendOff);
        return count;
    }
    if (s.multitexture && s.texture_units >= 2) {
        gl_set_texenv(kGlTexenvTwoUnits);
        use_texture(*lightmap, 1);
        gl_.glBegin(GL_TRIANGLES);
        for (int32_t i = 0; i < count * 3; ++i) {
            const uint16_t index = indices[i];
            const mesh_vertex& v = vertices[index];
            if (colours != nullptr) gl_.glColor3ubv(colours + kColourStride * index);
            gl_.glMultiTexCoord2fvARB(GL_TEXTURE0_ARB, &v.u);
            gl_.glMultiTexCoord2fvARB(GL_TEXTURE1_ARB,
                                      s.lightmap_coordinates + 2 * static_cast<std::size_t>(index));
            gl_.glVertex3fv(&v.x);
        }
        gl_.glEnd();
        return count;
    }
    // The base pass modulates, as the two-unit pass does, so both draw alike.
    gl_set_texenv(kGlTexenvModulate);
    triangles(vertices, indices, count, colours, nullptr, true);
    gl_push_texture(0);
    use_texture(*lightmap, 0);
    gl_set_texenv(kGlTexenvReplace);
    gl_set_lighting(0, nullptr);
    gl_set_blend(kGlBlendMultiply);
    gl_set_depth_mask(0);
    gl_.glDepthFunc(GL_EQUAL);
    triangles(vertices, indices, count, nullptr, s.lightmap_coordinates, false);
    gl_.glDepthFunc(GL_LEQUAL);
    gl_set_blend(kGlBlendOff);
    gl_set_texenv(kGlTexenvModulate);
    gl_set_depth_mask(1);
    gl_pop_texture(0);
    return count;
}

void gl_driver::draw_line(const vec3& from, const vec3& to) {
    gl_set_blend(kGlBlendOff);
    gl_set_depth_test(1);
    gl_set_texenv(kGlTexenvOff);
    gl_.glBegin(GL_LINE_STRIP);
    gl_.glVertex3f(from.x, from.y, from.z);
    gl_.glVertex3f(to.x, to.y, to.z);
    gl_.glEnd();
}

void gl_driver::set_vertex_array(const mesh_vertex* vertices, int32_t) {
    gl_state& s = *state_;
    vertices_ = vertices;
    gl_.glVertexPointer(3, GL_FLOAT, sizeof(mesh_vertex), &vertices->x);
    if (s.multitexture) gl_.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    gl_.glTexCoordPointer(2, GL_FLOAT, sizeof(mesh_vertex), &vertices->u);
    if (s.multitexture) {
        gl_.glClientActiveTextureARB(GL_TEXTURE1_ARB);
        if (s.lightmap_coordinates != nullptr) {
            gl_.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            gl_.glTexCoordPointer(2, GL_FLOAT, 0, s.lightmap_coordinates);
        } else {
            gl_.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        gl_.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

void gl_driver::lock_arrays(int32_t first, int32_t count) {
    if (state_->compiled_vertex_arrays) gl_.glLockArraysEXT(first, count);
}

void gl_driver::unlock_arrays() {
    if (state_->compiled_vertex_arrays) gl_.glUnlockArraysEXT();
}

int32_t gl_driver::draw_triangles(const uint16_t* indices, int32_t count, bool cull) {
    gl_state& s = *state_;
    cull_and_depth(cull);
    texture* lightmap = nullptr;
    if (s.lightmap_coordinates != nullptr && s.lightmaps != nullptr && count > 0)
        lightmap = s.lightmaps[indices[0]];
    const GLsizei n = static_cast<GLsizei>(3 * count);
    if (lightmap == nullptr) {
        gl_set_texenv(kGlTexenvAuto);
        gl_.glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_SHORT, indices);
        return count;
    }
    if (s.multitexture && s.texture_units >= 2) {
        use_texture(*lightmap, 1);
        gl_set_texenv(kGlTexenvTwoUnits);
        gl_.glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_SHORT, indices);
        return count;
    }
    gl_set_texenv(kGlTexenvAuto);
    gl_.glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_SHORT, indices);
    gl_.glTexCoordPointer(2, GL_FLOAT, 0, s.lightmap_coordinates);
    gl_push_texture(0);
    use_texture(*lightmap, 0);
    gl_set_texenv(kGlTexenvReplace);
    gl_set_blend(kGlBlendMultiply);
    gl_set_depth_mask(0);
    gl_.glDepthFunc(GL_EQUAL);
    gl_.glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_SHORT, indices);
    gl_.glDepthFunc(GL_LEQUAL);
    gl_set_blend(kGlBlendOff);
    gl_set_texenv(kGlTexenvModulate);
    gl_set_depth_mask(1);
    gl_pop_texture(0);
    // Unit 0's coordinates are the vertices' own again.
    if (vertices_ != nullptr) gl_.glTexCoordPointer(2, GL_FLOAT, sizeof(mesh_vertex), &vertices_->u);
    return count;
}

int32_t gl_driver::draw_quads(const uint16_t* indices, int32_t count, bool cull) {
    cull_and_depth(cull);
    gl_set_texenv(kGlTexenvAuto);
    gl_.glDrawElements(GL_QUADS, static_cast<GLsizei>(4 * count), GL_UNSIGNED_SHORT, indices);
    return count;
}

int32_t gl_driver::draw_strips(const uint16_t* strips, int32_t strip_count, bool cull) {
    cull_and_depth(cull);
    gl_set_texenv(kGlTexenvAuto);
    int32_t drawn = 0;
    const uint16_t* p = strips;
    for (int32_t i = 0; i < strip_count; ++i) {
        const uint16_t n = *p++;
        if (n >= 3) {
            gl_.glDrawElements(GL_TRIANGLE_STRIP, n, GL_UNSIGNED_SHORT, p);
            drawn += n - 2;
        }
        p += n;
    }
    return drawn;
}

void gl_driver::set_colour_array(const uint8_t* colours, int32_t mode) {
    if (colours == nullptr) {
        gl_set_colour_array(kGlColourArrayFlat);
    } else if (mode == 1) {
        gl_set_colour_array(kGlColourArraySmooth);
        gl_.glColor3ub(colours[0], colours[1], colours[2]);
        for (int i = 0; i < 3; ++i) state_->colour[i] = static_cast<float>(colours[i]) / 255.0f;
    } else {
        // Pointed at the data every time: an array switched on over a stale or unset pointer would be
        // read by the next indexed drawing.
        gl_set_colour_array(kGlColourArrayOn);
        gl_.glColorPointer(3, GL_UNSIGNED_BYTE, 4, colours);
    }
}

void gl_driver::set_lightmap_layer(const float* coordinates, texture* const* lightmaps) {
    state_->lightmap_coordinates = coordinates;
    state_->lightmaps = lightmaps;
}

void gl_driver::set_lamp_layer(const float* coordinates, texture* lamp) {
    state_->lamp_coordinates = coordinates;
    state_->lamp = lamp;
}

}  // namespace kv
