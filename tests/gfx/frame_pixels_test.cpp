// Pixels of whole frames through the OpenGL driver, on Mesa under an Xvfb of the test's own: a green
// sky, an opaque red crate seen through a translucent blue pane, a yellow first-person object
// standing behind a nearer grey wall. The level is written by the package writer.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/camera_view.h"
#include "gfx/draw_lists.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/gfx.h"
#include "gfx/gfx_camera.h"
#include "gfx/screen_image.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "tests/support/call_log.h"
#include "tests/support/fake_textures.h"
#include "tests/support/x_display.h"
#include "tests/world/world_test_support.h"
#include "tools/token_writer.h"
#include "world/geometry.h"
#include "world/lamp.h"
#include "world/sector.h"

namespace kv {
namespace {

using tools::token_writer;

struct rgb {
    int r, g, b;
};

tools::mesh_desc square(float z = 0.0f) {
    tools::mesh_desc m;
    box3_init(m.box, {-1.0f, -1.0f, z}, {1.0f, 1.0f, z});
    m.primitive_kind = 3;
    m.vertices = {{-1, -1, z, 0, 0}, {1, -1, z, 1, 0}, {1, 1, z, 1, 1}, {-1, 1, z, 0, 1}};
    tools::mesh_desc::part part;
    part.indices = {0, 1, 2, 3};
    part.draws.push_back({0, 1, 0});
    m.parts.push_back(part);
    m.tree.push_back({m.box, 4, 0});
    return m;
}

tools::transform_block place(float x, float z, float scale) {
    tools::transform_block t;
    t.translation = {x, 0.0f, z};
    t.scale = {scale, scale, scale};
    return t;
}

class FramePixels : public world_test {
protected:
    static void SetUpTestSuite() { display_ = new x_display(640, 480); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }

    void SetUp() override {
        world_test::SetUp();
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());

        tools::package_writer w;
        auto& q = w.qxps();
        auto colour = [](float r, float g, float b) {
            return token_writer().str("dcolor").number(r).number(g).number(b).bytes();
        };
        w.add_shader("red", {colour(1, 0, 0)});
        w.add_shader("grey", {colour(0.5f, 0.5f, 0.5f)});
        w.add_shader("yellow", {colour(1, 1, 0)});
        w.add_shader("green", {colour(0, 1, 0)});
        w.add_shader("glass", {token_writer().str("tex").str("$1").bytes()});
        auto layer = [](const char* shader, const char* arg = nullptr) {
            token_writer t;
            t.str("layer").str(shader);
            if (arg) t.str(arg);
            return tools::description_layer(t.bytes());
        };
        w.add_surface("crate", {layer("red")});
        w.add_surface("wall", {layer("grey")});
        w.add_surface("gun", {layer("yellow")});
        w.add_surface("sky", {layer("green")});
        w.add_surface("pane", {layer("glass", "bluepane")});
        tools::geometry_desc sq;
        sq.name = "square";
        sq.box = square().box;
        sq.meshes = {tools::add_mesh(q, square())};
        tools::add_geometry(w, sq);
        tools::geometry_desc sky;
        sky.name = "skydome";
        sky.box = square(0.5f).box;
        sky.meshes = {tools::add_mesh(q, square(0.5f))};
        tools::add_geometry(w, sky);

