#include "gfx/dds_file.h"

#include <gtest/gtest.h>

#include "tools/dds_writer.h"

namespace kv {
namespace {

TEST(DdsFile, LevelSizesAndChains) {
    EXPECT_EQ(dds_level_size(kDdsFormatDxt1, 1, 1), 8u);
    EXPECT_EQ(dds_level_size(kDdsFormatDxt5, 2, 8), 32u);
    EXPECT_EQ(dds_level_size(kDdsFormatDxt3, 5, 4), 32u);
    dds_image image;
    image.format = kDdsFormatDxt1;
    image.width = 8;
    image.height = 2;
    image.mip_count = 10;
    const std::vector<dds_level> levels = dds_levels(image);
    ASSERT_EQ(levels.size(), 4u);
    const int32_t sides[4][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(levels[i].width, sides[i][0]);
        EXPECT_EQ(levels[i].height, sides[i][1]);
        EXPECT_EQ(levels[i].offset, offset);
        offset += levels[i].size;
    }
    image.mip_count = 0;  // a count of 0 is one level
    EXPECT_EQ(dds_levels(image).size(), 1u);
}

TEST(DdsFile, ReadsWholeFilesAndRefusesDamagedOnes) {
    const struct {
        const char* what;
        tools::dds_desc desc;
        int32_t max_side;
        bool ok;
        uint32_t format;
        int32_t levels;
        std::size_t data;
    } cases[] = {
        {"DXT1 with its chain",
         {"DXT1", 8, 2, 4, tools::dds_solid_rgba(8, 2, 1, 2, 3), 0},
         2048,
         true,
         kDdsFormatDxt1,
         4,
         16 + 8 + 8 + 8},
        {"DXT3",
         {"DXT3", 4, 4, 1, tools::dds_solid_rgba(4, 4, 1, 2, 3), 0},
         2048,
         true,
         kDdsFormatDxt3,
         1,
         16},
        {"DXT5, a count of 0",
         {"DXT5", 4, 8, 0, tools::dds_solid_rgba(4, 8, 1, 2, 3), 0},
         2048,
         true,
         kDdsFormatDxt5,
         1,
         32},
        {"unknown FourCC", {"DXT2", 4, 4, 1, tools::dds_solid_rgba(4, 4, 1, 2, 3), 0}, 2048, false, 0, 0, 0},
        {"one byte short", {"DXT1", 8, 8, 4, tools::dds_solid_rgba(8, 8, 1, 2, 3), 1}, 2048, false, 0, 0, 0},
        {"header only", {"DXT1", 8, 8, 1, {}, 0}, 2048, false, 0, 0, 0},
        {"short header", {"DXT1", 4, 4, 1, tools::dds_solid_rgba(4, 4, 1, 2, 3), 100}, 2048, false, 0, 0, 0},
        {"sides above the largest texture",
         {"DXT1", 8, 4, 1, tools::dds_solid_rgba(8, 4, 1, 2, 3), 0},
         4,
         false,
         0,
         0,
         0},
        {"no width", {"DXT1", 0, 4, 1, {}, 0}, 2048, false, 0, 0, 0},
        {"a count no image has",
         {"DXT1", 4, 4, 40, tools::dds_solid_rgba(4, 4, 1, 2, 3), 0},
         2048,
         false,
         0,
         0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = tools::dds_file(c.desc);
        dds_image image;
        std::string why;
        EXPECT_EQ(dds_parse(bytes.data(), bytes.size(), c.max_side, image, &why), c.ok) << why;
        if (!c.ok) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_EQ(image.format, c.format);
        EXPECT_EQ(image.mip_count, c.levels);
        EXPECT_EQ(image.data.size(), c.data);
        EXPECT_EQ(image.components, c.format == kDdsFormatDxt1 ? 3 : 4);
    }
    const uint8_t not_dds[4] = {'D', 'D', 'X', ' '};
    dds_image image;
    EXPECT_FALSE(dds_parse(not_dds, sizeof not_dds, 2048, image, nullptr));
    EXPECT_FALSE(dds_parse(nullptr, 0, 2048, image, nullptr));
}

}  // namespace
}  // namespace kv
