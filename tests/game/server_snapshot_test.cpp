#include "bots/bot_central.h"
#include "game/server_snapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/effects/effect_ops.h"
#include "tests/game/game_test_support.h"
#include "tests/gfx/effect_kinds.h"

namespace kv {
namespace {

player_slot slot(uint32_t id, int32_t state = kSlotPlaying) {
    player_slot s;
    s.id = id;
    s.state = state;
    s.team = 0;
    s.name = "p" + std::to_string(id);
    return s;
}

snapshot_package snapshot(int32_t state, std::vector<player_slot> slots = {}, int32_t seconds = 0) {
    snapshot_package s;
    s.name = "harbour";
    s.state = state;
    s.seconds = seconds;
    s.slots = std::move(slots);
    return s;
}

class ServerSnapshot : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        spawn_recording_game();
        // The game package is the loaded level.
        srv_.game_package = "harbour";
        srv_.current_level_name = "harbour";
        srv_.level_loaded = 1;
        take_calls();
    }
    std::vector<uint32_t> ids() const { return player_ids(); }
};

TEST_F(ServerSnapshot, CreatesRefreshesAndDropsPlayerRecords) {
    game_snapshot_update(srv_, snapshot(kGameRunning, {slot(1), slot(2), slot(3)}, 90));
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(server_seconds_left(srv_), 90);
    EXPECT_EQ(srv_.snapshot.slots.size(), 3u);
    server_find_player(srv_, 2)->bot_registered = 1;
    take_calls();

    // Player 2 is gone from the next one; player 4 is new; 3 comes back as dead.
    game_snapshot_update(srv_, snapshot(kGameRunning, {slot(1), slot(3, kSlotDead), slot(4)}, 80));
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1, 3, 4}));
    EXPECT_EQ(server_find_player(srv_, 3)->state, kSlotDead);
    EXPECT_EQ(take_calls(), (calls_t{"game event 0"}));

    // An empty player list removes every record.
    game_snapshot_update(srv_, snapshot(kGameRunning));
    EXPECT_TRUE(srv_.players.empty());
}

TEST_F(ServerSnapshot, QuitStateOnlySendsTheQuitKey) {
    game_snapshot_update(srv_, snapshot(kGameRunning, {slot(1)}, 50));
    take_calls();
    snapshot_package quit = snapshot(kGameQuit, {}, 3);
    quit.name = "elsewhere";
    game_snapshot_update(srv_, quit);
    EXPECT_EQ(take_calls(), (calls_t{"game key-down 21"}));
    EXPECT_EQ(srv_.snapshot.state, kGameRunning);
    EXPECT_EQ(srv_.snapshot.name, "harbour");
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1}));
    EXPECT_EQ(server_seconds_left(srv_), 50);

    // A later snapshot applies as usual.
    game_snapshot_update(srv_, snapshot(kGameRunning, {}, 40));
    EXPECT_TRUE(srv_.players.empty());
    EXPECT_EQ(server_seconds_left(srv_), 40);
}

TEST_F(ServerSnapshot, StartsAndEndsRoundsOncePerChange) {
    botc_enable(*srv_.bots, true);
    game_snapshot_update(srv_, snapshot(kGameFreeze, {}, 10));
    EXPECT_EQ(server_end_seconds_left(srv_), kEndCountdownSeconds);
    srv_.end_countdown = 12;
    game_snapshot_update(srv_, snapshot(kGameFreeze, {}, 9));
    EXPECT_EQ(server_end_seconds_left(srv_), 12);  // not started again
    EXPECT_TRUE(srv_.bots->round_running);
    srv_.bots->round_running = 0;

    snapshot_package report = snapshot(kGameReport);
    report.result = 0x102;
    game_snapshot_update(srv_, report);
    game_snapshot_update(srv_, report);
    EXPECT_FALSE(srv_.bots->round_running);
    botc_enable(*srv_.bots, false);
    EXPECT_EQ(server_game_state(srv_), kGameReport);
}

TEST_F(ServerSnapshot, AWaitingStateResetsTheRound) {
    srv_.grenades.push_back(std::make_unique<grenade>());
    srv_.dropped_weapons.push_back(std::make_unique<dropped_weapon>());
    srv_.dropped_weapon_cursor = srv_.dropped_weapons.begin();
    kernel_get().graphics.screen_tint = true;
    int scroll_target = 0;
    srv_.water_instances.push_back(reinterpret_cast<mesh_instance*>(&scroll_target));
    gfx& graphics = kernel_get().graphics;
    gfx_reset_effects(graphics);
    gfx_add_red_flash_effect(graphics);

    game_snapshot_update(srv_, snapshot(kGameWaiting, {slot(1)}));
    EXPECT_EQ(take_calls(), (calls_t{"game event 0", "game event 6", "game event 0"}));
    // The round's effects are gone; the water scrolls again.
    EXPECT_EQ(effect_kinds(graphics), std::vector<effect_class>{effect_class::texture_scroll});
    EXPECT_EQ(graphics.effects.last_effect, nullptr);
    EXPECT_TRUE(srv_.grenades.empty());
    EXPECT_TRUE(srv_.dropped_weapons.empty());
    EXPECT_EQ(srv_.dropped_weapon_cursor, srv_.dropped_weapons.end());
    EXPECT_FALSE(kernel_get().graphics.screen_tint);
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1}));

    // Without texture-scroll instances no effect is added.
    srv_.water_instances.clear();
    game_snapshot_update(srv_, snapshot(kGameWaiting));
    EXPECT_EQ(take_calls(), (calls_t{"game event 0", "game event 6", "game event 0"}));
    EXPECT_EQ(graphics.effects.count, 0u);
}

