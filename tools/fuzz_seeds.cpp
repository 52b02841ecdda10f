#include "tools/fuzz_seeds.h"

#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"
#include "tools/wav_writer.h"
#include "tools/world_writer.h"

namespace kv::tools {
namespace {

// A package with something in every table: imports, a screen naming one view twice, named objects
// of the kinds read by name only, an empty geometry, model and sector (listed twice) and two arty
// descriptions.
std::vector<uint8_t> full_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    w.add_import("kvbase");
    w.add_import("sky");
    const int32_t view = w.add_view("main", {0, 1, 2, 3});
    w.add_screen("menu", {view, view});
    w.add_named_object(package_table::shaders, "basic", {0, 1});
    w.add_named_object(package_table::surfaces, "s-wall");
    add_geometry(w, {.name = "g-box"});
    add_entity_def(w, {.name = "e-crate"});
    const int32_t hall = add_sector(w, {.name = "hall", .ambient_table = version == "11"});
    w.list(package_table::sectors, hall);
    w.add_arty("kvgame", "game", token_writer().key("cb:").integer(100).key("mode:").str("team").bytes());
    w.add_arty("kvdoor", "d-gate",
               token_writer().key("speed:").number(90.0f).key("gi:").str("hall:gate").bytes());
    w.add_named_object(package_table::skeletons, "body");
    w.add_named_object(package_table::animations, "walk", {0, 0, 0, 1});
    return w.finish();
}

// A world of two sectors joined by portals, with a geometry of a rigid and a skinned mesh, a model,
// placed objects (one on water), an object tree, occluders, a light-map binding, a lamp record and,
// from version 11, an ambient source.
std::vector<uint8_t> world_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    qxps_writer& q = w.qxps();
    box3 unit;
    box3_init(unit, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
    mesh_spec m;
    m.box = unit;
    m.vertices = {{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {1, 1, 0, 1, 1}, {0, 1, 0, 0, 1}};
    m.parts.push_back({100, {0, 1, 2, 0, 2, 3}, {{1, 2, 0}}, false});
    m.tree = {{unit, 2, 0}, {unit, 2, 2}};
    mesh_spec skinned = m;
    skinned.primitive_kind = 0;
    skinned.parts[0].indices = {4, 0, 1, 2, 3};
    skinned.parts[0].draws = {{1, 1, 0}};
    skinned.bones = {0, 1, 2, 3};
    add_geometry(w, {"g-box", unit, {add_mesh(q, m)}, {add_skinned_mesh(q, skinned)}});
    add_entity_def(w, {"e-crate",
                       unit,
                       {add_scene_node(q, {{}, "ap00", "e-crate", 1})},
                       {add_mesh_instance(q, {{}, "g-box", "s-wall", "wood20", 2})}});
    w.add_named_object(package_table::surfaces, "s-wall");
    const std::array<vec3, 4> door = {{{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1}}};
    const bool ambient = version == "11";
    sector_spec hall;
    hall.name = "hall";
    hall.nodes = {add_scene_node(q, {{}, "crate", "e-crate", 0})};
    hall.meshes = {add_mesh_instance(q, {{}, "g-box", "s-wall", "water1", 1})};
    object_tree_spec tree;
    tree.index_width = 0;
    tree.nodes = {{unit, {}, 0.0f, 1, 2}};
    tree.leaves = {{unit, 0, 1}, {unit, 1, 1}};
    tree.items = {0, 1};
    hall.tree = add_object_tree(q, tree);
    hall.portals = {add_portal(q, {"yard", door})};
    hall.occluder_points.assign(door.begin(), door.end());
    hall.lmap_bindings = {add_lmap_binding(q, {{{1, 2, 3}}, {{0.5f, 0.5f}}, {0}, {{3, 2, 1}}})};
    hall.lamps = {add_lamp_record(q, {1, {}, {}})};
    hall.ambient_sources = {add_ambient_source(q, {.sample = "wind", .max_distance = 100.0f})};
    hall.ambient_table = ambient;
    add_sector(w, hall);
    sector_spec yard;
    yard.name = "yard";
    yard.portals = {add_portal(q, {"fuzz:hall", door})};
    yard.ambient_table = ambient;
    add_sector(w, yard);
    return w.finish();
}

std::vector<uint8_t> small_package() {
    package_writer w;
    w.add_arty("kvlevel", "level", {});
    return w.finish();
}

std::vector<uint8_t> archive() {
    pak_writer w;
    w.add("controls.cfg", {'b', 'i', 'n', 'd', '\n'});
    w.add("level", small_package());
    w.add("empty", {});
    w.add("controls.cfg", {'x'});
    return w.finish();
}

}  // namespace

std::vector<std::string> fuzz_seed_targets() {
    return {"qxps_stream_fuzz", "pak_archive_fuzz", "package_fuzz", "world_package_fuzz", "wav_file_fuzz"};
}

std::vector<seed_file> fuzz_seeds(const std::string& target) {
    if (target == "qxps_stream_fuzz" || target == "package_fuzz") {
        return {{"full-16bit-ids", full_package(2, "11")},
                {"full-32bit-ids", full_package(4, "10")},
                {"full-8bit-ids", full_package(1, "11")},
                {"small", small_package()}};
    }
    if (target == "pak_archive_fuzz") return {{"archive", archive()}, {"empty", pak_writer().finish()}};
    if (target == "world_package_fuzz") {
        return {{"world-16bit-ids", world_package(2, "11")}, {"world-8bit-ids-v10", world_package(1, "10")}};
    }
    if (target == "wav_file_fuzz") {
        wav_spec mono;
        mono.data = wav_tone(mono.rate, 16, {0.5f}, 5, 440.0f);
        wav_spec stereo;
        stereo.channels = 2;
        stereo.bits = 8;
        stereo.format_length = 19;
        stereo.data = wav_tone(stereo.rate, 8, {0.5f, 0.25f}, 5, 440.0f);
        return {{"mono-16bit", wav_file(mono)}, {"stereo-8bit-long-format", wav_file(stereo)}};
    }
    return {};
}

}  // namespace kv::tools
