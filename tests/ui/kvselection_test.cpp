#include "ui/widgets/kvselection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

using calls_t = std::vector<std::string>;

// A 500 x 200 list at 100, 100 showing four rows of 20, arrows 20 x 20 and a 20-wide thumb.
kvselection_desc list_desc() {
    kvselection_desc d;
    d.background[0] = 90.0f;
    d.background[1] = 70.0f;
    d.background[2] = 520.0f;
    d.background[3] = 240.0f;
    d.background_picture = "back";
    d.visible_rows = 4;
    d.row_spacing = 20;
    d.list[0] = 100.0f;
    d.list[1] = 100.0f;
    d.list[2] = 500.0f;
    d.list[3] = 200.0f;
    d.highlight_picture = "light";
    d.row_width = 480.0f;
    d.row_height = 20.0f;
    d.title_band = 20.0f;
    d.colour_b[1] = 0.5f;  // B (1, 0.5, 1)
    d.colour_c[2] = 0.0f;  // C (1, 1, 0)
    d.up_picture = "up";
    d.down_picture = "down";
    d.thumb_width = 20.0f;
    d.arrow_width = 20.0f;
    d.arrow_height = 20.0f;
    d.thumb_picture = "thumb";
    d.text_raise = 4.0f;
    d.font = "font";
    d.char_width = 16;
    d.char_height = 16;
    return d;
}

class Kvselection : public widget_test {
protected:
    // Two columns, 200 and 280 wide, and rows keyed "r0".. with cells "<c0>", "<c1>".
    kvselection list_with(const std::vector<std::string>& first_cells) {
        kvselection w(list_desc());
        EXPECT_TRUE(kvselection_add_column(w, "name", 200, 5));
        EXPECT_TRUE(kvselection_add_column(w, "map", 280, 10));
        for (std::size_t i = 0; i < first_cells.size(); ++i) {
            const std::string key = "r" + std::to_string(i);
            kvselection_add_row(w, key);
            EXPECT_TRUE(kvselection_set_cell(w, key, first_cells[i], 1));
            EXPECT_TRUE(kvselection_set_cell(w, key, "m" + std::to_string(i), 2));
        }
        return w;
    }
    static std::vector<std::string> keys(const kvselection& w) {
        std::vector<std::string> out;
        for (const kvselection_row& r : w.rows) out.push_back(r.key);
        return out;
    }
    static int32_t click(kvselection& w, int32_t x, int32_t y) {
        return w.input({true, true, false, false, x, y});
    }
    static int32_t held(kvselection& w, int32_t x, int32_t y) {
        return w.input({false, true, false, false, x, y});
    }
    static int32_t wheel(kvselection& w, bool down) { return w.input({false, false, !down, down, 300, 150}); }
    static std::vector<std::string> rows_of(int n) {
        std::vector<std::string> cells;
        for (int i = 0; i < n; ++i) cells.push_back("c" + std::to_string(i));
        return cells;
    }
};

TEST_F(Kvselection, ColumnsShareTheWidthAndTheOverflowIsRefused) {
    kvselection w(list_desc());
    EXPECT_TRUE(kvselection_add_column(w, "action", 370, 25));
    EXPECT_TRUE(kvselection_add_column(w, "key", 450, 5));
    ASSERT_EQ(w.columns.size(), 2u);
    EXPECT_EQ(w.columns[1].x, 470.0f);
    EXPECT_EQ(w.columns[1].width, 130.0f);
    EXPECT_EQ(w.columns[1].inset, 5.0f);
    EXPECT_FALSE(kvselection_add_column(w, "third", 10, 0));
    EXPECT_EQ(w.columns.size(), 2u);
    EXPECT_NE(
        log().find("[kvselection] 'totalwidth' of inserted columns exceeds selection width. Cannot add "
                   "column!\ntotalwidth = 500.000000   wselection = 500.000000\nxselection = 100.000000   "
                   "yselection = 100.000000\ncolumns : 2\n"),
        std::string::npos)
        << log();

    // A first column wider than the list takes the list's width; an inset not below the cut width is 0.
    kvselection v(list_desc());
    EXPECT_TRUE(kvselection_add_column(v, "wide", 900, 3));
    EXPECT_EQ(v.columns[0].width, 500.0f);
    kvselection u(list_desc());
    EXPECT_TRUE(kvselection_add_column(u, "a", 480, 0));
    EXPECT_TRUE(kvselection_add_column(u, "b", 100, 30));
    EXPECT_EQ(u.columns[1].width, 20.0f);
    EXPECT_EQ(u.columns[1].inset, 0.0f);

    // Once rows exist the columns are fixed, silently.
    kvselection_add_row(u, "k");
    EXPECT_FALSE(kvselection_add_column(u, "c", 1, 0));
    EXPECT_EQ(u.rows[0].cells.size(), 2u);
    EXPECT_EQ(u.rows[0].cells[1].x, 580.0f);
}

