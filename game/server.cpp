#include "game/server.h"

#include "bots/bot_central.h"
#include "data/file_stream.h"
#include "data/package.h"
#include "data/pak_archive.h"
#include "data/reference_list.h"
#include "game/game_events.h"
#include "game/server_entities.h"
#include "game/server_load.h"
#include "game/server_snapshot.h"
#include "game/server_world.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/dir_search.h"
#include "platform/udp_socket.h"
#include "sound/ambient_source.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kBotDirectory = "./bot";
constexpr const char* kDefaultJoinNick = "Player";
constexpr const char* kLogLevelOption = "log_level";
constexpr uint32_t kMaxPort = 65535;
constexpr int32_t kStatisticsWindowMs = 1000;
// The arty purge runs when the frame counter read was above this: every 102nd frame.
constexpr int32_t kPurgeCounterLimit = 100;

// Unloads a level package and destroys the arties it released.
void unload_level(server& srv, const std::string& name) {
    if (name.empty()) return;
    if (package* p = package_list_find(srv.packages, name)) package_destroy(srv, *p);
    arty_factory_clear_callbacks(srv.factory);
    arty_factory_collect(srv.factory);
}

// The level load of a frame: the game package, else the boot-strap package. False when neither loads.
bool load_level(server& srv) {
    gfx_disable_drawing(kernel_get().graphics);
    unload_level(srv, srv.current_level_name);
    if (!srv.game_package.empty()) {
        if (server_load_game_package(srv, srv.game_package)) {
            srv.level_loaded = 1;
            server_load_text_tables(srv, srv.game_package);
            botc_level_start(*srv.bots, srv.game_package);
        } else {
            log_write("*ERROR* game package `%s' couldn't open correctly.\n",
                      log_printable(srv.game_package).c_str());
            // What the failed load read goes with it: its pending references would fail the boot-strap
            // package, and a half-resolved level must not count as loaded when it is chosen again.
            unload_level(srv, srv.game_package);
        }
    }
    if (srv.level_loaded) return true;
    srv.level_loaded = server_load_game_package(srv, srv.boot_package) ? 1 : 0;
    if (srv.level_loaded) return true;
    log_write("*FATAL* error - couldn't open boot-strap package. Quitting ...\n");
    return false;
}

// The once-a-second trace statistics.
void write_trace_statistics(server& srv, gfx_realtime_statistics& stats) {
    if (timer_elapsed_ms(srv.trace_second_timer) < kStatisticsWindowMs) return;
    stats.rays_last_second = srv.traces_this_second;
    stats.ray_ms_last_second = timer_section_total_ms(srv.trace_second_timer);
    if (stats.ray_ms_last_second > stats.max_ray_ms) {
        stats.max_ray_ms = stats.ray_ms_last_second;
        stats.rays_at_max = stats.rays_last_second;
    }
    srv.traces_this_second = 0;
    timer_restart(srv.trace_second_timer);
}

void update_entities(server& srv) {
    for (auto it = srv.entities.begin(); it != srv.entities.end();) {
        entity& e = **it++;
        entity_update(e, 0);
    }
}

}  // namespace

server::server() : factory(this), bot_host(std::make_unique<BotCentral>()), bots(bot_host.get()) {
    bots->world = this;
    server_create(*this);
}

server::~server() {
    server_destroy(*this);
    // The modules unload here, before the kernel goes.
    bot_host.reset();
    bots = nullptr;
}

void server_create(server& srv) {
    srv.entity_cursor = srv.entities.end();
    srv.dropped_weapon_cursor = srv.dropped_weapons.end();
}

