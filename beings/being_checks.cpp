// The soldier's checks while it holds Use or works the handheld item: defusing the other side's charge,
// downloading at a goal; and picking up the weapons it walks onto.

#include <cmath>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/grenade.h"
#include "beings/weapon_slots.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "net/net_client.h"
#include "util/mat4.h"

namespace kv {
namespace {

constexpr int32_t kWeaponHandheldItem = 61;
constexpr float kReachSq = 40000.0f;
constexpr float kFacing = 0.7853982f;
constexpr int32_t kDefuseWithItemMs = 5000;
constexpr int32_t kDefuseMs = 15000;
constexpr int32_t kDownloadMs = 10000;

kvgame* game_of(being& b) {
    return b.srv ? arty_factory_find_as<kvgame>(b.srv->factory, b.srv->factory.game_arty) : nullptr;
}

// The angle between the view's forward axis and the way to the point.
float angle_to(const vec3& forward, const vec3& eye, const vec3& point) {
    vec3 to = point - eye;
    to.w = 0.0f;
    const float length = vec3_length(to);
    if (!(length > 0.0f)) return 0.0f;
    const float c =
        (forward.x * to.x + forward.y * to.y + forward.z * to.z) / (length * vec3_length(forward));
    return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
}

// Nothing in reach or the soldier looks away: the count starts again.
bool lost(being& b) {
    timer_restart(b.check_timer);
    b.check_progress = 0.0f;
    return false;
}

}  // namespace

bool being_defuse_check(being& b) {
    player_record* r = being_record(b);
    if (!r || !b.srv) return false;
    const int32_t needed =
        being_weapon_index(b.weapons, -1) == kWeaponHandheldItem ? kDefuseWithItemMs : kDefuseMs;
    const vec3 eye = mat4_row3(b.place.transform);
    const grenade* nearest = nullptr;
    float nearest_sq = 0.0f;
    for (const auto& g : b.srv->grenades) {
        if (g->kind != kGrenadeDefusable || g->defused || g->exploded || g->team == r->team) continue;
        vec3 d = g->position - eye;
        d.w = 0.0f;
        const float sq = vec3_length_sq(d);
        if (!nearest || sq < nearest_sq) {
            nearest = g.get();
            nearest_sq = sq;
        }
    }
    if (!nearest || nearest_sq >= kReachSq) return lost(b);
    if (angle_to(mat4_row2(b.place.transform), eye, nearest->position) > kFacing) {
        lost(b);
        return true;
    }
    if (timer_elapsed_ms(b.check_timer) >= needed) {
        server_grenade_event(*b.srv, nearest->owner, nearest->id, false);
        timer_restart(b.check_timer);
    }
    b.check_progress = static_cast<float>(timer_elapsed_ms(b.check_timer)) / static_cast<float>(needed);
    return true;
}

bool being_download_check(being& b) {
    player_record* r = being_record(b);
    kvgame* game = game_of(b);
    if (!r || !game || being_weapon_index(b.weapons, -1) != kWeaponHandheldItem) return false;
    vec3 point;
    if (!kvgame_find_download_goal(*game, b, point)) return lost(b);
    mat4 view;
    being_view_matrix(b, view, 1);
    const vec3 eye = mat4_row3(view);
    vec3 d = point - eye;
    d.w = 0.0f;
    if (vec3_length_sq(d) >= kReachSq) return lost(b);
    if (angle_to(mat4_row2(b.place.transform), mat4_row3(b.place.transform), point) > kFacing) {
        lost(b);
        return true;
    }
    if (timer_elapsed_ms(b.check_timer) >= kDownloadMs) {
        client_send_goal(b.srv->client, "download", static_cast<int32_t>(r->id), r->team);
        timer_restart(b.check_timer);
    }
    b.check_progress = static_cast<float>(timer_elapsed_ms(b.check_timer)) / static_cast<float>(kDownloadMs);
    return true;
}

void being_pick_up_step(being& b) {
    if (!b.srv || !being_record(b)) return;
    server& srv = *b.srv;
    kvgame* game = game_of(b);
    server_entity_select(srv, b.name);
    server_dropped_weapon_begin(srv);
    dropped_weapon_report w;
    while (server_dropped_weapon_next(srv, w)) {
        bool touching = w.touching;
        if (touching && w.weapon == kWeaponGoalItem) touching = game && kvgame_goal_can_take(*game, w.id, b);
        if (touching && being_pick_up(b, w.weapon, w.rounds, w.magazines)) {
            if (w.weapon == kWeaponGoalItem) b.weapons.goal_value = w.id;
            server_dropped_weapon_take(srv, b.player_id);
            if (game) kvgame_goal_take(*game, w.weapon, w.id, b);
            break;
        }
        server_dropped_weapon_advance(srv);
    }
    server_dropped_weapon_end(srv);
    server_entity_deselect(srv);
}

}  // namespace kv
