// The frame on the recording driver, over a level written by the package writer: one room with a
// box tree (the crate listed in both leaves), a model with nested models, three translucent panes
// (two at the same distance), a first-person object, a light-mapped crate, and a sky.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/camera_view.h"
#include "gfx/draw_lists.h"
#include "gfx/gfx.h"
#include "gfx/gfx_camera.h"
#include "gfx/portal_walk.h"
#include "gfx/sector_draw.h"
#include "gfx/shader.h"
#include "gfx/surface.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "tests/support/call_log.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "tests/world/world_test_support.h"
#include "tools/token_writer.h"
#include "world/geometry.h"
#include "world/lamp.h"
#include "world/lmap_binding.h"
#include "world/mesh.h"
#include "world/sector.h"
#include "world/surface_table.h"
#include "world/visit_stamp.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;
using tools::token_writer;

// A flat square from -1 to 1 at z = 0, drawn as n quads over the same four corners (so that each
// object's draw shows by its count).
tools::mesh_desc quads(int n, uint16_t draw_id = 0) {
    tools::mesh_desc m;
    box3_init(m.box, {-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f});
    m.primitive_kind = 3;
    m.vertices = {{-1, -1, 0, 0, 0}, {1, -1, 0, 1, 0}, {1, 1, 0, 1, 1}, {-1, 1, 0, 0, 1}};
    tools::mesh_desc::part part;
    for (int i = 0; i < n; ++i) part.indices.insert(part.indices.end(), {0, 1, 2, 3});
    part.draws.push_back({draw_id, static_cast<uint16_t>(n), 0});
    m.parts.push_back(part);
    m.tree.push_back({m.box, 4, 0});
    return m;
}

tools::transform_block at(float z, float scale = 10.0f) {
    tools::transform_block t;
    t.translation = {0.0f, 0.0f, z};
    t.scale = {scale, scale, scale};
    return t;
}

std::vector<uint8_t> command(std::initializer_list<const char*> words) {
    token_writer w;
    for (const char* word : words) w.str(word);
    return w.bytes();
}

std::vector<uint8_t> colour_command(float r, float g, float b) {
    return token_writer().str("dcolor").number(r).number(g).number(b).bytes();
}

