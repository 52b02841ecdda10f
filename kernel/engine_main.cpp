#include "kernel/engine_main.h"

#include <cstring>
#include <string_view>

#include "data/reference_list.h"
#include "game/server.h"
#include "game/server_load.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/key_bindings.h"
#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "kernel/options.h"
#include "net/net_client.h"
#include "net/server_session.h"
#include "net/service.h"
#include "platform/clock.h"
#include "platform/cpu.h"
#include "platform/dx_check.h"
#include "platform/file_io.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "platform/signals.h"
#include "platform/task_bar.h"
#include "platform/udp_socket.h"
#include "sound/sound_system.h"
#include "ui/console_view.h"
#include "world/collision.h"
#include "world/hit_map.h"

namespace kv {
namespace {

constexpr const char* kNetConfigName = "net.cfg";
constexpr int32_t kStartFrameMs = 10;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;

constexpr display_size kDisplaySizes[] = {
    {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024},
};
constexpr display_size kDefaultDisplaySize = {640, 480};

const char* option(const char* name) {
    return option_value(command_options_get(), name);
}

bool option_is(const char* name, const char* text) {
    return std::strcmp(option(name), text) == 0;
}

// A folder option as a prefix of file names: without its trailing separator "data" would name the
// files "data<name>" beside the folder. An empty value stays the current folder.
std::string folder_option(const char* name) {
    std::string folder = option(name);
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

std::string options_file_path() {
    return folder_option("--write-dir") + kOptionsFileName;
}

// Adds without the undefined overflow of a signed sum: a long-running dedicated server never has its
// frame accumulators emptied by the renderer.
int32_t wrapping_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

void write_banner() {
    log_write("%s %s (build %d)\n", kEngineName, kEngineVersion, kBuildNumber);
}

}  // namespace

command_line command_line_from_words(int argc, const char* const* argv) {
    command_line line;
    line.argv.push_back(nullptr);
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] == nullptr || argv[i][0] == '\0') continue;
        if (line.argv.size() == kMaxArguments) {
            ++line.dropped;
            continue;
        }
        const std::size_t size = std::strlen(argv[i]) + 1;
        line.words.push_back(std::make_unique<char[]>(size));
        std::memcpy(line.words.back().get(), argv[i], size);
        line.argv.push_back(line.words.back().get());
    }
    return line;
}

void engine_create_singletons() {
    ref_list();
    kernel_get();
    server_get();
    server_session_get();
}

display_size engine_display_size(const char* resolution, int32_t driver_kind) {
    if (driver_kind == kDriverNull || resolution == nullptr) return kDefaultDisplaySize;
    const char first = resolution[0];
    const int index = first - '0';
    if (index < 0 || index >= static_cast<int>(std::size(kDisplaySizes))) return kDefaultDisplaySize;
    return kDisplaySizes[index];
}

int32_t engine_detail_level(const char* details, int32_t current) {
    if (details == nullptr) return current;
    if (std::strcmp(details, "low") == 0) return kDetailLow;
    if (std::strcmp(details, "medium") == 0) return kDetailMedium;
    if (std::strcmp(details, "high") == 0) return kDetailHigh;
    return current;
}

int32_t engine_dedicated_sleep_ms(int32_t min_frame_ms, int32_t frame_ms) {
    const int64_t rest = static_cast<int64_t>(min_frame_ms) - frame_ms;
    return rest > 0 ? static_cast<int32_t>(rest) : 0;
}

running_time engine_running_time(int64_t total_ms) {
    const int64_t s = total_ms / 1000;
    return {static_cast<int32_t>(s / kSecondsPerDay),
            static_cast<int32_t>(s % kSecondsPerDay / kSecondsPerHour),
            static_cast<int32_t>(s % kSecondsPerHour / kSecondsPerMinute),
            static_cast<int32_t>(s % kSecondsPerMinute)};
}

