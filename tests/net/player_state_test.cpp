#include "net/player_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "net/datagram_limits.h"
#include "net/packet.h"
#include "tests/net/record_packets.h"

namespace kv {
namespace {

using test::body_bytes;
using test::received;

player_state sample(uint32_t id) {
    player_state s;
    s.id = id;
    s.position = {1234.5f, -7.9f, -25.0f};
    s.angle = 3.0f;
    s.state = 200;
    s.groups[0][0] = 0xFFFF;
    s.groups[0][1] = 300;
    s.groups[0][2] = 7;
    s.groups[1][0] = 0x10005;
    s.groups[2][0] = -1;
    s.small_values[0] = -3;
    s.small_values[1] = 200;
    s.second_angle = -3.0f;
    s.bytes[0] = 1;
    s.bytes[1] = 0x80;
    s.bytes[2] = 0xFF;
    return s;
}

TEST(PlayerState, WireBytesAndBack) {
    packet out(kPacketPlayerSnapshot);
    player_state_write(sample(0x01020304), out);
    EXPECT_EQ(body_bytes(out), (std::vector<uint8_t>{1,    2,    3,    4,                 //
                                                     0,    123,  0xFF, 0xF9, 0xFF, 0xFE,  // x/10, y, z/10
                                                     122,  200,                           // angle, sector
                                                     0xFF, 0xFF, 44,   7,                 //
                                                     0,    5,    0,    0,                 //
                                                     0xFF, 0xFF, 0,    0,                 //
                                                     0xFD, 0xC8, 0x86, 1,    0x80, 0xFF}));

    packet in = received(out);
    player_state back;
    ASSERT_TRUE(player_state_read(back, in));
    EXPECT_EQ(back.id, 0x01020304u);
    EXPECT_EQ(back.position.x, 1230.0f);
    EXPECT_EQ(back.position.y, -7.0f);
    EXPECT_EQ(back.position.z, -20.0f);
    EXPECT_NEAR(back.angle, 171.5625 * 3.14159265358979 / 180.0, 1e-5);
    EXPECT_NEAR(back.second_angle, -171.5625 * 3.14159265358979 / 180.0, 1e-5);
    EXPECT_EQ(back.state, 200);
    EXPECT_EQ(back.groups[0][0], -1);  // 0xFFFF means none
    EXPECT_EQ(back.groups[0][1], 44);
    EXPECT_EQ(back.groups[0][2], 7);
    EXPECT_EQ(back.groups[1][0], 5);
    EXPECT_EQ(back.groups[2][0], -1);
    EXPECT_EQ(back.small_values[0], -3);
    EXPECT_EQ(back.small_values[1], -56);
    EXPECT_EQ(back.bytes[1], 0x80);
    EXPECT_EQ(back.bytes[2], 0xFF);
}

// The sector index travels in one byte: 255 stands for none, and for indices it cannot hold.
TEST(PlayerState, SectorIndexInOneByte) {
    const struct {
        int16_t sent;
        uint8_t byte;
        int16_t read;
    } cases[] = {{0, 0, 0}, {200, 200, 200}, {254, 254, 254}, {-1, 255, -1}, {255, 255, -1}, {300, 255, -1}};
    for (const auto& c : cases) {
        player_state s;
        s.state = c.sent;
        packet out(kPacketPlayerSnapshot);
        player_state_write(s, out);
        EXPECT_EQ(body_bytes(out)[11], c.byte) << c.sent;
        packet in = received(out);
        player_state back;
        ASSERT_TRUE(player_state_read(back, in));
        EXPECT_EQ(back.state, c.read) << c.sent;
    }
}

// A P-SNAPSHOT cut anywhere gives the whole records before the cut and fails; a short record never
// takes the values of the one before it.
TEST(PlayerState, CutRecordsFailWhole) {
    const std::vector<player_state> sent = {sample(101), sample(7), sample(102)};
    const packet p = player_states_write(sent).at(0);
    const std::size_t length = body_bytes(p).size();
    ASSERT_EQ(length, 1 + 3 * kPlayerStateBytes);
    for (std::size_t n = 0; n <= length; ++n) {
        packet in = received(p, n);
        std::vector<player_state> got;
        const bool ok = player_states_read(in, got);
        EXPECT_EQ(ok, n == length) << n;
        ASSERT_EQ(got.size(), n == 0 ? 0 : (n - 1) / kPlayerStateBytes) << n;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].id, sent[i].id);
    }

    packet short_one = received(p, 1 + kPlayerStateBytes - 1);
    short_one.body.seek(static_cast<int32_t>(kPacketHeaderSize + 1));
    player_state scratch = sample(55);
    EXPECT_FALSE(player_state_read(scratch, short_one));
    EXPECT_EQ(scratch.id, 55u);
}

TEST(PlayerState, ManyStatesSpreadOverPackets) {
    std::vector<player_state> states;
    for (uint32_t id = 100; id < 140; ++id) states.push_back(sample(id));
    const std::vector<packet> packets = player_states_write(states);
    ASSERT_EQ(packets.size(), 2u);
    std::vector<player_state> got;
    for (const packet& p : packets) {
        EXPECT_LE(p.body.size(), kMaxGameDatagram);
        packet in = received(p);
        EXPECT_TRUE(player_states_read(in, got));
    }
    ASSERT_EQ(got.size(), states.size());
    EXPECT_EQ(got.back().id, 139u);
    EXPECT_TRUE(player_states_write({}).empty());
}

TEST(PlayerState, AssignKeepsTheIdAndReportsChanges) {
    player_state target = sample(5);
    player_state source = sample(9);
    EXPECT_FALSE(player_state_assign(target, source));
    source.position.x += 0.000001f;
    EXPECT_FALSE(player_state_assign(target, source));
    source.groups[2][1] = 4;
    EXPECT_TRUE(player_state_assign(target, source));
    EXPECT_EQ(target.id, 5u);
    EXPECT_EQ(target.groups[2][1], 4);
    source.position.y += 1.0f;
    EXPECT_TRUE(player_state_assign(target, source));
    source.bytes[2] = 3;
    EXPECT_TRUE(player_state_assign(target, source));
    EXPECT_FALSE(player_state_assign(target, source));
}

}  // namespace
}  // namespace kv
