#pragma once
// The world server's short-lived world objects (pending blasts, thrown grenades, dropped weapons) and
// the preparation of a freshly loaded level's light maps.

#include "game/server.h"

namespace kv {

struct package;

// The three frame steps: blasts are applied and deleted, grenades and dropped weapons are stepped and
// the finished ones deleted.
void server_apply_blasts(server& srv);
void server_update_grenades(server& srv);
void server_update_dropped_weapons(server& srv);
// Deletes every grenade / dropped weapon without network messages (round reset).
void server_clear_grenades(server& srv);
void server_clear_dropped_weapons(server& srv);
// Packs and binds the light maps of a level package just loaded (null: none found).
void server_prepare_world(server& srv, package* level);

}  // namespace kv
