#include "world/geometry.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "world/world_read.h"

namespace kv {

std::unique_ptr<geometry> geometry_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto g = std::make_unique<geometry>();
    qxps_stream_enter_chunk(s, g.get());
    g->name = qxps_stream_read_string(s);
    g->box = world_read_box(s);
    world_read_entries(g->meshes, ctx, qxps_stream_read_u16(s), mesh_read);
    world_read_entries(g->skinned, ctx, qxps_stream_read_u16(s), geometry_mesh_read);
    qxps_stream_leave_chunk(s);
    return g;
}

std::unique_ptr<geometry> geometry_copy(const geometry& source) {
    auto out = std::make_unique<geometry>();
    out->name = source.name;
    out->box = source.box;
    for (const mesh* m : source.meshes.items) object_table_add_owned(out->meshes, mesh_copy(*m));
    for (const geometry_mesh* m : source.skinned.items)
        object_table_add_owned(out->skinned, geometry_mesh_copy(*m));
    return out;
}

mesh* geometry_find_mesh(const geometry& g, uint32_t id) {
    for (mesh* m : g.meshes.items) {
        if (m->id == id) return m;
    }
    return nullptr;
}

box3 geometry_bounds(geometry& g) {
    if (g.skinned.items.empty()) return g.box;
    bool first = true;
    auto add = [&](const mesh& m) {
        if (first) {
            g.box = m.box;
            first = false;
        } else {
            box3_add_box(g.box, m.box);
        }
    };
    for (const mesh* m : g.meshes.items) add(*m);
    for (const geometry_mesh* m : g.skinned.items) add(*m);
    return g.box;
}

}  // namespace kv
