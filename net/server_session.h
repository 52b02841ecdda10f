#pragma once
// The game server's side of a hosted game: one process-wide session, created on first use and
// destroyed at program end, that owns the game snapshot with its player slots, the profile table,
// the map list, the administrator password, the session log and the round and map machine. The
// network server's command table parses what players send and calls the operations here; each
// answers with the reply text ("OK", "OK %d" or "FLD <code>"). Players are known to clients only
// through the snapshots and profiles the session sends.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/player_record.h"
#include "kernel/timer.h"
#include "net/net_server.h"
#include "net/profile_table.h"
#include "net/server_session_interface.h"
#include "net/session_log.h"
#include "net/snapshot_package.h"

namespace kv {

struct map_record;

inline constexpr int32_t kNetModeLan = 0;
inline constexpr int32_t kNetModeInternet = 1;
inline constexpr int32_t kNetModeLocal = 2;
inline constexpr int kSessionTeams = 3;
inline constexpr uint32_t kFirstHumanId = 100;
inline constexpr std::size_t kMaxSessionSlots = 64;
// The hosting client's nick.
inline constexpr const char* kHostNick = "!q!";

// The seven durations of "times", in seconds.
struct session_times {
    int32_t freeze = 0;
    int32_t round = 0;
    int32_t report = 0;
    int32_t levelending = 0;
    int32_t death = 0;
    int32_t campaign = 0;  // 0: no campaign limit
    int32_t respawn = 0;   // 0: no respawning
};

// The command table's calls (overrides below) decide who may act: the requester's own slots, any
// slot for the service's own lines and the hosting client.
struct server_session : public server_session_interface {
    server_session();
    ~server_session() override;
    server_session(const server_session&) = delete;
    server_session& operator=(const server_session&) = delete;

    int32_t net_mode = kNetModeLan;
    bool running = false;
    std::string data_dir;
    session_times times;
    int32_t max_players[kSessionTeams] = {};  // team limits
    profile_table profiles;
    timer state_timer;
    timer death_timer;
    timer map_timer;
    timer respawn_timer;
    int32_t state_duration = 0;
    std::string server_name;
    std::string password;  // the administrator's, as digest text; a new session holds that of the empty text
    std::string current_map;  // names of the world server's map records; empty: none
    std::string next_map;
    std::vector<std::string> maps;
    session_log log;
    bool snapshot_due = false;
    bool d_snapshot_due = false;
    snapshot_package snapshot;
    uint32_t host_address = 0xFFFFFFFFu;  // -1: unknown
    uint16_t host_port = 0;
    uint32_t host_player_id = 0;
    int32_t scheduled_end = 0;  // on the state timer; 0 none
    // The network server, made by the start; null before.
    std::unique_ptr<net_server> network;
    // The socket the next start's network server uses instead of the machine's (tests).
    std::unique_ptr<datagram_socket> next_socket;

    std::string status_line() override;
    std::string admin_password() override;
    std::string connect(const login_request& login, const command_origin& origin) override;
    std::string bot_connect(int32_t team, int32_t specialisation, int32_t skin, const std::string& name,
                            const command_origin& origin) override;
    std::string join(const int32_t (&values)[5], const command_origin& origin) override;
    std::string bye(int32_t player_id, const command_origin& origin) override;
    void hit(const int32_t (&values)[5], const command_origin& origin) override;
    void message(int32_t sender, int32_t to_all, int32_t number, const std::string& text,
                 const command_origin& origin) override;
    std::string kill(int32_t first, int32_t second, const command_origin& origin) override;
    std::string map_change(const std::string& name, const std::string& password,
                           const command_origin& origin) override;
    std::string round_times(const int32_t (&values)[7], const command_origin& origin) override;
    std::string game_setup(int32_t mode, const bool (&flags)[4], const command_origin& origin) override;
    std::string team_limits(const int32_t (&limits)[3], const command_origin& origin) override;
    std::string kick(const std::string& nick, const std::string& password,
                     const command_origin& origin) override;
    bool quit_check(const std::string& password, const command_origin& origin) override;
    void profile_merge(const std::string& line, bool full) override;
    std::string profile_line(int32_t player_id) override;
    void profile_remove(int32_t player_id) override;
    std::string state_text() override;
    std::string restart(const std::string& password, const command_origin& origin) override;
    void goal(const std::string& word, const std::string& goal, const std::string& team,
              const command_origin& origin) override;
    std::string password_change(const std::string& new_password, const std::string& password,
                                const command_origin& origin) override;
    void replicated(packet& p, const command_origin& origin) override;
    int32_t player_at(uint32_t address, uint16_t port) override;
    bool timed_out(int32_t silent_seconds) override;
    void remote_lost(uint32_t address, uint16_t port) override;
    int32_t player_ping(int32_t player_id) override;
    void report_ping(int32_t player_id, int32_t half_round_trip_ms) override;
    bool send_snapshots(net_server& server) override;
    bool send_profiles(net_server& server, uint32_t address, uint16_t port) override;
    void end_tick(net_server& server) override;
};

// The session, made on first use.
server_session& server_session_get();
// Ends the session: made anew by the next `server_session_get`.
void server_session_destroy();

// Stores the mode and name, reads the network configuration (the session runs when it could) and
// opens the network server on the port.
void server_session_start(server_session& s, int32_t net_mode, int32_t port, const std::string& name,
                          const std::string& net_config_path);
// "server-name:<name>" and "master:<address>" lines; false when the file cannot be opened.
bool server_session_read_net_config(server_session& s, const std::string& path);
// The session log, round and map machine and death step while running, then the network server's
// tick; false when the network server stops.
bool server_session_tick(server_session& s, int32_t elapsed_ms);
// A command as the service gives it, run like a received one without a reply; "quit" first ends the
// session and closes its log.
void server_session_local_command(server_session& s, const std::string& text);
bool server_session_is_running(const server_session& s);
void session_add_map(server_session& s, const std::string& name);

// Sending, to the peers of human slots.
void server_session_send_game_snapshot(server_session& s);
void server_session_send_d_snapshot(server_session& s);
// True when a PROFILES packet went to that peer.
bool session_send_profiles(server_session& s, uint32_t address, uint16_t port);
void session_clear_profile_changes(server_session& s);
void session_send_to(server_session& s, const packet& p, uint32_t address, uint16_t port, bool reliable);
void session_send_to_players(server_session& s, const packet& p, bool reliable);
// To every human peer but the given one.
void session_relay_to_others(server_session& s, const packet& p, uint32_t address, uint16_t port,
                             bool reliable);
// The snapshot in the quitting state, to that peer only.
void session_send_farewell_snapshot(server_session& s, uint32_t address, uint16_t port);
// The player's profile line to the master server (internet mode).
void session_send_profile_to_master(server_session& s, uint32_t id);

// What the game-listing service's queries are answered with.
void session_listing_info(server_session& s, listing_info& info);

// The world server's record of the current map; null when there is none or it is not listed.
map_record* session_current_map(server_session& s);
// Whether the current map's record has been described by its level.
bool session_map_valid(server_session& s);
// Marks the snapshot for the next G-SNAPSHOT.
void session_mark_snapshot(server_session& s);
// Entry of the "base" text table filled with the values (the safe formatter).
std::string session_text(int32_t entry, const std::vector<std::string>& values);
// The same on the console; a missing entry shows nothing.
void session_console(int32_t entry, const std::vector<std::string>& values);
// The admin password digest of a text.
std::string session_password_digest(const std::string& text);
bool session_check_password(const server_session& s, const std::string& password);

}  // namespace kv
