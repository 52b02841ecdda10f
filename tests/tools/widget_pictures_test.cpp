#include "tools/widget_pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kv::tools {
namespace {

const widget_picture& find(const std::vector<widget_picture>& all, const std::string& name) {
    for (const widget_picture& p : all) {
        if (p.name == name) return p;
    }
    static const widget_picture none;
    ADD_FAILURE() << name;
    return none;
}

// The texels of columns [x0, x1) as one byte string.
std::string columns(const widget_picture& p, int x0, int x1) {
    std::string out;
    for (int y = 0; y < p.height; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                                    static_cast<std::size_t>(x)) *
                                   4;
            out.append(reinterpret_cast<const char*>(&p.rgba[at]), 4);
        }
    }
    return out;
}

TEST(WidgetPictures, TwoStatePicturesHaveTwoDifferentHalvesAndTheDigitsTenCells) {
    const std::vector<widget_picture> all = widget_pictures();
    EXPECT_EQ(all.size(), 13u);
    for (const widget_picture& p : all) {
        EXPECT_EQ(p.rgba.size(), static_cast<std::size_t>(p.width * p.height * 4)) << p.name;
        // A 32-bit Targa: 18 header bytes, then the texels.
        const std::vector<uint8_t> file = widget_picture_targa(p);
        ASSERT_EQ(file.size(), 18u + p.rgba.size()) << p.name;
        EXPECT_EQ(file[12] | file[13] << 8, p.width);
        EXPECT_EQ(file[14] | file[15] << 8, p.height);
        EXPECT_EQ(file[16], 32);
    }
    for (const char* name : {kRollLeft, kRollRight, kCheckBox, kListUp, kListDown}) {
        const widget_picture& p = find(all, name);
        EXPECT_NE(columns(p, 0, p.width / 2), columns(p, p.width / 2, p.width)) << name;
    }
    const widget_picture& digits = find(all, kDigits);
    ASSERT_EQ(digits.width % 10, 0);
    std::set<std::string> cells;
    for (int d = 0; d < 10; ++d)
        cells.insert(columns(digits, d * digits.width / 10, (d + 1) * digits.width / 10));
    EXPECT_EQ(cells.size(), 10u);
}

}  // namespace
}  // namespace kv::tools
