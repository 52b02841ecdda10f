#include "ui/widgets/kvselection.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

namespace {

float list_x(const kvselection& w) {
    return w.desc.list[0];
}
float list_y(const kvselection& w) {
    return w.desc.list[1];
}
float list_w(const kvselection& w) {
    return w.desc.list[2];
}
float list_h(const kvselection& w) {
    return w.desc.list[3];
}

int32_t row_count(const kvselection& w) {
    return static_cast<int32_t>(w.rows.size());
}

void set_rgb(float (&to)[4], const float (&from)[3]) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
}

// Thumb size and step for the present row count.
void recompute_thumb(kvselection& w) {
    const float track = list_h(w) - 2.0f * w.desc.arrow_height;
    const int32_t count = row_count(w);
    w.thumb_step = 1;
    if (count > 0) {
        const float ratio = track / ((w.desc.row_height + 1.0f) * static_cast<float>(count)) - 0.05f;
        if (ratio < 1.0f) {
            w.thumb[3] = std::floor(track * ratio);
            if (count != w.stored_rows && count - w.stored_rows > 0) {
                w.thumb_step =
                    screen_int(std::floor((track - w.thumb[3]) / static_cast<float>(count - w.stored_rows)));
            }
        } else {
            w.thumb[3] = track;
        }
    } else {
        w.thumb[3] = 0.0f;
    }
    // However the description sizes the list, the thumb moves.
    w.thumb_step = std::max(w.thumb_step, 1);
    w.thumb_bottom =
        std::max(w.thumb_top,
                 screen_int(static_cast<double>(list_y(w) + list_h(w) - w.desc.arrow_height - w.thumb[3])));
    w.thumb[1] = std::clamp(w.thumb[1], static_cast<float>(w.thumb_top), static_cast<float>(w.thumb_bottom));
}

void thumb_by(kvselection& w, float dy) {
    w.thumb[1] =
        std::clamp(w.thumb[1] + dy, static_cast<float>(w.thumb_top), static_cast<float>(w.thumb_bottom));
}

// The thumb's place for the present first row.
void thumb_to_first(kvselection& w) {
    w.thumb[1] = static_cast<float>(w.thumb_top);
    for (int32_t i = 0; i < w.first && w.thumb[1] < static_cast<float>(w.thumb_bottom); ++i) {
        thumb_by(w, static_cast<float>(w.thumb_step));
    }
}

// The last first row that still shows rows only.
int32_t last_first(const kvselection& w) {
    return std::max(0, row_count(w) - w.stored_rows - 1);
}

bool inside(float x, float y, float left, float top, float right, float bottom) {
    return x >= left && x <= right && y >= top && y <= bottom;
}

void draw_row(kvselection_row& row, const std::vector<kvselection_column>& columns) {
    gfx& g = kernel_get().graphics;
    if (row.selected && !row.highlight.empty()) {
        if (texture* t = widget_texture(g, row.highlight)) {
            g.driver->draw_quad_uv_tinted(t, {row.colour[0], row.colour[1], row.colour[2]},
                                          {row.x, row.y, row.width, row.height}, {0.0f, 0.0f, 1.0f, 1.0f});
        }
    }
    (void)columns;
    for (const kvselection_cell& cell : row.cells) {
        kvtext_set_cell_text(row.label, cell.text);
        kvtext_fit_width(row.label, screen_int(static_cast<double>(cell.width)));
        row.label.x = cell.x;
        kvtext_draw(row.label);
    }
}

}  // namespace

kvselection::kvselection(const kvselection_desc& d) : desc(d) {
    stored_rows = d.visible_rows - 1;
    thumb[0] = list_x(*this) + list_w(*this) - d.arrow_width;
    thumb[1] = list_y(*this) + d.arrow_height;
    thumb[2] = d.thumb_width;
    thumb[3] = 0.0f;
    thumb_top = screen_int(static_cast<double>(thumb[1]));
    thumb_bottom = thumb_top;
}

void kvselection::insert_row(const kvselection_row& row) {
    rows.push_back(row);
    recompute_thumb(*this);
}

