#pragma once
// The local server service: the settings of a locally hosted game and the lines that change them
// ("set <key>:<value>", "start", "stop"), from the settings script "mp.cfg", the host-game screen and
// the engine's stop path. "start" turns the settings into a server session in this process, or, when
// the dedicated setting is on in a process that is not yet the dedicated server, rewrites "mp.cfg"
// and stops the engine so that the program starts itself again as the dedicated server.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

inline constexpr int32_t kDefaultMinFrameMs = 33;
inline constexpr int32_t kDefaultServerPort = 57778;
inline constexpr const char* kSettingsScriptName = "mp.cfg";

struct service_settings {
    bool running = false;    // a session was started by this service and not stopped
    bool dedicated = false;  // asks the main routine for the relaunch as dedicated server
    bool friendly_fire = false;
    bool iron_sights = false;
    bool free_camera = false;
    bool id_tags = false;
    std::string server_name = "KV Server";
    int32_t net_mode = 0;   // 0 lan, 1 inet, 2 local
    int32_t game_mode = 0;  // 0 arcade, 1 realistic, 2 custom
    int32_t server_port = kDefaultServerPort;
    int32_t round_time = 300;  // minutes
    int32_t freeze_time = 3;   // seconds
    int32_t report_time = 5;
    int32_t levelending_time = 10;
    int32_t death_time = 10;
    int32_t campaign_time = 0;  // minutes; 0 no limit
    int32_t respawn_time = 0;   // seconds; 0 no respawning
    int32_t maxplayers1 = 10;
    int32_t maxplayers2 = 10;
    int32_t maxplayers3 = 10;
    int32_t max_fps = 30;
    int32_t min_frame_ms = kDefaultMinFrameMs;  // 1000 / max_fps
    std::string bots_setup;
    std::vector<std::string> packages;  // the first starts, the list is the map cycle
};

// The service settings that the world server embeds.
service_settings& service_settings_get();

// Fills the settings with their defaults (world server start-up).
void service_settings_init(service_settings& settings);
// Reads the settings script line by line into `service_command`, up to its first empty line; false
// when it cannot be opened.
bool service_load_config(service_settings& settings);
// The path of the settings script that `service_load_config` reads.
std::string service_config_path();
bool service_command(service_settings& settings, const std::string& line);
// Once a main-loop pass: while a server runs in this process, the session's tick. False asks the
// engine to stop.
bool service_tick(service_settings& settings, int32_t elapsed_ms);
// Lowers the largest team limit (the later team on a tie) until the three sum to at most 30.
void service_clamp_team_sizes(service_settings& settings);

}  // namespace kv
