#include "gfx/sector_draw.h"

#include <algorithm>
#include <cmath>

#include "beings/entity.h"
#include "gfx/draw_lists.h"
#include "gfx/gfx.h"
#include "gfx/portal_walk.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/lmap_binding.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

box3 eye_box_of(const gfx& g, const box3& box) {
    return box3_transform(box, view_stack_top(g.views));
}

bool first_person_object(const gfx& g) {
    return g.context.flags && (*g.context.flags & kDrawFirstPerson);
}

const lmap_binding* lightmap_entry(const gfx& g, uint32_t number) {
    const object_table<lmap_binding>* table = g.context.lightmaps;
    if (!table || number >= table->items.size()) return nullptr;
    return table->items[number];
}

// A scene node of the sector's table or of a tree leaf.
void draw_top_node(gfx& g, scene_node& node) {
    if (node.visit_stamp == world_visit_stamp()) return;
    g.context.flags = nullptr;
    g.context.light = nullptr;
    object_number_enter(g.context.numbering, node.number);
    if (node.model) {
        view_stack_push_matrix(g.views, node.transform);
        gfx_draw_entity_def(g, *node.model, node.number, false);
        view_stack_pop_matrix(g.views);
    }
    node.visit_stamp = world_visit_stamp();
}

// A mesh instance of the sector's table or of a tree leaf; a limit surface is not drawn here.
void draw_top_instance(gfx& g, mesh_instance& instance) {
    if (instance.material && instance.material->kind == kSurfaceKindLimit) return;
    if (instance.visit_stamp == world_visit_stamp()) return;
    g.context.flags = &instance.flags;
    g.context.light = nullptr;
    object_number_enter(g.context.numbering, instance.number);
    if (instance.geom) {
        view_stack_push_matrix(g.views, instance.transform);
        gfx_draw_geometry(g, *instance.geom, instance.surf);
        view_stack_pop_matrix(g.views);
    }
    instance.visit_stamp = world_visit_stamp();
}

// The camera position in the sector's space.
vec3 eye_in_sector(const gfx& g, const sector& s) {
    return mat4_transform_point(mat4_inverse_affine(s.transform), g.camera.position);
}

void draw_tree_child(gfx& g, sector& s, uint32_t child, int depth, const vec3& eye);

void draw_tree_node(gfx& g, sector& s, uint32_t node, int depth, const vec3& eye) {
    const object_tree& tree = *s.tree;
    while (true) {
        if (depth > kObjectTreeMaxDepth || node >= tree.inner.size()) return;
        const object_tree_node& n = tree.inner[node];
        if (!gfx_box_visible(g, eye_box_of(g, n.box), -1)) return;
        ++g.counters.tree_nodes;
        const float side = vec3_dot(n.point, eye) + n.value;
        const uint32_t near_child = side > 0.0f ? n.child[0] : n.child[1];
        const uint32_t far_child = side > 0.0f ? n.child[1] : n.child[0];
        draw_tree_child(g, s, near_child, depth + 1, eye);
        const auto inner = static_cast<uint32_t>(g.context.tree_nodes);
        if (far_child >= inner) {
            gfx_draw_sector_tree_leaf(g, s, far_child - inner);
            return;
        }
        node = far_child;
        ++depth;
    }
}

void draw_tree_child(gfx& g, sector& s, uint32_t child, int depth, const vec3& eye) {
    const auto inner = static_cast<uint32_t>(g.context.tree_nodes);
    if (child >= inner) {
        gfx_draw_sector_tree_leaf(g, s, child - inner);
        return;
    }
    draw_tree_node(g, s, child, depth, eye);
}

}  // namespace

bool gfx_box_visible(const gfx& g, const box3& eye_box, int32_t n) {
    return gfx_view_volume_pass(g, eye_box) && gfx_cull_planes_pass(g, eye_box, n);
}

int32_t gfx_detail_level(const box3& box) {
    const float d = (box.min.z + box.max.z) / 2.0f;
    const float size = ((box.max.y - box.min.y) + (box.max.x - box.min.x) + (box.max.z - box.min.z)) / 3.0f;
    float f = 1.0f;
    if (d > kDetailFar) {
        f = 0.0f;
    } else if (d >= kDetailNear) {
        f = 1.0f - (d - kDetailNear) / (kDetailFar - kDetailNear);
    }
    const float v = size > kDetailLargeSize ? size / kDetailLargeSize * (f + 0.01f) : f;
    const float level = v * 100.0f;
    if (!(level > 0.0f)) return 0;
    if (level >= 101.0f) return kFullDetail;
    return std::min(static_cast<int32_t>(level), kFullDetail);
}

