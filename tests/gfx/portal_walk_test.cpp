// The portal walk, its clip planes and the occluders, on levels written by the package writer and
// loaded by the package system. The frame's sector drawing is played by a small drawer that does
// what it does for the walk: collect the sector's occluders, test each object's eye-space box, stamp
// the sector.

#include "gfx/portal_walk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "gfx/camera_view.h"
#include "gfx/gfx.h"
#include "tests/support/recording_driver.h"
#include "tests/world/world_test_support.h"
#include "tools/room_grid.h"
#include "world/geometry.h"
#include "world/sector.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

constexpr float kQuarter = std::numbers::pi_v<float> / 4;
const vec3 kEye{2.0f, 1.5f, 10.0f};

tools::transform_block moved_to(float x, float y, float z) {
    tools::transform_block t;
    t.translation = {x, y, z};
    return t;
}

// A doorway in x = at from y0 to y1 and z0 to z1, turned towards +x or -x.
std::array<vec3, 4> door_x(float at, float z0, float z1, bool towards_plus, float y0 = 0.0f,
                           float y1 = 3.0f) {
    std::array<vec3, 4> q = {{{at, y0, z0}, {at, y1, z0}, {at, y1, z1}, {at, y0, z1}}};
    if (!towards_plus) std::swap(q[1], q[3]);
    return q;
}

// The same in z = at, from x0 to x1, turned towards +z or -z.
std::array<vec3, 4> door_z(float at, float x0, float x1, bool towards_plus) {
    std::array<vec3, 4> q = {{{x1, 0.0f, at}, {x1, 3.0f, at}, {x0, 3.0f, at}, {x0, 0.0f, at}}};
    if (!towards_plus) std::swap(q[1], q[3]);
    return q;
}

tools::mesh_desc crate_mesh() {
    tools::mesh_desc m = test_mesh(3);
    box3_init(m.box, {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f});
    m.tree = {{m.box, 3, 0}};
    return m;
}

