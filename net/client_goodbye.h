#pragma once
// The client session's last words at exit.

#include <cstdint>

namespace kv {

class net_client;

// "bye 0" goes out at once, ahead of a command still waiting for its answer and without waiting for
// the send interval, so that the server knows the player left. 0 when not connected.
int32_t client_send_goodbye(net_client& client);

}  // namespace kv