void kvselection::add_row(const std::string& key) {
    kvselection_row row;
    row.width = desc.row_width;
    row.height = desc.row_height;
    row.highlight = desc.highlight_picture;
    row.key = key;
    float colour[4] = {desc.text_colour[0], desc.text_colour[1], desc.text_colour[2], 0.0f};
    kvtext_init(row.label, 0, 0, colour, "", desc.font, desc.char_width, desc.char_height, kTextAlignLeft,
                false);
    for (const kvselection_column& c : columns) row.cells.push_back({"", c.x + c.inset, c.width});
    rows.push_back(std::move(row));
    recompute_thumb(*this);
}

bool kvselection::has_row(const std::string& key) const {
    return std::any_of(rows.begin(), rows.end(), [&](const kvselection_row& r) { return r.key == key; });
}

bool kvselection::draw() {
    if (!visible) return false;
    gfx& g = kernel_get().graphics;
    if (texture* t = widget_texture(g, desc.background_picture)) {
        g.driver->draw_quad_uv_at(t, desc.background[0], desc.background[1], desc.background[2],
                                  desc.background[3], {0.0f, 0.0f}, {1.0f, 1.0f});
    }
    int32_t k = 0;
    for (int32_t r = first; r <= first + stored_rows && r < row_count(*this); ++r, ++k) {
        if (r < 0) continue;
        kvselection_row& row = rows[static_cast<std::size_t>(r)];
        row.x = list_x(*this);
        row.y = list_y(*this) + static_cast<float>(k * desc.row_spacing);
        row.label.y = row.y + desc.row_height - desc.text_raise;
        draw_row(row, columns);
    }
    const gfx_colour arrow{desc.arrow_colour[0], desc.arrow_colour[1], desc.arrow_colour[2]};
    const float ax = list_x(*this) + list_w(*this) - desc.arrow_width;
    const auto draw_arrow = [&](const std::string& name, float y, uint8_t& pressed) {
        const float left = pressed ? 0.5f : 0.0f;
        pressed = 0;
        if (texture* t = widget_texture(g, name)) {
            g.driver->draw_quad_uv_tinted_at(t, arrow, ax, y, desc.arrow_width, desc.arrow_height,
                                             {left, 0.0f}, {left + 0.5f, 1.0f});
        }
    };
    draw_arrow(desc.up_picture, list_y(*this), up_pressed);
    draw_arrow(desc.down_picture, list_y(*this) + list_h(*this) - desc.arrow_height, down_pressed);
    if ((desc.row_height + 1.0f) * static_cast<float>(row_count(*this)) > list_h(*this)) {
        if (texture* t = widget_texture(g, desc.thumb_picture)) {
            g.driver->draw_quad_uv_at(t, thumb[0], thumb[1], thumb[2], thumb[3], {0.0f, 0.0f}, {1.0f, 1.0f});
        }
    }
    return true;
}

void kvselection::clear_selection() {
    for (kvselection_row& row : rows) {
        if (!row.selected) continue;
        set_rgb(row.colour, desc.colour_b);
        row.selected = 0;
    }
}

void kvselection::select_index(int32_t index, bool flag) {
    if (index < 0 || index >= row_count(*this)) return;
    rows[static_cast<std::size_t>(index)].selected = flag ? 1 : 0;
}

void kvselection::scroll(bool down) {
    if (down) {
        if (stored_rows + first + 1 < row_count(*this)) ++first;
    } else if (first - 1 >= 0) {
        --first;
    }
}