void server_destroy(server& srv) {
    server_round_reset(srv);
    srv.entity_cursor = srv.entities.end();
    for (const auto& e : srv.entities) entity_destroy(*e);
    srv.entities.clear();
    // Every package still loaded is destroyed once; its imports may go with it.
    while (!srv.packages.empty()) package_destroy(srv, *srv.packages.front());
    // The arties the packages released go now, while the lists they may reach are still whole.
    arty_factory_clear_callbacks(srv.factory);
    arty_factory_collect(srv.factory);
    srv.archives.clear();
    // The option registry must not keep the address of a field about to go.
    option_registry& options = kernel_get().options;
    const auto bound = options.bindings.find(std::string("I") + kLogLevelOption);
    if (bound != options.bindings.end() && bound->second == option_binding(&srv.log_level))
        options.bindings.erase(bound);
}

server& server_get() {
    // The reference list and the kernel outlive the world server: its packages drop their references
    // from the list, and it unbinds its option from the kernel's registry.
    ref_list();
    kernel_get();
    static server instance;
    return instance;
}

void server_init(server& srv) {
    client_settings_init(srv.client);
    service_settings_init(srv.service);
    srv.level_loaded = 0;
    srv.map_follow_latch = 1;
    srv.hosting = 0;
    srv.developer = 0;
    srv.game_package.clear();
    botc_start(*srv.bots, kBotDirectory);
    srv.log_level = 0;
    option_registry_add_int(kernel_get().options, kLogLevelOption, &srv.log_level);
    srv.traces_this_second = 0;
}

bool server_read_config(server& srv, const std::string& name) {
    file_stream stream;
    if (!file_stream_open(stream, srv.data_dir + name, kFileRead)) {
        log_write("*WARNING* couldn't open configuration file `%s'.\n", name.c_str());
        return false;
    }
    server_apply_config(srv, stream);
    file_stream_close(stream);
    return true;
}

