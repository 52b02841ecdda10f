#include "game/kvbutton.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "kernel/kernel.h"
#include "tests/game/game_test_support.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/recording_driver.h"
#include "ui/widgets/fonts.h"

namespace kv {
namespace {

// Colour sets that tell the rows apart: normal, under the pointer, pressed, disabled.
constexpr float kLabel[4][4] = {{0.1f, 0, 0, 1}, {0.2f, 0, 0, 1}, {0.3f, 0, 0, 1}, {0.4f, 0, 0, 1}};
constexpr float kPicture[4][4] = {{1, 0.1f, 0, 1}, {1, 0.2f, 0, 1}, {1, 0.3f, 0, 1}, {1, 0.4f, 0, 1}};

class Button : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        textures_ = std::make_unique<scoped_texture_data>(srv_.data_dir);
        font_registry_clear();
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        kernel_get().graphics.driver = std::move(recorder);
    }
    void TearDown() override {
        textures_.reset();
        game_test::TearDown();
        kernel_get().graphics.driver.reset();
        font_registry_clear();
    }

    kvbutton make(int32_t style, int32_t alignment = kTextAlignLeft, const std::string& picture = "btn") {
        kvbutton b;
        kvbutton_init(b, 100, 50, 200, 40, picture, "Play", "font", {12, 0, 10}, style, alignment, kLabel,
                      kPicture);
        return b;
    }

    // The driver's drawing calls (texture changes left out).
    calls_t drawing() {
        calls_t drawn;
        for (std::string& call : driver_->take_calls()) {
            if (call.rfind("draw_", 0) == 0) drawn.push_back(std::move(call));
        }
        return drawn;
    }

    // The frame drawn: picture colour row and the texture rectangle.
    std::string drawn(kvbutton& b) {
        drawing();
        kvbutton_draw(b);
        for (const std::string& call : drawing()) {
            if (call.rfind("draw_quad_uv_tinted ", 0) == 0) return call;
        }
        return "";
    }

    recording_driver* driver_ = nullptr;
    std::unique_ptr<scoped_texture_data> textures_;
};

TEST_F(Button, ReportsOnePressPerClickWithItsSoundAndFrames) {
    kernel_sound_probe sound(srv_.data_dir, {"ui_snd1"});
    write_plain_textures(folder_, "data/", {"btn"});
    kvbutton b = make(kButtonFourFrames);
    EXPECT_EQ(drawn(b), "draw_quad_uv_tinted btn 1 0.1 0 | 100 50 200 40 | 0 0 1 0.25");

    EXPECT_TRUE(kvbutton_handle_pointer(b, false, 150, 70));  // under the pointer
    EXPECT_EQ(b.state, kButtonHighlighted);
    EXPECT_EQ(drawn(b), "draw_quad_uv_tinted btn 1 0.1 0 | 100 50 200 40 | 0 0.5 1 0.75");

    int reported = 0;
    for (int frame = 0; frame < 5; ++frame) reported += kvbutton_handle_pointer(b, true, 150, 70) ? 1 : 0;
    EXPECT_EQ(reported, 1);  // held down: one press
    EXPECT_EQ(b.state, kButtonPressed);
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd1 0 0"});
    EXPECT_EQ(drawn(b), "draw_quad_uv_tinted btn 1 0.1 0 | 100 50 200 40 | 0 0.25 1 0.5");

    // Released and pressed again: a second click.
    EXPECT_TRUE(kvbutton_handle_pointer(b, false, 150, 70));
    EXPECT_TRUE(kvbutton_handle_pointer(b, true, 150, 70));
    EXPECT_EQ(sound.take(), calls_t{"1 ui_snd1 0 0"});

    // Leaving it puts it back to normal.
    EXPECT_FALSE(kvbutton_handle_pointer(b, false, 10, 10));
    EXPECT_EQ(b.state, kButtonNormal);
    EXPECT_EQ(b.label.colour[0], 0.1f);
}

TEST_F(Button, FramesOfEachStyle) {
    write_plain_textures(folder_, "data/", {"btn"});
    struct case_t {
        int32_t style;
        int32_t state;
        bool enabled;
        const char* colour_and_rect;
    };
    const case_t cases[] = {
        {kButtonWhole, 0, true, "1 0.1 0 | 100 50 200 40 | 0 0 1 1"},
        {kButtonWhole, 1, true, "1 0.2 0 | 100 50 200 40 | 0 0 1 1"},
        {kButtonWhole, 2, true, "1 0.3 0 | 100 50 200 40 | 0 0 1 1"},
        {kButtonWhole, 2, false, "1 0.4 0 | 100 50 200 40 | 0 0 1 1"},
        {kButtonFourFrames, 1, false, "1 0.4 0 | 100 50 200 40 | 0 0.75 1 1"},
        {kButtonTwoFrames, 0, true, "1 0.1 0 | 100 50 200 40 | 0 0 0.5 1"},
        {kButtonTwoFrames, 1, true, "1 0.1 0 | 100 50 200 40 | 0 0 0.5 1"},
        {kButtonTwoFrames, 2, true, "1 0.3 0 | 100 50 200 40 | 0.5 0 1 1"},
        {kButtonTwoFrames, 0, false, "1 0.4 0 | 100 50 200 40 | 0 0 0.5 1"},
    };
    for (const case_t& c : cases) {
        kvbutton b = make(c.style);
        b.state = c.state;
        kvbutton_set_enabled(b, c.enabled);
        EXPECT_EQ(drawn(b), std::string("draw_quad_uv_tinted btn ") + c.colour_and_rect)
            << c.style << " " << c.state << " " << c.enabled;
    }
}