void gfx_draw_sector(gfx& g, sector& s) {
    gfx_draw_context& c = g.context;
    if (g.options.occluders_on) gfx_collect_occluders(g, s, false);

    // The entities standing here, whatever their stamps.
    c.lightmaps = nullptr;
    for (entity* e : s.entities) {
        if (!e || !e->model_root || !e->model_root->model) continue;
        c.flags = &e->node_tint.flags;
        c.light = (e->node_tint.flags & kDrawTinted) ? &e->node_tint.red : nullptr;
        view_stack_push_matrix(g.views, e->model_root->transform);
        gfx_draw_entity_def(g, *e->model_root->model, 0, true);
        view_stack_pop_matrix(g.views);
    }
    c.flags = nullptr;
    c.light = nullptr;

    view_stack_push_matrix(g.views, s.transform);
    c.lightmaps = s.lmap_bindings.items.empty() ? nullptr : &s.lmap_bindings;
    if (s.tree && s.tree->inner_count > 0 && !s.tree->inner.empty()) {
        c.tree_nodes = s.tree->inner_count;
        draw_tree_node(g, s, 0, 0, eye_in_sector(g, s));
    } else {
        for (scene_node* node : s.nodes.items) {
            if (node) draw_top_node(g, *node);
        }
        c.flags = nullptr;
        for (mesh_instance* instance : s.meshes.items) {
            if (instance) draw_top_instance(g, *instance);
        }
    }
    c.flags = nullptr;
    c.light = nullptr;
    c.lightmaps = nullptr;
    view_stack_pop_matrix(g.views);
    s.render_stamp = world_visit_stamp();
}

void gfx_draw_sector_tree_node(gfx& g, sector& s, uint32_t node) {
    if (!s.tree) return;
    g.context.tree_nodes = s.tree->inner_count;
    draw_tree_node(g, s, node, 0, eye_in_sector(g, s));
}

void gfx_draw_sector_tree_leaf(gfx& g, sector& s, uint32_t leaf) {
    if (!s.tree || leaf >= s.tree->leaves.size()) return;
    const object_tree& tree = *s.tree;
    const object_tree_leaf& l = tree.leaves[leaf];
    if (!gfx_box_visible(g, eye_box_of(g, l.box), -1)) return;
    ++g.counters.tree_leaves;
    const std::size_t node_count = s.nodes.items.size();
    for (uint32_t i = 0; i < l.item_count; ++i) {
        const std::size_t at = static_cast<std::size_t>(l.first_item) + i;
        if (at >= tree.items.size()) break;
        const uint32_t item = tree.items[at];
        if (item < node_count) {
            if (scene_node* node = s.nodes.items[item]) draw_top_node(g, *node);
            continue;
        }
        const std::size_t index = item - node_count;
        if (index < s.meshes.items.size() && s.meshes.items[index]) {
            g.context.flags = nullptr;
            draw_top_instance(g, *s.meshes.items[index]);
        }
    }
}

void gfx_draw_entity_def(gfx& g, entity_def& def, uint16_t skip_count, bool force) {
    if (!gfx_box_visible(g, eye_box_of(g, def.box), -1) && !first_person_object(g)) {
        object_number_skip(g.context.numbering, skip_count);
        return;
    }
    if (g.context.model_depth >= kMaxModelDepth) return;
    ++g.context.model_depth;
    const uint16_t stamp = world_visit_stamp();
    for (scene_node* node : def.nodes.items) {
        if (!node || (!force && node->visit_stamp == stamp)) continue;
        // Stamped first: a model that holds itself is not entered again through the same node.
        node->visit_stamp = stamp;
        if (node->model) {
            view_stack_push_matrix(g.views, node->transform);
            gfx_draw_entity_def(g, *node->model, node->number, force);
            view_stack_pop_matrix(g.views);
        }
    }
    for (mesh_instance* instance : def.meshes.items) {
        if (!instance || (!force && instance->visit_stamp == stamp)) continue;
        if (instance->geom) {
            view_stack_push_matrix(g.views, instance->transform);
            gfx_draw_geometry(g, *instance->geom, instance->surf);
            view_stack_pop_matrix(g.views);
        }
        instance->visit_stamp = stamp;
    }
    --g.context.model_depth;
}

void gfx_draw_geometry(gfx& g, geometry& geom, const surface* s) {
    const box3 box = eye_box_of(g, geom.box);
    if (!gfx_box_visible(g, box, -1) && !first_person_object(g)) return;
    gfx_draw_context& c = g.context;
    c.nearest = std::min(c.nearest, box.min.z);
    c.farthest = std::max(c.farthest, box.max.z);
    const int32_t level = g.options.LOD_on ? gfx_detail_level(box) : kFullDetail;
    uint32_t i = 0;
    for (mesh* m : geom.meshes.items) {
        if (m) gfx_draw_geometry_part(g, *m, s, level, lightmap_entry(g, object_number_mesh(c.numbering, i)));
        ++i;
    }
    for (geometry_mesh* m : geom.skinned.items) {
        if (m) gfx_draw_geometry_part(g, *m, s, level, lightmap_entry(g, object_number_mesh(c.numbering, i)));
        ++i;
    }
}

void gfx_draw_geometry_part(gfx& g, mesh& m, const surface* s, int32_t level, const lmap_binding* entry) {
    if (!s) return;
    mesh_part* variant = mesh_find_part(m, level);
    if (!variant || variant->state == 0) return;
    if (!g.switches.first_person && first_person_object(g)) return;
    const mat4& top = view_stack_top(g.views);
    for (mesh_draw_record& record : variant->draws)
        draw_list_submit(g, m, *variant, record, *s, top, entry, g.context.light);
}

}  // namespace kv
