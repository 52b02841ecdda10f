#pragma once
// The world server: the process-wide object that owns the running world: its directories and
// package names, the loaded packages and open archives, the entity list, the player records, the
// pending blasts, thrown grenades and dropped weapons, the text tables, the last game snapshot and
// the game clock. It embeds the network client session, the arty factory and the service settings.
// Once per main-loop pass `server_frame` steps the world, loading the level package first whenever
// the game package changed.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "beings/blast.h"
#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "beings/grenade.h"
#include "game/arty_factory.h"
#include "game/player_record.h"
#include "kernel/timer.h"
#include "net/net_client.h"
#include "net/service.h"
#include "net/snapshot_package.h"
#include "util/text_table.h"

namespace kv {

struct BotCentral;
struct file_stream;
struct mesh_instance;
struct package;
struct pak_archive;
class sector;

// A map found under "maps/": the level record of its package (when spawned) fills the values.
inline constexpr int kMapLevelValues = 7;
struct map_record {
    uint8_t described = 0;
    std::string name;
    int32_t level_values[kMapLevelValues] = {};  // maximum players x3, minimum players x3, time winner
};

// The text tables.
inline constexpr int kTextBase = 0;
inline constexpr int kTextMenu = 1;
inline constexpr int kTextKeys = 2;
inline constexpr int kTextMap = 3;
inline constexpr int kTextTables = 4;

// Load requests of the game object's level load.
inline constexpr int32_t kLoadRequestMenu = 1;
inline constexpr int32_t kLoadRequestMapChange = 2;

using entity_list = std::list<std::unique_ptr<entity>>;
using dropped_weapon_list = std::list<std::unique_ptr<dropped_weapon>>;

// Other subsystems add their fields at the end.
struct server {
    // Run `server_create` and `server_destroy`.
    server();
    ~server();
    server(const server&) = delete;
    server& operator=(const server&) = delete;

    uint8_t level_loaded = 0;      // while 0 the next frame loads
    uint8_t map_follow_latch = 0;  // while 0 each frame compares the snapshot's map with the game package
    uint8_t dedicated = 0;         // a dedicated server: nothing is drawn
    uint8_t hosting = 0;           // this process runs the game server
    uint8_t developer = 0;
    std::string current_map;
    std::string next_map;
    uint32_t join_address = 0;  // host byte order
    uint16_t join_port = 0;
    std::string join_nick;  // empty: no join
    entity_list::iterator entity_cursor;
    dropped_weapon_list::iterator dropped_weapon_cursor;
    std::string data_dir;            // loose data files and "maps/" are found under it
    std::string boot_package;        // the menu package, loaded when the game package cannot be
    // Image files (Targa textures, hit maps) are texture base + sub-directory + name, DDS files
    // texture base + "dds/" + name + suffix, all under the data directory.
    std::string texture_base_dir = "tex/";
    std::string texture_dir = "tga/";  // texture sub-directory of the selected display driver
    std::string lmap_dir;            // light-map files, under the data directory
    std::string write_dir;           // files the program writes
    std::string language_suffix;     // "-" + language + ".txt"
    std::string game_package;        // the level to load next
    std::string current_level_name;  // the package the package loader records as it loads one
    std::vector<std::unique_ptr<pak_archive>> archives;  // searched in order after the loose files
    net_client client{*this, log_level};
    arty_factory factory;
    std::vector<std::unique_ptr<package>> packages;
    entity_list entities;
    std::list<std::unique_ptr<blast>> blasts;
    std::list<std::unique_ptr<grenade>> grenades;
    dropped_weapon_list dropped_weapons;
    std::list<player_record> players;
    // Mesh instances of water surfaces, entered while levels load; each instance leaves the list
    // when it is destroyed with its package.
    std::vector<mesh_instance*> water_instances;
    text_table text_tables[kTextTables];  // "base", "menu", "keys" and the map's
    snapshot_package snapshot;            // the last one applied
    int32_t seconds_left = 0;
    int32_t elapsed_seconds = 0;
    int32_t end_countdown = 0;
    service_settings service;
    int32_t load_request = 0;
    int32_t log_level = 0;  // debug-log level; non-zero makes the player and snapshot updates log
    timer collision_timer;
    timer trace_timer;
    timer trace_second_timer;
    int32_t traces_this_second = 0;
    std::vector<map_record> maps;
    // The bot host this world server owns (its modules unload with the server).
    std::unique_ptr<BotCentral> bot_host;
    BotCentral* bots;

