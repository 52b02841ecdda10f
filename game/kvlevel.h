#pragma once
// The level record: title, author, gravity, sky, fog, player limits and the time winner of a level.
// The game object finds it by its instance name "level" and reads its fields.

#include <cstdint>
#include <string>

#include "game/arty.h"

namespace kv {

class kvlevel : public arty {
public:
    // Keys: "title:", "author:" strings, "gravity:" number, "sky:" string, "fog:" four numbers,
    // "maxplayers:", "minplayers:" strings of up to three blank-separated integers, "timewinner:"
    // integer. Afterwards the world server's map-list entry of its game package takes the limits and
    // the time winner and is marked as described.
    kvlevel(arty_factory& factory, const arty_description& description);

    std::string title;
    std::string author;
    float gravity = 1.0f;
    std::string sky;
    uint8_t fog = 0;
    float fog_values[4] = {};
    int32_t max_players[3] = {10, 10, 10};
    int32_t min_players[3] = {};
    int32_t time_winner = 0;
};

}  // namespace kv
