#include "net/session_rounds.h"

#include <gtest/gtest.h>

#include <string>

#include "game/server.h"
#include "kernel/log.h"
#include "net/server_session.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

map_record described_map(const std::string& name, int32_t default_winner) {
    map_record map;
    map.described = 1;
    map.name = name;
    const int32_t values[kMapLevelValues] = {4, 4, 4, 1, 1, 0, default_winner};
    std::copy(std::begin(values), std::end(values), map.level_values);
    return map;
}

class SessionRounds : public testing::Test {
protected:
    void SetUp() override {
        timer_restart(run_timer());
        server_get().maps = {described_map("depot", 1), described_map("yard", 0)};
        map_record dark;
        dark.name = "dark";  // listed, but its level was never described
        server_get().maps.push_back(dark);
        s.log.directory = folder.path().string() + "/";
        open_session_log(s.log);
        s.maps = {"depot", "yard"};
        session_set_times(s, 3, 10, 5, 10, 10, 30, 0);
        session_set_team_limits(s, 10, 10, 10);
    }
    void TearDown() override { server_get().maps.clear(); }

    void add(uint32_t id, int32_t team) {
        snapshot_package_add_slot(s.snapshot, id, 0, team, kSlotNotInRound, kFullHealth, 0x7F000001u, 4000);
    }
    void advance_and_step(int32_t seconds) {
        clock.advance_ms(seconds * 1000);
        session_round_step(s);
    }
    int32_t state() const { return s.snapshot.state; }
    std::string log_text() const { return folder.read(session_log_name(s.log.directory, date_time())); }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    server_session s;
    const std::string pw = session_password_digest("");
};

TEST_F(SessionRounds, TimesAreStoredInSeconds) {
    EXPECT_EQ(s.times.round, 600);
    EXPECT_EQ(s.times.campaign, 1800);
    EXPECT_EQ(s.times.freeze, 3);
}

TEST_F(SessionRounds, RoundCycleFromWaitingThroughReport) {
    EXPECT_EQ(state(), kGameInitial);
    EXPECT_EQ(session_change_map(s, pw, "depot"), "OK");
    EXPECT_EQ(state(), kGameWaiting);
    EXPECT_EQ(s.snapshot.name, "depot");
    EXPECT_NE(log_text().find("] MAPBGN depot\n"), std::string::npos);
    EXPECT_EQ(session_capacity(s), 12);

    session_round_step(s);
    EXPECT_EQ(s.snapshot.result, 2);  // the minimums of teams 0 and 1

    add(100, 0);
    session_round_step(s);
    EXPECT_EQ(state(), kGameOneTeam);
    session_round_step(s);
    EXPECT_EQ(s.snapshot.slots[0].state, kSlotPlaying);
    EXPECT_EQ(log_text().find("RND START"), std::string::npos);

    add(101, 1);
    s.snapshot_due = false;
    EXPECT_TRUE(session_round_step(s));
    EXPECT_TRUE(s.snapshot_due);
    EXPECT_EQ(state(), kGameFreeze);
    EXPECT_NE(log_text().find("] RND START\n"), std::string::npos);

    // A join during the freeze sends a snapshot with fewer seconds left; the freeze still lasts.
    advance_and_step(2);
    snapshot_package_set_seconds(s.snapshot, 1);
    add(102, 1);
    advance_and_step(0);
    EXPECT_EQ(state(), kGameFreeze);
    EXPECT_EQ(s.snapshot.slots[2].state, kSlotFrozen);
    advance_and_step(1);
    EXPECT_EQ(state(), kGameRunning);
    for (const player_slot& slot : s.snapshot.slots) EXPECT_EQ(slot.state, kSlotPlaying);

    advance_and_step(60);
    EXPECT_EQ(state(), kGameRunning);
    for (player_slot& slot : s.snapshot.slots) slot.state = kSlotDead;
    session_round_step(s);  // nobody alive and no respawning: reported in the same step
    EXPECT_EQ(state(), kGameReport);
    session_round_step(s);
    EXPECT_EQ(s.snapshot.result, 1);  // the map's default winner
    advance_and_step(5);
    EXPECT_EQ(state(), kGameWaiting);
    EXPECT_EQ(s.snapshot.winner, -1);
    EXPECT_EQ(s.snapshot.slots[0].state, kSlotNotInRound);
    EXPECT_EQ(s.snapshot.slots[0].health, kFullHealth);

    EXPECT_EQ(session_restart_round(s, "wrong"), "FLD 11");
    EXPECT_EQ(session_restart_round(s, pw), "OK");
    EXPECT_EQ(state(), kGameReport);
}

