#include "net/packet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<uint8_t> bytes_of(const packet& p) {
    return {p.body.data(), p.body.data() + p.body.size()};
}

TEST(Packet, NewPacketsAndStampedHeadersOnTheWire) {
    EXPECT_EQ(bytes_of(packet(kPacketGameSnapshot)),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05}));

    packet command(kPacketCommand);
    command.body.write_u8(7);
    command.body.write_string("ab");
    command.set_header(7 | kSeqFlag, 3, 18);
    EXPECT_EQ(bytes_of(command), (std::vector<uint8_t>{0x80, 0, 0, 0x07, 0, 0, 0, 0x03, 0x00, 0x12, 0x01,
                                                       0x07, 0x00, 0x02, 'a', 'b'}));
    // The body writer's cursor is where it was: further writes still append.
    command.body.write_u8(0xEE);
    EXPECT_EQ(command.body.size(), 17u);
    EXPECT_EQ(command.body.data()[16], 0xEE);
}

TEST(Packet, ParsesReceivedDatagrams) {
    const uint8_t datagram[] = {0x80, 0, 0, 0x05, 0x80, 0, 0, 0x02, 0x80, 0x01, 0x01, 0x07, 0x00, 0x01, 'x'};
    packet received(datagram, sizeof datagram);
    EXPECT_EQ(received.seq, 0x80000005u);
    EXPECT_EQ(received.rseq, 0x80000002u);
    EXPECT_EQ(received.nat, 0x8001);
    EXPECT_EQ(received.type, kPacketCommand);
    EXPECT_EQ(received.body.position(), kPacketHeaderSize);
    uint8_t id = 0;
    std::string text;
    ASSERT_TRUE(received.body.read_u8(id) && received.body.read_string(text));
    EXPECT_EQ(id, 7);
    EXPECT_EQ(text, "x");

    // A header and nothing else: every body reader fails at once.
    packet bare(datagram, kPacketHeaderSize);
    uint8_t u8 = 0;
    EXPECT_FALSE(bare.body.read_u8(u8));

    // Fields the datagram cannot hold read as 0, and no reader gets past its end.
    packet short_one(datagram, 9);
    EXPECT_EQ(short_one.seq, 0x80000005u);
    EXPECT_EQ(short_one.rseq, 0x80000002u);
    EXPECT_EQ(short_one.nat, 0);
    EXPECT_EQ(short_one.type, kPacketNone);
    EXPECT_FALSE(short_one.body.read_u8(u8));
}

TEST(Packet, TypeNames) {
    const std::vector<std::pair<int, const char*>> names = {
        {0, "NONE"},
        {1, "COMMAND"},
        {2, "COMMAND-RESULT"},
        {3, "ASYNC-COMMAND"},
        {4, "RADIO-MESSAGE"},
        {5, "G-SNAPSHOT"},
        {6, "P-SNAPSHOT"},
        {7, "W-SNAPSHOT"},
        {8, "D-SNAPSHOT"},
        {9, "PROFILES"},
        {10, "ASYNC-EVENT"},
        {11, "PING"},
        {12, "PING-REPORT"},
        {13, "unknown packet id: 13"},
        {255, "unknown packet id: 255"},
    };
    for (const auto& [type, name] : names) {
        EXPECT_EQ(packet(static_cast<uint8_t>(type)).type_name(), name);
    }
}

TEST(Packet, CopiesAreDeep) {
    packet original(kPacketAsyncCommand);
    original.body.write_string("quit");
    packet copy = original;
    original.set_header(1, 2, 3);
    EXPECT_EQ(copy.seq, 0u);
    EXPECT_EQ(copy.body.data()[3], 0);
    EXPECT_EQ(copy.body.size(), original.body.size());
}

}  // namespace
}  // namespace kv
