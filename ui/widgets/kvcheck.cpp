#include "ui/widgets/kvcheck.h"

#include <algorithm>

#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "ui/widgets/widget_sound.h"
#include "ui/widgets/widget_texture.h"

namespace kv {

namespace {

constexpr float kDisabledLabel[4] = {0.52f, 0.47f, 0.05f, 0.0f};
constexpr float kDisabledPicture[3] = {0.5f, 0.5f, 0.5f};
constexpr float kKnobReach = 15.0f;  // the knob answers the mouse this far around it
// A counter wider than this is a description's mistake: it is cut.
constexpr int32_t kMaxDigits = 64;

void copy_rgb(float (&to)[4], const float (&from)[3]) {
    for (int i = 0; i < 3; ++i) to[i] = from[i];
    to[3] = 0.0f;
}

void draw(texture* t, const float (&colour)[4], float x, float y, float width, float height,
          const gfx_uv_rect& uv) {
    kernel_get().graphics.driver->draw_quad_uv_tinted(t, {colour[0], colour[1], colour[2]},
                                                      {x, y, width, height}, uv);
}

}  // namespace

kvcheck::kvcheck(const kvcheck_desc& d) : picture_name(d.picture_name), checked(d.checked != 0 ? 1 : 0) {
    for (int i = 0; i < 4; ++i) picture[i] = d.picture[i];
    copy_rgb(picture_colour, d.picture_colour);
    copy_rgb(label_colour, d.label_colour);
    kvtext_init(label, d.label_x, d.label_y, label_colour, d.text, d.font, d.char_width, d.char_height,
                kTextAlignLeft, false);
}

bool kvcheck_input(kvcheck& w, bool click, int32_t mx, int32_t my) {
    if (!w.visible) return false;
    const float x = static_cast<float>(mx);
    const float y = static_cast<float>(my);
    if (!(x > w.picture[0] && x < w.picture[0] + w.picture[2] && y > w.picture[1] &&
          y < w.picture[1] + w.picture[3])) {
        return false;
    }
    if (click) {
        if (w.enabled) {
            w.checked = w.checked ? 0 : 1;
            widget_sound(kSoundToggle);
        } else {
            widget_sound(kSoundRefused);
        }
    }
    return true;
}

bool kvcheck_draw(kvcheck& w) {
    if (!w.visible) return true;
    texture* t = widget_texture(kernel_get().graphics, w.picture_name);
    if (!t) return false;
    const float left = w.checked ? 0.5f : 0.0f;
    float grey[4];
    copy_rgb(grey, kDisabledPicture);
    draw(t, w.enabled ? w.picture_colour : grey, w.picture[0], w.picture[1], w.picture[2], w.picture[3],
         {left, 0.0f, left + 0.5f, 1.0f});
    kvtext_draw(w.label);
    return true;
}

void kvcheck_set_enabled(kvcheck& w, bool enabled) {
    w.enabled = enabled ? 1 : 0;
    kvtext_set_color(w.label, enabled ? w.label_colour : kDisabledLabel);
}

void kvcheck_set_checked(kvcheck& w, bool checked) {
    w.checked = checked ? 1 : 0;
}

bool kvcheck_is_checked(const kvcheck& w) {
    return w.checked != 0;
}

void kvcheck_set_visible(kvcheck& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

void kvcheck_set_text(kvcheck& w, const std::string& text) {
    kvtext_set_text(w.label, text);
}

kvslide::kvslide(const kvslide_desc& d)
    : knob_width(d.knob_width),
      knob_height(d.knob_height),
      track_picture(d.track_picture),
      knob_picture(d.knob_picture) {
    for (int i = 0; i < 4; ++i) track[i] = d.track[i];
    copy_rgb(colour, d.colour);
    half_knob = knob_width / 2.0f;
    knob_x = track[0] - half_knob;
    knob_y = track[1];
    scale = 1.0f / track[2];
    if (d.minimum <= d.maximum) {
        minimum = d.minimum;
        maximum = d.maximum;
    }
}

void kvslide_set_value(kvslide& w, float v) {
    w.value = v >= w.minimum && v <= w.maximum ? v : 0.0f;
    const float base = w.track[0] - w.half_knob;
    // From the start of the track, so that a smaller value moves the knob back; never past the end.
    const float end = w.track[0] + w.track[2] - w.half_knob;
    w.knob_x = base;
    while ((w.knob_x - base) * w.scale < w.value && w.knob_x + 1.0f <= end) w.knob_x += 1.0f;
}

bool kvslide_input(kvslide& w, bool held, int32_t mx, int32_t my) {
    if (!w.visible) return false;
    const float x = static_cast<float>(mx);
    const float y = static_cast<float>(my);
    if (!(x >= w.knob_x - kKnobReach && x <= w.knob_x + w.knob_width + kKnobReach &&
          y >= w.knob_y - kKnobReach && y <= w.knob_y + w.knob_height + kKnobReach)) {
        w.dragging = 0;
        return false;
    }
    if (!held) {
        w.dragging = 0;
        return true;
    }
    if (!w.dragging) {
        w.last_mouse_x = mx;
        w.dragging = 1;
        return true;
    }
    const float base = w.track[0] - w.half_knob;
    const float end = w.track[0] + w.track[2] - w.half_knob;
    const float moved = static_cast<float>(mx) - static_cast<float>(w.last_mouse_x);
    // The value follows the knob's place after the move.
    if (moved < 0.0f) {
        if (w.knob_x + moved < base) {
            w.knob_x = base;
            w.value = w.minimum;
        } else {
            w.knob_x += moved;
            w.value = std::max((w.knob_x - base) * w.scale, w.minimum);
        }
    } else if (moved > 0.0f) {
        if (w.knob_x + moved <= end) {
            w.knob_x += moved;
            const float v = (w.knob_x - base) * w.scale;
            w.value = v < w.maximum ? v : w.maximum;
        } else {
            w.knob_x = end;
            w.value = w.maximum;
        }
    }
    w.last_mouse_x = mx;
    return true;
}

bool kvslide_draw(kvslide& w) {
    if (!w.visible) return false;
    gfx& g = kernel_get().graphics;
    if (texture* t = widget_texture(g, w.track_picture)) {
        draw(t, w.colour, w.track[0], w.track[1], w.track[2], w.track[3], {0.0f, 0.0f, 1.0f, 1.0f});
    }
    if (texture* t = widget_texture(g, w.knob_picture)) {
        draw(t, w.colour, w.knob_x, w.knob_y, w.knob_width, w.knob_height, {0.0f, 0.0f, 1.0f, 1.0f});
    }
    return true;
}

kvcounter::kvcounter(const kvcounter_desc& d)
    : x(d.rect[0]),
      y(d.rect[1]),
      width(d.rect[2]),
      height(d.rect[3]),
      digit_count(d.digits),
      picture(d.picture) {
    copy_rgb(colour, d.colour);
    kvcounter_set_value(*this, 0, digit_count);
}

void kvcounter_set_value(kvcounter& w, int32_t value, int32_t n) {
    n = std::clamp(n, 0, kMaxDigits);
    w.digits.assign(static_cast<std::size_t>(n), '0');
    if (value < 0) return;
    for (int32_t i = n - 1; i >= 0; --i) {
        w.digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

bool kvcounter_draw(kvcounter& w) {
    if (!w.visible || w.digits.empty()) return true;
    const int32_t cell = w.width / static_cast<int32_t>(w.digits.size());
    gfx& g = kernel_get().graphics;
    for (std::size_t i = 0; i < w.digits.size(); ++i) {
        texture* t = widget_texture(g, w.picture);
        if (!t) return false;
        const float d = static_cast<float>(w.digits[i] - '0');
        draw(t, w.colour, static_cast<float>(w.x + static_cast<int32_t>(i) * cell), static_cast<float>(w.y),
             static_cast<float>(cell), static_cast<float>(w.height),
             {d / 10.0f, 0.0f, (d + 1.0f) / 10.0f, 1.0f});
    }
    return true;
}

void kvcounter_set_visible(kvcounter& w, bool visible) {
    w.visible = visible ? 1 : 0;
}

}  // namespace kv
