// The local soldier's name tag: the soldier under the crosshair, found by a ray a few times a second,
// labelled with friend or enemy and class, nick and health above his head.

#include <cmath>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/kernel.h"
#include "util/text.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr int32_t kNameTagFlag = 8;  // of the game flags
constexpr int32_t kTagIntervalMs = 500;
constexpr int32_t kTagIntervalMediumMs = 400;
constexpr int32_t kTagIntervalHighMs = 300;
constexpr float kTagReachSq = 100000000.0f;
constexpr float kHeadBelowTop = 15.0f;
constexpr float kTagScreen = 500.0f;
constexpr int kSideLabel = 0;
constexpr int kNickLabel = 1;
constexpr int kHealthLabel = 2;
constexpr float kNickRaise = 45.0f;
constexpr float kSideRaise = 20.0f;
const char* const kClasses[] = {" soldier", " scout", " sniper", " specialist"};
// Team colours, drawn opaque.
constexpr float kTeamColours[3][4] = {
    {0.0f, 0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}};

trace& tag_trace() {
    static trace t;
    return t;
}

int32_t tag_interval() {
    switch (kernel_get().detail_level) {
        case kDetailMedium:
            return kTagIntervalMediumMs;
        case kDetailHigh:
            return kTagIntervalHighMs;
        default:
            return kTagIntervalMs;
    }
}

// The player under the crosshair: the first body the ray meets before anything but glass.
int32_t find_target(being& b) {
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    const box3 body = server_entity_bounds(srv);
    server_entity_deselect(srv);
    const mat4& view = b.place.transform;
    vec3 start = mat4_row3(view);
    start.y = body.max.y - kHeadBelowTop;
    vec3 direction = mat4_row2(view) * std::cos(b.pitch) + mat4_row1(view) * std::sin(b.pitch);
    direction.w = 0.0f;
    trace& t = tag_trace();
    trace_ray(t, static_cast<sector*>(b.place.sector), start, direction, kTagReachSq, 1, 1, 1, 0);
    for (const trace_hit& hit : t.hits) {
        if (hit.player_id >= 0) {
            if (static_cast<uint32_t>(hit.player_id) == b.player_id) continue;
            return hit.player_id;
        }
        if (!hit.material) break;
        if (hit.material->kind != kSurfaceKindGlass && hit.material->kind != kSurfaceKindGlassSeeThrough)
            break;
    }
    return -1;
}

}  // namespace

void being_draw_name_tag(being& b) {
    for (bool& shown : b.tag_shown) shown = false;
    if (!b.srv) return;
    server& srv = *b.srv;
    if (!(srv.snapshot.flags & kNameTagFlag)) return;
    const player_record* own = being_record(b);
    if (!own) return;
    if (timer_elapsed_ms(b.tag_timer) >= tag_interval()) {
        b.tag_target = find_target(b);
        timer_restart(b.tag_timer);
    }
    if (b.tag_target >= 0) {
        kvgame* game = arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
        being* target = game ? kvgame_find_player(*game, static_cast<uint32_t>(b.tag_target)) : nullptr;
        const player_record* r = target ? being_record(*target) : nullptr;
        if (r) {
            server_entity_select(srv, target->name);
            const box3 bounds = server_entity_bounds(srv);
            vec3 above = mat4_row3(server_entity_world_matrix(srv));
            server_entity_deselect(srv);
            above.y += bounds.max.y - bounds.min.y;
            above.w = 1.0f;
            const vec3 p = gfx_project_point(kernel_get().graphics, above);
            if (p.w > 0.0f) {
                const int32_t team = r->team >= 0 && r->team < 3 ? r->team : 0;
                for (kvtext& tag : b.tags) kvtext_set_color(tag, kTeamColours[team]);
                const int32_t speciality =
                    r->specialisation >= 0 && r->specialisation < 4 ? r->specialisation : 0;
                b.tags[kNickLabel].text = r->nick;
                b.tags[kSideLabel].text =
                    std::string(r->team == own->team ? "Friend" : "Enemy") + kClasses[speciality];
                b.tags[kHealthLabel].text = str_format("Health: %d%%", r->health);
                const float x = std::trunc((p.x / p.w + 1.0f) * kTagScreen);
                const float y = std::trunc((1.0f - p.y / p.w) * kTagScreen);
                kvtext_set_position(b.tags[kNickLabel], x, y - kNickRaise);
                kvtext_set_position(b.tags[kSideLabel], x, y - kSideRaise);
                kvtext_set_position(b.tags[kHealthLabel], x, y);
                for (bool& shown : b.tag_shown) shown = true;
            }
        }
    }
    for (int i = 0; i < kNameTagLabels; ++i) {
        if (b.tag_shown[i]) kvtext_draw(b.tags[i]);
    }
}

}  // namespace kv
