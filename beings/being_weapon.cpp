// The weapon side of the soldier: the action-state machine that plays the weapon animations, arms the
// shot and throw triggers of the body, reloads, and raises and lowers the sights.

#include <algorithm>
#include <cmath>

#include "beings/anim_tables.h"
#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/entity.h"
#include "beings/grenade.h"
#include "beings/soldier_anims.h"
#include "beings/weapon_slots.h"
#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/kernel.h"
#include "sound/sound_system.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kSelectFirst = 22;  // 22-26: the next slot of slot kind state - 22
constexpr int32_t kSelectLast = 26;
constexpr int32_t kFire = 27;
constexpr int32_t kAltFire = 28;
constexpr int32_t kReleased = 29;
constexpr int32_t kReload = 30;
constexpr int32_t kEmpty = 31;
constexpr int32_t kRoundStart = 32;
constexpr int32_t kRoundOne = 33;
constexpr int32_t kRoundEnd = 34;
constexpr int32_t kLauncherReload = 35;

constexpr int32_t kCodePrimary = 32;
constexpr int32_t kCodeAux = 36;
constexpr int32_t kCodeFire = 37;
constexpr int32_t kCodeFire2 = 38;
constexpr int32_t kCodeFire3 = 39;
constexpr int32_t kCodeReload = 40;
constexpr int32_t kCodeDrop = 48;
constexpr int32_t kCodeAddItem = 49;

constexpr int32_t kReloadLoop = 17;
constexpr int32_t kModeOneShot = 2;
constexpr int32_t kKindMain = 0;
constexpr int32_t kKindSidearm = 1;
constexpr int32_t kKindMelee = 2;
constexpr int32_t kKindGrenade = 3;
constexpr int32_t kWeaponHandheldItem = 61;
constexpr int32_t kWeaponCharge = 60;
constexpr int32_t kSoundOwnerBase = 5000;
constexpr int32_t kSoundChannel = 2;
constexpr float kSoundNear = 100.0f;
constexpr float kSoundFar = 4000.0f;
constexpr float kZoomGrowth = 0.08f;  // percent a millisecond
constexpr float kDegree = 0.017453292f;
constexpr float kThrowGravity = -978.0f;

// Third-person action animations by state (27, 28, 30, 32-35) and stance class.
constexpr int32_t kActionRows[9][7] = {
    {6, 28, 39, 26, 27, 8, 9},     // 27
    {7, 29, 39, 26, 27, 8, 9},     // 28
    {-1, -1, -1, -1, -1, -1, -1},  // 29
    {10, 30, 40, 30, 30, 12, 13},  // 30
    {-1, -1, -1, -1, -1, -1, -1},  // 31
    {14, 32, 41, -1, -1, -1, -1},  // 32
    {15, 33, 42, -1, -1, -1, -1},  // 33
    {16, 34, 43, -1, -1, -1, -1},  // 34
    {11, 31, -1, -1, -1, -1, -1},  // 35
};

int32_t action_row(int32_t state, int32_t stance) {
    if (state < kFire || state > kLauncherReload || stance < 0 || stance > 6) return -1;
    return kActionRows[state - kFire][stance];
}

soldier_models models_of(const being& b) {
    return {b.name, b.view_model_name, static_cast<int32_t>(b.player_id)};
}

weapon_slot* current_slot(being& b) {
    weapon_slots& s = b.weapons;
    return s.current >= 0 && s.current < s.used ? &s.slots[s.current] : nullptr;
}

int32_t weapon_column(const being& b) {
    const int32_t w = being_weapon_index(b.weapons, -1);
    return w >= 0 && w < kAnimColumns ? w : kWeaponHands;
}

kvgame* game_of(being& b) {
    return b.srv ? arty_factory_find_as<kvgame>(b.srv->factory, b.srv->factory.game_arty) : nullptr;
}

