#include "game/server_world.h"

#include <cmath>
#include <iterator>
#include <numbers>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/game_events.h"
#include "game/server_entities.h"
#include "kernel/log.h"
#include "platform/random.h"
#include "util/mat4.h"
#include "util/text.h"
#include "world/sector.h"

namespace kv {

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kJitterDegrees = 2.29f;
constexpr float kAxisThreshold = 1.0f / 64.0f;
// The pellets of one shot: the ammunition table holds at most a few dozen.
constexpr int32_t kMaxBlastRays = 256;

// A draw in [-1, 1).
float random_unit() {
    return 2.0f * (static_cast<float>(kv_rand()) / static_cast<float>(kRandMax) - 0.5f);
}

// Two unit axes across the direction: the first horizontal unless the direction is (nearly)
// vertical, the second their cross product.
void cross_axes(const vec3& d, vec3& axis1, vec3& axis2) {
    vec3 v;
    if (std::fabs(d.x) >= kAxisThreshold || std::fabs(d.z) >= kAxisThreshold) {
        v = {-d.z, 0.0f, d.x};
    } else {
        v = {-d.y, d.x, 0.0f};
    }
    axis1 = -vec3_normalise(v);
    axis2 = vec3_cross(d, axis1);
}

// The cross axes follow the direction, so the turns about them keep them where they are.
mat4 rotation_about(const vec3& axis, float angle) {
    mat4 m;
    mat4_set_rotation_about(m, axis, angle);
    return m;
}

vec3 rotate(const mat4& m, const vec3& v) {
    if (mat4_is_identity(m)) return v;
    return mat4_transform_point(m, v);
}

// The sector at that index of the current level's sector table; null past its end or without a
// level. False for a negative index.
bool level_sector(server& srv, int32_t index, const char* what, sector*& out) {
    out = nullptr;
    if (index < 0) {
        log_stamped("server: *WARNING* %s with sector index %d refused.\n", what, index);
        return false;
    }
    package* level = server_find_package(srv, srv.current_level_name);
    if (level && index < object_table_count(level->sectors)) {
        out = level->sectors.items[static_cast<std::size_t>(index)];
    }
    return true;
}

dropped_weapon_list::iterator erase_dropped_weapon(server& srv, dropped_weapon_list::iterator it) {
    dropped_weapon_destroy(**it);
    const bool at_cursor = srv.dropped_weapon_cursor == it;
    auto next = srv.dropped_weapons.erase(it);
    if (at_cursor) srv.dropped_weapon_cursor = next;
    return next;
}

}  // namespace

void server_queue_blast(server& srv, uint32_t owner, const vec3& point, const vec3& direction,
                        const int16_t (&params)[kBlastParams], bool aimed, float jitter, int32_t count) {
    if (count < 1) return;
    if (count > kMaxBlastRays) {
        log_stamped("server: *WARNING* burst of %d rays from player %u refused (at most %d).\n", count, owner,
                    kMaxBlastRays);
        return;
    }
    const int32_t p1 = params[1];
    const int32_t p4 = params[4];
    const float share = static_cast<float>(params[0]) / static_cast<float>(count);
    const float values[kBlastValues] = {
        share, static_cast<float>(p1), static_cast<float>(params[2]) * 1000.0f,
        static_cast<float>(p4) * share / 10.0f, static_cast<float>((p4 * p1) / 10)};

    vec3 axis1, axis2;
    cross_axes(direction, axis1, axis2);

    const float r1 = random_unit();
    float r2 = random_unit();
    const float base1 = jitter * r1 * kJitterDegrees * kDegree;
    const float base2 = jitter * r2 * kJitterDegrees * kDegree;
    const float spread =
        static_cast<float>(params[3]) / 1000.0f * (aimed ? static_cast<float>(params[5]) : 1.0f) * kDegree;

    for (int32_t ray = 0; ray < count; ++ray) {
        const mat4 first = rotation_about(axis1, spread * r2 + base2);
        const mat4 second = rotation_about(axis2, spread * r1 + base1);
        auto b = std::make_unique<blast>();
        blast_create(*b, owner, point, rotate(mat4_mul(second, first), direction), values);
        srv.blasts.push_back(std::move(b));
        random_unit();
        r2 = random_unit();
    }
    arty_factory_post_command_int(srv.factory, kGameCommandUseRound, static_cast<int32_t>(owner));
}

void server_throw_entity_grenade(server& srv, uint32_t owner, const vec3& point, const vec3& direction,
                                 const grenade_values& values, float distance, float height, float angle,
                                 float jitter, sector* in_sector) {
    const float j1 = random_unit() * jitter;
    const float j2 = random_unit() * jitter;
    vec3 axis1, axis2;
    cross_axes(direction, axis1, axis2);

    // Lifted by the caller's angle about the cross axis, then jittered about both axes.
    const mat4 lift = rotation_about(axis1, angle);
    const mat4 jitter1 = rotation_about(axis1, j2 * kJitterDegrees * kDegree);
    const mat4 jitter2 = rotation_about(axis2, j1 * kJitterDegrees * kDegree);
    const vec3 thrown = rotate(mat4_mul(jitter2, mat4_mul(jitter1, lift)), direction);

    vec3 start = point + axis1 * distance;
    start.y += height;

    auto g = std::make_unique<grenade>();
    grenade_create(*g, owner, start, thrown, values, in_sector);
    srv.grenades.push_back(std::move(g));
    arty_factory_post_command_int(srv.factory, kGameCommandUseRound, static_cast<int32_t>(owner));
}

