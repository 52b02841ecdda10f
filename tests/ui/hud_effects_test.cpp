// The soldier's condition: presets, stamina, unsteadiness, breath and the levels at the end of a round.

#include "ui/hud_effects.h"

#include <gtest/gtest.h>

#include <memory>

#include "beings/being.h"
#include "beings/being_game.h"
#include "game/player_record.h"
#include "platform/clock.h"

namespace kv {
namespace {

class Condition : public ::testing::Test {
protected:
    // The record is made after the fake clock is in force: its timers run on it.
    fake_clock clock_;
    scoped_clock installed_{clock_};
    std::unique_ptr<hud_effects> h_ = std::make_unique<hud_effects>();

    // Runs the stamina in frames of `step` ms for `ms` in all.
    float stamina_after(int32_t ms, float level1, int32_t step = 100) {
        float e = condition_stamina(*h_, true, level1);
        for (int32_t t = 0; t < ms; t += step) {
            clock_.advance_ms(step);
            e = condition_stamina(*h_, true, level1);
        }
        return e;
    }
};

TEST_F(Condition, PresetsBySpecialisationAndMode) {
    struct preset_case {
        int32_t specialisation;
        bool levels_mode;
        uint32_t id;
        float levels[kConditionLevels];
    };
    const preset_case cases[] = {
        {1, false, 0, {0.25f, 0.25f, 0.8f, 0.7f, 0.25f, 0.25f}},
        {1, true, 0, {0.25f, 0.25f, 0.5f, 0.25f, 0.25f, 0.25f}},
        {0, true, 100, {0.5f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f}},
        {2, true, 150, {0.25f, 0.25f, 0.25f, 0.25f, 0.5f, 0.25f}},
        {3, true, 0, {0.25f, 0.5f, 0.25f, 0.25f, 0.25f, 0.25f}},
        // A bot keeps the fixed presets in the levels mode too.
        {2, true, 5, {0.25f, 0.25f, 0.25f, 0.25f, 0.8f, 0.7f}},
        {0, false, 100, {0.6f, 0.5f, 0.4f, 0.25f, 0.5f, 0.25f}},
        {3, false, 100, {0.5f, 0.8f, 0.3f, 0.25f, 0.4f, 0.25f}},
        // A specialisation out of range reads as a soldier.
        {9, false, 100, {0.6f, 0.5f, 0.4f, 0.25f, 0.5f, 0.25f}},
    };
    for (const preset_case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.specialisation << " " << c.levels_mode << " " << c.id);
        float levels[kConditionLevels];
        condition_level_presets(levels, c.specialisation, c.levels_mode, c.id);
        for (int i = 0; i < kConditionLevels; ++i) EXPECT_FLOAT_EQ(levels[i], c.levels[i]) << i;
    }
}

TEST_F(Condition, ASprintLastsByTheLoadAndStaminaComesBackByLevel) {
    for (const auto& [load, period] : {std::pair{0.0f, 60000}, std::pair{8.0f, 30000}}) {
        SCOPED_TRACE(load);
        h_ = std::make_unique<hud_effects>();
        condition_accumulate(*h_, load);
        EXPECT_EQ(h_->sprint_period_ms, period);
        condition_start_timer(*h_, 1);
        EXPECT_GT(stamina_after(period - 100, 0.0f), 0.0f);
        EXPECT_TRUE(condition_can_sprint(*h_, true));
        EXPECT_EQ(stamina_after(100, 0.0f), 0.0f);
        EXPECT_FALSE(condition_can_sprint(*h_, true));
        // Outside the levels mode a soldier is never out of breath.
        EXPECT_TRUE(condition_can_sprint(*h_, false));
        EXPECT_EQ(condition_stamina(*h_, false, 0.0f), 1.0f);
    }
    // From empty to full: 25 s with level 1 at 0, 12.5 s at 255.
    for (const auto& [level, ms] : {std::pair{0.0f, 25000}, std::pair{1.0f, 12500}}) {
        SCOPED_TRACE(level);
        condition_stop_timer(*h_, 1);
        h_->stamina = 0.0f;
        h_->exhausted = 1;
        condition_stamina(*h_, true, level);
        EXPECT_LT(stamina_after(ms - 200, level), 1.0f);
        EXPECT_TRUE(h_->exhausted);
        EXPECT_EQ(stamina_after(300, level), 1.0f);
        EXPECT_FALSE(h_->exhausted);
    }
}

TEST_F(Condition, UnsteadinessOfAStillSoldierAndItsCeiling) {
    // No recent sights or posture change: only the level's share, 2.5 of 10.
    clock_.advance_ms(11000);
    EXPECT_FLOAT_EQ(condition_unsteadiness(*h_, 0.0f, 0.0f), 0.25f);
    clock_.advance_ms(10);
    EXPECT_FLOAT_EQ(condition_unsteadiness(*h_, 1.0f, 0.0f), 0.25f);  // within 50 ms: the cached value
    clock_.advance_ms(100);
    EXPECT_FLOAT_EQ(condition_unsteadiness(*h_, 1.0f, 0.0f), 0.0f);
    // A posture change adds up to 1.5 while it is fresh.
    condition_set_state(*h_, 3);
    clock_.advance_ms(100);
    EXPECT_GT(condition_unsteadiness(*h_, 0.0f, 0.0f), 0.25f + 0.14f);
    // Sprinting, turning hard and hit hard at once: never beyond 1.0.
    condition_start_timer(*h_, 1);
    for (int i = 0; i < 200; ++i) {
        clock_.advance_ms(100);
        condition_add_turn(*h_, 10.0f);
        condition_add_pulse(*h_, 1.0f);
        const float v = condition_unsteadiness(*h_, 0.0f, 0.0f);
        ASSERT_LE(v, 1.0f);
        ASSERT_GE(v, 0.0f);
    }
    condition_add_turn(*h_, 10.0f);
    EXPECT_FLOAT_EQ(h_->turn_pulse, 2.3561945f);  // 135 degrees at most
    clock_.advance_ms(100);
    EXPECT_FLOAT_EQ(condition_unsteadiness(*h_, 0.0f, 0.0f), 1.0f);
}

TEST_F(Condition, BreathHoldLimits) {
    clock_.advance_ms(5000);
    // Level 5 at 0.5: a hold lasts 5 s; afterwards 3 s of breathing beyond the held total.
    EXPECT_TRUE(condition_breath_allowed(*h_, 0.5f));
    condition_start_timer(*h_, 6);
    clock_.advance_ms(5000);
    EXPECT_TRUE(condition_breath_allowed(*h_, 0.5f));
    clock_.advance_ms(1);
    EXPECT_FALSE(condition_breath_allowed(*h_, 0.5f));
    // The unsteadiness pass stops a hold it no longer allows.
    condition_unsteadiness(*h_, 0.0f, 0.5f);
    EXPECT_FALSE(h_->running[6]);
    EXPECT_EQ(h_->accumulated[6], 5001);
    clock_.advance_ms(2998);
    EXPECT_FALSE(condition_breath_allowed(*h_, 0.5f));
    clock_.advance_ms(2);
    EXPECT_TRUE(condition_breath_allowed(*h_, 0.5f));
    // While the hold is allowed the breath adds nothing.
    condition_start_timer(*h_, 1);
    clock_.advance_ms(5000);
    condition_stop_timer(*h_, 1);
    condition_start_timer(*h_, 2);
    clock_.advance_ms(11000);
    condition_start_timer(*h_, 6);
    clock_.advance_ms(100);
    const float held = condition_unsteadiness(*h_, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(held, 0.0f);
}

TEST_F(Condition, PostureTimersByMovementState) {
    struct posture_case {
        int32_t state;
        bool walk;
        uint8_t running[5];  // timers 0-4
    };
    const posture_case cases[] = {
        {0, false, {0, 0, 0, 0, 1}},  {7, false, {0, 0, 0, 0, 1}},  {2, false, {0, 0, 1, 1, 0}},
        {17, false, {0, 0, 1, 1, 0}}, {3, false, {0, 1, 0, 0, 0}},  {4, false, {0, 1, 0, 0, 0}},
        {4, true, {0, 0, 1, 1, 0}},   {11, false, {0, 0, 0, 1, 0}}, {19, false, {0, 0, 0, 1, 0}},
    };
    for (const posture_case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.walk);
        condition_posture(*h_, c.state, c.walk);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(h_->running[i], c.running[i]) << i;
    }
}

TEST_F(Condition, LevelsDecayThenGrowUpToTheirCaps) {
    const float none[kConditionLevels] = {};
    struct decay_case {
        float before;
        float after;
    };
    for (const decay_case& c : {decay_case{0.8f, 0.79f}, {0.9f, 0.88f}, {1.0f, 0.97f}, {0.005f, 0.005f}}) {
        float levels[kConditionLevels] = {c.before, c.before, c.before, c.before, c.before, c.before};
        condition_level_update(levels, none, 0, true, false);
        EXPECT_NEAR(levels[0], c.after, 1e-6f) << c.before;
    }
    // A scout's level 1 (cap 1.0) at 0.95 with a large gain passes 1.0 and is stored as 255.
    float levels[kConditionLevels] = {0.5f, 0.95f, 0.25f, 0.5f, 1.0f, 0.25f};
    const float large[kConditionLevels] = {2.0f, 0, 0, 0, 0, 0};
    condition_level_update(levels, large, 1, true, false);
    EXPECT_FLOAT_EQ(levels[1], 1.0f);
    player_record record(100);
    being b;
    b.record = &record;
    being_set_record_levels(b, levels);
    EXPECT_EQ(record.levels[1], 255);
    EXPECT_EQ(record.levels_changed, 1);
    // The gain goes in the specialisation's order, each step at most its cap; a loser gets 3/4, the
    // dead none.
    const float small[kConditionLevels] = {0.1f, 0, 0, 0, 0, 0};
    for (const auto& [alive, lost, grown] :
         {std::tuple{true, false, 0.1f}, std::tuple{true, true, 0.075f}, std::tuple{false, false, 0.0f}}) {
        float soldier[kConditionLevels] = {0.2f, 0.2f, 0.2f, 0.2f, 0.2f, 0.2f};
        condition_level_update(soldier, small, 0, alive, lost);
        EXPECT_NEAR(soldier[4], 0.19f + grown, 1e-6f);  // the soldier's first pair is (4, 0.6)
        EXPECT_NEAR(soldier[0], 0.19f, 1e-6f);
    }
}

TEST_F(Condition, TheEndOfALifeTurnsTimesIntoExperience) {
    condition_accumulate(*h_, 4.0f);
    condition_accumulate(*h_, 8.0f);  // average load 6 of 8
    h_->running[0] = 1;
    timer_restart(h_->timers[0]);
    condition_posture(*h_, 3, false);  // sprinting
    clock_.advance_ms(30000);
    condition_posture(*h_, 0, false);  // still
    condition_start_timer(*h_, 6);
    clock_.advance_ms(6000);
    condition_end_life(*h_);
    EXPECT_FALSE(h_->running[0]);
    EXPECT_FLOAT_EQ(h_->gains[0], 36000.0f / 300000.0f * 0.75f * 0.1f);
    EXPECT_FLOAT_EQ(h_->gains[1], 30000.0f / 300000.0f * 0.1f);
    EXPECT_FLOAT_EQ(h_->gains[3], 6000.0f / 300000.0f * 0.1f);
    EXPECT_FLOAT_EQ(h_->gains[5], 6000.0f / 60000.0f * 0.1f);
}

}  // namespace
}  // namespace kv