        tools::sector_desc room;
        room.name = "room";
        room.meshes = {
            tools::add_mesh_instance(q, {place(-40.0f, 100.0f, 20.0f), "square", "crate", "", 0}),
            tools::add_mesh_instance(q, {place(-40.0f, 80.0f, 16.0f), "square", "pane", "", 1}),
            tools::add_mesh_instance(q, {place(40.0f, 100.0f, 30.0f), "square", "wall", "", 2}),
            tools::add_mesh_instance(q, {place(40.0f, 300.0f, 10.0f), "square", "gun", "", 3}),
        };
        tools::add_sector(w, room);
        write_package("pixels", w);
        ASSERT_TRUE(load_package(srv_, "pixels", false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        room_ = package_find_sector(*find("pixels"), "room");
        ASSERT_NE(room_, nullptr);
        room_->meshes.items[3]->flags |= kDrawFirstPerson;

        gfx& g = kernel_get().graphics;
        auto driver = std::make_unique<gl_driver>();
        ASSERT_TRUE(driver->open(0, false, false));
        g.driver = std::move(driver);
        g.options = gfx_options();
        g.options.bfcull_on = false;
        g.switches = gfx_switches();
        g.fog = gfx_fog_state();
        texture& blue = fake_texture_add(g, "bluepane");
        for (std::size_t i = 0; i < blue.pixels.size(); i += 4) {
            blue.pixels[i] = 0;
            blue.pixels[i + 1] = 0;
            blue.pixels[i + 2] = 255;
            blue.pixels[i + 3] = 128;
        }
        for (geometry* each : find("pixels")->geometries.items)
            if (each && each->name == "skydome") g.sky_geometry = each;
        for (surface* each : find("pixels")->surfaces.items)
            if (each && each->name == "sky") g.sky_surface = each;

        auto record = std::make_unique<viewport>();
        record->rect[2] = 1000;
        record->rect[3] = 1000;
        const float values[kViewportProjectionValues] = {1.0f,         0.785398163f, 0.785398163f, 0.785398163f,
                                                         0.785398163f, 0.0f,         50000.0f};
        std::copy(std::begin(values), std::end(values), record->projection);
        camera_.sector = room_;
        record->camera = &camera_;
        view_stack_clear_viewports(g.views);
        view_stack_add_viewport(g.views, camera_view_copy(*record));
        object_table_add_owned(view_.viewports, std::move(record));
        g.current_view = &view_;
        gfx_enable_drawing(g);
    }

    void TearDown() override {
        gfx& g = kernel_get().graphics;
        gfx_disable_drawing(g);
        gfx_texture_list_clear(g);
        g.current_view = nullptr;
        view_stack_clear_viewports(g.views);
        view_stack_reset_matrices(g.views);
        g.sky_geometry = nullptr;
        g.sky_surface = nullptr;
        g.driver.reset();
        g.options = gfx_options();
        g.switches = gfx_switches();
        g.camera = gfx_camera_context();
        env_.reset();
        test_state_reset();
        world_test::TearDown();
    }

    screen_image frame() {
        gfx& g = kernel_get().graphics;
        gfx_render_frame(g);
        screen_image image;
        EXPECT_TRUE(g.driver->read_screen(0, 0, 1, 1, image));
        return image;
    }

    static rgb at(const screen_image& image, uint32_t x, uint32_t y) {
        const uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
        return {p[0], p[1], p[2]};
    }

    // Screen positions (640 x 480, 90-degree view): x = (X / Z + 1) 320.
    static constexpr uint32_t kCrateX = 192;  // -40 / 100
    static constexpr uint32_t kCrateOnlyX = 240;  // -25 / 100: the crate beside the pane
    static constexpr uint32_t kGunX = 363;    // 40 / 300
    static constexpr uint32_t kWallX = 460;   // 60 / 100: the wall beside the gun
    static constexpr uint32_t kSkyX = 600;
    static constexpr uint32_t kMiddleY = 240;

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    sector* room_ = nullptr;
    placement camera_;
    view view_;
};

x_display* FramePixels::display_ = nullptr;

TEST_F(FramePixels, TheWorldOverTheSkyThePaneBlendedTheGunInFront) {
    const screen_image image = frame();
    ASSERT_EQ(image.width, 640u);
    const rgb sky = at(image, kSkyX, kMiddleY);
    EXPECT_GT(sky.g, 200);
    EXPECT_LT(sky.r + sky.b, 40);
    const rgb crate = at(image, kCrateOnlyX, kMiddleY);
    EXPECT_GT(crate.r, 200);
    EXPECT_LT(crate.g + crate.b, 40);
    // The red crate through the half-transparent blue pane.
    const rgb blend = at(image, kCrateX, kMiddleY);
    EXPECT_NEAR(blend.r, 127, 20);
    EXPECT_NEAR(blend.b, 128, 20);
    EXPECT_LT(blend.g, 40);
    const rgb wall = at(image, kWallX, kMiddleY);
    EXPECT_NEAR(wall.r, 128, 5);
    EXPECT_NEAR(wall.g, 128, 5);
    // The first-person object, three times farther than the wall, is drawn over it.
    const rgb gun = at(image, kGunX, kMiddleY);
    EXPECT_GT(gun.r, 200);
    EXPECT_GT(gun.g, 200);
    EXPECT_LT(gun.b, 40);
}

TEST_F(FramePixels, WireframeShowsTheEdgesOnly) {
    kernel_get().graphics.switches.wireframe = true;
    kernel_get().graphics.switches.first_person = false;
    const screen_image image = frame();
    // Inside the crate and the wall the sky shows; on the crate's left edge its red line.
    const rgb inside = at(image, kCrateOnlyX, kMiddleY);
    EXPECT_GT(inside.g, 200);
    EXPECT_LT(inside.r, 40);
    const rgb wall = at(image, kWallX, kMiddleY);
    EXPECT_GT(wall.g, 200);
    int red_edge = 0;
    for (uint32_t x = 124; x <= 132; ++x) {
        const rgb c = at(image, x, kMiddleY);
        if (c.r > 200 && c.g < 40) ++red_edge;
    }
    EXPECT_GT(red_edge, 0);
}

// A frame that draws nothing (no view, no sky: a screen with no level behind it) shows the clear
// colour, not the frames before it; both buffers held the sky first.
TEST_F(FramePixels, AFrameThatDrawsNothingShowsNoOlderFrame) {
    gfx& g = kernel_get().graphics;
    frame();
    EXPECT_GT(at(frame(), kSkyX, kMiddleY).g, 200);
    g.current_view = nullptr;
    g.sky_geometry = nullptr;
    for (const screen_image& image : {frame(), frame()}) {
        for (const uint32_t x : {kSkyX, kCrateOnlyX, kWallX}) {
            const rgb c = at(image, x, kMiddleY);
            EXPECT_EQ(c.r + c.g + c.b, 0) << "x " << x;
        }
    }
}

}  // namespace
}  // namespace kv
