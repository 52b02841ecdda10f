// Reads arbitrary bytes as a package holding world objects (geometries, models, sectors with their
// portals, trees, occluders, light-map bindings, lamps and ambient sources), resolves its
// references, then walks what was read the way the world's users do: portal crossings, the object
// tree, mesh box trees and primitive runs, model copies and bounds, and the ambient sources' steps
// (their waits from any intervals). Damage must be refused at load; nothing read may lead a walk out
// of bounds. Unloading must leave no water instance behind.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "sound/ambient_source.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/sector.h"
#include "world/surface_table.h"

using namespace kv;

namespace {

uint32_t walk_tree(const object_tree& tree, uint32_t node, uint32_t object_count) {
    uint32_t visited = 0;
    for (uint32_t child : tree.inner[node].child) {
        const uint32_t inner = static_cast<uint32_t>(tree.inner_count);
        if (child < inner) {
            visited += walk_tree(tree, child, object_count);
            continue;
        }
        const object_tree_leaf& leaf = tree.leaves[child - inner];
        for (uint32_t i = leaf.first_item; i < leaf.first_item + leaf.item_count; ++i) {
            if (tree.items[i] >= object_count) abort();
            ++visited;
        }
    }
    return visited;
}

void walk_mesh(const mesh& m) {
    for (int32_t i = 0; i < static_cast<int32_t>(m.tree.size()) * 2 + 3; ++i) {
        const mesh_tree_node node = mesh_box_node(m, i);
        if (node.first_vertex + node.vertex_count > m.vertex_count) abort();
        if (!mesh_box_is_leaf(m, i)) continue;
        const mesh_part* part = mesh_find_part(m, 2147483647);
        if (!part) continue;
        for (uint32_t position : mesh_primitives_in_range(*part, m.primitive_kind, node.first_vertex,
                                                          node.first_vertex + node.vertex_count)) {
            if (position >= part->indices.size()) abort();
            if (part->indices[position] >= m.vertex_count) abort();
        }
    }
    for (const mesh_part& part : m.parts) {
        for (const mesh_draw_record& draw : part.draws) {
            if (draw.first_index > part.indices.size()) abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kernel& k = kernel_get();
    if (k.surfaces.rows.empty()) surface_table_build(k.surfaces);
    server srv;
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk_reader(data, size));
    if (!package_list_load(srv, "fuzz", stream)) {
        ref_list().items.clear();
        if (!srv.water_instances.empty()) abort();
        return 0;
    }
    package& p = *srv.packages.front();
    ref_list_resolve(ref_list(), srv.packages);

    for (geometry* g : p.geometries.items) {
        geometry_bounds(*g);
        for (const mesh* m : g->meshes.items) walk_mesh(*m);
        for (const geometry_mesh* m : g->skinned.items) walk_mesh(*m);
        geometry_copy(*g);
    }
    for (entity_def* model : p.entities.items) {
        auto copy = entity_def_copy(*model);
        entity_def_attach(*copy, 3, model);
        entity_def_merge_bounds(*copy);
        entity_def_detach(*copy, 3);
    }
    const vec3 from{-1.0f, 0.0f, 0.0f};
    const vec3 to{1.0f, 0.0f, 0.0f};
    for (sector* s : p.sectors.items) {
        sector_pass_portals(*s, from, to);
        sector_pass_portals(*s, to, from);
        for (const portal* door : s->portals.items) {
            const vec3 centre = (door->points[0] + door->points[2]) * 0.5f;
            sector_pass_portals(*s, centre + vec3{0.0f, 0.0f, -1.0f}, centre + vec3{0.0f, 0.0f, 1.0f});
        }
        const uint32_t object_count = static_cast<uint32_t>(s->nodes.items.size() + s->meshes.items.size());
        if (s->tree && s->tree->inner_count > 0) walk_tree(*s->tree, 0, object_count);
        for (occluder& occ : s->occluders) occluder_apparent_size(occ, {}, {0.0f, 0.0f, 1.0f});
        for (ambient_source* a : s->ambient_sources.items) {
            ambient_source_tick(*a, *s);
            ambient_source_tick(*a, *s);
        }
    }
    package_destroy(srv, p);
    if (!srv.water_instances.empty()) abort();
    return 0;
}
