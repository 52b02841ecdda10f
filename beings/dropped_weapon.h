#pragma once
// A weapon a soldier dropped: thrown forward, it falls under its acceleration, bounces, sinks in water
// and then lies until a soldier picks it up. The world server keeps the dropped weapons in a list and
// steps each once per frame; the pick-up names one by (id, serial).

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct entity_def;
struct scene_node;
struct server;

// The serial of a new local drop: it takes the next value of the process's 0-254 counter.
inline constexpr uint8_t kDroppedHere = 255;

// What the dropper or the network hands over.
struct dropped_weapon_values {
    vec3 arc_start;
    vec3 velocity;       // the launch velocity
    int32_t id = 0;      // the dropping player's id (a goal item: its goal's number)
    int32_t values[3] = {};  // weapon, rounds, magazines: handed back to the soldier who picks it up
    std::string model_name;  // "package:object"
    vec3 acceleration;
    float speed = 0.0f;
};

struct dropped_weapon {
    dropped_weapon();
    virtual ~dropped_weapon();
    dropped_weapon(const dropped_weapon&) = delete;
    dropped_weapon& operator=(const dropped_weapon&) = delete;

    server* srv = nullptr;
    vec3 arc_start;
    vec3 velocity;  // the launch velocity at creation, then the unit direction
    vec3 acceleration;
    int32_t values[3] = {};
    std::string model_name;
    sector* in_sector = nullptr;
    int32_t id = 0;
    uint8_t alive = 1;  // the world server removes the weapon once clear; nothing here clears it
    uint8_t listed = 1;
    uint8_t resting = 0;
    uint8_t linked = 0;
    uint8_t resolved = 0;
    float speed = 0.0f;
    std::unique_ptr<entity_def> model;
    std::unique_ptr<scene_node> node;  // "lost_wpn1"
    int32_t sector_index = -1;
    vec3 previous;
    timer fall_timer;
    timer sound_timer;
    std::string last_sound;
    uint8_t serial = 0;
};

// Fills the record; serial 255 takes the next value of the 0-254 counter.
void dropped_weapon_create(dropped_weapon& w, server& srv, const dropped_weapon_values& values, uint8_t serial,
                           sector* in_sector);
// Takes the node out of its sector's list and frees the model.
void dropped_weapon_destroy(dropped_weapon& w);
// One step: the model at the first, then falling and bouncing until it rests.
void dropped_weapon_update(dropped_weapon& w);
// The renderer's debug drawing of the weapon (the `g_helpers` pass): the model's box under the node's
// matrix, in green; nothing before the model is resolved.
void dropped_weapon_draw(dropped_weapon& w);
bool dropped_weapon_matches(const dropped_weapon& w, int32_t id, uint8_t serial);
// The model's box through the node's matrix (a point box at the weapon without a model).
box3 dropped_weapon_bounds(const dropped_weapon& w);
vec3 dropped_weapon_position(const dropped_weapon& w);

// Starts the serial counter again at 0 (a new process).
void dropped_weapon_reset_serials();

}  // namespace kv
