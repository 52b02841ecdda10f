// The soldier's two models set up from the demo "beings" package and driven from the action tables.

#include <gtest/gtest.h>

#include <string>

#include "beings/anim_tables.h"
#include "beings/animation.h"
#include "beings/skeleton.h"
#include "beings/soldier_anims.h"
#include "beings/soldier_slots.h"
#include "game/server_entities.h"
#include "tests/support/call_log.h"
#include "tests/world/world_test_support.h"
#include "tools/beings_writer.h"

namespace kv {
namespace {

class SoldierAnims : public world_test {
protected:
    void SetUp() override {
        world_test::SetUp();
        test_state_reset();
        write_data(tools::kDemoBeingsPackage, tools::beings_package());
        ASSERT_TRUE(load_package(srv_, tools::kDemoBeingsPackage, false)) << log();
        ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
        ASSERT_TRUE(being_setup_animations(srv_, m_)) << log();
        third_ = server_entity_find(srv_, m_.third);
        first_ = server_entity_find(srv_, m_.first);
        ASSERT_TRUE(third_ && first_);
        ASSERT_TRUE(entity_set_model(*third_, "beings:soldier"));
    }

    void TearDown() override {
        anim_tables_build(anim_tables_get());
        world_test::TearDown();
    }

    soldier_models m_{"pid7", "pid7-1st", 7};
    entity* third_ = nullptr;
    entity* first_ = nullptr;
};

TEST_F(SoldierAnims, SetUpBindsEveryNamedSlotOfBothSkeletons) {
    EXPECT_EQ(log().find("No animation"), std::string::npos) << log();
    ASSERT_TRUE(third_->skel && first_->skel);
    int32_t bound = 0;
    for (animation* a : third_->skel->slots) bound += a != nullptr;
    EXPECT_EQ(bound, 295);
    bound = 0;
    for (animation* a : first_->skel->slots) bound += a != nullptr;
    EXPECT_EQ(bound, 172);
    EXPECT_EQ(first_->parent, third_);
    // A second soldier binds the same animations again without any complaint.
    ASSERT_TRUE(being_setup_animations(srv_, {"pid8", "pid8-1st", 8}));
    EXPECT_EQ(log().find("No animation"), std::string::npos) << log();
}

TEST_F(SoldierAnims, PlayAndQueueOptionsSetTheChannelsBits) {
    struct option_case {
        int32_t options;
        uint8_t reverse, lock, pick, loop;
    };
    const option_case cases[] = {
        {0, 0, 0, 0, 1},           {kAnimReverse, 1, 0, 0, 1},
        {kAnimLock, 0, 1, 0, 1},   {kAnimPickFlag, 0, 0, 1, 1},
        {kAnimNoLoop, 0, 0, 0, 0}, {kAnimReverse | kAnimLock | kAnimPickFlag | kAnimNoLoop, 1, 1, 1, 0},
    };
    for (const option_case& c : cases) {
        SCOPED_TRACE(c.options);
        // The unlock bit lets a locked channel take the new animation.
        being_play_upper(srv_, m_, 30, 40, c.options | kAnimUnlockFirst);
        const entity_channel& ch = third_->channels[1];
        EXPECT_EQ(ch.animation, 30);
        EXPECT_EQ(ch.reverse, c.reverse);
        EXPECT_EQ(ch.lock, c.lock);
        EXPECT_EQ(ch.pick_flag, c.pick);
        EXPECT_EQ(ch.loop, c.loop);
        being_queue_lower(srv_, m_, 2, 50, c.options);
        const entity_channel& low = third_->channels[0];
        EXPECT_EQ(low.next, 2);
        EXPECT_EQ(low.next_reverse, c.reverse);
        EXPECT_EQ(low.next_lock, c.lock);
        EXPECT_EQ(low.next_pick_flag, c.pick);
        EXPECT_EQ(low.next_no_loop, c.loop ? 0 : 1);
        EXPECT_TRUE(being_third_has_queued(srv_, m_));
    }
    // Without the unlock bit a locked channel keeps what it plays.
    being_play_upper(srv_, m_, 31, 40, kAnimLock | kAnimUnlockFirst);
    being_play_upper(srv_, m_, 32, 40, 0);
    EXPECT_EQ(third_->channels[1].animation, 31);
}

TEST_F(SoldierAnims, AnActionPlaysAllThreeAndARowWithoutUpperBodyLeavesChannelOne) {
    anim_tables& t = anim_tables_get();
    EXPECT_TRUE(being_play_action(srv_, m_, kRowShot, 0, 0));
    EXPECT_EQ(third_->channels[0].animation, t.lower[kRowShot][0]);
    EXPECT_EQ(third_->channels[1].animation, t.upper[kRowShot][0]);
    EXPECT_EQ(first_->channels[0].animation, t.first[kRowShot][0]);
    EXPECT_EQ(third_->channels[1].ms_per_frame, kAnimSpeed);

    t.upper[1][0] = -1;
    being_play_action(srv_, m_, 1, 0, 0);
    EXPECT_EQ(third_->channels[0].animation, t.lower[1][0]);
    EXPECT_EQ(third_->channels[1].animation, t.upper[kRowShot][0]);
    EXPECT_EQ(first_->channels[0].animation, t.first[1][0]);
    // Rows and weapons out of range play nothing.
    EXPECT_FALSE(being_play_action(srv_, m_, kAnimRows, 0, 0));
    EXPECT_FALSE(being_play_action(srv_, m_, 0, -1, 0));
}

TEST_F(SoldierAnims, EveryTableEntryPlaysABoundAnimationTheNetworkCanCarry) {
    const anim_tables& t = anim_tables_get();
    // The frames of a bound animation, or -1 for an unbound slot.
    const auto frames = [](const entity& e, int32_t slot) -> int64_t {
        if (slot < 0 || static_cast<std::size_t>(slot) >= e.skel->slots.size()) return -1;
        const animation* a = e.skel->slots[static_cast<std::size_t>(slot)];
        return a ? static_cast<int64_t>(a->frame_count) : -1;
    };
    for (int32_t row = 0; row < kAnimRows; ++row) {
        for (int32_t w = 0; w < kAnimColumns; ++w) {
            SCOPED_TRACE(std::to_string(row) + " " + std::to_string(w));
            const int64_t lower = frames(*third_, t.lower[row][w]);
            const int64_t first = frames(*first_, t.first[row][w]);
            EXPECT_TRUE(lower >= 1 && lower <= 128) << lower;
            EXPECT_TRUE(first >= 1 && first <= 128) << first;
            if (t.upper[row][w] != -1) {
                const int64_t upper = frames(*third_, t.upper[row][w]);
                EXPECT_TRUE(upper >= 1 && upper <= 128) << upper;
            }
            for (const auto* speeds : {t.lower_speed, t.upper_speed, t.first_speed})
                EXPECT_TRUE(speeds[row][w] >= 1 && speeds[row][w] <= kAnimMaxSpeed) << speeds[row][w];
        }
    }
    // Throws leave the hand at a frame of the body's animations: every row a throw plays in any stance
    // runs longer than that frame.
    const int32_t fire_rows[] = {6, 28, 39, 26, 27, 8, 9};
    const int32_t alternate_rows[] = {7, 29, 39, 26, 27, 8, 9};
    struct throw_case {
        int32_t weapon;
        bool alternate;
        int32_t frame;
    };
    const throw_case throws[] = {
        {1, true, 0},   {4, true, 0},    {10, true, 0},   {52, true, 17},  {53, true, 17},
        {54, true, 34}, {55, false, 53}, {56, false, 53}, {57, false, 53}, {58, false, 53},
        {55, true, 38}, {56, true, 38},  {57, true, 38},  {58, true, 38},  {60, false, 50},
    };
    for (const throw_case& c : throws) {
        for (const int32_t row : c.alternate ? alternate_rows : fire_rows) {
            SCOPED_TRACE("throw " + std::to_string(c.weapon) + " row " + std::to_string(row));
            EXPECT_GT(frames(*third_, t.lower[row][c.weapon]), c.frame);
            if (t.upper[row][c.weapon] != -1) {
                EXPECT_GT(frames(*third_, t.upper[row][c.weapon]), c.frame);
            }
        }
    }
}

TEST_F(SoldierAnims, RemoteStatesGiveTheMovementCodeAndTheShotWithoutABlast) {
    anim_tables& t = anim_tables_get();
    const auto state = [](int32_t slot, int32_t ms) { return entity_channel_state{slot, 0, ms}; };
    entity_channel_state states[3] = {state(t.lower[3][0], 33), state(t.upper[0][0], 33),
                                      state(t.first[0][0], 33)};
    EXPECT_EQ(being_read_remote_action(srv_, m_, 0, states).movement, 4);
    // A state matching rows 3 and 18: the later row wins.
    t.lower[18][0] = t.lower[3][0];
    EXPECT_EQ(being_read_remote_action(srv_, m_, 0, states).movement, 7);
    states[0] = state(t.lower[3][0], 34);  // another speed: no row
    EXPECT_EQ(being_read_remote_action(srv_, m_, 0, states).movement, -1);

    // The upper body shows a shot: the bots hear of it, the shot's effects run, no blast is queued.
    states[1] = state(t.upper[kRowShot][0], 33);
    const remote_action shot = being_apply_anim_state(srv_, m_, 0, false, states, 0.2f);
    EXPECT_TRUE(shot.shot);
    EXPECT_FALSE(shot.launcher_shot);
    EXPECT_TRUE(srv_.blasts.empty());
    EXPECT_FLOAT_EQ(third_->aim_angle, 0.2f);
    // The same state again changes nothing and is not read back; nor is a soldier driven here.
    EXPECT_FALSE(being_apply_anim_state(srv_, m_, 0, false, states, 0.2f).shot);
    states[1] = state(t.upper[kRowCrouchedShot][0], 33);
    EXPECT_FALSE(being_apply_anim_state(srv_, m_, 0, true, states, 0.2f).shot);

    // A launcher's alternate shot.
    states[1] = state(t.upper[kRowAltShot][1], 33);
    states[2] = state(t.first[kRowAltShot][1], 33);
    EXPECT_TRUE(being_read_remote_action(srv_, m_, 1, states).launcher_shot);
    // No weapon in hand: nothing is read.
    for (int32_t weapon : {-1, 64, 1000}) {
        const remote_action none = being_read_remote_action(srv_, m_, weapon, states);
        EXPECT_FALSE(none.shot);
        EXPECT_EQ(none.movement, -1);
    }
}

}  // namespace
}  // namespace kv
