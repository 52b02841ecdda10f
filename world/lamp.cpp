#include "world/lamp.h"

#include <array>
#include <cmath>
#include <numbers>

#include "game/server.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "world/collision.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/visit_stamp.h"
#include "world/world_query.h"

namespace kv {
namespace {

// Below this in x and in z, the direction counts as vertical.
constexpr float kVerticalLimit = 1.0f / 64.0f;
// The image plane lies this far ahead of the lamp; vertices closer to it than kFrontLimit (or
// behind it) get no coordinates.
constexpr float kImagePlaneDistance = 10.0f;
constexpr float kFrontLimit = 0.1f;
constexpr float kUvScale = 0.2f;
constexpr float kUvCentre = 0.5f;
constexpr std::size_t kFaceSize = 3;

std::vector<lamp_lit>& lit_list() {
    static std::vector<lamp_lit> list;
    return list;
}

vec3 vertex_position(const mesh_vertex& v) {
    return {v.x, v.y, v.z};
}

// Lamp space from world space: the lamp's side, up and direction axes, from the lamp's position.
mat4 view_matrix(const vec3& position, const vec3& direction) {
    vec3 side = std::fabs(direction.x) < kVerticalLimit && std::fabs(direction.z) < kVerticalLimit
                    ? vec3{-direction.y, direction.x, 0.0f}
                    : vec3{-direction.z, 0.0f, direction.x};
    side = vec3_normalise(side);
    const vec3 up = vec3_cross(direction, side);
    const vec3 axes[3] = {side, up, direction};
    mat4 m;
    for (int column = 0; column < 3; ++column) {
        m.m[column] = axes[column].x;
        m.m[4 + column] = axes[column].y;
        m.m[8 + column] = axes[column].z;
        m.m[12 + column] = -vec3_dot(position, axes[column]);
    }
    m.m[15] = 1.0f;
    return m;
}

// The diagnostic lines are for debugging sessions only.
bool log_detail() {
    return server_get().log_level != 0;
}

void log_vector(const char* format, const vec3& v) {
    if (log_detail()) log_write(format, v.x, v.y, v.z);
}

class lamp_walk : public world_walk {
public:
    lamp_walk(lamp& owner, const box3& box) : l(owner), volume(box) {}

    bool box_test(const box3& box, const mat4& matrix) override {
        return !box3_disjoint(world_box_through(box, matrix), volume);
    }
    void mesh_action(mesh& m, const mat4& matrix, uint32_t) override { lamp_test_mesh(l, m, matrix); }

