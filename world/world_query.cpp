#include "world/world_query.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/timer.h"
#include "world/collision.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/lmap_binding.h"
#include "world/sector.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr float kLightSampleDistanceSq = 22500.0f;
constexpr float kNoHitDistanceSq = 1e38f;
constexpr uint32_t kUnnumbered = 0xFFFF;

bool kind_is(const surface_material* material, std::initializer_list<int32_t> kinds) {
    if (!material) return false;
    for (const int32_t kind : kinds) {
        if (material->kind == kind) return true;
    }
    return false;
}

void visit_instance(world_walk& w, mesh_instance& instance);

void visit_node(world_walk& w, scene_node& node) {
    w.enter_node(node);
    if (!world_visit_mark(node.visit_stamp)) return;
    const mat4 matrix = mat4_mul(w.stack.back(), node.transform);
    if (!node.model || !w.box_test(node.model->box, matrix)) {
        object_number_skip(w.numbering, node.number);
        return;
    }
    w.stack.push_back(matrix);
    for (scene_node* inner : node.model->nodes.items) {
        if (inner) visit_node(w, *inner);
    }
    for (mesh_instance* inner : node.model->meshes.items) {
        if (inner) visit_instance(w, *inner);
    }
    w.stack.pop_back();
}

void visit_instance(world_walk& w, mesh_instance& instance) {
    w.enter_instance(instance);
    if (!world_visit_mark(instance.visit_stamp)) return;
    const mat4 matrix = mat4_mul(w.stack.back(), instance.transform);
    if (!instance.geom || !w.box_test(instance.geom->box, matrix)) {
        object_number_skip(w.numbering, instance.number);
        return;
    }
    w.material = instance.material;
    w.current_surface = instance.surf;
    w.stack.push_back(matrix);
    uint32_t i = 0;
    for (mesh* m : instance.geom->meshes.items) {
        if (m) w.mesh_action(*m, matrix, object_number_mesh(w.numbering, i));
        ++i;
    }
    for (geometry_mesh* m : instance.geom->skinned.items) {
        if (m) w.mesh_action(*m, matrix, object_number_mesh(w.numbering, i));
        ++i;
    }
    w.stack.pop_back();
}

void visit_item(world_walk& w, sector& s, uint32_t item) {
    const std::size_t nodes = s.nodes.items.size();
    if (item < nodes) {
        scene_node* node = s.nodes.items[item];
        if (!node) return;
        object_number_enter(w.numbering, node->number);
        visit_node(w, *node);
        return;
    }
    const std::size_t index = item - nodes;
    if (index >= s.meshes.items.size() || !s.meshes.items[index]) return;
    mesh_instance* instance = s.meshes.items[index];
    object_number_enter(w.numbering, instance->number);
    visit_instance(w, *instance);
}

void visit_leaf(world_walk& w, sector& s, const object_tree& tree, uint32_t leaf_index) {
    if (leaf_index >= tree.leaves.size()) return;
    const object_tree_leaf& leaf = tree.leaves[leaf_index];
    if (!w.box_test(leaf.box, w.stack.back())) return;
    for (uint64_t k = leaf.first_item; k < static_cast<uint64_t>(leaf.first_item) + leaf.item_count; ++k) {
        if (k >= tree.items.size()) return;
        visit_item(w, s, tree.items[k]);
    }
}

// Depth first, left before right: recursion on left children, a loop on right ones.
void walk_inner(world_walk& w, sector& s, const object_tree& tree, uint32_t n) {
    const uint32_t inner_count = static_cast<uint32_t>(tree.inner.size());
    if (n >= inner_count || !w.box_test(tree.inner[n].box, w.stack.back())) return;
    for (;;) {
        const object_tree_node& node = tree.inner[n];
        if (node.child[0] < inner_count) {
            walk_inner(w, s, tree, node.child[0]);
        } else {
            visit_leaf(w, s, tree, node.child[0] - inner_count);
        }
        const uint32_t right = node.child[1];
        if (right >= inner_count) {
            visit_leaf(w, s, tree, right - inner_count);
            return;
        }
        if (!w.box_test(tree.inner[right].box, w.stack.back())) return;
        n = right;
    }
}

server& world_server_of(const sector& s) {
    return s.srv ? *s.srv : server_get();
}

