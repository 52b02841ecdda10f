#include "net/packet.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "util/text.h"

namespace kv {
namespace {

// The bytes of a buffer as "3F 80 00 00", then where its cursor stands.
std::string wire(const byte_buffer& b) {
    std::string text;
    for (std::size_t i = 0; i < b.size(); ++i) text += str_format(i ? " %02X" : "%02X", b.data()[i]);
    return text + str_format(" @%zu", b.position());
}

// The wire forms the protocol fixes, from a single value to a stamped datagram.
TEST(Packet, WireForms) {
    struct wire_case {
        const char* name;
        std::function<std::string()> make;
        std::string expected;
    };
    const std::vector<wire_case> cases = {
        {"write_float(1.0)",
         [] {
             byte_buffer b;
             b.write_float(1.0f);
             return wire(b);
         },
         "3F 80 00 00 @4"},
        {"short reads keep the cursor",
         [] {
             const uint8_t three[] = {1, 2, 3};
             byte_buffer b(three, sizeof three);
             uint32_t u32 = 0;
             uint16_t u16 = 0;
             uint8_t u8 = 0;
             std::string result = b.read_u32(u32) ? "u32 read" : "u32 failed";
             result += str_format(" @%zu", b.position());
             if (b.read_u16(u16) && b.read_u8(u8)) result += str_format(", u16 %04X u8 %02X", u16, u8);
             return result + str_format(" @%zu", b.position());
         },
         "u32 failed @0, u16 0102 u8 03 @3"},
        {"a header rewrite keeps the size",
         [] {
             byte_buffer b;
             for (int i = 0; i < 5; ++i) b.write_u32(0x11111111);
             b.seek(0);
             b.write_u32(0xAABBCCDD);
             return str_format("size %zu @%zu", b.size(), b.position());
         },
         "size 20 @4"},
        {"a new packet", [] { return wire(packet(kPacketGameSnapshot).body); },
         "00 00 00 00 00 00 00 00 00 00 05 @11"},
        {"set_header on a packet with a body",
         [] {
             packet p(kPacketCommand);
             p.body.write_u8(0xAA);
             p.set_header(7 | kSeqFlag, 3, 18);
             return wire(p.body);
         },
         "80 00 00 07 00 00 00 03 00 12 01 AA @12"},
        {"an 11-byte datagram has an empty body",
         [] {
             const std::vector<uint8_t> bytes(kPacketHeaderSize, 0);
             packet p(bytes.data(), bytes.size());
             uint8_t u8 = 0;
             return str_format("%s @%zu", p.body.read_u8(u8) ? "read" : "nothing to read", p.body.position());
         },
         "nothing to read @11"},
        {"type 13", [] { return packet(13).type_name(); }, "unknown packet id: 13"},
    };
    for (const wire_case& c : cases) EXPECT_EQ(c.make(), c.expected) << c.name;
}

TEST(Packet, BodyWritesAppendAfterAStamp) {
    packet command(kPacketCommand);
    command.body.write_u8(7);
    command.set_header(1, 2, 3);
    command.body.write_u8(0xEE);
    EXPECT_EQ(wire(command.body), "00 00 00 01 00 00 00 02 00 03 01 07 EE @13");
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
