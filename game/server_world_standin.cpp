// Until the blasts, grenades and dropped weapons are built, their frame steps only keep the lists from
// growing: pending blasts are dropped unapplied and nothing else moves.

#include "game/server_world.h"

#include "kernel/neighbour_standins.h"
#include "util/text.h"

namespace kv {

void server_apply_blasts(server& srv) {
    srv.blasts.clear();
}

void server_update_grenades(server&) {}

void server_update_dropped_weapons(server&) {}

// The weapon is not kept yet; the drop is noted for the callers' tests.
int32_t server_drop_weapon(server&, const vec3&, const vec3&, int32_t weapon, int32_t a, int32_t b,
                           const std::string& model, sector* where, const vec3&, int32_t number, float) {
    standins().calls.push_back(str_format("server_drop_weapon %d %d %d %s %s %d", weapon, a, b, model.c_str(),
                                          where ? "sector" : "null", number));
    return 0;
}

}  // namespace kv