class Frame : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        tools::package_writer w;
        auto& q = w.qxps();
        w.add_shader("red", {colour_command(1, 0, 0)});
        w.add_shader("green", {colour_command(0, 1, 0)});
        w.add_shader("blue", {colour_command(0, 0, 1)});
        w.add_shader("glass", {command({"tex", "$1"})});
        auto layer = [](const char* shader, const char* arg = nullptr) {
            token_writer t;
            t.str("layer").str(shader);
            if (arg) t.str(arg);
            return tools::description_layer(t.bytes());
        };
        w.add_surface("wall", {layer("red")});
        w.add_surface("wall2", {layer("green")});
        w.add_surface("skysurf", {layer("blue")});
        w.add_surface("pane", {layer("glass", "pane")});
        // Material 2 lies past the layers: nothing is drawn with it.
        w.add_surface("short", {layer("red"), layer("green")});

        auto add_geom = [&](const char* name, int n, uint16_t draw_id = 0) {
            tools::geometry_desc g;
            g.name = name;
            box3_init(g.box, {-1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f});
            g.meshes = {tools::add_mesh(q, quads(n, draw_id))};
            tools::add_geometry(w, g);
        };
        add_geom("q1", 1);
        add_geom("q2", 2);
        add_geom("q3", 3);
        add_geom("q4", 4);
        add_geom("q5", 5);
        add_geom("q6", 6);
        add_geom("q8", 8, 2);
        tools::geometry_desc sky;
        sky.name = "sky";
        tools::mesh_desc sky_mesh = quads(7);
        for (auto& v : sky_mesh.vertices) v.z = 0.5f;
        box3_init(sky_mesh.box, {-1.0f, -1.0f, 0.5f}, {1.0f, 1.0f, 0.5f});
        sky.box = sky_mesh.box;
        sky.meshes = {tools::add_mesh(q, sky_mesh)};
        tools::add_geometry(w, sky);

        // The model "outer" holds a node with the model "inner", which holds one green square.
        const int32_t inner_mesh = tools::add_mesh_instance(q, {{}, "q6", "wall2", "", 0});
        tools::add_entity_def(w, {"inner", test_box(-1.0f, 1.0f), {}, {inner_mesh}});
        const int32_t inner_node = tools::add_scene_node(q, {{}, "n", "inner", 0});
        tools::add_entity_def(w, {"outer", test_box(-1.0f, 1.0f), {inner_node}, {}});

        tools::sector_desc room;
        room.name = "room";
        room.nodes = {tools::add_scene_node(q, {at(120.0f), "model", "outer", 5})};
        room.meshes = {
            tools::add_mesh_instance(q, {at(100.0f), "q1", "wall", "", 0}),   // item 1: the crate
            tools::add_mesh_instance(q, {at(80.0f), "q2", "pane", "", 1}),    // item 2
            tools::add_mesh_instance(q, {at(60.0f), "q3", "pane", "", 2}),    // item 3
            tools::add_mesh_instance(q, {at(80.0f), "q4", "pane", "", 3}),    // item 4
            tools::add_mesh_instance(q, {at(30.0f), "q5", "wall", "", 4}),    // item 5: first person
            tools::add_mesh_instance(q, {at(90.0f), "q8", "short", "", 5}),   // item 6
        };
        // Split at z = 70: the far leaf (front side) and the near leaf; the crate is in both.
        tools::object_tree_desc tree;
        tools::object_tree_desc::inner split;
        split.box = test_box(-1000.0f, 1000.0f);
        split.point = {0.0f, 0.0f, 1.0f};
        split.value = -70.0f;
        split.child0 = 1;
        split.child1 = 2;
        tree.nodes = {split};
        tree.leaves = {{test_box(-1000.0f, 1000.0f), 0, 5}, {test_box(-1000.0f, 1000.0f), 5, 3}};
        tree.items = {0, 1, 2, 4, 6, 3, 5, 1};
        room.tree = tools::add_object_tree(q, tree);
        tools::lmap_binding_desc lit;
        lit.colours = {{{10, 20, 30}}, {{10, 20, 30}}, {{10, 20, 30}}, {{10, 20, 30}}};
        room.lmap_bindings = {tools::add_lmap_binding(q, lit)};
        tools::add_sector(w, room);
        write_package("hall", w);
        ASSERT_TRUE(load_package(srv_, "hall", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        room_ = package_find_sector(*find("hall"), "room");
        ASSERT_NE(room_, nullptr);
        first_person_ = room_->meshes.items[4];
        first_person_->flags |= kDrawFirstPerson;

        gfx& g = graphics();
        auto owned = std::make_unique<recording_driver>();
        driver_ = owned.get();
        g.driver = std::move(owned);
        g.options = gfx_options();
        g.switches = gfx_switches();
        g.fog = gfx_fog_state();
        g.fog_stack.clear();
        fake_texture_add(g, "pane");
        for (geometry* each : find("hall")->geometries.items)
            if (each && each->name == "sky") g.sky_geometry = each;
        for (surface* each : find("hall")->surfaces.items)
            if (each && each->name == "skysurf") g.sky_surface = each;
        ASSERT_NE(g.sky_geometry, nullptr);
        ASSERT_NE(g.sky_surface, nullptr);

        add_viewport({0, 0, 1000, 1000});
        camera_.sector = room_;
        gfx_enable_drawing(g);
    }

    void TearDown() override {
        gfx& g = graphics();
        gfx_disable_drawing(g);
        lamp_clear_lit();
        lamp_free_texture(g.camera_lamp);
        g.current_view = nullptr;
        view_stack_clear_viewports(g.views);
        view_stack_reset_matrices(g.views);
        g.sky_geometry = nullptr;
        g.sky_surface = nullptr;
        g.driver.reset();
        g.options = gfx_options();
        g.switches = gfx_switches();
        g.camera = gfx_camera_context();
        g.fog = gfx_fog_state();
        g.fog_stack.clear();
        test_state_reset();
        world_test::TearDown();
    }

    static gfx& graphics() { return kernel_get().graphics; }

    void add_viewport(std::array<int32_t, 4> rect) {
        auto record = std::make_unique<viewport>();
        for (int i = 0; i < 4; ++i) record->rect[i] = rect[static_cast<std::size_t>(i)];
        const float values[kViewportProjectionValues] = {1.0f,         0.785398163f, 0.785398163f, 0.785398163f,
                                                         0.785398163f, 0.0f,         50000.0f};
        std::copy(std::begin(values), std::end(values), record->projection);
        record->camera = &camera_;
        view_stack_add_viewport(graphics().views, camera_view_copy(*record));
        object_table_add_owned(view_.viewports, std::move(record));
        graphics().current_view = &view_;
    }

    // The frame's calls of these kinds.
    calls_t frame_calls(const std::vector<std::string>& kinds) {
        driver_->take_calls();
        gfx_render_frame(graphics());
        calls_t out;
        for (const std::string& call : driver_->take_calls()) {
            for (const std::string& kind : kinds) {
                if (call.starts_with(kind)) {
                    out.push_back(call);
                    break;
                }
            }
        }
        return out;
    }

    recording_driver* driver_ = nullptr;
    sector* room_ = nullptr;
    mesh_instance* first_person_ = nullptr;
    placement camera_;
    view view_;
};

