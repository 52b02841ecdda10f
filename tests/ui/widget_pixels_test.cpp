// The widgets drawing for real: the OpenGL driver on an Xvfb of the test's own (Mesa's software
// rasteriser), with textures loaded by the front end's texture cache from Targa files that the tools'
// writers put in a scratch data folder. The virtual screen of 1000 x 1000 units is a 640 x 480
// window: 0.64 pixels a unit across, 0.48 down.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/drivers/text_layout.h"
#include "gfx/gfx.h"
#include "gfx/screen_image.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/font_writer.h"
#include "tools/targa_writer.h"
#include "tools/widget_pictures.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/kvcheck.h"
#include "ui/widgets/kvradar.h"
#include "ui/widgets/kvroll.h"
#include "ui/widgets/kvstatic.h"
#include "ui/widgets/kvtext.h"

namespace kv {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct rgb {
    int r, g, b;
};

struct box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;  // inclusive; empty while right < left
};

int px_x(float x) {
    return static_cast<int>(x * kWidth / 1000.0f);
}
int px_y(float y) {
    return static_cast<int>(y * kHeight / 1000.0f);
}

rgb at(const screen_image& image, int x, int y) {
    const uint8_t* p =
        &image.pixels[(static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)) * 3];
    return {p[0], p[1], p[2]};
}

bool near(rgb got, rgb want, int tolerance) {
    return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
           std::abs(got.b - want.b) <= tolerance;
}

bool lit(rgb c) {
    return std::max({c.r, c.g, c.b}) > 24;
}

// The smallest box holding every lit pixel of the rows [top, bottom) and columns [left, right).
box lit_box(const screen_image& image, int left, int top, int right, int bottom) {
    box b;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (!lit(at(image, x, y))) continue;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

// Pixels of the rectangle [left, right) x [top, bottom) that are not within `tolerance` of `want`.
int off_colour(const screen_image& image, int left, int top, int right, int bottom, rgb want, int tolerance) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) count += near(at(image, x, y), want, tolerance) ? 0 : 1;
    }
    return count;
}

class WidgetPixels : public testing::Test {
protected:
    static void SetUpTestSuite() { display_ = new x_display(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }

    void SetUp() override {
        server& srv = server_get();
        old_data_dir_ = srv.data_dir;
        old_base_dir_ = srv.texture_base_dir;
        old_texture_dir_ = srv.texture_dir;
        if (!display_->ok()) GTEST_SKIP() << "Xvfb cannot start here";
        env_ = std::make_unique<scoped_display_env>(display_->name());
        ASSERT_TRUE(log_open(folder_.file("kv.log")));
        srv.data_dir = folder_.file("data") + "/";
        srv.texture_base_dir = "tex/";
        srv.texture_dir = "tga/";
        font_registry_clear();
        auto made = std::make_unique<gl_driver>();
        driver_ = made.get();
        g().driver = std::move(made);
        ASSERT_TRUE(driver_->open(0, false, false));
        driver_->set_viewport(0, 0, 1, 1);
    }

    void TearDown() override {
        gfx_texture_list_clear(g());
        g().driver.reset();
        driver_ = nullptr;
        font_registry_clear();
        server& srv = server_get();
        srv.data_dir = old_data_dir_;
        srv.texture_base_dir = old_base_dir_;
        srv.texture_dir = old_texture_dir_;
        log_close();
        env_.reset();
    }

    static gfx& g() { return kernel_get().graphics; }

    void write_texture(const std::string& name, const std::vector<uint8_t>& targa) const {
        folder_.write("data/tex/tga/" + name + ".tga", std::string(targa.begin(), targa.end()));
    }
    // One of the demo widget pictures, as the demo data holds it.
    void write_demo_picture(const char* name) const {
        for (const tools::widget_picture& p : tools::widget_pictures()) {
            if (p.name == name) return write_texture(name, tools::widget_picture_targa(p));
        }
        ADD_FAILURE() << name;
    }

    // One frame on black, read back before it is shown.
    screen_image frame(const std::function<void()>& draw) {
        driver_->begin_frame();
        driver_->fill_rect(0, 0, 1000, 1000, 0, 0, 0, 255);
        draw();
        screen_image image;
        EXPECT_TRUE(driver_->read_screen(0, 0, 1, 1, image));
        driver_->end_frame();
        EXPECT_EQ(image.width, static_cast<uint32_t>(kWidth));
        EXPECT_EQ(image.height, static_cast<uint32_t>(kHeight));
        return image;
    }

    // Whether the rectangle (x, y, width, height) of the image shows the left (0) or the right (1)
    // half of a two-look picture: its pixels are those of a plain picture of that half drawn there
    // alone, and differ from those of the other half. (The driver may hold the texture compressed,
    // so the texels themselves are not what reaches the screen.)
    void expect_half(const screen_image& image, const std::string& name, int half, float x, float y,
                     float width, float height, const char* what) {
        SCOPED_TRACE(what);
        const int left = px_x(x), top = px_y(y), right = px_x(x + width), bottom = px_y(y + height);
        int differing[2] = {0, 0};
        for (const int h : {0, 1}) {
            kvstatic plain(0, 0, 0, 0, name, {1.0f, 1.0f, 1.0f, 0.0f},
                           {0.5f * static_cast<float>(h), 0.0f, 0.5f * static_cast<float>(h) + 0.5f, 1.0f});
            plain.x = x;
            plain.y = y;
            plain.width = width;
            plain.height = height;
            const screen_image alone = frame([&] { EXPECT_TRUE(plain.draw()); });
            for (int py = top; py < bottom; ++py) {
                for (int px = left; px < right; ++px) {
                    differing[h] += near(at(image, px, py), at(alone, px, py), 1) ? 0 : 1;
                }
            }
        }
        EXPECT_EQ(differing[half], 0) << "pixels unlike the half shown alone";
        EXPECT_GT(differing[1 - half], (right - left) * (bottom - top) / 20) << "the halves look alike";
    }

    static x_display* display_;
    std::unique_ptr<scoped_display_env> env_;
    temp_folder folder_;
    gl_driver* driver_ = nullptr;

private:
    std::string old_data_dir_;
    std::string old_base_dir_;
    std::string old_texture_dir_;
};

x_display* WidgetPixels::display_ = nullptr;

constexpr rgb kRed{255, 0, 0};
constexpr rgb kBlue{0, 0, 255};

// A 16 x 16 texture of two colours in quarters: red at the top left and bottom right, blue in the
// other two.
std::vector<uint8_t> quarters_targa() {
    tools::targa_colour_desc d;
    d.width = 16;
    d.height = 16;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const rgb c = (x < 8) == (y < 8) ? kRed : kBlue;
            d.texels.insert(d.texels.end(), {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                                             static_cast<uint8_t>(c.b)});
        }
    }
    return tools::targa_colour(d);
}

