#include "tools/font_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

// A 32-bit uncompressed Targa image as the demo writes it, rows from the top.
struct rgba_image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> alpha;
};

rgba_image read_targa(const std::string& bytes) {
    rgba_image image;
    if (bytes.size() < 18 || bytes[2] != 2 || static_cast<uint8_t>(bytes[16]) != 32) return image;
    image.width = static_cast<uint8_t>(bytes[12]) | static_cast<uint8_t>(bytes[13]) << 8;
    image.height = static_cast<uint8_t>(bytes[14]) | static_cast<uint8_t>(bytes[15]) << 8;
    const bool top_first = bytes[17] & 0x20;
    const std::size_t data = 18 + static_cast<uint8_t>(bytes[0]);
    if (bytes.size() < data + static_cast<std::size_t>(image.width) * image.height * 4) return rgba_image();
    image.alpha.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const int stored = top_first ? y : image.height - 1 - y;
        for (int x = 0; x < image.width; ++x) {
            image.alpha[static_cast<std::size_t>(y) * image.width + x] = static_cast<uint8_t>(
                bytes[data + (static_cast<std::size_t>(stored) * image.width + x) * 4 + 3]);
        }
    }
    return image;
}

TEST(FontWriter, EachWidthCoversItsGlyphAsTheDriversCutIt) {
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("data")));
    for (const char* font : {tools::kDemoFontBold, tools::kDemoFontPlain}) {
        const rgba_image image = read_targa(folder.read(std::string("data/tex/tga/") + font + ".tga"));
        ASSERT_EQ(image.width, 256) << font;
        ASSERT_EQ(image.height, 256) << font;
        const std::string widths = folder.read(std::string("data/tex/tga/") + font + ".fm");
        ASSERT_EQ(widths.size(), 256u) << font;
        for (int code = 0; code < 256; ++code) {
            const int width = static_cast<int8_t>(widths[static_cast<std::size_t>(code)]);
            ASSERT_GE(width, 0) << font << " " << code;
            ASSERT_LE(width, 15) << font << " " << code;
            // The drivers draw the middle width / 16 of the cell, below its top eighth.
            const int left = (16 - width) / 2;
            int inked = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const uint8_t a = image.alpha[static_cast<std::size_t>((code / 16) * 16 + y) * 256 +
                                                  static_cast<std::size_t>((code % 16) * 16 + x)];
                    if (!a) continue;
                    ++inked;
                    EXPECT_TRUE(x >= left && x < left + width && y >= 2)
                        << font << " code " << code << " ink at " << x << "," << y << " width " << width;
                }
            }
            const bool drawn_by_the_screens = code == 255 || code == 26 || (code >= 28 && code <= 31) ||
                                              code == 134 || (code > ' ' && code < 127);
            if (drawn_by_the_screens) {
                EXPECT_GT(inked, 0) << font << " " << code;
            }
            if (inked) {
                EXPECT_GT(width, 0) << font << " " << code;
            }
        }
        EXPECT_GT(static_cast<int8_t>(widths[' ']), 0) << font;
    }
    // Proportional: narrow glyphs are narrower.
    const std::string plain = folder.read(std::string("data/tex/tga/") + tools::kDemoFontPlain + ".fm");
    EXPECT_LT(plain['i'], plain['M']);

    const rgba_image cursor = read_targa(folder.read("data/tex/tga/kvCursor.tga"));
    ASSERT_EQ(cursor.width, 8 * cursor.height);
    for (int frame = 0; frame < 8; ++frame) {
        int inked = 0;
        for (int y = 0; y < cursor.height; ++y) {
            for (int x = 0; x < cursor.height; ++x) {
                inked += cursor.alpha[static_cast<std::size_t>(y) * cursor.width + frame * cursor.height + x]
                             ? 1
                             : 0;
            }
        }
        EXPECT_GT(inked, 50) << frame;
    }
}

}  // namespace
}  // namespace kv
