#include "world/sector.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "sound/ambient_source.h"
#include "tests/world/world_test_support.h"
#include "world/geometry.h"
#include "world/lamp_record.h"
#include "world/lmap_binding.h"

namespace kv {
namespace {

using tools::package_writer;

// A 2 x 2 quad in the plane x = at, its front facing +x (or -x when `facing_minus`).
std::array<vec3, 4> door(float at, bool facing_minus = false) {
    std::array<vec3, 4> quad = {{{at, -1.0f, -1.0f}, {at, 1.0f, -1.0f}, {at, 1.0f, 1.0f}, {at, -1.0f, 1.0f}}};
    if (facing_minus) std::swap(quad[1], quad[3]);
    return quad;
}

tools::transform_block moved_to(float x, float y, float z) {
    tools::transform_block t;
    t.translation = {x, y, z};
    return t;
}

struct world_format {
    const char* version;
    uint8_t id_width;
    uint8_t tree_width;
};

void PrintTo(const world_format& f, std::ostream* out) {
    *out << "version " << f.version << ", id width " << int{f.id_width} << ", tree index width "
         << int{f.tree_width};
}

// Two packages: "level" (sectors "hall" and "cellar") imports "base" (sector "yard", geometry
// "crate", models "barrel" and "lamp"). The hall opens onto the cellar and onto base:yard; the yard
// opens back onto level:hall.
class SectorWorld : public world_test, public ::testing::WithParamInterface<world_format> {
protected:
    void SetUp() override {
        world_test::SetUp();
        const world_format format = GetParam();
        version11_ = std::string(format.version) == "11";

        package_writer base(format.id_width, format.version);
        auto& bq = base.qxps();
        base.add_surface("s-crate");
        tools::mesh_desc skinned = test_mesh(4);
        skinned.bones = {0, 1, 1, 2};
        tools::add_geometry(base, {"crate",
                                   test_box(-1.0f, 1.0f),
                                   {tools::add_mesh(bq, test_mesh(3))},
                                   {tools::add_skinned_mesh(bq, skinned)}});
        tools::add_entity_def(base, {"lamp", test_box(0.0f, 0.5f), {}, {}});
        tools::scene_node_desc hook{moved_to(0.0f, 2.0f, 0.0f), "ap03", "lamp", 7};
        tools::mesh_instance_desc body{{}, "crate", "s-crate", "metal1", 8};
        tools::add_entity_def(base, {"barrel",
                                     test_box(-2.0f, 2.0f),
                                     {tools::add_scene_node(bq, hook)},
                                     {tools::add_mesh_instance(bq, body)}});
        tools::sector_desc yard;
        yard.name = "yard";
        yard.transform = moved_to(100.0f, 0.0f, 0.0f);
        yard.portals = {tools::add_portal(bq, {"level:hall", door(0.0f, true)})};
        yard.ambient_table = version11_;
        tools::add_sector(base, yard);
        write_package("base", base);

        package_writer level(format.id_width, format.version);
        auto& lq = level.qxps();
        level.add_import("base");
        // One mesh chunk in two geometries, and one geometry chunk listed twice.
        const int32_t shared_mesh = tools::add_mesh(lq, test_mesh(256));
        const int32_t pool = tools::add_geometry(level, {"pool", test_box(0.0f, 9.0f), {shared_mesh}, {}});
        level.list(tools::package_table::geometry, pool);
        tools::add_geometry(level, {"pond", test_box(0.0f, 3.0f), {shared_mesh}, {}});

        tools::transform_block turned;
        turned.translation = {1.0f, 2.0f, 3.0f};
        turned.scale = {2.0f, 2.0f, 2.0f};
        turned.axis = {0.0f, 0.0f, 1.0f};
        turned.angle = std::numbers::pi_v<float> / 2.0f;
        const int32_t barrel_node = tools::add_scene_node(lq, {turned, "barrel-1", "base:barrel", 0});
        const int32_t crate_instance = tools::add_mesh_instance(
            lq, {moved_to(5.0f, 0.0f, 0.0f), "base:crate", "base:s-crate", "wood20", 1});
        const int32_t water_instance =
            tools::add_mesh_instance(lq, {{}, "pool", "base:s-crate", "water1", 2});

        tools::object_tree_desc tree;
        tree.index_width = format.tree_width;
        tree.nodes.push_back({test_box(-50.0f, 50.0f), {1.0f, 2.0f, 3.0f}, 0.25f, 1, 2});
        tree.leaves.push_back({test_box(-50.0f, 0.0f), 0, 1});
        tree.leaves.push_back({test_box(0.0f, 50.0f), 1, 2});
        tree.items = {0, 1, 2};

        tools::sector_desc hall;
        hall.name = "hall";
        hall.nodes = {barrel_node};
        hall.meshes = {crate_instance, water_instance};
        hall.tree = tools::add_object_tree(lq, tree);
        hall.portals = {tools::add_portal(lq, {"cellar", door(10.0f)}),
                        tools::add_portal(lq, {"base:yard", door(-10.0f, true)})};
        hall.arties = {tools::add_arty_chunk(lq, "kvdoor", "door-1", {})};
        for (const vec3& p : door(3.0f)) hall.occluder_points.push_back(p);
        for (const vec3& p : door(4.0f)) hall.occluder_points.push_back(p);
        hall.lmap_bindings = {
            tools::add_lmap_binding(lq, {{{1, 2, 3}, {4, 5, 6}}, {{0.25f, 0.5f}}, {-1, 7}, {{9, 8, 7}}})};
        hall.lamps = {
            tools::add_lamp_record(lq, {42, {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}}, {0.5f, 1.5f, 2.5f, 3.5f}})};
        hall.ambient_sources = {tools::add_ambient_source(
            lq, {"birds", {1, 2, 3}, {0, 0, 1}, 10.0f, 900.0f, 90, 180, 1, 500, 2000})};
        hall.ambient_table = version11_;
        tools::add_sector(level, hall);