bool game_toggle(being& b) {
    const kvgame* game = game_of(b);
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

bool any_queued(being& b) {
    return being_third_has_queued(*b.srv, models_of(b)) || being_first_has_queued(*b.srv, models_of(b));
}

// The shot and throw triggers of the body let go.
void disarm(being& b) {
    if (entity* e = server_entity_find(*b.srv, b.name)) {
        e->blast.ammo = nullptr;
        e->throw_trigger.armed = 0;
    }
}

// The movement state's row on the body's upper channel and the first-person channel: played where the
// channel is free, else queued behind the locked action.
void ready_pose(being& b) {
    const int32_t row = being_move_row(b);
    if (row < 0) return;
    const entity* e = server_entity_find(*b.srv, b.name);
    const bool locked = e && e->channels[1].lock;
    if (locked) {
        being_queue_action_upper(*b.srv, models_of(b), row, weapon_column(b), 0);
    } else {
        being_play_action_upper(*b.srv, models_of(b), row, weapon_column(b), 0);
    }
}

// Every frame trigger of both models cleared, then the flash and the shell at frame 0.
void clear_attachments(being& b) {
    server& srv = *b.srv;
    for (const std::string& name : {b.name, b.view_model_name}) {
        server_entity_select(srv, name);
        server_entity_clear_attachments(srv);
        server_entity_set_attachment(srv, 0, 2, std::string(), 0);
        server_entity_set_attachment(srv, 1, 3, std::string(), 0);
    }
    server_entity_deselect(srv);
}

void refresh_sights(being& b) {
    if (b.sights) being_sights_update(b);
}

struct throw_row {
    int32_t kind;
    uint8_t variant;
    int32_t frame;
    float speed;
    float angle;   // degrees
    float jitter;  // degrees
};

bool throw_of(int32_t weapon, int32_t state, throw_row& out) {
    if (weapon_has_launcher(weapon)) {
        out = {9, 30, 0, 3000.0f, 0.5f, 0.0f};
    } else if (weapon == 52 || weapon == 53) {
        out = {weapon == 52 ? 6 : 7, 255, 17, 1300.0f, 2.5f, 0.0f};
    } else if (weapon == 54) {
        out = {8, 255, 34, 1300.0f, 2.5f, 0.0f};
    } else if (weapon >= 55 && weapon <= 58) {
        const int32_t kind = weapon - 54;
        const uint8_t variant = kind == 1 ? 30 : 20;
        out = state == kFire ? throw_row{kind, variant, 53, 1400.0f, 2.5f, 10.0f}
                             : throw_row{kind, variant, 38, 1300.0f, 2.5f, 20.0f};
    } else if (weapon == kWeaponCharge) {
        out = {5, 60, 50, 100.0f, 2.5f, 5.0f};
    } else {
        return false;
    }
    return true;
}

void throw_item(being& b, int32_t state) {
    const int32_t weapon = being_weapon_index(b.weapons, -1);
    throw_row row{};
    if (!throw_of(weapon, state, row)) return;
    grenade_values v;
    v.kind = row.kind;
    v.variant = row.variant;
    v.model = weapon_model_name(weapon, kModelExtra);
    v.speed = row.speed;
    v.acceleration = {0.0f, kThrowGravity, 0.0f};
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_throw_trigger(srv, row.frame, static_cast<int32_t>(b.player_id), v, row.speed, 0.0f,
                                    0.0f, row.angle * kDegree, row.jitter / 2.29f);
    server_entity_deselect(srv);
    if (weapon_has_launcher(weapon)) being_weapon_sound(b, being_shot_sound(b.weapons, 1));
}

void melee_strike(being& b) {
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_attachment(srv, 2, 0, std::string(), 0);
    server_entity_deselect(srv);
}

void reload_sound(being& b, int32_t stage) {
    being_weapon_sound(b, being_reload_sound(b.weapons, stage));
}

// What the started action does.
void act(being& b, int32_t state) {
    weapon_slot* slot = current_slot(b);
    if (!slot) return;
    if (state == kAltFire && b.launcher && being_weapon_has_launcher(b.weapons)) {
        throw_item(b, state);
        return;
    }
    if (state == kFire || state == kAltFire) {
        switch (slot->slot_kind) {
            case kKindMain:
            case kKindSidearm:
                being_fire_shot(b);
                clear_attachments(b);
                break;
            case kKindMelee:
                clear_attachments(b);
                if (state == kAltFire) {
                    throw_item(b, state);
                } else {
                    melee_strike(b);
                }
                break;
            case kKindGrenade:
                throw_item(b, state);
                clear_attachments(b);
                break;
            default:
                if (slot->weapon == kWeaponCharge) {
                    throw_item(b, state);
                    b.throw_pending = 1;
                }
                clear_attachments(b);
                break;
        }
    } else if (state == kReload || state == kRoundStart) {
        reload_sound(b, 0);
    } else if (state == kRoundOne || state == kLauncherReload) {
        reload_sound(b, 1);
    } else if (state == kRoundEnd) {
        reload_sound(b, 2);
    }
}

// False while the state waits for the queued animations to play out.
bool run_state_machine(being& b) {
    const int32_t state = b.action_state;
    if (state == 0 || state == kReleased || state == kEmpty) return true;
    const bool waits = (state >= kSelectFirst && state <= kSelectLast) || state == kReload ||
                       (state >= kRoundStart && state <= kLauncherReload) || b.launcher;
    if (waits && any_queued(b)) return false;
    weapon_slot* slot = current_slot(b);
    if (state >= kSelectFirst && state <= kSelectLast) {
        being_select_slot_kind(b, state - kSelectFirst);
        refresh_sights(b);
        return true;
    }
    if (state == kReload && !being_weapon_reload_magazine(b)) return true;
    if (state == kRoundStart && !being_weapon_load_round(b)) {
        b.action_state = 0;
        return true;
    }
    if (state == kRoundOne && b.rounds_to_load <= 0) {
        b.action_state = kRoundEnd;
        return true;
    }
    if (state == kAltFire && b.launcher && slot) slot->launcher_rounds = -slot->launcher_rounds;
    if (state == kLauncherReload && slot) {
        refresh_sights(b);
        slot->launcher_rounds = -(slot->launcher_rounds + 1);
    }
    const int32_t row = action_row(state, b.stance);
    if (row < 0) return true;
    const bool locked = state == kFire || state == kAltFire || state >= kReload;
    const bool started =
        being_play_action_upper(*b.srv, models_of(b), row, weapon_column(b), locked ? kAnimLock : 0);
    if (state == kRoundStart || state == kRoundOne) {
        if (state == kRoundOne && started && slot) {
            ++slot->rounds;
            --b.rounds_to_load;
        }
        being_queue_action_upper(*b.srv, models_of(b), kReloadLoop, weapon_column(b), kAnimLock);
    }
    bool pose = true;
    if (state == kFire || state == kAltFire) {
        pose = (slot && slot->fire_mode == kModeOneShot) || b.launcher;
    } else if (state == kRoundStart || state == kRoundOne) {
        pose = b.launcher != 0;
    }
    if (pose) ready_pose(b);
    if (started) act(b, state);
    return true;
}

void sights_message(being& b, const char* word) {
    kvgame* game = game_of(b);
    if (!game) return;
    kvgame_run_game_command(
        *game, str_format("%s %d hud_sght%s hud_sght%s", word, being_weapon_sight_kind(b.weapons),
                          being_weapon_sight_names(b.weapons, 0), being_weapon_sight_names(b.weapons, 1)));
}

int32_t game_flags(const being& b) {
    return b.srv ? b.srv->snapshot.flags : 0;
}

}  // namespace

