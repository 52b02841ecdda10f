#include "ui/widgets/kvedit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sound/sound_test_support.h"
#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

// A 200 x 40 box at 100, 100 taking 15 characters, its label at 110, 130.
kvedit_desc edit_desc() {
    kvedit_desc d;
    d.frame[0] = 100.0f;
    d.frame[1] = 100.0f;
    d.frame[2] = 200.0f;
    d.frame[3] = 40.0f;
    d.max_length = 16;
    d.label_x = 110;
    d.label_y = 130;
    d.frame_picture = "edit";
    d.text = "Player";
    d.font = "font";
    d.char_width = 10;
    d.char_height = 12;
    d.normal[2] = 0.0f;    // 1 1 0
    d.hover[1] = 0.0f;     // 1 0 1
    d.editing[0] = 0.0f;   // 0 1 1
    d.disabled[0] = 0.5f;  // 0.5 1 1
    return d;
}

class Kvedit : public widget_test {
protected:
    static std::string rgb(float r, float g, float b) {
        return std::to_string(r) + std::to_string(g) + std::to_string(b);
    }
    static std::string label_rgb(const kvedit& w) {
        return rgb(w.label.colour[0], w.label.colour[1], w.label.colour[2]);
    }
};

TEST_F(Kvedit, HoverClickAndTheEndingKeys) {
    kernel_sound_probe sound(folder_.file("data") + "/", {"ui_snd2", "ui_snd4"});
    kvedit w(edit_desc());
    EXPECT_EQ(w.label.text, "Player");
    EXPECT_EQ(label_rgb(w), rgb(1, 1, 0));

    EXPECT_TRUE(kvedit_hover(w, false, 150, 120));
    EXPECT_EQ(w.state, kEditHover);
    EXPECT_EQ(label_rgb(w), rgb(1, 0, 1));
    EXPECT_FALSE(kvedit_hover(w, false, 100, 120));  // on the edge is outside
    EXPECT_EQ(w.state, kEditNormal);
    EXPECT_EQ(label_rgb(w), rgb(1, 1, 0));
    EXPECT_TRUE(sound.take().empty());

    for (const int32_t key : {145, 146, 174, 176, 178}) {
        EXPECT_TRUE(kvedit_hover(w, true, 150, 120));
        EXPECT_TRUE(kvedit_is_editing(w));
        EXPECT_EQ(label_rgb(w), rgb(0, 1, 1));
        EXPECT_EQ(sound.take(), calls_t{"1 ui_snd2 0 0"});
        // A second click and moving away keep the editing going, silently.
        EXPECT_TRUE(kvedit_hover(w, true, 150, 120));
        EXPECT_FALSE(kvedit_hover(w, false, 500, 500));
        EXPECT_TRUE(kvedit_is_editing(w));
        EXPECT_TRUE(sound.take().empty());
        kvedit_handle_key(w, 'x');
        kvedit_handle_key(w, -key);  // a release does nothing
        EXPECT_TRUE(kvedit_is_editing(w));
        kvedit_handle_key(w, key);
        EXPECT_EQ(w.state, kEditNormal) << key;
        EXPECT_EQ(sound.take(), calls_t{"1 ui_snd4 0 0"}) << key;
        kvedit_handle_key(w, 147);
        EXPECT_EQ(w.text, "Player") << key;  // the typed text stayed until the BACKSPACE
    }
    EXPECT_EQ(w.label.text, "Player");

    // Disabled: no reaction to the mouse.
    kvedit_set_enabled(w, false);
    EXPECT_FALSE(kvedit_hover(w, true, 150, 120));
    EXPECT_FALSE(kvedit_is_editing(w));
    EXPECT_TRUE(sound.take().empty());
    kvedit_set_enabled(w, true);
    kvedit_set_visible(w, false);
    EXPECT_FALSE(kvedit_hover(w, true, 150, 120));
}

