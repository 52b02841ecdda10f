// The statistics line and the debug drawing of the front end.

#include "gfx/gfx_stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "bots/bot_central.h"
#include "gfx/debug_draw.h"
#include "tests/gfx/gfx_test_support.h"

namespace kv {
namespace {

class GfxStats : public gfx_test {
protected:
    static int count_lines(const std::string& text, const std::string& line) {
        int n = 0;
        for (std::size_t at = text.find(line); at != std::string::npos;
             at = text.find(line, at + line.size()))
            ++n;
        return n;
    }
    void TearDown() override {
        bot_central_get().display_text.clear();
        gfx_test::TearDown();
    }
};

TEST_F(GfxStats, TheThreeLinesByteForByte) {
    gfx_realtime_statistics& w = g_.realtime;
    w.frame_ms = 12;
    w.collision_ms = 3;
    w.rays_last_second = 140;
    w.ray_ms_last_second = 5;
    w.rays_at_max = 200;
    w.max_ray_ms = 9;
    w.logic_ms = 4;
    w.model_ms = 6;
    w.bot_ms = 1;
    w.client_ms = 0;
    gfx_rti_block& r = g_.rti;
    r.shaders = 7;
    r.elements = 42;
    g_.texture_memory = 3 * 1048576 / 2;
    driver_->texture_upload_ms = 3;
    r.world_pass_ms = 8;
    r.view_ms = 11;
    r.swap_ms = 2;
    r.net_counter = 5;
    r.packets_in = 12;
    r.packets_out = 7;

    struct line_case {
        int32_t mode;
        const char* text;
    };
    const line_case cases[] = {
        {0, ""},
        {1, ""},
        {2, "12ST(03CD 05/140//09/200RAY 04LT 06MD 01BOT) 00CL"},
        {3, "007SH 042EL 1.50TM 03TL 08ST 11R 02SW"},
        {4, "05NT(0012IN 0007OUT) BIN 0.00 kB/s BOUT 0.00 kB/s"},
        {5, ""},
        {-1, ""},
    };
    for (const line_case& c : cases) {
        SCOPED_TRACE(c.mode);
        g_.options.rti_dispmode = c.mode;
        EXPECT_EQ(gfx_rti_text(g_), c.text);
    }

    // Wide values keep their digits.
    w.frame_ms = 123456;
    r.shaders = 1234;
    g_.options.rti_dispmode = 2;
    EXPECT_EQ(gfx_rti_text(g_), "123456ST(03CD 05/140//09/200RAY 04LT 06MD 01BOT) 00CL");
    g_.options.rti_dispmode = 3;
    EXPECT_EQ(gfx_rti_text(g_), "1234SH 042EL 1.50TM 03TL 08ST 11R 02SW");
}

TEST_F(GfxStats, TheBotsDisplayTextWins) {
    bot_central_get().display_text = "bot 3: to the bridge";
    for (int32_t mode : {0, 2, 3, 4}) {
        g_.options.rti_dispmode = mode;
        EXPECT_EQ(gfx_rti_text(g_), "bot 3: to the bridge");
    }
}

TEST_F(GfxStats, NetworkRatesChangeOnlyAfterMoreThanASecond) {
    g_.options.rti_dispmode = 4;
    gfx_rti_block& r = g_.rti;
    r.bytes_in = 2048;
    r.bytes_out = 1024;
    r.interval_ms = 1000;
    EXPECT_EQ(gfx_rti_text(g_), "00NT(0000IN 0000OUT) BIN 0.00 kB/s BOUT 0.00 kB/s");
    EXPECT_EQ(r.bytes_in, 2048);

    r.interval_ms = 1001;
    EXPECT_EQ(gfx_rti_text(g_), "00NT(0000IN 0000OUT) BIN 2.00 kB/s BOUT 1.00 kB/s");
    EXPECT_EQ(r.interval_ms, 0);
    EXPECT_EQ(r.bytes_in, 0);
    EXPECT_EQ(r.bytes_out, 0);

    // The rates stay while the next second fills.
    r.bytes_in = 512;
    r.interval_ms = 700;
    EXPECT_EQ(gfx_rti_text(g_), "00NT(0000IN 0000OUT) BIN 2.00 kB/s BOUT 1.00 kB/s");
    r.interval_ms = 1400;
    EXPECT_EQ(gfx_rti_text(g_), "00NT(0000IN 0000OUT) BIN 0.50 kB/s BOUT 0.00 kB/s");
}

TEST_F(GfxStats, LinesAndBoxesDrawInTheTopMatrixsCoordinates) {
    gfx_draw_line(g_, {1, 0.5f, 0}, {1, 2, 3}, {4, 5, 6});
    EXPECT_EQ(driver_calls(),
              (std::vector<std::string>{"set_colour 1 0.5 0", "set_modelview 0", "draw_line 1 2 3 4 5 6"}));

    box3 box;
    box3_init(box, {0, 0, 0}, {1, 2, 3});
    gfx_draw_box(g_, {0, 1, 0}, box);
    std::vector<std::string> calls = driver_calls();
    ASSERT_EQ(calls.size(), 14u);
    EXPECT_EQ(calls[0], "set_colour 0 1 0");
    EXPECT_EQ(calls[1], "set_modelview 0");
    std::set<std::string> lines(calls.begin() + 2, calls.end());
    const std::set<std::string> edges = {
        "draw_line 1 2 3 0 2 3", "draw_line 1 2 3 1 0 3", "draw_line 1 2 3 1 2 0", "draw_line 0 2 3 0 0 3",
        "draw_line 0 2 3 0 2 0", "draw_line 1 0 3 0 0 3", "draw_line 1 0 3 1 0 0", "draw_line 1 2 0 0 2 0",
        "draw_line 1 2 0 1 0 0", "draw_line 0 0 3 0 0 0", "draw_line 0 2 0 0 0 0", "draw_line 1 0 0 0 0 0",
    };
    EXPECT_EQ(lines, edges);
}

TEST_F(GfxStats, TextsAtPointsBySizeAndDistance) {
    write_plain_textures(folder_, "data/", {"font"});
    struct point_case {
        const char* what;
        vec3 point;
        int32_t width;
        int32_t height;
        const char* draw;  // the driver's draw_text line, or "" for nothing drawn
    };
    const point_case cases[] = {
        {"two thousand away: half size",
         {0.2f, -0.5f, 2000},
         30,
         20,
         "draw_text font 1 1 0 | 1200 500 15 10 |"},
        {"near: full size", {0, 0, 500}, 30, 20, "draw_text font 1 1 0 | 1000 1000 30 20 |"},
        {"beyond ten thousand: a tenth",
         {-0.75f, 0.25f, 20000},
         30,
         20,
         "draw_text font 1 1 0 | 250 1250 3 2 |"},
        {"a size that rounds to 0", {0, 0, 10000}, 5, 20, ""},
        {"z not above x", {10, 0, 10}, 30, 20, ""},
        {"z not above y", {0, 10, 10}, 30, 20, ""},
        {"behind the eye", {0, 0, -5}, 30, 20, ""},
    };
    for (const point_case& c : cases) {
        SCOPED_TRACE(c.what);
        gfx_draw_text_at_point(g_, {1, 1, 0}, "font", "A1", c.point, c.width, c.height);
        std::vector<std::string> draws;
        std::vector<std::string> calls = driver_calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (!calls[i].starts_with("draw_text")) continue;
            // The font is current on unit 0 when the text is drawn.
            ASSERT_GT(i, 0u);
            EXPECT_EQ(calls[i - 1], "use_texture font 0");
            draws.push_back(calls[i].substr(0, calls[i].find('|', calls[i].find('|') + 1) + 1));
        }
        if (*c.draw) {
            EXPECT_EQ(draws, std::vector<std::string>{c.draw});
        } else {
            EXPECT_TRUE(draws.empty());
        }
    }