// Five rooms of 20 x 20 in a chain a - b - c - d along +x and a branch b - e towards +z. The camera
// stands in a at (2, 1.5, 10) looking along +x.
//   a: two doorways into b (z 8-12 and 13-15); a window into d high in the same wall, turned the
//      wrong way; a portal naming a sector that does not exist.
//   b: a wall occluder at x = 30 (z 8-12, y 0-5) with a crate right behind it, a crate beside it,
//      a crate behind a's wall seen through no doorway; doorways into c (x = 40) and e (z = 20) and
//      back into a.
//   c: a crate straight ahead, behind b's occluder too; a doorway into d (x = 60) and back into b.
//   d, e: back into c and b.
class PortalWalk : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        g_.driver = std::move(recorder);

        tools::package_writer w;
        auto& q = w.qxps();
        w.add_surface("s-wall");
        for (const char* name : {"crate-behind", "crate-beside", "crate-walled", "crate-c"})
            tools::add_geometry(w, {name, crate_mesh().box, {tools::add_mesh(q, crate_mesh())}, {}});
        const auto crate = [&](const char* name, float x, float z) {
            return tools::add_mesh_instance(q, {moved_to(x, 0.0f, z), name, "s-wall", "wood20", 0});
        };
        tools::sector_desc a;
        a.name = "a";
        a.portals = {tools::add_portal(q, {"b", door_x(20, 8, 12, true)}),
                     tools::add_portal(q, {"b", door_x(20, 13, 15, true)}),
                     tools::add_portal(q, {"d", door_x(20, 9, 11, false, 4.0f, 5.5f)}),
                     tools::add_portal(q, {"walk:nowhere", door_x(20, 16, 18, true)})};
        tools::add_sector(w, a);
        tools::sector_desc b;
        b.name = "b";
        b.meshes = {crate("crate-behind", 35, 10), crate("crate-beside", 35, 14),
                    crate("crate-walled", 35, 2)};
        const std::array<vec3, 4> wall = door_x(30, 8, 12, true, 0.0f, 5.0f);
        b.occluder_points.assign(wall.begin(), wall.end());
        b.portals = {tools::add_portal(q, {"c", door_x(40, 8.5f, 11.5f, true)}),
                     tools::add_portal(q, {"e", door_z(20, 28.5f, 31.5f, true)}),
                     tools::add_portal(q, {"a", door_x(20, 8, 12, false)})};
        tools::add_sector(w, b);
        tools::sector_desc c;
        c.name = "c";
        c.meshes = {crate("crate-c", 50, 10)};
        c.portals = {tools::add_portal(q, {"d", door_x(60, 8.5f, 11.5f, true)}),
                     tools::add_portal(q, {"b", door_x(40, 8.5f, 11.5f, false)})};
        tools::add_sector(w, c);
        tools::sector_desc d;
        d.name = "d";
        d.portals = {tools::add_portal(q, {"c", door_x(60, 8.5f, 11.5f, false)})};
        tools::add_sector(w, d);
        tools::sector_desc e;
        e.name = "e";
        e.portals = {tools::add_portal(q, {"b", door_z(20, 28.5f, 31.5f, false)})};
        tools::add_sector(w, e);
        write_package("walk", w);
        ASSERT_TRUE(load_package(srv_, "walk", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        level_ = find("walk");
        ASSERT_NE(level_, nullptr);
        clear_log();

        look_from(kEye);
        g_.options.occmark = 0.01f;
    }

    // One viewport of the square 90-degree view, the camera at `eye` looking along +x.
    void look_from(const vec3& eye) {
        viewport record;
        const float values[kViewportProjectionValues] = {1.0f,     kQuarter, kQuarter, kQuarter,
                                                         kQuarter, 0.0f,     50000.0f};
        std::copy(std::begin(values), std::end(values), record.projection);
        view_stack_clear_viewports(g_.views);
        view_stack_add_viewport(g_.views, camera_view_copy(record));
        placement camera;
        mat4_set_rotation_y(camera.transform, -std::numbers::pi_v<float> / 2);
        mat4_set_row3(camera.transform, eye.x, eye.y, eye.z);
        view_stack_set_camera(g_.views, camera);
        view_stack_begin_world(g_.views, 0);
        g_.camera.position = eye;
        g_.camera.forward = {1.0f, 0.0f, 0.0f};
    }

    sector& room(const std::string& name) { return *package_find_sector(*level_, name); }

    // The frame's sector drawing as far as the walk is concerned.
    void draw(sector& s) {
        drawn_.push_back(s.name + " " + std::to_string(g_.planes.clip_count));
        if (g_.options.occluders_on) gfx_collect_occluders(g_, s, false);
        const mat4 to_eye = gfx_sector_to_eye(g_, s);
        for (mesh_instance* m : s.meshes.items) {
            const box3 eye_box = box3_transform(m->geom->box, mat4_mul(to_eye, m->transform));
            if (gfx_view_volume_pass(g_, eye_box) && gfx_cull_planes_pass(g_, eye_box, -1))
                shown_.push_back(m->geom->name);
        }
        s.render_stamp = world_visit_stamp();
    }

    // One viewport's world from sector a.
    void render_view() {
        world_visit_stamp_advance();
        drawn_.clear();
        shown_.clear();
        gfx_draw_world_from(g_, room("a"), [this](sector& s) { draw(s); });
    }

    gfx g_;
    recording_driver* driver_ = nullptr;
    package* level_ = nullptr;
    std::vector<std::string> drawn_;  // "name clip-plane-count" in drawing order
    std::vector<std::string> shown_;  // the crates that pass their box test
};

using strings = std::vector<std::string>;

TEST_F(PortalWalk, TwoPortalsAwayAtMostWithEachGroupsPlanes) {
    render_view();
    // b through a group of two doorways (eight planes), then c and e from b; d would be the third.
    EXPECT_EQ(drawn_, (strings{"a 0", "b 8", "c 12", "e 12"}));
    EXPECT_EQ(g_.planes.clip_count, 0);
    const uint16_t stamp = world_visit_stamp();
    // Every portal of a is stamped but the one whose target is missing.
    for (portal* p : room("a").portals.items)
        EXPECT_EQ(p->visit_stamp == stamp, p->target != "walk:nowhere") << p->target;
    EXPECT_NE(room("d").render_stamp, stamp);
}

TEST_F(PortalWalk, APortalSeenFromItsBackDrawsNothingThroughIt) {
    render_view();
    EXPECT_EQ(drawn_, (strings{"a 0", "b 8", "c 12", "e 12"}));
    // The same window turned towards d shows d at once, one portal away.
    portal& window = *room("a").portals.items[2];
    std::swap(window.points[1], window.points[3]);
    render_view();
    EXPECT_EQ(drawn_, (strings{"a 0", "b 8", "c 12", "e 12", "d 4"}));
}

