#include "ui/kvscreen.h"

#include <algorithm>

#include "data/package.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "kernel/timer.h"
#include "ui/input/input.h"
#include "ui/widgets/kvradar.h"
#include "util/token_list.h"

namespace kv {
namespace {

constexpr float kMouseScale = 1.8f;
constexpr int32_t kCursorFrameMs = 100;
constexpr int32_t kCursorCycleMs = 5000;
constexpr float kCursorFrameWidth = 1.0f / kCursorFrames;
constexpr int32_t kKeyRepeatMs = 70;
constexpr int32_t kPointerOffset = 5;
constexpr int32_t kScreenSide = 1000;

// What every screen shares: the pointer animation and the erase key's repeat.
struct shared_state {
    std::unique_ptr<timer> frame_timer;
    std::unique_ptr<timer> cycle_timer;
    bool animating = false;
    float left = 0.0f;
    float right = kCursorFrameWidth;
    bool repeating = false;
    std::unique_ptr<timer> repeat_timer;
};

shared_state& shared() {
    static shared_state state;
    return state;
}

// Reads a widget's values one after another; the first item of the wrong kind, or past the end of
// the list, stops it and is where the walk goes on.
struct value_reader {
    const token_list& list;
    int count;
    int at;
    bool ok = true;

    bool take(int kind_a, int kind_b) {
        if (!ok) return false;
        if (at >= count) {
            ok = false;
            return false;
        }
        const int kind = token_list_kind(list, at);
        if (kind != kind_a && kind != kind_b) ok = false;
        return ok;
    }
    void integer(int32_t& v) {
        if (take(kTokenInteger, kTokenInteger)) v = token_list_get_int(list, at++);
    }
    void number(float& v) {
        if (take(kTokenInteger, kTokenFloat)) v = token_list_get_float(list, at++);
    }
    void number(int32_t& v) {
        float f = 0.0f;
        number(f);
        if (ok) v = static_cast<int32_t>(f);
    }
    void floating(float& v) {
        if (take(kTokenFloat, kTokenFloat)) v = token_list_get_float(list, at++);
    }
    void string(std::string& v) {
        if (take(kTokenString, kTokenString)) v = token_list_get_string(list, at++);
    }
    template <std::size_t N>
    void numbers(float (&v)[N]) {
        for (float& f : v) number(f);
    }
    template <std::size_t N>
    void floats(float (&v)[N]) {
        for (float& f : v) floating(f);
    }
    // A component that is not a number is passed over and keeps its value.
    void lenient_colour(float (&rgb)[4]) {
        for (int c = 0; c < 3 && ok; ++c) {
            if (at >= count) {
                ok = false;
                return;
            }
            const int kind = token_list_kind(list, at);
            if (kind == kTokenInteger || kind == kTokenFloat) rgb[c] = token_list_get_float(list, at);
            ++at;
        }
    }
    bool string_at(int index) const { return index < count && token_list_kind(list, index) == kTokenString; }
};

void read_picture(kvscreen& screen, value_reader& r, bool radar) {
    int32_t rect[4] = {};
    for (int32_t& v : rect) r.integer(v);
    std::string name;
    r.string(name);
    if (!r.ok) return;
    const int t = r.at - 1;
    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (t + 3 < r.count && !r.string_at(t + 1)) {
        for (int c = 0; c < 3; ++c) r.number(colour[c]);
    }
    // Every value of the rectangle is checked against the end of the list.
    if (r.ok && t + 4 < r.count && r.at < r.count && !r.string_at(r.at)) r.numbers(uv);
    if (!r.ok) return;
    if (radar) {
        screen.pictures.push_back(std::make_unique<kvradar>(rect[0], rect[1], rect[2], rect[3], name));
    } else {
        screen.pictures.push_back(
            std::make_unique<kvstatic>(rect[0], rect[1], rect[2], rect[3], name, colour, uv));
    }
}

void read_roll(kvscreen& screen, value_reader& r) {
    float box[4] = {};
    float frame[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float arrow[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::string names[4];
    float values[6] = {};
    r.numbers(box);
    for (int c = 0; c < 3; ++c) r.number(frame[c]);
    for (int c = 0; c < 3; ++c) r.number(arrow[c]);
    for (std::string& n : names) r.string(n);
    r.numbers(values);
    if (!r.ok) return;
    kvroll roll;
    kvroll_init(roll, box[0], box[1], box[2], box[3], frame, arrow, names[0], names[1], names[2], names[3],
                values[0], values[1], values[2], values[3], values[4], values[5]);
    screen.rolls.push_back(roll);
}

void read_label(kvscreen& screen, value_reader& r) {
    int32_t x = 0, y = 0;
    float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    std::string text, font;
    int32_t values[4] = {};
    r.integer(x);
    r.integer(y);
    for (int c = 0; c < 3; ++c) r.number(colour[c]);
    r.string(text);
    r.string(font);
    for (int32_t& v : values) r.integer(v);
    if (!r.ok) return;
    kvtext label;
    kvtext_init(label, x, y, colour, text, font, values[0], values[1], values[2], values[3] != 0);
    screen.labels.push_back(label);
}

void read_button(kvscreen& screen, value_reader& r) {
    int32_t rect[4] = {};
    std::string picture, text, font;
    int32_t values[4] = {};
    float colours[8][4] = {};
    for (int32_t& v : rect) r.integer(v);
    r.string(picture);
    r.string(text);
    r.string(font);
    for (int32_t& v : values) r.integer(v);
    for (auto& colour : colours) {
        for (int c = 0; c < 3; ++c) r.number(colour[c]);
    }
    if (!r.ok) return;
    float first[4][4];
    float second[4][4];
    for (int row = 0; row < 4; ++row) {
        for (int c = 0; c < 4; ++c) {
            first[row][c] = colours[row][c];
            second[row][c] = colours[row + 4][c];
        }
    }
    kvbutton button;
    // The label takes the character width, no flag and the character height.
    kvbutton_init(button, rect[0], rect[1], rect[2], rect[3], picture, text, font, {values[0], 0, values[1]},
                  values[2], values[3], first, second);
    screen.buttons.push_back(button);
}

void read_edit(kvscreen& screen, value_reader& r) {
    kvedit_desc d;
    r.numbers(d.frame);
    r.integer(d.max_length);
    r.number(d.label_x);
    r.number(d.label_y);
    r.string(d.frame_picture);
    r.string(d.text);
    r.string(d.font);
    r.number(d.char_width);
    r.number(d.char_height);
    r.floats(d.normal);
    r.floats(d.hover);
    r.floats(d.editing);
    r.floats(d.disabled);
    if (r.ok) screen.edits.emplace_back(d);
}

// The 42 values of a selection list; the key-binding list wants its colours written as floats.
void read_list_desc(value_reader& r, kvselection_desc& d, bool float_colours) {
    const auto colour = [&](float(&rgb)[3]) {
        if (float_colours) {
            r.floats(rgb);
        } else {
            r.numbers(rgb);
        }
    };
    r.numbers(d.background);
    r.string(d.background_picture);
    r.integer(d.visible_rows);
    r.integer(d.row_spacing);
    r.numbers(d.list);
    r.string(d.highlight_picture);
    r.number(d.row_width);
    r.number(d.row_height);
    r.number(d.title_band);
    colour(d.colour_a);
    colour(d.colour_b);
    colour(d.colour_c);
    r.string(d.up_picture);
    r.string(d.down_picture);
    colour(d.arrow_colour);
    r.number(d.thumb_width);
    r.number(d.value_31);
    r.number(d.arrow_width);
    r.number(d.arrow_height);
    r.string(d.thumb_picture);
    r.number(d.value_35);
    r.number(d.text_raise);
    r.string(d.font);
    colour(d.text_colour);
    r.integer(d.char_width);
    r.integer(d.char_height);
}

void read_selection(kvscreen& screen, value_reader& r) {
    kvselection_desc d;
    read_list_desc(r, d, false);
    if (r.ok) screen.selections.emplace_back(d);
}

void read_control(kvscreen& screen, value_reader& r) {
    kvselection_desc d;
    read_list_desc(r, d, true);
    if (!r.ok) return;
    kvcontrol control(d);
    kvselection_add_column(control, "action", 370, 25);
    kvselection_add_column(control, "key", 450, 5);
    screen.controls.push_back(control);
}

void read_check(kvscreen& screen, value_reader& r) {
    kvcheck_desc d;
    r.numbers(d.picture);
    r.string(d.picture_name);
    r.numbers(d.picture_colour);
    r.number(d.label_x);
    r.number(d.label_y);
    r.string(d.text);
    r.integer(d.checked);
    r.string(d.font);
    r.numbers(d.label_colour);
    r.integer(d.char_width);
    r.integer(d.char_height);
    d.checked = d.checked != 0 ? 1 : 0;
    if (r.ok) screen.checks.emplace_back(d);
}

void read_slide(kvscreen& screen, value_reader& r) {
    kvslide_desc d;
    r.numbers(d.track);
    r.numbers(d.colour);
    r.number(d.knob_width);
    r.number(d.knob_height);
    r.string(d.track_picture);
    r.string(d.knob_picture);
    r.floating(d.minimum);
    r.floating(d.maximum);
    if (r.ok) screen.slides.emplace_back(d);
}

void read_mltext(kvscreen& screen, value_reader& r) {
    int32_t values[6] = {};
    float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::string text, font;
    for (int32_t& v : values) r.integer(v);
    r.lenient_colour(colour);
    r.string(text);
    r.string(font);
    if (!r.ok) return;
    screen.mltexts.emplace_back(values[0], values[1], values[2], values[3], values[4], values[5], colour,
                                text, font);
}

void read_counter(kvscreen& screen, value_reader& r) {
    kvcounter_desc d;
    for (int32_t& v : d.rect) r.integer(v);
    r.integer(d.digits);
    float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    r.lenient_colour(colour);
    r.string(d.picture);
    if (!r.ok) return;
    for (int c = 0; c < 3; ++c) d.colour[c] = colour[c];
    screen.counters.emplace_back(d);
}

struct keyword {
    const char* text;
    int needs;
    void (*read)(kvscreen&, value_reader&);
};

const keyword kKeywords[] = {
    {"kvstatic", 5, [](kvscreen& s, value_reader& r) { read_picture(s, r, false); }},
    {"kvradar", 5, [](kvscreen& s, value_reader& r) { read_picture(s, r, true); }},
    {"kvroll", 20, read_roll},
    {"kvtext", 11, read_label},
    {"kvbutton", 35, read_button},
    {"kvedit", 25, read_edit},
    {"kvselection", 42, read_selection},
    {"kvcontrol", 42, read_control},
    {"kvcheck", 18, read_check},
    {"kvslide", 13, read_slide},
    {"kvmltext", 11, read_mltext},
    {"kvcounter", 9, read_counter},
};

const char* const kKindNames[] = {
    "picture", "label",     "multi-line label", "button", "edit box", "selection list",
    "counter", "check box", "key-binding list", "roll",   "slider"};

// True when the list holds the index; else false, and the first miss of the kind and index is logged.
bool present(kvscreen& screen, std::size_t size, int kind, int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < size) return true;
    if (screen.reported.insert({kind, index}).second) {
        log_write("gui: *WARNING* screen `%s' has no %s %d.\n", log_printable(screen.name).c_str(),
                  kKindNames[kind], index);
    }
    return false;
}

template <typename T>
T* checked(kvscreen& screen, std::vector<T>& list, int kind, int32_t index) {
    return present(screen, list.size(), kind, index) ? &list[static_cast<std::size_t>(index)] : nullptr;
}

bool elapsed_over(std::unique_ptr<timer>& t, int32_t ms) {
    if (!t) t = std::make_unique<timer>();
    return timer_elapsed_ms(*t) > ms;
}

int32_t pointer_pass(kvscreen& s, input& in) {
    s.left_click = s.right_click = s.wheel_up = s.wheel_down = s.left_held = 0;
    s.wheel_up = input_wheel_up(in) ? 1 : 0;
    s.wheel_down = input_wheel_down(in) ? 1 : 0;
    s.left_held = input_left_held(in) ? 1 : 0;
    s.left_click = input_left_click(in) ? 1 : 0;
    s.right_click = input_right_click(in) ? 1 : 0;
    const int32_t x = s.cursor_x;
    const int32_t y = s.cursor_y;
    // A box answers true while the pointer rests on it, so an unclicked box under the pointer takes
    // the focus here and gives it back on the next frame (it is not editing): the keys of that frame
    // wait for the box instead of reaching the other widgets.
    for (std::size_t i = 0; i < s.edits.size(); ++i) {
        if (kvedit_hover(s.edits[i], s.left_click, x + kPointerOffset, y + kPointerOffset)) {
            s.focused_edit = static_cast<int32_t>(i);
            input_begin_text_entry(in);
            return kScreenEventNone;
        }
    }
    const kvselection_mouse mouse{
        s.left_click != 0, s.left_held != 0, s.wheel_up != 0, s.wheel_down != 0, x, y};
    for (std::size_t i = 0; i < s.selections.size(); ++i) {
        const int32_t r = s.selections[i].input(mouse);
        if (r <= -2) return kScreenEventList + 500 * static_cast<int32_t>(i) - r;
    }
    for (kvcontrol& control : s.controls) control.input(mouse);
    for (std::size_t i = 0; i < s.checks.size(); ++i) {
        if (kvcheck_input(s.checks[i], s.left_click, x, y)) {
            const int32_t n = static_cast<int32_t>(i);
            return s.left_click ? kScreenEventCheck + n : -kScreenEventCheck - 2 - n;
        }
    }
    for (std::size_t i = 0; i < s.rolls.size(); ++i) {
        if (kvroll_handle_pointer(s.rolls[i], s.left_click, s.right_click, s.wheel_up, s.wheel_down, x, y)) {
            const int32_t n = static_cast<int32_t>(i);
            const bool changed = s.left_click || s.right_click || s.wheel_up || s.wheel_down;
            return changed ? kScreenEventRoll + n : -kScreenEventRoll - 2 - n;
        }
    }
    for (std::size_t i = 0; i < s.slides.size(); ++i) {
        if (kvslide_input(s.slides[i], s.left_held, x, y)) {
            const int32_t n = static_cast<int32_t>(i);
            return s.left_held ? kScreenEventSlider + n : -kScreenEventSlider - 2 - n;
        }
    }
    int32_t first = -1;
    for (std::size_t i = 0; i < s.buttons.size(); ++i) {
        if (kvbutton_handle_pointer(s.buttons[i], s.left_click, x + kPointerOffset, y + kPointerOffset) &&
            first < 0)
            first = static_cast<int32_t>(i);
    }
    if (first < 0) return kScreenEventNone;
    return s.left_click ? first : -2 - first;
}

int32_t keyboard_pass(kvscreen& s, input& in, int32_t time_ms) {
    if (s.focused_edit < 0 || static_cast<std::size_t>(s.focused_edit) >= s.edits.size()) {
        s.focused_edit = -1;
        return kScreenEventNone;
    }
    kvedit& box = s.edits[static_cast<std::size_t>(s.focused_edit)];
    if (!kvedit_is_editing(box)) {
        s.focused_edit = -1;
        input_end_text_entry(in);
        return kScreenEventNone;
    }
    kvedit_blink(box, time_ms);
    if (!input_has_key_event(in)) return kScreenEventNone;
    const int32_t k = input_read_key(in);
    shared_state& state = shared();
    bool repeat = state.repeating;
    if (k == kKeyErase) {
        state.repeating = true;
        repeat = true;
    } else if (k == -kKeyErase) {
        state.repeating = false;
        return kScreenEventNone;
    }
    // While the erase key is held, a key that comes after the repeat interval erases instead.
    if (repeat && elapsed_over(state.repeat_timer, kKeyRepeatMs)) {
        timer_restart(*state.repeat_timer);
        kvedit_handle_key(box, kKeyErase);
        return kScreenEventNone;
    }
    if (k > 0 && k < 256) kvedit_handle_key(box, k);
    return kScreenEventNone;
}

}  // namespace

kvscreen::kvscreen(arty_factory& factory, const arty_description& description)
    : arty(factory, description), name(description.instance_name) {
    if (description.parameters) kvscreen_read_description(*this, *description.parameters);
}

void kvscreen::tick(int32_t elapsed) {
    kvscreen_tick(*this, elapsed);
}

std::unique_ptr<arty> kvscreen_create(arty_factory& factory, const arty_description& description) {
    return std::make_unique<kvscreen>(factory, description);
}

void kvscreen_read_description(kvscreen& screen, const token_list& list) {
    const int count = token_list_count(list);
    int i = 0;
    while (i < count) {
        if (token_list_kind(list, i) != kTokenString) {
            ++i;
            continue;
        }
        const std::string word = token_list_get_string(list, i);
        const keyword* found = nullptr;
        for (const keyword& k : kKeywords) {
            if (word == k.text && i + k.needs < count) {
                found = &k;
                break;
            }
        }
        if (!found) {
            ++i;
            continue;
        }
        value_reader r{list, count, i + 1};
        found->read(screen, r);
        i = r.at;
    }
}

bool kvscreen_draw(kvscreen& s) {
    for (auto& picture : s.pictures) picture->draw();
    for (kvedit& w : s.edits) kvedit_draw(w);
    for (const kvtext& w : s.labels) kvtext_draw(w);
    for (kvbutton& w : s.buttons) kvbutton_draw(w);
    for (const kvmltext& w : s.mltexts) kvmltext_draw(w);
    for (kvselection& w : s.selections) w.draw();
    for (kvcontrol& w : s.controls) w.draw();
    for (kvcheck& w : s.checks) kvcheck_draw(w);
    for (kvcounter& w : s.counters) kvcounter_draw(w);
    for (kvroll& w : s.rolls) kvroll_draw(w);
    for (kvslide& w : s.slides) kvslide_draw(w);
    if (s.active) s.cursor.draw();
    return true;
}

void kvscreen_tick(kvscreen& s, int32_t) {
    if (!s.active) return;
    shared_state& state = shared();
    if (!state.frame_timer) state.frame_timer = std::make_unique<timer>();
    if (!state.cycle_timer) state.cycle_timer = std::make_unique<timer>();
    if (state.animating && timer_elapsed_ms(*state.frame_timer) > kCursorFrameMs) {
        state.left += kCursorFrameWidth;
        state.right += kCursorFrameWidth;
        kvstatic_set_texture_rect(s.cursor, state.left, 0.0f, state.right, 1.0f);
        if (state.right > 1.0f) {
            state.left = 0.0f;
            state.right = kCursorFrameWidth;
            state.animating = false;
        }
        timer_restart(*state.frame_timer);
    }
    if (timer_elapsed_ms(*state.cycle_timer) > kCursorCycleMs) {
        state.animating = true;
        timer_restart(*state.cycle_timer);
    }
}

int32_t kvscreen_input(kvscreen& s, int32_t time_ms) {
    if (!s.active) return kScreenEventNone;
    input& in = kernel_get().input_layer;
    int32_t dx = 0;
    int32_t dy = 0;
    input_get_mouse_motion(in, dx, dy);
    s.cursor_x =
        std::clamp(s.cursor_x + static_cast<int32_t>(static_cast<float>(dx) * kMouseScale), 0, kScreenSide);
    s.cursor_y =
        std::clamp(s.cursor_y + static_cast<int32_t>(static_cast<float>(dy) * kMouseScale), 0, kScreenSide);
    s.cursor.x = static_cast<float>(s.cursor_x);
    s.cursor.y = static_cast<float>(s.cursor_y);
    kvscreen_tick(s, 0);
    if (s.focused_edit == -1) return pointer_pass(s, in);
    return keyboard_pass(s, in, time_ms);
}

void kvscreen_set_active(kvscreen& screen, bool active) {
    screen.active = active ? 1 : 0;
}

void kvscreen_copy_cursor(kvscreen& screen, const kvscreen& from) {
    screen.cursor_x = from.cursor_x;
    screen.cursor_y = from.cursor_y;
}

void kvscreen_reset_shared_state() {
    shared() = shared_state();
}

kvstatic* kvscreen_picture(kvscreen& screen, int32_t index) {
    return present(screen, screen.pictures.size(), 0, index)
               ? screen.pictures[static_cast<std::size_t>(index)].get()
               : nullptr;
}
kvtext* kvscreen_label(kvscreen& screen, int32_t index) {
    return checked(screen, screen.labels, 1, index);
}
kvmltext* kvscreen_mltext(kvscreen& screen, int32_t index) {
    return checked(screen, screen.mltexts, 2, index);
}
kvbutton* kvscreen_button(kvscreen& screen, int32_t index) {
    return checked(screen, screen.buttons, 3, index);
}
kvedit* kvscreen_edit(kvscreen& screen, int32_t index) {
    return checked(screen, screen.edits, 4, index);
}
kvselection* kvscreen_selection(kvscreen& screen, int32_t index) {
    return checked(screen, screen.selections, 5, index);
}
kvcounter* kvscreen_counter(kvscreen& screen, int32_t index) {
    return checked(screen, screen.counters, 6, index);
}
kvcheck* kvscreen_check(kvscreen& screen, int32_t index) {
    return checked(screen, screen.checks, 7, index);
}
kvcontrol* kvscreen_control(kvscreen& screen, int32_t index) {
    return checked(screen, screen.controls, 8, index);
}
kvroll* kvscreen_roll(kvscreen& screen, int32_t index) {
    return checked(screen, screen.rolls, 9, index);
}
kvslide* kvscreen_slide(kvscreen& screen, int32_t index) {
    return checked(screen, screen.slides, 10, index);
}

}  // namespace kv