    // Each text finds its font once: the use stamp goes up by one a text.
    texture* font = gfx_find_texture(g_, "font");
    ASSERT_NE(font, nullptr);
    const uint16_t stamp = font->use_stamp;
    gfx_draw_text(g_, 10, 20, {0, 0, 1}, "font", "A1", 30, 20);
    EXPECT_EQ(font->use_stamp, stamp + 1);
    driver_calls();

    // No font, no text, and one try at loading it; the screen text draws as given.
    clear_log();
    gfx_draw_text_at_point(g_, {1, 1, 1}, "nofont", "A1", {0, 0, 500}, 30, 20);
    const std::string first = log();
    EXPECT_NE(first.find("failed - resorting to default one.\n"), std::string::npos) << first;
    gfx_draw_text(g_, 10, 20, {1, 1, 1}, "nofont", "A1", 30, 20);
    EXPECT_EQ(log(), first);
    for (const std::string& call : driver_calls()) EXPECT_FALSE(call.starts_with("draw_text")) << call;
    gfx_draw_text(g_, 10, 20, {0, 0, 1}, "font", "A1", 30, 20);
    std::vector<std::string> calls = driver_calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "use_texture font 0");
    EXPECT_TRUE(calls.back().starts_with("draw_text font 0 0 1 | 10 20 30 20 |")) << calls.back();
}

}  // namespace
}  // namespace kv
