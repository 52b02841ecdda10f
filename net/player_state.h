#pragma once
// The player state record: where a player is and what his body does, as each client sends the
// states of the players it drives in P-SNAPSHOT packets (30 bytes a record) and as the world server
// keeps the last one received for each player. The game core fills and applies the values; here
// they get their wire form.

#include <cstdint>
#include <vector>

#include "util/vec3.h"

namespace kv {

struct packet;

inline constexpr std::size_t kPlayerStateBytes = 30;
// The state value of a player in no sector.
inline constexpr int16_t kNoSector = -1;

struct player_state {
    uint32_t id = 0;
    vec3 position;
    float angle = 0.0f;  // radians
    int16_t state = 0;   // the sector index
    int32_t groups[3][3] = {};
    int32_t small_values[2] = {};
    float second_angle = 0.0f;  // radians
    uint8_t bytes[3] = {};
};

// Copies every field but the id; true when anything changed (positions within 1e-5 are equal).
bool player_state_assign(player_state& target, const player_state& source);

// Appends the 30-byte record.
void player_state_write(const player_state& state, packet& out);
// Reads one record; a short packet fails and leaves `state` as it was.
bool player_state_read(player_state& state, packet& in);

// P-SNAPSHOT packets carrying the states (a count byte, then the records), as many as the datagram
// limits need; none for no states.
std::vector<packet> player_states_write(const std::vector<player_state>& states);
// A P-SNAPSHOT body: the records up to the first that fails to read; false when one failed.
bool player_states_read(packet& in, std::vector<player_state>& states);

}  // namespace kv