int32_t kvselection::input(const kvselection_mouse& m) {
    if (!visible) return 0;
    const float x = static_cast<float>(m.x);
    const float y = static_cast<float>(m.y);
    const float lx = list_x(*this), ly = list_y(*this), lw = list_w(*this), lh = list_h(*this);
    const float ax = lx + lw - desc.arrow_width;
    const float ah = desc.arrow_height;

    // Column titles.
    if (m.click && y >= ly - desc.title_band && y < ly) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (x >= columns[c].x && x < columns[c].x + columns[c].width) {
                kvselection_sort(*this, static_cast<int32_t>(c),
                                 columns[c].sort == kSortAscending ? kSortDescending : kSortAscending);
                return event;
            }
        }
    }
    // The arrows.
    const bool in_band = x >= ax && x <= lx + lw;
    if (in_band && y >= ly && y <= ly + ah) {
        if (m.held) {
            clear_selection();
            scroll(false);
            thumb_by(*this, -static_cast<float>(thumb_step));
            up_pressed = 1;
            dragging = 0;
        }
        return event;
    }
    if (in_band && y >= ly + lh - ah && y <= ly + lh) {
        if (m.held) {
            clear_selection();
            scroll(true);
            thumb_by(*this, static_cast<float>(thumb_step));
            down_pressed = 1;
            dragging = 0;
        }
        return event;
    }
    // The thumb.
    if (inside(x, y, thumb[0] - 5.0f, thumb[1] - 2.0f, thumb[0] + thumb[2] + 5.0f,
               thumb[1] + thumb[3] + 2.0f)) {
        if (row_count(*this) < stored_rows) return event;
        if (!m.held) {
            dragging = 0;
            return event;
        }
        clear_selection();
        if (!dragging) {
            dragging = 1;
            drag_y = m.y;
            return event;
        }
        thumb_by(*this, static_cast<float>(m.y - drag_y));
        // The first row the thumb's place stands for.
        const float span = static_cast<float>(thumb_bottom - thumb_top);
        int32_t target = 0;
        if (span > 0.0f) {
            target = screen_int(std::lround((thumb[1] - static_cast<float>(thumb_top)) / span *
                                            static_cast<float>(last_first(*this))));
        }
        while (first < target && stored_rows + first + 1 < row_count(*this)) scroll(true);
        while (first > target && first > 0) scroll(false);
        drag_y = m.y;
        return event;
    }
    // The track between the arrows.
    if (in_band && y > ly + ah && y < ly + lh - ah) {
        if (m.click && row_count(*this) >= stored_rows) {
            if (y < thumb[1]) {
                first = std::max(0, first - (stored_rows + 1));
            } else if (y > thumb[1] + thumb[3]) {
                first = first + stored_rows + stored_rows + 1 > row_count(*this) ? last_first(*this)
                                                                                 : first + stored_rows;
            }
            if (first >= last_first(*this) && first > 0) {
                thumb[1] = static_cast<float>(thumb_bottom);
            } else {
                thumb_to_first(*this);
            }
        }
        return event;
    }
    // The rows.
    if (x > lx && x < ax && y > ly && y < ly + lh) {
        dragging = 0;
        if (m.wheel_up) {
            clear_selection();
            scroll(false);
            thumb_by(*this, -static_cast<float>(thumb_step));
        } else if (m.wheel_down) {
            clear_selection();
            scroll(true);
            thumb_by(*this, static_cast<float>(thumb_step));
        } else if (m.click) {
            for (int32_t k = 0; k <= stored_rows; ++k) {
                const float top = ly + static_cast<float>(k) * desc.row_height;
                if (y < top || y >= top + desc.row_height) continue;
                const int32_t index = first + k;
                // Below the last row there is nothing to select.
                if (index < 0 || index >= row_count(*this)) break;
                kvselection_row& row = rows[static_cast<std::size_t>(index)];
                if (row.selected) {
                    set_rgb(row.colour, desc.colour_c);
                    return -2 - index;
                }
                for (kvselection_row& other : rows) other.selected = 0;
                row.selected = 1;
                set_rgb(row.colour, desc.colour_b);
                event = index;
                break;
            }
        }
    }
    return event;
}