TEST_F(Kvselection, CellsByKeyAndColumnNumber) {
    kvselection w = list_with({"a", "b"});
    EXPECT_FALSE(kvselection_set_cell(w, "nobody", "x", 1));
    EXPECT_FALSE(kvselection_set_cell(w, "r0", "x", 0));
    EXPECT_FALSE(kvselection_set_cell(w, "r0", "x", 3));
    EXPECT_TRUE(kvselection_has_row(w, "r1"));
    EXPECT_FALSE(kvselection_has_row(w, "r"));
    // A duplicate key: the first row answers; removing takes every such row.
    kvselection_add_row(w, "r0");
    EXPECT_TRUE(kvselection_set_cell(w, "r0", "z", 2));
    EXPECT_EQ(w.rows[0].cells[1].text, "z");
    EXPECT_EQ(w.rows[2].cells[1].text, "");
    kvselection_remove_row(w, "r0");
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r1"}));
    // Without columns the text is the row label's.
    kvselection bare(list_desc());
    kvselection_add_row(bare, "k");
    EXPECT_TRUE(kvselection_set_cell(bare, "k", "text", 7));
    EXPECT_EQ(bare.rows[0].label.text, "text");
}

TEST_F(Kvselection, TitleClicksSortAscendingDescendingAscending) {
    kvselection w = list_with({"b", "c", "a", "B"});
    click(w, 150, 90);  // the title band of the first column
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r3", "r2", "r0", "r1"}));  // bytewise: "B" first
    EXPECT_EQ(w.columns[0].sort, kSortAscending);
    click(w, 150, 90);
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r1", "r0", "r2", "r3"}));
    click(w, 150, 90);
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r3", "r2", "r0", "r1"}));
    // The second column sorts by its own cells; a click above the band sorts nothing.
    click(w, 350, 81);
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r0", "r1", "r2", "r3"}));
    click(w, 150, 79);
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r0", "r1", "r2", "r3"}));
    // A sort to the present order, or of an unknown column, changes nothing.
    std::swap(w.rows[0], w.rows[1]);
    kvselection_sort(w, 1, kSortAscending);
    kvselection_sort(w, 5, kSortDescending);
    EXPECT_EQ(keys(w), (std::vector<std::string>{"r1", "r0", "r2", "r3"}));
}

TEST_F(Kvselection, ClicksSelectRowsAndASecondClickActivates) {
    kvselection w = list_with({"a", "b", "c"});
    EXPECT_EQ(w.input({}), -1);
    kvselection_select_index(w, 3, true);  // no fourth row
    kvselection_select_index(w, -1, true);
    EXPECT_EQ(kvselection_selected_index(w), -1);

    EXPECT_EQ(click(w, 200, 125), 1);  // the second band
    EXPECT_TRUE(w.rows[1].selected);
    EXPECT_EQ(std::vector<float>(w.rows[1].colour, w.rows[1].colour + 3), (std::vector<float>{1, 0.5f, 1}));
    EXPECT_EQ(click(w, 200, 105), 0);
    EXPECT_FALSE(w.rows[1].selected);
    EXPECT_EQ(click(w, 200, 105), -2);
    EXPECT_EQ(std::vector<float>(w.rows[0].colour, w.rows[0].colour + 3), (std::vector<float>{1, 1, 0}));
    EXPECT_EQ(w.input({}), 0);  // the activation is one frame's answer
    // The band below the last row selects nothing; so do the list's edges.
    EXPECT_EQ(click(w, 200, 165), 0);
    EXPECT_EQ(click(w, 100, 125), 0);
    EXPECT_EQ(kvselection_selected_index(w), 0);

    kvselection many = list_with(rows_of(6));
    kvselection_select_index(many, 3, true);
    EXPECT_EQ(kvselection_selected_index(many), 3);
    EXPECT_TRUE(many.rows[3].selected);
    // Scrolled by two, the first band is row 2.
    kvselection_set_first_row(many, 2);
    EXPECT_EQ(click(many, 200, 101), 2);
    EXPECT_FALSE(many.rows[3].selected);
    EXPECT_EQ(click(many, 200, 101), -4);
    kvselection_set_visible(many, false);
    EXPECT_EQ(click(many, 200, 101), 0);
}

TEST_F(Kvselection, ScrollingStopsAtBothEnds) {
    kvselection w = list_with(rows_of(10));
    for (int i = 0; i < 20; ++i) wheel(w, true);
    EXPECT_EQ(w.first, 6);  // rows 6..9 shown
    EXPECT_EQ(w.thumb[1], static_cast<float>(w.thumb_bottom));
    for (int i = 0; i < 20; ++i) w.input({false, true, false, false, 590, 105});  // the up arrow, held
    EXPECT_EQ(w.first, 0);
    EXPECT_EQ(w.thumb[1], 120.0f);
    for (int i = 0; i < 20; ++i) kvselection_scroll(w, false);
    EXPECT_EQ(w.first, 0);
    for (int i = 0; i < 20; ++i) w.input({false, true, false, false, 590, 295});  // the down arrow
    EXPECT_EQ(w.first, 6);
    // A list that fits does not scroll.
    kvselection few = list_with(rows_of(3));
    wheel(few, true);
    EXPECT_EQ(few.first, 0);
    // First rows out of range start at 0.
    kvselection_set_first_row(w, 11);
    EXPECT_EQ(w.first, 0);
    kvselection_set_first_row(w, -1);
    EXPECT_EQ(w.first, 0);
}

