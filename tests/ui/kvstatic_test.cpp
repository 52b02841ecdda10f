#include "ui/widgets/kvstatic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <limits>

#include "tests/ui/widget_test_support.h"
#include "ui/widgets/kvradar.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

class Kvstatic : public widget_test {
protected:
    kvstatic picture(const std::string& name = "pic") {
        return kvstatic(10, 20, 30, 40, name, {1.0f, 0.5f, 0.0f, 0.0f}, {0.0f, 0.25f, 0.5f, 1.0f});
    }
};

TEST_F(Kvstatic, DrawsItsTextureOverItsRectangle) {
    texture& pic = add_texture("pic");
    kvstatic w = picture();
    EXPECT_TRUE(w.draw());
    EXPECT_EQ(driver_->take_calls(),
              (calls_t{"use_texture pic 0", "draw_quad_uv_tinted pic 1 0.5 0 | 10 20 30 40 | 0 0.25 0.5 1"}));
    EXPECT_EQ(pic.use_stamp, g().texture_use_counter);

    // The setters, and a one-texel strip (equal edges), which is drawn like any other rectangle.
    kvstatic_set_rect(w, -1, -1, 64, 64);
    kvstatic_set_texture_rect(w, 0.5f, 0.0f, 0.5f, 1.0f);
    kvstatic_set_color(w, 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_TRUE(kvstatic_draw(w));
    kvstatic_set_rect(w, 100, 200, -1, -1);
    kvstatic_set_y(w, 300);
    EXPECT_TRUE(kvstatic_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted pic 0 0 1 | 10 20 64 64 | 0.5 0 0.5 1",
                                "draw_quad_uv_tinted pic 0 0 1 | 100 300 64 64 | 0.5 0 0.5 1"}));
}

TEST_F(Kvstatic, WhatDrawsNothing) {
    kvstatic missing = picture("gone");
    EXPECT_FALSE(missing.draw());
    kvstatic unnamed = picture("");
    EXPECT_FALSE(unnamed.draw());
    kvstatic_set_visible(missing, false);
    EXPECT_TRUE(missing.draw());
    EXPECT_EQ(drawn(), calls_t{});

    // The texture can be named later.
    add_texture("pic");
    kvstatic_set_texture(unnamed, "pic");
    EXPECT_TRUE(unnamed.draw());
    EXPECT_EQ(drawn().size(), 1u);
}

TEST_F(Kvstatic, TheCursorShowsTheFirstOfItsEightFrames) {
    add_texture("kvCursor");
    kvstatic cursor = kvstatic_cursor();
    EXPECT_TRUE(cursor.draw());
    EXPECT_EQ(drawn(), calls_t{"draw_quad_uv_tinted kvCursor 1 1 1 | 500 500 40 50 | 0 0 0.125 1"});
    EXPECT_EQ(cursor.colour[3], 0.0f);
}

class Kvradar : public widget_test {};

TEST_F(Kvradar, PlacesBlipsAboutItsCentreInTheirColours) {
    add_texture("radar");
    kvradar r(100, 200, 200, 100, "radar");
    kvradar_set_blips(r, {{25, 0, 1}, {0, 0, 2}, {-25, -50, 3}, {10, 10, 7}, {0, 0, 0}}, 50.0f);
    kvstatic& as_picture = r;
    EXPECT_TRUE(as_picture.draw());
    EXPECT_EQ(drawn(), (calls_t{"draw_quad_uv_tinted radar 1 1 1 | 100 200 200 100 | 0 0 1 1",
                                "draw_point 300 250 | 255 0 0 | 2",  // range / 2 to the right: the edge
                                "draw_point 200 250 | 0 255 0 | 2",  // the centre
                                "draw_point 100 150 | 0 0 255 | 2", "draw_point 240 270 | 128 128 128 | 2",
                                "draw_point 200 250 | 128 128 128 | 2"}));

    // A new list replaces the old; an empty one leaves a plain picture.
    kvradar_set_blips(r, {{0, 0, 1}}, 50.0f);
    EXPECT_EQ(r.blips.size(), 1u);
    kvradar_set_blips(r, {}, 50.0f);
    EXPECT_TRUE(kvradar_draw(r));
    EXPECT_EQ(drawn(), calls_t{"draw_quad_uv_tinted radar 1 1 1 | 100 200 200 100 | 0 0 1 1"});

    // No range, no blips.
    for (const float range : {0.0f, -5.0f, std::numeric_limits<float>::quiet_NaN()}) {
        kvradar_set_blips(r, {{0, 0, 1}}, range);
        EXPECT_TRUE(r.blips.empty()) << range;
    }
}

TEST_F(Kvradar, BlipsAreDrawnWithoutThePicture) {
    kvradar r(0, 0, 100, 100, "gone");
    kvradar_set_blips(r, {{0, 0, 3}}, 10.0f);
    EXPECT_FALSE(kvradar_draw(r));
    EXPECT_EQ(drawn(), calls_t{"draw_point 50 50 | 0 0 255 | 2"});
    kvstatic_set_visible(r, false);
    EXPECT_TRUE(kvradar_draw(r));
    EXPECT_EQ(drawn(), calls_t{});
}

}  // namespace
}  // namespace kv
