#include "ui/widgets/kvroll.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sound/sound_test_support.h"
#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

// A 300 x 40 box at 100, 100 with 24 x 20 arrows: the step is 26, the first arrow spans 348..374,
// the second 374..400, both 110..130 high; the box left of them ends at 348.
class Kvroll : public widget_test {
protected:
    kvroll roll(int items, const std::string& first = "left", const std::string& second = "right") {
        kvroll w;
        kvroll_init(w, 100, 100, 300, 40, {1, 1, 1, 0}, {0, 1, 0, 0}, "frame", first, second, "font", 10, 12,
                    24, 20, 110, 110);
        for (int i = 0; i < items; ++i) kvroll_add_item(w, "item" + std::to_string(i), {1, 0, 0, 0});
        return w;
    }
};

TEST_F(Kvroll, StepsWrapBothWaysWithTheirArrowsAndSounds) {
    kernel_sound_probe sound(folder_.file("data") + "/", {"ui_snd2", "ui_snd6"});
    kvroll w = roll(3);
    EXPECT_EQ(w.arrow_step, 26.0f);
    EXPECT_EQ(w.arrow_top, 10.0f);
    const struct {
        bool left, right, up, down;
        int32_t x, y;
        int32_t start, current;
        bool first_lit, second_lit, sound, over;
    } cases[] = {
        {true, false, false, false, 200, 120, 2, 0, false, false, true, true},    // box: next, wrapping
        {false, true, false, false, 200, 120, 0, 2, false, false, true, true},    // box: previous, wrapping
        {false, false, false, true, 200, 120, 1, 2, false, false, true, true},    // box: wheel down
        {false, false, true, false, 200, 120, 1, 0, false, false, true, true},    // box: wheel up
        {false, false, false, false, 200, 120, 1, 1, false, false, false, true},  // resting
        {true, false, false, false, 360, 120, 2, 0, true, false, true, true},     // first arrow
        {false, false, true, false, 360, 120, 0, 2, false, false, true, true},    // first arrow, wheel up
        {false, true, false, false, 360, 120, 0, 0, false, false, false, true},   // right click: nothing
        {true, false, false, false, 380, 120, 0, 2, false, true, true, true},     // second arrow
        {false, false, true, false, 380, 120, 1, 0, false, true, true, true},     // second arrow, wheel up
        {false, false, false, true, 380, 120, 1, 2, true, false, true, true},     // wheel down there: next
        {true, false, false, false, 380, 105, 1, 1, false, false, false, false},  // above the arrows
        {true, false, false, false, 348, 120, 1, 1, false, false, false, false},  // between box and arrow
        {true, false, false, false, 100, 120, 1, 1, false, false, false, false},  // on the box's edge
    };
    for (const auto& c : cases) {
        w.current = c.start;
        EXPECT_EQ(kvroll_handle_pointer(w, c.left, c.right, c.up, c.down, c.x, c.y), c.over)
            << c.x << " " << c.start;
        EXPECT_EQ(w.current, c.current) << c.x << " " << c.start;
        EXPECT_EQ(w.first_lit != 0, c.first_lit) << c.x << " " << c.start;
        EXPECT_EQ(w.second_lit != 0, c.second_lit) << c.x << " " << c.start;
        EXPECT_EQ(sound.take(), c.sound ? calls_t{"1 ui_snd2 0 0"} : calls_t{}) << c.x << " " << c.start;
        w.first_lit = w.second_lit = 0;
    }

    // Disabled: refused with its sound, the item kept, the pointer still over it.
    kvroll_set_enabled(w, false);
    w.current = 1;
    EXPECT_TRUE(kvroll_handle_pointer(w, true, false, false, false, 360, 120));
    EXPECT_EQ(w.current, 1);
    EXPECT_FALSE(w.first_lit);
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd6 0 0"});
    // Invisible, or without items: never over it.
    kvroll_set_enabled(w, true);
    kvroll_set_visible(w, false);
    EXPECT_FALSE(kvroll_handle_pointer(w, true, false, false, false, 200, 120));
    kvroll empty = roll(0);
    EXPECT_FALSE(kvroll_handle_pointer(empty, true, false, false, false, 200, 120));
    EXPECT_TRUE(sound.take().empty());
}

TEST_F(Kvroll, SelectKeepsTheItemAValidIndex) {
    kvroll w = roll(3);
    const struct {
        int32_t n, current, result;
    } cases[] = {{7, 1, 2}, {0, 0, 0}, {2, 2, 0}, {3, 0, 1}, {-1, 2, 0}, {-4, 2, -1}, {-3, 0, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(kvroll_select(w, c.n), c.result) << c.n;
        EXPECT_EQ(w.current, c.current) << c.n;
    }
    kvroll empty = roll(0);
    empty.current = 0;
    EXPECT_EQ(kvroll_select(empty, 5), 0);
    EXPECT_EQ(empty.current, 0);
    EXPECT_FALSE(kvroll_draw(empty));  // no item, no arrow pictures loaded
}

TEST_F(Kvroll, OnlyAFirstArrowLeavesTheWholeBox) {
    kvroll w = roll(2, "left", "");
    EXPECT_EQ(w.arrow_step, 0.0f);
    EXPECT_TRUE(kvroll_handle_pointer(w, true, false, false, false, 398, 120));  // the box, up to its end
    EXPECT_EQ(w.current, 1);
    EXPECT_FALSE(w.first_lit);
}

TEST_F(Kvroll, DrawsFrameItemAndArrowHalves) {
    for (const char* name : {"frame", "left", "right"}) add_texture(name);
    add_font("font", std::string(256, 16));
    kvroll w = roll(3);
    EXPECT_TRUE(kvroll_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted_at frame 1 1 1 | 100 100 300 40 | 0 0 1 1",
                                "draw_text font 1 0 0 | 110 110 10 12 | item0 | 0 widths",
                                "draw_quad_uv_tinted_at left 0 1 0 | 348 110 24 20 | 0 0 0.5 1",
                                "draw_quad_uv_tinted_at right 0 1 0 | 374 110 24 20 | 0 0 0.5 1"}));
    // A lit arrow shows its right half for one frame; the frame takes the half the last arrow left.
    kvroll_handle_pointer(w, true, false, false, false, 380, 120);
    kvroll_set_enabled(w, false);
    EXPECT_TRUE(kvroll_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted_at frame 1 1 1 | 100 100 300 40 | 0 0 0.5 1",
                                "draw_text font 0.5 0.5 0.5 | 110 110 10 12 | item2 | 0 widths",
                                "draw_quad_uv_tinted_at left 0 1 0 | 348 110 24 20 | 0 0 0.5 1",
                                "draw_quad_uv_tinted_at right 0 1 0 | 374 110 24 20 | 0.5 0 1 1"}));
    EXPECT_EQ(w.items[2].colour[0], 1.0f);  // its own colour is back
    EXPECT_TRUE(kvroll_draw(w));
    EXPECT_EQ(drawn().back(), "draw_quad_uv_tinted_at right 0 1 0 | 374 110 24 20 | 0 0 0.5 1");
    // Without the second arrow's picture the draw answers false; invisible, nothing drawn.
    w.second_arrow = "gone";
    EXPECT_FALSE(kvroll_draw(w));
    kvroll_set_visible(w, false);
    EXPECT_FALSE(kvroll_draw(w));
    drawn();
    EXPECT_FALSE(kvroll_draw(w));
    EXPECT_TRUE(drawn().empty());
}

}  // namespace
}  // namespace kv
