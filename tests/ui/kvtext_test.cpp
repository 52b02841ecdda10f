#include "ui/widgets/kvtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

class Kvtext : public widget_test {
protected:
    kvtext label(int32_t alignment, const std::string& text, const std::string& font = "font") {
        kvtext t;
        kvtext_init(t, 500, 300, {1.0f, 0.5f, 0.25f, 0.0f}, text, font, 16, 20, alignment, true);
        return t;
    }
};

TEST_F(Kvtext, AlignsByTheMeasuredWidth) {
    std::string widths(256, 16);  // 15 units at size 16
    widths['|'] = 1;              // 1 unit
    add_font("font", widths);

    const struct {
        int32_t alignment;
        const char* text;
        int32_t x;
    } cases[] = {
        {kTextAlignLeft, "abcdefgh", 500},    {kTextAlignRight, "abcdefgh", 380},  // 120 wide
        {kTextAlignCentre, "abcdefgh", 440},                                       // half of 120
        {kTextAlignCentre, "abcdefgh|", 440},                                      // half of 121 is 60
        {kTextAlignRight, "abcdefgh|", 379},  {kTextAlignRight, "", 500},
    };
    for (const auto& c : cases) {
        drawn();
        EXPECT_TRUE(kvtext_draw(label(c.alignment, c.text)));
        EXPECT_EQ(drawn(), calls_t{"draw_text font 1 0.5 0.25 | " + std::to_string(c.x) + " 300 16 20 | " +
                                   c.text + " | 1 widths"})
            << c.alignment << " " << c.text;
    }
}

TEST_F(Kvtext, WithoutMetricsCharactersCountWholeCellsUntilTheMetricsArrive) {
    add_texture("font");
    write_metrics("font", std::string(256, 8));
    const kvtext t = label(kTextAlignRight, "abc");
    // The first draw reads the metrics and cannot use them yet: 3 x 16.
    EXPECT_TRUE(kvtext_draw(t));
    EXPECT_EQ(drawn(), calls_t{"draw_text font 1 0.5 0.25 | 452 300 16 20 | abc | 1 null"});
    // From the second on: 3 x 8/16 x 16.
    EXPECT_TRUE(kvtext_draw(t));
    EXPECT_EQ(drawn(), calls_t{"draw_text font 1 0.5 0.25 | 476 300 16 20 | abc | 1 widths"});

    // A font whose metrics failed is measured by cells for good.
    add_texture("plain");
    const kvtext p = label(kTextAlignCentre, "abcd", "plain");
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(kvtext_draw(p));
        EXPECT_EQ(drawn(), calls_t{"draw_text plain 1 0.5 0.25 | 468 300 16 20 | abcd | 1 null"});
    }
}

TEST_F(Kvtext, WhatDrawsNothing) {
    add_font("font", std::string(256, 16));
    kvtext hidden = label(kTextAlignLeft, "x");
    kvtext_set_visible(hidden, false);
    EXPECT_TRUE(kvtext_draw(hidden));
    EXPECT_TRUE(kvtext_draw(label(3, "x")));  // an unknown alignment
    EXPECT_TRUE(kvtext_draw(label(-1, "x")));
    EXPECT_FALSE(kvtext_draw(label(kTextAlignLeft, "x", "gone")));  // no such texture
    EXPECT_FALSE(kvtext_draw(label(kTextAlignLeft, "x", "")));      // no font at all
    EXPECT_EQ(drawn(), calls_t{});

    // Without a display driver nothing can be drawn.
    g().driver.reset();
    EXPECT_FALSE(kvtext_draw(label(kTextAlignLeft, "x")));
}

TEST_F(Kvtext, EachDrawStampsTheFontAndMakesItCurrentOnUnitZero) {
    texture& font = add_texture("font");
    const kvtext t = label(kTextAlignLeft, "ab");
    for (int i = 0; i < 2; ++i) {
        const uint16_t before = g().texture_use_counter;
        ASSERT_TRUE(kvtext_draw(t));
        EXPECT_NE(g().texture_use_counter, before);
        EXPECT_EQ(font.use_stamp, g().texture_use_counter);
        const calls_t calls = driver_->take_calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0], "use_texture font 0");
        EXPECT_EQ(calls[1].rfind("draw_text font ", 0), 0u);
    }
}

TEST_F(Kvtext, SettersAndTheLevelObjectsForm) {
    add_texture("font");
    kvtext t;
    kvtext_init(t, 1.0f, 2.0f, {0.0f, 1.0f, 0.0f, 1.0f}, "old", {12, 1, 10}, kTextAlignLeft, "gone");
    EXPECT_EQ(t.char_width, 12.0f);
    EXPECT_EQ(t.char_height, 10.0f);
    EXPECT_EQ(t.flag, 1);
    kvtext_set_position(t, 10, 20);
    kvtext_set_x(t, 30);
    kvtext_set_y(t, 40);
    kvtext_set_text(t, "new");
    kvtext_set_font(t, "font");
    kvtext_set_color(t, {0.25f, 0.5f, 0.75f, 1.0f});
    float colour[4];
    kvtext_get_color(t, colour);
    EXPECT_EQ(colour[2], 0.75f);
    EXPECT_TRUE(kvtext_draw(t));
    EXPECT_EQ(drawn(), calls_t{"draw_text font 0.25 0.5 0.75 | 30 40 12 10 | new | 1 null"});

    kvtext_init_default(t);
    EXPECT_EQ(t.text, "");
    EXPECT_EQ(t.font, "");
    EXPECT_EQ(t.char_width, 0.0f);
    EXPECT_EQ(t.flag, 0);
    EXPECT_EQ(t.visible, 1);
    EXPECT_EQ(t.colour[2], 0.75f);  // left for the owner to set
}

}  // namespace
}  // namespace kv
