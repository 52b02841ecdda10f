// Effects drawn for real by the OpenGL driver on an Xvfb of the test's own: a wall impact's hole decal
// lies where the bullet hit, and the red flash fills the window in its first frame.

#include <gtest/gtest.h>

#include <memory>

#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "gfx/screen_image.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/byte_writer.h"
#include "tools/effect_pictures.h"
#include "world/surface_table.h"

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
        driver_->fill_rect(0, 0, 1000, 1000, 255, 255, 255, 255);
        gfx_render_effects(g_);
        gfx_draw_effect_overlays(g_);
        driver_->end_frame();
        ASSERT_TRUE(driver_->read_screen(0, 0, 1, 1, image_));
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

}  // namespace
}  // namespace kv
