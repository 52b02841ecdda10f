#pragma once
// The engine kernel: the object every subsystem talks to. It owns the sound facade, the graphics
// front end, the input layer, the option registry, the console view and the surface materials
// table; keeps the frame statistics and the run flag; runs one client step per main-loop pass;
// and offers the engine commands (drivers, display, screen, view, sky, fog, keys, screenshot, stop).
// Engine commands return 0 on success and -1 on failure.

#include <cstdint>
#include <string>

#include "gfx/gfx.h"
#include "kernel/option_registry.h"
#include "kernel/timer.h"
#include "sound/sound_system.h"
#include "ui/console_view.h"
#include "ui/input/input.h"
#include "world/surface_table.h"

namespace kv {

struct file_stream;

inline constexpr int32_t kDetailLow = 0;
inline constexpr int32_t kDetailMedium = 1;
inline constexpr int32_t kDetailHigh = 2;

// Display driver kinds of `cmd_select_driver`.
inline constexpr int32_t kDriverNull = 0;
inline constexpr int32_t kDriverOpenGl = 1;
inline constexpr int32_t kDriverDirect3d = 2;

struct kernel {
    // Built in this order and taken down in the reverse one.
    sound_system sound;
    gfx graphics;
    input input_layer;
    option_registry options;
    console_view console;
    surface_table surfaces;

    int32_t frame_count = 0;
    int32_t slowest_render_ms = 0;
    int32_t fastest_render_ms = 1000000;
    bool running = true;
    bool failed = false;     // stopped by a fault in the data: the program ends with a failure status
    bool no_render = false;  // a dedicated server draws nothing
    int32_t detail_level = kDetailHigh;
    bool reply_awaited = false;  // a console command is waiting for the server's answer
    timer collision_section;     // gathers the time of the bodies' movement tests
};

// The program's kernel, created on first use.
kernel& kernel_get();
// The statistics section that times the bodies' movement tests.
timer& kernel_collision_section();

// Start-up after the driver choice: names and options of the members, the surface table, the
// console layout and the sound channels; a dedicated server renders nothing.
void kernel_setup(kernel& k);
// One client step: input, a frame, the console's command. Returns the run flag.
bool kernel_tick(kernel& k);
// Console line interpreter; negative when a reply is awaited.
int32_t kernel_run_command(kernel& k, const std::string& line);
// Clears the run flag, says goodbye to the game server and stops the local server service.
int32_t kernel_stop(kernel& k);
// The same for a fault the program cannot run with (a "*FATAL*" of the data): the run ends as a failure.
int32_t kernel_stop_failed(kernel& k);

// 0 null driver, 1 OpenGL, 2 Direct3D; other kinds select nothing and succeed.
int32_t cmd_select_driver(kernel& k, int32_t kind);
// 0, or the front end's own non-zero result.
int32_t cmd_open_display(kernel& k, int32_t width, int32_t height);
// "package:screen".
int32_t cmd_open_screen(kernel& k, const std::string& name);
int32_t cmd_open_view(kernel& k, const std::string& name);
int32_t cmd_sky(kernel& k, const std::string& name);
int32_t kernel_set_fog(kernel& k, const gfx_fog* fog);
int32_t kernel_bind_key(kernel& k, uint32_t key, uint32_t action);
int32_t kernel_save_screenshot(kernel& k, file_stream& stream);
void kernel_acquire_input(kernel& k);
void kernel_unacquire_input(kernel& k);

}  // namespace kv
