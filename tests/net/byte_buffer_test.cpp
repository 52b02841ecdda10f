#include "net/byte_buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kv {
namespace {

std::vector<uint8_t> bytes_of(const byte_buffer& buffer) {
    return {buffer.data(), buffer.data() + buffer.size()};
}

// What each writer puts on the wire, most significant byte first.
TEST(ByteBuffer, WritersProduceTheWireForm) {
    struct wire_case {
        const char* name;
        std::function<void(byte_buffer&)> write;
        std::vector<uint8_t> expected;
    };
    const std::vector<wire_case> cases = {
        {"u8", [](byte_buffer& b) { b.write_u8(0xAB); }, {0xAB}},
        {"u16", [](byte_buffer& b) { b.write_u16(0x1234); }, {0x12, 0x34}},
        {"u32", [](byte_buffer& b) { b.write_u32(0xDEADBEEF); }, {0xDE, 0xAD, 0xBE, 0xEF}},
        {"float -2.0", [](byte_buffer& b) { b.write_float(-2.0f); }, {0xC0, 0x00, 0x00, 0x00}},
        {"vec3",
         [](byte_buffer& b) {
             b.write_vec3({1.0f, -2.0f, 0.0f});
         },
         {0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0}},
        {"string", [](byte_buffer& b) { b.write_string("hi"); }, {0x00, 0x02, 'h', 'i'}},
        {"empty string", [](byte_buffer& b) { b.write_string(""); }, {0x00, 0x00}},
        {"overwrite in place",
         [](byte_buffer& b) {
             b.write_u32(0x11223344);
             b.seek(0);
             b.write_u8(0xFF);
         },
         {0xFF, 0x22, 0x33, 0x44}},
        {"seek -1 appends",
         [](byte_buffer& b) {
             b.write_u16(1);
             b.rewind();
             b.seek(-1);
             b.write_u8(2);
         },
         {0x00, 0x01, 0x02}},
        {"seek past the end fills with zeros",
         [](byte_buffer& b) {
             b.write_u32(0xFFFFFFFF);
             b.seek(1);
             b.truncate();
             b.seek(3);
             b.write_u8(7);
         },
         {0xFF, 0x00, 0x00, 0x07}},
    };
    for (const wire_case& c : cases) {
        SCOPED_TRACE(c.name);
        byte_buffer buffer;
        c.write(buffer);
        EXPECT_EQ(bytes_of(buffer), c.expected);
    }
}

TEST(ByteBuffer, ValuesRoundTrip) {
    byte_buffer buffer;
    buffer.write_u8(200);
    buffer.write_u16(65535);
    buffer.write_u32(0x80000001);
    buffer.write_float(-123.25f);
    buffer.write_vec3({1.5f, 2.5f, -3.5f});
    buffer.write_string("join 1 2 3");
    buffer.rewind();

    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    float f = 0;
    vec3 v;
    std::string s;
    ASSERT_TRUE(buffer.read_u8(u8) && buffer.read_u16(u16) && buffer.read_u32(u32) && buffer.read_float(f) &&
                buffer.read_vec3(v) && buffer.read_string(s));
    EXPECT_EQ(u8, 200);
    EXPECT_EQ(u16, 65535);
    EXPECT_EQ(u32, 0x80000001u);
    EXPECT_EQ(f, -123.25f);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, 2.5f);
    EXPECT_EQ(v.z, -3.5f);
    EXPECT_EQ(s, "join 1 2 3");
    EXPECT_EQ(buffer.position(), buffer.size());
    EXPECT_FALSE(buffer.read_u8(u8));
}

TEST(ByteBuffer, ShortReadsFailAndKeepTheCursorAndTheValue) {
    byte_buffer empty;
    uint8_t u8 = 9;
    uint16_t u16 = 9;
    uint32_t u32 = 9;
    float f = 9;
    vec3 v{9, 9, 9};
    std::string s = "kept";
    EXPECT_FALSE(empty.read_u8(u8) || empty.read_u16(u16) || empty.read_u32(u32) || empty.read_float(f) ||
                 empty.read_vec3(v) || empty.read_string(s));
    EXPECT_EQ(empty.position(), 0u);
    EXPECT_EQ(u8 + u16 + u32, 27u);
    EXPECT_EQ(f, 9);
    EXPECT_EQ(v.x, 9);
    EXPECT_EQ(s, "kept");

    const uint8_t three[] = {1, 2, 3};
    byte_buffer buffer(three, sizeof three);
    EXPECT_FALSE(buffer.read_u32(u32));
    EXPECT_EQ(buffer.position(), 0u);
    ASSERT_TRUE(buffer.read_u16(u16));
    ASSERT_TRUE(buffer.read_u8(u8));
    EXPECT_EQ(u16, 0x0102);
    EXPECT_EQ(u8, 3);
}

TEST(ByteBuffer, AStringRunningPastTheEndConsumesOnlyItsLength) {
    const uint8_t bytes[] = {0x00, 0x05, 'a', 'b', 'c'};
    byte_buffer buffer(bytes, sizeof bytes);
    std::string s = "kept";
    EXPECT_FALSE(buffer.read_string(s));
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(buffer.position(), 2u);
    uint8_t next = 0;
    ASSERT_TRUE(buffer.read_u8(next));
    EXPECT_EQ(next, 'a');

    // A vector whose last component is missing stores nothing but consumes what it read.
    const uint8_t two_floats[8] = {0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0};
    byte_buffer floats(two_floats, sizeof two_floats);
    vec3 v{9, 9, 9};
    EXPECT_FALSE(floats.read_vec3(v));
    EXPECT_EQ(v.x, 9);
    EXPECT_EQ(floats.position(), 8u);
}

TEST(ByteBuffer, AnOverlongStringIsCutSoLengthAndBytesAgree) {
    byte_buffer buffer;
    buffer.write_string(std::string(kMaxWireString + 10, 'x'));
    ASSERT_EQ(buffer.size(), kMaxWireString + 2);
    buffer.rewind();
    std::string s;
    ASSERT_TRUE(buffer.read_string(s));
    EXPECT_EQ(s.size(), kMaxWireString);
}

TEST(ByteBuffer, GrowthAndSeekFollowTheCapacityRule) {
    byte_buffer buffer;
    EXPECT_EQ(buffer.data(), nullptr);
    buffer.write_u32(1);  // small against the request: four times the request
    EXPECT_EQ(buffer.capacity(), 16u);
    for (int i = 0; i < 4; ++i) buffer.write_u32(1);  // 20 bytes: twice the size
    EXPECT_EQ(buffer.capacity(), 32u);

    buffer.seek(40);
    EXPECT_EQ(buffer.size(), 40u);
    EXPECT_EQ(buffer.data()[39], 0);

    buffer.release();
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size() + buffer.capacity() + buffer.position(), 0u);
}

TEST(ByteBuffer, CopiesAreDeepAndKeepTheCursor) {
    byte_buffer source;
    source.write_u32(0x01020304);
    source.seek(2);
    byte_buffer copy(source);
    source.seek(0);
    source.write_u32(0);
    EXPECT_EQ(copy.position(), 2u);
    EXPECT_EQ(copy.size(), 4u);
    uint16_t rest = 0;
    ASSERT_TRUE(copy.read_u16(rest));
    EXPECT_EQ(rest, 0x0304);

    byte_buffer& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.size(), 4u);
    EXPECT_EQ(copy.data()[0], 1);
}

}  // namespace
}  // namespace kv
