// The options screen (slot 10): the key bindings, mouse inversion (check box 0), mouse sensitivity
// (slider 0, shown divided by 10) and sound volume (slider 1), with a help line and a scanning bar.

#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "ui/gui.h"
#include "ui/input/input.h"
#include "ui/screens.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";
constexpr int32_t kBuild = 182;
constexpr float kSensitivityScale = 10.0f;
constexpr int32_t kBarPicture = 2;
constexpr int32_t kHelpPicture = 32;
constexpr int32_t kHelpLabel = 19;
constexpr int32_t kHelpTexts = 85;
constexpr int32_t kBarStepMs = 30;
constexpr int32_t kBarStep = 3;
constexpr int32_t kBarEnd = 1000;
constexpr int32_t kBarStart = -60;

kvscreen* options(kvgame& game) {
    return game.gui.screens[kScreenOptions];
}

void set_label(kvscreen& s, int32_t index, const std::string& text) {
    if (kvtext* label = kvscreen_label(s, index)) kvtext_set_text(*label, text);
}

// The list's two texts become the world server's, which the controls screen shows.
void hand_over_texts(kvgame& game, kvcontrol& list) {
    kvcontrol_refresh_texts(list, kvgame_server(game));
    server& srv = kvgame_server(game);
    srv.binding_keys_text = list.keys_text;
    srv.binding_labels_text = list.labels_text;
    list.keys_text.clear();
    list.labels_text.clear();
}

}  // namespace

void options_on_show(kvgame& game) {
    kvscreen* s = options(game);
    if (!s) return;
    const server& srv = kvgame_server(game);
    const auto text = [&](int32_t n) { return server_text(srv, kTextMenu, n); };
    set_label(*s, 2, text(1));
    set_label(*s, 3, text(1));
    set_label(*s, 4, text(6));
    if (kvbutton* back = kvscreen_button(*s, 0)) kvtext_set_text(back->label, text(6));
    set_label(*s, 7, text(7));
    if (kvcheck* invert = kvscreen_check(*s, 0)) kvcheck_set_text(*invert, text(29));
    set_label(*s, 8, text(29));
    set_label(*s, 11, text(30));
    set_label(*s, 12, text(30));
    set_label(*s, 15, text(31));
    set_label(*s, 16, text(31));
    set_label(*s, 9, text(77));
    set_label(*s, 10, text(77));
    for (int32_t index : {20, 21}) {
        if (kvtext* label = kvscreen_label(*s, index)) kvtext_set_visible(*label, true);
    }
    set_label(*s, 20, str_format("ver : %s", kVersionText));
    set_label(*s, 21, str_format("build : %i", kBuild));
}

void options_load_values(kvgame& game) {
    kvscreen* s = options(game);
    if (!s) return;
    kernel& k = kernel_get();
    if (kvcontrol* list = kvscreen_control(*s, 0)) {
        kvcontrol_load(*list, kvgame_server(game));
        hand_over_texts(game, *list);
    }
    if (kvslide* volume = kvscreen_slide(*s, 1)) kvslide_set_value(*volume, k.sound.global_volume);
    if (kvslide* sensitivity = kvscreen_slide(*s, 0))
        kvslide_set_value(*sensitivity, k.input_layer.mouse_sensitivity / kSensitivityScale);
}

void options_handle_event(kvgame& game, int32_t code) {
    kvscreen* s = options(game);
    if (!s) return;
    kernel& k = kernel_get();
    switch (code) {
        case 0: {
            if (kvcheck* invert = kvscreen_check(*s, 0))
                input_set_mouse_invert(k.input_layer, kvcheck_is_checked(*invert) ? 1 : 0);
            if (kvcontrol* list = kvscreen_control(*s, 0)) {
                kvcontrol_save(*list, kvgame_server(game));
                hand_over_texts(game, *list);
            }
            if (kvslide* volume = kvscreen_slide(*s, 1)) snd_set_volume(k.sound, volume->value);
            gui_show_screen(game, kScreenMenu, false);
            game.gui.step_state = 0;
            break;
        }
        case kScreenEventSlider:
            if (kvslide* sensitivity = kvscreen_slide(*s, 0))
                input_set_mouse_sensitivity(k.input_layer, sensitivity->value * kSensitivityScale);
            break;
        case kScreenEventSlider + 1:
            if (kvslide* volume = kvscreen_slide(*s, 1)) snd_set_volume(k.sound, volume->value);
            break;
        default:
            break;
    }
}

void options_step(kvgame& game, int32_t) {
    kvscreen* s = options(game);
    if (!s) return;
    // The step state is the flag that the values are loaded: every switch clears it.
    if (game.gui.step_state == 0) {
        options_load_values(game);
        game.gui.step_state = 1;
    }
    if (kvcontrol* list = kvscreen_control(*s, 0)) kvcontrol_capture_key(*list);
    gui_state& gui = game.gui;
    if (kvstatic* bar = kvscreen_picture(*s, kBarPicture)) bar->y = static_cast<float>(gui.bar_position);
    if (!gui.bar_timer) gui.bar_timer = std::make_unique<timer>();
    if (timer_elapsed_ms(*gui.bar_timer) > kBarStepMs) {
        gui.bar_position += kBarStep;
        if (gui.bar_position >= kBarEnd) gui.bar_position = kBarStart;
        timer_restart(*gui.bar_timer);
    }
}

void options_show_help(kvgame& game, int32_t pointed) {
    kvscreen* s = options(game);
    if (!s || pointed < kScreenEventSlider || pointed > kScreenEventSlider + 2) return;
    if (kvstatic* picture = kvscreen_picture(*s, kHelpPicture)) kvstatic_set_visible(*picture, true);
    set_label(*s, kHelpLabel,
              server_text(kvgame_server(game), kTextMenu, kHelpTexts + pointed - kScreenEventSlider));
}

void options_clear_help(kvgame& game) {
    kvscreen* s = options(game);
    if (!s) return;
    if (kvstatic* picture = kvscreen_picture(*s, kHelpPicture)) kvstatic_set_visible(*picture, false);
    set_label(*s, kHelpLabel, "");
}

}  // namespace kv
