#include "tools/fuzz_seeds.h"

#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"

namespace kv::tools {
namespace {

// A package with something in every table: imports, a screen naming one view twice (its viewport
// named twice too), a shader, a surface of a description and a reference, named objects of the kinds
// read by name only, an empty geometry, model and sector (listed twice) and two arty descriptions.
std::vector<uint8_t> full_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    w.add_import("kvbase");
    w.add_import("sky");
    viewport_spec whole;
    whole.name = "full";
    const int32_t viewport = w.add_viewport(whole);
    const int32_t view = w.add_view_record("main", {viewport, viewport});
    w.add_screen("menu", {view, view});
    w.add_shader("basic", {token_writer().str("tex").str("$0").bytes(),
                           token_writer().str("bfcull").str("off").bytes()});
    w.add_surface("s-wall", {description_layer(token_writer().str("paint").str("basic").str("wall").bytes()),
                             reference_layer("s-wall")});
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
    w.add_surface("s-wall");
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

// The renderer's records behind a layer description: a 16-bit size, the description (a token list
// that the target hands every shader as its "$" arguments), then a package of shaders with every
// kind of command, surfaces of descriptions and a reference, and a screen whose two views share
// their viewports.
std::vector<uint8_t> render_package(uint8_t id_width) {
    package_writer w(id_width, "11");
    viewport_spec left;
    left.name = "left";
    left.width = 500;
    viewport_spec right;
    right.name = "right";
    right.x = 500;
    right.width = 500;
    right.axis[1] = 1.0f;
    right.angle = 0.5f;
    const int32_t l = w.add_viewport(left);
    const int32_t r = w.add_viewport(right);
    w.add_screen("main", {w.add_view_record("a", {l, r}), w.add_view_record("b", {r, l})});
    w.add_shader("paint", {token_writer().str("tex").str("$1").bytes(),
                           token_writer().str("bfcull").str("off").bytes(),
                           token_writer().str("dcolor").integer(1).number(0.5f).str("$2").bytes(),
                           token_writer().str("call").str("stone").bytes(),
                           token_writer().str("glow").bytes(), token_writer().integer(3).str("tex").bytes()});
    w.add_shader("basicmap", {token_writer().str("tex").str("$1").bytes()});
    w.add_surface("s-wall",
                  {description_layer(token_writer().str("layer").str("paint").str("brick").bytes())});
    w.add_surface("s-ref",
                  {reference_layer("s-wall"),
                   description_layer(token_writer().str("layer").str("basicmap").str("lm1").bytes())});
    const std::vector<uint8_t> layer =
        token_writer().str("layer").str("paint").str("stone").number(0.25f).bytes();
    byte_writer seed;
    put_u16(seed, static_cast<uint16_t>(layer.size()));
    put_bytes(seed, layer);
    put_bytes(seed, w.finish());
    return seed.bytes;
}

}  // namespace

std::vector<std::string> fuzz_seed_targets() {
    return {"qxps_stream_fuzz", "pak_archive_fuzz", "package_fuzz", "world_package_fuzz",
            "render_package_fuzz"};
}

std::vector<seed_file> fuzz_seeds(const std::string& target) {
    if (target == "qxps_stream_fuzz" || target == "package_fuzz") {
        return {{"full-16bit-ids", full_package(2, "11")},
                {"full-32bit-ids", full_package(4, "10")},
                {"full-8bit-ids", full_package(1, "11")},
                {"small", small_package()}};
    }
    if (target == "pak_archive_fuzz") return {{"archive", archive()}, {"empty", pak_writer().finish()}};
    if (target == "render_package_fuzz")
        return {{"render-16bit-ids", render_package(2)}, {"render-8bit-ids", render_package(1)}};
    if (target == "world_package_fuzz") {
        return {{"world-16bit-ids", world_package(2, "11")}, {"world-8bit-ids-v10", world_package(1, "10")}};
    }
    return {};
}

}  // namespace kv::tools
