#pragma once
// The client session as the kernel uses it: the "n_" and "s_" console commands, the status text
// printed after each command, the server-list query, and the goodbye on stop.

#include <cstdint>
#include <string>

namespace kv {

struct player_state;
struct dropped_weapon;

struct net_client {};

// The client session that the world server embeds.
net_client& net_client_get();

// Receives, handles replies and sends what is due.
void net_client_tick(net_client& client, int32_t elapsed_ms);
// The "n_" console commands; negative means a reply is awaited.
int32_t client_console_command(net_client& client, const std::string& line);
// Sends a command text to the game server and waits for its reply code.
int32_t client_send_command(net_client& client, const std::string& text, int32_t flags);
// The status or reply text, emptied.
std::string client_take_status_text(net_client& client);
// -1 while a server-list query is pending, else the number of servers received.
int32_t client_server_list_result(const net_client& client);
// Sends "bye %d" to the server.
void client_send_bye(net_client& client, int32_t player_id);

// The client's own port and its options ("lastprof", "lastsname", "lastrndtm", "lastcmpgntm",
// "lastnetspeed"); run once by the world server's start-up.
bool client_settings_init(net_client& client);
// The master server's address, from the configuration key "master".
void client_set_master_address(net_client& client, const std::string& address);
// While in a game: replaces the record of the same player id in the outgoing list, or appends it.
void client_store_player_record(net_client& client, const player_state& state);
// Queues a hit (ASYNC-EVENT kind 0); `position` is packed into 16 bits, 0xFFFF when unknown.
void client_send_hit_event(net_client& client, uint32_t attacker, uint32_t victim, int32_t code,
                           int32_t amount, uint16_t position);
// Reports a weapon dropped here (ASYNC-EVENT kind 3); the answer is handed back to the dropper.
int32_t client_send_drop_event(net_client& client, const dropped_weapon& weapon);
// Asks the server for a dropped weapon: "pickup %u %u %u".
int32_t client_send_pickup(net_client& client, uint32_t player_id, int32_t weapon_id, uint8_t kind);
// Reports a defused charge: "defused %u %d".
int32_t client_send_defused(net_client& client, uint32_t owner, int32_t grenade_id);
// A grenade thrown here: owner, start point, launch velocity, kind, grenade number, model name,
// per-kind byte, sector index and acceleration.
int32_t client_send_grenade_event(net_client& client, uint32_t owner, const vec3& start, const vec3& velocity,
                                  int32_t kind, int32_t number, const std::string& model, uint8_t variant,
                                  int32_t sector_index, const vec3& acceleration);
// "say %d %d %d " followed by the text (chat: to-all flag, number 0; radio: 1, radio number + 1).
int32_t client_send_say(net_client& client, int32_t player_id, int32_t flag, int32_t number,
                        const std::string& text);
// Sends "goal %s %d %d" (the word, the goal number, the team) as a command without reply.
void client_send_goal(net_client& client, const std::string& word, int32_t goal, int32_t team);
// Whether the session is connected to a game server.
bool client_is_connected(const net_client& client);
// The id of the player this client drives on the game server, as the server gave it.
int32_t client_local_player_id(const net_client& client);
// The game mode of the next connection (0 for the hosting client).
void client_set_mode(net_client& client, int32_t mode);
void client_set_net_speed(net_client& client, int32_t in_speed, int32_t out_speed);
// Logs in with a player id (0: any) and a nick; the answer comes as the pending-request result.
void client_login(net_client& client, int32_t player_id, const std::string& nick);
// Sends the "blogin" line of the hosted game's bots.
void client_send_blogin(net_client& client, const std::string& line);
// The result of the request in flight: negative while awaited, then the reply's code (0 for a
// refusal, whose text the status text holds).
int32_t client_pending_result(const net_client& client);

}  // namespace kv
