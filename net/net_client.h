#pragma once
// The client side of the game protocol. One lives in each world server: it binds its own UDP port,
// runs one request at a time (binding the port, a server list, or a text command awaiting its reply),
// keeps the connection to one game server, applies what that server sends (game snapshots, player
// states, world events, profiles, commands and events) to its world server, and sends the states of
// the players driven here and the local world events once per send interval. A listen server's own
// client talks to the session of the same process through this very path, over UDP.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/timer.h"
#include "net/net_peer.h"
#include "net/packet.h"
#include "net/player_state.h"

namespace kv {

struct server;
struct dropped_weapon;
struct grenade_values;

inline constexpr uint16_t kClientPort = 57777;
inline constexpr uint16_t kMasterPort = 57776;

// Request kinds.
inline constexpr int32_t kRequestNone = 0;
inline constexpr int32_t kRequestBindPort = 1;
inline constexpr int32_t kRequestServerList = 2;
inline constexpr int32_t kRequestCommand = 3;

// Request states.
inline constexpr int32_t kRequestIdle = 0;
inline constexpr int32_t kRequestWaiting = 1;
inline constexpr int32_t kRequestReplied = 2;
inline constexpr int32_t kRequestRanOut = 4;  // the countdown ended with something answered
inline constexpr int32_t kRequestTimedOut = 5;
inline constexpr int32_t kRequestNetworkDown = 6;

inline constexpr int32_t kCommandCountdownMs = 8000;
inline constexpr int32_t kLanListCountdownMs = 1000;
inline constexpr int32_t kMasterListCountdownMs = 5000;
inline constexpr int32_t kRefreshCountdownMs = 2000;
inline constexpr int32_t kDefaultSendIntervalMs = 20;
inline constexpr int32_t kMinSendIntervalMs = 16;
// The largest event-stream packet a flush sends.
inline constexpr std::size_t kMaxEventPacketBytes = 1024;

// A listed server, also the one the session talks to.
struct server_entry {
    uint32_t address = 0;  // host order
    uint16_t port = 0;
    std::string name;
    uint16_t tag = 0;
    std::string map;
    int32_t numbers[3] = {};  // the three numbers after the map name in the server's status line
    int32_t answered = -1;    // -1 until the server answered a hello
    int32_t ping = 0;         // milliseconds
};

class net_client : public net_peer {
public:
    // `world` is the world server that owns the session; `log_level` its network log level.
    net_client(server& world, const int& log_level, std::unique_ptr<datagram_socket> socket = nullptr);
    ~net_client() override;

    void tick(int32_t elapsed_ms) override;

    server& world;
    std::string profile_name = "Player";
    std::string server_name_setting = "KV Server";
    std::string master_address_text;
    uint32_t master_address = 0;
    uint16_t master_port = kMasterPort;
    int32_t request_kind = kRequestBindPort;
    std::string command_text;
    std::string password_digest;
    std::string status_text;
    int32_t request_result = -1;
    uint32_t next_request_id = 0;
    uint32_t request_id_in_flight = 0;
    int32_t request_state = kRequestIdle;
    int32_t countdown = 0;
    bool answered = false;
    bool login_pending = false;
    bool list_source = false;
    bool lan_mode = true;
    bool answer_pings = false;
    bool connected = false;
    int32_t silence = 0;
    std::vector<std::string> command_queue;
    int32_t send_interval = kDefaultSendIntervalMs;
    int32_t speed_limit = 20;
    std::vector<server_entry> servers;
    server_entry current_server;
    packet event_stream{kPacketWorldSnapshot};
    // Offsets in the stream where a creating record starts (a settings record stays with it).
    std::vector<std::size_t> event_groups;
    std::vector<player_state> local_players;
    // The port the binding tries first (57777 after `client_settings_init`; 0 lets the system choose).
    uint16_t client_port = kClientPort;
    // The player this client drives, as the server gave it at login.
    int32_t local_player_id = 0;
    // The host screen's values bound to options.
    int32_t round_time_setting = 5;
    int32_t campaign_time_setting = 0;
    int32_t net_speed_setting = 0;

