#include "net/snapshot_package.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/log.h"
#include "net/datagram_limits.h"
#include "tests/net/record_packets.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

using test::body_bytes;
using test::received;

player_slot slot_of(uint32_t id, int32_t team, int32_t state = kSlotPlaying) {
    player_slot s;
    s.id = id;
    s.team = team;
    s.state = state;
    return s;
}

std::vector<uint32_t> ids_of(const std::vector<player_slot>& slots) {
    std::vector<uint32_t> ids;
    for (const player_slot& s : slots) ids.push_back(s.id);
    return ids;
}

// A package of every kind of slot value, as the server would send it.
snapshot_package full_package() {
    snapshot_package s;
    s.name = "m1";
    s.flags = 0x49;
    s.state = kGameRunning;
    s.seconds = 40000;
    s.result = 3;
    s.winner = -2;
    for (uint32_t id : {104u, 7u, 0u, 250u}) {
        player_slot slot = slot_of(id, static_cast<int32_t>(id % 4), static_cast<int32_t>(id % 5));
        slot.spawn = static_cast<int32_t>(id % 60);
        slot.specialisation = static_cast<int32_t>(id % 4);
        slot.health = static_cast<int32_t>(id % 101);
        slot.skin = id >= 100 ? 100 + static_cast<int32_t>(id % 8) : static_cast<int32_t>(id % 8);
        slot.cause = static_cast<int32_t>(id % 8);
        s.slots.push_back(slot);
    }
    return s;
}

TEST(SnapshotPackage, WireBytes) {
    // A slot's packed byte fields after its id, and back.
    player_slot slot;
    slot.id = 0x01020304;
    slot.spawn = 5;
    slot.team = 3;
    slot.state = kSlotPlaying;
    slot.specialisation = 1;
    slot.health = 100;
    slot.skin = 102;
    slot.cause = 4;
    slot.next_d_snapshot = true;
    packet out(kPacketDeltaSnapshot);
    snapshot_package_write_slot(slot, out);
    EXPECT_EQ(body_bytes(out), (std::vector<uint8_t>{1, 2, 3, 4, 0xC5, 0x42, 0x64, 0xA2}));
    EXPECT_FALSE(slot.next_d_snapshot);
    packet in = received(out);
    player_slot back;
    back.name = "kept";
    back.ping = 30;
    ASSERT_TRUE(snapshot_package_read_slot(back, in));
    EXPECT_EQ(back.id, slot.id);
    EXPECT_EQ(back.spawn, 5);
    EXPECT_EQ(back.team, 3);
    EXPECT_EQ(back.state, kSlotPlaying);
    EXPECT_EQ(back.specialisation, 1);
    EXPECT_EQ(back.health, 100);
    EXPECT_EQ(back.skin, 102);
    EXPECT_EQ(back.cause, 4);
    EXPECT_EQ(back.name, "kept");
    EXPECT_EQ(back.ping, 30);

    // A package without slots: name, flags, state, seconds, result, winner, count.
    snapshot_package m1;
    m1.name = "m1";
    m1.flags = 0x41;
    m1.state = kGameFreeze;
    m1.seconds = 0x0102;
    m1.result = 2;
    m1.winner = -1;
    packet g(kPacketGameSnapshot);
    snapshot_package_write(m1, g);
    EXPECT_EQ(body_bytes(g), (std::vector<uint8_t>{0, 2, 'm', '1', 0x41, 2, 1, 2, 2, 0xFF, 0}));

    // The winner -2 survives, seconds above 32767 stay positive, the slots come back in order.
    snapshot_package sent = full_package();
    packet full(kPacketGameSnapshot);
    snapshot_package_write(sent, full);
    packet in_full = received(full);
    snapshot_package got;
    got.slots.push_back(slot_of(99, 0));
    ASSERT_TRUE(snapshot_package_read(got, in_full));
    EXPECT_EQ(got.name, "m1");
    EXPECT_EQ(got.flags, 0x49);
    EXPECT_EQ(got.state, kGameRunning);
    EXPECT_EQ(got.seconds, 40000);
    EXPECT_EQ(got.result, 3);
    EXPECT_EQ(got.winner, -2);
    ASSERT_EQ(got.slots.size(), sent.slots.size());
    for (std::size_t i = 0; i < sent.slots.size(); ++i) {
        const player_slot& a = sent.slots[i];
        const player_slot& b = got.slots[i];
        EXPECT_EQ(std::vector<int32_t>({static_cast<int32_t>(b.id), b.spawn, b.team, b.specialisation, b.skin,
                                        b.state, b.health, b.cause}),
                  std::vector<int32_t>({static_cast<int32_t>(a.id), a.spawn, a.team, a.specialisation, a.skin,
                                        a.state, a.health, a.cause}));
    }

    // A count byte of 0x80 and more is negative: no slots.
    std::vector<uint8_t> negative = {0, 0, 0, 0, 0, 0, 0, 0, 0,   0, kPacketGameSnapshot,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0xFF};
    for (int i = 0; i < 8; ++i) negative.push_back(1);
    packet in_negative(negative.data(), negative.size());
    EXPECT_TRUE(snapshot_package_read(got, in_negative));
    EXPECT_TRUE(got.slots.empty());
}

