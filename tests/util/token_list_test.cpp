#include "util/token_list.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "kernel/log.h"

namespace kv {
namespace {

using bytes = std::vector<uint8_t>;

struct item {
    int kind;
    int32_t as_int;
    float as_float;
    std::string as_string;
};

// Indexes `data` from a heap copy of exactly its size, so that sanitizers catch any read past it.
bool init_from(token_list& list, const bytes& data) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size()]);
    std::copy(data.begin(), data.end(), exact.get());
    return token_list_init(list, data.size(), data.empty() ? nullptr : exact.get());
}

void expect_items(const token_list& list, const std::vector<item>& items) {
    ASSERT_EQ(token_list_count(list), static_cast<int>(items.size()));
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(token_list_kind(list, i), items[i].kind);
        EXPECT_EQ(token_list_get_int(list, i), items[i].as_int);
        EXPECT_EQ(token_list_get_float(list, i), items[i].as_float);
        EXPECT_EQ(token_list_get_string(list, i), items[i].as_string);
    }
}

class TokenListTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kv_token_list_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        ASSERT_TRUE(log_open((dir_ / "kv.log").string()));
    }
    void TearDown() override {
        log_close();
        std::filesystem::remove_all(dir_);
    }
    std::string log_text() {
        std::ifstream in(dir_ / "kv.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path dir_;
};

TEST_F(TokenListTest, IndexesEveryKindOfItem) {
    const struct {
        const char* name;
        bytes data;
        std::vector<item> items;
    } cases[] = {
        {"bytes and 16-bit integers",
         {0x00, 0x02, 0x00, 0x05, 0x01, 0xFF, 0x38},
         {{0, 5, 5.0f, ""}, {0, -200, -200.0f, ""}}},
        {"32-bit integer", {0x00, 0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFE}, {{0, -2, -2.0f, ""}}},
        {"float gives its bit pattern as integer",
         {0x00, 0x01, 0x03, 0x3F, 0x80, 0x00, 0x00},
         {{1, 1065353216, 1.0f, ""}}},
        {"short string",
         {0x00, 0x01, 0x04, 0x03, 'a', 'b', 'c'},
         {{2, 0x03616263, std::bit_cast<float>(0x03616263u), "abc"}}},
        {"long string",
         {0x00, 0x01, 0x05, 0x00, 0x02, 'h', 'i'},
         {{2, 0x00026869, std::bit_cast<float>(0x00026869u), "hi"}}},
        {"empty strings", {0x00, 0x02, 0x04, 0x00, 0x05, 0x00, 0x00}, {{2, 0, 0.0f, ""}, {2, 0, 0.0f, ""}}},
        {"unknown tag takes one byte",
         {0x00, 0x03, 0x09, 0xAA, 0xFF, 0xBB, 0x00, 0x07},
         {{3, 0, 0.0f, ""}, {3, 0, 0.0f, ""}, {0, 7, 7.0f, ""}}},
        {"no items", {0x00, 0x00}, {}},
        {"bytes after the last item are ignored",
         {0x00, 0x01, 0x00, 0x7F, 0x04, 0x7F},
         {{0, 127, 127.0f, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        token_list list;
        ASSERT_TRUE(init_from(list, c.data));
        expect_items(list, c.items);
    }
    EXPECT_EQ(log_text(), "");
}

TEST_F(TokenListTest, StringLengthsUpToTheFormatsLimits) {
    bytes data = {0x00, 0x02, 0x04, 0x7F};
    data.insert(data.end(), 0x7F, 's');
    data.insert(data.end(), {0x05, 0x7F, 0xFF});
    data.insert(data.end(), 0x7FFF, 'l');
    token_list list;
    ASSERT_TRUE(init_from(list, data));
    EXPECT_EQ(token_list_get_string(list, 0), std::string(127, 's'));
    EXPECT_EQ(token_list_get_string(list, 1), std::string(0x7FFF, 'l'));
}

TEST_F(TokenListTest, DescriptionKeysAreFoundAndTheirValuesRead) {
    // pos: 2.0 2  n: "x"
    const bytes data = {
        0x00, 0x05,                         // five items
        0x04, 0x04, 'p',  'o',  's',  ':',  // key
        0x03, 0x40, 0x00, 0x00, 0x00,       // float
        0x00, 0x02,                         // byte
        0x04, 0x02, 'n',  ':',              // key
        0x04, 0x01, 'x',                    // string
    };
    token_list list;
    ASSERT_TRUE(init_from(list, data));
    auto value_after = [&](const std::string& key) {
        for (int i = 0; i + 1 < token_list_count(list); ++i) {
            if (token_list_kind(list, i) == kTokenString && token_list_get_string(list, i) == key)
                return i + 1;
        }
        return -1;
    };
    ASSERT_EQ(value_after("pos:"), 1);
    EXPECT_EQ(token_list_get_float(list, 1), 2.0f);
    EXPECT_EQ(token_list_get_float(list, 2), 2.0f);
    ASSERT_EQ(value_after("n:"), 4);
    EXPECT_EQ(token_list_get_string(list, 4), "x");
    EXPECT_EQ(value_after("missing:"), -1);
}

TEST_F(TokenListTest, IndexOutsideTheListGivesNeutralValues) {
    token_list list;
    ASSERT_TRUE(init_from(list, {0x00, 0x01, 0x04, 0x01, 'q'}));
    for (int index : {-1, 1, 2, 32767, -32768}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(token_list_kind(list, index), kTokenOther);
        EXPECT_EQ(token_list_get_int(list, index), 0);
        EXPECT_EQ(token_list_get_float(list, index), 0.0f);
        EXPECT_EQ(token_list_get_string(list, index), "");
    }
    token_list empty;
    EXPECT_EQ(token_list_count(empty), 0);
    EXPECT_EQ(token_list_get_string(empty, 0), "");
}

TEST_F(TokenListTest, DamagedListsAreRefusedAndLeftEmpty) {
    const struct {
        const char* name;
        bytes data;
    } cases[] = {
        {"empty buffer", {}},
        {"one byte", {0x00}},
        {"negative count", {0x80, 0x00}},
        {"count -1", {0xFF, 0xFF, 0x00, 0x01}},
        {"count larger than the items present", {0x00, 0x03, 0x00, 0x05, 0x01, 0xFF, 0x38}},
        {"count with no items", {0x00, 0x01}},
        {"tag without its byte", {0x00, 0x01, 0x00}},
        {"unknown tag without its byte", {0x00, 0x01, 0x77}},
        {"truncated 16-bit value", {0x00, 0x01, 0x01, 0x12}},
        {"truncated 32-bit value", {0x00, 0x01, 0x02, 0x12, 0x34, 0x56}},
        {"truncated float", {0x00, 0x01, 0x03, 0x3F, 0x80, 0x00}},
        {"short string without its length", {0x00, 0x01, 0x04}},
        {"short string longer than the bytes", {0x00, 0x01, 0x04, 0x04, 'a', 'b', 'c'}},
        {"length byte 0x80", {0x00, 0x02, 0x04, 0x80, 0x00, 0x05}},
        {"length byte 0xFF", {0x00, 0x02, 0x04, 0xFF, 0x00, 0x05}},
        {"length byte 0xFE walking back onto itself", {0x00, 0x03, 0x04, 0xFE, 0x04, 0xFE, 0x00, 0x01}},
        {"long string without its length", {0x00, 0x01, 0x05, 0x00}},
        {"long string longer than the bytes", {0x00, 0x01, 0x05, 0x00, 0x03, 'a', 'b'}},
        {"long string length 0x8000", {0x00, 0x01, 0x05, 0x80, 0x00, 'a'}},
        {"long string length 0xFFFF", {0x00, 0x02, 0x05, 0xFF, 0xFF, 0x00, 0x05}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        token_list list;
        ASSERT_TRUE(init_from(list, {0x00, 0x01, 0x00, 0x2A}));
        EXPECT_FALSE(init_from(list, c.data));
        EXPECT_EQ(token_list_count(list), 0);
        EXPECT_TRUE(list.bytes.empty());
        EXPECT_TRUE(list.starts.empty());
        EXPECT_EQ(token_list_get_int(list, 0), 0);
    }
    // One clear line per refused list.
    const std::string text = log_text();
    size_t lines = 0;
    for (size_t at = 0;
         (at = text.find("[token_list] *ERROR* damaged token list: ", at)) != std::string::npos; ++at) {
        ++lines;
    }
    EXPECT_EQ(lines, std::size(cases));
    EXPECT_NE(text.find("[token_list] *ERROR* damaged token list: item 2 of 3 runs past the end (7 bytes)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[token_list] *ERROR* damaged token list: item count -32768\n"), std::string::npos)
        << text;
}

TEST_F(TokenListTest, ReinitReplacesTheItemsAndDestroyEmpties) {
    token_list list;
    ASSERT_TRUE(init_from(list, {0x00, 0x02, 0x00, 0x01, 0x00, 0x02}));
    ASSERT_TRUE(init_from(list, {0x00, 0x01, 0x04, 0x02, 'o', 'k'}));
    expect_items(list, {{2, 0, 0.0f, "ok"}});
    token_list_destroy(list);
    EXPECT_EQ(token_list_count(list), 0);
    EXPECT_EQ(token_list_get_string(list, 0), "");
}

}  // namespace
}  // namespace kv
