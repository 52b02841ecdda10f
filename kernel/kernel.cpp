#include "kernel/kernel.h"

#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "kernel/log.h"
#include "kernel/timer.h"
#include "net/net_client.h"
#include "net/service.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr uint32_t kSoundChannels = 3;
constexpr const char* kSkyPackage = "kvbase";
constexpr const char* kSkyGeometry = "g-sky";
constexpr const char* kSkySurfacePrefix = "s-";
constexpr const char* kTextureDir = "tga/";

void print_status_text(kernel& k) {
    console_view_print(k.console, client_take_status_text(net_client_get()));
}

}  // namespace

kernel& kernel_get() {
    static kernel instance;
    return instance;
}

timer& kernel_collision_section() {
    return kernel_get().collision_section;
}

void kernel_setup(kernel& k) {
    input_register_names(k.input_layer, k.options);
    snd_bind_volume_option(k.sound, k.options);
    gfx_init(k.graphics, k.options);
    surface_table_build(k.surfaces);
    console_view_relayout(k.console);
    for (uint32_t channel = 0; channel < kSoundChannels; ++channel) snd_add_channel(k.sound, channel);
    k.no_render = server_get().dedicated != 0;
}

bool kernel_tick(kernel& k) {
    if (!k.running) return false;

    timer poll_timer;
    input_poll(k.input_layer);
    k.graphics.statistics.input_poll_ms = timer_elapsed_ms(poll_timer);

    if (!k.no_render) {
        gfx_render_frame(k.graphics);
    } else {
        // Nothing draws here, so nothing would ever age the effects the world frame made.
        gfx_drop_effects(k.graphics);
        // Nor would the frame's end step the players: the soldiers driven here (a dedicated server's
        // bots) store their states and send them to the others.
        server_step_players(server_get());
    }

    const std::string line = console_view_take_input(k.console);
    if (!line.empty()) {
        log_write("[con] processing console command '%s'\n", log_printable(line).c_str());
        if (kernel_run_command(k, line) < 0) {
            k.reply_awaited = true;
        } else {
            print_status_text(k);
        }
    }

    if (k.reply_awaited && client_server_list_result(net_client_get()) >= 0) {
        print_status_text(k);
        k.reply_awaited = false;
    }
    return k.running;
}

int32_t kernel_stop(kernel& k) {
    k.running = false;
    net_client& client = net_client_get();
    client_send_goodbye(client);
    service_command(service_settings_get(), "stop");
    return 0;
}

int32_t kernel_stop_failed(kernel& k) {
    k.failed = true;
    return kernel_stop(k);
}

int32_t cmd_select_driver(kernel& k, int32_t kind) {
    const char* name = nullptr;
    switch (kind) {
        case kDriverNull:
            break;
        case kDriverOpenGl:
            name = "OpenGL";
            break;
        case kDriverDirect3d:
            name = "Direct3D";
            break;
        default:
            return 0;
    }
    if (gfx_select_driver(k.graphics, kind + 1) != 0) return -1;
    if (kind == kDriverNull) {
        snd_select_driver(k.sound, kSoundDriverNone);
        input_select_driver(k.input_layer, kInputDriverNone);
        return 0;
    }
    snd_select_driver(k.sound, kSoundDriverDirectSound);
    input_select_driver(k.input_layer, kInputDriverDirectInput);
    server_set_texture_dir(server_get(), kTextureDir);
    log_write("cmd_select_driver: %s selected.\n", name);
    return 0;
}

int32_t cmd_open_display(kernel& k, int32_t width, int32_t height) {
    const int32_t result = gfx_open_display(k.graphics, width, height);
    if (result != 0) return result;
    if (!k.no_render) log_write("cmd_open_display:  %dx%d display set.\n", width, height);
    input_open(k.input_layer, k.options);
    snd_open(k.sound);
    return 0;
}

int32_t cmd_open_screen(kernel& k, const std::string& name) {
    const std::string package_name = str_field_or_empty(name, 0, ':');
    const std::string screen_name = str_field_or_empty(name, 1, ':');
    // Both lookups log what they miss.
    package* p = server_find_package(server_get(), package_name);
    view_set* screen = p ? package_find_screen(*p, screen_name) : nullptr;
    if (!screen) return -1;
    gfx_open_screen(k.graphics, screen);
    log_write("cmd_open_screen:   Screen `%s' activated.\n", log_printable(name).c_str());
    return 0;
}

int32_t cmd_open_view(kernel& k, const std::string& name) {
    if (!gfx_open_view(k.graphics, name)) return -1;
    log_write("cmd_open_view:     View `%s' activated.\n", log_printable(name).c_str());
    return 0;
}

int32_t cmd_sky(kernel& k, const std::string& name) {
    geometry* sky = nullptr;
    surface* sky_surface = nullptr;
    reference_list& references = ref_list();
    ref_list_add_geometry(references, kSkyPackage, kSkyGeometry, &sky);
    ref_list_add_surface(references, kSkyPackage, kSkySurfacePrefix + name, &sky_surface);
    ref_list_resolve(references, server_get().packages);
    if (!sky) log_write("cmd_sky: couldn't find g-sky.\n");
    if (!sky_surface)
        log_write("cmd_sky: couldn't find surface for sky `%s'.\n", log_printable(name).c_str());
    return gfx_set_sky(k.graphics, sky, sky_surface) ? 0 : -1;
}

int32_t kernel_set_fog(kernel& k, const gfx_fog* fog) {
    gfx_set_fog(k.graphics, fog);
    return 0;
}

int32_t kernel_bind_key(kernel& k, uint32_t key, uint32_t action) {
    input_bind_key(k.input_layer, key, action);
    return 0;
}

int32_t kernel_save_screenshot(kernel& k, file_stream& stream) {
    return gfx_save_screenshot(k.graphics, stream) ? 0 : -1;
}

void kernel_acquire_input(kernel& k) {
    input_acquire(k.input_layer);
}

void kernel_unacquire_input(kernel& k) {
    input_unacquire(k.input_layer);
}

}  // namespace kv