void server_apply_config(server& srv, file_stream& stream) {
    std::string line;
    while (file_stream_read_line(stream, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::string key = str_field(line, 0, ':');
        // A line without a value gives the empty text, not its key again.
        const std::string value = str_field_or_empty(line, 1, ':');
        if (key == "master") client_set_master_address(srv.client, value);
        // "backup" is accepted and has no effect; other keys are ignored.
    }
}

bool server_frame(server& srv, int32_t) {
    if (!srv.level_loaded && !load_level(srv)) return false;

    gfx_realtime_statistics& stats = kernel_get().graphics.realtime;
    timer frame_timer;
    timer_restart(srv.collision_timer);
    timer_restart(srv.trace_timer);
    write_trace_statistics(srv, stats);

    arty_factory_tick(srv.factory, 0);
    stats.collision_ms = timer_section_total_ms(srv.collision_timer);
    stats.logic_ms = timer_elapsed_ms(frame_timer) - stats.collision_ms;

    timer model_timer;
    update_entities(srv);
    stats.model_ms = timer_elapsed_ms(model_timer);

    arty_factory_post_event(srv.factory, kGameEventCameraView);

    if (srv.purge_counter++ > kPurgeCounterLimit) {
        srv.purge_counter = 0;
        arty_factory_collect(srv.factory);
    }

    server_apply_blasts(srv);
    server_update_grenades(srv);
    server_update_dropped_weapons(srv);
    server_clock_tick(srv);
    console_view_tick(kernel_get().console, 0);
    server_check_map_change(srv);

    timer bot_timer;
    botc_think(*srv.bots);
    stats.bot_ms = timer_elapsed_ms(bot_timer);

    stats.frame_ms = timer_elapsed_ms(frame_timer);
    return true;
}

void server_shutdown(server& srv) {
    server_mark_players_left(srv);
    server_purge_players(srv);
    botc_end(*srv.bots);
}

void server_list_maps(server& srv) {
    srv.maps.clear();
    // The search lists the names sorted.
    for (std::string name = sys_find_first_file(srv.data_dir + "maps/*"); !name.empty();
         name = sys_find_next_file()) {
        if (name.find('.') != std::string::npos || name.find("kvmenu") != std::string::npos) continue;
        map_record map;
        map.name = name;
        srv.maps.push_back(std::move(map));
    }
    sys_find_close();
}

map_record* server_find_map(server& srv, const std::string& name) {
    for (map_record& map : srv.maps) {
        if (map.name == name) return &map;
    }
    return nullptr;
}

void server_step_ambients(server&, const sector& s) {
    for (ambient_source* source : s.ambient_sources.items) ambient_source_tick(*source, s);
}

void server_set_dedicated(server& srv, uint8_t dedicated) {
    srv.dedicated = dedicated;
}

void server_set_developer(server& srv, uint8_t developer) {
    srv.developer = developer;
}

void server_set_join_address(server& srv, const std::string& address, const std::string& nick) {
    srv.join_nick = nick.empty() ? kDefaultJoinNick : nick;
    const std::size_t colon = address.find(':');
    uint32_t port = 0;
    if (colon != std::string::npos) {
        for (std::size_t i = colon + 1; i < address.size() && address[i] >= '0' && address[i] <= '9'; ++i) {
            port = port * 10 + static_cast<uint32_t>(address[i] - '0');
            if (port > kMaxPort) break;
        }
    }
    if (port > kMaxPort) {
        // A wrapped port would join some other server.
        log_write("*WARNING* join port of `%s' is above %u: no join.\n", address.c_str(), kMaxPort);
        srv.join_port = 0;
        srv.join_nick.clear();
        return;
    }
    srv.join_port = static_cast<uint16_t>(port);
    uint32_t parsed = 0;
    if (net_parse_address(address.substr(0, colon), parsed)) {
        srv.join_address = parsed;
    } else {
        log_write("*WARNING* join address `%s' is not a dotted IPv4 address: no join.\n", address.c_str());
        srv.join_nick.clear();
    }
}

void server_set_boot_package(server& srv, const std::string& name) {
    srv.boot_package = name;
}

void server_set_texture_dir(server& srv, const std::string& dir) {
    srv.texture_dir = dir;
}

void server_set_texture_base_dir(server& srv, const std::string& dir) {
    srv.texture_base_dir = dir;
}

std::string server_image_path(const server& srv, const std::string& name) {
    return srv.texture_base_dir + srv.texture_dir + name;
}

std::string server_dds_path(const server& srv, const std::string& name, const std::string& suffix) {
    return srv.texture_base_dir + "dds/" + name + suffix;
}

void server_set_lmap_dir(server& srv, const std::string& dir) {
    srv.lmap_dir = dir;
}

void server_set_write_dir(server& srv, const std::string& dir) {
    srv.write_dir = dir;
}

void server_set_language(server& srv, const std::string& language) {
    srv.language = language;
    srv.language_suffix = "-" + language + ".txt";
}

void server_set_game_package(server& srv, const std::string& name) {
    if (!srv.game_package.empty()) botc_level_change(*srv.bots);
    srv.game_package = name;
    srv.level_loaded = 0;
}

bool server_game_package_loaded(const server& srv) {
    return srv.level_loaded && srv.current_level_name == srv.game_package;
}

const std::string& server_text(const server& srv, int table, int index) {
    static const std::string empty;
    if (table < 0 || table >= kTextTables || index < 0) return empty;
    const std::vector<std::string>& entries = srv.text_tables[table].entries;
    return static_cast<std::size_t>(index) < entries.size() ? entries[static_cast<std::size_t>(index)]
                                                            : empty;
}

std::unique_ptr<file_stream> server_open_file(server& srv, const std::string& name, bool write) {
    auto stream = std::make_unique<file_stream>();
    if (write) {
        // A chunk stream cannot be written: the archives are no place to look.
        if (file_stream_open(*stream, srv.write_dir + name, kFileWrite | kFileCreate | kFileTruncate))
            return stream;
        return nullptr;
    }
    if (file_stream_open(*stream, srv.data_dir + name, kFileRead)) return stream;
    for (const auto& archive : srv.archives) {
        if (!pak_archive_has_chunk(*archive, name)) continue;
        stream = std::make_unique<file_stream>();
        file_stream_open_chunk(*stream, pak_archive_find_chunk(*archive, name));
        return stream;
    }
    return nullptr;
}

}  // namespace kv
