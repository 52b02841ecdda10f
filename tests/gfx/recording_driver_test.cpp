#include "tests/support/recording_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "gfx/texture.h"

namespace kv {
namespace {

// Values on both sides of what "%g" writes as a whole number.
const float kValues[] = {0.0f,
                         1.0f,
                         0.5f,
                         0.1f,
                         1.0f / 3.0f,
                         -2.75f,
                         1e-5f,
                         123456.f,
                         1234567.f,
                         1e20f,
                         -0.0f,
                         3.14159265f,
                         100000.f,
                         999999.5f,
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN(),
                         999999.f,
                         -999999.f,
                         1e6f,
                         -1e6f,
                         -7.0f,
                         16777216.f,
                         -std::numeric_limits<float>::infinity()};

// The text calls are written without printf; their lines read as the format would write them.
TEST(RecordingDriver, TextLinesReadAsPrintfWouldWriteThem) {
    recording_driver driver;
    auto font = texture_create("font");
    for (const float v : kValues) {
        driver.draw_text(font.get(), {v, 1.0f, v}, -3, 2147483647, 0, -2147483647 - 1, "a b", true, nullptr);
        char expected[512];
        std::snprintf(expected, sizeof expected, "draw_text font %g %g %g | %d %d %d %d | %s | %d %s",
                      static_cast<double>(v), 1.0, static_cast<double>(v), -3, 2147483647, 0, -2147483647 - 1,
                      "a b", 1, "null");
        ASSERT_EQ(driver.take_calls(), std::vector<std::string>{expected}) << v;
    }
    // Long texts are cut where the formatted lines were.
    driver.draw_text(nullptr, {}, 0, 0, 0, 0, std::string(600, 'x'), false, nullptr);
    driver.use_texture(*font, 3);
    const std::vector<std::string> calls = driver.take_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].size(), 511u);
    EXPECT_EQ(calls[0].substr(0, 30), "draw_text null 0 0 0 | 0 0 0 0");
    EXPECT_EQ(calls[1], "use_texture font 3");
}

// So are the pictures, the fill and the point.
TEST(RecordingDriver, PictureLinesReadAsPrintfWouldWriteThem) {
    recording_driver driver;
    auto pic = texture_create("pic");
    for (const float v : kValues) {
        const double w = static_cast<double>(v);
        driver.draw_quad_uv_tinted(pic.get(), {v, 0.5f, 1.0f}, {v, 2.0f, v, 4.0f}, {0.0f, v, 1.0f, 0.25f});
        driver.draw_quad_uv(nullptr, {1.0f, v, 3.0f, v}, {v, 0.5f, v, 1.0f});
        driver.draw_quad(pic.get(), {v, v, 10.0f, 20.0f});
        driver.fill_rect(v, 1.0f, 2.0f, v, 0, 128, 255, 7);
        driver.draw_quad_uv_tinted_at(pic.get(), {1.0f, v, 0.0f}, v, 1.5f, 2.0f, v, {v, 0.0f}, {1.0f, v});
        driver.draw_quad_uv_at(pic.get(), 0.0f, v, 200.0f, v, {0.0f, v}, {v, 1.0f});
        driver.draw_quad_at(nullptr, v, 0.0f, v, 1.0f);
        driver.draw_point(v, 250.5f, {255, 0, 128}, v);
        std::vector<std::string> expected;
        const auto line = [&](const char* format, auto... args) {
            char text[512];
            std::snprintf(text, sizeof text, format, args...);
            expected.emplace_back(text);
        };
        line("draw_quad_uv_tinted pic %g 0.5 1 | %g 2 %g 4 | 0 %g 1 0.25", w, w, w, w);
        line("draw_quad_uv null | 1 %g 3 %g | %g 0.5 %g 1", w, w, w, w);
        line("draw_quad pic | %g %g 10 20", w, w);
        line("fill_rect %g 1 2 %g | 0 128 255 7", w, w);
        line("draw_quad_uv_tinted_at pic 1 %g 0 | %g 1.5 2 %g | %g 0 1 %g", w, w, w, w, w);
        line("draw_quad_uv_at pic | 0 %g 200 %g | 0 %g %g 1", w, w, w, w);
        line("draw_quad_at null | %g 0 %g 1", w, w);
        line("draw_point %g 250.5 | 255 0 128 | %g", w, w);
        ASSERT_EQ(driver.take_calls(), expected) << v;
    }
}

}  // namespace
}  // namespace kv
