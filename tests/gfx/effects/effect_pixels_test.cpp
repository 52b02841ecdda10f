// Effects drawn for real by the OpenGL driver on an Xvfb of the test's own: a wall impact's hole decal
// lies where the bullet hit, the red flash fills the window in its first frame, an explosion's
// sprite shows in the frames whose sprite step falls due, and a shattered pane lets what is behind it
// show while its shards lie on the floor.

#include <gtest/gtest.h>

#include <memory>

#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/effects/glass_shatter_effect.h"
#include "gfx/gfx.h"
#include "gfx/screen_image.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/byte_writer.h"
#include "tools/effect_pictures.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

struct rgb {
    int r, g, b;
};

class EffectPixels : public testing::Test {
protected:
    static void SetUpTestSuite() { display_ = new x_display(640, 480); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());
        log_open(folder_.file("kv.log"));
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
        textures_ = std::make_unique<scoped_texture_data>(folder_.path().string() + "/");
        for (const tools::effect_picture& p : tools::effect_pictures())
            ASSERT_TRUE(tools::write_file(folder_.path() / "tex" / "tga" / (p.name + ".tga"), p.targa));
        auto driver = std::make_unique<gl_driver>();
        ASSERT_TRUE(driver->open(0, false, false));
        driver_ = driver.get();
        g_.driver = std::move(driver);
        g_.effects.world = &world_;
        gfx_set_effect_echo(g_, false);
        // The camera at the origin, looking along +z.
        g_.views.view_matrix = kMat4Identity;
        view_stack_reset_matrices(g_.views);
    }
    void TearDown() override {
        gfx_reset_effects(g_);
        gfx_texture_list_clear(g_);
        g_.driver.reset();
        textures_.reset();
        log_close();
        env_.reset();
    }

    // A frame on a white screen: the effect pass, then the overlays.
    void frame() {
        driver_->set_viewport(0, 0, 1, 1);
        driver_->begin_frame();
        // The fill is drawn under the model-view the last effect part left.
        driver_->set_modelview(kMat4Identity, false);
        driver_->fill_rect(0, 0, 1000, 1000, 255, 255, 255, 255);
        gfx_render_effects(g_);
        gfx_draw_effect_overlays(g_);
        driver_->end_frame();
        ASSERT_TRUE(driver_->read_screen(0, 0, 1, 1, image_));
    }
    // Solid colours under these names in the texture folder.
    void write_colour(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
        ASSERT_TRUE(
            tools::write_file(folder_.path() / "tex" / "tga" / (name + ".tga"), plain_texture_file(r, g, b)));
    }
    // The camera at the point, looking down; the driver's square 90-degree view under it.
    void look_down_from(const vec3& at) {
        g_.views.view_matrix = mat4_inverse_rigid(effect_axes({1, 0, 0}, {0, 0, 1}, {0, -1, 0}, at));
        view_stack_reset_matrices(g_.views);
        view_stack_push_matrix(g_.views, g_.views.view_matrix);
    }
    rgb at(uint32_t x, uint32_t y) const {
        const uint8_t* p = &image_.pixels[(static_cast<std::size_t>(y) * image_.width + x) * 3];
        return {p[0], p[1], p[2]};
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
    std::unique_ptr<scoped_texture_data> textures_;
    server world_;
    gfx g_;
    gl_driver* driver_ = nullptr;
    screen_image image_;
};

x_display* EffectPixels::display_ = nullptr;

TEST_F(EffectPixels, AWallImpactShowsItsHoleAtTheHit) {
    // A wall 20 units ahead, facing the camera, hit right in front of it.
    gfx_add_blast_impact_effect(g_, {0.0f, 0.0f, 20.0f}, {0.0f, 0.0f, -1.0f}, nullptr);
    gfx_forget_last_effect(g_);
    frame();
    ASSERT_EQ(image_.width, 640u);
    const rgb centre = at(320, 240);
    EXPECT_LT(centre.r, 80);
    EXPECT_LT(centre.g, 80);
    EXPECT_LT(centre.b, 80);
    // Far from the hit the screen stays as it was.
    const rgb corner = at(20, 20);
    EXPECT_GT(corner.r, 200);
    EXPECT_GT(corner.g, 200);
}

TEST_F(EffectPixels, TheRedFlashFillsTheWindowInItsFirstFrame) {
    gfx_add_red_flash_effect(g_);
    gfx_forget_last_effect(g_);
    frame();
    for (const auto& [x, y] : {std::pair{320u, 240u}, std::pair{5u, 5u}, std::pair{630u, 470u}}) {
        const rgb p = at(x, y);
        EXPECT_NEAR(p.r, 180, 2);
        EXPECT_NEAR(p.g, 0, 2);
        EXPECT_NEAR(p.b, 0, 2);
    }
}

