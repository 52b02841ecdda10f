#pragma once
// What level objects read of the game object: the beings of its players. The game object
// implements it; a sensor finds the arty named "game" and uses it only when it is one.

#include <cstdint>

namespace kv {

struct being;

class game_players {
public:
    virtual ~game_players() = default;
    // Player being number `index`; null when the index is not below the count.
    virtual being* player_at(int32_t index) const = 0;
};

}  // namespace kv