class area_walk : public world_walk {
public:
    explicit area_walk(query_area_record& r) : record(r) {}

    bool box_test(const box3& box, const mat4& matrix) override {
        return !box3_disjoint(world_box_through(box, matrix), record.box);
    }
    void mesh_action(mesh& m, const mat4& matrix, uint32_t number) override {
        record.object_number = number;
        record.material = material;
        record.surf = current_surface;
        if (kind_is(material, {kSurfaceKindLimit, kSurfaceKindThrough, kSurfaceKindShoot})) return;
        // The mesh's box where its instance puts it.
        if (box3_disjoint(world_box_through(mesh_bounds(m), matrix), record.box)) return;
        area_hit hit;
        hit.material = material;
        hit.hit_mesh = &m;
        hit.surf = current_surface;
        record.hits.push_back(hit);
    }

    query_area_record& record;
};

struct light_sample {
    vec3 start;
    vec3 direction;
    bool have_hit = false;
    mesh_hit best;
    lmap_binding* binding = nullptr;
    mesh* best_mesh = nullptr;
    mat4 best_matrix;
    const surface_material* material = nullptr;
};

class light_walk : public world_walk {
public:
    light_walk(light_sample& sample, sector& s)
        : r(sample.start, sample.direction), sample_(sample), sector_(s) {}

    bool box_test(const box3& box, const mat4& matrix) override {
        return ray_hits_box(r, world_box_through(box, matrix));
    }
    void mesh_action(mesh& m, const mat4& matrix, uint32_t number) override {
        sample_.material = material;
        if (number == kUnnumbered) return;
        if (material && material->kind == kSurfaceKindWater) return;
        scratch.clear();
        mesh_trace(m, scratch, kMeshAnyLevel, matrix, r, kLightSampleDistanceSq, false, false, nullptr, 0);
        if (scratch.empty()) return;
        const mesh_hit& last = scratch.back();
        const float best = sample_.have_hit ? sample_.best.distance_sq : kNoHitDistanceSq;
        if (!(last.distance_sq < best)) return;
        sample_.have_hit = true;
        sample_.best = last;
        sample_.best_mesh = &m;
        sample_.best_matrix = matrix;
        sample_.binding =
            number < sector_.lmap_bindings.items.size() ? sector_.lmap_bindings.items[number] : nullptr;
    }

    ray r;
    std::vector<mesh_hit> scratch;

private:
    light_sample& sample_;
    sector& sector_;
};

// Vertex colour of the face's first vertex, scaled by the light map when it has one.
bool light_colour(const light_sample& sample, float rgb[3]) {
    const lmap_binding& b = *sample.binding;
    const mesh& m = *sample.best_mesh;
    const mesh_part* part = mesh_find_part(m, kMeshAnyLevel);
    if (!part || sample.best.point_count < 3) return false;
    const std::size_t first = sample.best.first_index;
    if (first + 3 > part->indices.size()) return false;
    const uint16_t a = part->indices[first];
    const uint16_t bi = part->indices[first + 1];
    const uint16_t c = part->indices[first + 2];
    if (static_cast<std::size_t>(a) * 4 + 3 > b.colours.size()) return false;
    for (int k = 0; k < 3; ++k) rgb[k] = static_cast<float>(b.colours[static_cast<std::size_t>(a) * 4 + k]);
    // Textures of a registry cleared since (another world's level load) are gone.
    if (a >= b.textures.size() || !b.textures[a] || b.generation != lmap_registry_generation()) return true;
    if (a >= b.coords.size() || bi >= b.coords.size() || c >= b.coords.size()) return true;
    const std::span<const mesh_vertex> vertices = m.vertices();
    if (a >= vertices.size() || bi >= vertices.size() || c >= vertices.size()) return true;
    auto placed = [&](uint16_t i) {
        return mat4_transform_point(sample.best_matrix, vec3{vertices[i].x, vertices[i].y, vertices[i].z});
    };
    const vec3 pa = placed(a);
    const vec3 e1 = placed(bi) - pa;
    const vec3 e2 = placed(c) - pa;
    const vec3 p = sample.best.point - pa;
    const float d11 = vec3_dot(e1, e1);
    const float d12 = vec3_dot(e1, e2);
    const float d22 = vec3_dot(e2, e2);
    const float denominator = d11 * d22 - d12 * d12;
    // A face without area has no weights: its first vertex's colour stands.
    if (!(std::fabs(denominator) > 1e-12f)) return true;
    const float p1 = vec3_dot(p, e1);
    const float p2 = vec3_dot(p, e2);
    const float s = (d22 * p1 - d12 * p2) / denominator;
    const float t = (d11 * p2 - d12 * p1) / denominator;
    const lmap_uv& ua = b.coords[a];
    const lmap_uv& ub = b.coords[bi];
    const lmap_uv& uc = b.coords[c];
    float u = ua.u + s * (ub.u - ua.u) + t * (uc.u - ua.u);
    float v = ua.v + s * (ub.v - ua.v) + t * (uc.v - ua.v);
    if (!std::isfinite(u) || !std::isfinite(v)) return true;
    // A hit on a face's edge can round to just below 0: the edge texel stands.
    u = std::max(u, 0.0f);
    v = std::max(v, 0.0f);
    const float texel = static_cast<float>(texture_sample(*b.textures[a], u, v));
    for (int k = 0; k < 3; ++k) rgb[k] *= texel / 255.0f;
    return true;
}

}  // namespace