// The sprite step falls due about every 33 ms: in a frame where it does, the sprite lies under the
// camera; in the next frame, a millisecond on, nothing is drawn.
TEST_F(EffectPixels, AnExplosionsSpriteShowsInTheFramesOfItsSteps) {
    write_colour("expl_1", 255, 0, 0);
    fake_clock clock;
    scoped_clock use_clock(clock);
    look_down_from({0, 0, 0});
    // The sprites 50 x 0.1 above the explosion, 345 below the camera; at 300 ms half a side of 150.
    gfx_add_explosion_effect(g_, {0, -350, 0}, {0.1f, 0.1f, 0.1f});
    gfx_set_explosion_effect(g_, "", 1, "", 0);
    gfx_forget_last_effect(g_);
    frame();
    EXPECT_GT(at(320, 240).g, 200);  // not started: nothing due yet
    clock.advance_ms(300);
    frame();
    const rgb centre = at(320, 240);
    EXPECT_GT(centre.r, 200);
    EXPECT_LT(centre.g, 40);
    EXPECT_GT(at(5, 5).g, 200);
    // One step a pass: the passes a millisecond apart catch up with the steps, then one is not due.
    int passes = 0;
    do {
        clock.advance_ms(1);
        frame();
    } while (at(320, 240).g < 200 && ++passes < 20);
    EXPECT_LT(passes, 20);
    EXPECT_GT(at(320, 240).r, 200);
    clock.advance_ms(34);
    frame();
    EXPECT_LT(at(320, 240).g, 40);
}

// A blue pane standing on a grey floor before a green wall. Seen through, the pane shows blue until
// it shatters, then the wall; from above, its shards lie blue on the floor.
TEST_F(EffectPixels, AShatteredPaneShowsWhatIsBehindAndItsShardsOnTheFloor) {
    write_colour("pane_blue", 0, 0, 255);
    write_colour("wall_green", 0, 255, 0);
    write_colour("floor_grey", 128, 128, 128);
    fake_clock clock;
    scoped_clock use_clock(clock);
    const int32_t blue = effect_register_texture(g_, "pane_blue");
    const int32_t green = effect_register_texture(g_, "wall_green");
    const int32_t grey = effect_register_texture(g_, "floor_grey");
    const float pane_quad[20] = {-50, -100, 200, 0, 1, -50, 100,  200, 0, 0,
                                 50,  100,  200, 1, 0, 50,  -100, 200, 1, 1};
    const float wall_quad[20] = {-600, -100, 400, 0, 1, -600, 300,  400, 0, 0,
                                 600,  300,  400, 1, 0, 600,  -100, 400, 1, 1};
    const float floor_quad[20] = {-600, -100, 0,   0, 0, 600,  -100, 0,   1, 0,
                                  600,  -100, 400, 1, 1, -600, -100, 400, 0, 1};
    std::unique_ptr<mesh> pane = effect_quad(pane_quad, blue);
    std::unique_ptr<mesh> wall = effect_quad(wall_quad, green);
    std::unique_ptr<mesh> ground = effect_quad(floor_quad, grey);
    surface& paints = g_.effects.effect_surface;
    // The level as the world drawing shows it: a broken pane is not drawn.
    auto scene = [&] {
        driver_->set_viewport(0, 0, 1, 1);
        driver_->begin_frame();
        driver_->set_modelview(kMat4Identity, false);
        driver_->fill_rect(0, 0, 1000, 1000, 255, 255, 255, 255);
        gfx_draw_effect_part(g_, *wall, paints);
        gfx_draw_effect_part(g_, *ground, paints);
        if (!mesh_is_broken(*pane)) gfx_draw_effect_part(g_, *pane, paints);
        gfx_render_effects(g_);
        driver_->end_frame();
        ASSERT_TRUE(driver_->read_screen(0, 0, 1, 1, image_));
    };
    auto blue_pixels = [&] {
        int n = 0;
        for (uint32_t y = 0; y < image_.height; ++y)
            for (uint32_t x = 0; x < image_.width; ++x) n += at(x, y).b > 200 && at(x, y).r < 60 ? 1 : 0;
        return n;
    };
    auto side = [&] {
        g_.views.view_matrix = kMat4Identity;
        view_stack_reset_matrices(g_.views);
    };
    // Straight ahead, through the pane.
    const uint32_t through_y = 240;
    side();
    scene();
    EXPECT_GT(at(320, through_y).b, 200);
    look_down_from({0, 500, 220});
    scene();
    const int edge_on = blue_pixels();  // the pane seen almost edge-on

    trace_hit hit;
    hit.hit_mesh = pane.get();
    hit.surf = &paints;
    gfx_add_glass_shatter_effect(g_, hit, nullptr);
    gfx_forget_last_effect(g_);
    side();
    scene();  // the first pass cuts the shards
    for (int i = 0; i < 60; ++i) {
        clock.advance_ms(50);
        scene();
    }
    auto* shards = dynamic_cast<glass_shatter_effect*>(g_.effects.items.front().get());
    ASSERT_NE(shards, nullptr);
    ASSERT_EQ(shards->shard_count, 10);
    for (const mesh_vertex& v : shards->shard_mesh->rest_vertices) EXPECT_EQ(v.y, -97.0f);
    const rgb behind = at(320, through_y);
    EXPECT_GT(behind.g, 200);
    EXPECT_LT(behind.b, 60);
    look_down_from({0, 500, 220});
    scene();
    EXPECT_GT(blue_pixels(), 2 * edge_on + 200) << edge_on;
    gfx_clear_effects(g_);
    EXPECT_FALSE(mesh_is_broken(*pane));
}

}  // namespace
}  // namespace kv