TEST_F(WidgetPixels, PicturesCoverTheirRectangleWithTheirTextureRectangle) {
    write_texture("quarters", quarters_targa());
    const float white[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    // The whole texture; its top right quarter alone; a one-texel strip (equal left and right edges)
    // down the middle of the top left quarter.
    kvstatic whole(100, 100, 400, 400, "quarters", white, {0.0f, 0.0f, 1.0f, 1.0f});
    kvstatic quarter(600, 100, 300, 300, "quarters", white, {0.5f, 0.0f, 1.0f, 0.5f});
    kvstatic strip(600, 600, 300, 300, "quarters", white, {0.25f, 0.125f, 0.25f, 0.375f});
    kvstatic mirrored(100, 600, 400, 300, "quarters", white, {1.0f, 0.0f, 0.0f, 1.0f});
    const screen_image image = frame([&] {
        EXPECT_TRUE(whole.draw());
        EXPECT_TRUE(quarter.draw());
        EXPECT_TRUE(strip.draw());
        EXPECT_TRUE(mirrored.draw());
    });
    EXPECT_EQ(folder_.read("kv.log").find("failed"), std::string::npos) << folder_.read("kv.log");

    const struct {
        const char* what;
        const kvstatic& picture;
    } pictures[] = {{"whole", whole}, {"quarter", quarter}, {"strip", strip}, {"mirrored", mirrored}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.what);
        // Exactly its rectangle, scaled to the window: nothing lit around it up to the next picture.
        const int left = px_x(p.picture.x), top = px_y(p.picture.y);
        const int right = px_x(p.picture.x + p.picture.width), bottom = px_y(p.picture.y + p.picture.height);
        const box b = lit_box(image, std::max(0, left - 20), std::max(0, top - 20),
                              std::min(kWidth, right + 20), std::min(kHeight, bottom + 20));
        EXPECT_EQ(b.left, left);
        EXPECT_EQ(b.top, top);
        EXPECT_EQ(b.right, right - 1);
        EXPECT_EQ(b.bottom, bottom - 1);
    }
    // The colours the texture rectangles select, away from the filtered seams between the quarters
    // and at the wrapped edges (half a texel wide).
    EXPECT_EQ(off_colour(image, 64 + 20, 48 + 20, 192 - 20, 144 - 20, kRed, 2), 0) << "whole, top left";
    EXPECT_EQ(off_colour(image, 192 + 20, 48 + 20, 320 - 20, 144 - 20, kBlue, 2), 0) << "whole, top right";
    EXPECT_EQ(off_colour(image, 64 + 20, 144 + 20, 192 - 20, 240 - 20, kBlue, 2), 0) << "whole, bottom left";
    EXPECT_EQ(off_colour(image, 192 + 20, 144 + 20, 320 - 20, 240 - 20, kRed, 2), 0) << "whole, bottom right";
    EXPECT_EQ(off_colour(image, 384 + 16, 48 + 12, 576 - 16, 192 - 12, kBlue, 2), 0) << "quarter";
    EXPECT_EQ(off_colour(image, 384, 288, 576, 432, kRed, 2), 0) << "the strip, to its edges";
    EXPECT_EQ(off_colour(image, 64 + 20, 288 + 20, 192 - 20, 360 - 20, kBlue, 2), 0) << "mirrored, left";
    EXPECT_EQ(off_colour(image, 192 + 20, 288 + 20, 320 - 20, 360 - 20, kRed, 2), 0) << "mirrored, right";
}

