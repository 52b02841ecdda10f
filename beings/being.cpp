// The being: creation and destruction with its two entities, what the game object and the HUD read of
// it, its models and weapons, its view, death, bot events and the network's player state.

#include "beings/being.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "beings/anim_tables.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/soldier_anims.h"
#include "beings/weapon_models.h"
#include "bots/bot_central.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "world/sector.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr int32_t kDeathSpeed = kAnimSpeed;
constexpr float kDropReach = 80.0f;
constexpr float kDropSpeed = 500.0f;
constexpr float kDropGravity = -978.0f;
// Weapons that go to the ground one by one when their carrier dies.
constexpr int32_t kDeathDrops[] = {60, 61, 62};
constexpr int32_t kTagFontValues[3] = {10, 22, 0};
constexpr const char* kTagFont = "gui_font02";

float& gravity_y() {
    static float g = -2.0f;
    return g;
}

soldier_models models_of(const being& b) {
    return {b.name, b.view_model_name, static_cast<int32_t>(b.player_id)};
}

// The soldier's side of the weapon-slot operations.
class slot_host : public weapon_slot_host {
public:
    explicit slot_host(being& b) : b_(b) {}

    int32_t dress_weapon_models(int32_t weapon) override {
        server& srv = *b_.srv;
        // Every model off both instances; the goal item and the hands show none.
        being_detach_models(b_);
        if (weapon != kWeaponGoalItem && weapon != kWeaponHands) {
            const weapon_models models = weapon_models_find(weapon);
            for (std::size_t i = 0; i < models.world.size() && i < 2; ++i)
                being_attach_model(b_, static_cast<int32_t>(i), models.world[i], false);
            for (const weapon_model_part& part : models.first_person)
                being_attach_model(b_, part.attachment, part.name, true);
        }
        const sound_distances distances = being_weapon_sound_distances(b_.weapons);
        const effect_factors factors = being_weapon_effect_factors(b_.weapons);
        for (const std::string& name : {b_.name, b_.view_model_name}) {
            const auto cursor = srv.entity_cursor;
            server_entity_select(srv, name);
            server_entity_set_names(
                srv, being_shot_sound(b_.weapons, 0), static_cast<int32_t>(distances.near_distance),
                static_cast<int32_t>(distances.far_distance), being_muzzle_flash(b_.weapons, 0),
                being_muzzle_flash(b_.weapons, 1), factors.first, factors.second);
            srv.entity_cursor = cursor;
        }
        being_start_move_animation(b_, b_.variant);
        return weapon;
    }

    void lower_sights() override { being_sights_lower(b_); }

    bool animation_queued() const override {
        return being_third_has_queued(*b_.srv, models_of(b_)) ||
               being_first_has_queued(*b_.srv, models_of(b_));
    }

    void drop_in_world(int32_t weapon, const std::string& model) override {
        server& srv = *b_.srv;
        server_entity_select(srv, b_.name);
        const mat4 world = server_entity_world_matrix(srv);
        server_entity_deselect(srv);
        const vec3 direction = mat4_row2(world);
        const vec3 at = mat4_row3(world) + direction * kDropReach;
        server_drop_weapon(srv, at, direction * kDropSpeed, weapon, 0, 0, model,
                           static_cast<sector*>(b_.place.sector), vec3{0.0f, kDropGravity, 0.0f},
                           static_cast<int32_t>(b_.player_id), kDropSpeed);
    }

    void hand_goal_entry(const weapon_entry&) override {}

private:
    being& b_;
};

kvgame* game_of(server& srv) {
    return arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
}

// Runs a slot operation with the soldier's side filled in.
template <class F>
auto with_carrier(being& b, F&& operation) {
    slot_host host(b);
    weapon_carrier c{b, host, b.srv ? game_of(*b.srv) : nullptr, b.srv};
    return operation(b.weapons, c);
}

void select_body(being& b) {
    server_entity_select(*b.srv, b.name);
}

void select_view_model(being& b) {
    server_entity_select(*b.srv, b.view_model_name);
}

void deselect(being& b) {
    server_entity_deselect(*b.srv);
}

// Logged at the debug-log level: a package a level does not import only shows its soldiers bare.
void warn_missing(const being& b, const char* what, const std::string& reference) {
    if (!b.srv || b.srv->log_level == 0) return;
    log_write("being: *WARNING* %s `%s' of %s not found.\n", what, log_printable(reference).c_str(),
              b.name.c_str());
}

