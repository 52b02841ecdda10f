#pragma once
// The key-binding list of the options screen: a selection list with one row per player action that has
// a key, its label in the first column and the key's name in the second. A first click selects a row,
// a second click on it waits for a key or mouse button, which the kernel's binding table then gives
// to that action. The list also reads and writes "controls.cfg", the player's bindings and the
// mouse-invert setting between runs.

#include <cstdint>
#include <string>

#include "ui/widgets/kvselection.h"

namespace kv {

struct input;
struct server;

inline constexpr const char* kControlsFile = "controls.cfg";

struct kvcontrol : kvselection {
    kvcontrol() = default;
    explicit kvcontrol(const kvselection_desc& desc);

    bool draw() override;
    void clear_selection() override;
    int32_t input(const kvselection_mouse& mouse) override;

    int32_t waiting_for_key = 0;
    std::string keys_text;    // "[ key ]" a line
    std::string labels_text;  // the action's label a line
    float capture_x = 0.0f;
    float capture_y = 0.0f;
    int32_t last_mouse_x = 0;
    int32_t last_mouse_y = 0;
    // While set the arrows and the track scroll without clearing the selection.
    bool keep_selection = false;
};

// One line of "controls.cfg" applied to the input layer: "bind" with the action and the key each
// between double quotes, or "minvert on|off". False (and nothing changed) for a line that binds
// nothing known.
bool kvcontrol_apply_line(input& in, const std::string& line);
// Reads the world server's "controls.cfg" (the write folder first) when the list is empty, then fills the
// rows.
void kvcontrol_load(kvcontrol& w, server& srv);
// Writes "controls.cfg" to the write folder by renaming a complete new file over the old one.
bool kvcontrol_save(kvcontrol& w, const server& srv);
// The text "controls.cfg" holds for the present bindings.
std::string kvcontrol_file_text(const input& in);
void kvcontrol_refresh_texts(kvcontrol& w, const server& srv);
// Takes the waiting row's new key; always 1.
int32_t kvcontrol_capture_key(kvcontrol& w);

}  // namespace kv