bool server_add_grenade(server& srv, uint32_t owner, const vec3& position, const vec3& velocity,
                        const grenade_values& values, int32_t sector_index) {
    sector* in_sector = nullptr;
    if (!level_sector(srv, sector_index, "grenade", in_sector)) return false;
    auto g = std::make_unique<grenade>();
    grenade_create(*g, owner, position, velocity, values, in_sector);
    srv.grenades.push_back(std::move(g));
    return true;
}

int32_t server_drop_weapon(server& srv, const dropped_weapon_values& values, sector* in_sector) {
    auto w = std::make_unique<dropped_weapon>();
    dropped_weapon_create(*w, values, kDroppedHere, in_sector);
    const dropped_weapon& kept = *w;
    srv.dropped_weapons.push_back(std::move(w));
    return client_send_drop_event(srv.client, kept);
}

int32_t server_drop_weapon(server& srv, const vec3& position, const vec3& velocity, int32_t weapon, int32_t a,
                           int32_t b, const std::string& model, sector* where, const vec3& gravity,
                           int32_t number, float factor) {
    dropped_weapon_values values;
    values.position = position;
    values.velocity = velocity;
    values.weapon_id = number;
    values.values[0] = weapon;
    values.values[1] = a;
    values.values[2] = b;
    values.text = model;
    values.gravity = gravity;
    values.factor = factor;
    return server_drop_weapon(srv, values, where);
}

bool server_add_dropped_weapon(server& srv, const dropped_weapon_values& values, uint8_t kind,
                               int32_t sector_index, uint32_t player_id) {
    sector* in_sector = nullptr;
    if (!level_sector(srv, sector_index, "dropped weapon", in_sector)) return false;
    auto w = std::make_unique<dropped_weapon>();
    dropped_weapon_create(*w, values, kind, in_sector);
    srv.dropped_weapons.push_back(std::move(w));
    server_give_empty_weapon(srv, player_id);
    return true;
}

void server_remove_dropped_weapon(server& srv, uint32_t player_id, int32_t weapon_id, uint8_t kind,
                                  bool take) {
    for (auto it = srv.dropped_weapons.begin(); it != srv.dropped_weapons.end(); ++it) {
        dropped_weapon& w = **it;
        if (!dropped_weapon_matches(w, weapon_id, kind)) continue;
        if (take) {
            server_give_weapon(srv, player_id, w.values[0], w.values[1], w.values[2], w.weapon_id, w.text);
        } else {
            client_send_pickup(srv.client, player_id, weapon_id, kind);
        }
        erase_dropped_weapon(srv, it);
        return;
    }
}

void server_grenade_event(server& srv, uint32_t owner, int32_t grenade_id, bool quiet) {
    for (auto& g : srv.grenades) {
        if (g->owner != owner || g->id != grenade_id) continue;
        if (g->kind == kGrenadeDefusable) g->defused = 1;
        if (!srv.hosting) g->alive = 0;
    }
    if (!quiet) client_send_defused(srv.client, owner, grenade_id);
}

void server_dropped_weapon_begin(server& srv) {
    srv.dropped_weapon_cursor = srv.dropped_weapons.begin();
}

bool server_dropped_weapon_end(const server& srv) {
    return srv.dropped_weapon_cursor == srv.dropped_weapons.end();
}

bool server_dropped_weapon_next(server& srv, int32_t& weapon, int32_t& rounds, int32_t& magazines, int32_t& id) {
    if (server_dropped_weapon_end(srv)) return false;
    const dropped_weapon& w = **srv.dropped_weapon_cursor;
    weapon = w.values[0];
    rounds = w.values[1];
    magazines = w.values[2];
    id = w.weapon_id;
    if (!server_entity_current(srv)) return false;
    return !box3_disjoint(server_entity_bounds(srv), dropped_weapon_bounds(w));
}

void server_dropped_weapon_advance(server& srv) {
    if (!server_dropped_weapon_end(srv)) ++srv.dropped_weapon_cursor;
}

void server_dropped_weapon_take(server& srv, uint32_t player_id) {
    if (server_dropped_weapon_end(srv)) return;
    const dropped_weapon& w = **srv.dropped_weapon_cursor;
    const int32_t id = w.weapon_id;
    const uint8_t serial = w.kind;
    erase_dropped_weapon(srv, srv.dropped_weapon_cursor);
    client_send_pickup(srv.client, player_id, id, serial);
}

void server_apply_blasts(server& srv) {
    for (auto& b : srv.blasts) {
        if (entity* e = server_entity_find(srv, str_format("pid%d", static_cast<int32_t>(b->owner))))
            blast_apply(*b, e->in_sector);
    }
    srv.blasts.clear();
}

void server_update_grenades(server& srv) {
    for (auto it = srv.grenades.begin(); it != srv.grenades.end();) {
        grenade_update(**it);
        if ((*it)->alive) {
            ++it;
            continue;
        }
        grenade_destroy(**it);
        it = srv.grenades.erase(it);
    }
}

void server_update_dropped_weapons(server& srv) {
    for (auto it = srv.dropped_weapons.begin(); it != srv.dropped_weapons.end();) {
        dropped_weapon_update(**it);
        if ((*it)->alive) {
            ++it;
            continue;
        }
        it = erase_dropped_weapon(srv, it);
    }
}

void server_clear_grenades(server& srv) {
    for (auto& g : srv.grenades) grenade_destroy(*g);
    srv.grenades.clear();
}

void server_clear_dropped_weapons(server& srv) {
    for (auto& w : srv.dropped_weapons) dropped_weapon_destroy(*w);
    srv.dropped_weapon_cursor = srv.dropped_weapons.end();
    srv.dropped_weapons.clear();
}

}  // namespace kv
