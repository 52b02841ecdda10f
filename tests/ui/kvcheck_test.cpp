#include "ui/widgets/kvcheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sound/sound_test_support.h"
#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

kvcheck_desc check_desc() {
    kvcheck_desc d;
    d.picture[0] = 100.0f;
    d.picture[1] = 100.0f;
    d.picture[2] = 40.0f;
    d.picture[3] = 40.0f;
    d.picture_name = "check";
    d.picture_colour[0] = 0.0f;  // 0 1 1
    d.label_x = 150;
    d.label_y = 110;
    d.text = "Sound";
    d.font = "font";
    d.label_colour[0] = 0.25f;
    d.label_colour[1] = 0.5f;
    d.label_colour[2] = 0.75f;
    d.char_width = 10;
    d.char_height = 12;
    return d;
}

// A 200-wide track at 100, 200 with a 20 x 20 knob: the knob runs from 90 to 290.
kvslide_desc slide_desc(float minimum, float maximum) {
    kvslide_desc d;
    d.track[0] = 100.0f;
    d.track[1] = 200.0f;
    d.track[2] = 200.0f;
    d.track[3] = 10.0f;
    d.knob_width = 20.0f;
    d.knob_height = 20.0f;
    d.track_picture = "track";
    d.knob_picture = "knob";
    d.minimum = minimum;
    d.maximum = maximum;
    return d;
}

class Kvcheck : public widget_test {};

TEST_F(Kvcheck, ClicksToggleWithTheirSoundAndDisabledBoxesRefuse) {
    kernel_sound_probe sound(folder_.file("data") + "/", {"ui_snd3", "ui_snd6"});
    kvcheck w(check_desc());
    EXPECT_FALSE(kvcheck_is_checked(w));
    EXPECT_TRUE(kvcheck_input(w, true, 120, 120));
    EXPECT_TRUE(kvcheck_is_checked(w));
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd3 0 0"});
    EXPECT_TRUE(kvcheck_input(w, true, 139, 101));
    EXPECT_FALSE(kvcheck_is_checked(w));
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd3 0 0"});
    // Resting over it, or clicking outside or on its edge, changes nothing.
    EXPECT_TRUE(kvcheck_input(w, false, 120, 120));
    EXPECT_FALSE(kvcheck_input(w, true, 140, 120));
    EXPECT_FALSE(kvcheck_input(w, true, 120, 100));
    EXPECT_FALSE(kvcheck_is_checked(w));
    EXPECT_TRUE(sound.take().empty());

    kvcheck_set_enabled(w, false);
    EXPECT_EQ((std::vector<float>(w.label.colour, w.label.colour + 4)),
              (std::vector<float>{0.52f, 0.47f, 0.05f, 0}));
    EXPECT_TRUE(kvcheck_input(w, true, 120, 120));
    EXPECT_FALSE(kvcheck_is_checked(w));
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd6 0 0"});
    kvcheck_set_enabled(w, true);
    EXPECT_EQ((std::vector<float>(w.label.colour, w.label.colour + 3)),
              (std::vector<float>{0.25f, 0.5f, 0.75f}));
    kvcheck_set_visible(w, false);
    EXPECT_FALSE(kvcheck_input(w, true, 120, 120));
    EXPECT_TRUE(sound.take().empty());
}

TEST_F(Kvcheck, DrawsTheHalfOfItsState) {
    add_texture("check");
    add_font("font", std::string(256, 16));
    kvcheck_desc desc = check_desc();
    desc.checked = 5;
    kvcheck w(desc);
    EXPECT_TRUE(kvcheck_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted check 0 1 1 | 100 100 40 40 | 0.5 0 1 1",
                                "draw_text font 0.25 0.5 0.75 | 150 110 10 12 | Sound | 0 widths"}));
    kvcheck_set_checked(w, false);
    kvcheck_set_enabled(w, false);
    kvcheck_set_text(w, "Music");
    EXPECT_TRUE(kvcheck_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted check 0.5 0.5 0.5 | 100 100 40 40 | 0 0 0.5 1",
                                "draw_text font 0.52 0.47 0.05 | 150 110 10 12 | Music | 0 widths"}));
    w.picture_name = "gone";
    EXPECT_FALSE(kvcheck_draw(w));
    kvcheck_set_visible(w, false);
    EXPECT_TRUE(kvcheck_draw(w));
    EXPECT_TRUE(drawn().empty());
}

class Kvslide : public widget_test {};

