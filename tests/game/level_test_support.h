#pragma once
// Shared set-up of the level-object tests: the world-server fixture with the surface table built, and
// a level package "level" written with the package writer: one sector "room" holding a door "door1"
// (x 0 to 100, y 0 to 200, z -5 to 5) and a ladder "ladder1" (x 0 to 40, y 0 to 300, z 0 to 10),
// each at its own transform, and an ambient sound "hum", plus the arty descriptions a test asks for. Beings'
// bodies are entities of the world server's list.

#include <memory>
#include <string>
#include <vector>

#include "beings/entity.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "tests/game/game_test_support.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"
#include "world/entity_def.h"
#include "world/surface_table.h"

namespace kv {

struct level_arty {
    std::string class_name;
    std::string instance_name;
    tools::token_writer parameters;
};

class level_test : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
    }

    // Writes the level, loads it as the game package and resolves its references.
    void load_level(const std::vector<level_arty>& arties, const tools::transform_block& door_at = {},
                    const tools::transform_block& ladder_at = {}) {
        tools::package_writer w;
        tools::qxps_writer& q = w.qxps();
        box3 door_box;
        box3_init(door_box, {0.0f, 0.0f, -5.0f}, {100.0f, 200.0f, 5.0f});
        box3 ladder_box;
        box3_init(ladder_box, {0.0f, 0.0f, 0.0f}, {40.0f, 300.0f, 10.0f});
        tools::add_geometry(w, {"door1", door_box, {}, {}});
        tools::add_geometry(w, {"ladder1", ladder_box, {}, {}});
        tools::sector_desc room;
        room.name = "room";
        room.meshes = {tools::add_mesh_instance(q, {door_at, "door1", "", "", 1}),
                       tools::add_mesh_instance(q, {ladder_at, "ladder1", "", "", 2})};
        room.ambient_sources = {tools::add_ambient_source(q, {.sample = "hum"})};
        tools::add_sector(w, room);
        for (const level_arty& a : arties) w.add_arty(a.class_name, a.instance_name, a.parameters.bytes());
        write_data("maps/level", w.finish());
        srv_.game_package = "level";
        ASSERT_TRUE(load_package(srv_, "level", true)) << log();
        ref_list_resolve(ref_list(), srv_.packages);
    }

    // Unloads the level and destroys its arties.
    void unload_level() {
        package_destroy(srv_, *package_list_find(srv_.packages, "level"));
        arty_factory_clear_callbacks(srv_.factory);
        arty_factory_collect(srv_.factory);
    }

    sector& room() { return *package_list_find(srv_.packages, "level")->sectors.items[0]; }
    mesh_instance& door_instance() { return *room().meshes.items[0]; }
    mesh_instance& ladder_instance() { return *room().meshes.items[1]; }

    template <class T>
    T* find(const std::string& name) {
        return arty_factory_find_by_name_as<T>(srv_.factory, name);
    }

    // A being's body standing at a world position in the room.
    entity& add_body(const std::string& name, const vec3& position) {
        auto e = std::make_unique<entity>();
        entity_create(*e, name);
        e->in_sector = &room();
        place_body(*e, position);
        srv_.entities.push_back(std::move(e));
        return *srv_.entities.back();
    }

    // Places the body so that its world matrix stands at the position.
    static void place_body(entity& e, const vec3& position) {
        mat4_set_translation(e.placement, position.x, position.y - e.centre.y, position.z);
    }
};

}  // namespace kv