const std::vector<std::string> kOrderKinds = {"device_ready", "begin_frame", "set_viewport", "set_perspective",
                                              "set_colour ",  "use_texture", "draw_mesh",    "bind_texture",
                                              "set_lamp_layer coordinates",  "end_frame"};

TEST_F(Frame, OneFrameDrawsSkyWorldTranslucentLampAndFirstPersonInOrder) {
    graphics().switches.lamp = true;
    frame_calls({});  // the lamp follows the camera of the frame before
    EXPECT_EQ(frame_calls(kOrderKinds),
              (calls_t{"device_ready", "begin_frame", "set_viewport 0 0 1 1",
                       // The sky: passes 0 and 2.
                       "set_colour 0 0 1", "draw_mesh 3 7 1 null",
                       // The world's passes: the far depth follows the farthest object drawn.
                       "set_perspective 15 5120",
                       // Opaque: each layer once; the crate (in both leaves) once, with its light map.
                       "set_colour 1 0 0", "draw_mesh 3 1 1 colours", "set_colour 0 1 0", "draw_mesh 3 6 1 null",
                       // Translucent, far to near, the two at 80 in submission order.
                       "use_texture pane 0", "draw_mesh 3 2 0 null", "use_texture pane 0", "draw_mesh 3 4 0 null",
                       "use_texture pane 0", "draw_mesh 3 3 0 null",
                       // The lamp: each lit item once more.
                       "set_colour 1 0 0", "bind_texture_clamped lamp", "set_lamp_layer coordinates lamp",
                       "draw_mesh 3 5 1 null", "set_colour 1 0 0", "bind_texture_clamped lamp",
                       "set_lamp_layer coordinates lamp", "draw_mesh 3 1 1 colours", "set_colour 0 1 0",
                       "bind_texture_clamped lamp", "set_lamp_layer coordinates lamp", "draw_mesh 3 6 1 null",
                       // First person, after the depth buffer is cleared.
                       "set_perspective 5 50000", "begin_frame", "set_colour 1 0 0", "draw_mesh 3 5 1 null",
                       "set_viewport 0 0 1 1", "end_frame"}));
    EXPECT_EQ(kernel_get().frame_count, 2);
    EXPECT_EQ(graphics().counters.tree_leaves, 2);
}

TEST_F(Frame, NothingIsDrawnWhenDrawingIsOffOrTheDeviceIsNotReady) {
    frame_calls({});
    const int32_t frames = kernel_get().frame_count;
    gfx_disable_drawing(graphics());
    EXPECT_EQ(frame_calls({""}), calls_t{});
    gfx_enable_drawing(graphics());
    kernel_get().frame_count = frames;
    driver_->device_ready_result = false;
    EXPECT_EQ(frame_calls({""}), calls_t{"device_ready"});
    EXPECT_EQ(kernel_get().frame_count, frames);
}

TEST_F(Frame, EachViewportAdvancesTheStampAndRedrawsTheRoom) {
    add_viewport({500, 0, 500, 500});
    const uint16_t before = world_visit_stamp();
    const calls_t calls = frame_calls({"set_viewport", "draw_mesh 3 1 "});
    EXPECT_EQ(static_cast<uint16_t>(world_visit_stamp() - before), 2);
    EXPECT_EQ(calls, (calls_t{"set_viewport 0 0 1 1", "draw_mesh 3 1 1 colours", "set_viewport 0.5 0 1 0.5",
                              "draw_mesh 3 1 1 colours", "set_viewport 0 0 1 1"}));
}

TEST_F(Frame, FirstPersonObjectsOnlyWhileTheFlagIsSet) {
    graphics().switches.first_person = false;
    const calls_t calls = frame_calls({"draw_mesh 3 5", "begin_frame"});
    EXPECT_EQ(calls, calls_t{"begin_frame"});
}

