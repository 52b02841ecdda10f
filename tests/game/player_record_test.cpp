#include "game/player_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/server.h"
#include "tests/game/game_test_support.h"
#include "tests/support/client_capture.h"

namespace kv {
namespace {

player_slot slot(uint32_t id, int32_t state, int32_t team = 0, const std::string& name = "nick") {
    player_slot s;
    s.id = id;
    s.state = state;
    s.team = team;
    s.name = name;
    return s;
}

class PlayerRecord : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        spawn_recording_game();
        take_calls();
    }
    std::vector<uint32_t> ids() const { return player_ids(); }
};

TEST_F(PlayerRecord, InitCreatesAndRefreshesFromASlot) {
    player_slot s = slot(7, kSlotPlaying, 1, "bob");
    s.spawn = 4;
    s.specialisation = 2;
    s.skin = 103;
    s.health = 80;
    s.cause = 5;
    player_init(srv_, s);
    ASSERT_EQ(srv_.players.size(), 1u);
    const player_record& r = srv_.players.front();
    EXPECT_EQ(r.id, 7u);
    EXPECT_EQ(r.state_record.id, 7u);
    EXPECT_EQ(r.nick, "bob");
    EXPECT_EQ(r.spawn_point, 4);
    EXPECT_EQ(r.team, 1);
    EXPECT_EQ(r.specialisation, 2);
    EXPECT_EQ(r.skin, 103);
    EXPECT_EQ(r.state, kSlotPlaying);
    EXPECT_EQ(r.health, 80);
    EXPECT_EQ(r.slot_value, 5);
    EXPECT_EQ(r.entry_values[0], -1);
    EXPECT_EQ(log(), "");  // the debug-log level is 0

    srv_.players.front().left = 1;
    srv_.log_level = 1;
    player_init(srv_, slot(7, kSlotDead, 2, "bobby"));
    player_init(srv_, slot(8, kSlotFrozen));
    EXPECT_EQ(ids(), (std::vector<uint32_t>{7, 8}));
    EXPECT_EQ(srv_.players.front().left, 0);
    EXPECT_EQ(srv_.players.front().nick, "bobby");
    EXPECT_EQ(log(),
              "player_init: id=7 nick=bobby kind=0 team=2 sp=0 state=4 health=0\n"
              "player_init: id=8 nick=nick kind=0 team=0 sp=0 state=1 health=0\n");
}

TEST_F(PlayerRecord, BecomesAliveOnlyWhenTheStateMovesToOne) {
    // A new record starts in state 1: its first state 1 is no change.
    player_init(srv_, slot(3, kSlotFrozen));
    player_record& r = *server_find_player(srv_, 3);
    EXPECT_FALSE(player_record_take_became_alive(r));
    player_init(srv_, slot(3, kSlotFrozen));
    EXPECT_FALSE(player_record_take_became_alive(r));

    player_init(srv_, slot(3, kSlotPlaying));
    player_init(srv_, slot(3, kSlotFrozen));
    EXPECT_TRUE(player_record_take_became_alive(r));
    EXPECT_FALSE(player_record_take_became_alive(r));  // taken

    server_reset_player_states(srv_);
    EXPECT_EQ(r.state, 0);
    player_init(srv_, slot(3, kSlotFrozen));
    EXPECT_TRUE(player_record_take_became_alive(r));
}

TEST_F(PlayerRecord, NetworkIndexesOutOfRangeAreIgnored) {
    player_slot s = slot(5, kSlotFrozen, 2);
    s.specialisation = 3;
    player_init(srv_, s);
    s.team = 4;
    s.specialisation = -1;
    s.name = "renamed";
    player_init(srv_, s);
    const player_record& r = *server_find_player(srv_, 5);
    EXPECT_EQ(r.team, 2);
    EXPECT_EQ(r.specialisation, 3);
    EXPECT_EQ(r.nick, "renamed");  // the rest of the slot still applies
    EXPECT_EQ(log(),
              "player_init: *WARNING* player 5: team 4 out of range, ignored.\n"
              "player_init: *WARNING* player 5: specialisation -1 out of range, ignored.\n");

    // A new record keeps its own defaults.
    s.id = 6;
    player_init(srv_, s);
    EXPECT_EQ(server_find_player(srv_, 6)->team, kNoTeam);
}