    // The send pass's timer (started on first use), the LAN wait's and the refresh's.
    std::unique_ptr<timer> send_timer;
    timer lan_timer;
    timer refresh_timer;
    int32_t servers_received = 0;
    int32_t servers_announced = 0x7FFFFFFF;
    int32_t servers_answered = 0;

protected:
    // A datagram from an address without a record: only during a list request, from the current
    // server, or from a master. Strangers are dropped unseen.
    bool admit(uint32_t address, uint16_t port, const packet& p) override;
};

// The world server's client session (the kernel's and the console's).
net_client& net_client_get();

// The per-tick step; false only while the session is dead (the port could not be bound).
bool net_client_tick(net_client& client, int32_t elapsed_ms);
// The client's port, 57777, and its options ("lastprof", "lastsname", "lastrndtm", "lastcmpgntm",
// "lastnetspeed").
bool client_settings_init(net_client& client);
// The master server's address, from the configuration key "master".
void client_set_master_address(net_client& client, const std::string& address);
// Request state, countdown and kind 0 (the server-list screen).
void client_reset_state(net_client& client);
// While connected "FLD 2" and 0; else LAN mode for mode 0 ("OK 0"), the master list for any other
// ("OK 1"), and 1.
int32_t client_set_mode(net_client& client, int32_t mode);
// A speed above 50 sets the send interval to 1000 / (speed / 40); a limit above 0 the speed limit;
// the interval is never below 16 ms.
int32_t client_set_net_speed(net_client& client, int32_t speed, int32_t limit);
// The status or reply text, emptied.
std::string client_take_status_text(net_client& client);
// -1 while a request runs, 0 when the last one failed, 1 when it finished.
int32_t client_server_list_result(const net_client& client);
// The same (the hosting start-up's name).
int32_t client_pending_result(const net_client& client);
// While connected: replaces the record with the same player id in the outgoing list, or appends it.
void client_store_player_record(net_client& client, const player_state& state);
bool client_is_connected(const net_client& client);
int32_t client_local_player_id(const net_client& client);
// The current server's packets of one send pass: the local players' states as P-SNAPSHOTs.
void net_client_send_player_snapshot(net_client& client);
// Applies a G-SNAPSHOT body to the world; false (nothing applied) when its header does not read whole.
bool net_client_on_game_snapshot(net_client& client, packet& p);
// One received packet of the current server, handled by its type.
void net_client_handle_packet(net_client& client, packet& p);

// Requests, commands and replies.
int32_t client_request_step(net_client& client, int32_t elapsed_ms);
int32_t client_bind_port(net_client& client);
// -1 when sent or queued, 0 when refused at once (the status text says why).
int32_t client_send_command(net_client& client, const std::string& text, bool from_queue = false);
int32_t client_command_step(net_client& client);
// The current remote's first COMMAND-RESULT with that id, its cursor after the id byte; replies
// with another id are dropped on the way.
bool client_take_reply(net_client& client, packet& out, uint32_t id);
// Choice 0: the server in this process; -1: the current server; k: the k-th listed server.
int32_t client_login(net_client& client, int32_t choice, const std::string& profile_name, bool flag);
int32_t client_login_new_player(net_client& client, uint32_t address, uint16_t port,
                                const std::string& profile_name);
int32_t client_send_blogin(net_client& client, const std::string& text);
int32_t client_send_join(net_client& client, const int32_t (&values)[5]);
int32_t client_send_bye(net_client& client, int32_t player_id);
// The session's last words at exit: "bye 0" goes out at once, ahead of a command still waiting for its
// answer and without waiting for the send interval, so that the server knows the player left. 0 when
// not connected.
int32_t client_send_goodbye(net_client& client);
int32_t client_send_kill(net_client& client, int32_t first, int32_t second);
// Commands without reply: queued reliably to the current server while connected.
void client_send_async_command(net_client& client, const std::string& text);
// "say %d %d %d " followed by the text (chat: to-all flag, number 0; radio: 1, radio number + 1).
int32_t client_send_say(net_client& client, int32_t player_id, int32_t flag, int32_t number,
                        const std::string& text);
int32_t client_send_pickup(net_client& client, uint32_t player_id, int32_t weapon_id, uint8_t kind);
int32_t client_send_goal(net_client& client, const std::string& word, int32_t goal, int32_t team);
int32_t client_send_defused(net_client& client, uint32_t owner, int32_t grenade_id);
// ASYNC-EVENT kind 0: the zone code and the power (clamped to 0-255), the location 0xFFFF when unknown.
int32_t client_send_hit_event(net_client& client, uint32_t attacker, uint32_t victim, int32_t zone,
                              int32_t power, uint16_t location);
// ASYNC-EVENT kind 2: a grenade thrown or placed here.
int32_t client_send_grenade_event(net_client& client, uint32_t owner, const vec3& position,
                                  const vec3& velocity, const grenade_values& values, int32_t sector_index);
// ASYNC-EVENT kind 3: a weapon dropped here, in the sector of that index.
int32_t client_send_drop_event(net_client& client, const dropped_weapon& weapon, int32_t sector_index = -1);
// "setr" of the local player's statistics when they changed.
void client_send_round_stats(net_client& client);
int32_t client_on_async_command(net_client& client, const std::string& text);
void client_on_async_event(net_client& client, packet& p);
// The "base" text of a reply's failure code; null for codes outside 0-14.
const std::string* net_reply_text(const server& world, const std::string& reply);

// The "n_" console commands.
int32_t client_console_command(net_client& client, const std::string& line);

// The world event stream: the writers append one record while connected.
void client_write_impact_event(net_client& client, const vec3& point, const vec3& normal, uint8_t material,
                               uint8_t sector_index);
void client_write_impact_params_event(net_client& client, const std::string& smoke, const std::string& hole,
                                      uint8_t water, float size);
void client_write_explosion_event(net_client& client, const vec3& position, const vec3& scale);
void client_write_explosion_params_event(net_client& client, const std::string& first, uint8_t first_on,
                                         const std::string& second, uint8_t second_on);
void client_write_smoke_event(net_client& client, const vec3& position, const vec3& velocity);
void client_write_smoke_param_event(net_client& client, const std::string& texture);
void client_write_water_ripple_event(net_client& client, const vec3& position, float size,
                                     uint8_t sector_index);
void client_write_water_ripple_params_event(net_client& client, const std::string& texture, uint32_t lifetime,
                                            uint8_t flag);
void client_write_screen_tint_event(net_client& client, uint32_t sector_index, const vec3& position);
void client_write_decal_event(net_client& client, uint16_t key, uint8_t surface_index, uint8_t sector_index);
// Sends the stream in packets of at most 1,024 bytes, cut between records; false when nothing went.
bool net_client_flush_events(net_client& client);
// Replays a received W-SNAPSHOT with the effect echo off.
void client_apply_events(net_client& client, packet& p);

// Server lists.
int32_t client_request_server_list(net_client& client, bool list_source);
int32_t client_list_step(net_client& client);
bool client_parse_server_reply(const std::string& text, server_entry& entry);

}  // namespace kv
