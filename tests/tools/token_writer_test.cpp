#include "tools/token_writer.h"

#include <gtest/gtest.h>

#include "util/token_list.h"

namespace kv::tools {
namespace {

using bytes = std::vector<uint8_t>;

TEST(TokenWriter, WritesTheStoredFormat) {
    EXPECT_EQ(token_writer().integer(5).integer(-200).bytes(), (bytes{0, 2, 0, 5, 1, 0xFF, 0x38}));
    EXPECT_EQ(token_writer().number(1.0f).bytes(), (bytes{0, 1, 3, 0x3F, 0x80, 0, 0}));
    EXPECT_EQ(token_writer().integer(70000).int8(-1).bytes(), (bytes{0, 2, 2, 0, 1, 0x11, 0x70, 0, 0xFF}));
    EXPECT_EQ(token_writer().str("abc").bytes(), (bytes{0, 1, 4, 3, 'a', 'b', 'c'}));
    EXPECT_EQ(token_writer().str16("ab").other(9, 7).bytes(), (bytes{0, 2, 5, 0, 2, 'a', 'b', 9, 7}));
    EXPECT_EQ(token_writer().int16(1).bytes_with_count(0x8000), (bytes{0x80, 0, 1, 0, 1}));
}

TEST(TokenWriter, ListsReadBackItemByItem) {
    const std::string long_text(200, 'x');
    const bytes stored =
        token_writer().key("cb:").integer(100).key("pos:").number(1.5f).str(long_text).other(7, 0).bytes();
    token_list list;
    ASSERT_TRUE(token_list_init(list, stored.size(), stored.data()));
    ASSERT_EQ(token_list_count(list), 6);
    EXPECT_EQ(token_list_get_string(list, 0), "cb:");
    EXPECT_EQ(token_list_get_int(list, 1), 100);
    EXPECT_EQ(token_list_get_float(list, 3), 1.5f);
    EXPECT_EQ(token_list_get_string(list, 4), long_text);  // too long for a one-byte length: tag 5
    EXPECT_EQ(token_list_kind(list, 5), kTokenOther);
}

}  // namespace
}  // namespace kv::tools