TEST_F(Button, EdgesAreOutsideAndADisabledButtonOnlyBeeps) {
    kernel_sound_probe sound(srv_.data_dir, {"ui_snd1", "ui_snd6"});
    kvbutton b = make(kButtonWhole);
    for (const auto& [x, y] : {std::pair{100, 70}, {300, 70}, {150, 50}, {150, 90}}) {
        EXPECT_FALSE(kvbutton_handle_pointer(b, true, x, y)) << x << "," << y;
    }
    EXPECT_TRUE(sound.take().empty());

    EXPECT_TRUE(kvbutton_handle_pointer(b, false, 150, 70));
    kvbutton_set_enabled(b, false);
    EXPECT_EQ(b.label.colour[0], 0.4f);  // disabled colour at once
    calls_t beeps;
    for (int press = 0; press < 2; ++press) {
        EXPECT_FALSE(kvbutton_handle_pointer(b, true, 150, 70));
        kvbutton_handle_pointer(b, false, 150, 70);
        for (const std::string& played : sound.take()) beeps.push_back(played);
    }
    EXPECT_EQ(beeps, (calls_t{"1 ui_snd6 0 0", "1 ui_snd6 0 0"}));
    EXPECT_EQ(b.state, kButtonHighlighted);  // keeps its looks
    EXPECT_EQ(b.label.colour[0], 0.4f);

    kvbutton_set_visible(b, false);
    EXPECT_FALSE(kvbutton_handle_pointer(b, false, 150, 70));
    take_calls();
    kvbutton_draw(b);
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(Button, LabelPlacementAndPictureLoading) {
    const std::pair<int32_t, float> alignments[] = {
        {kTextAlignLeft, 100.0f}, {kTextAlignCentre, 200.0f}, {kTextAlignRight, 300.0f}};
    for (const auto& [alignment, x] : alignments) {
        kvbutton b = make(kButtonWhole, alignment);
        EXPECT_EQ(b.label.x, x);
        EXPECT_EQ(b.label.y, 50.0f + 20.0f + 5.0f);
        EXPECT_EQ(b.label.alignment, alignment);
        EXPECT_EQ(b.label.text, "Play");
    }
    EXPECT_EQ(make(kButtonWhole).right, 300);
    EXPECT_EQ(make(kButtonWhole).bottom, 90);

    // A picture that cannot be loaded, or none: only the label, in the normal picture colour.
    write_plain_textures(folder_, "data/", {"font"});
    kvbutton missing = make(kButtonWhole, kTextAlignLeft, "gone");
    kvbutton_draw(missing);
    EXPECT_NE(log().find("[GFX] File 'tex/tga/gone.tga' not found\n"), std::string::npos) << log();
    const calls_t label_only{"draw_text font 1 0.1 0 | 100 75 12 10 | Play | 0 null"};
    EXPECT_EQ(drawing(), label_only);
    kvbutton bare = make(kButtonWhole, kTextAlignLeft, "");
    kvbutton_draw(bare);
    EXPECT_EQ(drawing(), label_only);

    // A picture is loaded once and found afterwards, even when its file has gone since.
    write_plain_textures(folder_, "data/", {"btn"});
    kvbutton b = make(kButtonWhole);
    kvbutton_draw(b);
    std::filesystem::remove(folder_.file("data/tex/tga/btn.tga"));
    clear_log();
    gfx& g = kernel_get().graphics;
    const texture* btn = g.texture_index.at("btn");
    const uint16_t first_stamp = btn->use_stamp;
    driver_->take_calls();
    kvbutton_draw(b);
    EXPECT_EQ(drawing().size(), 2u);  // the picture and its label
    EXPECT_EQ(log(), "");
    // Each draw stamps the picture anew and makes it current on unit 0 before drawing it.
    EXPECT_GT(btn->use_stamp, first_stamp);
    driver_->take_calls();
    kvbutton_draw(b);
    const calls_t calls = driver_->take_calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "use_texture btn 0");
    EXPECT_EQ(calls[1].rfind("draw_quad_uv_tinted btn ", 0), 0u);
}

}  // namespace
}  // namespace kv
