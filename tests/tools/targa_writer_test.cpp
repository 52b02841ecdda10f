#include "tools/targa_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tools/qxtx_writer.h"

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

TEST(targa_writer_test, AnyVariantPutsItsFieldsAndRowsWhereTheHeaderSays) {
    // Grey, an identification field, a colour map of two 15-bit entries, four-way interleave and a
    // footer: file rows of 8 hold picture rows 0, 4, 1, 5, 2, 6, 3, 7.
    tools::targa_desc grey;
    grey.type = 3;
    grey.bits = 8;
    grey.width = 1;
    grey.height = 8;
    grey.texels = {10, 11, 12, 13, 14, 15, 16, 17};
    grey.interleave = 4;
    grey.id_field = {'i', 'd'};
    grey.map_length = 2;
    grey.map_entry_bits = 15;
    grey.trailer = {'e', 'n', 'd'};
    const std::vector<uint8_t> file = tools::targa(grey);
    const std::vector<uint8_t> header = {2, 1, 3, 0, 0, 2, 0, 15, 0, 0, 0, 0, 1, 0, 8, 0, 8, 0xE0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 18), header);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 18, file.end()),
              (std::vector<uint8_t>{'i', 'd', 0, 0, 0, 0, 10, 14, 11, 15, 12, 16, 13, 17, 'e', 'n', 'd'}));
    grey.height = 4;
    grey.texels.resize(4);
    grey.top_first = false;
    grey.interleave = 2;
    grey.id_field.clear();
    grey.map_length = 0;
    grey.trailer.clear();
    const std::vector<uint8_t> flipped = tools::targa(grey);
    EXPECT_EQ(flipped[17], 0x80);
    // File rows r < 2 hold rows 2r, the rest 2(r - 2) + 1, counted from the bottom.
    EXPECT_EQ(std::vector<uint8_t>(flipped.begin() + 18, flipped.end()),
              (std::vector<uint8_t>{13, 11, 12, 10}));
}

TEST(qxtx_writer_test, WritesABigEndianHeaderAndTheTexels) {
    tools::qxtx_desc shape;
    shape.width = 0x0102;
    shape.height = 3;
    shape.kind = 4;
    shape.format = 9;
    shape.texels = {7, 8};
    EXPECT_EQ(tools::qxtx(shape),
              (std::vector<uint8_t>{'Q', 'X', 'T', 'X', '1', '0', 1, 2, 0, 3, 4, 9, 7, 8}));
}

}  // namespace
}  // namespace kv