start_up_result engine_start_up(engine_session& session, int argc, char** argv) {
    // "--help" answers before the log is opened, so it never empties the log of a server running in
    // the same folder.
    command_options& options = command_options_get();
    options = command_options();
    if (!parse_options(options, argc, argv)) return start_up_result::help;
    int log_error = 0;
    if (!log_open(kLogFileName, &log_error)) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", kProgramName, kLogFileName,
                     sys_error_text(log_error).c_str());
    }
    engine_create_singletons();
    kernel& k = kernel_get();
    server& srv = server_get();
    timer_restart(session.frame_timer);

    const bool join = parse_join_options(options, argc, argv);
    timer_restart(run_timer());
    write_banner();
    log_stamped("Initializing...\n");
    fpu_set_low_precision();
    cpu_probe();
    if (cpu_has_sse()) log_write("[CPU] Intel SSE found and used\n");
    if (!dx_check()) {
        log_stamped("DirectX not detected or wrong version found (DX 8.1 required) !\n");
        log_close();
        return start_up_result::no_directx;
    }

    int32_t kind = kDriverOpenGl;
    if (option_is("--gfx-driver", "opengl")) {
        kind = kDriverOpenGl;
    } else if (option_is("--gfx-driver", "d3d")) {
        kind = kDriverDirect3d;
    } else {
        log_write("There's no GFX driver called '%s'.\n", option("--gfx-driver"));
        return start_up_result::shut_down;
    }
    if (option_is("--dedicated", "yes")) {
        kind = kDriverNull;
        server_set_dedicated(srv, 1);
    } else {
        server_set_dedicated(srv, 0);
    }
    if (cmd_select_driver(k, kind) < 0) {
        log_write("Gfx driver selection failed\n");
        return start_up_result::shut_down;
    }

    server_init(srv);
    kernel_setup(k);
    session.save_options = true;
    k.detail_level = engine_detail_level(option("--details"), k.detail_level);
    load_options(k.options, options_file_path());
    // A setting whose owner is absent from this build is kept for the next run; nothing binds "port",
    // so it is not kept (every file would carry it).
    option_registry_set_or_keep(k.options, "fullscreen", option_is("--fullscreen", "yes") ? "true" : "false");
    option_registry_set_text(k.options, "port", option("--port"));
    option_registry_set_or_keep(k.options, "minfps", option("--minfps"));

    srv.data_dir = folder_option("--base-dir");
    server_set_boot_package(srv, std::string(option("--pkg-file")) + "-" + option("--language"));
    server_set_texture_base_dir(srv, folder_option("--tex-base-dir"));
    server_set_lmap_dir(srv, folder_option("--lmap-base-dir"));
    server_set_write_dir(srv, folder_option("--write-dir"));
    server_set_language(srv, option("--language"));
    if (option_is("--developer", "yes")) server_set_developer(srv, 1);

    server_list_maps(srv);
    server_load_text_tables(srv, "");
    server_load_hit_maps(srv);
    const display_size size = engine_display_size(option("--resolution"), kind);
    server_read_config(srv, kNetConfigName);
    if (cmd_open_display(k, size.width, size.height) < 0) return start_up_result::shut_down;

    console_view_printf(k.console, "%s %s (build %d)\n", kEngineName, kEngineVersion, kBuildNumber);
    console_view_print(k.console, "Running...\n");
    console_view_log_line(k.console, "> ");
    bind_default_keys(k);
    log_stamped("Starting engine's main loop...\n");
    k.graphics.statistics.last_frame_ms = kStartFrameMs;
    k.graphics.statistics.accumulated_frame_ms = 0;
    if (join) server_set_join_address(srv, options.join.value, options.nick.value);
    return start_up_result::run;
}

void engine_count_network(gfx& g, const net_client& client, int32_t elapsed_ms, int32_t tick_ms) {
    gfx_rti_block& rti = g.rti;
    g.realtime.client_ms = tick_ms;
    rti.net_counter = tick_ms;
    rti.interval_ms += elapsed_ms;
    rti.packets_in = static_cast<int32_t>(client.packets_in);
    rti.packets_out = static_cast<int32_t>(client.packets_out);
    // The totals only grow; unsigned differences stay right when they wrap.
    rti.bytes_in += static_cast<int32_t>(client.bytes_in - rti.counted_bytes_in);
    rti.bytes_out += static_cast<int32_t>(client.bytes_out - rti.counted_bytes_out);
    rti.counted_bytes_in = client.bytes_in;
    rti.counted_bytes_out = client.bytes_out;
}

bool engine_tick_network() {
    static timer step_timer;
    const int32_t ms = timer_elapsed_ms(step_timer);
    if (ms >= 0) {
        timer tick_timer;
        net_client& client = net_client_get();
        net_client_tick(client, ms);
        engine_count_network(kernel_get().graphics, client, ms, timer_elapsed_ms(tick_timer));
        timer_restart(step_timer);
    }
    return true;
}

bool engine_tick_service() {
    static timer step_timer;
    const int32_t ms = timer_elapsed_ms(step_timer);
    if (ms >= 0) {
        if (!service_tick(service_settings_get(), ms)) kernel_stop(kernel_get());
        timer_restart(step_timer);
    }
    return true;
}

