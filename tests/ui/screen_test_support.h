#pragma once
// Screen descriptions for the screen tests: each `add_*` appends one widget keyword and its values as
// the package writer stores them, and `make_screen` builds a screen from a description; `screen_test`
// is the widget tests' set-up with the screens' shared pointer state fresh at each end.

#include <memory>
#include <string>

#include "data/package.h"
#include "game/arty_factory.h"
#include "tests/ui/widget_test_support.h"
#include "tools/token_writer.h"
#include "ui/kvscreen.h"
#include "util/token_list.h"

namespace kv {

using tools::token_writer;

class screen_test : public widget_test {
protected:
    void SetUp() override {
        widget_test::SetUp();
        kvscreen_reset_shared_state();
    }
    void TearDown() override {
        kvscreen_reset_shared_state();
        widget_test::TearDown();
    }

    arty_factory factory_;
};

inline std::unique_ptr<kvscreen> make_screen(arty_factory& factory, const token_writer& w,
                                             const std::string& name = "test_scr") {
    arty_description d;
    d.class_name = "kvscreen";
    d.instance_name = name;
    d.parameters = std::make_unique<token_list>();
    const std::vector<uint8_t> bytes = w.bytes();
    token_list_init(*d.parameters, bytes.size(), bytes.data());
    return std::make_unique<kvscreen>(factory, d);
}

inline token_writer& rgb(token_writer& w, float r, float g, float b) {
    return w.number(r).number(g).number(b);
}

inline token_writer& add_static(token_writer& w, int x, int y, int width, int height, const char* name) {
    return w.str("kvstatic").integer(x).integer(y).integer(width).integer(height).str(name);
}

inline token_writer& add_label(token_writer& w, int x, int y, const char* text, const char* font = "font") {
    w.str("kvtext").integer(x).integer(y);
    rgb(w, 1.0f, 0.5f, 0.25f);
    return w.str(text).str(font).integer(10).integer(12).integer(0).integer(1);
}

inline token_writer& add_button(token_writer& w, int x, int y, int width, int height, const char* text) {
    w.str("kvbutton").integer(x).integer(y).integer(width).integer(height).str("btn").str(text).str("font");
    w.integer(10).integer(12).integer(0).integer(1);
    for (int c = 0; c < 8; ++c) rgb(w, 0.1f * static_cast<float>(c), 0.5f, 0.5f);
    return w;
}

inline token_writer& add_roll(token_writer& w, int x, int y, bool integers) {
    w.str("kvroll");
    const float values[10] = {static_cast<float>(x), static_cast<float>(y), 200, 30, 1, 1, 1, 0, 1, 0};
    for (float v : values) {
        if (integers) {
            w.integer(static_cast<int32_t>(v));
        } else {
            w.number(v);
        }
    }
    w.str("frame").str("left").str("right").str("font");
    const float rest[6] = {10, 12, 16, 16, 5, 20};
    for (float v : rest) {
        if (integers) {
            w.integer(static_cast<int32_t>(v));
        } else {
            w.number(v);
        }
    }
    return w;
}

inline token_writer& add_edit(token_writer& w, int x, int y) {
    w.str("kvedit").number(static_cast<float>(x)).number(static_cast<float>(y)).number(200).number(40);
    w.integer(16).number(static_cast<float>(x + 10)).number(static_cast<float>(y + 30));
    w.str("edit").str("Player").str("font").number(10).number(12);
    for (int c = 0; c < 12; ++c) w.number(1.0f);
    return w.integer(0);  // the item the reading leaves alone
}

// The 42 values of a list at x, y, 400 x 200 with 5 rows of 20.
inline token_writer& add_list(token_writer& w, const char* keyword, int x, int y) {
    const auto colour = [&](float v) {
        for (int c = 0; c < 3; ++c) w.number(v);
    };
    w.str(keyword).number(static_cast<float>(x)).number(static_cast<float>(y)).number(400).number(200);
    w.str("back").integer(5).integer(20);
    w.number(static_cast<float>(x)).number(static_cast<float>(y)).number(400).number(200);
    w.str("light").number(380).number(20).number(20);
    colour(1.0f);
    colour(0.5f);
    colour(0.25f);
    w.str("up").str("down");
    colour(1.0f);
    w.number(20).number(0).number(20).number(20).str("thumb").number(0).number(4).str("font");
    colour(1.0f);
    return w.integer(10).integer(12);
}

inline token_writer& add_check(token_writer& w, int x, int y) {
    w.str("kvcheck").number(static_cast<float>(x)).number(static_cast<float>(y)).number(20).number(20);
    w.str("check");
    rgb(w, 1, 1, 1);
    w.number(static_cast<float>(x + 30))
        .number(static_cast<float>(y + 15))
        .str("Invert")
        .integer(0)
        .str("font");
    rgb(w, 1, 1, 1);
    return w.integer(10).integer(12);
}

inline token_writer& add_slide(token_writer& w, int x, int y) {
    w.str("kvslide").number(static_cast<float>(x)).number(static_cast<float>(y)).number(200).number(20);
    rgb(w, 1, 1, 1);
    return w.number(10).number(20).str("track").str("knob").number(0.0f).number(1.0f);
}

inline token_writer& add_mltext(token_writer& w, int x, int y) {
    w.str("kvmltext").integer(x).integer(y).integer(500).integer(320).integer(50).integer(32);
    rgb(w, 1, 1, 1);
    return w.str("one\ntwo").str("font");
}

inline token_writer& add_counter(token_writer& w, int x, int y) {
    w.str("kvcounter").integer(x).integer(y).integer(60).integer(20).integer(3);
    rgb(w, 1, 1, 1);
    return w.str("digits");
}

}  // namespace kv