    lamp& l;
    box3 volume;
};

void walk_sector(lamp& l, sector& s, const box3& volume) {
    world_visit_stamp_advance();
    lamp_walk w(l, volume);
    world_walk_sector(w, s, l.view);
}

bool test_node(lamp& l, mesh& m, const mat4& matrix, const box3& volume, int32_t i) {
    if (box3_disjoint(world_box_through(mesh_box_node(m, i).box, matrix), volume)) return false;
    if (mesh_box_is_leaf(m, i)) return true;
    return test_node(l, m, matrix, volume, 2 * i + 1) || test_node(l, m, matrix, volume, 2 * i + 2);
}

struct face_coords {
    bool lit;
    lamp_uv uv[3];
    float distance[3];
    vec3 point[3];
};

}  // namespace

lamp::lamp(float angle_degrees, float lamp_range, std::string lamp_name)
    : angle(angle_degrees), range(lamp_range), name(std::move(lamp_name)) {}

lamp::~lamp() = default;

bool lamp_load_texture(lamp& l) {
    if (l.tex) return false;
    l.tex = texture_create(l.name);
    texture_load(*l.tex);
    return true;
}

void lamp_free_texture(lamp& l) {
    l.tex.reset();
}

box3 lamp_volume(const lamp& l) {
    const float w = std::tan(l.angle * std::numbers::pi_v<float> / 180.0f) * l.range;
    box3 box;
    box3_init(box, {-w / 2.0f, -w / 2.0f, 0.0f}, {w / 2.0f, w / 2.0f, l.range});
    return box;
}

void lamp_update(lamp& l, sector* s, const mat4& matrix) {
    l.placement = matrix;
    l.position = mat4_row3(matrix);
    l.direction = mat4_row2(matrix);
    if (log_detail()) log_write("---\n");
    log_vector("[lamp] lamp  pos: %11f %11f %11f\n", l.position);
    log_vector("[lamp] lamp  dir: %11f %11f %11f\n", l.direction);
    l.view = view_matrix(l.position, l.direction);
    if (!s) return;

    const box3 volume = lamp_volume(l);
    walk_sector(l, *s, volume);
    const mat4 to_lamp = mat4_mul(l.view, s->transform);
    for (int i = 0; i < s->portal_count(); ++i) {
        if (!s->portals.items[static_cast<std::size_t>(i)]) continue;
        const auto corners = s->portal_points(i);
        std::array<vec3, 4> points;
        for (std::size_t k = 0; k < points.size(); ++k) points[k] = mat4_transform_point(to_lamp, corners[k]);
        if (portal_outside_box(points, volume)) continue;
        // Every portal target is a world sector. A sector behind two portals is walked twice, with a
        // new stamp each time; its meshes are listed once (lamp_lit_push).
        if (auto* target = static_cast<sector*>(s->portal_target(i))) walk_sector(l, *target, volume);
    }
}

void lamp_frame(lamp& l, bool on, sector* s, const mat4& matrix) {
    lamp_clear_lit();
    if (!on) return;
    lamp_load_texture(l);
    lamp_update(l, s, matrix);
}

void lamp_clear_lit() {
    for (const lamp_lit& entry : lit_list())
        if (entry.lit_mesh) entry.lit_mesh->lit_index = -1;
    lit_list().clear();
}

std::size_t lamp_lit_count() {
    return lit_list().size();
}

const lamp_lit& lamp_lit_entry(std::size_t i) {
    return lit_list().at(i);
}

bool lamp_lit_push(lamp& l, mesh& m) {
    // A sector seen through two portals is walked twice; its meshes are listed once.
    if (m.lit_index >= 0) return false;
    m.lit_index = static_cast<int32_t>(lit_list().size());
    lit_list().push_back({&l, &m});
    return true;
}

void lamp_lit_forget(mesh& m) {
    if (m.lit_index < 0) return;
    const auto i = static_cast<std::size_t>(m.lit_index);
    if (i < lit_list().size() && lit_list()[i].lit_mesh == &m) lit_list()[i].lit_mesh = nullptr;
    m.lit_index = -1;
}

bool lamp_test_mesh(lamp& l, mesh& m, const mat4& matrix) {
    if (mesh_is_broken(m)) return false;
    if (!test_node(l, m, matrix, lamp_volume(l), 0)) return false;
    lamp_lit_push(l, m);
    return true;
}

void lamp_face_intersect(lamp& l, const mesh_part& part, std::span<const mesh_vertex> vertices,
                         std::vector<lamp_uv>& coords) {
    mat4 image = l.placement;
    mat4_translate(image, {0.0f, 0.0f, kImagePlaneDistance});
    l.plane_origin = mat4_row3(image);
    l.plane_u = mat4_row0(image);
    l.plane_v = mat4_row1(image);
    plane_init(l.image_plane, l.plane_origin, l.plane_origin + l.plane_u, l.plane_origin + l.plane_v);
    log_vector("[lamp] plane pos: %11f %11f %11f\n", l.plane_origin);
    log_vector("[lamp] plane nrm: %11f %11f %11f\n", l.image_plane.normal);
    if (log_detail()) log_write("---\n");

    coords.assign(vertices.size(), {0.0f, 0.0f});
    const std::size_t faces = part.indices.size() / kFaceSize;
    std::vector<face_coords> found(faces);
    for (std::size_t f = 0; f < faces; ++f) {
        face_coords& fc = found[f];
        fc.lit = true;
        for (std::size_t k = 0; k < kFaceSize; ++k) {
            const uint16_t index = part.indices[f * kFaceSize + k];
            if (index >= vertices.size()) {
                fc.lit = false;
                break;
            }
            const vec3 p = vertex_position(vertices[index]);
            fc.point[k] = p;
            fc.distance[k] = plane_distance(l.image_plane, p);
            if (fc.distance[k] < kFrontLimit) {
                fc.lit = false;
                continue;
            }
            const vec3 ray = p - l.position;
            const vec3 hit = plane_intersect_line(l.image_plane, l.position, ray);
            const vec3 offset = l.plane_origin - hit;
            fc.uv[k] = {kUvScale * vec3_dot(offset, l.plane_u) + kUvCentre,
                        kUvScale * vec3_dot(offset, l.plane_v) + kUvCentre};
            if (log_detail()) {
                log_write("[lamp] TEXTURE INTERSECTION:\n");
                log_vector("[lamp] face  vtx: %11f %11f %11f\n", p);
                log_vector("[lamp] ray      : %11f %11f %11f\n", ray);
                log_vector("[lamp] plane isc: %11f %11f %11f\n", hit);
                log_write("[lamp]        uv: %11f %11f\n", fc.uv[k].u, fc.uv[k].v);
            }
        }
    }
    // Every lit face gets its coordinates, also where it shares vertices with an unlit one.
    for (std::size_t f = 0; f < faces; ++f) {
        const face_coords& fc = found[f];
        if (!fc.lit) continue;
        for (std::size_t k = 0; k < kFaceSize; ++k) coords[part.indices[f * kFaceSize + k]] = fc.uv[k];
        if (log_detail()) {
            log_write("---\n[lamp] FRONT FACE:\n");
            static const char* const kUvLines[3] = {"[lamp] face  uv2: %11f %11f\n",
                                                    "[lamp] face  uv1: %11f %11f\n",
                                                    "[lamp] face  uv3: %11f %11f\n"};
            for (std::size_t k = 0; k < kFaceSize; ++k) {
                log_write("[lamp] face vtx%zu: %11f %11f %11f, plane dist: %11f\n", k + 1, fc.point[k].x,
                          fc.point[k].y, fc.point[k].z, fc.distance[k]);
                log_write(kUvLines[k], fc.uv[k].u, fc.uv[k].v);
            }
            log_write("---\n");
        }
    }
    if (log_detail()) log_write("***\n");
}

}  // namespace kv