TEST_F(SessionRounds, RoundTimeEndsARunningRound) {
    session_change_map(s, pw, "depot");
    add(100, 0);
    add(101, 1);
    session_round_step(s);
    advance_and_step(3);
    ASSERT_EQ(state(), kGameRunning);
    advance_and_step(599);
    EXPECT_EQ(state(), kGameRunning);
    advance_and_step(1);
    EXPECT_EQ(state(), kGameReport);
}

TEST_F(SessionRounds, CampaignLimitCyclesTheMapsAndWraps) {
    session_change_map(s, pw, "depot");
    advance_and_step(1799);
    EXPECT_EQ(state(), kGameWaiting);
    advance_and_step(1);
    EXPECT_EQ(state(), kGameLevelEnding);
    EXPECT_NE(log_text().find("] MAPEND depot\n"), std::string::npos);
    advance_and_step(9);
    EXPECT_EQ(state(), kGameLevelEnding);
    advance_and_step(1);
    EXPECT_EQ(state(), kGameWaiting);
    EXPECT_EQ(s.current_map, "yard");

    EXPECT_EQ(session_change_map(s, pw, ""), "OK");  // wraps to the first
    advance_and_step(10);
    EXPECT_EQ(s.current_map, "depot");
}

TEST_F(SessionRounds, MapCommandRefusals) {
    EXPECT_EQ(session_change_map(s, "wrong", "depot"), "FLD 11");
    EXPECT_EQ(session_change_map(s, pw, "nowhere"), "FLD 8");
    EXPECT_EQ(state(), kGameInitial);
    ASSERT_EQ(session_change_map(s, pw, "depot"), "OK");
    EXPECT_EQ(session_change_map(s, pw, "depot"), "OK");
    EXPECT_EQ(state(), kGameWaiting);

    s.maps.push_back("dark");
    s.maps.push_back("unlisted");
    EXPECT_EQ(session_change_map(s, pw, "unlisted"), "FLD 8");  // in the list, but no map record
    EXPECT_EQ(session_change_map(s, pw, "dark"), "OK");
    advance_and_step(10);
    EXPECT_EQ(s.current_map, "dark");
    EXPECT_EQ(state(), kGameMapChange);  // its level was never described
    EXPECT_EQ(session_capacity(s), 0);

    server_session empty;
    EXPECT_EQ(session_change_map(empty, pw, ""), "FLD 8");
}

TEST_F(SessionRounds, DyingPlayersDieAfterTheDeathTime) {
    add(100, 0);
    add(101, 0);
    s.snapshot.slots[0].state = kSlotDying;
    s.snapshot.slots[0].death_second = 0;
    s.snapshot.slots[1].state = kSlotDying;
    s.snapshot.slots[1].death_second = 5;
    clock.advance_ms(9999);
    session_death_step(s);
    EXPECT_EQ(s.snapshot.slots[0].state, kSlotDying);
    clock.advance_ms(1);
    session_death_step(s);
    EXPECT_EQ(s.snapshot.slots[0].state, kSlotDead);
    EXPECT_EQ(s.snapshot.slots[1].state, kSlotDying);
    EXPECT_TRUE(s.snapshot_due);
}

}  // namespace
}  // namespace kv