TEST_F(Frame, SecondRenderPathDrawsNothingAndKeepsNoItems) {
    graphics().options.gfx_rpath = kRenderPathNone;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame_calls({"draw_mesh", "use_texture"}), calls_t{});
    for (const auto& batches : graphics().draw.batches) {
        for (const draw_batch& b : batches) EXPECT_TRUE(b.items.empty());
    }
    EXPECT_TRUE(graphics().draw.sorted_translucent.empty());
    EXPECT_TRUE(graphics().draw.lamp.empty());
}

TEST_F(Frame, ArrayPathDrawsIndexedQuads) {
    graphics().options.gfx_rpath = kRenderPathArrays;
    // The crate's light-map colours go to the colour array with their count.
    const calls_t calls = frame_calls({"draw_quads 1 ", "set_colour_array colours", "draw_mesh"});
    EXPECT_EQ(calls, (calls_t{"set_colour_array colours 4", "draw_quads 1 1"}));
}

TEST_F(Frame, BatchesGoWithALevelLoad) {
    frame_calls({});
    mesh_draw_record& crate = room_->meshes.items[0]->geom->meshes.items[0]->parts[0].draws[0];
    EXPECT_EQ(crate.batch_generation, graphics().draw.generation);
    gfx_disable_drawing(graphics());
    EXPECT_NE(crate.batch_generation, graphics().draw.generation);
    for (const auto& batches : graphics().draw.batches) EXPECT_TRUE(batches.empty());
    gfx_enable_drawing(graphics());
    EXPECT_EQ(frame_calls({"draw_mesh 3 1 "}), calls_t{"draw_mesh 3 1 1 colours"});
}

TEST_F(Frame, TheLampFindsItsTextureAgainAfterALevelChange) {
    graphics().switches.lamp = true;
    frame_calls({});
    EXPECT_EQ(frame_calls({"bind_texture_clamped"}).size(), 3u);
    gfx_free_textures(graphics());
    fake_texture_add(graphics(), "pane");
    EXPECT_EQ(frame_calls({"bind_texture_clamped"}).size(), 3u);
    // Without a camera sector (a level load) nothing is lit.
    gfx_disable_drawing(graphics());
    gfx_enable_drawing(graphics());
    camera_.sector = nullptr;
    EXPECT_EQ(frame_calls({"bind_texture_clamped"}).size(), 0u);
}

TEST_F(Frame, ALimitSurfaceIsSkippedInTheSectorButDrawnInsideAModel) {
    const surface_material* limit = surface_table_get(kernel_get().surfaces, "limit");
    ASSERT_EQ(limit->kind, kSurfaceKindLimit);
    room_->meshes.items[0]->material = limit;
    package& hall = *find("hall");
    mesh_instance* inner = nullptr;
    for (entity_def* def : hall.entities.items)
        if (def && def->name == "inner") inner = def->meshes.items[0];
    ASSERT_NE(inner, nullptr);
    inner->material = limit;
    EXPECT_EQ(frame_calls({"draw_mesh 3 1 ", "draw_mesh 3 6 "}), calls_t{"draw_mesh 3 6 1 null"});
}

TEST_F(Frame, AMaterialPastTheLayersSubmitsNothing) {
    frame_calls({});
    mesh_draw_record& record = room_->meshes.items[5]->geom->meshes.items[0]->parts[0].draws[0];
    EXPECT_EQ(record.draw_id, 2);
    EXPECT_EQ(record.batch_generation, 0u);
    EXPECT_EQ(graphics().counters.objects, 7);  // every other square, the crate once
}

