#include "gfx/drivers/gfx_driver.h"

#include <gtest/gtest.h>

#include "gfx/drivers/key_queue.h"
#include "gfx/drivers/screen_region.h"
#include "gfx/drivers/text_layout.h"
#include "gfx/screen_image.h"
#include "tests/support/recording_driver.h"

namespace kv {
namespace {

TEST(GfxDriver, ModeTableHoldsSixRowsAndRefusesOthersWithoutWriting) {
    const struct {
        const char* name;
        int32_t width;
        int32_t height;
    } rows[] = {{"640x480", 640, 480},   {"800x600", 800, 600},   {"1024x768", 1024, 768},
                {"1152x864", 1152, 864}, {"1280x960", 1280, 960}, {"1280x1024", 1280, 1024}};
    recording_driver driver;
    for (int32_t i = 0; i < kDisplayModeCount; ++i) {
        std::string name;
        int32_t width = 0;
        int32_t height = 0;
        ASSERT_TRUE(driver.get_mode(i, name, width, height));
        EXPECT_EQ(name, rows[i].name);
        EXPECT_EQ(width, rows[i].width);
        EXPECT_EQ(height, rows[i].height);
    }
    for (const int32_t index : {-1, 6, 1000}) {
        std::string name = "kept";
        int32_t width = 7;
        int32_t height = 9;
        EXPECT_FALSE(gfx_display_mode(index, name, width, height));
        EXPECT_EQ(name, "kept");
        EXPECT_EQ(width, 7);
        EXPECT_EQ(height, 9);
    }
}

TEST(GfxDriver, KeyQueueGivesPressThenReleaseAndKeepsTheNewest1024) {
    recording_driver driver;
    EXPECT_FALSE(driver.key_waiting());
    driver.press(0x41);
    driver.release(0x41);
    ASSERT_TRUE(driver.key_waiting());
    key_event e = driver.read_key();
    EXPECT_EQ(e.state, kKeyPressed);
    EXPECT_EQ(e.key, 0x41u);
    e = driver.read_key();
    EXPECT_EQ(e.state, kKeyReleased);
    EXPECT_EQ(e.key, 0x41u);
    EXPECT_FALSE(driver.key_waiting());

    key_queue q;
    for (uint32_t key = 0; key < kKeyQueueMax + 10; ++key) key_queue_push(q, false, key);
    EXPECT_EQ(q.events.size(), kKeyQueueMax);
    EXPECT_EQ(key_queue_pop(q).key, 10u);  // the ten oldest were dropped
    EXPECT_EQ(q.events.back().key, kKeyQueueMax + 9);
}

void expect_glyph(const text_glyph& g, const gfx_rect& rect, const gfx_uv_rect& uv) {
    EXPECT_FLOAT_EQ(g.rect.x, rect.x);
    EXPECT_FLOAT_EQ(g.rect.y, rect.y);
    EXPECT_FLOAT_EQ(g.rect.width, rect.width);
    EXPECT_FLOAT_EQ(g.rect.height, rect.height);
    EXPECT_FLOAT_EQ(g.uv.left, uv.left);
    EXPECT_FLOAT_EQ(g.uv.top, uv.top);
    EXPECT_FLOAT_EQ(g.uv.right, uv.right);
    EXPECT_FLOAT_EQ(g.uv.bottom, uv.bottom);
}

TEST(GfxDriver, TextLayoutPlacesFixedCellsAboveTheLineAndFeedsLines) {
    // 'A' is 65: column 1, row 4; 0xC1 is column 1, row 12.
    const std::string text = "A\nA\xC1";
    const std::vector<text_glyph> glyphs = gfx_text_layout(100, 200, 10, 20, text, false, nullptr);
    ASSERT_EQ(glyphs.size(), 3u);
    const float row4 = 4.0f / 16.0f;
    expect_glyph(glyphs[0], {100, 180, 10, 20}, {1.0f / 16, row4 + 1.0f / 128, 2.0f / 16, row4 + 1.0f / 16});
    expect_glyph(glyphs[1], {100, 200, 10, 20}, {1.0f / 16, row4 + 1.0f / 128, 2.0f / 16, row4 + 1.0f / 16});
    const float row12 = 12.0f / 16.0f;
    expect_glyph(glyphs[2], {110, 200, 10, 20},
                 {1.0f / 16, row12 + 1.0f / 128, 2.0f / 16, row12 + 1.0f / 16});

    // The second half of the font texture.
    const std::vector<text_glyph> half = gfx_text_layout(0, 20, 10, 20, "A", true, nullptr);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_FLOAT_EQ(half[0].uv.top, row4 + 1.0f / 128 + 0.5f);
    EXPECT_FLOAT_EQ(half[0].uv.bottom, row4 + 1.0f / 16 + 0.5f);
}

TEST(GfxDriver, ProportionalTextTakesTheMiddleOfItsCellAndAdvancesByItsWidth) {
    int8_t widths[256] = {};
    widths['i'] = 4;
    widths['W'] = 40;  // wider than a cell: 15
    const std::vector<text_glyph> glyphs = gfx_text_layout(0, 50, 16, 20, "iW", false, widths);
    ASSERT_EQ(glyphs.size(), 2u);
    // 'i' (105): column 9. Four sixteenths of the cell, in its middle.
    const float cell = 1.0f / 16.0f;
    expect_glyph(glyphs[0], {0, 30, 4, 20},
                 {9 * cell + 6.0f / 256, 6 * cell + 1.0f / 128, 9 * cell + 10.0f / 256, 7 * cell});
    // The pen moved by 4/16 of the cell width plus 25/30 of a unit.
    EXPECT_FLOAT_EQ(glyphs[1].rect.x, 4.0f + 25.0f / 30.0f);
    EXPECT_FLOAT_EQ(glyphs[1].rect.width, 15.0f);
    EXPECT_FLOAT_EQ(glyphs[1].uv.right - glyphs[1].uv.left, 15.0f / 256);
}

TEST(GfxDriver, ScreenRegionTruncatesAndStaysOnTheScreen) {
    const struct {
        float x0, y0, x1, y1;
        screen_region expected;
    } cases[] = {
        {0.0f, 0.0f, 1.0f, 1.0f, {0, 0, 640, 480}},         {0.25f, 0.5f, 0.75f, 1.0f, {160, 240, 320, 240}},
        {0.001f, 0.001f, 0.999f, 0.999f, {0, 0, 639, 479}},  // trunc(0.64) = 0, trunc(639.36) = 639
        {0.5f, 0.5f, 0.25f, 0.25f, {320, 240, 0, 0}},        // reversed: empty
        {-1.0f, -0.5f, 2.0f, 3.0f, {0, 0, 640, 480}},        // outside: clamped to the screen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << " " << c.y0 << " " << c.x1 << " " << c.y1);
        const screen_region r = gfx_screen_region(640, 480, c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
    }
    recording_driver driver;
    screen_image image;
    EXPECT_TRUE(driver.read_screen(0.25f, 0.5f, 0.75f, 1.0f, image));
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 240u);
    EXPECT_EQ(image.pixels.size(), 320u * 240u * 3u);
    EXPECT_EQ(image.top_down, 1);
}

TEST(GfxDriver, BaseAnswersOfTheInterface) {
    struct plain : recording_driver {
        int32_t driver_id() override { return gfx_driver::driver_id(); }
        bool has_compressed_textures() override { return gfx_driver::has_compressed_textures(); }
    } driver;
    EXPECT_EQ(driver.driver_id(), kDriverIdNull);
    EXPECT_FALSE(driver.has_compressed_textures());
    EXPECT_EQ(driver.texture_upload_ms, 0u);
}

}  // namespace
}  // namespace kv