TEST_F(ServerSnapshot, WhileAnotherPackageIsLoadedOnlyTheCopyChanges) {
    srv_.current_level_name = "kvmenu";
    srv_.log_level = 1;
    server_add_local_player(srv_, 100);
    game_snapshot_update(srv_, snapshot(kGameFreeze, {slot(1), slot(2)}, 60));
    EXPECT_EQ(srv_.snapshot.slots.size(), 2u);
    EXPECT_EQ(server_game_state(srv_), kGameFreeze);
    EXPECT_EQ(ids(), (std::vector<uint32_t>{100}));
    EXPECT_EQ(server_seconds_left(srv_), 0);
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(log(), "game snapshot update: state=2 flags=0 seconds=60 players=2\n");

    // Once the level is in, the next snapshot of the same state applies but starts no round.
    srv_.current_level_name = "harbour";
    game_snapshot_update(srv_, snapshot(kGameFreeze, {slot(1)}, 59));
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1}));
    EXPECT_FALSE(srv_.bots->round_running);
}

TEST_F(ServerSnapshot, ClockCountsWholeSeconds) {
    server_set_clock(srv_, 10);
    srv_.end_countdown = 1;
    server_clock_tick(srv_);  // starts the clock's timer
    clock_.advance_ms(2500);
    server_clock_tick(srv_);
    EXPECT_EQ(server_seconds_left(srv_), 8);
    EXPECT_EQ(srv_.elapsed_seconds, 2);
    EXPECT_EQ(server_end_seconds_left(srv_), 0);  // not below 0
    clock_.advance_ms(499);
    server_clock_tick(srv_);
    EXPECT_EQ(server_seconds_left(srv_), 8);
    clock_.advance_ms(1);  // the kept 500 ms make a second
    server_clock_tick(srv_);
    EXPECT_EQ(server_seconds_left(srv_), 7);
    EXPECT_EQ(srv_.elapsed_seconds, 3);

    server_set_clock(srv_, 1);
    EXPECT_EQ(srv_.elapsed_seconds, 0);
    clock_.advance_ms(3000);
    server_clock_tick(srv_);
    EXPECT_EQ(server_seconds_left(srv_), 0);
    EXPECT_EQ(srv_.elapsed_seconds, 3);

    // Frames that are no whole number of milliseconds lose nothing: 30 s of 16.7 ms frames are 30 s.
    server_set_clock(srv_, 100);
    for (int frame = 0; frame < 1800; ++frame) {
        clock_.advance_us(16667);
        server_clock_tick(srv_);
    }
    EXPECT_EQ(srv_.elapsed_seconds, 30);
}

TEST_F(ServerSnapshot, FollowsTheGameServersMapOnce) {
    srv_.map_follow_latch = 1;
    srv_.snapshot.name = "dock";
    server_check_map_change(srv_);
    EXPECT_TRUE(take_calls().empty());

    srv_.map_follow_latch = 0;
    srv_.snapshot.name = "harbour";
    server_check_map_change(srv_);
    EXPECT_TRUE(take_calls().empty());

    srv_.snapshot.name = "dock";
    srv_.next_map = "dock";
    server_check_map_change(srv_);
    server_check_map_change(srv_);
    EXPECT_EQ(take_calls(), (calls_t{"game command 3 dock"}));
    EXPECT_EQ(srv_.load_request, kLoadRequestMapChange);
    EXPECT_EQ(srv_.map_follow_latch, 1);
    EXPECT_EQ(srv_.current_map, "dock");
}

TEST_F(ServerSnapshot, PendingValuesAreTakenOnce) {
    // The second event and the download value are the world copy's own: the merge keeps them.
    srv_.snapshot.goal_event_b = 1;
    srv_.snapshot.download = 2;
    snapshot_package s = snapshot(kGameRunning);
    s.goal_event_a = 4;
    game_snapshot_update(srv_, s);
    int32_t a = 0;
    int32_t b = 0;
    server_take_pending_pair(srv_, a, b);
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 1);
    server_take_pending_pair(srv_, a, b);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(server_snapshot_take_pending(srv_), 2);
    EXPECT_EQ(server_snapshot_take_pending(srv_), -1);
}

}  // namespace
}  // namespace kv
