#include "tools/movie_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kv::tools {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string fourcc(const std::vector<uint8_t>& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

// Walks the chunks of a list body; every size must stay inside its parent.
void walk(const std::vector<uint8_t>& b, std::size_t begin, std::size_t end, std::vector<std::string>& seen) {
    std::size_t at = begin;
    while (at < end) {
        ASSERT_LE(at + 8, end);
        const std::string id = fourcc(b, at);
        const uint32_t size = le32(b, at + 4);
        ASSERT_LE(at + 8 + size, end) << id;
        if (id == "LIST") {
            seen.push_back("LIST " + fourcc(b, at + 8));
            if (fourcc(b, at + 8) != "movi") walk(b, at + 12, at + 8 + size, seen);
        } else {
            seen.push_back(id);
        }
        at += 8 + size + size % 2;
    }
}

TEST(MovieWriter, TheMovieIsAWellFormedUncompressedAviOfAFewMegabytesAtMost) {
    const movie_desc desc;
    const std::vector<uint8_t> bytes = movie_avi_bytes(desc);
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_LT(bytes.size(), 4u << 20);
    EXPECT_EQ(fourcc(bytes, 0), "RIFF");
    EXPECT_EQ(le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(fourcc(bytes, 8), "AVI ");

    std::vector<std::string> seen;
    walk(bytes, 12, bytes.size(), seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"LIST hdrl", "avih", "LIST strl", "strh", "strf", "LIST strl",
                                              "strh", "strf", "LIST movi", "idx1"}));

    // One picture and one stretch of tone per frame, each in the index.
    const std::size_t idx = bytes.size() - 8 - 16 * 2 * desc.frame_count;
    EXPECT_EQ(fourcc(bytes, idx), "idx1");
    const uint32_t frame_size = static_cast<uint32_t>(desc.width * 3 * desc.height);
    EXPECT_EQ(fourcc(bytes, idx + 8), "00db");
    EXPECT_EQ(le32(bytes, idx + 8 + 12), frame_size);
    EXPECT_EQ(fourcc(bytes, idx + 8 + 16), "01wb");
    EXPECT_EQ(le32(bytes, idx + 8 + 16 + 12),
              static_cast<uint32_t>(desc.sample_rate / desc.frames_per_second * 2));
}

}  // namespace
}  // namespace kv::tools