TEST_F(Kvedit, TypingKeypadBackspaceAndTheLengthLimit) {
    kvedit w(edit_desc());
    kvedit_set_text(w, "");
    kvedit_handle_key(w, 147);  // BACKSPACE on nothing
    EXPECT_EQ(w.text, "");
    const int32_t keypad[] = {160, 161, 162, 163, 164, 166, 167, 168, 169, 170};
    for (const int32_t key : keypad) kvedit_handle_key(w, key);
    EXPECT_EQ(w.text, "9371052846");
    kvedit_handle_key(w, 165);
    EXPECT_EQ(w.text, "9371052846\xA5");
    for (const int32_t key : {32, 126, 127, 31, 128, 150, 171, 200}) kvedit_handle_key(w, key);
    EXPECT_EQ(w.text, "9371052846\xA5 ~\x7F");
    kvedit_handle_key(w, 'a');
    kvedit_handle_key(w, 'b');
    EXPECT_EQ(w.text.size(), 15u);
    EXPECT_EQ(w.text.back(), 'a');  // the sixteenth character is refused
    EXPECT_EQ(w.label.text, w.text);
    kvedit_handle_key(w, 147);
    EXPECT_EQ(w.text, "9371052846\xA5 ~\x7F");
    EXPECT_EQ(w.label.text, w.text);
}

TEST_F(Kvedit, DigitsOnlyBoxes) {
    kvedit w(edit_desc());
    kvedit_set_text(w, "");
    kvedit_set_digits_only(w, true);
    const struct {
        int32_t key;
        bool typed;
    } cases[] = {{'0', true}, {'9', true}, {'/', false}, {':', false}, {'a', false}, {32, false},
                 {160, true}, {164, true}, {165, false}, {170, true},  {127, false}};
    for (const auto& c : cases) {
        const std::size_t before = w.text.size();
        kvedit_handle_key(w, c.key);
        EXPECT_EQ(w.text.size(), before + (c.typed ? 1 : 0)) << c.key;
    }
    EXPECT_EQ(w.text, "09906");
    kvedit_handle_key(w, 147);
    EXPECT_EQ(w.text, "0990");
}

TEST_F(Kvedit, TheCursorBlinks) {
    kvedit w(edit_desc());
    const struct {
        int32_t elapsed;
        const char* label;
    } steps[] = {{0, "Player\xFF"},  {349, "Player\xFF"}, {1, "Player"},   {349, "Player"},
                 {1, "Player"},  // 700: the time restarts, the label stays
                 {10, "Player\xFF"}, {400, "Player"},     {400, "Player"}, {0, "Player\xFF"}};
    for (const auto& s : steps) {
        kvedit_blink(w, s.elapsed);
        EXPECT_EQ(w.label.text, s.label) << w.blink_time;
    }
}

TEST_F(Kvedit, DrawsTheFrameInTheColourOfItsState) {
    add_texture("edit");
    add_font("font", std::string(256, 16));
    kvedit w(edit_desc());
    const auto frame = [this] { return drawn().at(0); };
    EXPECT_TRUE(kvedit_draw(w));
    const calls_t both = drawn();
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], "draw_quad_uv_tinted edit 1 1 0 | 100 100 200 40 | 0 0 1 1");
    EXPECT_EQ(both[1], "draw_text font 1 1 0 | 110 130 10 12 | Player | 0 widths");
    kvedit_hover(w, false, 150, 120);
    kvedit_draw(w);
    EXPECT_EQ(frame(), "draw_quad_uv_tinted edit 1 0 1 | 100 100 200 40 | 0 0 1 1");
    kvedit_hover(w, true, 150, 120);
    kvedit_draw(w);
    EXPECT_EQ(frame(), "draw_quad_uv_tinted edit 0 1 1 | 100 100 200 40 | 0 0 1 1");
    kvedit_set_enabled(w, false);
    kvedit_draw(w);
    EXPECT_EQ(frame(), "draw_quad_uv_tinted edit 0.5 1 1 | 100 100 200 40 | 0 0 1 1");
    // Without its frame picture the label is still drawn; invisible, nothing.
    w.frame_picture = "none";
    kvedit_draw(w);
    EXPECT_EQ(drawn().size(), 1u);
    kvedit_set_visible(w, false);
    EXPECT_TRUE(kvedit_draw(w));
    EXPECT_TRUE(drawn().empty());
}

}  // namespace
}  // namespace kv