TEST_F(WidgetPixels, LabelsInTheDemoFontLightTheirMeasuredWidth) {
    const tools::font_sheet sheet = tools::font_draw(false);
    write_texture(tools::kDemoFontPlain, tools::font_targa(sheet));
    const std::vector<uint8_t> metrics = tools::font_metrics_file(sheet);
    folder_.write(std::string("data/tex/tga/") + tools::kDemoFontPlain + ".fm",
                  std::string(metrics.begin(), metrics.end()));
    EXPECT_EQ(font_find_metrics(tools::kDemoFontPlain), nullptr);  // this lookup reads the file
    const int8_t* widths = font_find_metrics(tools::kDemoFontPlain);
    ASSERT_NE(widths, nullptr);

    const struct {
        int32_t alignment, x, y;
        const char* text;
    } labels[] = {{kTextAlignLeft, 100, 250, "Ready to play"},
                  {kTextAlignCentre, 500, 500, "Join a game"},
                  {kTextAlignRight, 900, 750, "Options / Quit"}};
    constexpr int32_t kSize = 32;
    std::vector<kvtext> shown(3);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        kvtext_init(shown[i], labels[i].x, labels[i].y, {1.0f, 1.0f, 1.0f, 0.0f}, labels[i].text,
                    tools::kDemoFontPlain, kSize, 40, labels[i].alignment, false);
    }
    const screen_image image = frame([&] {
        for (const kvtext& t : shown) EXPECT_TRUE(kvtext_draw(t));
    });

    int lit_in_bands = 0;
    for (const auto& l : labels) {
        SCOPED_TRACE(l.text);
        const int32_t width = text_width(l.text, kSize, widths);
        const float start = static_cast<float>(l.x - (l.alignment == kTextAlignLeft     ? 0
                                                      : l.alignment == kTextAlignCentre ? width / 2
                                                                                        : width));
        // The glyphs stand above the label's y; the driver adds a small gap after each character.
        const int top = px_y(static_cast<float>(l.y - 40)), bottom = px_y(static_cast<float>(l.y));
        const float gaps = kProportionalGap * static_cast<float>(std::string(l.text).size());
        const box b = lit_box(image, 0, top, kWidth, bottom);
        ASSERT_GE(b.right, b.left) << "nothing drawn";
        // From the aligned start (the first glyph's ink sits a little inside its share)...
        EXPECT_GE(b.left, px_x(start));
        EXPECT_LE(b.left, px_x(start) + 4);
        // ... to about its measured width, never past it and the gaps.
        EXPECT_LE(b.right, px_x(start + static_cast<float>(width + 1) + gaps));
        EXPECT_GE(b.right, px_x(start + static_cast<float>(width)) - 8);
        // Ink in the glyphs' rows, lit in the text's colour.
        EXPECT_GT(b.bottom - b.top, 8);
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < kWidth; ++x) lit_in_bands += lit(at(image, x, y)) ? 1 : 0;
        }
    }
    // Nothing beyond the labels' rows either.
    int lit_all = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) lit_all += lit(at(image, x, y)) ? 1 : 0;
    }
    EXPECT_EQ(lit_all, lit_in_bands);
}