bool being_weapon_can_fire(being& b) {
    const weapon_slot* slot = current_slot(b);
    const int32_t st = b.movement_state;
    return slot && slot->rounds >= 1 && st != kStateCrawl && st != kStateSideCrawl && st != kStateSwim;
}

bool being_weapon_blocked(being& b) {
    return b.movement_state == kStateSideCrawl || b.movement_state == kStateSwim || game_toggle(b);
}

bool being_weapon_reload_blocked(being& b, bool strict) {
    const int32_t st = b.movement_state;
    if (game_toggle(b) || st == kStateSwim) return true;
    return strict && (st == kStateSideStep || st == kStateCrouchSideStep || st == kStateSideCrawl);
}

void being_weapon_sound(being& b, const std::string& name) {
    if (name.empty() || !b.srv) return;
    sound_system& sound = kernel_get().sound;
    const uintptr_t key = static_cast<uintptr_t>(b.player_id) + kSoundOwnerBase;
    const kvgame* game = game_of(b);
    if (game && game->bound_camera && game->bound_camera->followed == &b) {
        snd_play(sound, kSoundChannel, name, key, 0, false);
        return;
    }
    snd_play_3d(sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(b.place.sector), being_position(b),
                vec3{}, vec3{0.0f, 0.0f, -1.0f}, kSoundNear, kSoundFar, 360.0f, 360.0f, 0, key, 0, false);
}

