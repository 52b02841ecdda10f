// Ripples: none at low detail, frames and growth paced by the lifetime, the splash sound, and what
// the network hands in (an unknown sector, a lifetime of 0 or of hours).

#include "gfx/effects/water_ripple_effect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/effects/effect_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "world/mesh.h"

namespace kv {
namespace {

int g_rings_drawn = 0;
void count_ring(gfx&, mesh&, surface&) {
    ++g_rings_drawn;
}

class WaterRipple : public effect_test {
protected:
    void SetUp() override {
        effect_test::SetUp();
        g_rings_drawn = 0;
        gfx_set_effect_part_drawer(g_, count_ring);
    }

    water_ripple_effect* ripple(float size = 1.0f, int32_t lifetime = 2000, int32_t sound = 0) {
        gfx_add_water_ripple_effect(g_, {10, 0, 20}, size, pool_);
        gfx_set_water_ripple_effect(g_, "water_ripple", lifetime, sound);
        auto* e = dynamic_cast<water_ripple_effect*>(g_.effects.last_effect);
        gfx_forget_last_effect(g_);
        return e;
    }
};

TEST_F(WaterRipple, AtLowDetailARippleIsGoneAtItsFirstPassUnseenAndUnheard) {
    kernel_sound_probe sound(srv_.data_dir, {"pass-water1", "pass-water2", "pass-water3", "pass-water4"});
    kernel_get().detail_level = kDetailLow;
    ripple(1.0f, 2000, 1);
    frame(0);
    EXPECT_EQ(g_.effects.count, 0u);
    EXPECT_EQ(g_rings_drawn, 0);
    EXPECT_EQ(sound.take(), std::vector<std::string>{});

    // At high detail it is drawn and its splash heard once, at the ripple.
    kernel_get().detail_level = kDetailHigh;
    ripple(1.0f, 2000, 1);
    frame(0);
    frame(10);
    EXPECT_EQ(g_rings_drawn, 2);
    const std::vector<std::string> played = sound.take();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_TRUE(played[0].starts_with("2 pass-water")) << played[0];
    EXPECT_NE(played[0].find(" 3d 10 0 20"), std::string::npos) << played[0];
}

// Frames change every lifetime / 5 ms; each growth step adds (800 size - 50) / (lifetime / 33) / 100.
TEST_F(WaterRipple, TheLifetimePacesFramesAndGrowth) {
    const struct {
        int32_t lifetime;
        int64_t frame_ms;
    } cases[] = {{2000, 400}, {1000, 200}};
    std::vector<float> growth;
    for (const auto& c : cases) {
        water_ripple_effect* e = ripple(1.0f, c.lifetime);
        frame(0);
        ASSERT_TRUE(e->ring);
        const float u0 = e->ring->rest_vertices[0].u;
        frame(c.frame_ms - 1);
        EXPECT_FLOAT_EQ(e->ring->rest_vertices[0].u, u0) << c.lifetime;
        frame(1);
        EXPECT_FLOAT_EQ(e->ring->rest_vertices[0].u, u0 + 0.2f) << c.lifetime;
        const float before = e->size;
        const float height = e->position.y;
        frame(33);
        growth.push_back(e->size - before);
        EXPECT_FLOAT_EQ(e->position.y, height - 0.02222f);
        gfx_clear_effects(g_);
    }
    EXPECT_FLOAT_EQ(growth[0], (800.0f - 50.0f) / 60.0f / 100.0f);
    EXPECT_FLOAT_EQ(growth[1], (800.0f - 50.0f) / 30.0f / 100.0f);
    EXPECT_NEAR(growth[1] / growth[0], 2.0f, 1e-5f);
}

// From the network: an index past the map's sectors gives no sector but the ring is drawn; a
// lifetime of 0 is over at once and divides nothing by 0; a lifetime of hours is cut to a minute.
TEST_F(WaterRipple, WhatTheNetworkHandsInIsSafe) {
    gfx_set_effect_echo(g_, false);
    gfx_add_water_ripple_effect_from_net(g_, {0, 0, 0}, 1.0f, 200);
    auto* lost = dynamic_cast<water_ripple_effect*>(g_.effects.last_effect);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->in_sector, nullptr);
    frame(0);
    EXPECT_EQ(g_rings_drawn, 1);
    gfx_add_water_ripple_effect_from_net(g_, {0, 0, 0}, 1.0f, 1);
    EXPECT_EQ(dynamic_cast<water_ripple_effect*>(g_.effects.last_effect)->in_sector, pool_);
    gfx_clear_effects(g_);

    gfx_add_water_ripple_effect_from_net(g_, {0, 0, 0}, 1.0f, 0);
    gfx_set_water_ripple_effect(g_, "", 0u, uint8_t{0});
    auto* brief = dynamic_cast<water_ripple_effect*>(g_.effects.last_effect);
    EXPECT_EQ(brief->texture, "water_ripple");
    brief->prepare(g_);
    frame(40);
    EXPECT_EQ(g_.effects.count, 0u);

    gfx_add_water_ripple_effect_from_net(g_, {0, 0, 0}, 1.0f, 0);
    gfx_set_water_ripple_effect(g_, "../../etc", 3600000u, uint8_t{0});
    auto* lasting = dynamic_cast<water_ripple_effect*>(g_.effects.last_effect);
    EXPECT_EQ(lasting->lifetime_ms, 60000);
    EXPECT_EQ(lasting->texture, "water_ripple");
}

}  // namespace
}  // namespace kv