    // Frame bookkeeping: the arty purge's frame counter, the game clock's millisecond accumulator and
    // timer, and the player step's timer (the timers start with their first use).
    int32_t purge_counter = 0;
    int32_t clock_accumulator = 0;
    std::unique_ptr<timer> clock_timer;
    int64_t clock_timer_counted_ms = 0;  // of the clock timer's time, what the accumulator has taken
    std::unique_ptr<timer> player_step_timer;
    uint8_t connecting = 0;  // the hosting client's login is under way
    // The interface's: the `--language` value as given and the two key-binding texts that the options
    // screen fills and the controls screen shows.
    std::string language = "en";
    std::string binding_keys_text;
    std::string binding_labels_text;
    // The bot line the host screen leaves for the bot login; the briefing sends it once joined.
    std::string bot_login;
};

// The process-wide world server, created on first use (after the kernel, which outlives it).
server& server_get();

// What the constructor sets beyond the fields' defaults: the list cursors at their lists' ends.
void server_create(server& srv);
// What the destructor releases: the round state, every entity, every package (and so the arties
// they released), the archives, and its option binding in the kernel. It may run once more.
void server_destroy(server& srv);

// Start-up: the client's settings, the service defaults, the bot host and the option "log_level".
void server_init(server& srv);
// Reads the configuration file under the data directory ("net.cfg": "master:<address>"). False when
// it cannot be opened.
bool server_read_config(server& srv, const std::string& name);
// The lines of a configuration file.
void server_apply_config(server& srv, file_stream& stream);
// One world frame; false only when neither the game package nor the boot-strap package loads.
bool server_frame(server& srv, int32_t elapsed_ms);
// After the main loop: every player record is dropped and the bot host ends.
void server_shutdown(server& srv);
// Fills the map list from the entries of data directory + "maps/", sorted by name.
void server_list_maps(server& srv);
// The first map record of exactly that name, or null.
map_record* server_find_map(server& srv, const std::string& name);
// Steps every ambient sound source of the sector, in table order.
void server_step_ambients(server& srv, const sector& s);

void server_set_dedicated(server& srv, uint8_t dedicated);
void server_set_developer(server& srv, uint8_t developer);
// "a.b.c.d:port" and a nick ("Player" when empty). An address that does not parse, or a port above
// 65535, leaves the join nick empty: no join is made.
void server_set_join_address(server& srv, const std::string& address, const std::string& nick);
void server_set_boot_package(server& srv, const std::string& name);
void server_set_texture_dir(server& srv, const std::string& dir);
void server_set_texture_base_dir(server& srv, const std::string& dir);
// The data-directory path of an image file: texture base + sub-directory + name.
std::string server_image_path(const server& srv, const std::string& name);
// The data-directory path of a pre-compressed texture: texture base + "dds/" + name + suffix.
std::string server_dds_path(const server& srv, const std::string& name, const std::string& suffix);
void server_set_lmap_dir(server& srv, const std::string& dir);
void server_set_write_dir(server& srv, const std::string& dir);
void server_set_language(server& srv, const std::string& language);
// Names the level that the next frame loads (again, when it is the same).
void server_set_game_package(server& srv, const std::string& name);
// True when a level is loaded and it is the game package.
bool server_game_package_loaded(const server& srv);

// Entry `index` of a text table; the empty text when the table has no such entry.
const std::string& server_text(const server& srv, int table, int index);

// Opens a data file: with `write`, write directory + name (created or truncated); else data
// directory + name, or, when that is missing, the chunk of exactly that name in the first archive
// holding one. Null when neither has it.
std::unique_ptr<file_stream> server_open_file(server& srv, const std::string& name, bool write);

}  // namespace kv