// The level's index of the sector, -1 when it is none of the game package's.
int16_t sector_index(server& srv, const placement_sector* s) {
    package* level = server_find_package(srv, srv.game_package);
    if (!level || !s) return kNoSector;
    for (std::size_t i = 0; i < level->sectors.items.size(); ++i) {
        if (level->sectors.items[i] == s) return static_cast<int16_t>(i);
    }
    return kNoSector;
}

}  // namespace

being::~being() {
    being_destroy(*this);
}

being_speeds& being_speeds_get() {
    static being_speeds speeds;
    return speeds;
}

player_record* being_record(being& b) {
    if (!b.srv) return b.record;
    b.record = server_find_player(*b.srv, b.player_id);
    if (!b.record && !b.warned_no_record) {
        log_write("being: *WARNING* %s has no player record; it stays still.\n", b.name.c_str());
        b.warned_no_record = 1;
    }
    return b.record;
}

bool being_is_person(const being& b) {
    return b.player_id == 0 || b.player_id >= 100;
}

std::unique_ptr<being> being_create(server& srv, const std::string& name, int32_t flag, uint32_t player_id) {
    auto b = std::make_unique<being>();
    b->srv = &srv;
    b->player_id = player_id;
    b->name = name;
    b->view_model_name = "~" + name;
    b->no_animation = flag;
    for (timer* t : {&b->update_timer, &b->second_timer, &b->ripple_timer, &b->drowning_timer,
                     &b->drowning_tick_timer, &b->command44_timer, &b->tag_timer, &b->sights_timer,
                     &b->remote_step_timer})
        timer_restart(*t);
    // Both entities exist from now on; the first-person one rides on the body.
    server_entity_select(srv, b->name);
    server_entity_select(srv, b->view_model_name);
    server_entity_set_parent(srv, b->name);
    // Drawn only in the first-person pass.
    server_entity_set_model_value(srv, 1u);
    server_entity_deselect(srv);
    if (flag == 0) being_setup_animations(srv, models_of(*b));
    if (player_record* r = being_record(*b)) b->last_health = r->health;
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    for (kvtext& tag : b->tags)
        kvtext_init(tag, 0.0f, 0.0f, white, "", kTagFontValues, kTextAlignCentre, kTagFont);
    return b;
}

void being_destroy(being& b) {
    if (!b.srv) return;
    server& srv = *b.srv;
    for (const std::string& name : {b.view_model_name, b.name}) {
        if (server_entity_find(srv, name)) {
            server_entity_select(srv, name);
            server_entity_delete(srv);
        }
    }
    server_entity_deselect(srv);
    b.srv = nullptr;
}

uint32_t being_player_id(being& b) {
    const player_record* r = being_record(b);
    return r ? r->id : 0;
}

std::string being_player_nick(being& b) {
    const player_record* r = being_record(b);
    return r ? r->nick : std::string();
}

int32_t being_health(being& b) {
    const player_record* r = being_record(b);
    return r ? r->health - b.drowning_loss : 0;
}

uint32_t being_view_flags(const being& b) {
    return b.view_flags;
}

void being_set_model(being& b, const std::string& model, const std::string& skin) {
    if (!b.srv) return;
    select_body(b);
    if (!server_entity_set_model(*b.srv, model)) warn_missing(b, "model", model);
    if (!server_entity_set_surface(*b.srv, skin)) warn_missing(b, "skin", skin);
    deselect(b);
}

void being_set_first_person_model(being& b, const std::string& model, const std::string& skin) {
    if (!b.srv) return;
    select_view_model(b);
    if (!server_entity_set_model(*b.srv, model)) warn_missing(b, "model", model);
    if (!server_entity_set_surface(*b.srv, skin)) warn_missing(b, "skin", skin);
    server_entity_set_parent(*b.srv, b.name);
    server_entity_set_model_value(*b.srv, 1u);
    deselect(b);
}

void being_attach_model(being& b, int32_t slot, const std::string& model, bool first_person) {
    if (!b.srv) return;
    if (first_person) {
        select_view_model(b);
    } else {
        select_body(b);
    }
    server_entity_attach_model(*b.srv, slot, model);
    deselect(b);
}

