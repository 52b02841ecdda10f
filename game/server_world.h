#pragma once
// The world server's short-lived world objects (pending blasts, thrown grenades, dropped weapons) and
// the preparation of a freshly loaded level's light maps.

#include <cstdint>
#include <string>

#include "game/server.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct package;

// Weapon parameters of a burst, as 16-bit signed numbers: damage, penetration, range, spread in
// thousandths of a degree, fall-off, and the spread factor of an aimed shot.
inline constexpr int kBlastParams = 6;

// Queues `count` hit rays from the point, spread about the direction, then tells the game object
// that the owner spent a round. A count below 1 queues nothing.
void server_queue_blast(server& srv, uint32_t owner, const vec3& point, const vec3& direction,
                        const int16_t (&params)[kBlastParams], bool aimed, float jitter, int32_t count);
// Creates one grenade beside the thrower: `distance` across the throw direction and `height` up,
// flying along the direction turned by `angle` (radians) and jittered, in the thrower's sector.
void server_throw_entity_grenade(server& srv, uint32_t owner, const vec3& point, const vec3& direction,
                                 const grenade_values& values, float distance, float height, float angle,
                                 float jitter, sector* in_sector = nullptr);
// A grenade reported by the network, a quiet copy in the sector of that index of the current level
// (none past the end of its table). A negative index, a kind outside 1-9 and a point, velocity or
// acceleration that is not finite or beyond any level are refused with a warning.
bool server_add_grenade(server& srv, uint32_t owner, const vec3& position, const vec3& velocity,
                        const grenade_values& values, int32_t sector_index);
// A weapon dropped here: kept, and reported to the network, whose answer is returned.
int32_t server_drop_weapon(server& srv, const dropped_weapon_values& values, sector* in_sector);
// A dropped weapon reported by the network, with its serial; the player gets an empty weapon entry. A
// negative sector index, a weapon outside the table and motion that is not finite or beyond any
// level are refused with a warning.
bool server_add_dropped_weapon(server& srv, const dropped_weapon_values& values, uint8_t kind,
                               int32_t sector_index, uint32_t player_id);
// A pick-up of the first dropped weapon matching (id, serial): with `take` the player gets it,
// else the request goes to the game server. Either way the weapon leaves the world.
void server_remove_dropped_weapon(server& srv, uint32_t player_id, int32_t weapon_id, uint8_t serial,
                                  bool take);
// The pick-up walk over the dropped weapons, on the world server's cursor: begin, then while not at
// the end, next (whether the weapon at the cursor touches the body's box, and what it holds), take
// (removed, and the pick-up reported with its id and serial) or advance.
struct dropped_weapon_item {
    int32_t weapon = 0;
    int32_t rounds = 0;
    int32_t magazines = 0;
    int32_t id = 0;
};
void server_dropped_weapon_begin(server& srv);
bool server_dropped_weapon_end(server& srv);
bool server_dropped_weapon_next(server& srv, const box3& body, dropped_weapon_item& out);
void server_dropped_weapon_advance(server& srv);
void server_dropped_weapon_take(server& srv, uint32_t player_id);
// A defusal of the owner's grenades of that id; unless quiet it goes to the network.
void server_grenade_event(server& srv, uint32_t owner, int32_t grenade_id, bool quiet);


// The three frame steps: blasts are applied and deleted, grenades and dropped weapons are stepped and
// the finished ones deleted.
void server_apply_blasts(server& srv);
void server_update_grenades(server& srv);
void server_update_dropped_weapons(server& srv);
// Deletes every grenade / dropped weapon without network messages (round reset).
void server_clear_grenades(server& srv);
void server_clear_dropped_weapons(server& srv);
// Drops a weapon here (a goal's item among them): a dropped weapon of kind byte 255 is appended and
// reported to the network; the network client's answer is returned.
int32_t server_drop_weapon(server& srv, const vec3& position, const vec3& velocity, int32_t weapon, int32_t a,
                           int32_t b, const std::string& model, sector* where, const vec3& gravity,
                           int32_t number, float factor);
// Deletes the grenades and dropped weapons in a sector of the package (it is being unloaded).
void server_forget_thrown_in(server& srv, const package& p);
// Packs and binds the light maps of a level package just loaded (null: none found).
void server_prepare_world(server& srv, package* level);

}  // namespace kv