bool kvselection_add_column(kvselection& w, const std::string& title, int32_t width, int32_t inset) {
    if (!w.rows.empty()) return false;
    const float lw = list_w(w);
    kvselection_column c;
    c.title = title;
    if (w.columns.empty()) {
        c.x = list_x(w);
        c.width = static_cast<float>(width) < lw ? static_cast<float>(width) : lw;
        c.inset = static_cast<float>(inset);
        w.columns.push_back(c);
        return true;
    }
    int32_t total = 0;
    for (const kvselection_column& e : w.columns) total = screen_int(static_cast<double>(total) + e.width);
    if (static_cast<float>(total) >= lw) {
        log_write(
            "[kvselection] 'totalwidth' of inserted columns exceeds selection width. Cannot add column!\n");
        log_write("totalwidth = %f   wselection = %f\n", static_cast<double>(total), static_cast<double>(lw));
        log_write("xselection = %f   yselection = %f\n", static_cast<double>(list_x(w)),
                  static_cast<double>(list_y(w)));
        log_write("columns : %i\n", static_cast<int>(w.columns.size()));
        return false;
    }
    c.x = list_x(w) + static_cast<float>(total);
    const int32_t room = screen_int(static_cast<double>(lw) - total);
    c.width = static_cast<float>(std::min(width, room));
    c.inset = c.width > static_cast<float>(inset) ? static_cast<float>(inset) : 0.0f;
    w.columns.push_back(c);
    return true;
}

bool kvselection_set_cell(kvselection& w, const std::string& key, const std::string& text, int32_t column) {
    for (kvselection_row& row : w.rows) {
        if (row.key != key) continue;
        if (w.columns.empty()) {
            kvtext_set_text(row.label, text);
            return true;
        }
        if (column < 1 || static_cast<std::size_t>(column) > row.cells.size()) return false;
        row.cells[static_cast<std::size_t>(column - 1)].text = text;
        return true;
    }
    return false;
}

void kvselection_sort(kvselection& w, int32_t column, int32_t order) {
    if (column < 0 || static_cast<std::size_t>(column) >= w.columns.size()) return;
    kvselection_column& c = w.columns[static_cast<std::size_t>(column)];
    if (w.rows.size() < 2 || c.sort == order) return;
    const std::size_t cell = static_cast<std::size_t>(column);
    static const std::string none;
    // The exchanges run on the rows' places and the rows move once at the end; a pass without an
    // exchange ends the sort early (the later passes would exchange nothing either).
    std::vector<std::size_t> place(w.rows.size());
    std::vector<std::string_view> text(w.rows.size());
    for (std::size_t i = 0; i < w.rows.size(); ++i) {
        place[i] = i;
        text[i] = cell < w.rows[i].cells.size() ? std::string_view(w.rows[i].cells[cell].text) : none;
    }
    for (std::size_t pass = 0; pass < place.size(); ++pass) {
        bool exchanged = false;
        for (std::size_t i = 0; i + 1 < place.size(); ++i) {
            const int cmp = text[place[i]].compare(text[place[i + 1]]);
            if (order == kSortDescending ? cmp < 0 : cmp > 0) {
                std::swap(place[i], place[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged) break;
    }
    std::vector<kvselection_row> sorted;
    sorted.reserve(w.rows.size());
    for (const std::size_t i : place) sorted.push_back(std::move(w.rows[i]));
    w.rows = std::move(sorted);
    c.sort = order;
}

void kvselection_remove_row(kvselection& w, const std::string& key) {
    std::erase_if(w.rows, [&](const kvselection_row& r) { return r.key == key; });
    recompute_thumb(w);
}

kvselection_row* kvselection_row_at(kvselection& w, int32_t index) {
    if (index < 0 || index >= row_count(w)) return nullptr;
    return &w.rows[static_cast<std::size_t>(index)];
}

int32_t kvselection_selected_index(const kvselection& w) {
    for (std::size_t i = 0; i < w.rows.size(); ++i) {
        if (w.rows[i].selected) return static_cast<int32_t>(i);
    }
    return -1;
}

void kvselection_set_first_row(kvselection& w, int32_t n) {
    w.first = n < 0 || n > row_count(w) ? 0 : n;
    thumb_to_first(w);
}

void kvselection_set_visible(kvselection& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

void kvselection_clear_rows(kvselection& w) {
    w.rows.clear();
    recompute_thumb(w);
}

void kvselection_clear(kvselection& w) {
    kvselection_clear_rows(w);
    w.columns.clear();
}

}  // namespace kv