box3 world_box_through(const box3& box, const mat4& matrix) {
    return box3_transform(box, matrix);
}

void world_walk_sector(world_walk& w, sector& s, const mat4& base) {
    w.stack.clear();
    w.stack.push_back(mat4_mul(base, s.transform));
    if (s.tree && !s.tree->inner.empty()) {
        walk_inner(w, s, *s.tree, 0);
    } else {
        for (scene_node* node : s.nodes.items) {
            if (!node) continue;
            object_number_enter(w.numbering, node->number);
            visit_node(w, *node);
        }
        for (mesh_instance* instance : s.meshes.items) {
            if (!instance) continue;
            object_number_enter(w.numbering, instance->number);
            visit_instance(w, *instance);
        }
    }
    w.stack.pop_back();
}

void query_area(query_area_record& record, sector& s, const box3& box) {
    server& srv = world_server_of(s);
    // Half the last frame's time, but never less than half the shortest world frame: a dedicated
    // server's frames take next to nothing, and its queries must still run.
    const int32_t budget = std::max(kernel_get().graphics.statistics.last_frame_ms, kWorldFrameMinMs) / 2;
    if (timer_section_total_ms(srv.trace_timer) >= budget) {
        // Without the budget the list is empty, never the previous query's.
        record.hits.clear();
        return;
    }
    timer_section_begin(srv.trace_timer);
    timer_section_begin(srv.trace_second_timer);
    record.box = box;
    record.hits.clear();
    record.material = nullptr;
    record.surf = nullptr;
    area_walk w(record);
    w.stack.swap(record.stack);
    w.stack.push_back(kMat4Identity);
    world_visit_stamp_advance();
    world_walk_sector(w, s, kMat4Identity);
    w.stack.swap(record.stack);
    timer_section_end(srv.trace_timer);
    timer_section_end(srv.trace_second_timer);
    ++srv.traces_this_second;
}

void lmap_sample_ray(float out[4], sector& s, const vec3& start, const vec3& direction) {
    out[0] = out[1] = out[2] = 1.0f;
    out[3] = 0.0f;
    light_sample sample;
    sample.start = start;
    sample.direction = direction;
    light_walk w(sample, s);
    if (vec3_length_sq(w.r.direction) == 0.0f) return;
    world_visit_stamp_advance();
    world_walk_sector(w, s, kMat4Identity);
    if (!sample.have_hit || !sample.binding) return;
    float rgb[3];
    if (!light_colour(sample, rgb)) return;
    out[0] = rgb[0] / 255.0f;
    out[1] = rgb[1] / 255.0f;
    out[2] = rgb[2] / 255.0f;
}

void lmap_sample_ray(float out[4], sector& s, const float ray_floats[8]) {
    lmap_sample_ray(out, s, vec3{ray_floats[0], ray_floats[1], ray_floats[2]},
                    vec3{ray_floats[4], ray_floats[5], ray_floats[6]});
}

}  // namespace kv
