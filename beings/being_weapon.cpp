// The weapon side of the soldier: the action states that the weapon input actions enter and the
// per-frame weapon step plays out (firing, throwing, reloading, changing slots), the sights, the Use
// checks on charges and download goals, the pick-up of dropped weapons and a remote soldier's
// footsteps. Shots and throws leave only through the body's triggers, armed where the soldier is
// driven.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "beings/anim_tables.h"
#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/soldier_anims.h"
#include "beings/weapon_table.h"
#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/kvcamera.h"
#include "game/kvgoal.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "game/server_world.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "sound/sound_system.h"
#include "ui/hud_effects.h"
#include "util/text.h"
#include "world/surface_table.h"

namespace kv {

namespace {

// Action states.
constexpr int32_t kSelectFirst = 22;
constexpr int32_t kSelectLast = 26;
constexpr int32_t kFire = 27;
constexpr int32_t kAltFire = 28;
constexpr int32_t kRelease = 29;
constexpr int32_t kReload = 30;
constexpr int32_t kEmpty = 31;
constexpr int32_t kRoundStart = 32;
constexpr int32_t kRound = 33;
constexpr int32_t kRoundEnd = 34;
constexpr int32_t kLauncherReload = 35;

// Input actions.
constexpr int32_t kActPrimary = 32;
constexpr int32_t kActAux = 36;
constexpr int32_t kActFire = 37;
constexpr int32_t kActFire2 = 38;
constexpr int32_t kActFire3 = 39;
constexpr int32_t kActReload = 40;
constexpr int32_t kActDrop = 48;
constexpr int32_t kActAdd = 49;

constexpr int32_t kModeOneShot = 2;
constexpr int32_t kWeaponHandheld = 61;
constexpr int32_t kReloadLoopRow = 17;
constexpr int32_t kNoRow = -1;
constexpr int32_t kStances = 7;
constexpr int32_t kSoundChannel = 2;
constexpr uintptr_t kSoundOwnerBase = 5000;
constexpr float kSoundNear = 100.0f;
constexpr float kSoundFar = 4000.0f;
constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kThrowJitterScale = 2.29f;
constexpr float kGravity = -978.0f;
// The Use checks: within 200 units, looked at within 45 degrees.
constexpr float kCheckReachSq = 40000.0f;
constexpr float kCheckAngle = 0.7853982f;
constexpr int32_t kDefuseWithItemMs = 5000;
constexpr int32_t kDefuseMs = 15000;
constexpr int32_t kDownloadMs = 10000;
constexpr float kZoomGrowth = 0.08f;  // percent a millisecond

// The third-person action rows of states 27, 28, 30 and 32-35 by stance class.
struct action_rows {
    int32_t state;
    int32_t rows[kStances];
};
constexpr action_rows kActionRows[] = {
    {kFire, {6, 28, 39, 26, 27, 8, 9}},
    {kAltFire, {7, 29, 39, 26, 27, 8, 9}},
    {kReload, {10, 30, 40, 30, 30, 12, 13}},
    {kRoundStart, {14, 32, 41, kNoRow, kNoRow, kNoRow, kNoRow}},
    {kRound, {15, 33, 42, kNoRow, kNoRow, kNoRow, kNoRow}},
    {kRoundEnd, {16, 34, 43, kNoRow, kNoRow, kNoRow, kNoRow}},
    {kLauncherReload, {11, 31, kNoRow, kNoRow, kNoRow, kNoRow, kNoRow}},
};

int32_t action_row(int32_t state, int32_t stance) {
    if (stance < 0 || stance >= kStances) return kNoRow;
    for (const action_rows& r : kActionRows) {
        if (r.state == state) return r.rows[stance];
    }
    return kNoRow;
}

// What a throw hands the grenade.
struct throw_row {
    int32_t kind;
    uint8_t variant;
    int32_t frame;
    float speed;
    float angle;   // degrees, turning the throw upward
    float spread;  // degrees of jitter
};

bool throw_row_of(int32_t weapon, int32_t state, throw_row& out) {
    if (weapon_has_launcher(weapon)) {
        out = {9, 30, 0, 3000.0f, 0.5f, 0.0f};
    } else if (weapon == 52 || weapon == 53) {
        out = {weapon == 52 ? 6 : 7, 255, 17, 1300.0f, 2.5f, 0.0f};
    } else if (weapon == 54) {
        out = {8, 255, 34, 1300.0f, 2.5f, 0.0f};
    } else if (weapon_is_hand_grenade(weapon)) {
        const int32_t kind = weapon - 54;  // 55-58: kinds 1-4
        const uint8_t variant = kind == 1 ? 30 : 20;
        out = state == kFire ? throw_row{kind, variant, 53, 1400.0f, 2.5f, 10.0f}
                             : throw_row{kind, variant, 38, 1300.0f, 2.5f, 20.0f};
    } else if (weapon_is_charge(weapon)) {
        out = {5, 60, 50, 100.0f, 2.5f, 5.0f};
    } else {
        return false;
    }
    return true;
}

soldier_models models_of(const being& b) {
    return {b.name, b.view_model_name, static_cast<int32_t>(b.player_id)};
}

weapon_slot* current_slot(being& b) {
    weapon_slots& s = b.weapons;
    return s.current >= 0 && s.current < s.used ? &s.slots[s.current] : nullptr;
}

kvgame* game_of(server& srv) {
    return arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
}

bool toggle_set(server& srv) {
    const kvgame* game = game_of(srv);
    return game && kvgame_get_toggle(*game, 0) != 0;
}

int32_t stance_of(const being& b) {
    switch (b.movement_state) {
        case kStateCrouched:
        case kStateCrouchWalk:
        case kStateCrouchSideStep:
            return 1;
        case kStateLying:
        case kStateCrawl:
        case kStateSideCrawl:
            return 2;
        case kStateLeanLeft:
            return 3;
        case kStateLeanRight:
            return 4;
        case kStateSideStep:
            return (b.held & kHoldStepLeft) ? 5 : 6;
        default:
            return 0;
    }
}

// Sends a line of the game commands to the game object (the HUD's sight overlay among them).
void game_command(being& b, const std::string& text) {
    arty_factory_post_command_text(b.srv->factory, 0, text);
}

std::string sights_line(being& b, const char* word, int32_t kind) {
    return str_format("%s %d hud_sght%s hud_sght%s", word, kind, being_weapon_sight_names(b.weapons, 0),
                      being_weapon_sight_names(b.weapons, 1));
}

// Every frame trigger of both models cleared; the weapon effect and the spent shell armed again.
void clear_attachments(being& b) {
    server& srv = *b.srv;
    for (const std::string& name : {b.name, b.view_model_name}) {
        server_entity_select(srv, name);
        server_entity_clear_attachments(srv);
        server_entity_set_attachment(srv, 0, kTriggerWeaponEffect, "", 0);
        server_entity_set_attachment(srv, 1, kTriggerShell, "", 0);
    }
    server_entity_deselect(srv);
}

// The blade's strike on both models: the one that is drawn (the first-person model in first-person
// view, the body otherwise) strikes.
void arm_strike(being& b) {
    server& srv = *b.srv;
    for (const std::string& name : {b.name, b.view_model_name}) {
        server_entity_select(srv, name);
        server_entity_set_attachment(srv, 2, kTriggerStrike, "", 0);
    }
    server_entity_deselect(srv);
}

void throw_item(being& b, int32_t weapon, int32_t state) {
    throw_row row;
    if (!throw_row_of(weapon, state, row)) return;
    grenade_values values;
    values.kind = row.kind;
    values.id = b.throw_number++;
    values.variant = row.variant;
    values.model = weapon_model_name(weapon, kModelExtra);
    values.speed = row.speed;
    values.acceleration = vec3{0.0f, kGravity, 0.0f};
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_throw_trigger(srv, row.frame, static_cast<int32_t>(b.player_id), values, row.speed, 0.0f,
                                    0.0f, row.angle * kDegree, row.spread / kThrowJitterScale);
    server_entity_deselect(srv);
    if (weapon_has_launcher(weapon)) {
        // The launcher's own report, at the soldier.
        const sound_distances d = being_weapon_sound_distances(b.weapons);
        snd_play_3d(kernel_get().sound, kSoundChannel, being_shot_sound(b.weapons, 1),
                    reinterpret_cast<uintptr_t>(b.place.sector), being_position(b), vec3{},
                    vec3{0.0f, 0.0f, -1.0f}, d.near_distance, d.far_distance, 360.0f, 360.0f, 0,
                    b.player_id + kSoundOwnerBase, 0, false);
    }
}

void reload_sound(being& b, int32_t stage) {
    const char* name = being_reload_sound(b.weapons, stage);
    if (name && *name) being_weapon_sound(b, name);
}

bool queued(being& b) {
    const soldier_models m = models_of(b);
    return being_third_has_queued(*b.srv, m) || being_first_has_queued(*b.srv, m);
}

// The state machine's frame; false when it waited for the models.
bool run_state_machine(being& b, bool& started) {
    started = false;
    server& srv = *b.srv;
    const int32_t st = b.action_state;
    weapon_slot* slot = current_slot(b);
    const bool waits = (st >= kSelectFirst && st <= kSelectLast) || st == kReload || st == kRoundStart ||
                       st == kRound || st == kRoundEnd || st == kLauncherReload || b.launcher;
    if (waits && queued(b)) return false;

    if (st >= kSelectFirst && st <= kSelectLast) {
        being_weapon_disarm(b);
        being_select_kind(b, st - kSelectFirst);
        being_sights_update(b);
    } else if (st == kReload) {
        if (!being_weapon_reload_magazine(b)) return true;
    } else if (st == kRoundStart) {
        if (!being_weapon_load_round(b)) {
            b.action_state = 0;
            return true;
        }
    } else if (st == kRound) {
        if (b.rounds_to_load <= 0) {
            b.action_state = kRoundEnd;
            return true;
        }
    } else if (st == kAltFire && b.launcher && slot) {
        slot->launcher_rounds = -slot->launcher_rounds;
    } else if (st == kLauncherReload && slot) {
        being_sights_update(b);
        slot->launcher_rounds = -(slot->launcher_rounds + 1);
    }

    const int32_t row = action_row(st, b.stance);
    if (row == kNoRow) return true;
    const bool one_shot = slot && slot->fire_mode == kModeOneShot;
    // A one-shot weapon plays its shot once per press.
    if ((st == kFire || st == kAltFire) && one_shot && b.fired_this_press) return true;
    const int32_t column = being_weapon_column(b);
    const soldier_models m = models_of(b);
    started = being_play_action_upper(srv, m, row, column, kAnimLock);
    if (st == kRoundStart) being_queue_action_upper(srv, m, kReloadLoopRow, column, 0);
    if (st == kRound && started && slot) {
        ++slot->rounds;
        --b.rounds_to_load;
        being_queue_action_upper(srv, m, kReloadLoopRow, column, 0);
    }

    bool ready = true;
    if (st == kFire || st == kAltFire) ready = one_shot || b.launcher;
    if (st == kRoundStart || st == kRound) ready = b.launcher != 0;
    if (ready) being_ready_pose(b);

    if (!started) return true;
    if (st == kFire || st == kAltFire) {
        if (one_shot) b.fired_this_press = 1;
        if (!slot) return true;
        const int32_t weapon = slot->weapon;
        if (st == kAltFire && slot->slot_kind == kSlotMain && weapon_has_launcher(weapon)) {
            throw_item(b, weapon, st);
            return true;
        }
        switch (slot->slot_kind) {
            case kSlotMain:
            case kSlotSidearm:
                being_fire_shot(b);
                clear_attachments(b);
                break;
            case kSlotMelee:
                if (st == kAltFire) {
                    throw_item(b, weapon, st);
                    clear_attachments(b);
                } else {
                    clear_attachments(b);
                    arm_strike(b);
                }
                break;
            case kSlotGrenade:
                throw_item(b, weapon, st);
                clear_attachments(b);
                break;
            case kSlotEquipment:
                if (weapon_is_charge(weapon)) {
                    throw_item(b, weapon, st);
                    b.throw_pending = 1;
                }
                clear_attachments(b);
                break;
            default:
                clear_attachments(b);
                break;
        }
    } else if (st == kReload || st == kRoundStart) {
        reload_sound(b, 0);
    } else if (st == kRound || st == kLauncherReload) {
        reload_sound(b, 1);
    } else if (st == kRoundEnd) {
        reload_sound(b, 2);
    }
    return true;
}

void fire_action(being& b, bool pressed, bool fire3) {
    if (being_weapon_blocked(b)) return;
    b.trigger = pressed ? 1 : 0;
    if (pressed || b.action_state != kAltFire) b.launcher = 0;
    if (!being_weapon_can_fire(b)) {
        if (pressed) b.action_state = kEmpty;
        return;
    }
    if (!pressed) {
        b.action_state = kRelease;
        return;
    }
    b.fired_this_press = 0;
    const weapon_slot* slot = current_slot(b);
    b.action_state = !fire3 || (slot && weapon_has_launcher(slot->weapon)) ? kFire : kAltFire;
    if (slot && weapon_is_handheld(slot->weapon)) timer_restart(b.command44_timer);
}

vec3 forward_of(const being& b) {
    return mat4_row2(b.place.transform);
}

// The angle between the view's forward axis and the way to the point.
float angle_to(const vec3& forward, const vec3& from, const vec3& to) {
    const vec3 d = to - from;
    const float length = vec3_length(d) * vec3_length(forward);
    if (!(length > 0.0f)) return 0.0f;
    const float c = std::clamp((d.x * forward.x + d.y * forward.y + d.z * forward.z) / length, -1.0f, 1.0f);
    return std::acos(c);
}

float distance_sq(const vec3& a, const vec3& b) {
    const vec3 d = a - b;
    return d.x * d.x + d.y * d.y + d.z * d.z;
}

void check_restart(being& b) {
    timer_restart(b.command44_timer);
    b.check_progress = 0.0f;
}

}  // namespace

// The services the soldier's own code calls.

void being_weapon_pre_step(being& b) {
    being_weapon_keep_state(b);
}

bool being_weapon_command(being& b, bool pressed, int32_t code) {
    return being_weapon_action(b, pressed, code);
}

void being_weapon_follow_up(being& b) {
    if (b.action_state == 0) being_ready_pose(b);
}

void being_weapon_reset(being& b) {
    being_weapon_disarm(b);
    being_sights_lower(b);
    b.trigger = 0;
    b.launcher = 0;
    b.rounds_to_load = 0;
}

void being_weapon_step(being& b) {
    if (!b.srv || !being_record(b)) return;
    bool started = false;
    if (!run_state_machine(b, started)) return;
    const int32_t st = b.action_state;
    if ((st >= kSelectFirst && st <= kSelectLast) || st == kReload || st == kEmpty || st == kRoundEnd ||
        st == kLauncherReload) {
        b.action_state = 0;
    } else if ((st == kFire || st == kAltFire) && started) {
        if (b.srv->bots) botc_notify_player_bots(*b.srv->bots, b.player_id);
    } else if (st == kRelease) {
        being_weapon_stop(b);
    } else if (st == kRoundStart) {
        b.action_state = kRound;
    } else if (st == kRound && b.rounds_to_load <= 0) {
        b.action_state = kRoundEnd;
    }
}

// A one-shot weapon's shot plays out locked with the ready pose queued behind it: nothing to add.
void being_continue_upper_animation(being&) {}

void being_sights_step(being& b) {
    const int32_t elapsed = timer_elapsed_ms(b.sights_timer);
    timer_restart(b.sights_timer);
    being_sights_zoom_step(b, elapsed);
}

bool being_defuse_check(being& b) {
    return being_check_defuse(b);
}

bool being_download_check(being& b) {
    return being_check_download(b);
}

void being_pick_up_step(being& b) {
    if (!b.srv) return;
    player_record* r = being_record(b);
    if (!r) return;
    server& srv = *b.srv;
    kvgame* game = game_of(srv);
    server_entity_select(srv, b.name);
    for (server_dropped_weapon_begin(srv); !server_dropped_weapon_end(srv); server_dropped_weapon_advance(srv)) {
        if (!server_entity_current(srv)) break;
        dropped_weapon_item item;
        if (!server_dropped_weapon_next(srv, server_entity_bounds(srv), item)) continue;
        const int32_t weapon = item.weapon;
        const int32_t id = item.id;
        const int32_t rounds = item.rounds;
        const int32_t magazines = item.magazines;
        if (weapon == kWeaponGoalItem && !(game && kvgame_goal_can_take(*game, id, b))) continue;
        const auto cursor = srv.dropped_weapon_cursor;
        const bool taken = being_pick_up(b, weapon, rounds, magazines);
        srv.dropped_weapon_cursor = cursor;
        if (!taken) {
            server_entity_select(srv, b.name);
            continue;
        }
        if (weapon == kWeaponGoalItem) b.carried_goal = id;
        server_dropped_weapon_take(srv, b.player_id);
        if (weapon == kWeaponGoalItem && game) kvgame_goal_take(*game, weapon, id, b);
        break;
    }
    server_entity_deselect(srv);
}

bool being_weapon_is_throwable_knife(const being& b) {
    const weapon_slots& s = b.weapons;
    return s.current >= 0 && s.current < s.used && weapon_is_melee(s.slots[s.current].weapon);
}

// The weapon actions.

bool being_weapon_action(being& b, bool pressed, int32_t code) {
    if (!b.srv) return false;
    b.stance = stance_of(b);
    weapon_slot* slot = current_slot(b);
    if (code >= kActPrimary && code <= kActAux) {
        if (pressed) b.action_state = kSelectFirst + (code - kActPrimary);
        return true;
    }
    switch (code) {
        case kActFire2:
            if (being_weapon_sight_kind(b.weapons) != kSightNone) being_step_sights(b, pressed);
            return true;
        case kActReload:
            if (!pressed || being_weapon_reload_blocked(b, false)) return true;
            b.action_state = being_weapon_reloads_by_round(b.weapons) ? kRoundStart : kReload;
            return true;
        case kActDrop:
            if (pressed) being_drop_item(b);
            return true;
        case kActAdd:
            if (pressed) being_add_one_item(b);
            return true;
        case kActFire3:
            if (!being_weapon_blocked(b) && slot && slot->launcher_rounds != 0 && !b.trigger && pressed) {
                const int32_t n = slot->launcher_rounds;
                if (n < -1) {
                    if (!being_weapon_reload_blocked(b, true)) b.action_state = kLauncherReload;
                } else if (n >= 1) {
                    b.action_state = kAltFire;
                    b.launcher = 1;
                    if (n == 1) slot->launcher_rounds = 0;
                }
                return true;
            }
            fire_action(b, pressed, true);
            return true;
        case kActFire:
            fire_action(b, pressed, false);
            return true;
        default:
            return false;
    }
}

void being_weapon_keep_state(being& b) {
    const int32_t st = b.action_state;
    if ((st == kFire || st == kAltFire) && b.trigger) return;
    if (st >= kRoundStart && st <= kRoundEnd) return;
    b.action_state = 0;
}

void being_fire_shot(being& b) {
    const weapon_slot* slot = current_slot(b);
    if (!slot || (slot->slot_kind != kSlotMain && slot->slot_kind != kSlotSidearm) || !b.srv) return;
    const ammo_def* ammo = ammo_def_find(slot->ammunition);
    if (!ammo) return;
    int32_t pellets = ammo->pellets;
    const int32_t detail = kernel_get().detail_level;
    if (detail == kDetailLow) {
        pellets = 1;
    } else if (detail == kDetailMedium && pellets >= 2) {
        pellets /= 2;
    }
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_blast_trigger(srv, 0, ammo, slot->ammunition, static_cast<int32_t>(b.player_id), pellets);
    server_entity_deselect(srv);
}

void being_use_round(being& b) {
    weapon_slot* slot = current_slot(b);
    if (!slot || b.launcher) return;
    slot->rounds = std::max(slot->rounds - 1, 0);
    if (slot->rounds == 0) being_weapon_stop(b);
}

void being_weapon_stop(being& b) {
    b.action_state = 0;
    if (!b.srv) return;
    being_weapon_disarm(b);
    being_ready_pose(b);
}

void being_weapon_disarm(being& b) {
    if (!b.srv) return;
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    if (entity* e = server_entity_current(srv)) {
        e->blast.ammo = nullptr;
        e->throw_trigger.armed = 0;
    }
    server_entity_deselect(srv);
}

bool being_weapon_reload_magazine(being& b) {
    weapon_slot* slot = current_slot(b);
    if (!slot || slot->magazines <= 0) return false;
    --slot->magazines;
    slot->rounds = slot->capacity;
    being_sights_update(b);
    return true;
}

bool being_weapon_load_round(being& b) {
    const int32_t st = b.action_state;
    weapon_slot* slot = current_slot(b);
    if (st < kRoundStart || st > kRoundEnd || !slot) return false;
    if (slot->rounds >= slot->capacity || slot->magazines <= 0) return false;
    --slot->magazines;
    b.rounds_to_load = slot->capacity - slot->rounds;
    being_sights_update(b);
    return true;
}

bool being_weapon_can_fire(being& b) {
    const weapon_slot* slot = current_slot(b);
    const int32_t st = b.movement_state;
    return slot && slot->rounds >= 1 && st != kStateCrawl && st != kStateSideCrawl && st != kStateSwim;
}

bool being_weapon_blocked(being& b) {
    const int32_t st = b.movement_state;
    return st == kStateSideCrawl || st == kStateSwim || (b.srv && toggle_set(*b.srv));
}

bool being_weapon_reload_blocked(being& b, bool strict) {
    const int32_t st = b.movement_state;
    if ((b.srv && toggle_set(*b.srv)) || st == kStateSwim) return true;
    return strict && (st == kStateSideStep || st == kStateCrouchSideStep || st == kStateSideCrawl);
}

void being_ready_pose(being& b) {
    if (!b.srv) return;
    const int32_t row = being_move_row(b);
    const int32_t column = being_weapon_column(b);
    if (!anim_cell_in_range(row, column)) return;
    server& srv = *b.srv;
    const anim_tables& t = anim_tables_get();
    const soldier_models m = models_of(b);
    auto locked = [&srv](const std::string& name, int32_t channel) {
        server_entity_select(srv, name);
        const entity* e = server_entity_current(srv);
        const bool lock = e && e->channels[static_cast<std::size_t>(channel)].animation != -1 &&
                          e->channels[static_cast<std::size_t>(channel)].lock;
        server_entity_deselect(srv);
        return lock;
    };
    if (t.upper[row][column] != -1) {
        if (locked(b.name, 1)) {
            being_queue_upper(srv, m, t.upper[row][column], t.upper_speed[row][column], 0);
        } else {
            being_play_upper(srv, m, t.upper[row][column], t.upper_speed[row][column], 0);
        }
    }
    if (locked(b.view_model_name, 0)) {
        being_queue_first(srv, m, t.first[row][column], t.first_speed[row][column], 0);
    } else {
        being_play_first(srv, m, t.first[row][column], t.first_speed[row][column], 0);
    }
}

// The sights.

void being_step_sights(being& b, bool pressed) {
    if (!b.srv || (b.view_flags & kBeingThirdPerson)) return;
    const int32_t st = b.movement_state;
    if (!b.sights && st != kStateStill && st != kStateCrouched && st != kStateLeanLeft && st != kStateLeanRight &&
        st != kStateLying)
        return;
    int32_t kind = being_weapon_sight_kind(b.weapons);
    if (kind == kSightNone || being_third_has_queued(*b.srv, models_of(b))) return;
    const int32_t flags = b.srv->snapshot.flags;
    if (!(flags & kGameSightsFlag)) {
        if (kind == 4 || kind == kSightOptic) kind = kSightScope;
        if (kind == kSightIron || kind == 3) return;
    }
    if (!pressed) {
        if (kind == kSightScope && b.sight_step == 1) b.sight_step = 2;
        return;
    }
    if (!b.sights) {
        hud_effects_set_sights(b, true);
        timer_restart(b.sights_timer);
    }
    if (kind == kSightIron || kind == kSightScope || kind == kSightOptic) {
        b.sights = b.sights ? 0 : 1;
    } else if (b.sight_step == 0 || b.sight_step == 3) {
        b.sights = b.sights ? 0 : 1;
    }
    if (!b.sights) {
        // Lowered: the HUD's timer stops with them (it ran from this press when they were down).
        b.sights = 1;
        being_sights_lower(b);
        return;
    }
    gfx& g = kernel_get().graphics;
    gfx_set_weapon_view(g, false);
    const float zoom1 = being_weapon_zoom(b.weapons, 0, flags) * 100.0f - 100.0f;
    const float zoom2 = being_weapon_zoom(b.weapons, 1, flags) * 100.0f - 100.0f;
    if (kind == kSightIron || kind == kSightOptic) {
        if (b.sight_step == 0) {
            b.sight_step = 2;
            b.zoom = zoom1;
            view_stack_set_zoom(g.views, b.zoom);
        }
    } else if (kind == kSightScope) {
        if (b.sight_step == 0) {
            b.sight_step = 1;
            b.zoom = zoom1;
        } else if (b.sight_step == 1) {
            b.sight_step = 2;
        }
    } else {
        if (b.sight_step == 0) {
            b.sight_step = 2;
            b.zoom = zoom1;
        } else if (b.sight_step == 2) {
            b.sight_step = 3;
            b.zoom = zoom2;
        }
        view_stack_set_zoom(g.views, b.zoom);
    }
    game_command(b, sights_line(b, "g_sights", kind));
}

void being_sights_zoom_step(being& b, int32_t elapsed_ms) {
    if (b.sight_step != 1 || !b.srv) return;
    const float target = being_weapon_zoom(b.weapons, 1, b.srv->snapshot.flags) * 100.0f - 100.0f;
    if (b.zoom < target) b.zoom += static_cast<float>(std::max(elapsed_ms, 0)) * kZoomGrowth;
    view_stack_set_zoom(kernel_get().graphics.views, b.zoom);
}

void being_switch_weapon(being& b) {
    // The weapon put away takes its sights down with it; the models of the current slot follow.
    being_sights_lower(b);
}

void being_sights_lower(being& b) {
    if (!b.sights) return;
    if (b.srv) game_command(b, "g_sights ");
    b.sight_step = 0;
    b.zoom = 0.0f;
    gfx& g = kernel_get().graphics;
    view_stack_set_zoom(g.views, 0.0f);
    gfx_set_weapon_view(g, true);
    b.sights = 0;
    hud_effects_set_sights(b, false);
}

void being_sights_update(being& b) {
    if (!b.sights || !b.srv) return;
    game_command(b, sights_line(b, "wpn_sights", being_weapon_sight_kind(b.weapons)));
}

void being_weapon_sound(being& b, const std::string& name) {
    if (!b.srv) return;
    sound_system& sound = kernel_get().sound;
    const uintptr_t key = b.player_id + kSoundOwnerBase;
    const kvgame* game = game_of(*b.srv);
    if (game && kvgame_local_being(*game) == &b) {
        snd_play(sound, kSoundChannel, name, key, 0, false);
        return;
    }
    snd_play_3d(sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(b.place.sector), being_position(b),
                vec3{}, vec3{0.0f, 0.0f, -1.0f}, kSoundNear, kSoundFar, 360.0f, 360.0f, 0, key, 0, false);
}

// The Use checks.

bool being_check_defuse(being& b) {
    player_record* r = being_record(b);
    if (!r || !b.srv) return false;
    server& srv = *b.srv;
    const int32_t needed =
        being_weapon_index(b.weapons, -1) == kWeaponHandheld ? kDefuseWithItemMs : kDefuseMs;
    const vec3 eye = being_position(b);
    const grenade* nearest = nullptr;
    float best = 0.0f;
    for (const auto& g : srv.grenades) {
        if (g->kind != kGrenadeDefusable || g->defused || g->exploded || g->team == r->team) continue;
        const float d = distance_sq(eye, g->position);
        if (!nearest || d < best) {
            nearest = g.get();
            best = d;
        }
    }
    // Nothing in reach: the download check, which runs next, restarts the clock when it has nothing
    // either.
    if (!nearest || best >= kCheckReachSq) return false;
    if (angle_to(forward_of(b), eye, nearest->position) <= kCheckAngle) {
        if (timer_elapsed_ms(b.command44_timer) >= needed) {
            server_grenade_event(srv, nearest->owner, nearest->id, false);
            timer_restart(b.command44_timer);
        }
    } else {
        timer_restart(b.command44_timer);
    }
    b.check_progress = static_cast<float>(timer_elapsed_ms(b.command44_timer)) / static_cast<float>(needed);
    return true;
}

bool being_check_download(being& b) {
    player_record* r = being_record(b);
    kvgame* game = b.srv ? game_of(*b.srv) : nullptr;
    vec3 point;
    if (!r || !game || being_weapon_index(b.weapons, -1) != kWeaponHandheld ||
        !kvgame_find_download_goal(*game, b, point)) {
        check_restart(b);
        return false;
    }
    // The eyes' frame is the body's own: placed on the being, as the first-person camera is.
    mat4 view;
    being_view_matrix(b, view, 1);
    const vec3 eye = mat4_row3(mat4_mul(b.place.transform, view));
    if (distance_sq(eye, point) >= kCheckReachSq) {
        check_restart(b);
        return false;
    }
    if (angle_to(forward_of(b), eye, point) <= kCheckAngle) {
        if (timer_elapsed_ms(b.command44_timer) >= kDownloadMs) {
            client_send_goal(b.srv->client, "download", static_cast<int32_t>(r->id), r->team);
            timer_restart(b.command44_timer);
        }
    } else {
        timer_restart(b.command44_timer);
    }
    b.check_progress = static_cast<float>(timer_elapsed_ms(b.command44_timer)) / static_cast<float>(kDownloadMs);
    return true;
}

// A remote soldier's footsteps.

void being_remote_footsteps(being& b) {
    if (!b.srv) return;
    const int32_t st = b.movement_state;
    if (b.immersion > 20 || st == kStateCrawl || st == kStateSwim) return;
    int32_t interval = 400;
    int32_t volume = -602;
    if (st == kStateWalk || st == kStateSideStep) {
        interval = 500;
        volume = -1204;
    } else if (st == kStateCrouchWalk || st == kStateCrouchSideStep) {
        interval = 800;
        volume = -1204;
    }
    if (timer_elapsed_ms(b.remote_step_timer) < interval) return;
    const surface_table& table = kernel_get().surfaces;
    const surface_material* m =
        b.surface_marks[1] != kSurfaceWireNone ? surface_table_at(table, b.surface_marks[1]) : nullptr;
    if (!m) return;
    const float draw = static_cast<float>(kv_rand());
    const int32_t variant = draw <= 14745.15f ? 0 : draw > 29490.3f ? 4 : 2;
    const std::string& name = m->sounds[kSoundWalk];
    if (!name.empty()) {
        const std::string sample = name + static_cast<char>(b.foot_digit + variant);
        sound_system& sound = kernel_get().sound;
        const uintptr_t key = b.player_id + kSoundOwnerBase;
        const kvgame* game = game_of(*b.srv);
        if (game && game->bound_camera && game->bound_camera->followed == &b) {
            snd_play(sound, kSoundChannel, sample, key, volume, false);
        } else {
            snd_play_3d(sound, kSoundChannel, sample, reinterpret_cast<uintptr_t>(b.place.sector),
                        being_position(b), vec3{}, vec3{0.0f, 0.0f, -1.0f}, m->min_distance, m->max_distance,
                        360.0f, 360.0f, m->cone_outside_volume, key, volume, false);
        }
    }
    b.foot_digit = b.foot_digit == '1' ? '2' : '1';
    timer_restart(b.remote_step_timer);
}

}  // namespace kv