void being_weapon_stop(being& b) {
    b.action_state = 0;
    if (!b.srv) return;
    disarm(b);
    ready_pose(b);
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_lock(srv, 1, 0);
    server_entity_deselect(srv);
}

bool being_weapon_reload_magazine(being& b) {
    weapon_slot* slot = current_slot(b);
    if (!slot || slot->magazines <= 0) return false;
    --slot->magazines;
    slot->rounds = slot->capacity;
    refresh_sights(b);
    return true;
}

bool being_weapon_load_round(being& b) {
    weapon_slot* slot = current_slot(b);
    if (!slot || b.action_state < kRoundStart || b.action_state > kRoundEnd) return false;
    if (slot->rounds >= slot->capacity || slot->magazines <= 0) return false;
    --slot->magazines;
    b.rounds_to_load = slot->capacity - slot->rounds;
    refresh_sights(b);
    return true;
}

void being_fire_shot(being& b) {
    const weapon_slot* slot = current_slot(b);
    if (!slot || (slot->slot_kind != kKindMain && slot->slot_kind != kKindSidearm)) return;
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
    server_entity_set_blast_trigger(srv, 0, ammo, slot->ammunition, static_cast<int32_t>(b.player_id),
                                    pellets);
    server_entity_deselect(srv);
}

void being_use_round(being& b) {
    weapon_slot* slot = current_slot(b);
    if (!slot || b.launcher) return;
    slot->rounds = std::max(slot->rounds - 1, 0);
    if (slot->rounds == 0) being_weapon_stop(b);
}

void being_weapon_pre_step(being& b) {
    const int32_t st = b.action_state;
    if ((st == kFire || st == kAltFire) && b.trigger) return;
    if (st >= kRoundStart && st <= kRoundEnd) return;
    b.action_state = 0;
}

