#include "net/profile_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/datagram_limits.h"
#include "net/packet.h"
#include "net/snapshot_package.h"
#include "tests/net/record_packets.h"

namespace kv {
namespace {

using test::body_bytes;
using test::received;

std::vector<int32_t> stats_of(const profile_table& t) {
    std::vector<int32_t> out;
    for (int i = 0; i < kProfileStatistics; ++i) out.push_back(stat_byte(t, i));
    return out;
}

TEST(ProfileTable, SetpAndSetrLines) {
    profile_table t;
    merge(t, "setp 104 3:10:2:1:0:0:5:0:1 \"Ann\"", true);
    ASSERT_TRUE(find(t, 104));
    EXPECT_EQ(counter(t, 0), 3);
    EXPECT_EQ(counter(t, 1), 10);
    EXPECT_EQ(counter(t, 2), 2);
    EXPECT_EQ(stats_of(t), (std::vector<int32_t>{1, 0, 0, 5, 0, 1}));
    EXPECT_EQ(current_nick(t), "");  // the nick of a line is not stored

    merge(t, "setr 104 7:7:7:7:7:7", false);
    EXPECT_EQ(counter(t, 1), 10);
    EXPECT_EQ(stats_of(t), (std::vector<int32_t>{7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(format_line(t, 104, false), "setp 104 3:10:2:7:7:7:7:7:7");
    set_current_nick(t, "Ann");
    EXPECT_EQ(format_line(t, 104, true), "setp 104 3:10:2:7:7:7:7:7:7 \"Ann\"");
    EXPECT_EQ(format_line(t, 105, false), "");

    // Missing fields read as 0, statistics keep their low 8 bits, huge numbers clamp.
    merge(t, "setr 300 1:2", false);
    EXPECT_EQ(current_id(t), 300u);
    EXPECT_EQ(stats_of(t), (std::vector<int32_t>{1, 2, 0, 0, 0, 0}));
    merge(t, "setr 300 300:-1:x", false);
    EXPECT_EQ(stats_of(t), (std::vector<int32_t>{44, 255, 0, 0, 0, 0}));
    merge(t, "setp 301 99999999999:-99999999999", true);
    EXPECT_EQ(counter(t, 0), 2147483647);
    EXPECT_EQ(counter(t, 1), -2147483647 - 1);
    merge(t, "setp", true);
    EXPECT_EQ(current_id(t), 0u);
    EXPECT_EQ(t.records.size(), 4u);
}

TEST(ProfileTable, OneRecordPerIdAndTheCurrentRecord) {
    profile_table t;
    EXPECT_EQ(current_id(t), 0u);
    EXPECT_EQ(counter(t, 0), 0);
    set_counter(t, 0, 5);  // no current record: nothing happens
    EXPECT_TRUE(add(t, 104));
    set_counter(t, 0, 3);
    set_counter(t, 3, 9);
    set_stat_byte(t, 2, 300);
    set_current_nick(t, "Ann");
    EXPECT_TRUE(add(t, 105));
    EXPECT_FALSE(add(t, 104));
    EXPECT_EQ(current_id(t), 104u);
    EXPECT_EQ(counter(t, 0), 3);
    EXPECT_EQ(stat_byte(t, 2), 44);
    EXPECT_EQ(t.records.size(), 2u);
    set_counter(t, 7, 1);  // out of range: ignored
    EXPECT_EQ(counter(t, 7), 0);

    update(t, 104);
    EXPECT_EQ(counter(t, 0), 3);
    EXPECT_EQ(counter(t, 3), 0);
    EXPECT_EQ(stat_byte(t, 2), 0);
    EXPECT_EQ(current_nick(t), "");
    update(t, 106);
    EXPECT_EQ(t.records.size(), 3u);

    set_current_nick(t, "Bob");
    EXPECT_TRUE(find_by_nick(t, "Bob"));
    EXPECT_EQ(current_id(t), 106u);
    EXPECT_FALSE(find_by_nick(t, "Bo"));
    EXPECT_TRUE(remove(t, 105));
    EXPECT_EQ(current_id(t), 0u);  // the removed record is nobody's current one
    EXPECT_FALSE(remove(t, 105));
    EXPECT_TRUE(find(t, 106));
    EXPECT_EQ(t.records.size(), 2u);
}

TEST(ProfileTable, ProfilesRecordBytes) {
    profile_table t;
    add(t, 104);
    set_current_nick(t, "Ann");
    set_stat_byte(t, 0, 1);
    set_stat_byte(t, 5, 6);
    snapshot_package s;
    snapshot_package_add_slot(s, 104, 0, 0, 0, 100, 0, 0);
    s.slots[0].counters[0] = 0x10002;
    s.slots[0].counters[2] = 3;
    snapshot_package_add_slot(s, 7, 0, 0, 0, 100, 0, 0);
    s.slots[1].counters[0] = 9;  // no profile: zeros

    const std::vector<packet> packets = profiles_write(s, t, true);
    ASSERT_EQ(packets.size(), 1u);
    const std::vector<uint8_t> expected = {2,   7,                                               //
                                           0,   0,   0,   104, 0,  2, 0, 0, 0,   3,              //
                                           1,   0,   0,   0,   0,  6, 0, 3, 'A', 'n', 'n',       //
                                           0,   0,   0,   7,   0,  0, 0, 0, 0,   0,              //
                                           0,   0,   0,   0,   0,  0, 0, 9, '<', 'n', 'o', ' ',  //
                                           'n', 'i', 'c', 'k', '>'};
    EXPECT_EQ(body_bytes(packets[0]), expected);
    EXPECT_EQ(expected.size(), 2 + (18 + 3) + (18 + 9));

    // Only the changed profiles, and no packet for none.
    for (player_slot& slot : s.slots) slot.profile_changed = false;
    EXPECT_TRUE(profiles_write(s, t, false).empty());
    s.slots[1].profile_changed = true;
    ASSERT_EQ(profiles_write(s, t, false).size(), 1u);
    EXPECT_EQ(body_bytes(profiles_write(s, t, false)[0])[0], 1);
}

// Filled tables go out in packets that keep within the datagram limits and read back whole.
TEST(ProfileTable, ProfilesSpreadOverPacketsAndReadBack) {
    const struct {
        uint32_t players;
        std::size_t nick_length;
        std::size_t packets;
    } cases[] = {{30, 16, 2}, {29, 16, 1}, {64, 31, 4}, {64, 40, 4}};
    for (const auto& c : cases) {
        profile_table t;
        snapshot_package server;
        snapshot_package world;
        for (uint32_t i = 0; i < c.players; ++i) {
            const uint32_t id = 100 + i;
            add(t, id);
            set_current_nick(t, std::string(c.nick_length, static_cast<char>('a' + i % 26)));
            for (int k = 0; k < kProfileStatistics; ++k) set_stat_byte(t, k, static_cast<int32_t>(i + k));
            snapshot_package_add_slot(server, id, 0, 0, 0, 100, 0, 0);
            server.slots.back().counters[1] = static_cast<int32_t>(i * 3);
            snapshot_package_add_slot(world, id, 0, 0, 0, 100, 0, 0);
        }
        const std::vector<packet> packets = profiles_write(server, t, true);
        EXPECT_EQ(packets.size(), c.packets) << c.players << " " << c.nick_length;
        for (const packet& p : packets) {
            EXPECT_LE(p.body.size(), kMaxGameDatagram);
            packet in = received(p);
            std::vector<profile_record> records;
            ASSERT_TRUE(profiles_read(in, records));
            for (const profile_record& r : records) EXPECT_TRUE(profiles_apply(world, r));
        }
        for (std::size_t i = 0; i < world.slots.size(); ++i) {
            const player_slot& slot = world.slots[i];
            EXPECT_EQ(slot.name, t.records[i].nick.substr(0, kMaxNickBytes));
            EXPECT_EQ(slot.counters[1], static_cast<int32_t>(i * 3));
            EXPECT_TRUE(std::equal(std::begin(slot.statistics), std::end(slot.statistics),
                                   std::begin(t.records[i].statistics)));
        }
    }
}

TEST(ProfileTable, ProfilesAppliedToTheWorldCopy) {
    snapshot_package world;
    snapshot_package_add_slot(world, 104, 0, 0, 0, 100, 0, 0);
    world.slots[0].statistics[3] = 2;

    profile_record r;
    r.mask = kProfileAllFields;
    r.id = 104;
    r.counters[0] = 65535;
    r.statistics[0] = 9;
    r.nick = "Ann";
    EXPECT_TRUE(profiles_apply(world, r));
    EXPECT_EQ(world.slots[0].name, "Ann");
    EXPECT_EQ(world.slots[0].counters[0], 65535);
    EXPECT_EQ(world.slots[0].statistics[0], 0);  // the slot's own statistics stay
    EXPECT_EQ(world.slots[0].statistics[3], 2);

    r.id = 105;
    EXPECT_FALSE(profiles_apply(world, r));

    // A record without a nick group leaves the nick alone; statistics fill a slot that has none.
    world.slots[0].statistics[3] = 0;
    r.id = 104;
    r.mask = kProfileStatisticsField;
    r.nick.clear();
    EXPECT_TRUE(profiles_apply(world, r));
    EXPECT_EQ(world.slots[0].name, "Ann");
    EXPECT_EQ(world.slots[0].statistics[0], 9);
}

// A PROFILES body cut anywhere reads the whole records before the cut and fails.
TEST(ProfileTable, CutProfilesFail) {
    profile_table t;
    snapshot_package s;
    for (uint32_t id : {104u, 7u, 105u}) {
        add(t, id);
        set_current_nick(t, "n" + std::to_string(id));
        snapshot_package_add_slot(s, id, 0, 0, 0, 100, 0, 0);
    }
    const packet p = profiles_write(s, t, true).at(0);
    const std::size_t length = body_bytes(p).size();
    std::vector<std::size_t> record_ends = {2};
    for (const player_profile& profile : t.records)
        record_ends.push_back(record_ends.back() + 18 + profile.nick.size());
    for (std::size_t n = 0; n <= length; ++n) {
        packet in = received(p, n);
        std::vector<profile_record> got;
        const bool ok = profiles_read(in, got);
        EXPECT_EQ(ok, n == length) << n;
        std::size_t whole = 0;
        while (whole + 1 < record_ends.size() && record_ends[whole + 1] <= n) ++whole;
        ASSERT_EQ(got.size(), whole) << n;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].id, t.records[i].id);
            EXPECT_EQ(got[i].nick, t.records[i].nick);
        }
    }

    // Control characters arrive as blanks, long nicks cut.
    packet raw(kPacketProfiles);
    raw.body.write_u8(1);
    raw.body.write_u8(kProfileNickField);
    raw.body.write_u32(104);
    raw.body.write_string("a\nb" + std::string(40, 'c'));
    packet in = received(raw);
    std::vector<profile_record> got;
    ASSERT_TRUE(profiles_read(in, got));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].nick, "a b" + std::string(28, 'c'));
    EXPECT_EQ(got[0].mask, kProfileNickField);
}

}  // namespace
}  // namespace kv
