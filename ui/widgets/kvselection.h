#pragma once
// The selection list: a framed area of columns with clickable titles, rows of text cells addressed
// by a key, a highlight picture behind the selected row, two scroll arrows and a scroll thumb.
// Screens add columns, then rows, fill the cells by row key, draw the list every frame and hand it
// the mouse; the input pass answers the selected row's index, or -2 - index when the selected row
// is clicked again. The key-binding list derives from it.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/kvtext.h"

namespace kv {

// The 42 values of a list's screen description, in their order.
struct kvselection_desc {
    float background[4] = {};  // x, y, width, height
    std::string background_picture;
    int32_t visible_rows = 1;
    int32_t row_spacing = 0;
    float list[4] = {};  // x, y, width, height
    std::string highlight_picture;
    float row_width = 0.0f;
    float row_height = 0.0f;
    float title_band = 0.0f;
    float colour_a[3] = {1.0f, 1.0f, 1.0f};  // rows
    float colour_b[3] = {1.0f, 1.0f, 1.0f};  // the selected row
    float colour_c[3] = {1.0f, 1.0f, 1.0f};  // the selected row clicked again
    std::string up_picture;
    std::string down_picture;
    float arrow_colour[3] = {1.0f, 1.0f, 1.0f};
    float thumb_width = 0.0f;
    float value_31 = 0.0f;
    float arrow_width = 0.0f;
    float arrow_height = 0.0f;
    std::string thumb_picture;
    float value_35 = 0.0f;
    float text_raise = 0.0f;
    std::string font;
    float text_colour[3] = {1.0f, 1.0f, 1.0f};
    int32_t char_width = 0;
    int32_t char_height = 0;
};

struct kvselection_column {
    float x = 0.0f;
    float width = 0.0f;
    float inset = 0.0f;
    std::string title;
    int32_t sort = 0;  // 0 unsorted, 1 ascending, 2 descending
};

struct kvselection_cell {
    std::string text;
    float x = 0.0f;
    float width = 0.0f;
};

struct kvselection_row {
    virtual ~kvselection_row() = default;
    kvselection_row() = default;
    kvselection_row(const kvselection_row&) = default;
    kvselection_row& operator=(const kvselection_row&) = default;

    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};  // of the highlight
    std::string highlight;
    uint8_t visible = 1;
    uint8_t selected = 0;
    kvtext label;  // draws every cell
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    std::string key;
    std::vector<kvselection_cell> cells;
};

// The mouse as the screen's input pass hands it over, in virtual-screen units.
struct kvselection_mouse {
    bool click = false;  // the left button went down
    bool held = false;   // the left button is down
    bool wheel_up = false;
    bool wheel_down = false;
    int32_t x = 0;
    int32_t y = 0;
};

inline constexpr int32_t kSortAscending = 1;
inline constexpr int32_t kSortDescending = 2;

struct kvselection {
    // An empty list of no size (nothing fits in it).
    kvselection() = default;
    explicit kvselection(const kvselection_desc& desc);
    virtual ~kvselection() = default;
    kvselection(const kvselection&) = default;
    kvselection& operator=(const kvselection&) = default;

    virtual void insert_row(const kvselection_row& row);
    virtual void add_row(const std::string& key);
    virtual bool has_row(const std::string& key) const;
    // False when invisible.
    virtual bool draw();
    virtual void clear_selection();
    virtual void select_index(int32_t index, bool flag);
    // The event value; 0 while invisible.
    virtual int32_t input(const kvselection_mouse& mouse);
    virtual void scroll(bool down);

    kvselection_desc desc;
    int32_t stored_rows = 0;  // the description's visible rows - 1
    uint8_t up_pressed = 0;
    uint8_t down_pressed = 0;
    uint8_t visible = 1;
    int32_t first = 0;
    int32_t event = -1;   // the selected row's index, -1 while none was ever selected
    float thumb[4] = {};  // x, y, width, height
    int32_t thumb_step = 1;
    int32_t thumb_top = 0;
    int32_t thumb_bottom = 0;
    int32_t dragging = 0;
    int32_t drag_y = 0;
    std::vector<kvselection_column> columns;
    std::vector<kvselection_row> rows;
};

// False when rows exist, and for a column that no longer fits (logged).
bool kvselection_add_column(kvselection& w, const std::string& title, int32_t width, int32_t inset);
// Column numbers count from 1; false for an unknown key or column.
bool kvselection_set_cell(kvselection& w, const std::string& key, const std::string& text, int32_t column);
void kvselection_sort(kvselection& w, int32_t column, int32_t order);
void kvselection_remove_row(kvselection& w, const std::string& key);
kvselection_row* kvselection_row_at(kvselection& w, int32_t index);
int32_t kvselection_selected_index(const kvselection& w);
// Below 0 or above the row count: 0; the thumb follows.
void kvselection_set_first_row(kvselection& w, int32_t n);
void kvselection_set_visible(kvselection& w, bool visible);
void kvselection_clear_rows(kvselection& w);
void kvselection_clear(kvselection& w);
// The virtual operations under the names the screens use.
inline void kvselection_add_row(kvselection& w, const std::string& key) {
    w.add_row(key);
}
inline bool kvselection_has_row(const kvselection& w, const std::string& key) {
    return w.has_row(key);
}
inline void kvselection_clear_selection(kvselection& w) {
    w.clear_selection();
}
inline void kvselection_select_index(kvselection& w, int32_t index, bool flag) {
    w.select_index(index, flag);
}
inline void kvselection_scroll(kvselection& w, bool down) {
    w.scroll(down);
}

}  // namespace kv