        tools::sector_desc cellar;
        cellar.name = "cellar";
        cellar.transform = moved_to(0.0f, -20.0f, 0.0f);
        cellar.nodes = {barrel_node};
        cellar.portals = {tools::add_portal(lq, {"hall", door(12.0f, true)})};
        cellar.ambient_table = version11_;
        tools::add_sector(level, cellar);
        write_package("level", level);

        ASSERT_TRUE(load_package(srv_, "level", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        clear_log();
        level_ = find("level");
        base_ = find("base");
        ASSERT_TRUE(level_ && base_);
        ASSERT_EQ(level_->sectors.items.size(), 2u);
        ASSERT_EQ(base_->sectors.items.size(), 1u);
        hall_ = level_->sectors.items[0];
        cellar_ = level_->sectors.items[1];
        yard_ = base_->sectors.items[0];
    }

    bool version11_ = false;
    package* level_ = nullptr;
    package* base_ = nullptr;
    sector* hall_ = nullptr;
    sector* cellar_ = nullptr;
    sector* yard_ = nullptr;
};

TEST_P(SectorWorld, SectorTablesAndTransforms) {
    EXPECT_EQ(hall_->name, "hall");
    EXPECT_EQ(cellar_->name, "cellar");
    EXPECT_EQ(hall_->render_stamp, kNoRenderStamp);
    EXPECT_EQ(hall_->srv, &srv_);
    const vec3 origin = mat4_transform_point(yard_->transform, {});
    EXPECT_EQ(origin.x, 100.0f);

    ASSERT_EQ(hall_->nodes.items.size(), 1u);
    const scene_node* barrel = hall_->nodes.items[0];
    EXPECT_EQ(barrel->name, "barrel-1");
    EXPECT_EQ(barrel->number, 0);
    EXPECT_EQ(barrel->visit_stamp, kNoVisitStamp);
    // Scaled, then turned about z, then moved.
    const vec3 p = mat4_transform_point(barrel->transform, {1.0f, 0.0f, 0.0f});
    EXPECT_NEAR(p.x, 1.0f, 1e-5f);
    EXPECT_NEAR(p.y, 4.0f, 1e-5f);
    EXPECT_NEAR(p.z, 3.0f, 1e-5f);
    ASSERT_NE(barrel->model, nullptr);
    EXPECT_EQ(barrel->model, base_->entities.items[1]);
    EXPECT_EQ(barrel->model->nodes.items[0]->model, base_->entities.items[0]);

    ASSERT_EQ(hall_->meshes.items.size(), 2u);
    const mesh_instance* crate = hall_->meshes.items[0];
    EXPECT_EQ(crate->number, 1);
    EXPECT_EQ(crate->geom, base_->geometries.items[0]);
    EXPECT_EQ(crate->surf, base_->surfaces.items[0]);
    EXPECT_EQ(surface_table_index_of(kernel_get().surfaces, crate->material), 38);
    EXPECT_EQ(crate->flags & kMeshInstanceWater, 0u);
    const mesh_instance* water = hall_->meshes.items[1];
    EXPECT_EQ(water->geom, level_->geometries.items[0]);
    EXPECT_EQ(surface_table_index_of(kernel_get().surfaces, water->material), 32);
    EXPECT_EQ(water->flags & kMeshInstanceWater, kMeshInstanceWater);
    EXPECT_EQ(srv_.water_instances, (std::vector<mesh_instance*>{hall_->meshes.items[1]}));

    ASSERT_EQ(hall_->arties.items.size(), 1u);
    EXPECT_EQ(hall_->arties.items[0]->instance_name, "door-1");

    ASSERT_EQ(hall_->occluders.size(), 2u);
    EXPECT_EQ(hall_->occluders[1].centre.x, 4.0f);
    EXPECT_EQ(hall_->occluders[1].area, 4.0f);
    EXPECT_EQ(hall_->occluders[0].face_plane.normal.x, 1.0f);

    ASSERT_EQ(hall_->lmap_bindings.items.size(), 1u);
    const lmap_binding& binding = *hall_->lmap_bindings.items[0];
    EXPECT_EQ(binding.colours, (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_EQ(binding.coords.size(), 1u);
    EXPECT_EQ(binding.coords[0].u, 0.25f);
    EXPECT_EQ(binding.coords[0].v, 0.5f);
    EXPECT_EQ(binding.ids, (std::vector<int32_t>{-1, 7}));
    EXPECT_EQ(binding.colours2, (std::vector<uint8_t>{9, 8, 7, 0}));
    EXPECT_TRUE(binding.textures.empty());

    ASSERT_EQ(hall_->lamps.items.size(), 1u);
    const lamp_record& lamp = *hall_->lamps.items[0];
    EXPECT_EQ(lamp.value, 42u);
    EXPECT_EQ(lamp.points[2].z, 9.0f);
    EXPECT_EQ(lamp.values[3], 3.5f);

    if (version11_) {
        ASSERT_EQ(hall_->ambient_sources.items.size(), 1u);
        const ambient_source& birds = *hall_->ambient_sources.items[0];
        EXPECT_EQ(birds.sample_name, "birds");
        EXPECT_EQ(birds.position.y, 2.0f);
        EXPECT_EQ(birds.direction.z, 1.0f);
        EXPECT_EQ(birds.max_distance, 900.0f);
        EXPECT_EQ(birds.inside_cone_angle, 90.0f);
        EXPECT_EQ(birds.outside_cone_angle, 180.0f);
        EXPECT_EQ(birds.mode, kAmbientPeriodic);
        EXPECT_EQ(birds.min_interval, 500u);
        EXPECT_EQ(birds.max_interval, 2000u);
        EXPECT_GE(birds.owner_id, kAmbientOwnerBase);
    } else {
        EXPECT_TRUE(hall_->ambient_sources.items.empty());
    }
}

TEST_P(SectorWorld, ObjectTreeAndSharedChunks) {
    ASSERT_NE(hall_->tree, nullptr);
    const object_tree& tree = *hall_->tree;
    EXPECT_EQ(tree.inner_count, 1);
    EXPECT_EQ(tree.leaf_count, 2);
    EXPECT_EQ(tree.item_count, 3);
    EXPECT_EQ(tree.inner[0].child[0], 1u);
    EXPECT_EQ(tree.inner[0].child[1], 2u);
    EXPECT_EQ(tree.inner[0].point.z, 3.0f);
    EXPECT_EQ(tree.inner[0].value, 0.25f);
    EXPECT_EQ(tree.leaves[1].first_item, 1u);
    EXPECT_EQ(tree.leaves[1].item_count, 2u);
    EXPECT_EQ(tree.items, (std::vector<uint32_t>{0, 1, 2}));
    ASSERT_NE(cellar_->tree, nullptr);
    EXPECT_EQ(cellar_->tree->inner_count, 0);

    // One node chunk in two sectors: one object, owned by the sector that read it first.
    EXPECT_EQ(cellar_->nodes.items[0], hall_->nodes.items[0]);
    EXPECT_EQ(hall_->nodes.storage.size(), 1u);
    EXPECT_TRUE(cellar_->nodes.storage.empty());
    // One mesh chunk in two geometries, one geometry chunk listed twice.
    ASSERT_EQ(level_->geometries.items.size(), 3u);
    EXPECT_EQ(level_->geometries.items[0], level_->geometries.items[1]);
    EXPECT_EQ(level_->geometries.items[0]->meshes.items[0], level_->geometries.items[2]->meshes.items[0]);

    const geometry& crate = *base_->geometries.items[0];
    ASSERT_EQ(crate.meshes.items.size(), 1u);
    ASSERT_EQ(crate.skinned.items.size(), 1u);
    EXPECT_EQ(crate.skinned.items[0]->bones, (std::vector<uint8_t>{0, 1, 1, 2}));
    const mesh& wide = *level_->geometries.items[0]->meshes.items[0];
    EXPECT_EQ(wide.vertex_count, 256);
    EXPECT_EQ(wide.parts[0].indices.back(), 255);
    EXPECT_EQ(wide.tree[0].vertex_count, 256);
}

TEST_P(SectorWorld, PortalsLeadIntoTheirTargets) {
    // Out of the hall through the portal at x = 10 into the cellar.
    EXPECT_EQ(sector_pass_portals(*hall_, {9.0f, 0.0f, 0.0f}, {11.0f, 0.0f, 0.0f}), cellar_);
    // Through x = -10 into the other package's yard, and back from the yard (moved by 100).
    EXPECT_EQ(sector_pass_portals(*hall_, {-9.0f, 0.5f, 0.5f}, {-11.0f, 0.5f, 0.5f}), yard_);
    EXPECT_EQ(sector_pass_portals(*yard_, {101.0f, 0.0f, 0.0f}, {99.0f, 0.0f, 0.0f}), hall_);
    // The cellar's portal back sits at x = 12 in cellar space, which is moved down by 20.
    EXPECT_EQ(sector_pass_portals(*cellar_, {13.0f, -20.0f, 0.0f}, {11.0f, -20.0f, 0.0f}), hall_);
    EXPECT_EQ(sector_pass_portals(*cellar_, {13.0f, 0.0f, 0.0f}, {11.0f, 0.0f, 0.0f}), cellar_);
    // Moves that cross nothing stay.
    EXPECT_EQ(sector_pass_portals(*hall_, {0.0f, 0.0f, 0.0f}, {5.0f, 0.0f, 0.0f}), hall_);
    EXPECT_EQ(sector_node_index(*hall_, cellar_->nodes.items[0]), 0);
    EXPECT_EQ(sector_mesh_index(*hall_, hall_->meshes.items[1]), 1);
    EXPECT_EQ(sector_mesh_index(*cellar_, hall_->meshes.items[1]), -1);
    EXPECT_EQ(log(), "");
}

INSTANTIATE_TEST_SUITE_P(Formats, SectorWorld,
                         ::testing::Values(world_format{"10", 1, 0}, world_format{"11", 2, 1},
                                           world_format{"11", 4, 2}, world_format{"10", 2, 7}),
                         [](const ::testing::TestParamInfo<world_format>& info) {
                             return std::string("v") + info.param.version + "_id" +
                                    std::to_string(info.param.id_width) + "_tree" +
                                    std::to_string(info.param.tree_width);
                         });

// Portal crossing on real sectors: a hall whose portal at x = 0 faces +x and leads to "room";
// a second portal at x = 0.5 leads to "attic".
class SectorPortal : public world_test {
protected:
    void write_world(bool with_room) {
        package_writer w;
        auto& q = w.qxps();
        tools::sector_desc hall;
        hall.name = "hall";
        hall.portals = {tools::add_portal(q, {"room", door(0.0f)}),
                        tools::add_portal(q, {"attic", door(0.5f)})};
        tools::add_sector(w, hall);
        if (with_room) tools::add_sector(w, {.name = "room"});
        tools::add_sector(w, {.name = "attic"});
        write_package("maps/world", w);
    }

    sector* sector_named(const std::string& name) {
        for (sector* s : find("world")->sectors.items) {
            if (s->name == name) return s;
        }
        return nullptr;
    }
};

// Sectors read from a package written for each test.
using SectorRead = SectorPortal;

TEST_F(SectorPortal, CrossingRules) {
    write_world(true);
    ASSERT_TRUE(load_package(srv_, "world", true));
    sector* hall = sector_named("hall");
    sector* room = sector_named("room");
    sector* attic = sector_named("attic");
    clear_log();
    struct Case {
        const char* what;
        vec3 from, to;
        sector* expected;
    };
    const Case cases[] = {
        {"back to front through the middle", {-1, 0, 0}, {0.25f, 0, 0}, room},
        {"front to back never crosses", {0.25f, 0, 0}, {-1, 0, 0}, hall},
        {"start on the plane, end in front", {0, 0.2f, 0.2f}, {0.25f, 0.2f, 0.2f}, room},
        {"start on the plane, end behind", {0, 0.2f, 0.2f}, {-1, 0.2f, 0.2f}, room},
        {"end on the plane counts", {-1, 0.2f, 0.2f}, {0, 0.2f, 0.2f}, room},
        {"both on the plane", {0, 0, 0}, {0, 0.5f, 0}, hall},
        {"outside the quad", {-1, 3, 0}, {1, 3, 0}, hall},
        {"on an edge", {-1, 1, 0}, {0.25f, 1, 0}, room},
        {"on a corner", {-1, 1, 1}, {0.25f, 1, 1}, room},
        {"just outside an edge", {-1, 1.001f, 0}, {0.25f, 1.001f, 0}, hall},
        {"crosses both: the first in table order wins", {-1, 0, 0}, {2, 0, 0}, room},
        {"crosses only the second", {0.25f, 0, 0}, {2, 0, 0}, attic},
    };
    for (const Case& c : cases) EXPECT_EQ(sector_pass_portals(*hall, c.from, c.to), c.expected) << c.what;
    EXPECT_EQ(log(), "");
}

// A portal whose target is missing keeps the mover where it is and says so once, not on every
// crossing; once the target exists it leads there, and a later loss is reported again.
TEST_F(SectorPortal, MissingTargetIsReportedOncePerTarget) {
    write_world(false);
    ASSERT_TRUE(load_package(srv_, "world", true));
    sector* hall = sector_named("hall");
    clear_log();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sector_pass_portals(*hall, {-1, 0, 0}, {0.25f, 0, 0}), hall);
    EXPECT_EQ(log(),
              "server: No sector `world:room' found.\n"
              "server: *WARNING* Unknown sector or unloaded package in portal reference `room'.\n");

    // A room arrives in the hall's package.
    auto room = std::make_unique<sector>();
    room->name = "room";
    sector* room_ptr = object_table_add_owned(find("world")->sectors, std::move(room));
    EXPECT_EQ(sector_pass_portals(*hall, {-1, 0, 0}, {0.25f, 0, 0}), room_ptr);
    object_table_erase(find("world")->sectors, find("world")->sectors.items.size() - 1);
    clear_log();
    EXPECT_EQ(sector_pass_portals(*hall, {-1, 0, 0}, {0.25f, 0, 0}), hall);
    EXPECT_EQ(sector_pass_portals(*hall, {-1, 0, 0}, {0.25f, 0, 0}), hall);
    EXPECT_EQ(log(),
              "server: No sector `world:room' found.\n"
              "server: *WARNING* Unknown sector or unloaded package in portal reference `room'.\n");
}

// The package of a reference is the text before its first ':', also when that text is empty.
TEST_F(SectorPortal, PortalIntoAnUnloadedPackage) {
    const struct {
        const char* target;
        const char* package;
    } cases[] = {{"gone:room", "gone"}, {":hall", ""}, {"a:b:c", "a"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        package_writer w;
        tools::sector_desc hall;
        hall.name = "hall";
        hall.portals = {tools::add_portal(w.qxps(), {c.target, door(0.0f)})};
        tools::add_sector(w, hall);
        write_package("world", w);
        ASSERT_TRUE(load_package(srv_, "world", false));
        sector* s = find("world")->sectors.items[0];
        clear_log();
        EXPECT_EQ(sector_pass_portals(*s, {-1, 0, 0}, {1, 0, 0}), s);
        EXPECT_EQ(sector_pass_portals(*s, {-1, 0, 0}, {1, 0, 0}), s);
        EXPECT_EQ(log(), std::string("server: No package `") + c.package +
                             "' found.\n"
                             "server: *WARNING* Unknown sector or unloaded package in portal reference `" +
                             c.target + "'.\n");
        package_destroy(srv_, *find("world"));
    }
}

// Damaged sectors are refused whole with a log line; the package then holds nothing.
TEST_F(SectorRead, DamagedObjectTreesAreRefused) {
    struct Case {
        const char* what;
        tools::object_tree_desc tree;
        const char* message;
    };
    auto base = [] {
        tools::object_tree_desc t;
        t.index_width = 1;
        t.nodes.push_back({test_box(0, 1), {}, 0.0f, 1, 2});
        t.leaves = {{test_box(0, 1), 0, 1}, {test_box(0, 1), 1, 1}};
        t.items = {0, 1};
        return t;
    };
    std::vector<Case> cases;
    cases.push_back({"valid", base(), nullptr});
    {
        auto t = base();
        t.nodes[0].child1 = 3;
        cases.push_back({"child past the leaves", t, "node 0: child 3 out of range"});
    }
    {
        auto t = base();
        t.leaves[1].item_count = 2;
        cases.push_back({"leaf range past the items", t, "leaf 1: items 1..3 out of range"});
    }
    {
        auto t = base();
        t.items[1] = 2;
        cases.push_back({"item past the objects", t, "item 1: object 2 out of range"});
    }
    {
        // Node 0 leads to node 1, whose first child is node 0 again (leaves start at 2).
        auto t = base();
        t.nodes = {{test_box(0, 1), {}, 0.0f, 1, 2}, {test_box(0, 1), {}, 0.0f, 0, 3}};
        cases.push_back({"a cycle", t, "node 0 is reached twice"});
    }
    for (uint32_t length : {1024u, 1025u}) {
        // A chain of inner nodes, each with leaf 0 as its second child.
        auto t = base();
        t.index_width = 2;
        t.nodes.clear();
        for (uint32_t i = 0; i < length; ++i) {
            const uint32_t next = i + 1 < length ? i + 1 : length;
            t.nodes.push_back({test_box(0, 1), {}, 0.0f, next, length});
        }
        cases.push_back({length == 1024 ? "a chain as deep as allowed" : "a chain too deep", t,
                         length == 1024 ? nullptr : "deeper than 1024 nodes"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        srv_.packages.clear();
        ref_list().items.clear();
        clear_log();
        package_writer w;
        auto& q = w.qxps();
        tools::sector_desc s;
        s.name = "broken";
        s.nodes = {tools::add_scene_node(q, {{}, "n", "", 0})};
        s.meshes = {tools::add_mesh_instance(q, {{}, "", "", "", 1})};
        s.tree = tools::add_object_tree(q, c.tree);
        tools::add_sector(w, s);
        write_package("world", w);
        const bool loaded = load_package(srv_, "world", false);
        if (!c.message) {
            EXPECT_TRUE(loaded) << log();
            continue;
        }
        EXPECT_FALSE(loaded);
        EXPECT_NE(log().find(std::string("server: *ERROR* corrupt object tree of sector `broken': ") +
                             c.message + "\n"),
                  std::string::npos)
            << log();
    }
}

// One tree chunk in two sectors is one tree, checked against each sector's own objects: it fits the
// first sector's three objects, not the second's two.
TEST_F(SectorRead, ASharedTreeIsCheckedForEverySector) {
    for (bool second_fits : {true, false}) {
        SCOPED_TRACE(second_fits);
        srv_.packages.clear();
        ref_list().items.clear();
        clear_log();
        package_writer w;
        auto& q = w.qxps();
        tools::object_tree_desc tree;
        tree.nodes.push_back({test_box(0, 1), {}, 0.0f, 1, 1});
        tree.leaves.push_back({test_box(0, 1), 0, 3});
        tree.items = {0, 1, 2};
        const int32_t shared = tools::add_object_tree(q, tree);
        std::vector<int32_t> three;
        for (uint16_t n = 0; n < 3; ++n) three.push_back(tools::add_mesh_instance(q, {{}, "", "", "", n}));
        tools::sector_desc first;
        first.name = "first";
        first.meshes = three;
        first.tree = shared;
        tools::add_sector(w, first);
        tools::sector_desc second;
        second.name = "second";
        second.meshes = {three[0], three[1]};
        if (second_fits) second.meshes.push_back(three[2]);
        second.tree = shared;
        tools::add_sector(w, second);
        write_package("world", w);
        if (second_fits) {
            ASSERT_TRUE(load_package(srv_, "world", false)) << log();
            const package& p = *find("world");
            EXPECT_EQ(p.sectors.items[0]->tree, p.sectors.items[1]->tree);
            EXPECT_NE(p.sectors.items[0]->owned_tree, nullptr);
            EXPECT_EQ(p.sectors.items[1]->owned_tree, nullptr);
        } else {
            EXPECT_FALSE(load_package(srv_, "world", false));
            EXPECT_NE(log().find("corrupt object tree of sector `second': item 2: object 2 out of range"),
                      std::string::npos)
                << log();
        }
    }
}

TEST_F(SectorRead, OccluderCounts) {
    struct Case {
        std::vector<vec3> points;
        std::optional<uint16_t> count;
        std::size_t quads;
        bool warned;
    };
    std::vector<vec3> eight;
    for (const vec3& p : door(1.0f)) eight.push_back(p);
    for (const vec3& p : door(2.0f)) eight.push_back(p);
    const std::vector<vec3> four(eight.begin(), eight.begin() + 4);
    const Case cases[] = {
        {{}, std::nullopt, 0, false},
        {eight, std::nullopt, 2, false},
        // Six points: one whole quad is read, as stored, and the count is reported.
        {four, 6, 1, true},
    };
    for (const Case& c : cases) {
        srv_.packages.clear();
        clear_log();
        package_writer w;
        tools::sector_desc s;
        s.name = "occluded";
        s.occluder_points = c.points;
        s.occluder_count = c.count;
        tools::add_sector(w, s);
        write_package("world", w);
        ASSERT_TRUE(load_package(srv_, "world", false)) << log();
        EXPECT_EQ(find("world")->sectors.items[0]->occluders.size(), c.quads);
        EXPECT_EQ(
            log().find("server: *WARNING* Sector `occluded' has 6 occluder points") != std::string::npos,
            c.warned)
            << log();
    }
}

TEST(SectorRecords, OccluderApparentSize) {
    occluder occ;
    occluder_init(occ, door(2.0f));
    EXPECT_EQ(occ.area, 4.0f);
    EXPECT_EQ(occ.centre.x, 2.0f);
    // Seen head-on from 2 away against its normal: 1 x 4 / 4.
    EXPECT_EQ(occluder_apparent_size(occ, {0, 0, 0}, {-1, 0, 0}), 1.0f);
    EXPECT_EQ(occ.apparent_size, 1.0f);
    EXPECT_EQ(occluder_apparent_size(occ, {0, 0, 0}, {1, 0, 0}), -1.0f);
}

TEST(SectorRecords, TintFromColour) {
    tint t;
    t.flags = 0x11;
    const float colour[3] = {1.0f, 0.5f, 0.0f};
    tint_set_rgb(t, colour);
    EXPECT_EQ(t.flags, 0x11u | kTintSet);
    EXPECT_EQ(t.red, 255);
    EXPECT_EQ(t.green, 127);
    EXPECT_EQ(t.blue, 0);
    tint_set_rgb(t, nullptr);
    EXPECT_EQ(t.flags, 0x11u);
    EXPECT_EQ(t.red, 255);
    // Out of byte range: the low byte of the truncated value; beyond the integers, 0.
    const float odd[3] = {2.0f, -1.0f, 1e20f};
    tint_set_rgb(t, odd);
    EXPECT_EQ(t.red, 254);
    EXPECT_EQ(t.green, 1);
    EXPECT_EQ(t.blue, 0);
}

}  // namespace
}  // namespace kv
