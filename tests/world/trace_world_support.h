#pragma once
// A level written with the package writer for the trace, query and collision tests.
//
// Sector "hall" (at the origin) opens through a portal in the plane x = 100 onto sector "room".
// The hall holds a "shoot" quad at x = 50 (never reported), a water quad at x = 60 and a reed
// (foliage) quad at x = 70; the room holds a metal wall at x = 200. Every quad spans -100..100 on y
// and z and faces -x. The model "soldier" (box -20..20) has one mesh instance of the geometry "body":
// a vertical quad (x = 0, first vertex u 0.5, v 0.25, draw id 1) and a horizontal one (y = 0).

#include <bit>
#include <string>

#include "game/server_entities.h"
#include "tests/world/world_test_support.h"
#include "tools/targa_writer.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/sector.h"

namespace kv {

inline tools::mesh_desc test_quad(float x, float half, uint16_t number_of_quads = 1) {
    tools::mesh_desc m;
    m.primitive_kind = kMeshQuads;
    box3_init(m.box, {x, -half, -half}, {x, half, half});
    m.vertices = {{x, -half, -half, 0.5f, 0.25f},
                  {x, -half, half, 0.0f, 0.0f},
                  {x, half, half, 0.0f, 0.0f},
                  {x, half, -half, 0.0f, 0.0f}};
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 3};
    part.draws.push_back({1, number_of_quads, 0});
    m.parts.push_back(part);
    return m;
}

class trace_world : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        tools::package_writer level;
        auto& q = level.qxps();
        level.add_surface("paint");
        auto geometry_of = [&](const std::string& name, const tools::mesh_desc& m) {
            tools::add_geometry(level, {name, m.box, {tools::add_mesh(q, m)}, {}});
        };
        geometry_of("shoot", test_quad(50.0f, 100.0f));
        geometry_of("water", test_quad(60.0f, 100.0f));
        geometry_of("reed", test_quad(70.0f, 100.0f));
        geometry_of("wall", test_quad(200.0f, 100.0f));
        tools::mesh_desc body = test_quad(0.0f, 20.0f);
        body.vertices.push_back({-20.0f, 0.0f, -20.0f, 0.5f, 0.25f});
        body.vertices.push_back({-20.0f, 0.0f, 20.0f, 0.0f, 0.0f});
        body.vertices.push_back({20.0f, 0.0f, 20.0f, 0.0f, 0.0f});
        body.vertices.push_back({20.0f, 0.0f, -20.0f, 0.0f, 0.0f});
        body.parts[0].indices = {0, 1, 2, 3, 4, 5, 6, 7};
        body.parts[0].draws[0].primitive_count = 2;
        box3_init(body.box, {-20.0f, -20.0f, -20.0f}, {20.0f, 20.0f, 20.0f});
        geometry_of("body", body);
        const int32_t body_instance = tools::add_mesh_instance(q, {{}, "body", "paint", "metal1", 0});
        tools::add_entity_def(level, {"soldier", test_box(-20.0f, 20.0f), {}, {body_instance}});

        tools::sector_desc hall;
        hall.name = "hall";
        hall.meshes = {tools::add_mesh_instance(q, {{}, "shoot", "paint", "shoot", 0}),
                       tools::add_mesh_instance(q, {{}, "water", "paint", "water1", 1}),
                       tools::add_mesh_instance(q, {{}, "reed", "paint", "reed", 2})};
        hall.portals = {tools::add_portal(
            q, {"room", {{{100, -100, -100}, {100, 100, -100}, {100, 100, 100}, {100, -100, 100}}}})};
        tools::add_sector(level, hall);
        tools::sector_desc room;
        room.name = "room";
        room.meshes = {tools::add_mesh_instance(q, {{}, "wall", "paint", "metal1", 0})};
        tools::add_sector(level, room);
        write_package("level", level);
        ASSERT_TRUE(load_package(srv_, "level", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        level_ = find("level");
        ASSERT_TRUE(level_);
        hall_ = level_->sectors.items[0];
        room_ = level_->sectors.items[1];
        ASSERT_EQ(hall_->name, "hall");
        soldier_ = level_->entities.items[0];
    }

    // An active player whose body stands at the position in the sector.
    entity* add_player(uint32_t id, const vec3& at, sector* in) {
        srv_.players.emplace_back(id);
        player_record_set(srv_.players.back(), "p", 0, 0, 0, 0, kSlotPlaying);
        server_entity_select(srv_, "pid" + std::to_string(id));
        entity* e = server_entity_current(srv_);
        server_entity_deselect(srv_);
        e->model_root = std::make_unique<scene_node>();
        scene_node_init(*e->model_root, "root", soldier_);
        mat4_set_translation(e->model_root->transform, at.x, at.y, at.z);
        e->in_sector = in;
        return e;
    }

    // Hit map 0: 4 x 4, texel (row, column) = 10 + 4 row + column.
    void write_hit_map() {
        tools::targa8_desc map;
        map.width = 4;
        map.height = 4;
        for (int i = 0; i < 16; ++i) map.texels.push_back(static_cast<uint8_t>(10 + i));
        write_data("tex/tga/hitmap0.tga", tools::targa8(map));
        srv_.texture_dir = "tga/";
    }

    package* level_ = nullptr;
    sector* hall_ = nullptr;
    sector* room_ = nullptr;
    entity_def* soldier_ = nullptr;
};

}  // namespace kv
