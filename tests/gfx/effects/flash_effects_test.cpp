// The muzzle flash (one frame), the white-out of a flash explosion (seen or not, its level by angle
// and distance, 5 s held and 15 s of fade), the red flash (opaque, then gone after 750 ms) and the
// scrolling of the water textures (at most 30 steps a second).

#include "gfx/effects/flash_effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/effects/effect_test_support.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"

namespace kv {
namespace {

int g_flashes_drawn = 0;
void count_flash(gfx&, mesh&, surface&) {
    ++g_flashes_drawn;
}

class FlashEffects : public effect_test {
protected:
    void SetUp() override {
        effect_test::SetUp();
        g_flashes_drawn = 0;
        gfx_set_effect_part_drawer(g_, count_flash);
    }

    // The camera at the origin looking along +z.
    void look_from_origin() { g_.views.view_matrix = kMat4Identity; }

    // The alphas of the full-screen fills of one overlay pass.
    std::vector<int> fills(int64_t ms) {
        driver_->take_calls();
        frame(ms);
        std::vector<int> alphas;
        for (const std::string& call : driver_->take_calls()) {
            if (!call.starts_with("fill_rect 0 0 1000 1000 | ")) continue;
            alphas.push_back(std::stoi(call.substr(call.rfind(' ') + 1)));
        }
        return alphas;
    }
};

TEST_F(FlashEffects, AMuzzleFlashIsDrawnInOneFrameOnly) {
    for (uint8_t side : {0, 1}) {
        mat4 muzzle;
        mat4_set_translation(muzzle, 1.0f, 2.0f, 3.0f);
        gfx_add_weapon_model_effect(g_, muzzle, "muzzle_front", "muzzle_side", side);
        gfx_set_weapon_model_effect(g_, 2.0f);
        auto* flash = dynamic_cast<weapon_model_effect*>(g_.effects.last_effect);
        ASSERT_TRUE(flash);
        EXPECT_EQ(flash->scale[2], 2.0f);
        gfx_forget_last_effect(g_);
        clock_.advance_ms(500);  // made long before the frame that shows it
        g_flashes_drawn = 0;
        // Two viewports of one frame.
        gfx_render_effects(g_);
        gfx_render_effects(g_);
        gfx_draw_effect_overlays(g_);
        EXPECT_EQ(g_flashes_drawn, 2) << int(side);
        ASSERT_TRUE(flash->flash);
        EXPECT_EQ(flash->flash->rest_vertices.size(), side ? 14u : 4u);
        EXPECT_FLOAT_EQ(std::fabs(flash->flash->rest_vertices[0].x), side ? 0.0f : 42.0f);
        // The front flash is a first-person object while those are drawn.
        EXPECT_EQ(flash->draw_flags(g_) != nullptr, side == 0);
        g_.switches.first_person = false;
        EXPECT_EQ(flash->draw_flags(g_), nullptr);
        g_.switches.first_person = true;
        frame(16);
        EXPECT_EQ(g_flashes_drawn, 2);
        EXPECT_EQ(g_.effects.count, 0u);
    }
}

// The level of the white-out: 1.0, 0.95 past 30 degrees, 0.9 past 40, 0.8 past 90, less a quarter of
// itself times distance / 1600 beyond 800 units; nothing past 1600 units or behind a wall.
TEST_F(FlashEffects, TheScreenFlashLevelByAngleDistanceAndCover) {
    look_from_origin();
    auto at = [](float distance, float degrees) {
        const float a = degrees * std::numbers::pi_v<float> / 180.0f;
        return vec3{distance * std::sin(a), 0.0f, distance * std::cos(a)};
    };
    const struct {
        vec3 position;
        float level;  // 0: no white-out
    } cases[] = {
        {at(1200.0f, 35.0f), 0.95f - 0.75f * 0.95f * 0.25f},
        {at(500.0f, 10.0f), 1.0f},
        {at(500.0f, 45.0f), 0.9f},
        {at(500.0f, 120.0f), 0.8f},
        {at(1700.0f, 0.0f), 0.0f},
        {{600.0f, 0.0f, 0.0f}, 0.0f},  // behind the wall at x = 300
    };
    for (const auto& c : cases) {
        gfx_add_screen_tint_effect(g_, 0, c.position);
        auto* tint = dynamic_cast<screen_tint_effect*>(g_.effects.last_effect);
        ASSERT_TRUE(tint);
        gfx_forget_last_effect(g_);
        if (c.level == 0.0f) {
            EXPECT_FALSE(tint->alive());
            EXPECT_EQ(fills(0), std::vector<int>{});
        } else {
            EXPECT_NEAR(tint->level, c.level, 1e-5f);
            EXPECT_EQ(fills(0), std::vector<int>{static_cast<int>(c.level * 255.0f)});
        }
        gfx_clear_effects(g_);
    }
    // An unknown sector sees nothing.
    gfx_add_screen_tint_effect(g_, 99, at(100.0f, 0.0f));
    EXPECT_EQ(fills(0), std::vector<int>{});
    EXPECT_EQ(g_.effects.count, 0u);
}

TEST_F(FlashEffects, TheWhiteHoldsFiveSecondsThenFadesOverFifteen) {
    look_from_origin();
    gfx_add_screen_tint_effect(g_, 0, {0.0f, 0.0f, 100.0f});
    EXPECT_EQ(fills(0), std::vector<int>{255});
    EXPECT_EQ(fills(5000), std::vector<int>{255});
    // The fade starts once the 5 s are past.
    EXPECT_EQ(fills(1500), std::vector<int>{255});
    EXPECT_EQ(fills(100), std::vector<int>{static_cast<int>((1.0f - 1500 * 0.00006666f) * 255.0f)});
    int frames = 0;
    while (g_.effects.count > 0 && frames < 1000) {
        fills(100);
        ++frames;
    }
    // 15 s of fade in all, 1.5 s of it already run.
    EXPECT_NEAR(frames, 135, 1);
}

TEST_F(FlashEffects, TheRedFlashIsOpaqueFirstAndGoneAfter750Ms) {
    gfx_add_red_flash_effect(g_);
    gfx_forget_last_effect(g_);
    // Each fill shows the alpha the frame before reached.
    EXPECT_EQ(fills(0), std::vector<int>{255});
    EXPECT_EQ(fills(375), std::vector<int>{255});
    EXPECT_EQ(fills(0), std::vector<int>{127});
    EXPECT_EQ(fills(374), std::vector<int>{127});
    EXPECT_EQ(fills(1), std::vector<int>{0});
    EXPECT_EQ(g_.effects.count, 1u);
    // Past 750 ms the alpha stays at 0 (the fade would fall below it), and the flash ends.
    EXPECT_EQ(fills(300), std::vector<int>{0});
    EXPECT_EQ(fills(0), std::vector<int>{});
    EXPECT_EQ(g_.effects.count, 0u);
}

// The water instances' meshes move by (flow x, flow z) x speed / 33 per step, one step per 33 ms at
// most, whatever the frame rate.
TEST_F(FlashEffects, ScrollingStepsAtMost30TimesASecond) {
    mesh_instance* water = find("arena")->sectors.items[1]->meshes.items[0];
    srv_.water_instances = {water};
    mesh& m = *water->geom->meshes.items[0];
    const surface_material& row = *water->material;
    gfx_add_texture_scroll_effect(g_);
    gfx_forget_last_effect(g_);
    for (int64_t frame_ms : {1, 10, 16, 33, 100}) {
        const float u0 = m.rest_vertices[0].u;
        const float v0 = m.rest_vertices[0].v;
        int steps = 0;
        for (int64_t t = frame_ms; t <= 1000; t += frame_ms) {
            const float before = m.rest_vertices[0].u;
            frame(frame_ms);
            if (m.rest_vertices[0].u != before) ++steps;
        }
        EXPECT_LE(steps, 30) << frame_ms;
        EXPECT_GE(steps, 10) << frame_ms;
        EXPECT_NEAR(m.rest_vertices[0].u - u0, steps * row.flow_direction[0] * row.scroll_speed / 33.0f,
                    1e-3f);
        EXPECT_NEAR(m.rest_vertices[0].v - v0, steps * row.flow_direction[2] * row.scroll_speed / 33.0f,
                    1e-3f);
    }
    EXPECT_EQ(effect_kinds(g_), std::vector<effect_class>{effect_class::texture_scroll});
    srv_.water_instances.clear();
}

}  // namespace
}  // namespace kv