TEST_F(PortalWalk, AnUnknownTargetIsReportedOnceUntilFound) {
    const std::string line =
        "gfx: *WARNING* Unknown sector or unloaded package in portal reference `walk:nowhere'.\n";
    render_view();
    render_view();
    EXPECT_EQ(log(), line);
    portal& broken = *room("a").portals.items[3];
    broken.target = "walk:c";
    render_view();
    broken.target = "walk:nowhere";
    render_view();
    EXPECT_EQ(log(), line + line);
}

TEST_F(PortalWalk, ObjectsOutsideEveryDoorwayOrBehindTheOccluderAreCulled) {
    render_view();
    // b's occluder, collected when b was drawn, also hides c's crate.
    EXPECT_EQ(shown_, (strings{"crate-beside"}));
    EXPECT_EQ(g_.planes.occluder_count, kOccluderPlaneGroup);

    // Without the occluder the crate behind it shows; the one behind a's wall never does.
    g_.options.occluders_on = false;
    gfx_clear_occluders(g_);
    render_view();
    EXPECT_EQ(shown_, (strings{"crate-behind", "crate-beside", "crate-c"}));
}

TEST_F(PortalWalk, AnOccluderExactlyAtTheMarkIsNotCollected) {
    occluder& wall = room("b").occluders.at(0);
    const float size = occluder_apparent_size(wall, kEye, {1.0f, 0.0f, 0.0f});
    ASSERT_LT(size, 0.0f);
    g_.options.occmark = -size;
    render_view();
    EXPECT_EQ(g_.planes.occluder_count, 0);
    EXPECT_EQ(shown_, (strings{"crate-behind", "crate-beside", "crate-c"}));
    g_.options.occmark = std::nextafter(-size, 0.0f);
    render_view();
    EXPECT_EQ(g_.planes.occluder_count, kOccluderPlaneGroup);
}

TEST_F(PortalWalk, ThirtyTwoPlanesTakeNoMoreButTheSectorIsStillDrawn) {
    const mat4 to_eye = gfx_sector_to_eye(g_, room("a"));
    for (int i = 0; i < kMaxClipPlanes / kClipPlaneGroup; ++i)
        ASSERT_TRUE(gfx_add_portal_clip_planes(g_, *room("a").portals.items[0], to_eye));
    EXPECT_FALSE(gfx_add_portal_clip_planes(g_, *room("a").portals.items[0], to_eye));
    EXPECT_EQ(g_.planes.clip_count, kMaxClipPlanes);

    world_visit_stamp_advance();
    gfx_portal_walk(g_, room("a"), kMaxClipPlanes, [this](sector& s) { draw(s); });
    // A nested walk goes no further.
    EXPECT_EQ(drawn_, (strings{"b 32"}));
    EXPECT_EQ(g_.planes.clip_count, kMaxClipPlanes);
}

TEST_F(PortalWalk, RefusedOccludersSayItAtMostOnceASecond) {
    const std::array<vec3, 4> corners = {{{1, -1, 10}, {1, 1, 10}, {-1, 1, 10}, {-1, -1, 10}}};
    const auto fill = [&] {
        gfx_clear_occluders(g_);
        for (int i = 0; i < kMaxOccluderPlanes / kOccluderPlaneGroup; ++i)
            ASSERT_TRUE(gfx_add_occluder_planes(g_, corners));
        EXPECT_FALSE(gfx_add_occluder_planes(g_, corners));
    };
    fill();
    world_visit_stamp_advance();
    gfx_collect_occluders(g_, room("b"), false);
    gfx_collect_occluders(g_, room("b"), false);
    EXPECT_EQ(log(), "gfx: Total number of out-planes reached\n");
    clock_.advance_ms(999);
    gfx_collect_occluders(g_, room("b"), false);
    EXPECT_EQ(log(), "gfx: Total number of out-planes reached\n");
    clock_.advance_ms(1);
    gfx_collect_occluders(g_, room("b"), false);
    EXPECT_EQ(g_.planes.occluder_count, kMaxOccluderPlanes);
    EXPECT_EQ(log(), "gfx: Total number of out-planes reached\ngfx: Total number of out-planes reached\n");
}

