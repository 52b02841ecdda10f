#include "util/byte_order.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ByteOrder, LoadsMostSignificantByteFirst) {
    const uint8_t u16[] = {0x01, 0x02};
    EXPECT_EQ(be_load_u16(u16), 258);
    const uint8_t one[] = {0x3F, 0x80, 0x00, 0x00};
    EXPECT_EQ(be_load_f32(one), 1.0f);
    const uint8_t minus_two[] = {0xC0, 0x00, 0x00, 0x00};
    EXPECT_EQ(be_load_f32(minus_two), -2.0f);
    const uint8_t u32[] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(be_load_u32(u32), 0xDEADBEEFu);
    EXPECT_EQ(le_load_u32(u32), 0xEFBEADDEu);
}

TEST(ByteOrder, StoresRoundTrip) {
    uint8_t bytes[4];
    for (float f : {0.0f, -0.0f, 1.5f, -123.25f, 3.4028235e38f}) {
        be_store_f32(bytes, f);
        EXPECT_EQ(std::bit_cast<uint32_t>(be_load_f32(bytes)), std::bit_cast<uint32_t>(f));
    }
    be_store_u16(bytes, 0xBEEF);
    EXPECT_EQ(bytes[0], 0xBE);
    EXPECT_EQ(bytes[1], 0xEF);
    EXPECT_EQ(num_zero_extend8(-1), 255u);
    EXPECT_EQ(num_zero_extend16(-2), 65534u);
}

}  // namespace
}  // namespace kv
