#pragma once
// What the soldier tests' levels are made of: boxes, level surfaces and standing panes, the two spawn
// points of their field, and hit maps striped by zone.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/beings_writer.h"
#include "tools/package_writer.h"
#include "tools/targa_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

inline box3 box_of(const vec3& lo, const vec3& hi) {
    box3 b;
    box3_init(b, lo, hi);
    return b;
}

// A closed box of twelve triangles, faces outwards.
inline tools::mesh_desc box_mesh(const vec3& lo, const vec3& hi) {
    tools::mesh_desc m;
    m.box = box_of(lo, hi);
    for (int i = 0; i < 8; ++i) {
        m.vertices.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z,
                              (i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
    }
    tools::mesh_desc::part part;
    part.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                    2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    part.draws = {{0, 12, 0}};
    m.parts = {part};
    m.tree = {{m.box, 8, 0}};
    return m;
}

// A level surface at height y: two triangles facing up, or with `both_sides` also two facing down.
inline tools::mesh_desc level_quad(float x0, float x1, float z0, float z1, float y, bool both_sides = false) {
    tools::mesh_desc m;
    m.box = box_of({x0, y, z0}, {x1, y, z1});
    m.vertices = {
        {x0, y, z0, 0.0f, 0.0f}, {x1, y, z0, 1.0f, 0.0f}, {x1, y, z1, 1.0f, 1.0f}, {x0, y, z1, 0.0f, 1.0f}};
    tools::mesh_desc::part part;
    if (both_sides) {
        part.indices = {0, 2, 1, 0, 3, 2, 0, 1, 2, 0, 2, 3};
        part.draws = {{0, 4, 0}};
    } else {
        part.indices = {0, 2, 1, 0, 3, 2};
        part.draws = {{0, 2, 0}};
    }
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

// A pane standing in the plane x = x0 from z0 to z1, 400 high, both sides.
inline tools::mesh_desc pane(float x0, float z0, float z1) {
    tools::mesh_desc m;
    m.box = box_of({x0, 0.0f, z0}, {x0, 400.0f, z1});
    m.vertices = {{x0, 0.0f, z0, 0.0f, 0.0f},
                  {x0, 400.0f, z0, 1.0f, 0.0f},
                  {x0, 400.0f, z1, 1.0f, 1.0f},
                  {x0, 0.0f, z1, 0.0f, 1.0f}};
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};
    part.draws = {{0, 4, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

// A level of one sector "field" on the demo soldiers' package: `add` paints each mesh (surface
// "paint") with a material; `write_field` writes the sector of the meshes added, then the game object
// and the bound camera. The caller adds the rest and finishes the writer.
class field_level {
public:
    field_level() {
        w.add_import(tools::kDemoBeingsPackage);
        w.add_surface("paint");
    }
    void add(const tools::mesh_desc& m, const char* material) {
        const std::string name = "g" + std::to_string(meshes_.size());
        tools::add_geometry(w, {name, m.box, {tools::add_mesh(w.qxps(), m)}, {}});
        meshes_.push_back(tools::add_mesh_instance(w.qxps(), {{}, name, "paint", material, 0}));
    }
    void write_field() {
        tools::sector_desc field;
        field.name = "field";
        field.meshes = meshes_;
        tools::add_sector(w, field);
        w.add_arty("kvgame", "game", tools::token_writer().key("cb:").integer(33).bytes());
        w.add_arty("kvbound_camera", "cam", {});
    }

    tools::package_writer w;

private:
    std::vector<int32_t> meshes_;
};

// Two spawn points in the sector "field", 500 units apart along x, at eye height `eye`, facing +z.
inline void add_field_spawn_points(tools::package_writer& w, float eye) {
    for (int i = 0; i < 2; ++i) {
        w.add_arty("kvspawn_point", "sp" + std::to_string(i),
                   tools::token_writer()
                       .key("sector:")
                       .str("field")
                       .key("posx:")
                       .number(-500.0f * static_cast<float>(i))
                       .key("posy:")
                       .number(eye)
                       .key("angle:")
                       .number(90.0f)
                       .bytes());
    }
}

// An 8 x 8 hit map whose rows are the zones: head 16, chest 32, legs 144.
inline std::vector<uint8_t> striped_hit_map() {
    tools::targa8_desc map;
    map.width = map.height = 8;
    for (int row = 0; row < 8; ++row) {
        const uint8_t zone = row < 2 ? 16 : row < 5 ? 32 : 144;
        for (int column = 0; column < 8; ++column) map.texels.push_back(zone);
    }
    return tools::targa8(map);
}

}  // namespace kv