TEST_F(PortalWalk, ShownPortalsAreRedAndOccludersBlueOrGreen) {
    g_.options.show_portals = true;
    driver_->take_calls();
    render_view();
    const strings red = {"set_colour 1 0 0", "set_modelview 0", "draw_polygon 4 0"};
    strings expected;
    for (int i = 0; i < 4; ++i) expected.insert(expected.end(), red.begin(), red.end());  // a's two, b's two
    EXPECT_EQ(driver_->take_calls(), expected);

    gfx_clear_occluders(g_);
    gfx_collect_occluders(g_, room("b"), true);
    EXPECT_EQ(driver_->take_calls(), (strings{"set_colour 0 0 1", "set_modelview 0", "draw_polygon 4 0"}));
    EXPECT_EQ(g_.planes.occluder_count, 0);  // shown, not collected
    g_.options.occmark = 1.0f;
    gfx_collect_occluders(g_, room("b"), true);
    EXPECT_EQ(driver_->take_calls(), (strings{"set_colour 0 1 0", "set_modelview 0", "draw_polygon 4 0"}));
}

TEST_F(PortalWalk, PortalsOffOrTheDebugSwitch) {
    g_.options.portals_on = false;
    render_view();
    EXPECT_EQ(drawn_, (strings{"a 0"}));
    g_.options.portals_on = true;
    g_.switches.debug = 1;
    render_view();
    EXPECT_EQ(drawn_, (strings{"b 8", "c 12", "e 12"}));
}

TEST_F(PortalWalk, WithoutClipPlanesOnlyTheOccludersCull) {
    gfx_begin_world_walk(g_);
    box3 ahead;
    box3_init(ahead, {-0.5f, -0.5f, 20.0f}, {0.5f, 0.5f, 21.0f});
    EXPECT_TRUE(gfx_cull_planes_pass(g_, ahead, 0));
    EXPECT_TRUE(gfx_cull_planes_pass(g_, ahead, -1));
    ASSERT_TRUE(gfx_add_occluder_planes(g_, {{{2, -2, 10}, {2, 2, 10}, {-2, 2, 10}, {-2, -2, 10}}}));
    EXPECT_FALSE(gfx_cull_planes_pass(g_, ahead, 0));
    // Straddling the occluder's edge, or in front of it: seen.
    box3 edge;
    box3_init(edge, {1.5f, -0.5f, 20.0f}, {5.5f, 0.5f, 21.0f});
    EXPECT_TRUE(gfx_cull_planes_pass(g_, edge, 0));
    box3 nearer;
    box3_init(nearer, {-0.5f, -0.5f, 5.0f}, {0.5f, 0.5f, 6.0f});
    EXPECT_TRUE(gfx_cull_planes_pass(g_, nearer, 0));
}

// The generated grid: every room of a 3 x 3 grid loads with its portals and occluder, and the walk
// from a corner room stays within two portals.
TEST_F(PortalWalk, TheGeneratedGridOfRooms) {
    write_data("grid", tools::room_grid_package(3, 3));
    ASSERT_TRUE(load_package(srv_, "grid", false)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    package* grid = find("grid");
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->sectors.items.size(), 9u);
    sector& corner = *package_find_sector(*grid, tools::room_grid_sector_name(0, 0));
    EXPECT_EQ(corner.portals.items.size(), 2u);
    EXPECT_EQ(package_find_sector(*grid, tools::room_grid_sector_name(1, 1))->portals.items.size(), 4u);
    EXPECT_EQ(corner.occluders.size(), 1u);
    EXPECT_EQ(corner.meshes.items.size(), 1u + tools::kGridCratesPerRoom);

    look_from({1.0f, 1.5f, 10.0f});
    world_visit_stamp_advance();
    drawn_.clear();
    gfx_draw_world_from(g_, corner, [this](sector& s) { draw(s); });
    ASSERT_FALSE(drawn_.empty());
    EXPECT_EQ(drawn_[0], "r0_0 0");
    // Along the row: r1_0 through its doorway, r2_0 from there; never a fourth room or a room
    // three doorways away such as r2_1.
    EXPECT_NE(std::find(drawn_.begin(), drawn_.end(), "r1_0 4"), drawn_.end());
    EXPECT_NE(std::find(drawn_.begin(), drawn_.end(), "r2_0 8"), drawn_.end());
    for (const std::string& d : drawn_) EXPECT_FALSE(d.starts_with("r2_1") || d.starts_with("r2_2")) << d;
}

}  // namespace
}  // namespace kv
