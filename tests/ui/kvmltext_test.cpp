#include "ui/widgets/kvmltext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/text_tables.h"
#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

class Kvmltext : public widget_test {};

TEST_F(Kvmltext, SplitsAtLineFeedsAndDropsTheCarriageReturnBeforeThem) {
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"word\r\nword\n", {"word", "word", ""}},
        {"", {""}},
        {"one", {"one"}},
        {"\n\n", {"", "", ""}},
        {"a\r", {"a"}},  // the last piece too
        {"\r", {""}},
        {"a\r\r\nb", {"a\r", "b"}},  // only the last carriage return
        {"a\rb", {"a\rb"}},
    };
    kvmltext w(0, 0, 100, 100, 10, 10, {1, 1, 1, 1}, "stale\nlines", "font");
    for (const auto& c : cases) {
        kvmltext_set_text(w, c.text, kKeepGrid, kKeepGrid);
        EXPECT_EQ(w.lines, c.lines) << c.text;
    }
}

TEST_F(Kvmltext, TheGridGivesTheCharacterCell) {
    kvmltext w(0, 0, 500, 300, 60, 20, {1, 1, 1, 1}, "", "font");
    EXPECT_EQ(w.char_width, 8);  // 500 / 60
    EXPECT_EQ(w.line_height, 15);
    kvmltext_set_text(w, "x", kKeepGrid, kKeepGrid);
    EXPECT_EQ(w.columns, 60);
    EXPECT_EQ(w.char_width, 8);
    kvmltext_set_text(w, "x", 100, kKeepGrid);
    EXPECT_EQ(w.char_width, 5);
    EXPECT_EQ(w.line_height, 15);
    // No division by nothing: a grid below 1 is a grid of 1.
    kvmltext_set_text(w, "x", 0, -7);
    EXPECT_EQ(w.columns, 1);
    EXPECT_EQ(w.rows, 1);
    EXPECT_EQ(w.char_width, 500);
    EXPECT_EQ(w.line_height, 300);
    const kvmltext zero(0, 0, 10, 10, 0, 0, {1, 1, 1, 1}, "a", "font");
    EXPECT_EQ(zero.char_width, 10);
    const kvmltext empty;
    EXPECT_EQ(empty.lines, std::vector<std::string>{""});
}

TEST_F(Kvmltext, DrawsEveryLineOnItsRowPastTheLastRowToo) {
    add_font("font", std::string(256, 8));
    kvmltext w(100, 200, 300, 40, 30, 2, {0.0f, 1.0f, 0.5f, 1.0f}, "one\ntwo\nthree", "font");
    EXPECT_TRUE(kvmltext_draw(w));
    EXPECT_EQ(drawn(), (calls_t{"draw_text font 0 1 0.5 | 100 200 10 20 | one | 0 widths",
                                "draw_text font 0 1 0.5 | 100 220 10 20 | two | 0 widths",
                                "draw_text font 0 1 0.5 | 100 240 10 20 | three | 0 widths"}));

    // A tall box of many lines: rows far below stay in range.
    kvmltext tall(0, 2000000000, 10, 2000000000, 1, 1, {1, 1, 1, 1}, "a\nb", "font");
    EXPECT_TRUE(kvmltext_draw(tall));
    EXPECT_EQ(drawn(), (calls_t{"draw_text font 1 1 1 | 0 2000000000 10 2000000000 | a | 0 widths",
                                "draw_text font 1 1 1 | 0 2147483647 10 2000000000 | b | 0 widths"}));

    kvmltext_set_visible(w, false);
    EXPECT_TRUE(kvmltext_draw(w));
    kvmltext_set_visible(w, true);
    kvmltext_set_font(w, "gone");
    EXPECT_FALSE(kvmltext_draw(w));
    kvmltext_set_font(w, "");
    EXPECT_FALSE(kvmltext_draw(w));
    EXPECT_EQ(drawn(), calls_t{});

    // Without metrics the lines go to the driver without widths.
    add_texture("plain");
    kvmltext plain(0, 0, 10, 10, 1, 1, {1, 1, 1, 1}, "p", "plain");
    EXPECT_TRUE(kvmltext_draw(plain));
    EXPECT_EQ(drawn(), calls_t{"draw_text plain 1 1 1 | 0 0 10 10 | p | 0 null"});
}

TEST_F(Kvmltext, ShowsANumberedTextTableEntry) {
    server& srv = server_get();
    const std::vector<std::string> kept = srv.text_tables[kTextBase].entries;
    text_table_fill(srv, kTextBase, {{3, "Round over\r\nBlue wins"}, {1, "Ready"}});
    const kvmltext w(0, 0, 100, 100, 10, 10, {1, 1, 1, 1}, server_text(srv, kTextBase, 3), "font");
    EXPECT_EQ(w.lines, (std::vector<std::string>{"Round over", "Blue wins"}));
    // The numbers not given read as themselves.
    EXPECT_EQ(server_text(srv, kTextBase, 0), "#0");
    EXPECT_EQ(server_text(srv, kTextBase, 2), "#2");
    EXPECT_EQ(server_text(srv, kTextBase, 1), "Ready");
    EXPECT_EQ(server_text(srv, kTextBase, 4), "");
    srv.text_tables[kTextBase].entries = kept;
}

}  // namespace
}  // namespace kv
