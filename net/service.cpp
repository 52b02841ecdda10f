#include "net/service.h"

#include <filesystem>

#include "data/file_stream.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/server_session.h"
#include "util/text.h"

namespace kv {
namespace {

// The three team limits together never pass the slots of a round.
constexpr int32_t kMaxTeamPlayers = 30;
constexpr const char* kModeNames[] = {"arcade", "realistic", "custom"};
constexpr int32_t kCustomMode = 2;
// The network configuration the session reads, under the data directory.
constexpr const char* kSessionNetConfig = "net.cfg";

const char* yes_no(bool value) {
    return value ? "yes" : "no";
}

bool set_value(service_settings& st, const std::string& key, const std::string& value,
               const std::string& rest) {
    bool* const flags[] = {&st.dedicated, &st.friendly_fire, &st.iron_sights, &st.free_camera, &st.id_tags};
    const char* const flag_keys[] = {"dedicated", "friendly-fire", "iron-sights", "free-camera", "id-tags"};
    for (std::size_t i = 0; i < std::size(flags); ++i) {
        if (key == flag_keys[i]) {
            *flags[i] = value == "yes";
            return true;
        }
    }
    if (key == "server-name") {
        // A name may hold ':': everything after the key, without its quotes.
        // A key without a colon gives the empty name.
        std::string name = rest.size() > key.size() ? rest.substr(key.size() + 1) : std::string();
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        st.server_name = name;
    } else if (key == "server-port") {
        st.server_port = str_to_int(value);
    } else if (key == "net-mode") {
        if (value == "lan") {
            st.net_mode = 0;
        } else if (value == "inet") {
            st.net_mode = 1;
        } else if (value == "local") {
            st.net_mode = 2;
        } else {
            return false;
        }
    } else if (key == "game-mode") {
        st.game_mode = kCustomMode;
        if (value == kModeNames[0]) st.game_mode = 0;
        if (value == kModeNames[1]) st.game_mode = 1;
    } else if (key == "pkg-name") {
        st.packages.push_back(value);
    } else if (key == "bots-setup") {
        st.bots_setup = value;
    } else if (key == "max-fps") {
        st.max_fps = str_to_int(value);
        if (st.max_fps > 0) st.min_frame_ms = 1000 / st.max_fps;
    } else {
        const std::pair<const char*, int32_t*> numbers[] = {
            {"round-time", &st.round_time},     {"freeze-time", &st.freeze_time},
            {"report-time", &st.report_time},   {"levelending-time", &st.levelending_time},
            {"death-time", &st.death_time},     {"campaign-time", &st.campaign_time},
            {"respawn-time", &st.respawn_time}, {"maxplayers1", &st.maxplayers1},
            {"maxplayers2", &st.maxplayers2},   {"maxplayers3", &st.maxplayers3},
        };
        for (const auto& [name, field] : numbers) {
            if (key == name) *field = str_to_int(value);
        }
    }
    return true;
}

// The script that the relaunched process reads back: no "dedicated" line, so its "start" serves in
// that process.
bool write_relaunch_script(const service_settings& st) {
    const std::string path = server_get().write_dir + kSettingsScriptName;
    file_stream out;
    if (!file_stream_open(out, path, kFileWrite | kFileCreate | kFileTruncate)) {
        log_write("[game] *ERROR* Settings script `%s' could not be written: no relaunch\n", path.c_str());
        return false;
    }
    const int32_t mode = st.game_mode >= 0 && st.game_mode <= kCustomMode ? st.game_mode : kCustomMode;
    std::vector<std::string> lines = {
        "set server-name:\"" + st.server_name + "\"",
        str_format("set game-mode:%s", kModeNames[mode]),
        str_format("set friendly-fire:%s", yes_no(st.friendly_fire)),
        str_format("set iron-sights:%s", yes_no(st.iron_sights)),
        str_format("set free-camera:%s", yes_no(st.free_camera)),
        str_format("set id-tags:%s", yes_no(st.id_tags)),
        str_format("set server-port:%d", st.server_port),
        str_format("set net-mode:%s", st.net_mode == 0 ? "lan" : "inet"),
        str_format("set round-time:%d", st.round_time),
        str_format("set freeze-time:%d", st.freeze_time),
        str_format("set report-time:%d", st.report_time),
        str_format("set death-time:%d", st.death_time),
        str_format("set campaign-time:%d", st.campaign_time),
        str_format("set maxplayers1:%d", st.maxplayers1),
        str_format("set maxplayers2:%d", st.maxplayers2),
        str_format("set maxplayers3:%d", st.maxplayers3),
        str_format("set respawn-time:%d", st.respawn_time),
        str_format("set levelending-time:%d", st.levelending_time),
        str_format("set max-fps:%d", st.max_fps),
        "set bots-setup:" + st.bots_setup,
    };
    for (const std::string& name : st.packages) lines.push_back("set pkg-name:" + name);
    lines.push_back("start");
    bool written = true;
    for (const std::string& line : lines) written = file_stream_write_line(out, line) && written;
    file_stream_close(out);
    if (!written) {
        log_write("[game] *ERROR* Settings script `%s' could not be written: no relaunch\n", path.c_str());
        return false;
    }
    return true;
}

bool start(service_settings& st) {
    if (st.running) return false;
    if (st.net_mode == 2) st.dedicated = false;
    service_clamp_team_sizes(st);
    server& srv = server_get();
    if (!srv.dedicated && st.dedicated) {
        if (!write_relaunch_script(st)) return false;
        kernel_stop(kernel_get());
        return true;
    }
    if (st.packages.empty()) {
        log_write("[game] *ERROR* Local KV server failed to start\n");
        return false;
    }
    server_session& session = server_session_get();
    for (const std::string& name : st.packages) session_add_map(session, name);
    server_session_start(session, st.net_mode, st.server_port, st.server_name,
                         srv.data_dir + kSessionNetConfig);
    server_session_local_command(
        session, str_format("times %d %d %d %d %d %d %d", st.freeze_time, st.round_time, st.report_time,
                            st.levelending_time, st.death_time, st.campaign_time, st.respawn_time));
    server_session_local_command(session, "map " + st.packages.front());
    server_session_local_command(
        session, str_format("gsetup %d %d %d %d %d", st.game_mode, st.friendly_fire ? 1 : 0,
                            st.iron_sights ? 1 : 0, st.free_camera ? 1 : 0, st.id_tags ? 1 : 0));
    server_session_local_command(
        session, str_format("teams %d %d %d", st.maxplayers1, st.maxplayers2, st.maxplayers3));
    if (!server_session_is_running(session)) {
        server_session_destroy();
        log_write("[game] *ERROR* Local KV server failed to start\n");
        return false;
    }
    st.running = true;
    srv.hosting = 1;
    log_write("[game] Local KV server service started\n");
    return true;
}

bool stop(service_settings& st) {
    if (!st.running) return false;
    log_write("[game] Local KV server service stopped\n");
    server_session& session = server_session_get();
    server_session_local_command(session, "quit");
    server_session_tick(session, 0);
    // The next start makes a fresh session: new socket, slots, profiles, map list and timers.
    server_session_destroy();
    server_get().hosting = 0;
    st.running = false;
    st.packages.clear();
    return true;
}

}  // namespace

service_settings& service_settings_get() {
    return server_get().service;
}

void service_settings_init(service_settings& settings) {
    settings = service_settings();
}

std::string service_config_path() {
    const server& srv = server_get();
    const std::string written = srv.write_dir + kSettingsScriptName;
    std::error_code error;
    if (std::filesystem::is_regular_file(written, error)) return written;
    return srv.data_dir + kSettingsScriptName;
}

bool service_load_config(service_settings& settings) {
    file_stream in;
    if (!file_stream_open(in, service_config_path(), kFileRead)) return false;
    std::string line;
    while (file_stream_read_line(in, line) && !line.empty()) service_command(settings, line);
    file_stream_close(in);
    return true;
}

bool service_command(service_settings& settings, const std::string& line) {
    const std::size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank);
    if (word == "set") {
        if (blank != std::string::npos) {
            const std::string rest = line.substr(blank + 1);
            if (!set_value(settings, str_field_or_empty(rest, 0, ':'), str_field_or_empty(rest, 1, ':'),
                           rest))
                return false;
        }
        return !settings.running;
    }
    if (word == "start") return start(settings);
    if (line == "stop") return stop(settings);
    return false;
}

bool service_tick(service_settings& settings, int32_t elapsed_ms) {
    if (!settings.running) return true;
    return server_session_tick(server_session_get(), elapsed_ms);
}

void service_clamp_team_sizes(service_settings& settings) {
    int32_t* const limits[] = {&settings.maxplayers1, &settings.maxplayers2, &settings.maxplayers3};
    for (int32_t* limit : limits) *limit = std::max(*limit, 0);
    while (*limits[0] + *limits[1] + *limits[2] > kMaxTeamPlayers) {
        int32_t* largest = limits[2];
        for (int32_t* limit : {limits[1], limits[0]}) {
            if (*limit > *largest) largest = limit;
        }
        --*largest;
    }
}

}  // namespace kv
