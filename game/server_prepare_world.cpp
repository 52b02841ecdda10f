// Light maps of a level just loaded: the faces of every sector's light-mapped
// meshes are packed, sector by sector, into pages that then replace the front
// end's light-map store, and every binding is given its page textures.
//
// Face groups: every mesh collected from a sector's objects whose primitive
// kind is triangles gives the triangles of its first part at level 100 or
// below; each draw record of that part is a group of its triangles, keyed by
// the draw id. Groups of one sector with the same draw id are one group, and
// groups go onto pages in draw-id order.

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <vector>

#include "data/package.h"
#include "game/server_world.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/lmap_binding.h"
#include "world/lmap_file.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

// The number of objects whose meshes have no binding.
constexpr uint32_t kNoBinding = 0xFFFF;
constexpr std::size_t kTriangleSize = 3;

struct lit_mesh {
    mesh* m;
    lmap_binding* binding;
};

// The walk over one sector's objects. Every object is taken (there is no box to
// test); numbers follow the walks' numbering, so a binding is found here under
// the number every other walk gives its mesh.
struct sector_walk {
    sector& owner;
    object_numbering number;
    std::vector<lit_mesh> collected;
};

// Mesh `first + i` of the list takes the binding of number current + first + i: skinned meshes
// follow the rigid ones, as in every walk.
template <class T>
void collect(sector_walk& w, const std::vector<T*>& meshes, uint32_t first) {
    if (w.number.current == kNoBinding) return;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        const uint32_t index = object_number_mesh(w.number, first + static_cast<uint32_t>(i));
        if (index >= w.owner.lmap_bindings.items.size()) continue;
        lmap_binding* binding = w.owner.lmap_bindings.items[index];
        if (meshes[i] && binding) w.collected.push_back({meshes[i], binding});
    }
}

void visit_instance(sector_walk& w, mesh_instance& instance) {
    if (!world_visit_mark(instance.visit_stamp) || !instance.geom) return;
    collect(w, instance.geom->meshes.items, 0);
    collect(w, instance.geom->skinned.items, static_cast<uint32_t>(instance.geom->meshes.items.size()));
}

void visit_node(sector_walk& w, scene_node& node) {
    if (!world_visit_mark(node.visit_stamp) || !node.model) return;
    for (scene_node* child : node.model->nodes.items)
        if (child) visit_node(w, *child);
    for (mesh_instance* instance : node.model->meshes.items)
        if (instance) visit_instance(w, *instance);
}

// A top-level object: a table entry, or an item of a tree leaf.
void visit_item(sector_walk& w, uint32_t item) {
    const std::size_t node_count = w.owner.nodes.items.size();
    if (item < node_count) {
        scene_node* node = w.owner.nodes.items[item];
        if (!node) return;
        object_number_enter(w.number, node->number);
        visit_node(w, *node);
        return;
    }
    const std::size_t index = item - node_count;
    if (index >= w.owner.meshes.items.size() || !w.owner.meshes.items[index]) return;
    mesh_instance& instance = *w.owner.meshes.items[index];
    object_number_enter(w.number, instance.number);
    visit_instance(w, instance);
}

void visit_child(sector_walk& w, const object_tree& tree, uint32_t child, int depth);

void visit_tree_node(sector_walk& w, const object_tree& tree, uint32_t n, int depth) {
    if (depth > kObjectTreeMaxDepth || n >= tree.inner.size()) return;
    visit_child(w, tree, tree.inner[n].child[0], depth + 1);
    visit_child(w, tree, tree.inner[n].child[1], depth + 1);
}

void visit_child(sector_walk& w, const object_tree& tree, uint32_t child, int depth) {
    const auto inner = static_cast<uint32_t>(tree.inner_count);
    if (child < inner) {
        visit_tree_node(w, tree, child, depth);
        return;
    }
    if (child - inner >= tree.leaves.size()) return;
    const object_tree_leaf& leaf = tree.leaves[child - inner];
    for (uint32_t i = 0; i < leaf.item_count; ++i) {
        const std::size_t at = static_cast<std::size_t>(leaf.first_item) + i;
        if (at >= tree.items.size()) return;
        visit_item(w, tree.items[at]);
    }
}

std::vector<lit_mesh> collect_sector(sector& s) {
    sector_walk w{s, {}, {}};
    world_visit_stamp_advance();
    if (s.tree && s.tree->inner_count > 0 && !s.tree->inner.empty()) {
        visit_tree_node(w, *s.tree, 0, 0);
    } else {
        const auto nodes = static_cast<uint32_t>(s.nodes.items.size());
        const auto instances = static_cast<uint32_t>(s.meshes.items.size());
        for (uint32_t i = 0; i < nodes + instances; ++i) visit_item(w, i);
    }
    return std::move(w.collected);
}

// The vertices of each binding that a face record covers.
using lmap_coverage = std::map<lmap_binding*, std::vector<bool>>;

// The face groups of the sector's lit meshes. A binding shared with a sector prepared before keeps
// the pages it got there.
void group_faces(const std::vector<lit_mesh>& lit, const lmap_file& store, lmap_coverage& covered,
                 lmap_face_groups& groups) {
    std::set<lmap_binding*> taken;
    for (const lit_mesh& l : lit) {
        if (l.m->primitive_kind != kMeshTriangles || covered.count(l.binding)) continue;
        taken.insert(l.binding);
        const mesh_part* part = mesh_find_part(*l.m, kMeshPartIntact);
        if (!part) continue;
        for (const mesh_draw_record& draw : part->draws) {
            const std::size_t first = draw.first_index;
            if (first >= part->indices.size()) continue;
            const std::size_t count = std::min<std::size_t>(std::size_t{draw.primitive_count} * kTriangleSize,
                                                            part->indices.size() - first);
            lmap_binding_prepare(*l.binding, store, groups[draw.draw_id],
                                 std::span<const uint16_t>(part->indices).subspan(first, count));
        }
    }
    for (lmap_binding* binding : taken) covered[binding].assign(binding->ids.size(), false);
    for (const auto& [key, records] : groups)
        for (const lmap_face_record& r : records)
            for (uint16_t vertex : r.face)
                if (vertex < r.binding->ids.size()) covered[r.binding][vertex] = true;
}

// Ids that no face moved into a page still name images of the file, which are gone.
void forget_uncovered(lmap_binding& binding, const lmap_coverage& covered) {
    const auto it = covered.find(&binding);
    for (std::size_t i = 0; i < binding.ids.size(); ++i)
        if (it == covered.end() || !it->second[i]) binding.ids[i] = -1;
}

}  // namespace

void server_prepare_world(server&, package* level) {
    gfx& graphics = kernel_get().graphics;
    const int32_t max_side = gfx_max_texture_side(graphics);
    lmap_file pages;
    lmap_coverage covered;
    if (level) {
        for (sector* s : level->sectors.items) {
            if (!s) continue;
            lmap_face_groups groups;
            group_faces(collect_sector(*s), graphics.lightmaps, covered, groups);
            lmap_pack(graphics.lightmaps, pages, groups, max_side);
        }
    }
    // Page textures made over the old images would outlive them.
    lmap_registry_clear();
    lmap_file_assign(graphics.lightmaps, pages);
    if (!level) return;
    for (sector* s : level->sectors.items) {
        if (!s) continue;
        for (lmap_binding* binding : s->lmap_bindings.items)
            if (binding) {
                forget_uncovered(*binding, covered);
                lmap_binding_fill(*binding);
            }
    }
}

}  // namespace kv