// Every cut of a valid body reads whole or fails, and never yields a slot the sender did not send.
TEST(SnapshotPackage, CutBodiesNeverMakeUpSlots) {
    snapshot_package sent = full_package();
    for (player_slot& s : sent.slots) s.next_d_snapshot = true;
    packet d = snapshot_package_write_d_snapshots(sent).at(0);
    packet g(kPacketGameSnapshot);
    snapshot_package_write(sent, g);
    const std::vector<uint32_t> all = ids_of(sent.slots);

    const std::size_t g_length = body_bytes(g).size();
    for (std::size_t n = 0; n <= g_length; ++n) {
        packet in = received(g, n);
        snapshot_package got;
        got.slots.push_back(slot_of(55, 1));
        const bool ok = snapshot_package_read(got, in);
        const std::vector<uint32_t> ids = ids_of(got.slots);
        ASSERT_LE(ids.size(), all.size());
        EXPECT_EQ(ids,
                  std::vector<uint32_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(ids.size())))
            << n;
        // The header answers for the result; only a whole body has every slot.
        EXPECT_EQ(ok, n >= 9 + sent.name.size()) << n;
        EXPECT_EQ(ids.size() == all.size(), n == g_length) << n;
    }

    const std::size_t d_length = body_bytes(d).size();
    for (std::size_t n = 0; n <= d_length; ++n) {
        packet in = received(d, n);
        std::vector<player_slot> got;
        const bool ok = snapshot_package_read_d_snapshot(in, got);
        EXPECT_EQ(ok, n == d_length) << n;
        const std::size_t whole = n == 0 ? 0 : (n - 1) / kPlayerSlotBytes;
        EXPECT_EQ(ids_of(got),
                  std::vector<uint32_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(whole)))
            << n;
    }
}

TEST(SnapshotPackage, MergeKeepsWhatOtherPacketsBrought) {
    snapshot_package world;
    world.goal_event_a = 5;
    world.goal_event_b = 6;
    world.download = 7;
    world.changed = true;
    player_slot ann = slot_of(104, 0);
    ann.name = "Ann";
    ann.ping = 30;
    ann.counters[1] = 12;
    ann.statistics[5] = 9;
    world.slots = {slot_of(8, 1), ann};
    world.current_slot = 1;

    snapshot_package in = full_package();  // holds 104 with an empty name, and 7, 0, 250 new
    in.goal_event_a = -1;
    snapshot_package_assign(world, in);
    EXPECT_EQ(world.name, "m1");
    EXPECT_EQ(world.state, kGameRunning);
    EXPECT_EQ(world.winner, -2);
    EXPECT_EQ(world.goal_event_a, -1);
    EXPECT_EQ(world.goal_event_b, 6);
    EXPECT_EQ(world.download, 7);
    EXPECT_TRUE(world.changed);
    EXPECT_EQ(ids_of(world.slots), ids_of(in.slots));
    EXPECT_EQ(world.slots[0].name, "Ann");
    EXPECT_EQ(world.slots[0].ping, 30);
    EXPECT_EQ(world.slots[0].counters[1], 12);
    EXPECT_EQ(world.slots[0].statistics[5], 9);
    EXPECT_EQ(world.slots[0].health, in.slots[0].health);
    EXPECT_EQ(world.slots[1].name, "");
    EXPECT_EQ(world.slots[1].ping, 0);
    EXPECT_EQ(snapshot_package_current(world), nullptr);
}

