// Spent shells: none at low detail, one in five long-lived, a small unsent splash and a slow sink in
// water, invisible limits and pass-through panes crossed, bounces with one sound per 150 ms.

#include "gfx/effects/shell_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gfx/effects/impact_effect.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/effects/effect_test_support.h"
#include "tests/sound/sound_test_support.h"

namespace kv {
namespace {

int g_shells_drawn = 0;
void count_shell(gfx&, mesh&, surface&) {
    ++g_shells_drawn;
}

class ShellEffect : public effect_test {
protected:
    void SetUp() override {
        effect_test::SetUp();
        g_shells_drawn = 0;
        gfx_set_effect_part_drawer(g_, count_shell);
    }

    // A shell flying from the point along the direction at 300 units a second.
    shell_effect* shell(sector* in, const vec3& from, const vec3& direction, bool gravity = true) {
        mat4 place;
        mat4_set_translation(place, from.x, from.y, from.z);
        gfx_add_shell_effect(g_, place, in);
        auto* e = dynamic_cast<shell_effect*>(g_.effects.last_effect);
        gfx_forget_last_effect(g_);
        e->direction = direction;
        if (!gravity) e->acceleration = {};
        return e;
    }
};

TEST_F(ShellEffect, NoShellAtLowDetail) {
    kernel_get().detail_level = kDetailLow;
    shell(yard_, {0, 0, 0}, {1, 0, 0});
    frame(0);
    EXPECT_EQ(g_.effects.count, 0u);
    EXPECT_EQ(g_shells_drawn, 0);
}

TEST_F(ShellEffect, OneShellInFiveLiesLong) {
    const struct {
        int32_t detail;
        std::vector<int32_t> lifetimes;
    } cases[] = {{kDetailHigh, {1000, 1000, 1000, 1000, 10000, 1000}},
                 {kDetailMedium, {500, 500, 500, 500, 3333, 500}}};
    for (const auto& c : cases) {
        kernel_get().detail_level = c.detail;
        g_.effects.shell_counter = 0;
        std::vector<int32_t> lifetimes;
        for (std::size_t i = 0; i < c.lifetimes.size(); ++i)
            lifetimes.push_back(shell(yard_, {0, 0, 0}, {1, 0, 0})->lifetime_ms);
        EXPECT_EQ(lifetimes, c.lifetimes);
        // Counted from the first pass.
        frame(0);
        frame(c.lifetimes[0]);
        EXPECT_EQ(g_.effects.count, 6u);
        frame(1);
        EXPECT_EQ(g_.effects.count, 1u) << c.detail;
        frame(c.lifetimes[4] - c.lifetimes[0]);
        EXPECT_EQ(g_.effects.count, 0u) << c.detail;
        gfx_clear_effects(g_);
    }
}

TEST_F(ShellEffect, WaterMakesASmallUnsentSplashAndTheShellSinks) {
    shell_effect* e = shell(pool_, {0, 20, 0}, {0, -1, 0});
    take_events();
    frame(0);
    for (int i = 0; i < 4 && !e->sinking; ++i) frame(60);
    ASSERT_TRUE(e->sinking);
    std::vector<impact_effect*> splashes;
    for (auto& each : g_.effects.items)
        if (auto* i = dynamic_cast<impact_effect*>(each.get())) splashes.push_back(i);
    ASSERT_EQ(splashes.size(), 1u);
    EXPECT_EQ(splashes[0]->size, 50.0f);
    EXPECT_EQ(splashes[0]->water, 1);
    EXPECT_EQ(take_events(), std::vector<uint8_t>{});
    EXPECT_TRUE(gfx_effect_echo(g_));
    EXPECT_EQ(e->acceleration.y, -250.0f);
    // Below the surface, going down slowly.
    const float y = e->current.y;
    EXPECT_LT(y, 0.0f);
    frame(60);
    EXPECT_LT(e->current.y, y);
    EXPECT_GT(e->current.y, y - 5.0f);
}

TEST_F(ShellEffect, LimitsAndPassThroughPanesAreCrossed) {
    shell_effect* e = shell(yard_, {50, 0, 300}, {1, 0, 0}, false);
    frame(0);
    for (int i = 0; i < 10; ++i) frame(60);
    EXPECT_GT(e->current.x, 150.0f);
    EXPECT_EQ(e->speed, 300.0f);
    EXPECT_EQ(e->direction.x, 1.0f);
}

TEST_F(ShellEffect, BouncesWithin150MsPlayOneSound) {
    kernel_sound_probe sound(srv_.data_dir, {"sh-metal"});
    shell_effect* e = shell(yard_, {250, 0, 0}, {1, 0, 0}, false);
    frame(0);
    auto bounce = [&] {
        e->current = {250, 0, 0};
        e->direction = {1, 0, 0};
        vec3 next{350, 0, 0};
        e->collide(g_, next);
        return next;
    };
    clock_.advance_ms(200);
    const vec3 back = bounce();
    EXPECT_NEAR(e->direction.x, -1.0f, 1e-5f);
    EXPECT_NEAR(back.x, 250.0f, 1e-3f);
    // The metal keeps 128 / 255 of the speed, the bounce 0.7 of that.
    EXPECT_NEAR(e->speed, 300.0f * 128.0f / 255.0f * 0.7f, 1e-3f);
    std::vector<std::string> played = sound.take();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_TRUE(played[0].starts_with("2 sh-metal ")) << played[0];
    clock_.advance_ms(100);
    bounce();
    EXPECT_EQ(sound.take(), std::vector<std::string>{});
    clock_.advance_ms(50);
    bounce();
    EXPECT_EQ(sound.take().size(), 1u);
}

// A shell with nowhere to go lies still: no direction, a step too small to leave its place (a slow
// shell far out, where a float does not change by so little), or a step out of range.
TEST_F(ShellEffect, AZeroDirectionOrAMoveOfNoLengthStopsTheFlight) {
    const struct {
        const char* name;
        vec3 from;
        vec3 direction;
        float speed;  // 0: the shell's own
    } cases[] = {
        {"no direction", {0, 0, 0}, {0, 0, 0}, 0.0f},
        {"no length", {1.0e7f, 0, 0}, {1, 0, 0}, 1.0f},
        {"out of range", {0, 0, 0}, {1, 0, 0}, std::numeric_limits<float>::infinity()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shell_effect* e = shell(yard_, c.from, c.direction, false);
        if (c.speed > 0.0f) e->speed = c.speed;
        frame(0);
        frame(60);
        EXPECT_EQ(e->speed, 0.0f);
        for (float f : e->placement.m) EXPECT_TRUE(std::isfinite(f));
        frame(60);
        EXPECT_EQ(e->current.x, c.from.x);
        EXPECT_EQ(e->placement.m[12], c.from.x);
        gfx_clear_effects(g_);
    }
}

}  // namespace
}  // namespace kv