// A model culled on its box hands its number on to the objects after it.
TEST_F(Frame, ACulledModelAdvancesTheLightMapNumber) {
    gfx& g = graphics();
    std::vector<std::unique_ptr<lmap_binding>> bindings;
    object_table<lmap_binding> table;
    for (int i = 0; i < 6; ++i) bindings.push_back(std::make_unique<lmap_binding>());
    for (const auto& b : bindings) table.items.push_back(b.get());
    entity_def behind;
    box3_init(behind.box, {-1.0f, -1.0f, -20.0f}, {1.0f, 1.0f, -10.0f});
    scene_node culled;
    culled.model = &behind;
    culled.number = 3;
    mesh_instance shown;
    shown.geom = room_->meshes.items[0]->geom;
    shown.surf = room_->meshes.items[0]->surf;
    shown.transform = room_->meshes.items[0]->transform;
    entity_def outer;
    box3_init(outer.box, {-100.0f, -100.0f, -100.0f}, {100.0f, 100.0f, 200.0f});
    outer.nodes.items.push_back(&culled);
    outer.meshes.items.push_back(&shown);

    world_visit_stamp_advance();
    view_stack_set_camera(g.views, camera_);
    view_stack_reset_matrices(g.views);
    view_stack_begin_world(g.views, 0);
    gfx_begin_world_walk(g);
    g.context.lightmaps = &table;
    object_number_enter(g.context.numbering, 1);
    gfx_draw_entity_def(g, outer, 0, false);
    g.context.lightmaps = nullptr;
    const std::vector<draw_batch>& opaque = g.draw.batches[kBatchOpaque];
    ASSERT_EQ(opaque.size(), 1u);
    ASSERT_EQ(opaque[0].items.size(), 1u);
    EXPECT_EQ(opaque[0].items[0].lightmap, bindings[4].get());
    // A number past the bindings has none.
    object_number_enter(g.context.numbering, 9);
    g.context.lightmaps = &table;
    world_visit_stamp_advance();
    gfx_draw_entity_def(g, outer, 0, false);
    g.context.lightmaps = nullptr;
    ASSERT_EQ(opaque[0].items.size(), 2u);
    EXPECT_EQ(opaque[0].items[1].lightmap, nullptr);
    draw_list_flush(g, kPassOpaque);
}

TEST_F(Frame, AModelThatHoldsItselfIsDrawnAFewTimesAtMost) {
    gfx& g = graphics();
    entity_def looped;
    box3_init(looped.box, {-100.0f, -100.0f, 1.0f}, {100.0f, 100.0f, 200.0f});
    scene_node self;
    self.model = &looped;
    mesh_instance shown;
    shown.geom = room_->meshes.items[0]->geom;
    shown.surf = room_->meshes.items[0]->surf;
    shown.transform = room_->meshes.items[0]->transform;
    looped.nodes.items.push_back(&self);
    looped.meshes.items.push_back(&shown);
    world_visit_stamp_advance();
    view_stack_set_camera(g.views, camera_);
    view_stack_reset_matrices(g.views);
    view_stack_begin_world(g.views, 0);
    gfx_begin_world_walk(g);
    gfx_draw_entity_def(g, looped, 0, false);
    EXPECT_EQ(g.draw.batches[kBatchOpaque][0].items.size(), 1u);
    // Forced (an entity's model): no deeper than the nesting limit.
    world_visit_stamp_advance();
    gfx_draw_entity_def(g, looped, 0, true);
    EXPECT_EQ(g.draw.batches[kBatchOpaque][0].items.size(), 1u + static_cast<std::size_t>(kMaxModelDepth));
    EXPECT_EQ(g.context.model_depth, 0);
    draw_list_flush(g, kPassOpaque);
}

// The sky box is drawn around the eye as large as the far distance allows: its farthest corner stays
// inside it (the box here reaches 1.5 from its centre), and 50000 is the most it is scaled.
TEST_F(Frame, TheSkyStaysInsideTheFarDistance) {
    gfx& g = graphics();
    const float reach = 1.5f;
    const struct {
        float far;
        float scale;
    } cases[] = {{50000.0f, 50000.0f * 0.99f / reach}, {1.0e6f, 50000.0f}, {300.0f, 300.0f * 0.99f / reach},
                 {0.0f, 50000.0f}, {-5.0f, 50000.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.far);
        g.views.viewports[0].record.projection[kViewportFar] = c.far;
        g.views.current = 0;
        EXPECT_FLOAT_EQ(gfx_sky_scale(g), c.scale);
        if (c.far > 0.0f) {
            EXPECT_LT(gfx_sky_scale(g) * reach, c.far);
        }
    }
    g.views.viewports[0].record.projection[kViewportFar] = 50000.0f;
}

class Underwater : public Frame {
protected:
    void SetUp() override {
        Frame::SetUp();
        pool_.geom = room_->meshes.items[0]->geom;
        // The front end's world is the test's.
        graphics().effects.world = &srv_;
        srv_.water_instances.push_back(&pool_);
    }
    void TearDown() override {
        std::erase(srv_.water_instances, &pool_);
        graphics().effects.world = nullptr;
        Frame::TearDown();
    }
    // The pool's box spans y from `bottom` up by 20, x from -10 to 10, z 0.
    void pool_at(float bottom, const char* material) {
        pool_.material = surface_table_get(kernel_get().surfaces, material);
        mat4_set_scale(pool_.transform, 10.0f, 10.0f, 10.0f);
        pool_.transform.m[13] = bottom + 10.0f;
    }
    mesh_instance pool_;
};

