#include "ui/widgets/kvcontrol.h"

#include <filesystem>
#include <memory>

#include "data/file_stream.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "ui/input/input.h"
#include "ui/widgets/widget_texture.h"

namespace kv {
namespace {

constexpr int32_t kMouseLeft = 176;
constexpr int32_t kMouseRight = 178;
constexpr const char* kQuitAction = "Quit";

void set_rgb(float (&to)[4], const float (&from)[3]) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
}

std::string first_word(const std::string& line, std::size_t& end) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) {
        end = line.size();
        return {};
    }
    end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    return line.substr(start, end - start);
}

// The rows the file and the list hold: every action with a key, "Quit" left out, in table order. A
// binding whose key was taken by another action has no key any more.
template <typename F>
void for_each_listed_action(const input& in, F&& take) {
    for (int row = 0; row < static_cast<int>(in.actions.size()); ++row) {
        std::string key;
        std::string action;
        std::string label;
        if (!input_action_row(in, row, key, action, label) || key.empty() || action == kQuitAction) continue;
        take(key, action, label);
    }
}

// The stream of "controls.cfg": the player's own copy in the write folder, else the data's.
std::unique_ptr<file_stream> open_controls(server& srv) {
    if (!srv.write_dir.empty()) {
        const std::string own = srv.write_dir + kControlsFile;
        std::error_code error;
        if (std::filesystem::is_regular_file(own, error)) {
            auto stream = std::make_unique<file_stream>();
            if (file_stream_open(*stream, own, kFileRead)) return stream;
        }
    }
    return server_open_file(srv, kControlsFile, false);
}

}  // namespace

kvcontrol::kvcontrol(const kvselection_desc& d) : kvselection(d) {}

bool kvcontrol::draw() {
    if (!visible) return false;
    gfx& g = kernel_get().graphics;
    if (texture* t = widget_texture(g, desc.background_picture)) {
        g.driver->draw_quad_uv_tinted_at(t, {desc.colour_a[0], desc.colour_a[1], desc.colour_a[2]},
                                         desc.background[0], desc.background[1], desc.background[2],
                                         desc.background[3], {0.0f, 0.0f}, {1.0f, 1.0f});
    }
    // The list's own drawing without its untinted background.
    std::string background;
    background.swap(desc.background_picture);
    kvselection::draw();
    background.swap(desc.background_picture);
    return true;
}

void kvcontrol::clear_selection() {
    if (keep_selection) return;
    waiting_for_key = 0;
    for (kvselection_row& row : rows) {
        if (row.selected) set_rgb(row.colour, desc.colour_b);
    }
}

int32_t kvcontrol::input(const kvselection_mouse& m) {
    last_mouse_x = m.x;
    last_mouse_y = m.y;
    const float x = static_cast<float>(m.x);
    const float y = static_cast<float>(m.y);
    const float lx = desc.list[0], ly = desc.list[1], lw = desc.list[2], lh = desc.list[3];
    const float ax = lx + lw - desc.arrow_width;
    // A title always sorts its column ascending.
    if (m.click && y >= ly - desc.title_band && y < ly) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (x >= columns[c].x && x < columns[c].x + columns[c].width) {
                columns[c].sort = 0;
                kvselection_sort(*this, static_cast<int32_t>(c), kSortAscending);
                return event;
            }
        }
    }
    // A click on a row selects it; on the selected row it waits for the new key.
    if (m.click && !m.wheel_up && !m.wheel_down && x > lx && x < ax && y > ly && y < ly + lh) {
        dragging = 0;
        for (int32_t k = 0; k <= stored_rows; ++k) {
            const float top = ly + static_cast<float>(k) * desc.row_height;
            if (y < top || y >= top + desc.row_height) continue;
            const int32_t index = first + k;
            if (index < 0 || index >= static_cast<int32_t>(rows.size())) break;
            kvselection_row& row = rows[static_cast<std::size_t>(index)];
            event = index;
            if (row.selected) {
                waiting_for_key = 1;
                set_rgb(row.colour, desc.colour_c);
                capture_x = row.x;
                capture_y = row.y;
            } else {
                for (kvselection_row& other : rows) other.selected = 0;
                row.selected = 1;
                set_rgb(row.colour, desc.colour_b);
                capture_x = 0.0f;
                capture_y = 0.0f;
            }
            break;
        }
        return event;
    }
    // The arrows and the track scroll and keep the selection; the list works while hidden too.
    keep_selection = x >= ax && x <= lx + lw && y >= ly && y <= ly + lh &&
                     !(x >= thumb[0] - 5.0f && x <= thumb[0] + thumb[2] + 5.0f && y >= thumb[1] - 2.0f &&
                       y <= thumb[1] + thumb[3] + 2.0f);
    const uint8_t was_visible = visible;
    visible = 1;
    const int32_t result = kvselection::input(m);
    visible = was_visible;
    keep_selection = false;
    return result;
}

