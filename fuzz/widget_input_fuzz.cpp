// Typed keys and the mouse reach the edit box and the selection list from the player: an edit box
// (digits-only or not) takes arbitrary key events, blink steps and clicks, and a selection list of
// arbitrary rows takes arbitrary mouse states, sorts and draws. The input is a run of 5-byte steps:
// a kind byte, then four bytes of argument (little-endian).

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ui/widgets/fonts.h"
#include "ui/widgets/kvedit.h"
#include "ui/widgets/kvselection.h"

namespace {

using namespace kv;

void check(bool condition) {
    if (!condition) std::abort();
}

int32_t read_i32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

// The font's widths, for the cells' cut (without a display driver nothing is drawn, but the rows
// are still laid out and their cells marked up and cut).
void set_up() {
    if (font_find_metrics("font")) return;
    font_registry_clear();
    auto record = std::make_unique<font_metrics>();
    record->name = "font";
    record->failed = 0;
    for (int c = 0; c < 256; ++c) record->widths[c] = static_cast<int8_t>(c % 16);
    font_registry_get().fonts.push_back(std::move(record));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    set_up();

    kvedit_desc e;
    e.frame[2] = 200.0f;
    e.frame[3] = 40.0f;
    e.max_length = 16;
    e.frame_picture = "frame";
    e.font = "font";
    kvedit edit(e);

    kvselection_desc d;
    d.visible_rows = 4;
    d.row_spacing = 20;
    d.list[2] = 500.0f;
    d.list[3] = 200.0f;
    d.highlight_picture = "light";
    d.row_height = 20.0f;
    d.title_band = 20.0f;
    d.up_picture = "up";
    d.down_picture = "down";
    d.thumb_picture = "thumb";
    d.thumb_width = 20.0f;
    d.arrow_width = 20.0f;
    d.arrow_height = 20.0f;
    d.font = "font";
    kvselection list(d);
    kvselection_add_column(list, "a", 300, 5);
    kvselection_add_column(list, "b", 300, 5);

    for (std::size_t at = 0; at + 5 <= size; at += 5) {
        const uint8_t kind = data[at];
        const int32_t v = read_i32(data + at + 1);
        switch (kind % 8) {
            case 0:
                kvedit_handle_key(edit, v);
                break;
            case 1:
                kvedit_blink(edit, v & 0xFFFF);
                break;
            case 2:
                kvedit_hover(edit, (v & 1) != 0, (v >> 1) & 0x3FF, (v >> 11) & 0x3FF);
                break;
            case 3:
                kvedit_set_digits_only(edit, (v & 1) != 0);
                break;
            case 4: {
                const std::string key = std::to_string(v & 0xFF);
                if (!kvselection_has_row(list, key)) kvselection_add_row(list, key);
                kvselection_set_cell(list, key, edit.text, (v >> 8) & 3);
                break;
            }
            case 5: {
                const uint8_t b = static_cast<uint8_t>(v);
                list.input({(b & 1) != 0, (b & 2) != 0, (b & 4) != 0, (b & 8) != 0, (v >> 8) & 0x3FF,
                            ((v >> 18) & 0x3FF) - 100});
                break;
            }
            case 6:
                kvselection_sort(list, v & 3, 1 + ((v >> 2) & 1));
                break;
            default:
                if (v & 1) kvselection_remove_row(list, std::to_string((v >> 1) & 0xFF));
                kvselection_set_first_row(list, v >> 9);
                break;
        }
        check(edit.text.size() < 16);
        check(list.first >= 0);
        check(list.thumb[1] >= static_cast<float>(list.thumb_top) &&
              list.thumb[1] <= static_cast<float>(list.thumb_bottom));
        check(list.event >= -1 && list.event < static_cast<int32_t>(list.rows.size() + 256));
    }
    kvedit_draw(edit);
    list.draw();
    return 0;
}
