// Until the blasts, grenades and dropped weapons are built, their frame steps only keep the lists from
// growing: pending blasts are dropped unapplied and nothing else moves.

#include "game/server_world.h"

namespace kv {

void server_apply_blasts(server& srv) {
    srv.blasts.clear();
}

void server_update_grenades(server&) {}

void server_update_dropped_weapons(server&) {}

}  // namespace kv