TEST(SnapshotPackage, RoundRules) {
    snapshot_package s;
    EXPECT_EQ(s.state, kGameInitial);
    EXPECT_EQ(s.winner, -1);
    EXPECT_EQ(s.goal_event_a, -1);
    EXPECT_EQ(s.download, -1);
    EXPECT_EQ(snapshot_package_player_count(s), 0);
    EXPECT_EQ(snapshot_package_winner_team(s), kNobodyAlive);

    s.slots = {slot_of(101, 0), slot_of(3, 2, kSlotFrozen), slot_of(4, 2, kSlotDead),
               slot_of(102, 3, kSlotNotInRound)};
    EXPECT_EQ(snapshot_package_winner_team(s), kSeveralTeamsAlive);
    snapshot_package_set_winner(s, 1);
    EXPECT_EQ(snapshot_package_winner_team(s), 1);
    EXPECT_FALSE(snapshot_package_take_changed(s));
    s.winner = -1;
    s.slots[0].state = kSlotDying;
    EXPECT_EQ(snapshot_package_winner_team(s), 2);

    EXPECT_EQ(snapshot_package_count_team(s, 2), 2);
    EXPECT_EQ(snapshot_package_count_alive(s, 2), 1);
    EXPECT_EQ(snapshot_package_teams_present(s), 2);
    EXPECT_EQ(snapshot_package_missing_players(s, {3, 0, 1}), 2);
    EXPECT_TRUE(snapshot_package_no_human_playing(s));  // the one alive is a bot
    s.slots[3].state = kSlotPlaying;
    EXPECT_FALSE(snapshot_package_no_human_playing(s));

    EXPECT_EQ(free_id(s, 3), 5u);
    EXPECT_EQ(free_id(s, 100), 100u);
    EXPECT_EQ(free_id(s, 101), 103u);

    snapshot_package_set_download(s, 9);
    EXPECT_EQ(snapshot_package_take_pending(s), 9);
    EXPECT_EQ(snapshot_package_take_pending(s), -1);

    // Setters raise changed only for a new value; the events compare the first only.
    EXPECT_FALSE(snapshot_package_take_changed(s));
    snapshot_package_set_state(s, kGameInitial);
    snapshot_package_set_events(s, -1, 8);
    EXPECT_FALSE(snapshot_package_take_changed(s));
    EXPECT_EQ(s.goal_event_b, 8);
    snapshot_package_set_seconds(s, 30);
    EXPECT_TRUE(snapshot_package_take_changed(s));
    EXPECT_FALSE(snapshot_package_take_changed(s));
    snapshot_package_set_name(s, s.name);
    EXPECT_TRUE(snapshot_package_take_changed(s));

    snapshot_package_set_game_setup(s, 1, true, false, false, true);
    EXPECT_EQ(s.flags, 64 + 1 + 8);
    EXPECT_TRUE(snapshot_package_flag0(s));
    // The weaponry's state check: state 1, or 2 and 3 while the end-of-round countdown runs.
    const struct {
        int32_t state;
        int32_t countdown;
        bool open;
    } checks[] = {{kGameOneTeam, 0, true},  {kGameFreeze, 1, true},  {kGameRunning, 2, true},
                  {kGameRunning, 0, false}, {kGameReport, 5, false}, {kGameWaiting, 5, false}};
    for (const auto& c : checks) {
        s.state = c.state;
        EXPECT_EQ(snapshot_package_check_state(s, c.countdown), c.open) << c.state << " " << c.countdown;
    }
}

TEST(SnapshotPackage, GameFlagCodes) {
    const struct {
        int32_t flags;
        const char* code;
    } cases[] = {
        {0, "A"},
        {64 + 1 + 8, "RFT"},
        {128 + 2 + 4, "CS+"},
        {192 + 15, "CFTS+"},
    };
    for (const auto& c : cases) EXPECT_EQ(net_format_game_flags(c.flags), c.code) << c.flags;
}

TEST(SnapshotPackage, TeamStatesAndTheRespawnSelection) {
    snapshot_package s;
    s.slots = {slot_of(101, 0, kSlotDead), slot_of(102, 1, kSlotPlaying), slot_of(103, 3, kSlotDead),
               slot_of(104, 2, kSlotNotInRound)};
    for (player_slot& slot : s.slots) slot.health = 10;

    snapshot_package_set_team_state(s, kRespawnSelection, kSlotFrozen);
    EXPECT_TRUE(snapshot_package_take_changed(s));
    const std::vector<int32_t> states = {s.slots[0].state, s.slots[1].state, s.slots[2].state,
                                         s.slots[3].state};
    EXPECT_EQ(states, (std::vector<int32_t>{kSlotFrozen, kSlotPlaying, kSlotDead, kSlotFrozen}));
    EXPECT_EQ(s.slots[0].health, 100);
    EXPECT_EQ(s.slots[1].health, 10);
    EXPECT_EQ(s.slots[2].health, 10);

    snapshot_package_set_team_state(s, 1, kSlotPlaying);
    EXPECT_FALSE(snapshot_package_take_changed(s));
    snapshot_package_set_team_state(s, kEveryTeam, kSlotNotInRound);
    EXPECT_TRUE(snapshot_package_take_changed(s));
    for (const player_slot& slot : s.slots) EXPECT_EQ(slot.health, 100);
    snapshot_package_clear_teams(s);
    EXPECT_EQ(snapshot_package_count_team(s, 3), 4);
}