bool being_weapon_command(being& b, bool pressed, int32_t code) {
    const bool known =
        (code >= kCodePrimary && code <= kCodeReload) || code == kCodeDrop || code == kCodeAddItem;
    if (!known || !b.srv) return false;
    b.stance = stance_of(b);
    weapon_slot* slot = current_slot(b);
    if (code <= kCodeAux) {
        if (pressed) b.action_state = kSelectFirst + (code - kCodePrimary);
        return true;
    }
    if (code == kCodeFire2) {
        if (being_weapon_sight_kind(b.weapons) != 0) being_step_sights(b, pressed);
        return true;
    }
    if (code == kCodeReload) {
        if (!pressed || being_weapon_reload_blocked(b, false)) return true;
        b.action_state = being_weapon_reloads_by_round(b.weapons) ? kRoundStart : kReload;
        return true;
    }
    if (code == kCodeDrop || code == kCodeAddItem) {
        if (pressed) {
            if (code == kCodeDrop) {
                being_drop_current(b);
            } else {
                being_add_current_item(b);
            }
        }
        return true;
    }
    if (being_weapon_blocked(b)) return true;
    if (code == kCodeFire3 && slot && slot->launcher_rounds != 0 && !b.trigger && pressed) {
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
    b.trigger = pressed ? 1 : 0;
    b.launcher = 0;
    if (!being_weapon_can_fire(b)) {
        if (pressed) b.action_state = kEmpty;
        return true;
    }
    if (!pressed) {
        b.action_state = kReleased;
        return true;
    }
    b.action_state = code == kCodeFire || being_weapon_has_launcher(b.weapons) ? kFire : kAltFire;
    if (slot && slot->weapon == kWeaponHandheldItem) timer_restart(b.item_timer);
    return true;
}

void being_weapon_step(being& b) {
    if (!b.srv) return;
    const bool ran = run_state_machine(b);
    hud_effects_set_state(b, b.action_state);
    const int32_t st = b.action_state;
    // A state that waits for the animations before it stays for the next frame.
    if (!ran) return;
    if ((st >= kSelectFirst && st <= kSelectLast) || st == kReload || st == kEmpty || st == kRoundEnd ||
        st == kLauncherReload) {
        b.action_state = 0;
    } else if (st == kFire || st == kAltFire) {
        botc_notify_player_bots(bot_central_get(), b.player_id);
    } else if (st == kReleased) {
        being_weapon_stop(b);
    } else if (st == kRoundStart) {
        b.action_state = kRoundOne;
    } else if (st == kRoundOne && b.rounds_to_load <= 0) {
        b.action_state = kRoundEnd;
    }
}

void being_weapon_follow_up(being& b) {
    if (b.action_state == 0 && b.srv) ready_pose(b);
}

void being_weapon_reset(being& b) {
    b.action_state = 0;
    b.trigger = 0;
    b.launcher = 0;
    b.rounds_to_load = 0;
    if (b.srv) disarm(b);
}

// Fire mode 2: the action plays once per press; the pose returns when it ends.
void being_continue_upper_animation(being&) {}

void being_sights_step(being& b) {
    being_sights_zoom_step(b, 16);
}

void being_step_sights(being& b, bool pressed) {
    if (!b.srv || (b.view_flags & kBeingThirdPerson)) return;
    const int32_t st = b.movement_state;
    if (!b.sights && st != kStateStill && st != kStateCrouched && st != kStateLeanLeft &&
        st != kStateLeanRight && st != kStateLying)
        return;
    int32_t kind = being_weapon_sight_kind(b.weapons);
    if (kind == 0 || being_third_has_queued(*b.srv, models_of(b))) return;
    const int32_t flags = game_flags(b);
    if (!(flags & kGameSightsFlag)) {
        if (kind == 4 || kind == 5) kind = 2;
        if (kind == 1 || kind == 3) return;
    }
    if (pressed) {
        if (!b.sights) hud_sights_timer(true);
        if (kind == 1 || kind == 2 || kind == 5 || b.sight_step == 0 || b.sight_step == 3)
            b.sights = !b.sights;
        if (b.sights) {
            gfx_set_weapon_view(kernel_get().graphics, false);
            const float zoom1 = being_weapon_zoom(b.weapons, 0, flags);
            const float zoom2 = being_weapon_zoom(b.weapons, 1, flags);
            if (kind == 1 || kind == 5) {
                if (b.sight_step == 0) {
                    b.sight_step = 2;
                    b.zoom = zoom1 * 100.0f - 100.0f;
                    view_stack_set_zoom(b.zoom);
                }
            } else if (kind == 2) {
                if (b.sight_step == 0) {
                    b.sight_step = 1;
                    b.zoom = zoom1 * 100.0f - 100.0f;
                } else if (b.sight_step == 1) {
                    b.sight_step = 2;
                }
            } else if (b.sight_step == 0) {
                b.sight_step = 2;
                b.zoom = zoom1 * 100.0f - 100.0f;
                view_stack_set_zoom(b.zoom);
            } else if (b.sight_step == 2) {
                b.sight_step = 3;
                b.zoom = zoom2 * 100.0f - 100.0f;
                view_stack_set_zoom(b.zoom);
            }
            sights_message(b, "g_sights");
        } else {
            b.sights = 1;
            being_sights_lower(b);
        }
        return;
    }
    if (kind == 2 && b.sight_step == 1) b.sight_step = 2;
}

void being_sights_zoom_step(being& b, int32_t elapsed) {
    if (b.sight_step != 1) return;
    const float target = being_weapon_zoom(b.weapons, 1, game_flags(b)) * 100.0f - 100.0f;
    if (b.zoom < target) b.zoom += static_cast<float>(elapsed) * kZoomGrowth;
    view_stack_set_zoom(b.zoom);
}

void being_sights_lower(being& b) {
    if (!b.sights) return;
    if (kvgame* game = game_of(b)) kvgame_run_game_command(*game, "g_sights ");
    b.sight_step = 0;
    b.zoom = 0.0f;
    view_stack_set_zoom(0.0f);
    gfx_set_weapon_view(kernel_get().graphics, true);
    b.sights = 0;
    hud_sights_timer(false);
}

void being_sights_update(being& b) {
    if (b.sights) {
        sights_message(b, "wpn_sights");
        return;
    }
    // Lowered from outside (a change of posture or of weapon): the zoom and the overlay go too.
    if (b.sight_step != 0) {
        b.sights = 1;
        being_sights_lower(b);
    }
}

void being_switch_weapon(being&) {}

bool being_weapon_is_throwable_knife(const being& b) {
    const int32_t w = being_weapon_index(b.weapons, -1);
    return w == 52 || w == 53 || w == 54;
}

}  // namespace kv