bool kvcontrol_apply_line(input& in, const std::string& line) {
    std::size_t end = 0;
    const std::string word = first_word(line, end);
    if (word == "minvert") {
        std::size_t second_end = 0;
        const std::string rest = line.substr(end);
        input_set_mouse_invert(in, first_word(rest, second_end) == "on" ? 1 : 0);
        return true;
    }
    if (word != "bind") return false;
    std::size_t quotes[4];
    std::size_t at = 0;
    for (std::size_t& q : quotes) {
        q = line.find('"', at);
        if (q == std::string::npos) {
            log_write("[kvcontrol] *WARNING* controls.cfg: line ignored: %s\n", log_printable(line).c_str());
            return false;
        }
        at = q + 1;
    }
    const std::string action_name = line.substr(quotes[0] + 1, quotes[1] - quotes[0] - 1);
    const std::string key_name = line.substr(quotes[2] + 1, quotes[3] - quotes[2] - 1);
    const int32_t action = input_action_by_name(in, action_name);
    const int32_t key = input_key_code_by_name(in, key_name);
    if (action == kInputNoAction || key == 0) {
        log_write("[kvcontrol] *WARNING* controls.cfg: line ignored: %s\n", log_printable(line).c_str());
        return false;
    }
    input_bind_key(in, static_cast<uint32_t>(key), static_cast<uint32_t>(action));
    return true;
}

void kvcontrol_load(kvcontrol& w, server& srv) {
    if (!w.rows.empty()) return;
    kernel& k = kernel_get();
    if (std::unique_ptr<file_stream> stream = open_controls(srv)) {
        std::string line;
        while (file_stream_read_line(*stream, line)) kvcontrol_apply_line(k.input_layer, line);
    }
    for_each_listed_action(k.input_layer,
                           [&](const std::string& key, const std::string& action, const std::string& label) {
                               w.add_row(action);
                               kvselection_set_cell(w, action, label, 1);
                               kvselection_set_cell(w, action, key, 2);
                           });
}

std::string kvcontrol_file_text(const input& in) {
    std::string text;
    for_each_listed_action(in, [&](const std::string& key, const std::string& action, const std::string&) {
        text += "bind \"" + action + "\" \"" + key + "\"\n";
    });
    text += input_mouse_invert(in) ? "minvert on\n" : "minvert off\n";
    return text;
}

bool kvcontrol_save(kvcontrol&, const server& srv) {
    const std::string path = srv.write_dir + kControlsFile;
    const std::string text = kvcontrol_file_text(kernel_get().input_layer);
    file_stream stream;
    bool ok = file_stream_open_replacement(stream, path);
    if (ok) ok = file_stream_write(stream, text.data(), text.size());
    if (ok) {
        ok = file_stream_commit(stream);
    } else {
        file_stream_close(stream);
    }
    if (!ok) log_write("[kvcontrol] *WARNING* %s could not be saved\n", kControlsFile);
    return ok;
}

void kvcontrol_refresh_texts(kvcontrol& w, const server& srv) {
    w.keys_text.clear();
    w.labels_text.clear();
    const bool german = srv.language.rfind("ge", 0) == 0;
    for (const kvselection_row& row : w.rows) {
        std::string name = row.cells.size() > 1 ? row.cells[1].text : std::string();
        if (german && !name.empty()) {
            if (name[0] == 'Y') {
                name = "Z";
            } else if (name[0] == 'Z') {
                name = "Y";
            } else if (name[0] == '\\') {
                name = "#";
            }
        }
        w.keys_text += "[ " + name + " ]\n";
        w.labels_text += (row.cells.empty() ? std::string() : row.cells[0].text) + "\n";
    }
}

int32_t kvcontrol_capture_key(kvcontrol& w) {
    if (!w.waiting_for_key) return 1;
    kernel& k = kernel_get();
    const int32_t key = input_read_key(k.input_layer);
    if (key <= 0) return 1;
    if (key == kMouseLeft || key == kMouseRight) {
        const float x = static_cast<float>(w.last_mouse_x);
        const float y = static_cast<float>(w.last_mouse_y);
        if (!(x > w.capture_x && x < w.capture_x + w.desc.row_width && y > w.capture_y &&
              y < w.capture_y + w.desc.row_height))
            return 1;
    }
    const std::string name = input_key_name(k.input_layer, key);
    const int32_t selected = kvselection_selected_index(w);
    std::string bound_action;
    if (selected >= 0) {
        kvselection_row& row = w.rows[static_cast<std::size_t>(selected)];
        const int32_t action = input_action_by_name(k.input_layer, row.key);
        kernel_bind_key(k, static_cast<uint32_t>(key), static_cast<uint32_t>(action));
        if (row.cells.size() > 1) row.cells[1].text = name;
        set_rgb(row.colour, w.desc.colour_b);
        bound_action = row.key;
    }
    w.waiting_for_key = 0;
    for (kvselection_row& row : w.rows) {
        if (row.key != bound_action && row.cells.size() > 1 && row.cells[1].text == name)
            row.cells[1].text.clear();
    }
    return 1;
}

}  // namespace kv