TEST(SnapshotPackage, SlotsAddedFoundAndRemoved) {
    snapshot_package s;
    EXPECT_TRUE(snapshot_package_add_slot(s, 104, 2, 1, kSlotFrozen, 100, 0x7F000001, 57777));
    EXPECT_TRUE(snapshot_package_add_slot(s, 7, 0, 1, kSlotFrozen, 100, 0x7F000001, 57777));
    player_slot* bot = snapshot_package_current(s);
    ASSERT_NE(bot, nullptr);
    EXPECT_EQ(bot->id, 7u);
    EXPECT_TRUE(bot->profile_changed);
    EXPECT_FALSE(bot->needs_all_profiles);
    EXPECT_TRUE(bot->next_d_snapshot);
    EXPECT_TRUE(snapshot_package_take_changed(s));

    // Adding an existing id renews it in place.
    s.slots[0].skin = 103;
    s.slots[0].counters[0] = 4;
    s.slots[0].name = "Ann";
    s.slots[0].needs_all_profiles = false;
    EXPECT_FALSE(snapshot_package_add_slot(s, 104, 3, 2, kSlotPlaying, 50, 0x0A000001, 1000));
    EXPECT_EQ(s.slots.size(), 2u);
    EXPECT_EQ(s.current_slot, 0);
    EXPECT_EQ(s.slots[0].skin, 0);
    EXPECT_EQ(s.slots[0].counters[0], 0);
    EXPECT_EQ(s.slots[0].name, "Ann");
    EXPECT_TRUE(s.slots[0].needs_all_profiles);
    EXPECT_EQ(s.slots[0].team, 2);

    EXPECT_TRUE(find_by_address(s, 0x7F000001, 57777));
    EXPECT_EQ(snapshot_package_current(s)->id, 7u);
    EXPECT_FALSE(find_by_address(s, 0x7F000001, 1000));
    EXPECT_EQ(snapshot_package_current(s), nullptr);

    // Removing a slot before the current one keeps the current one naming the same player.
    EXPECT_TRUE(find_by_id(s, 7));
    snapshot_package_remove_slot(s, 104);
    ASSERT_NE(snapshot_package_current(s), nullptr);
    EXPECT_EQ(snapshot_package_current(s)->id, 7u);
    snapshot_package_remove_slot(s, 7);
    EXPECT_EQ(snapshot_package_current(s), nullptr);
    EXPECT_TRUE(s.slots.empty());
    EXPECT_FALSE(find_by_id(s, 7));
}

TEST(SnapshotPackage, SnapshotsClearTheDeltaFlags) {
    snapshot_package s;
    for (uint32_t id = 100; id < 100 + 130; ++id) snapshot_package_add_slot(s, id, 0, 0, 0, 100, 0, 0);
    s.slots[1].next_d_snapshot = false;

    const std::vector<packet> ds = snapshot_package_write_d_snapshots(s);
    ASSERT_EQ(ds.size(), 2u);
    std::vector<player_slot> got;
    for (const packet& p : ds) {
        EXPECT_LE(p.body.size(), kMaxGameDatagram);
        packet in = received(p);
        EXPECT_TRUE(snapshot_package_read_d_snapshot(in, got));
    }
    ASSERT_EQ(got.size(), 129u);
    EXPECT_EQ(got[1].id, 102u);
    EXPECT_TRUE(snapshot_package_write_d_snapshots(s).empty());

    s.slots[5].next_d_snapshot = true;
    packet g(kPacketGameSnapshot);
    snapshot_package_write(s, g);
    EXPECT_FALSE(s.slots[5].next_d_snapshot);
    EXPECT_TRUE(snapshot_package_write_d_snapshots(s).empty());
}

TEST(SnapshotPackage, DumpWritesThePackageAndItsSlots) {
    temp_folder dir;
    ASSERT_TRUE(log_open(dir.file("kv.log")));
    snapshot_package s;
    s.name = "m1";
    s.slots = {slot_of(104, 1)};
    s.slots[0].ping = 30;
    dump(s);
    log_close();
    EXPECT_EQ(dir.read("kv.log"),
              "snapshot pkg: m1 fl:0 st:6 sec:0 dt:0 g:-1\n"
              "pslot id:104 sp:0 tm:1 sk:0 st:2 ht:0 pg:30\n");
}

}  // namespace
}  // namespace kv
