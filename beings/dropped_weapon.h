#pragma once
// A weapon lost by a player, falling and lying in the world until picked up.

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct entity_def;
struct server;
struct scene_node;

inline constexpr uint8_t kDroppedHere = 255;  // serial of a new local drop: takes the next counter value

// What the dropper or the network hands over.
struct dropped_weapon_values {
    vec3 position;  // arc start
    vec3 velocity;
    int32_t weapon_id = 0;  // the dropper's id (a goal item: its goal's number)
    int32_t values[3] = {};
    std::string text;  // the third-person model, "package:object"
    vec3 gravity;
    float factor = 0.0f;  // speed
};

struct dropped_weapon {
    dropped_weapon();
    virtual ~dropped_weapon();
    dropped_weapon(const dropped_weapon&) = delete;
    dropped_weapon& operator=(const dropped_weapon&) = delete;

    server* srv = nullptr;  // the world server whose list holds it
    vec3 position;          // arc start
    vec3 velocity;          // launch velocity, then a unit direction
    vec3 gravity;
    int32_t values[3] = {};
    std::string text;  // the model name, handed to the picking player
    sector* in_sector = nullptr;
    int32_t weapon_id = 0;
    uint8_t alive = 1;  // never cleared here: a pick-up or a round reset removes the weapon
    uint8_t listed = 1;
    uint8_t resting = 0;
    uint8_t started = 0;
    float factor = 0.0f;  // speed
    std::unique_ptr<entity_def> model;
    std::unique_ptr<scene_node> node;  // "lost_wpn1"
    int32_t sector_index = -1;
    vec3 previous;
    timer fall_timer;
    timer sound_timer;
    std::string last_sound;
    uint8_t kind = 0;  // the serial
};

void dropped_weapon_create(dropped_weapon& w, server& srv, const dropped_weapon_values& values,
                           uint8_t serial, sector* in_sector);
void dropped_weapon_destroy(dropped_weapon& w);
// One fall or bounce step.
void dropped_weapon_update(dropped_weapon& w);
bool dropped_weapon_matches(const dropped_weapon& w, int32_t weapon_id, uint8_t serial);
// The model's box through the weapon's matrix (a small box about the point without a model).
box3 dropped_weapon_bounds(const dropped_weapon& w);
vec3 dropped_weapon_position(const dropped_weapon& w);
// Starts the local drop serials again at 0.
void dropped_weapon_reset_serials();

}  // namespace kv