TEST_F(Underwater, BelowTheBoxFogsAndLeavingRestores) {
    const gfx_fog level{0.25f, 1.0f, 1.0f, 1.0f};
    gfx_set_fog(graphics(), &level);
    pool_at(0.0f, "water1");  // the eye at the box's min.y
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{});
    EXPECT_FALSE(graphics().switches.underwater);
    pool_at(1.0f, "water1");
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{"set_fog 0.0015 0.3 0.3 0.4"});
    EXPECT_TRUE(graphics().switches.underwater);
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{});
    pool_at(0.0f, "water1");
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{"set_fog 0.25 1 1 1"});
    EXPECT_FALSE(graphics().switches.underwater);
    EXPECT_TRUE(graphics().fog_stack.empty());
}

TEST_F(Underwater, ANegativeFogValueKeepsTheFogAndAMovedPoolStillFogs) {
    pool_at(1.0f, "water4");
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{});
    EXPECT_TRUE(graphics().switches.underwater);
    EXPECT_FALSE(graphics().fog.on);
    pool_at(0.0f, "water4");
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{"set_fog null"});

    // The pool listed in the room, which moves down: its box goes with the room.
    pool_at(0.0f, "water1");
    object_table_add_owned(room_->meshes, std::unique_ptr<mesh_instance>());
    room_->meshes.items.back() = &pool_;
    mat4_set_identity(room_->transform);
    room_->transform.m[13] = 5.0f;
    room_->transform.m[15] = 1.0f;
    EXPECT_EQ(frame_calls({"set_fog"}), calls_t{"set_fog 0.0015 0.3 0.3 0.4"});
    room_->meshes.items.pop_back();
    room_->meshes.storage.pop_back();
}

// The layer walk over nested surfaces.
TEST(SurfaceLayers, DepthFirstThroughNonNullSubSurfaces) {
    shader a, b, c;
    token_list la, lb, lc;
    surface inner;
    inner.descriptions.push_back(std::make_unique<token_list>());
    inner.shaders.push_back(&b);
    inner.references.push_back(nullptr);
    inner.descriptions.push_back(std::make_unique<token_list>());
    inner.shaders.push_back(&c);
    inner.references.push_back(nullptr);
    surface outer;
    outer.descriptions.push_back(std::make_unique<token_list>());
    outer.shaders.push_back(&a);
    outer.references.push_back(nullptr);
    outer.descriptions.push_back(nullptr);  // a reference layer: the inner surface
    outer.shaders.push_back(nullptr);
    outer.references.push_back(&inner);
    outer.descriptions.push_back(nullptr);  // a reference never resolved
    outer.shaders.push_back(nullptr);
    outer.references.push_back(nullptr);
    struct row {
        uint32_t material;
        const shader* expected;
    };
    // 0: a; 1, 2: the inner layers; 3: the reference entry itself ends on the inner's last; 4: none.
    for (const row& r : std::vector<row>{{0, &a}, {1, &b}, {2, &c}, {3, &c}, {4, nullptr}, {5, nullptr}}) {
        const shader* found = nullptr;
        const token_list* layer = nullptr;
        EXPECT_EQ(surface_find_layer(outer, r.material, found, layer), r.expected != nullptr) << r.material;
        EXPECT_EQ(found, r.expected) << r.material;
    }
}

TEST(DetailLevel, DistanceAndSize) {
    struct row {
        float depth;
        float size;
        int32_t level;
    };
    for (const row& r : std::vector<row>{{1350.0f, 200.0f, 100},
                                         {100.0f, 200.0f, 100},
                                         {8775.0f, 200.0f, 50},
                                         {17000.0f, 100.0f, 0},
                                         {17000.0f, 600.0f, 3},
                                         {100.0f, 600.0f, 100}}) {
        box3 box;
        const float h = r.size / 2.0f;
        box3_init(box, {-h, -h, r.depth - h}, {h, h, r.depth + h});
        EXPECT_EQ(gfx_detail_level(box), r.level) << r.depth << " " << r.size;
    }
}

}  // namespace
}  // namespace kv
