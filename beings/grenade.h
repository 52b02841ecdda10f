#pragma once
// Everything a soldier throws, launches or places: the hand grenades, the placed charge, the launcher
// grenade and the thrown blades. The world server keeps them in a list and steps each one a frame;
// it flies on a parabola, bounces, sinks in water, breaks glass and ends by its kind.

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct entity_def;
struct server;
struct scene_node;
struct trace;

// Kinds of thrown items.
inline constexpr int32_t kGrenadeFragTimed = 1;
inline constexpr int32_t kGrenadeFragContact = 2;
inline constexpr int32_t kGrenadeSmoke = 3;
inline constexpr int32_t kGrenadeStun = 4;
inline constexpr int32_t kGrenadeDefusable = 5;  // the placed charge
inline constexpr int32_t kGrenadeKabar = 6;
inline constexpr int32_t kGrenadeTanto = 7;
inline constexpr int32_t kGrenadeShovel = 8;
inline constexpr int32_t kGrenadeLauncher = 9;
inline constexpr int32_t kGrenadeKindCount = 9;
// Explosion damage code of the hits it deals.
inline constexpr int32_t kExplosionHitCode = 253;

// What a throw trigger or the network hands over besides the owner and the motion.
struct grenade_values {
    int32_t kind = 0;
    int32_t id = 0;       // the grenade number
    uint8_t variant = 0;  // per kind: carried and sent on
    std::string model;    // "package:object" of the item's model
    float speed = 0.0f;   // the throw speed (the velocity carries it)
    vec3 acceleration;
};

struct grenade {
    grenade();
    ~grenade();
    grenade(const grenade&) = delete;
    grenade& operator=(const grenade&) = delete;

    server* srv = nullptr;  // the world server whose list holds it
    uint32_t owner = 0;     // player id
    vec3 arc_start;         // where the current arc began
    vec3 velocity;          // launch velocity at creation, then a unit direction
    int32_t kind = 0;
    int32_t id = 0;  // the grenade number
    uint8_t variant = 0;
    sector* in_sector = nullptr;
    std::string model_name;
    vec3 acceleration;
    std::unique_ptr<entity_def> model;
    std::unique_ptr<scene_node> node;  // "grenade": carries the grenade's matrix
    uint8_t quiet = 0;  // a copy of a grenade reported by the network: no event, no damage, no glass
    uint8_t listed = 1;
    uint8_t alive = 1;  // cleared when finished
    uint8_t linked = 0;
    uint8_t hit = 0;  // set by the first bounce
    uint8_t in_water = 0;
    uint8_t tumbling = 0;
    uint8_t exploded = 0;
    uint8_t defused = 0;
    uint8_t started = 0;  // the first update ran
    float speed = 0.0f;
    float launch_speed = 0.0f;
    float rest_speed = 0.0f;  // at or below it the grenade rests
    vec3 previous;
    int32_t fuse_offset = 0;
    int32_t spin_stamp = 0;
    vec3 spin_rates;  // radians per millisecond about x, y and z
    vec3 spin_angles;
    vec3 water_point;
    vec3 water_normal;
    vec3 contact_normal;
    int32_t sector_index = -1;
    timer fuse_timer;
    timer sound_timer;
    std::string last_sound;
    int32_t blade = 0;
    int32_t last_hit_player = -1;
    int32_t last_hit_code = 0;
    int32_t team = 0;  // the owner's team when thrown or placed
    vec3 position;     // where the grenade is drawn (the node's translation)
};

// Fills the record; unless quiet, the network hears of the throw.
void grenade_create(grenade& g, server& srv, uint32_t owner, const vec3& position, const vec3& velocity,
                    const grenade_values& values, sector* in_sector, bool quiet = false);
void grenade_destroy(grenade& g);
// One step of flight, fuse and explosion; clears the alive flag when finished.
void grenade_update(grenade& g);
// Plays the sample at the point unless this grenade played the same one less than 200 ms ago.
void grenade_play_sound(grenade& g, const std::string& name, const vec3& point, float near_distance,
                        float far_distance);

// Explosions (the kind's effect, sound, damage and breaking).
void grenade_explode(grenade& g);
void grenade_blast_damage(grenade& g, float radius);
void grenade_break_meshes(grenade& g, float radius);
// The placed charge's countdown: beeps, then the explosion at 45 s.
void grenade_bomb_beep(grenade& g, int32_t total_ms);
// The base damage at the distance for the radius, before walls and armour.
float grenade_damage_step(float distance, float radius);
// The damage that the walk along the trace's hits lets through to the victim: walls soak it by their
// resistance, soldiers in front take their share; negative when the walk never reaches him.
float grenade_soak_damage(const trace& t, uint32_t victim, float damage);

}  // namespace kv
