#pragma once
// The bot host: loads the bot modules ("*.kvb") from the bot folder, hands each the engine table,
// keeps one bot per module for every player, forwards game events to the modules, lets the bots think
// every frame and drives their players with what they decide, answers the "b_" console commands and
// draws the debug shapes that modules ask for.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bots/goal_record.h"
#include "bots/kvbot_abi.h"
#include "platform/dll.h"

namespace kv {

struct server;

inline constexpr std::size_t kBotMaxModules = 100;
inline constexpr int32_t kBotDefaultLogLevel = 50;
// No player's command queue grows beyond this many codes through the bots.
inline constexpr std::size_t kBotMaxQueuedCodes = 1024;

struct bot_module {
    explicit bot_module(const std::string& path) : library(path) {}

    dll library;  // its name is the full path
    // The module's texts, copied when bound (null gives "").
    std::string name;
    std::string description;
    std::string copyright;
    std::string author;
    std::string url;
    std::string family;
    uint32_t version = 0;  // bits 8-15 major, 0-7 minor
    uint32_t module_id = 0;
    uint32_t interface_version = 0;
    bool initialised = false;  // Initialize has run
    kvbot_void_fn deinitialize = nullptr;
    kvbot_module_table table{};
};

struct bot_record {
    uint8_t module = 0;  // place in the module list
    uint32_t handle = 0;
    uint8_t active = 0;
    uint32_t player_id = 0;
    std::string player_name;
    std::string config_file;
};

// Debug shapes that modules add through the engine table; a freed record keeps its place.
struct bot_debug_line {
    uint8_t in_use = 0;
    float from[3] = {};
    float to[3] = {};
    uint8_t colour[3] = {};
    uint8_t flags = 0;
};
struct bot_debug_point {
    uint8_t in_use = 0;
    float position[3] = {};
    uint8_t colour[3] = {};
    uint8_t flags = 0;
};
struct bot_debug_text {
    uint8_t in_use = 0;
    std::string text;
    float position[3] = {};
    uint8_t colour[3] = {};
    uint8_t flags = 0;
};

struct BotCentral {
    BotCentral() = default;
    // Unloads the modules in load order.
    ~BotCentral();
    BotCentral(const BotCentral&) = delete;
    BotCentral& operator=(const BotCentral&) = delete;

    std::vector<std::unique_ptr<bot_module>> modules;
    std::string directory;
    std::vector<bot_record> bots;
    std::vector<std::string> configs;
    std::string default_config = "default";
    uint8_t enabled = 0;
    uint8_t round_running = 0;
    uint8_t ready = 0;
    std::string display_text;
    kvbot_engine_table engine{};
    int32_t log_level = kBotDefaultLogLevel;
    std::vector<bot_debug_line> lines;
    std::vector<bot_debug_point> points;
    std::vector<bot_debug_text> texts;
    // The world server the engine entries reach; null: `server_get()`.
    server* world = nullptr;
};

// The program's one bot host (the world server's).
BotCentral& bot_central_get();

// Start-up: fills the engine table, loads and checks the modules of `directory`, lists them and reads
// the configuration names. The world server's start-up passes "./bot".
void botc_start(BotCentral& bots, const std::string& directory);
// Shutdown: the bots end; the modules stay loaded until the host is destroyed.
void botc_end(BotCentral& bots);
// Unloads the modules in load order (the bots are forgotten, not destroyed).
void botc_unload_modules(BotCentral& bots);
// Hosting a game turns the host on; the multiplayer screens turn it off.
void botc_enable(BotCentral& bots, bool enabled);
void botc_set_default_config(BotCentral& bots, const std::string& name);
// Reads the names of "*.cfg" in the directory; 3 when there is none, else 0.
int32_t botc_read_configs(BotCentral& bots, const std::string& directory);

// The engine table's host: entries reach this host and the world server.
void botc_fill_engine_table(BotCentral& bots);
// A host being destroyed: the entries reach no host.
void botc_forget_engine_table(BotCentral& bots);

// Game side (everything does nothing while the host is not enabled).
void botc_level_start(BotCentral& bots, const std::string& level_name);
void botc_level_change(BotCentral& bots);
void botc_add_player(BotCentral& bots, uint32_t player_id, uint8_t active);
void botc_remove_player(BotCentral& bots, uint32_t player_id);
void botc_player_event_2(BotCentral& bots, uint32_t player_id);
void botc_player_event_3(BotCentral& bots, uint32_t player_id);
void botc_broadcast_event(BotCentral& bots, int32_t kind, const bot_game_event& event);
void botc_radio_message(BotCentral& bots, uint32_t player_id, uint32_t message);
void botc_round_start(BotCentral& bots);
void botc_round_end(BotCentral& bots, uint8_t value);
void botc_notify_player_bots(BotCentral& bots, uint32_t player_id);
// Per frame: the modules think and active bots' codes and view values go to their players.
void botc_think(BotCentral& bots);
// The text after "b_": 0, 1 (an error, logged) or 2 (some bot answered).
int32_t botc_console_command(BotCentral& bots, const std::string& text);
// Destroys every bot (the module's destroy slot) and empties the list.
void botc_destroy_all_bots(BotCentral& bots);

// Draws the debug shapes: 0 from each viewport, 1 from the overlay pass. Runs even while disabled.
void bot_debug_draw(BotCentral& bots, int32_t flag);

}  // namespace kv