bool engine_tick_world() {
    static timer step_timer;
    const int32_t ms = timer_elapsed_ms(step_timer);
    // Slow movers stand still below the collision floor: the world frame waits for enough time.
    if (!world_frame_due(ms)) return true;
    if (!server_frame(server_get(), ms)) return false;
    timer_restart(step_timer);
    return true;
}

bool engine_main_pass(engine_session& session) {
    kernel& k = kernel_get();
    server& srv = server_get();
    timer_restart(session.frame_timer);
    sys_pump_messages();
    // The music's end of the tune comes with the window's messages.
    music_handle_events(k.sound);
    // SIGINT and SIGTERM end the program as the console's "quit" does.
    if (sys_stop_requested()) {
        sys_clear_stop_request();
        if (k.running) kernel_stop(k);
    }
    if (!engine_tick_network() || !engine_tick_service()) return false;
    // A stop that came during start-up ends the program before the level loads.
    if (k.running && !engine_tick_world()) {
        session.failed = true;
        return false;
    }
    if (!kernel_tick(k)) {
        server_shutdown(srv);
        return false;
    }

    const int32_t frame_ms = timer_elapsed_ms(session.frame_timer);
    gfx_statistics& stats = k.graphics.statistics;
    stats.last_frame_ms = frame_ms;
    stats.accumulated_frame_ms = wrapping_add(stats.accumulated_frame_ms, frame_ms);
    for (int i = 0; i < 2; ++i)
        stats.frame_counter_totals[i] = wrapping_add(stats.frame_counter_totals[i], stats.frame_counters[i]);
    if (srv.dedicated) sys_sleep(engine_dedicated_sleep_ms(service_settings_get().min_frame_ms, frame_ms));
    return true;
}

void engine_write_statistics() {
    const int64_t total_ms = timer_elapsed_ms64(run_timer());
    const running_time t = engine_running_time(total_ms);
    log_write("*** Run-time stats\n    Running time       : %d days, %d hours, %d minutes, %d seconds\n",
              t.days, t.hours, t.minutes, t.seconds);
    if (server_get().dedicated) return;
    const kernel& k = kernel_get();
    // No frame or no time yet gives 0, not a division by zero.
    const double frames = k.frame_count;
    const double average_fps = total_ms > 0 ? frames * 1000.0 / static_cast<double>(total_ms) : 0.0;
    const double average_ms = k.frame_count > 0 ? static_cast<double>(total_ms) / frames : 0.0;
    log_write(
        "    Total frames       : %d\n    Average FPS        : %g\n    Average frame time : %g msec\n"
        "    Slowest frame time : %d msec\n    Fastest frame time : %d msec\n",
        k.frame_count, average_fps, average_ms, k.slowest_render_ms, k.fastest_render_ms);
}

int engine_shut_down(engine_session& session) {
    sys_show_task_bar();
    log_stamped("Going down...\n");
    if (session.save_options) save_options(kernel_get().options, options_file_path());
    // The display closes here, while the window system is still there.
    kernel_get().graphics.driver.reset();
    log_write("Shutdown procedure completed.\n");
    log_close();
    // A process started as the dedicated server never asks for another one. Every socket is closed
    // before the new process starts, so that it finds its ports free.
    if (service_settings_get().dedicated && !server_get().dedicated) {
        server_session_destroy();
        net_client_get().release_socket();
        net_cleanup();
        return kEngineRelaunch;
    }
    return kEngineDone;
}

int engine_main(int argc, char** argv) {
    engine_session session;
    switch (engine_start_up(session, argc, argv)) {
        case start_up_result::help:
            return kEngineHelp;
        case start_up_result::no_directx:
            return kEngineFailed;
        case start_up_result::run:
            while (engine_main_pass(session)) {
            }
            if (kernel_get().failed) session.failed = true;
            engine_write_statistics();
            break;
        case start_up_result::shut_down:
            session.failed = true;
            break;
    }
    const int result = engine_shut_down(session);
    return session.failed && result == kEngineDone ? kEngineFailed : result;
}

std::vector<std::string> engine_relaunch_words(int argc, const char* const* argv) {
    std::vector<std::string> words;
    // An earlier "--dedicated=" word would win over the one added last: it is left out.
    const std::string_view dedicated_prefix = "--dedicated=";
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr && !std::string_view(argv[i]).starts_with(dedicated_prefix))
            words.emplace_back(argv[i]);
    }
    words.emplace_back(kDedicatedOption);
    return words;
}

bool engine_relaunch(int argc, const char* const* argv) {
    return sys_spawn_self(engine_relaunch_words(argc, argv));
}

}  // namespace kv