void being_detach_models(being& b) {
    if (!b.srv) return;
    select_body(b);
    server_entity_detach_model(*b.srv, -1);
    select_view_model(b);
    server_entity_detach_model(*b.srv, -1);
    deselect(b);
}

void being_record_reset(being& b, int32_t specialisation, int32_t team) {
    if (player_record* r = being_record(b)) {
        r->weapons.clear();
        r->entry_values[0] = specialisation;
        r->entry_values[1] = team;
    }
}

void being_give_weapon(being& b, int32_t weapon) {
    being_give_weapon(b.weapons, weapon);
}

void being_reset_weapon_slots(being& b) {
    being_reset_weapon_slots(b.weapons);
}

void being_set_weapon_slot_mask(being& b, const uint32_t (&mask)[4], const uint8_t (&counts)[4]) {
    with_carrier(b,
                 [&](weapon_slots& s, weapon_carrier& c) { being_set_weapon_slot_mask(s, c, mask, counts); });
}

void being_weapon_slot_mask(const being& b, uint32_t (&mask)[4], uint8_t (&counts)[4]) {
    being_weapon_slot_mask(b.weapons, mask, counts);
}

void being_equip_weapon_models(being& b, int32_t which) {
    if (!b.srv) return;
    with_carrier(b,
                 [&](weapon_slots& s, weapon_carrier& c) { return being_equip_weapon_models(s, c, which); });
}

vec3 being_pick(being& b, const vec3& wanted) {
    if (!b.srv) return vec3{};
    entity_sweep_result result;
    select_body(b);
    const vec3 allowed = server_entity_pick(*b.srv, b.place.transform, wanted, 0.75f, &result);
    deselect(b);
    return allowed;
}

bool being_bot_select_weapon(being& b, int32_t weapon, int32_t kinds) {
    if (!b.srv) return false;
    return with_carrier(
        b, [&](weapon_slots& s, weapon_carrier& c) { return being_bot_select_weapon(s, c, weapon, kinds); });
}

void being_update_load(being& b) {
    with_carrier(b, [](weapon_slots& s, weapon_carrier& c) { being_update_load(s, c); });
}

void being_apply_record_weapons(being& b, const int32_t (&entries)[2]) {
    if (!b.srv) return;
    with_carrier(b,
                 [&](weapon_slots& s, weapon_carrier& c) { being_apply_record_weapons(s, c, entries[0]); });
    b.action_state = entries[1];
}

void being_set_view(being& b, const vec3& position, const vec3& forward, const vec3& up,
                    placement_sector* sector) {
    // A frame that is not a number would follow the soldier everywhere: it stays where it was.
    for (const vec3* v : {&position, &forward, &up}) {
        if (!std::isfinite(v->x) || !std::isfinite(v->y) || !std::isfinite(v->z)) return;
    }
    placement_set(b.place, position, forward, up, sector);
    // Put somewhere new (a spawn, a network state): no fall runs on from where it was.
    b.fall_tracked = 0;
    if (!b.srv) return;
    select_body(b);
    server_entity_update_attached(*b.srv, b.place.transform, static_cast<kv::sector*>(b.place.sector));
    deselect(b);
}

void being_view_matrix(being& b, mat4& out, int32_t flag) {
    if (flag == 0) {
        mat4_set_rotation_x(out, b.pitch);
        return;
    }
    mat4 body = kMat4Identity;
    if (b.srv) {
        select_body(b);
        body = server_entity_second_matrix(*b.srv);
        deselect(b);
    }
    mat4 turn;
    mat4_set_rotation_z(turn, -kPi / 2.0f);
    out = mat4_mul(body, turn);
}

void being_set_view_mode(being& b, int32_t mode) {
    if (mode == 1) {
        b.view_flags |= kBeingThirdPerson;
    } else {
        b.view_flags &= ~kBeingThirdPerson;
    }
    if (b.srv) {
        select_view_model(b);
        server_entity_set_active(*b.srv, mode == 0);
        select_body(b);
        server_entity_set_active(*b.srv, mode != 0);
        deselect(b);
    }
    being_sights_lower(b);
    if (b.srv) being_run_state_machine(b);
}

void being_update_visibility(being& b, const mat4& view) {
    if (!b.srv) return;
    select_body(b);
    server_entity_update_visibility(*b.srv, view);
    deselect(b);
}

void being_set_gravity(float gravity) {
    gravity_y() = -2.0f * gravity;
}

float being_gravity_y() {
    return gravity_y();
}

