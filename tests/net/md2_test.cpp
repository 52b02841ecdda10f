#include "net/md2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kv {
namespace {

std::string hex(const md2_digest& d) {
    std::string out;
    for (uint8_t b : d) {
        char two[3];
        std::snprintf(two, sizeof(two), "%02x", b);
        out += two;
    }
    return out;
}

md2_digest digest_in_pieces(const std::string& text, std::size_t piece) {
    md2_state md;
    md2_init(md);
    for (std::size_t at = 0; at < text.size(); at += piece) {
        const std::size_t n = std::min(piece, text.size() - at);
        md2_update(md, reinterpret_cast<const uint8_t*>(text.data() + at), n);
    }
    return md2_final(md);
}

// The test suite of RFC 1319, fed whole and in pieces that cut across the 16-byte blocks.
TEST(Md2, MatchesTheStandardTestSuite) {
    const struct {
        std::string text;
        std::string digest;
    } cases[] = {
        {"", "8350e5a3e24c153df2275c9f80692773"},
        {"a", "32ec01ec4a6dac72c0ab96fb34c0b5d1"},
        {"abc", "da853b0d3f88d99b30283a69e6ded6bb"},
        {"message digest", "ab4f496bfb2a530b219ff33031fe06b0"},
        {"abcdefghijklmnopqrstuvwxyz", "4e8ddff3650292ab5a4108c3aa47940b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "da33def2a42df13975352846c30338cd"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "d5976f79d83d3a0dc9806c3c66f3efd8"},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{16}, std::size_t{100}}) {
            EXPECT_EQ(hex(digest_in_pieces(c.text, piece)), c.digest)
                << '"' << c.text << "\" in pieces of " << piece;
        }
    }
}

TEST(Md2, InitStartsOverAfterFinal) {
    md2_state md;
    md2_init(md);
    md2_update(md, reinterpret_cast<const uint8_t*>("xyz"), 3);
    md2_final(md);
    md2_init(md);
    md2_update(md, reinterpret_cast<const uint8_t*>("abc"), 3);
    EXPECT_EQ(hex(md2_final(md)), "da853b0d3f88d99b30283a69e6ded6bb");
}

}  // namespace
}  // namespace kv
