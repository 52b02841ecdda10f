#pragma once
// Everything a soldier throws, launches or places: the hand grenades, the placed charge, the launcher
// grenade and the thrown blades. The world server keeps them in its grenade list and steps each once
// per frame; a grenade flies on a parabola, is traced against the world and the soldiers, bounces,
// sinks in water, breaks glass, spins, and ends by its kind. Grenades the network reports are quiet
// copies: they fly the same way but never hurt, break or announce anything.

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct entity_def;
struct scene_node;
struct server;

// Kinds.
inline constexpr int32_t kGrenadeFragTimed = 1;
inline constexpr int32_t kGrenadeFragContact = 2;
inline constexpr int32_t kGrenadeSmoke = 3;
inline constexpr int32_t kGrenadeStun = 4;
inline constexpr int32_t kGrenadeDefusable = 5;  // the placed charge
inline constexpr int32_t kGrenadeKabar = 6;
inline constexpr int32_t kGrenadeTanto = 7;
inline constexpr int32_t kGrenadeShovel = 8;
inline constexpr int32_t kGrenadeLauncher = 9;
inline constexpr int32_t kGrenadeFirstKind = 1;
inline constexpr int32_t kGrenadeLastKind = 9;

// What a throw trigger or the network hands over besides the owner and the motion.
struct grenade_values {
    int32_t kind = 0;
    int32_t id = 0;       // the grenade number: with the owner, the key of events and defusals
    uint8_t variant = 0;  // the per-kind byte of the throw table, carried and sent on
    std::string model;    // "package:object"
    float speed = 0.0f;
    vec3 acceleration;
};

struct grenade {
    grenade();
    ~grenade();
    grenade(const grenade&) = delete;
    grenade& operator=(const grenade&) = delete;

    server* srv = nullptr;
    uint32_t owner = 0;  // player id of the thrower
    vec3 arc_start;      // where the current arc began
    vec3 velocity;       // the launch velocity at creation, then the unit direction of flight
    int32_t kind = 0;
    int32_t id = 0;  // grenade number
    uint8_t variant = 0;
    sector* in_sector = nullptr;
    std::string model_name;
    vec3 acceleration;
    std::unique_ptr<entity_def> model;  // the copy resolved at the first update (may stay null)
    std::unique_ptr<scene_node> node;   // "grenade": carries the grenade's matrix
    uint8_t resolved = 0;               // the first update ran
    uint8_t quiet = 0;
    uint8_t listed = 1;
    uint8_t alive = 1;  // cleared when finished; the world server then removes it
    uint8_t linked = 0;
    uint8_t hit = 0;  // set by the first bounce
    uint8_t in_water = 0;
    uint8_t tumbling = 0;
    uint8_t exploded = 0;
    uint8_t defused = 0;
    float speed = 0.0f;         // current
    float launch_speed = 0.0f;  // |launch velocity|
    float rest_speed = 0.0f;    // a hundredth of the launch speed: at or below it the grenade rests
    vec3 previous;
    int32_t fuse_offset = 0;  // ms of the arcs before the current one
    int32_t spin_stamp = 0;   // fuse timer ms when the spin angles were last advanced
    vec3 spin_rates;          // radians per millisecond about x, y and z
    vec3 spin_angles;
    vec3 water_point;  // where it entered water: the surface's height
    vec3 water_normal;
    vec3 contact_normal;  // of the last surface bounced from; drawn 5 units off it
    int32_t sector_index = -1;
    timer fuse_timer;  // the current arc
    timer sound_timer;
    std::string last_sound;
    int32_t blade = 0;  // flies point first and can stick
    int32_t last_hit_player = -1;
    uint16_t last_hit_code = 0;
    int32_t team = 0;  // the owner's team when thrown or placed
    vec3 position;     // where the grenade is drawn (its node's place)
};

// Fills the record: speed |velocity|, rest at a hundredth of it, the sector's index in the current
// level. Unless quiet, the grenade event goes out on the network; a charge tells the bot host when
// this process hosts.
void grenade_create(grenade& g, server& srv, uint32_t owner, const vec3& start, const vec3& velocity,
                    const grenade_values& values, sector* in_sector, bool quiet);
// Takes the node out of its sector's list and frees the model.
void grenade_destroy(grenade& g);
// One step of flight, fuse and explosion; clears the alive flag when finished.
void grenade_update(grenade& g);
// The positioned sound on channel 2; nothing for an empty name or the same name within 200 ms.
void grenade_play_sound(grenade& g, const std::string& name, const vec3& point, float near_distance,
                        float far_distance);

// Explosions: the effect and sound of the kind with the effect echo off, the shake around it, and on
// the thrower's machine the damage and the broken glass.
void grenade_explode(grenade& g);
void grenade_blast_damage(grenade& g, float reach);
void grenade_break_meshes(grenade& g, float reach);
// The placed charge's countdown step with T ms since it was linked; explodes it at 45 s.
void grenade_bomb_beep(grenade& g, int32_t elapsed);

// Shared by grenades and dropped weapons: resolves "package:object" among the server's packages
// (null when it does not resolve), and moves a node between the sectors' lists of moving nodes.
std::unique_ptr<entity_def> thrown_resolve_model(server& srv, const std::string& reference);
void thrown_node_leave(sector* s, scene_node* node);
void thrown_node_enter(sector* s, scene_node* node);
// The index of the sector in the current level's table, or -1.
int32_t thrown_sector_index(server& srv, const sector* s);

}  // namespace kv