vec3 being_position(const being& b) {
    return mat4_row3(b.place.transform);
}

void being_set_record_levels(being& b, const float (&levels)[6]) {
    player_record* r = being_record(b);
    if (!r) return;
    for (int i = 0; i < kPlayerLevels; ++i) {
        float v = levels[i] * 255.0f;
        if (!(v > 0.0f)) v = 0.0f;  // NaN as 0
        if (v > 255.0f) v = 255.0f;
        r->levels[i] = static_cast<uint8_t>(static_cast<int32_t>(v));
    }
    r->levels_changed = 1;
}

float being_hud_value_inverse(const being& b) {
    return 1.0f - b.hud_value;
}

float being_hud_fade(being& b) {
    return hud_effects_fade(b);
}

void being_set_ladder(being& b, uintptr_t sensor_id, bool on) {
    if (on) {
        const int32_t s = b.movement_state;
        if (s == kStateWalk || s == kStateRun || s == kStateSwim) {
            b.ladder_id = sensor_id;
            b.on_ladder = true;
        }
    } else if (b.ladder_id == sensor_id) {
        b.on_ladder = false;
    }
}

void being_set_goal_state(being& b, int32_t on, const std::string& icon) {
    b.goal_state = on ? 1 : 0;
    b.goal_icon = on ? icon : std::string();
}

bool being_has_state_icon(const being& b) {
    const int32_t s = b.movement_state;
    return b.on_ladder || b.goal_state || b.falling || (s >= kStateCrouched && s <= kStateLeanEnd) ||
           (s >= kStateLying && s <= kStateSwim);
}

bool being_state_icon(const being& b, std::string& out) {
    const int32_t s = b.movement_state;
    if (b.goal_state && !b.on_ladder) {
        out = b.goal_icon;
    } else if (b.falling) {
        out = "hud_i_fall";
    } else if (b.on_ladder) {
        out = "hud_i_ladder";
    } else if (s >= kStateCrouched && s <= kStateLeanEnd) {
        out = "hud_i_bend";
    } else if (s >= kStateLying && s <= kStateSideCrawl) {
        out = "hud_i_crawl";
    } else if (s == kStateSwim) {
        out = "hud_i_swim";
    } else {
        return false;
    }
    return true;
}

void being_die(being& b, int32_t kind) {
    if (kind == -1) {
        b.dying = 0;
        return;
    }
    if (b.dying || !b.srv) return;
    b.dying = 1;
    server& srv = *b.srv;
    // A dead soldier's held trigger fires no more.
    being_weapon_disarm(b);
    b.trigger = 0;
    b.action_state = 0;
    const int32_t posture_state = b.movement_state;
    being_set_view_mode(b, 1);
    b.movement_state = kStateDead;
    b.variant = 0;
    // Everything but the hands goes to the ground.
    with_carrier(b, [](weapon_slots& s, weapon_carrier& c) {
        for (const int32_t weapon : kDeathDrops) {
            const int32_t slot = being_find_weapon_slot(s, weapon, true);
            if (slot < 0) continue;
            s.current = slot;
            being_drop_current_weapon(s, c, true);
        }
        const int32_t hands = being_find_weapon_slot(s, kWeaponHands, false);
        if (hands >= 0) being_equip_weapon_models(s, c, hands);
    });
    gfx_lamp_off(kernel_get().graphics);
    const death_slots slots = being_death_slots(posture_state, kind);
    const soldier_models m = models_of(b);
    being_play_lower(srv, m, slots.lower, kDeathSpeed, kAnimUnlockFirst | kAnimLock | kAnimNoLoop);
    being_play_upper(srv, m, slots.upper, kDeathSpeed, kAnimUnlockFirst | kAnimLock | kAnimNoLoop);
    select_view_model(b);
    server_entity_clear_loop(srv, 0);
    deselect(b);
    if (kvgame* game = game_of(srv)) kvgame_goals_forget_being(*game, b);
}

void being_notify_bots(being& b, int32_t event) {
    player_record* r = being_record(b);
    if (!r) return;
    if (event == 0 || event == 2 || event == 3) being_store_anim_state(b);
    BotCentral& bots = b.srv && b.srv->bots ? *b.srv->bots : bot_central_get();
    switch (event) {
        case 0:
            if (r->bot_registered) return;
            r->bot_registered = 1;
            botc_add_player(bots, r->id,
                            being_is_person(b) ? 0 : static_cast<uint8_t>(player_record_is_alive(*r)));
            break;
        case 2:
            botc_player_event_2(bots, r->id);
            break;
        case 3:
            botc_player_event_3(bots, r->id);
            break;
        default:
            break;
    }
}