TEST_F(Kvslide, SetValueWithinTheLimitsMovesTheKnobBothWays) {
    kvslide w(slide_desc(5.0f, 1.0f));  // read as 0 to 1
    EXPECT_EQ(w.minimum, 0.0f);
    EXPECT_EQ(w.maximum, 1.0f);
    EXPECT_EQ(w.knob_x, 90.0f);
    const struct {
        float v, value, knob;
    } cases[] = {{0.8f, 0.8f, 250.0f}, {0.2f, 0.2f, 130.0f}, {1.0f, 1.0f, 290.0f},
                 {1.5f, 0.0f, 90.0f},  {-0.1f, 0.0f, 90.0f}, {0.5f, 0.5f, 190.0f}};
    for (const auto& c : cases) {
        kvslide_set_value(w, c.v);
        EXPECT_EQ(w.value, c.value) << c.v;
        EXPECT_NEAR(w.knob_x, c.knob, 1.0f) << c.v;  // the single-precision steps may take one more
    }
    // A maximum far beyond the track keeps the knob on it.
    kvslide wide(slide_desc(0.0f, 1e6f));
    kvslide_set_value(wide, 5e5f);
    EXPECT_EQ(wide.value, 5e5f);
    EXPECT_EQ(wide.knob_x, 290.0f);
}

TEST_F(Kvslide, DraggingFollowsTheKnobAndStopsAtTheEnds) {
    kvslide w(slide_desc(0.0f, 1.0f));
    EXPECT_FALSE(kvslide_input(w, true, 200, 205));  // far from the knob
    EXPECT_TRUE(kvslide_input(w, true, 100, 205));   // grabbed
    EXPECT_TRUE(w.dragging);
    EXPECT_TRUE(kvslide_input(w, true, 120, 205));
    EXPECT_EQ(w.knob_x, 110.0f);
    EXPECT_FLOAT_EQ(w.value, 0.1f);  // where the knob is now
    for (int x = 140; x <= 320; x += 20) EXPECT_TRUE(kvslide_input(w, true, x, 205)) << x;
    EXPECT_EQ(w.knob_x, 290.0f);
    EXPECT_EQ(w.value, 1.0f);
    // Back left: the value follows; past the start the knob stops with the minimum.
    EXPECT_TRUE(kvslide_input(w, true, 300, 205));
    EXPECT_EQ(w.knob_x, 270.0f);
    EXPECT_FLOAT_EQ(w.value, 0.9f);
    for (int x = 285; x >= 0 && kvslide_input(w, true, x, 205); x -= 15) {
    }
    EXPECT_EQ(w.knob_x, 90.0f);
    EXPECT_EQ(w.value, 0.0f);
    // Released, the drag ends; outside it ends too.
    EXPECT_TRUE(kvslide_input(w, false, 100, 205));
    EXPECT_FALSE(w.dragging);
    kvslide_input(w, true, 100, 205);
    EXPECT_FALSE(kvslide_input(w, true, 100, 300));
    EXPECT_FALSE(w.dragging);
    w.visible = 0;
    EXPECT_FALSE(kvslide_input(w, true, 100, 205));
}

TEST_F(Kvslide, DrawsTrackAndKnob) {
    add_texture("track");
    add_texture("knob");
    kvslide w(slide_desc(0.0f, 1.0f));
    kvslide_set_value(w, 0.5f);
    EXPECT_TRUE(kvslide_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted track 1 1 1 | 100 200 200 10 | 0 0 1 1",
                                "draw_quad_uv_tinted knob 1 1 1 | 190 200 20 20 | 0 0 1 1"}));
    w.visible = 0;
    EXPECT_FALSE(kvslide_draw(w));
}

class Kvcounter : public widget_test {};

TEST_F(Kvcounter, ShowsTheLastDigitsWithLeadingZeros) {
    add_texture("digits");
    kvcounter_desc d;
    d.rect[0] = 10;
    d.rect[1] = 20;
    d.rect[2] = 90;
    d.rect[3] = 30;
    d.digits = 3;
    d.picture = "digits";
    kvcounter w(d);
    EXPECT_EQ(w.digits, "000");
    const struct {
        int32_t value;
        const char* shown;
    } cases[] = {{7, "007"}, {1234, "234"}, {-5, "000"}, {999, "999"}, {2147483647, "647"}};
    for (const auto& c : cases) {
        kvcounter_set_value(w, c.value, 3);
        EXPECT_EQ(w.digits, c.shown) << c.value;
    }
    kvcounter_set_value(w, 7, 3);
    EXPECT_TRUE(kvcounter_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted digits 1 1 1 | 10 20 30 30 | 0 0 0.1 1",
                                "draw_quad_uv_tinted digits 1 1 1 | 40 20 30 30 | 0 0 0.1 1",
                                "draw_quad_uv_tinted digits 1 1 1 | 70 20 30 30 | 0.7 0 0.8 1"}));
    kvcounter_set_value(w, 12, 0);
    EXPECT_TRUE(kvcounter_draw(w));
    kvcounter_set_value(w, 12, 2);
    kvcounter_set_visible(w, false);
    EXPECT_TRUE(kvcounter_draw(w));
    EXPECT_TRUE(drawn().empty());
    kvcounter_set_visible(w, true);
    w.picture = "gone";
    EXPECT_FALSE(kvcounter_draw(w));
}

}  // namespace
}  // namespace kv
