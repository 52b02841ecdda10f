// Radar contacts: detection, relays through team-mate scouts, and the hand-over to the radar widget.

#include "ui/radar_contacts.h"

#include <cmath>

#include "beings/being.h"
#include "beings/being_game.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server_entities.h"
#include "ui/kvscreen.h"
#include "ui/widgets/kvradar.h"

namespace kv {

namespace {

constexpr float kFullRange = 2000.0f;
constexpr int32_t kRadarPicture = 12;

// The translation of the soldier's body transform (its eye while it has no body).
vec3 position_of(being& b) {
    if (b.srv) {
        if (const entity* e = server_entity_find(*b.srv, b.name)) return mat4_row3(entity_world_matrix(*e));
    }
    return being_position(b);
}

float range_of(const player_record& r) {
    return static_cast<float>(r.levels[3]) / 255.0f * kFullRange;
}

}  // namespace

bool radar_contact_test(being& viewer, being& target, const mat4& view, radar_contact& out) {
    const player_record* v = being_record(viewer);
    const player_record* t = being_record(target);
    if (!v || !t) return false;
    float range = range_of(*v);
    const vec3 from = position_of(viewer);
    const vec3 to = position_of(target);
    const vec3 d = to - from;
    const float distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const bool same_team = v->team == t->team;
    if (!same_team) range *= 1.0f - static_cast<float>(t->levels[2]) / 255.0f * 0.5f;
    if (!(distance <= range)) return false;
    int32_t kind;
    if (!same_team) {
        if (v->specialisation != kScoutSpecialisation) return false;
        kind = kContactEnemy;
    } else {
        kind = t->specialisation == kScoutSpecialisation ? kContactTeamScout : kContactTeamMate;
    }
    if (0.75f * range < distance) kind = kContactFaint;
    vec3 p = to;
    if (!mat4_is_identity(view)) p = mat4_transform_point(view, to);
    out.x = p.x;
    out.y = -p.z;
    out.kind = kind;
    if (kind != kContactFaint && -p.z > 0.0f) out.kind = kContactFaint;
    return true;
}

mat4 radar_view_matrix(being& viewer) {
    mat4 frame;
    if (viewer.srv) {
        if (const entity* e = server_entity_find(*viewer.srv, viewer.name)) frame = entity_world_matrix(*e);
    }
    if (mat4_is_identity(frame)) frame = viewer.place.transform;
    const auto level = [](vec3 axis, const vec3& fallback) {
        axis.y = 0.0f;
        axis.w = 0.0f;
        const float length = std::sqrt(axis.x * axis.x + axis.z * axis.z);
        return length > 0.0f && std::isfinite(length) ? axis * (1.0f / length) : fallback;
    };
    const vec3 right = level(mat4_row0(frame), vec3{1.0f, 0.0f, 0.0f});
    const vec3 ahead = level(mat4_row2(frame), vec3{0.0f, 0.0f, 1.0f});
    const vec3 at = mat4_row3(frame);
    mat4 flat;
    mat4_set_row0(flat, right.x, right.y, right.z);
    mat4_set_row1(flat, 0.0f, 1.0f, 0.0f);
    mat4_set_row2(flat, ahead.x, ahead.y, ahead.z);
    mat4_set_row3(flat, at.x, at.y, at.z);
    return mat4_inverse_rigid(flat);
}

std::vector<radar_contact> radar_contacts(const std::vector<being*>& players, being& viewer, float& scale) {
    std::vector<radar_contact> contacts;
    scale = 0.0f;
    const player_record* v = being_record(viewer);
    if (!v) return contacts;
    const mat4 view = radar_view_matrix(viewer);
    // Relays: the team-mate scouts the viewer detects well.
    std::vector<being*> relays;
    for (being* other : players) {
        if (!other || other == &viewer) continue;
        const player_record* r = being_record(*other);
        if (!r || (r->specialisation != kScoutSpecialisation && r->team == v->team)) continue;
        radar_contact c;
        if (radar_contact_test(viewer, *other, view, c) && c.kind == kContactTeamScout) relays.push_back(other);
    }
    // A relay judges range, team and concealment from where it stands; the place is drawn in the
    // viewer's frame.
    const auto through_relays = [&](being& target, radar_contact& c) {
        for (being* relay : relays) {
            if (relay != &target && radar_contact_test(*relay, target, view, c)) return true;
        }
        return false;
    };
    std::vector<being*> hidden;
    for (being* other : players) {
        if (!other || other == &viewer) continue;
        radar_contact c;
        if (!radar_contact_test(viewer, *other, view, c)) {
            hidden.push_back(other);
            continue;
        }
        if (c.kind == kContactFaint) {
            radar_contact relayed;
            if (through_relays(*other, relayed)) c = relayed;
        }
        contacts.push_back(c);
    }
    const float range = range_of(*v);
    for (being* other : hidden) {
        radar_contact c;
        if (!through_relays(*other, c)) continue;
        const float length = std::sqrt(c.x * c.x + c.y * c.y);
        if (length > range && length > 0.0f) {
            c.x *= range / length;
            c.y *= range / length;
        }
        contacts.push_back(c);
    }
    scale = range * 2.25f;
    return contacts;
}

void radar_update(kvgame& game, being& viewer) {
    kvscreen* screen = game.gui.screens[kScreenGame];
    if (game.gui.current_slot != kScreenGame || !screen) return;
    // A game screen without a radar picture shows no contacts.
    if (screen->pictures.size() <= static_cast<std::size_t>(kRadarPicture)) return;
    auto* radar = dynamic_cast<kvradar*>(kvscreen_picture(*screen, kRadarPicture));
    if (!radar) return;
    std::vector<being*> players;
    for (const auto& p : game.players) players.push_back(p.get());
    float scale = 0.0f;
    const std::vector<radar_contact> contacts = radar_contacts(players, viewer, scale);
    std::vector<kvradar_blip> blips;
    blips.reserve(contacts.size());
    for (const radar_contact& c : contacts) blips.push_back({c.x, c.y, c.kind});
    kvradar_set_blips(*radar, blips, scale);
}

}  // namespace kv