TEST_F(Kvselection, PagingAndDraggingKeepTheThumbWithinItsLimits) {
    kvselection w = list_with(rows_of(10));
    // Track 160: the thumb is 113 high and steps 6 a row, from 120 down to 167.
    EXPECT_EQ(w.thumb[3], 113.0f);
    EXPECT_EQ(w.thumb_step, 6);
    EXPECT_EQ(w.thumb_top, 120);
    EXPECT_EQ(w.thumb_bottom, 167);

    click(w, 590, 270);  // below the thumb: forward by three
    EXPECT_EQ(w.first, 3);
    EXPECT_EQ(w.thumb[1], 138.0f);
    click(w, 590, 275);  // three more would show past the end: the last page
    EXPECT_EQ(w.first, 6);
    EXPECT_EQ(w.thumb[1], 167.0f);
    click(w, 590, 150);  // above: back by four
    EXPECT_EQ(w.first, 2);
    EXPECT_EQ(w.thumb[1], 132.0f);
    click(w, 590, 125);
    EXPECT_EQ(w.first, 0);
    EXPECT_EQ(w.thumb[1], 120.0f);
    // A screen's own first row brings the thumb along.
    kvselection_set_first_row(w, 5);
    EXPECT_EQ(w.thumb[1], 150.0f);
    kvselection_set_first_row(w, 0);

    // A drag far down holds the thumb at the bottom and shows the last rows; far up, the first.
    held(w, 590, 150);
    EXPECT_EQ(w.dragging, 1);
    held(w, 590, 230);
    EXPECT_EQ(w.thumb[1], 167.0f);
    EXPECT_EQ(w.first, 6);
    held(w, 590, 200);
    EXPECT_EQ(w.thumb[1], 137.0f);
    EXPECT_EQ(w.first, 2);
    held(w, 590, 170);
    EXPECT_EQ(w.thumb[1], 120.0f);
    EXPECT_EQ(w.first, 0);
    w.input({false, false, false, false, 590, 170});
    EXPECT_EQ(w.dragging, 0);

    // However small the track, the thumb steps at least 1.
    kvselection_desc tight = list_desc();
    tight.list[3] = 60.0f;
    kvselection t(tight);
    kvselection_add_column(t, "a", 100, 0);
    for (int i = 0; i < 200; ++i) kvselection_add_row(t, std::to_string(i));
    EXPECT_EQ(t.thumb_step, 1);
    EXPECT_GE(t.thumb_bottom, t.thumb_top);
}

TEST_F(Kvselection, DrawsRowsArrowsAndThumb) {
    std::string widths(256, 16);
    add_font("font", widths);
    for (const char* name : {"back", "light", "up", "down", "thumb"}) add_texture(name);
    kvselection w =
        list_with({"short", "a cell far too wide for its column", "x", "y", "z", "v", "w", "u", "t", "s"});
    click(w, 200, 105);
    w.input({false, true, false, false, 590, 295});  // the down arrow: clears the selection, scrolls
    click(w, 200, 105);                              // selects row 1
    driver_->take_calls();
    EXPECT_TRUE(w.draw());
    const calls_t calls = drawn();
    ASSERT_EQ(calls.size(), 13u) << ::testing::PrintToString(calls);
    EXPECT_EQ(calls[0], "draw_quad_uv_at back | 90 70 520 240 | 0 0 1 1");
    EXPECT_EQ(calls[1], "draw_quad_uv_tinted light 1 0.5 1 | 100 100 480 20 | 0 0 1 1");
    EXPECT_EQ(calls[2], "draw_text font 1 1 1 | 105 116 16 16 | a cell far... | 0 widths");
    EXPECT_EQ(calls[3], "draw_text font 1 1 1 | 310 116 16 16 | m1 | 0 widths");
    EXPECT_EQ(calls[4], "draw_text font 1 1 1 | 105 136 16 16 | x | 0 widths");
    EXPECT_EQ(calls[9], "draw_text font 1 1 1 | 310 176 16 16 | m4 | 0 widths");
    EXPECT_EQ(calls[10], "draw_quad_uv_tinted_at up 1 1 1 | 580 100 20 20 | 0 0 0.5 1");
    EXPECT_EQ(calls[11], "draw_quad_uv_tinted_at down 1 1 1 | 580 280 20 20 | 0.5 0 1 1");
    EXPECT_EQ(calls[12], "draw_quad_uv_at thumb | 580 126 20 113 | 0 0 1 1");
    // The pressed arrow shows its lit half for one frame; with the rows fitting there is no thumb.
    w.draw();
    EXPECT_EQ(drawn()[11], "draw_quad_uv_tinted_at down 1 1 1 | 580 280 20 20 | 0 0 0.5 1");
    kvselection few = list_with({"a"});
    few.draw();
    EXPECT_EQ(drawn().size(), 5u);
    kvselection_set_visible(few, false);
    EXPECT_FALSE(few.draw());
}

}  // namespace
}  // namespace kv
