#include "tests/support/recording_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "gfx/texture.h"

namespace kv {
namespace {

// The text calls are written without printf; their lines read as the format would write them.
TEST(RecordingDriver, TextLinesReadAsPrintfWouldWriteThem) {
    const float values[] = {0.0f,
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
                            std::numeric_limits<float>::quiet_NaN()};
    recording_driver driver;
    auto font = texture_create("font");
    for (const float v : values) {
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

}  // namespace
}  // namespace kv