void being_store_anim_state(being& b) {
    player_record* r = being_record(b);
    if (!r || !b.srv) return;
    server& srv = *b.srv;
    player_state& st = r->state_record;
    st.position = mat4_row3(b.place.transform);
    const vec3 forward = mat4_row2(b.place.transform);
    st.angle = std::atan2(forward.x, forward.z);
    st.state = sector_index(srv, b.place.sector);
    entity_channel_state channels[3];
    select_body(b);
    server_entity_get_channel_state(srv, channels[0]);
    server_entity_get_channel_state_ch1(srv, channels[1]);
    select_view_model(b);
    server_entity_get_channel_state(srv, channels[2]);
    deselect(b);
    for (int i = 0; i < 3; ++i) {
        st.groups[i][0] = channels[i].animation;
        st.groups[i][1] = channels[i].frame;
        st.groups[i][2] = channels[i].ms_per_frame;
    }
    st.small_values[0] = b.weapons.current;
    st.small_values[1] = b.action_state;
    st.second_angle = b.pitch;
    const uint32_t h = b.held;
    st.bytes[0] = static_cast<uint8_t>(((h & kHoldWalk) ? 0x01 : 0) | ((h & (kHoldForward | kHoldBack)) ? 0x02 : 0) |
                                       ((h & kHoldStepLeft) ? 0x04 : 0) | ((h & kHoldStepRight) ? 0x08 : 0) |
                                       ((h & (kHoldTurnLeft | kHoldTurnRight)) ? 0x10 : 0));
    st.bytes[1] = b.surface_marks[0];
    st.bytes[2] = b.surface_marks[1];
}

void being_apply_anim_state(being& b, const int32_t (&channels)[3][3], float aim_angle) {
    player_record* r = being_record(b);
    if (!r || !b.srv) return;
    entity_channel_state states[3];
    for (int i = 0; i < 3; ++i) states[i] = {channels[i][0], channels[i][1], channels[i][2]};
    const float aim = std::isfinite(aim_angle) ? aim_angle : 0.0f;
    const remote_action action = being_apply_anim_state(
        *b.srv, models_of(b), being_weapon_index(b.weapons, -1), r->driven_here != 0, states, aim);
    b.aim_angle = aim;
    if (action.movement >= 0) b.movement_state = action.movement;
}

void being_apply_remote_inputs(being& b, const uint8_t (&bytes)[3]) {
    std::copy(std::begin(bytes), std::end(bytes), std::begin(b.remote_inputs));
    const uint8_t f = bytes[0];
    b.held = ((f & 0x01) ? kHoldWalk : 0) | ((f & 0x02) ? kHoldForward : 0) | ((f & 0x04) ? kHoldStepLeft : 0) |
             ((f & 0x08) ? kHoldStepRight : 0) | ((f & 0x10) ? kHoldTurnRight : 0);
    // A mark without a row of the surface table names no surface.
    const surface_table& table = kernel_get().surfaces;
    for (int i = 0; i < 2; ++i) {
        const uint8_t mark = bytes[1 + i];
        b.surface_marks[i] = mark != kSurfaceWireNone && surface_table_at(table, mark) ? mark : kSurfaceWireNone;
    }
    if (b.held) being_remote_footsteps(b);
}

bool being_pick_up(being& b, int32_t weapon, int32_t rounds, int32_t magazines) {
    return with_carrier(b, [&](weapon_slots& s, weapon_carrier& c) {
        return being_pick_up_weapon(s, c, weapon, rounds, magazines);
    });
}

bool being_select_kind(being& b, int32_t kind) {
    return with_carrier(b, [&](weapon_slots& s, weapon_carrier& c) { return being_select_slot_kind(s, c, kind); });
}

bool being_drop_item(being& b) {
    return with_carrier(b, [&](weapon_slots& s, weapon_carrier& c) { return being_drop_current_weapon(s, c, false); });
}

bool being_add_one_item(being& b) {
    return with_carrier(b, [&](weapon_slots& s, weapon_carrier& c) { return being_add_item(s, c); });
}

}  // namespace kv
