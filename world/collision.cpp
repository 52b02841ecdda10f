#include "world/collision.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "data/reference_list.h"
#include "game/server.h"
#include "kernel/timer.h"
#include "world/entity_def.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/world_query.h"

namespace kv {
namespace {

constexpr float kNoContact = 1e38f;
constexpr float kFacingTolerance = 1e-5f;
constexpr float kParallelCosine = 0.99999f;
constexpr float kSlideKeep = 0.6f;

bool passes_through(const surface_material* m) {
    return m &&
           (m->kind == kSurfaceKindWater || m->kind == kSurfaceKindFoliage || m->kind == kSurfaceKindThrough);
}

class collect_walk : public world_walk {
public:
    collect_walk(collision_sweep& sweep, const box3& broad) : sweep_(sweep), broad_(broad) {}

    bool box_test(const box3& box, const mat4& matrix) override {
        return !box3_disjoint(world_box_through(box, matrix), broad_);
    }
    void mesh_action(mesh& m, const mat4& matrix, uint32_t) override {
        if (mesh_is_broken(m)) return;
        if (box3_disjoint(world_box_through(mesh_box_node(m, 0).box, matrix), broad_)) return;
        const mesh_part* part = mesh_find_part(m, kMeshAnyLevel);
        if (!part) return;
        const std::span<const mesh_vertex> vertices = static_cast<const mesh&>(m).vertices();
        auto point = [&](uint16_t index) {
            const mesh_vertex& v = vertices[index];
            return mat4_transform_point(matrix, vec3{v.x, v.y, v.z});
        };
        const std::vector<uint16_t>& idx = part->indices;
        const std::size_t n = idx.size();
        if (m.primitive_kind == kMeshTriangles) {
            for (std::size_t k = 0; k + 3 <= n; k += 3) {
                if (idx[k] >= vertices.size() || idx[k + 1] >= vertices.size() ||
                    idx[k + 2] >= vertices.size())
                    continue;
                sweep_.triangles.emplace_back(point(idx[k]), point(idx[k + 1]), point(idx[k + 2]));
                sweep_.triangle_materials.push_back(material);
            }
            return;
        }
        const bool counted = m.primitive_kind != kMeshQuads;
        std::size_t k = 0;
        while (k < n) {
            const std::size_t count = counted ? idx[k++] : 4;
            if (count > n - k) break;
            bool fits = count >= 3;
            for (std::size_t j = 0; fits && j < count; ++j) fits = idx[k + j] < vertices.size();
            if (fits) {
                polygon face(static_cast<int>(count));
                for (std::size_t j = 0; j < count; ++j) face.points[j] = point(idx[k + j]);
                plane pl;
                plane_init(pl, face.points[0], face.points[1], face.points[2]);
                sweep_.polygons.push_back(std::move(face));
                sweep_.polygon_planes.push_back(pl);
                sweep_.polygon_materials.push_back(material);
            }
            k += count;
        }
    }

private:
    collision_sweep& sweep_;
    const box3& broad_;
};

// The point of the edge (a to b) nearest to the line through `origin` along `dir`.
vec3 edge_point_nearest_line(const vec3& a, const vec3& b, const vec3& origin, const vec3& dir) {
    const vec3 edge = b - a;
    const float length = vec3_length(edge);
    if (!(length > 0.0f)) return a;
    const vec3 e = edge * (1.0f / length);
    const vec3 w0 = a - origin;
    const float along = vec3_dot(e, dir);
    const float denominator = 1.0f - along * along;
    if (!(denominator > 0.0f)) return a;
    float s = (along * vec3_dot(dir, w0) - vec3_dot(e, w0)) / denominator;
    s = std::clamp(s, 0.0f, length);
    return a + e * s;
}

// Where the unit sphere at `position` moving along `dir` first touches the face, and how far it
// travels until then (zero or negative when it already overlaps the face).
bool face_contact(std::span<const vec3> points, const plane& pl, const vec3& position, const vec3& dir,
                  float& distance, vec3& contact) {
    const vec3& n = pl.normal;
    const float facing = vec3_dot(n, dir);
    if (!(facing <= -kFacingTolerance)) return false;
    const float centre = vec3_dot(n, position) + pl.d;
    // The whole sphere behind the face, moving away from it.
    if (centre < -1.0f) return false;
    const vec3 projected = position - n * centre;
    const bool over_face = polygon_contains_point_with_normal(points, projected, n);
    const vec3 nearest = over_face ? projected : polygon_nearest_edge_point(points, projected);
    const float nearest_distance = vec3_length(position - nearest);
    if (nearest_distance < 1.0f) {
        contact = nearest;
        distance = nearest_distance - 1.0f;
        return true;
    }
    vec3 plane_point = projected;
    if (centre > 1.0f) {
        const float t = (centre - 1.0f) / -facing;
        plane_point = position - n + dir * t;
        if (polygon_contains_point_with_normal(points, plane_point, n)) {
            contact = plane_point;
            distance = t;
            return true;
        }
    }
    bool on_edge = false;
    vec3 edge_start;
    vec3 edge_end;
    vec3 c = polygon_nearest_edge_point(points, plane_point, &on_edge, &edge_start, &edge_end);
    if (on_edge) {
        const float cosine = vec3_dot(vec3_normalise(edge_end - edge_start), dir);
        if (cosine > -kParallelCosine && cosine < kParallelCosine)
            c = edge_point_nearest_line(edge_start, edge_end, position, dir);
    }
    const vec3 w = c - position;
    const float b = vec3_dot(w, dir);
    const float discriminant = b * b - (vec3_length_sq(w) - 1.0f);
    if (discriminant < 0.0f) return false;
    const float s = b - std::sqrt(discriminant);
    if (s < 0.0f) return false;
    contact = c;
    distance = s;
    return true;
}

void touch(collision_sweep& sweep, const surface_material* material) {
    if (!sweep.touched || !material) return;
    if (std::find(sweep.touched->begin(), sweep.touched->end(), material) == sweep.touched->end())
        sweep.touched->push_back(material);
}

void collect_sector(collision_sweep& sweep, collect_walk& walk, sector& s, const mat4& solver) {
    walk.stack.swap(sweep.stack);
    world_walk_sector(walk, s, solver);
    walk.stack.swap(sweep.stack);
}

}  // namespace

bool portal_outside_box(const std::array<vec3, 4>& p, const box3& b) {
    auto all = [&](auto test) { return test(p[0]) && test(p[1]) && test(p[2]) && test(p[3]); };
    return all([&](const vec3& v) { return v.x <= b.min.x; }) ||
           all([&](const vec3& v) { return v.x >= b.max.x; }) ||
           all([&](const vec3& v) { return v.y <= b.min.y; }) ||
           all([&](const vec3& v) { return v.y >= b.max.y; }) ||
           all([&](const vec3& v) { return v.z <= b.min.z; }) ||
           all([&](const vec3& v) { return v.z >= b.max.z; });
}

void collision_sweep_init(collision_sweep& sweep, sector* sec, const box3& box, const mat4& placement) {
    sweep.sec = sec;
    sweep.box = &box;
    sweep.placement = &placement;
    sweep.centre = (box.min + box.max) * 0.5f;
    const float width = std::min(box.max.x - box.min.x, box.max.z - box.min.z);
    sweep.factor_x = 2.0f / std::max(width, kCollisionMinWidth);
    sweep.factor_z = sweep.factor_x;
    sweep.factor_y = 2.0f / std::max(box.max.y - box.min.y, kCollisionMinHeight);
    sweep.slide_factor = 0.0f;
    sweep.pass_counter = 0;
}

vec3& collision_sweep_move(collision_sweep& sweep, vec3& out, const vec3& motion, float slide_factor,
                           std::vector<const surface_material*>* touched) {
    sweep.slide_factor = slide_factor;
    sweep.touched = touched;
    const mat4 placement = sweep.placement ? *sweep.placement : kMat4Identity;
    const vec3 start = mat4_is_identity(placement) ? vec3{} : mat4_row3(placement);
    if (!sweep.sec) {
        out = start + motion;
        return out;
    }
    server* srv = sweep.sec->srv;
    if (srv) timer_section_begin(srv->collision_timer);

    mat4 scale;
    mat4_set_scale(scale, sweep.factor_x, sweep.factor_y, sweep.factor_z);
    mat4 unscale;
    mat4_set_scale(unscale, 1.0f / sweep.factor_x, 1.0f / sweep.factor_y, 1.0f / sweep.factor_z);
    mat4 inverse = mat4_inverse_rigid(placement);
    inverse.m[15] = 1.0f;
    const mat4 solver = mat4_mul(scale, inverse);
    mat4 back_placement = placement;
    if (mat4_is_identity(back_placement)) back_placement.m[15] = 1.0f;
    const mat4 back = mat4_mul(back_placement, unscale);

    const vec3 velocity = mat4_transform_point(solver, start + motion);
    const float r = std::max({std::fabs(velocity.x), std::fabs(velocity.y), std::fabs(velocity.z)});
    box3 broad;
    box3_init(broad, {-1.0f - r, -1.0f - r, -1.0f - r}, {1.0f + r, 1.0f + r, 1.0f + r});

    collect_walk walk(sweep, broad);
    world_visit_stamp_advance();
    collect_sector(sweep, walk, *sweep.sec, solver);
    const mat4 to_solver = mat4_mul(solver, sweep.sec->transform);
    for (int i = 0; i < sweep.sec->portal_count(); ++i) {
        if (!sweep.sec->portals.items[static_cast<std::size_t>(i)]) continue;
        const auto corners = sweep.sec->portal_points(i);
        std::array<vec3, 4> points;
        for (std::size_t k = 0; k < points.size(); ++k)
            points[k] = mat4_transform_point(to_solver, corners[k]);
        if (portal_outside_box(points, broad)) continue;
        // Every portal target is a world sector; a broken portal is reported once, not every move.
        if (auto* target = static_cast<sector*>(sweep.sec->portal_target(i)))
            collect_sector(sweep, walk, *target, solver);
    }

    sweep.pass_counter = 0;
    vec3 position;
    collision_solve(sweep, position, velocity);
    out = mat4_transform_point(back, position);
    out.w = 0.0f;

    sweep.polygons.clear();
    sweep.polygon_planes.clear();
    sweep.triangles.clear();
    sweep.polygon_materials.clear();
    sweep.triangle_materials.clear();
    sweep.stack.clear();
    if (srv) timer_section_end(srv->collision_timer);
    return out;
}

void collision_solve(collision_sweep& sweep, vec3& position, const vec3& velocity) {
    vec3 v = velocity;
    if (std::fabs(v.x) < kFacingTolerance) v.x = 0.0f;
    if (std::fabs(v.y) < kFacingTolerance) v.y = 0.0f;
    if (std::fabs(v.z) < kFacingTolerance) v.z = 0.0f;
    if (++sweep.pass_counter >= 3) return;
    const float len = vec3_length(v);
    if (!(len >= kCollisionMinMotion) || !std::isfinite(len)) return;
    const vec3 dir = v * (1.0f / len);

    float nearest = kNoContact;
    vec3 contact;
    auto consider = [&](std::span<const vec3> points, const plane& pl, const surface_material* material) {
        float distance = 0.0f;
        vec3 point;
        if (!face_contact(points, pl, position, dir, distance, point)) return;
        if (distance < len && material) {
            touch(sweep, material);
            if (passes_through(material)) return;
        }
        if (passes_through(material)) return;
        if (distance < nearest) {
            nearest = distance;
            contact = point;
        }
    };
    for (std::size_t i = 0; i < sweep.polygons.size(); ++i)
        consider(sweep.polygons[i].points, sweep.polygon_planes[i], sweep.polygon_materials[i]);
    for (std::size_t i = 0; i < sweep.triangles.size(); ++i)
        consider(sweep.triangles[i].corners, sweep.triangles[i].face_plane, sweep.triangle_materials[i]);

    if (nearest == kNoContact || !(nearest < len)) {
        position = position + v;
        return;
    }
    const float t = nearest;
    if (t > kCollisionMinMotion || t < 0.0f) position = position + dir * (t - kCollisionMinMotion);
    const vec3 normal = vec3_normalise(position - contact);
    const vec3 destination = contact + dir * (len - t);
    const vec3 projected = destination - normal * vec3_dot(destination - contact, normal);
    const vec3 slide = (projected - contact) * sweep.slide_factor;
    if (vec3_dot(vec3_normalise(slide), dir) >= kSlideKeep) collision_solve(sweep, position, slide);
}

}  // namespace kv
