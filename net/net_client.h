#pragma once
// The client session as the kernel uses it: the "n_" and "s_" console commands, the status text
// printed after each command, the server-list query, and the goodbye on stop.

#include <cstdint>
#include <string>

namespace kv {

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

}  // namespace kv
