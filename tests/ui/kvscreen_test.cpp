// Screens built from their descriptions, drawn, and driven by the fake mouse and keyboard.

#include "ui/kvscreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/direct_input.h"
#include "tests/support/input_fake.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/widget_test_support.h"
#include "ui/widgets/kvradar.h"

namespace kv {
namespace {

struct list_sizes {
    std::size_t pictures = 0, labels = 0, mltexts = 0, buttons = 0, edits = 0, selections = 0, counters = 0,
                checks = 0, controls = 0, rolls = 0, slides = 0;
    bool operator==(const list_sizes&) const = default;
};

list_sizes sizes(const kvscreen& s) {
    return {s.pictures.size(), s.labels.size(),     s.mltexts.size(),  s.buttons.size(),
            s.edits.size(),    s.selections.size(), s.counters.size(), s.checks.size(),
            s.controls.size(), s.rolls.size(),      s.slides.size()};
}

std::ostream& operator<<(std::ostream& os, const list_sizes& l) {
    return os << l.pictures << ' ' << l.labels << ' ' << l.mltexts << ' ' << l.buttons << ' ' << l.edits
              << ' ' << l.selections << ' ' << l.counters << ' ' << l.checks << ' ' << l.controls << ' '
              << l.rolls << ' ' << l.slides;
}

class Kvscreen : public screen_test {
protected:
    std::unique_ptr<kvscreen> make(const token_writer& w) { return make_screen(factory_, w); }
};

TEST_F(Kvscreen, EveryKeywordMakesItsWidget) {
    token_writer w;
    add_static(w, 10, 20, 30, 40, "pic");
    w.str("kvradar").integer(600).integer(20).integer(100).integer(100).str("radar");
    rgb(w, 0.5f, 0.5f, 0.5f);
    add_roll(w, 100, 100, false);
    add_label(w, 100, 200, "hello");
    add_button(w, 100, 300, 200, 40, "Go");
    add_edit(w, 100, 400);
    add_list(w, "kvselection", 100, 500);
    add_list(w, "kvcontrol", 500, 500);
    add_check(w, 100, 750);
    add_slide(w, 100, 800);
    add_mltext(w, 100, 850);
    add_counter(w, 100, 950);
    auto s = make(w);
    EXPECT_EQ(sizes(*s), (list_sizes{2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(s->name, "test_scr");
    // The radar reads its colour and draws with the default one.
    ASSERT_NE(dynamic_cast<kvradar*>(s->pictures[1].get()), nullptr);
    EXPECT_EQ(s->pictures[1]->colour[0], 1.0f);
    EXPECT_EQ(s->labels[0].text, "hello");
    EXPECT_EQ(s->labels[0].colour[1], 0.5f);
    EXPECT_EQ(s->labels[0].colour[3], 0.0f);
    EXPECT_EQ(s->labels[0].flag, 1);
    EXPECT_EQ(s->buttons[0].label.text, "Go");
    // The fifth colour is where the label starts.
    EXPECT_FLOAT_EQ(s->buttons[0].label.colour[0], 0.4f);
    EXPECT_EQ(s->edits[0].text, "Player");
    EXPECT_EQ(s->mltexts[0].lines, (std::vector<std::string>{"one", "two"}));
    // The key-binding list gets its two columns.
    ASSERT_EQ(s->controls[0].columns.size(), 2u);
    EXPECT_EQ(s->controls[0].columns[0].title, "action");
    EXPECT_EQ(s->controls[0].columns[0].width, 370.0f);
    EXPECT_EQ(s->controls[0].columns[0].inset, 25.0f);
    EXPECT_EQ(s->controls[0].columns[1].title, "key");
    EXPECT_EQ(s->controls[0].columns[1].width, 30.0f);  // what is left of the 400 wide list
    EXPECT_TRUE(s->selections[0].columns.empty());
}

TEST_F(Kvscreen, AnEmptyDescriptionHasOnlyTheCursor) {
    auto s = make(token_writer());
    EXPECT_EQ(sizes(*s), (list_sizes{}));
    EXPECT_FALSE(s->active);
    EXPECT_EQ(s->cursor_x, 500);
    EXPECT_EQ(s->cursor_y, 500);
    EXPECT_EQ(s->focused_edit, -1);
    EXPECT_EQ(s->cursor.texture_name, "kvCursor");
    EXPECT_EQ(s->cursor.width, 40.0f);
    EXPECT_EQ(s->cursor.height, 50.0f);
    EXPECT_EQ(s->cursor.texture_rect[2], 0.125f);
}

TEST_F(Kvscreen, ShortOrWrongValuesLeaveTheWidgetOut) {
    const auto eleven_label_items = [](token_writer& w) {
        w.integer(1).integer(2);
        rgb(w, 1, 1, 1);
        w.str("t").str("f").integer(1).integer(2).integer(0);
    };
    struct {
        const char* what;
        token_writer description;
        list_sizes made;
    } cases[] = {
        {"capitals",
         [] {
             token_writer w;
             w.str("KVTEXT");
             return w;
         }(),
         {}},
        {"more characters after the keyword",
         [&] {
             token_writer w;
             w.str("kvtext2");
             eleven_label_items(w);
             w.integer(0);
             return w;
         }(),
         {}},
        {"a label with ten items",
         [&] {
             token_writer w;
             w.str("kvtext");
             eleven_label_items(w);
             return w;
         }(),
         {}},
        {"a label with eleven items",
         [&] {
             token_writer w;
             w.str("kvtext");
             eleven_label_items(w);
             w.integer(1);
             return w;
         }(),
         {0, 1}},
        {"a float among the picture's integers, then a label",
         [] {
             token_writer w;
             w.str("kvstatic").integer(1).number(2.0f).integer(3).integer(4).str("pic");
             add_label(w, 1, 2, "after");
             return w;
         }(),
         {0, 1}},
        {"a picture with a string in its colour",
         [] {
             token_writer w;
             w.str("kvstatic")
                 .integer(1)
                 .integer(2)
                 .integer(3)
                 .integer(4)
                 .str("pic")
                 .number(1)
                 .str("x")
                 .number(1);
             return w;
         }(),
         {}},
        {"a picture ending inside its texture rectangle",
         [] {
             token_writer w;
             add_static(w, 1, 2, 3, 4, "pic");
             rgb(w, 1, 1, 1);
             w.number(0.5f).number(0.5f);
             return w;
         }(),
         {}},
        {"a button short of its last colour",
         [] {
             token_writer w;
             add_button(w, 1, 2, 3, 4, "b");
             return w;
         }(),
         {0, 0, 0, 1}},
        {"a list whose colour is an integer where floats are wanted",
         [] {
             token_writer w;
             add_list(w, "kvselection", 0, 0);
             token_writer& control = w;
             control.str("kvcontrol")
                 .number(0)
                 .number(0)
                 .number(400)
                 .number(200)
                 .str("back")
                 .integer(5)
                 .integer(20);
             control.number(0).number(0).number(400).number(200).str("light").number(380).number(20).number(
                 20);
             control.integer(1);  // an integer where the list's colours must be floats
             for (int i = 0; i < 30; ++i) control.number(1.0f);
             return w;
         }(),
         {0, 0, 0, 0, 0, 1}},
        {"an edit box with only its 24 values",
         [] {
             token_writer w;
             w.str("kvedit").number(0).number(0).number(200).number(40).integer(16).number(0).number(0);
             w.str("edit").str("t").str("font").number(10).number(12);
             for (int c = 0; c < 12; ++c) w.number(1.0f);
             return w;
         }(),
         {}},
    };
    for (auto& c : cases) {
        auto s = make(c.description);
        EXPECT_EQ(sizes(*s), c.made) << c.what;
    }
}

TEST_F(Kvscreen, PictureValuesAndTheirDefaults) {
    token_writer w;
    add_static(w, 1, 2, 3, 4, "plain");
    add_static(w, 5, 6, 7, 8, "tinted");
    rgb(w, 0.5f, 0.25f, 1.0f);
    w.number(0.0f).number(0.5f).number(1.0f).number(1.0f);
    add_static(w, 5, 6, 7, 8, "cut");
    w.number(0.25f).number(0.0f).number(0.5f).integer(1);
    auto s = make(w);
    // The third picture's four numbers after its name are a colour and the first value of a texture
    // rectangle that the list does not finish: it is left out.
    ASSERT_EQ(s->pictures.size(), 2u);
    const kvstatic& plain = *s->pictures[0];
    EXPECT_EQ(plain.texture_name, "plain");
    EXPECT_EQ((std::vector<float>(plain.colour, plain.colour + 4)), (std::vector<float>{1, 1, 1, 0}));
    EXPECT_EQ((std::vector<float>(plain.texture_rect, plain.texture_rect + 4)),
              (std::vector<float>{0, 0, 1, 1}));
    const kvstatic& tinted = *s->pictures[1];
    EXPECT_EQ((std::vector<float>(tinted.colour, tinted.colour + 4)),
              (std::vector<float>{0.5f, 0.25f, 1, 0}));
    EXPECT_EQ(tinted.texture_rect[1], 0.5f);
}

TEST_F(Kvscreen, RollsTakeIntegersWhereNumbersAreWanted) {
    token_writer a;
    add_roll(a, 100, 100, true);
    token_writer b;
    add_roll(b, 100, 100, false);
    auto with_integers = make(a);
    auto with_floats = make(b);
    ASSERT_EQ(with_integers->rolls.size(), 1u);
    ASSERT_EQ(with_floats->rolls.size(), 1u);
    const kvroll& x = with_integers->rolls[0];
    const kvroll& y = with_floats->rolls[0];
    EXPECT_EQ(x.width, y.width);
    EXPECT_EQ(x.item_y, y.item_y);
    EXPECT_EQ(x.arrow_width, y.arrow_width);
    EXPECT_EQ(x.frame_colour[2], y.frame_colour[2]);
    EXPECT_EQ(x.font, "font");
}

TEST_F(Kvscreen, AMissingWidgetIsNullAndReportedOnce) {
    auto s = make(token_writer());
    EXPECT_EQ(kvscreen_label(*s, 3), nullptr);
    EXPECT_EQ(kvscreen_label(*s, 3), nullptr);
    EXPECT_EQ(kvscreen_picture(*s, -1), nullptr);
    EXPECT_EQ(kvscreen_slide(*s, 0), nullptr);
    EXPECT_EQ(log(),
              "gui: *WARNING* screen `test_scr' has no label 3.\n"
              "gui: *WARNING* screen `test_scr' has no picture -1.\n"
              "gui: *WARNING* screen `test_scr' has no slider 0.\n");
}

TEST_F(Kvscreen, DrawsTheListsInTheirOrderAndTheCursorLast) {
    token_writer w;
    add_label(w, 10, 10, "label");
    add_static(w, 1, 2, 3, 4, "pic");
    auto s = make(w);
    add_font("font", std::string(256, 8));
    add_texture("pic");
    add_texture("kvCursor");
    driver_->take_calls();
    EXPECT_TRUE(kvscreen_draw(*s));
    const auto inactive = drawn();
    ASSERT_EQ(inactive.size(), 2u);
    EXPECT_TRUE(inactive[0].starts_with("draw_quad_uv_tinted pic")) << inactive[0];
    EXPECT_TRUE(inactive[1].starts_with("draw_text font")) << inactive[1];
    kvscreen_set_active(*s, true);
    kvscreen_draw(*s);
    const auto active = drawn();
    ASSERT_EQ(active.size(), 3u);
    EXPECT_TRUE(active[2].starts_with("draw_quad_uv_tinted kvCursor")) << active[2];
}

class KvscreenInput : public Kvscreen {
protected:
    void SetUp() override {
        Kvscreen::SetUp();
        keyboard_ = std::make_unique<fake_input_scope>(kernel_get().input_layer);
    }
    void TearDown() override {
        keyboard_.reset();
        Kvscreen::TearDown();
    }
    int32_t pass(kvscreen& s, int32_t time = 0) { return kvscreen_input(s, time); }
    // Moves the pointer to the point from wherever it is, in steps the 1.8 scale lands exactly.
    void point_at(kvscreen& s, int32_t x, int32_t y) {
        s.cursor_x = x;
        s.cursor_y = y;
    }
    // The left button goes down or up as the frame's key event (which moves the input layer's latch).
    static void left_button(bool down) {
        input& in = kernel_get().input_layer;
        di_post_mouse_button(0, down);
        int32_t dx = 0, dy = 0;
        input_get_mouse_motion(in, dx, dy);
        input_read_key(in);
    }
    // Down in one pass, up in the next: the code of the second.
    int32_t click(kvscreen& s, int32_t x, int32_t y) {
        point_at(s, x, y);
        left_button(true);
        pass(s);
        left_button(false);
        return pass(s);
    }

    std::unique_ptr<fake_input_scope> keyboard_;
};

TEST_F(KvscreenInput, CursorMovesByTheScaledMotionAndStaysOnTheScreen) {
    auto s = make(token_writer());
    EXPECT_EQ(pass(*s), -1);  // an inactive screen takes nothing
    kvscreen_set_active(*s, true);
    const struct {
        int32_t dx, dy, x, y;
    } moves[] = {
        {1, -1, 501, 499}, {10, 0, 519, 499}, {-5000, -5000, 0, 0}, {-1, -1, 0, 0}, {5000, 5000, 1000, 1000},
    };
    for (const auto& m : moves) {
        di_post_mouse_motion(m.dx, m.dy);
        EXPECT_EQ(pass(*s), -1);
        EXPECT_EQ(s->cursor_x, m.x) << m.dx;
        EXPECT_EQ(s->cursor_y, m.y) << m.dy;
        EXPECT_EQ(s->cursor.x, static_cast<float>(m.x));
    }
}

TEST_F(KvscreenInput, EventCodesOfEveryWidgetKind) {
    token_writer w;
    add_button(w, 0, 0, 100, 40, "zero");
    add_button(w, 0, 50, 100, 40, "one");
    add_button(w, 0, 100, 100, 40, "two");
    add_roll(w, 300, 0, false);
    add_check(w, 300, 100);
    add_check(w, 300, 150);
    add_slide(w, 300, 300);
    add_list(w, "kvselection", 500, 500);
    auto s = make(w);
    kvscreen_set_active(*s, true);
    kvselection_add_row(s->selections[0], "a");
    kvselection_add_row(s->selections[0], "b");
    kvroll_add_item(s->rolls[0], "first", {1, 1, 1, 0});
    kvroll_add_item(s->rolls[0], "second", {1, 1, 1, 0});

    // The pointer over widgets without a click.
    point_at(*s, 50, 110);  // button 2 (the screen adds 5)
    EXPECT_EQ(pass(*s), -4);
    point_at(*s, 400, 10);
    EXPECT_EQ(pass(*s), -1002);
    point_at(*s, 305, 155);
    EXPECT_EQ(pass(*s), -2003);
    point_at(*s, 305, 310);
    EXPECT_EQ(pass(*s), -4002);
    point_at(*s, 900, 900);
    EXPECT_EQ(pass(*s), -1);

    // Clicks: the button goes down, the click is its release.
    const auto clicked = [&](int32_t x, int32_t y) { return click(*s, x, y); };
    EXPECT_EQ(clicked(50, 60), 1);
    EXPECT_EQ(clicked(400, 10), 1000);
    EXPECT_EQ(clicked(305, 105), 2000);
    EXPECT_TRUE(s->checks[0].checked);
    EXPECT_EQ(clicked(900, 900), -1);
    // A row clicked once is selected (-1 for the screen), clicked again it reports -2 - row.
    EXPECT_EQ(clicked(550, 525), -1);
    EXPECT_EQ(clicked(550, 525), 3000 + 3);
    // Dragging the slider's knob.
    point_at(*s, 305, 310);
    left_button(true);
    EXPECT_EQ(pass(*s), 4000);
    left_button(false);
    pass(*s);
}

TEST_F(KvscreenInput, TheWidgetsInFrontTakeThePointer) {
    // An edit box over a button, and a check box over a roll over a slider over a button.
    token_writer w;
    add_button(w, 0, 0, 1000, 1000, "everywhere");
    add_slide(w, 100, 500);
    add_roll(w, 100, 500, false);
    add_check(w, 100, 500);
    add_edit(w, 100, 100);
    auto s = make(w);
    kvscreen_set_active(*s, true);
    kvroll_add_item(s->rolls[0], "first", {1, 1, 1, 0});
    point_at(*s, 105, 505);
    EXPECT_EQ(pass(*s), -2002);
    point_at(*s, 150, 505);
    EXPECT_EQ(pass(*s), -1002);
    // Over the box the pointer alone takes the focus and the next frame gives it back; the release
    // of the button seen on the frame after starts the editing.
    EXPECT_EQ(click(*s, 150, 110), -1);
    EXPECT_EQ(s->focused_edit, -1);
    EXPECT_EQ(pass(*s), -1);
    EXPECT_EQ(s->focused_edit, 0);
    EXPECT_TRUE(kernel_get().input_layer.text_entry);
}

TEST_F(KvscreenInput, TheFocusedBoxTakesKeysAndTheEraseKeyRepeats) {
    token_writer w;
    add_edit(w, 100, 100);
    auto s = make(w);
    kvscreen_set_active(*s, true);
    click(*s, 150, 110);
    pass(*s);
    ASSERT_EQ(s->focused_edit, 0);
    kvedit& box = s->edits[0];
    box.text.clear();
    const auto type = [&](int32_t key) {
        input_post_event(key);
        pass(*s);
    };
    for (int32_t key : {'a', 'b', 'c', 'd', 'e'}) type(key);
    EXPECT_EQ(box.text, "abcde");
    type(kKeyErase);  // the repeat timer starts: the key itself erases
    EXPECT_EQ(box.text, "abcd");
    // Held down, a key that comes after 70 ms erases instead of typing.
    clock_.advance_ms(71);
    type('x');
    EXPECT_EQ(box.text, "abc");
    clock_.advance_ms(30);
    type('y');  // within the interval: typed
    EXPECT_EQ(box.text, "abcy");
    type(-kKeyErase);
    clock_.advance_ms(100);
    type('z');
    EXPECT_EQ(box.text, "abcyz");
    // Key codes of 256 and above and other releases are not typed.
    kvedit_handle_key(box, 0);
    type(-'a');
    EXPECT_EQ(box.text, "abcyz");
}

TEST_F(Kvscreen, ThePointerStepsThroughItsStripEveryFiveSeconds) {
    auto s = make(token_writer());
    kvscreen_tick(*s, 0);
    EXPECT_EQ(s->cursor.texture_rect[0], 0.0f);  // inactive: nothing
    kvscreen_set_active(*s, true);
    kvscreen_tick(*s, 0);
    clock_.advance_ms(5000);
    kvscreen_tick(*s, 0);
    EXPECT_EQ(s->cursor.texture_rect[0], 0.0f);  // not more than 5000 ms yet
    clock_.advance_ms(1);
    kvscreen_tick(*s, 0);  // the run starts
    std::vector<float> lefts;
    for (int step = 0; step < 10; ++step) {
        clock_.advance_ms(101);
        kvscreen_tick(*s, 0);
        lefts.push_back(s->cursor.texture_rect[0]);
    }
    EXPECT_EQ(lefts,
              (std::vector<float>{0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(s->cursor.texture_rect[2], 1.125f);
    // The next run starts again from the first step.
    clock_.advance_ms(5000);
    kvscreen_tick(*s, 0);
    clock_.advance_ms(101);
    kvscreen_tick(*s, 0);
    EXPECT_EQ(s->cursor.texture_rect[0], 0.125f);
}

}  // namespace
}  // namespace kv