TEST_F(WidgetPixels, RadarBlipsShowTheirColoursAtTheirPlaces) {
    tools::targa_colour_desc back;
    back.width = back.height = 4;
    back.texels.assign(4 * 4 * 3, 40);
    write_texture("radar", tools::targa_colour(back));
    kvradar radar(250, 250, 500, 500, "radar");
    // A range of 100 over 500 units: 5 units a step, about the centre at 500, 500.
    kvradar_set_blips(radar, {{0, 0, 1}, {40, 0, 2}, {0, -40, 3}, {-40, 40, 7}, {-44, -44, 2}}, 100.0f);
    const screen_image image = frame([&] { EXPECT_TRUE(radar.draw()); });

    const struct {
        float x, y;
        rgb colour;
        const char* what;
    } blips[] = {{500, 500, {255, 0, 0}, "kind 1 red in the centre"},
                 {700, 500, {0, 255, 0}, "kind 2 green to the right"},
                 {500, 300, {0, 0, 255}, "kind 3 blue above"},
                 {300, 700, {128, 128, 128}, "kind 7 grey below left"},
                 {280, 280, {0, 255, 0}, "near the corner"}};
    for (const auto& b : blips) {
        SCOPED_TRACE(b.what);
        // A point of size 2: the pixels about the blip's place show its colour; a few pixels away,
        // the picture.
        const int x = px_x(b.x), y = px_y(b.y);
        int shown = 0;
        for (int dy = -2; dy <= 1; ++dy) {
            for (int dx = -2; dx <= 1; ++dx) shown += near(at(image, x + dx, y + dy), b.colour, 2) ? 1 : 0;
        }
        EXPECT_GE(shown, 2);
        EXPECT_LE(shown, 9);
        for (const auto& [dx, dy] : {std::pair{-6, 0}, std::pair{5, 0}, std::pair{0, -6}, std::pair{0, 5}}) {
            EXPECT_TRUE(near(at(image, x + dx, y + dy), {40, 40, 40}, 2)) << dx << "," << dy;
        }
    }
    // The picture under the blips covers its rectangle.
    const box b = lit_box(image, 0, 0, kWidth, kHeight);
    EXPECT_EQ(b.left, px_x(250));
    EXPECT_EQ(b.right, px_x(750) - 1);
    EXPECT_EQ(b.top, px_y(250));
    EXPECT_EQ(b.bottom, px_y(750) - 1);
}

TEST_F(WidgetPixels, ACheckBoxShowsTheHalfOfItsStateAfterEachClick) {
    write_demo_picture(tools::kCheckBox);
    kvcheck_desc d;
    d.picture[0] = 100.0f;
    d.picture[1] = 100.0f;
    d.picture[2] = 240.0f;
    d.picture[3] = 300.0f;
    d.picture_name = tools::kCheckBox;
    kvcheck box(d);
    const auto draw = [&] { EXPECT_TRUE(kvcheck_draw(box)); };
    const auto shows = [&](const screen_image& image, int half, const char* what) {
        expect_half(image, tools::kCheckBox, half, 100.0f, 100.0f, 240.0f, 300.0f, what);
    };

    shows(frame(draw), 0, "unchecked at first");
    EXPECT_TRUE(kvcheck_input(box, true, 200, 200));
    shows(frame(draw), 1, "checked after a click");
    shows(frame(draw), 1, "and still checked a frame later");
    EXPECT_TRUE(kvcheck_input(box, true, 200, 200));
    shows(frame(draw), 0, "unchecked after a second click");
}

// Arrows of 225 x 300 units: the step is 243.75, so the first arrow stands at 400 and the second at
// 643.75, both from 500 down.
TEST_F(WidgetPixels, ARollsLitArrowShowsTheRightHalfOfItsStripForOneFrame) {
    write_demo_picture(tools::kRollLeft);
    write_demo_picture(tools::kRollRight);
    kvroll roll;
    const float white[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    kvroll_init(roll, 100.0f, 500.0f, 787.5f, 300.0f, white, white, "", tools::kRollLeft, tools::kRollRight,
                "", 20.0f, 20.0f, 225.0f, 300.0f, 120.0f, 700.0f);
    for (const char* item : {"one", "two", "three"}) kvroll_add_item(roll, item, white);
    ASSERT_EQ(roll.arrow_step, 243.75f);
    const auto draw = [&] { EXPECT_TRUE(kvroll_draw(roll)); };
    const auto shows = [&](const screen_image& image, int left_half, int right_half, const char* what) {
        expect_half(image, tools::kRollLeft, left_half, 400.0f, 500.0f, 225.0f, 300.0f, what);
        expect_half(image, tools::kRollRight, right_half, 643.75f, 500.0f, 225.0f, 300.0f, what);
    };

    shows(frame(draw), 0, 0, "both at rest");
    // A click on the second arrow steps back and lights it for the next frame only.
    EXPECT_TRUE(kvroll_handle_pointer(roll, true, false, false, false, 700, 650));
    EXPECT_EQ(roll.current, 2);
    shows(frame(draw), 0, 1, "the second lit");
    shows(frame(draw), 0, 0, "the second back at rest");
    // A click on the first arrow lights that one.
    EXPECT_TRUE(kvroll_handle_pointer(roll, true, false, false, false, 500, 650));
    EXPECT_EQ(roll.current, 0);
    shows(frame(draw), 1, 0, "the first lit");
    shows(frame(draw), 0, 0, "both at rest again");
}

}  // namespace
}  // namespace kv
