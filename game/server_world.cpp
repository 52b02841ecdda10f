#include "game/server_world.h"

namespace kv {

void server_clear_grenades(server& srv) {
    srv.grenades.clear();
}

void server_clear_dropped_weapons(server& srv) {
    srv.dropped_weapon_cursor = srv.dropped_weapons.end();
    srv.dropped_weapons.clear();
}

}  // namespace kv
