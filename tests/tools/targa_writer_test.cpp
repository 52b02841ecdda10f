#include "tools/targa_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/temp_folder.h"

namespace kv {
namespace {

TEST(targa_writer_test, WritesAGreyscaleImageTopRowFirst) {
    const std::vector<uint8_t> texels = {1, 2, 3, 4, 5, 6};
    const std::vector<uint8_t> expected = {0, 0, 3, 0, 0, 0,    0, 0, 0, 0, 0, 0,
                                           3, 0, 2, 0, 8, 0x20, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(tools::targa_grey(3, 2, texels.data()), expected);

    temp_folder folder;
    ASSERT_TRUE(tools::targa_write_grey(folder.file("sub/grey.tga"), 3, 2, texels.data()));
    EXPECT_EQ(folder.read("sub/grey.tga"), std::string(expected.begin(), expected.end()));

    // Sides above 255 use both bytes.
    const std::vector<uint8_t> wide(300, 7);
    const std::vector<uint8_t> header = tools::targa_grey(300, 1, wide.data());
    EXPECT_EQ(header[12], 300 & 0xFF);
    EXPECT_EQ(header[13], 1);
    EXPECT_EQ(header.size(), 18u + 300u);
}

TEST(targa_writer_test, WritesColourImagesAsBlueGreenRed) {
    tools::targa_colour_desc red;
    red.width = red.height = 1;
    red.texels = {255, 0, 0};
    const std::vector<uint8_t> expected = {0, 0, 2, 0, 0, 0,  0,    0, 0, 0,  0,
                                           0, 1, 0, 1, 0, 24, 0x20, 0, 0, 255};
    EXPECT_EQ(tools::targa_colour(red), expected);

    // 32 bits: alpha last, eight alpha bits in the descriptor; the bottom row first when asked.
    tools::targa_colour_desc two;
    two.width = 1;
    two.height = 2;
    two.alpha = true;
    two.top_first = false;
    two.texels = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<uint8_t> image = tools::targa_colour(two);
    EXPECT_EQ(image[16], 32);
    EXPECT_EQ(image[17], 0x08);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 18, image.end()),
              (std::vector<uint8_t>{7, 6, 5, 8, 3, 2, 1, 4}));
}

}  // namespace
}  // namespace kv