TEST_F(PlayerRecord, FindsByIdAndNick) {
    player_init(srv_, slot(1, 1, 0, "ann"));
    player_init(srv_, slot(2, 1, 0, "Ann"));
    player_init(srv_, slot(3, 1, 0, "ann"));
    EXPECT_EQ(server_find_player(srv_, 2)->nick, "Ann");
    EXPECT_EQ(server_find_player(srv_, 4), nullptr);
    EXPECT_EQ(server_find_player_by_nick(srv_, "ann")->id, 1u);
    EXPECT_EQ(server_find_player_by_nick(srv_, "an"), nullptr);

    player_record* local = server_add_local_player(srv_, 100);
    EXPECT_EQ(local->team, kNoTeam);
    EXPECT_EQ(local->state, kSlotFrozen);
    EXPECT_EQ(server_add_local_player(srv_, 2), server_find_player(srv_, 2));
    EXPECT_EQ(server_find_player(srv_, 2)->driven_here, 1);
    EXPECT_EQ(ids(), (std::vector<uint32_t>{1, 2, 3, 100}));
}

TEST_F(PlayerRecord, IsActiveInStatesOneToThreeWithATeamAndNotLeft) {
    struct {
        int32_t state;
        int32_t team;
        uint8_t left;
        bool active;
    } const cases[] = {
        {1, 0, 0, true}, {2, 1, 0, true},  {3, 2, 0, true},  {0, 0, 0, false}, {4, 0, 0, false},
        {9, 0, 0, true}, {11, 0, 0, true}, {2, 3, 0, false}, {2, 0, 1, false}, {-6, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        player_record r(1);
        r.state = c.state;
        r.team = c.team;
        r.left = c.left;
        EXPECT_EQ(player_record_is_active(r), c.active);
    }
    player_record r(1);
    r.state = 9;
    EXPECT_TRUE(player_record_state_is_1(r));
    r.state = 11;
    EXPECT_TRUE(player_record_state_is_3(r));
}

TEST_F(PlayerRecord, StateUpdatesArePendingUntilTaken) {
    player_init(srv_, slot(4, kSlotPlaying));
    player_state state;
    state.id = 99;  // the record keeps its own id
    state.position = {10.0f, 0.0f, 0.0f};
    EXPECT_TRUE(server_player_update(srv_, 4, state));
    player_record& r = *server_find_player(srv_, 4);
    EXPECT_EQ(r.state_record.id, 4u);
    player_state out;
    EXPECT_TRUE(player_record_take_update(r, out));
    EXPECT_EQ(out.position.x, 10.0f);
    EXPECT_FALSE(player_record_take_update(r, out));

    state.position.x = 10.000001f;  // within 1e-5: no change
    EXPECT_FALSE(server_player_update(srv_, 4, state));
    EXPECT_EQ(r.update_pending, 0);
    EXPECT_FALSE(server_player_update(srv_, 5, state));
}

TEST_F(PlayerRecord, CountersStoreOnlyANonZeroSet) {
    player_record r(1);
    const uint8_t levels[kPlayerLevels] = {1, 2, 3, 4, 5, 250};
    player_record_set_counters(r, levels);
    EXPECT_EQ(r.levels_changed, 1);
    r.levels_changed = 0;
    const uint8_t zero[kPlayerLevels] = {};
    player_record_set_counters(r, zero);
    EXPECT_EQ(r.levels_changed, 0);
    uint8_t out[kPlayerLevels] = {};
    player_record_get_counters(r, out);
    EXPECT_EQ(std::vector<uint8_t>(std::begin(out), std::end(out)),
              std::vector<uint8_t>(std::begin(levels), std::end(levels)));
}

TEST_F(PlayerRecord, PacksThePositionIntoTwoBytes) {
    struct {
        float x;
        float y;
        uint16_t packed;
    } const cases[] = {
        {0.0f, 0.0f, 0x0000},       {400.0f, 1000.0f, 0x0205},       {399.9f, 199.9f, 0x0100},
        {-200.0f, -600.0f, 0xFFFD}, {-199.0f, 0.0f, 0x0000},         {51200.0f, 51400.0f, 0x0001},
        {1e20f, -1e20f, 0x0000},    {std::nanf(""), 800.0f, 0x0004},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        player_record r(1);
        r.state_record.position = {c.x, c.y, 0.0f};
        EXPECT_EQ(player_record_pack_position(r), c.packed);
    }
}

TEST_F(PlayerRecord, WeaponsGoToTheRecordOfTheId) {
    player_init(srv_, slot(2, 1));
    server_give_weapon(srv_, 2, 1, 2, 3, 4, "rifle");
    server_give_empty_weapon(srv_, 2);
    server_give_weapon(srv_, 9, 1, 2, 3, 4, "nobody");
    const player_record& r = *server_find_player(srv_, 2);
    ASSERT_EQ(r.weapons.size(), 2u);
    EXPECT_EQ(r.weapons[0].values[3], 4);
    EXPECT_EQ(r.weapons[0].text, "rifle");
    EXPECT_EQ(r.weapons[1].values[0], -1);
    EXPECT_EQ(r.weapons[1].text, "");
}

TEST_F(PlayerRecord, PurgeDropsTheLeftAfterTellingTheGame) {
    player_init(srv_, slot(1, 1));
    player_init(srv_, slot(2, 1));
    player_init(srv_, slot(3, 1));
    server_find_player(srv_, 3)->bot_registered = 1;
    server_mark_players_left(srv_);
    player_init(srv_, slot(2, 1));
    take_calls();
    server_purge_players(srv_);
    EXPECT_EQ(ids(), (std::vector<uint32_t>{2}));
    EXPECT_EQ(take_calls(), (calls_t{"game event 0"}));
}

TEST_F(PlayerRecord, HitFilter) {
    player_init(srv_, slot(1, kSlotPlaying, 0));
    player_init(srv_, slot(2, kSlotPlaying, 0));
    player_init(srv_, slot(3, kSlotPlaying, 1));
    client_capture_connect(srv_.client);
    for (uint32_t id : {1u, 2u, 3u}) {
        player_record& r = *server_find_player(srv_, id);
        r.health = 50;
        r.state_record.position = {400.0f, 600.0f, 0.0f};
    }
    struct {
        const char* name;
        uint32_t attacker;
        uint32_t victim;
        int32_t code;
        bool hosting;
        bool friendly_fire;
        int32_t victim_health;
        const char* sent;  // empty: dropped
    } const cases[] = {
        {"client sends everything", 1, 2, 7, false, false, 50, "hit 1 2 7 12 ffff"},
        {"client sends hits on the dead", 1, 3, 7, false, false, 0, "hit 1 3 7 12 ffff"},
        {"host: enemies", 1, 3, 7, true, false, 50, "hit 1 3 7 12 0203"},
        {"host: dead victim", 1, 3, 7, true, false, 0, ""},
        {"host: team mates", 1, 2, 7, true, false, 50, ""},
        {"host: team mates, friendly fire", 1, 2, 7, true, true, 50, "hit 1 2 7 12 0203"},
        {"host: team mates, explosion", 1, 2, 253, true, false, 50, "hit 1 2 253 12 0203"},
        {"host: own hit", 2, 2, 255, true, false, 50, "hit 2 2 255 12 0203"},
        {"host: neither known", 8, 9, 7, true, false, 50, ""},
        {"host: unknown victim", 1, 9, 7, true, false, 50, "hit 1 9 7 12 ffff"},
        {"host: unknown attacker", 8, 3, 7, true, false, 50, "hit 8 3 7 12 0203"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_find_player(srv_, 3)->health = c.victim_health;
        srv_.snapshot.flags = c.friendly_fire ? kSnapshotFriendlyFire : 2;
        server_damage_player(srv_, c.attacker, c.victim, 12.9f, c.code, c.hosting);
        EXPECT_EQ(client_capture_take(srv_.client),
                  std::string(c.sent).empty() ? calls_t{} : calls_t{c.sent});
    }
}

TEST_F(PlayerRecord, StepSendsTheLocalPlayersAtMostEvery34Ms) {
    player_init(srv_, slot(1, kSlotPlaying, 0));
    player_init(srv_, slot(2, kSlotPlaying, 0));
    player_init(srv_, slot(3, kSlotDead, 0));
    server_add_local_player(srv_, 1);
    server_add_local_player(srv_, 3);
    server_add_local_player(srv_, 100);  // no team yet
    client_capture_connect(srv_.client);

    server_step_players(srv_);  // starts the step's timer
    clock_.advance_ms(33);
    server_step_players(srv_);
    EXPECT_TRUE(take_calls().empty());
    clock_.advance_ms(1);
    server_step_players(srv_);
    EXPECT_EQ(take_calls(), (calls_t{"game event 4"}));
    ASSERT_EQ(srv_.client.local_players.size(), 1u);
    EXPECT_EQ(srv_.client.local_players[0].id, 1u);
    clock_.advance_ms(20);
    server_step_players(srv_);
    EXPECT_TRUE(take_calls().empty());
}

}  // namespace
}  // namespace kv
