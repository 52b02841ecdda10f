#pragma once
// The world server's short-lived world objects (pending blasts, thrown grenades, dropped weapons) and
// the preparation of a freshly loaded level's light maps.

#include <string>

#include "game/server.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct package;

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
// Packs and binds the light maps of a level package just loaded (null: none found).
void server_prepare_world(server& srv, package* level);

}  // namespace kv
