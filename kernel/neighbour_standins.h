#pragma once
// Stand-ins for the services that the kernel calls in the subsystems not built yet (beings, network,
// renderer, interface and input, sound and bots).
// Their bodies are in neighbour_standins.cpp; each subsystem that arrives removes its share.
//
// They do next to nothing: they record each call in `calls`, keep the little state that callers read
// back (driver kinds, key bindings, console lines, sky and fog) and answer with the results set
// here, so that the kernel's own behaviour around them (what it logs, returns and stores) can be
// exercised.

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "gfx/texture.h"
#include "ui/widgets.h"
#include "util/vec3.h"

namespace kv {

class kvscreen;

// The widget lists of a screen, as `kvscreen_picture` and its siblings hand them out.
struct standin_screen_widgets {
    std::vector<kvstatic> pictures;
    std::vector<kvmltext> mltexts;
    std::vector<kvselection> selections;
};

struct neighbour_standins {
    // Results.
    int32_t gfx_select_driver_result = 0;
    // The Direct3D driver is not built yet: its kind (3) fails unless a test makes it present. Kind 2
    // makes the OpenGL driver.
    bool gfx_display_drivers_present = false;
    int32_t gfx_open_display_result = 0;
    // The program (not the tests) opens the OpenGL driver it selected.
    bool gfx_open_display_opens_driver = false;
    bool gfx_open_view_result = true;
    int32_t gfx_console_command_result = -1;
    bool gfx_save_screenshot_result = true;
    int32_t gfx_max_texture_side_result = 2048;
    int32_t client_console_command_result = 0;
    int32_t client_send_command_result = 0;
    int32_t client_pending_result = 0;  // of the hosting client's login and bot line
    std::string client_status_text;  // taken (and emptied) by client_take_status_text
    int32_t client_server_list_result = 0;
    bool botc_console_command_result = false;
    int32_t client_send_drop_event_result = 0;
    // Grenades and dropped weapons finish (clear their alive flag) in their update step.
    bool finish_on_update = false;
    int32_t being_handle_command_result = 0;

    // Renderer: the texture names whose images load (1 x 1 white).
    std::vector<std::string> loadable_textures;
    int32_t texture_sample_result = 255;

    // The game object's neighbours.
    bool client_connected = false;
    int32_t client_local_player_id = 0;
    int32_t kvscreen_input_result = 0;
    // The widgets of each screen by its address (the screens themselves are never looked into).
    std::map<const kvscreen*, standin_screen_widgets> screen_widgets;
    bool hud_effects_result = true;
    bool gfx_bind_view_camera_result = true;
    int32_t gfx_dynamic_lights_result = 0;

    // One line per call, in call order: the operation's name and its arguments, blank-separated
    // ("gfx_select_driver 2", "client_send_command kick 3|0"). A running program calls some of them
    // every frame: past `kMaxCalls` the calls are no longer written down.
    static constexpr std::size_t kMaxCalls = 100000;
    std::vector<std::string> calls;
};

neighbour_standins& standins();
// Puts every result back to its default and forgets the calls.
void standins_reset();

}  // namespace kv
