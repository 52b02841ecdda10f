// The being's movement states: command codes become held inputs, the state machine turns them into
// postures and motions with their body animations, and posture changes are tried against the world
// first.

#include <cstdlib>

#include "beings/anim_tables.h"
#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/soldier_anims.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/kernel.h"

namespace kv {
namespace {

// Command codes.
constexpr int32_t kCodeRelease = 0;
constexpr int32_t kCodeSwim = 41;
constexpr int32_t kCodeLamp = 42;
constexpr int32_t kCodeNightView = 43;
constexpr int32_t kCodeUse = 44;
constexpr int32_t kCodeHold = 45;
constexpr int32_t kCodeSightsLast = 4108;
constexpr int32_t kCodeSightsFirst = 4107;
constexpr int32_t kSightsOffCodes[] = {23, 24, 47};
// Codes a queue may carry: the input actions and the weapon codes after 0x1000.
constexpr int32_t kLastActionCode = 63;
constexpr int32_t kFirstWeaponCode = 0x1000;
constexpr int32_t kLastWeaponCode = 0x10FF;
constexpr int32_t kResetActionState = 29;
constexpr int32_t kNoRow = -1;
constexpr int32_t kSpecialStand = 0;
constexpr int32_t kSpecialCrouch = 1;
constexpr int32_t kSpecialProne = 2;
constexpr int32_t kSpecialSwim = 3;
constexpr int32_t kPostureStanding = 0;
constexpr int32_t kPostureCrouched = 1;
constexpr int32_t kPostureProne = 2;

struct code_bit {
    int32_t code;
    uint32_t bit;
};
constexpr code_bit kCodeBits[] = {
    {1, kHoldForward},      {2, kHoldBack},      {18, kHoldWalk},      {3, kHoldTurnLeft},
    {4, kHoldTurnRight},    {11, kHoldStepLeft}, {12, kHoldStepRight}, {17, kHoldJump},
    {19, kHoldDown},        {20, kHoldUp},       {15, kHoldLeanLeft},  {16, kHoldLeanRight},
    {kCodeSwim, kHoldSwim},
};

uint32_t bit_of(int32_t code) {
    for (const code_bit& c : kCodeBits) {
        if (c.code == code) return c.bit;
    }
    return 0;
}

// The animation row of a state for each variant, and which variants play reversed (bit 0: variant 0,
// bit 1: variant 1).
struct move_row {
    int32_t rows[2];
    int32_t reversed;
};
move_row row_of(int32_t state) {
    switch (state) {
        case kStateStill:
            return {{kRowIdle, kNoRow}, 0};
        case kStateWalk:
            return {{1, 1}, 2};
        case kStateRun:
            return {{2, 2}, 2};
        case kStateSideStep:
            return {{3, 4}, 0};
        case kStateJump:
            return {{5, 5}, 0};
        case kStateStandCrouch:
            return {{45, 45}, 2};
        case kStateCrouched:
            return {{18, 18}, 0};
        case kStateCrouchWalk:
            return {{19, 19}, 2};
        case kStateCrouchSideStep:
            return {{20, 21}, 0};
        case kStateLeanStart:
            return {{22, 23}, 0};
        case kStateLeanLeft:
            return {{24, 24}, 0};
        case kStateLeanRight:
            return {{25, 25}, 0};
        case kStateLeanEnd:
            return {{22, 23}, 3};
        case kStateStandProne:
            return {{46, 46}, 2};
        case kStateCrouchProne:
            return {{47, 47}, 1};
        case kStateLying:
            return {{35, 35}, 0};
        case kStateCrawl:
            return {{36, 36}, 2};
        case kStateSideCrawl:
            return {{37, 38}, 0};
        case kStateSwim:
            return {{44, 44}, 0};
        default:
            return {{kNoRow, kNoRow}, 0};
    }
}

int32_t weapon_column(const being& b) {
    const int32_t w = being_weapon_index(b.weapons, -1);
    return w >= 0 && w < kAnimColumns ? w : kWeaponHands;
}

bool has(uint32_t held, uint32_t bit) {
    return (held & bit) != 0;
}

bool moving(uint32_t held) {
    return has(held, kHoldForward) != has(held, kHoldBack);
}

bool side_stepping(uint32_t held) {
    return has(held, kHoldStepLeft) != has(held, kHoldStepRight);
}

// The variant a state takes from the held inputs when no rule names one.
int32_t natural_variant(const being& b, int32_t state) {
    switch (state) {
        case kStateWalk:
        case kStateRun:
        case kStateCrouchWalk:
        case kStateCrawl:
            return has(b.held, kHoldForward) ? 0 : 1;
        case kStateSideStep:
        case kStateCrouchSideStep:
        case kStateSideCrawl:
            return has(b.held, kHoldStepLeft) ? 0 : 1;
        default:
            return 0;
    }
}

int32_t options_of(int32_t state, int32_t variant) {
    int32_t options = 0;
    if (row_of(state).reversed & (1 << variant)) options |= kAnimReverse;
    if (state == kStateJump) options |= kAnimNoLoop;
    return options;
}

// The state with its animation.
void enter(being& b, int32_t state, int32_t variant) {
    b.movement_state = state;
    being_start_move_animation(b, variant);
}

void enter(being& b, int32_t state) {
    enter(b, state, natural_variant(b, state));
}

// A passing state's animation, then the final state queued behind it; a special action when given.
void pass_to(being& b, int32_t passing, int32_t variant, int32_t final_state, int32_t special = -1) {
    enter(b, passing, variant);
    b.movement_state = final_state;
    being_queue_move_animation(b, natural_variant(b, final_state));
    if (special >= 0) being_begin_special_action(b, special);
}

void swim(being& b) {
    enter(b, kStateSwim, 0);
    being_begin_special_action(b, kSpecialSwim);
}

void jump(being& b, int32_t stay) {
    if (being_in_air(b)) return;
    enter(b, kStateJump, 0);
    b.movement_state = stay;
    being_queue_move_animation(b, natural_variant(b, stay));
    being_begin_special_action(b, kSpecialStand);
    b.jumping = 1;
}

int32_t walk_or_run(uint32_t held) {
    return has(held, kHoldWalk) ? kStateWalk : kStateRun;
}

int32_t side_variant(uint32_t held) {
    return has(held, kHoldStepLeft) ? 0 : 1;
}

void standing(being& b, uint32_t h) {
    if (moving(h)) {
        enter(b, walk_or_run(h));
    } else if (side_stepping(h)) {
        enter(b, kStateSideStep, side_variant(h));
    } else if (has(h, kHoldJump)) {
        jump(b, kStateStill);
    } else if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureCrouched))
            pass_to(b, kStateStandCrouch, 0, kStateCrouched, kSpecialCrouch);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateStandProne, 0, kStateLying, kSpecialProne);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    }
}

void walking(being& b, uint32_t h) {
    const int32_t s = b.movement_state;
    if (has(h, kHoldJump) && !being_in_air(b)) {
        jump(b, s);
    } else if (!moving(h)) {
        if (side_stepping(h)) {
            enter(b, kStateSideStep, side_variant(h));
        } else {
            enter(b, kStateStill, 0);
        }
    } else if (s == kStateWalk && !has(h, kHoldWalk)) {
        enter(b, kStateRun);
    } else if (s == kStateRun && has(h, kHoldWalk)) {
        enter(b, kStateWalk);
    } else if (has(h, kHoldDown)) {
        pass_to(b, kStateStandCrouch, 0, kStateCrouchWalk, kSpecialCrouch);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateStandProne, 0, kStateCrawl, kSpecialProne);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    }
}

void side_stepping_state(being& b, uint32_t h) {
    if (has(h, kHoldJump) && !being_in_air(b)) {
        // A hop: no jump flag and no special action.
        enter(b, kStateJump, 0);
        b.movement_state = kStateSideStep;
        being_queue_move_animation(b, side_variant(h));
    } else if (moving(h)) {
        enter(b, walk_or_run(h));
    } else if (has(h, kHoldDown)) {
        pass_to(b, kStateStandCrouch, 0, kStateCrouchSideStep, kSpecialCrouch);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateStandProne, 0, kStateSideCrawl, kSpecialProne);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    } else if (!side_stepping(h)) {
        enter(b, kStateStill, 0);
    }
}

void crouched(being& b, uint32_t h) {
    if (moving(h)) {
        enter(b, kStateCrouchWalk);
    } else if (side_stepping(h)) {
        enter(b, kStateCrouchSideStep, side_variant(h));
    } else if (has(h, kHoldLeanLeft)) {
        pass_to(b, kStateLeanStart, 0, kStateLeanLeft);
    } else if (has(h, kHoldLeanRight)) {
        enter(b, kStateLeanStart, 1);
        b.movement_state = kStateLeanRight;
        being_queue_move_animation(b, 1);
    } else if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateCrouchProne, 0, kStateLying, kSpecialProne);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandCrouch, 1, kStateStill, kSpecialStand);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    }
}

void crouch_walking(being& b, uint32_t h) {
    if (!moving(h)) {
        if (side_stepping(h)) {
            enter(b, kStateCrouchSideStep, side_variant(h));
        } else {
            enter(b, kStateCrouched, 0);
        }
    } else if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateCrouchProne, 0, kStateCrawl, kSpecialProne);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandCrouch, 1, walk_or_run(h), kSpecialStand);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    }
}

void crouch_side_stepping(being& b, uint32_t h) {
    if (moving(h)) {
        enter(b, kStateCrouchWalk);
    } else if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureProne))
            pass_to(b, kStateCrouchProne, 0, kStateSideCrawl, kSpecialProne);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandCrouch, 1, kStateSideStep, kSpecialStand);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    } else if (!side_stepping(h)) {
        enter(b, kStateCrouched, 0);
    }
}

void leaning(being& b, uint32_t h) {
    if (moving(h)) {
        enter(b, kStateCrouchWalk, 0);
    } else if (side_stepping(h)) {
        enter(b, kStateCrouchSideStep, side_variant(h));
    } else if (has(h, kHoldLeanLeft) || has(h, kHoldLeanRight)) {
        pass_to(b, kStateLeanEnd, b.movement_state == kStateLeanLeft ? 0 : 1, kStateCrouched);
    }
}

void lying(being& b, uint32_t h) {
    if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandProne, 1, kStateStill, kSpecialStand);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureCrouched))
            pass_to(b, kStateCrouchProne, 1, kStateCrouched, kSpecialCrouch);
    } else if (moving(h)) {
        enter(b, kStateCrawl);
    } else if (side_stepping(h)) {
        enter(b, kStateSideCrawl, side_variant(h));
    } else if (has(h, kHoldSwim)) {
        swim(b);
    }
}

void crawling(being& b, uint32_t h) {
    if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandProne, 1, walk_or_run(h), kSpecialStand);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureCrouched))
            pass_to(b, kStateCrouchProne, 1, kStateCrouchWalk, kSpecialCrouch);
    } else if (has(h, kHoldSwim)) {
        swim(b);
    } else if (!moving(h)) {
        enter(b, kStateLying, 0);
    }
}

void side_crawling(being& b, uint32_t h) {
    if (moving(h)) {
        enter(b, kStateCrawl);
    } else if (has(h, kHoldDown)) {
        if (being_can_change_posture(b, kPostureStanding))
            pass_to(b, kStateStandProne, 1, kStateSideStep, kSpecialStand);
    } else if (has(h, kHoldUp)) {
        if (being_can_change_posture(b, kPostureCrouched))
            pass_to(b, kStateCrouchProne, 1, kStateCrouchSideStep, kSpecialCrouch);
    } else if (has(h, kHoldSwim)) {
        enter(b, kStateSwim, 1);
        being_begin_special_action(b, kSpecialSwim);
    } else if (!side_stepping(h)) {
        enter(b, kStateLying, 0);
    }
}

void swimming(being& b, uint32_t h) {
    if (!has(h, kHoldSwim)) return;
    const int32_t r = b.remembered_state;
    if (r == kStateStill || (r >= kStateWalk && r <= kStateJump)) {
        const int32_t final_state = moving(h) ? kStateRun : side_stepping(h) ? kStateSideStep : kStateStill;
        pass_to(b, kStateStandProne, 1, final_state, kSpecialStand);
    } else if (r >= kStateCrouched && r <= kStateCrouchSideStep) {
        const int32_t final_state = moving(h)          ? kStateCrouchWalk
                                    : side_stepping(h) ? kStateCrouchSideStep
                                                       : kStateCrouched;
        pass_to(b, kStateCrouchProne, 1, final_state, kSpecialCrouch);
    } else {
        enter(b, moving(h) ? kStateCrawl : side_stepping(h) ? kStateSideCrawl : kStateLying);
    }
}

void reset(being& b) {
    enter(b, kStateStill, 0);
    b.action_state = kResetActionState;
    being_weapon_reset(b);
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_set_flag_pair(srv, 1, 1);
    server_entity_set_box_preset(srv, 0);
    server_entity_deselect(srv);
}

int32_t hud_code(int32_t state) {
    switch (state) {
        case kStateStill:
        case kStateWalk:
        case kStateRun:
        case kStateSideStep:
            return 0;
        case kStateJump:
            return 1;
        case kStateStandCrouch:
            return 2;
        case kStateStandProne:
            return 4;
        case kStateCrouchProne:
            return 5;
        case kStateSwim:
            return 7;
        default:
            if (state >= kStateCrouched && state <= kStateLeanEnd) return 3;
            if (state >= kStateLying && state <= kStateSideCrawl) return 6;
            return 0;
    }
}

bool queued_code_known(int32_t code) {
    return (code >= 1 && code <= kLastActionCode) || (code >= kFirstWeaponCode && code <= kLastWeaponCode);
}

}  // namespace

bool being_in_air(const being& b) {
    return b.jumping || b.falling;
}

void being_start_move_animation(being& b, int32_t variant) {
    if (!b.srv) return;
    const int32_t state = b.movement_state;
    const move_row row = row_of(state);
    const int32_t v = variant == 1 ? 1 : 0;
    b.variant = v;
    if (state == kStateJump) {
        b.step_counter = 0;
    } else {
        b.step_counter = (b.step_counter + 1) % (state == kStateRun ? 3 : 5);
    }
    if (row.rows[v] == kNoRow) return;
    const soldier_models m{b.name, b.view_model_name, static_cast<int32_t>(b.player_id)};
    if (b.special_action) {
        being_queue_action(*b.srv, m, row.rows[v], weapon_column(b), options_of(state, v));
    } else {
        being_play_action(*b.srv, m, row.rows[v], weapon_column(b), options_of(state, v));
    }
}

void being_queue_move_animation(being& b, int32_t variant) {
    if (!b.srv) return;
    const int32_t v = variant == 1 ? 1 : 0;
    b.variant = v;
    const move_row row = row_of(b.movement_state);
    if (row.rows[v] == kNoRow) return;
    const soldier_models m{b.name, b.view_model_name, static_cast<int32_t>(b.player_id)};
    being_queue_action(*b.srv, m, row.rows[v], weapon_column(b), options_of(b.movement_state, v));
}

int32_t being_move_row(const being& b) {
    return row_of(b.movement_state).rows[b.variant == 1 ? 1 : 0];
}

int32_t being_weapon_column(const being& b) {
    return weapon_column(b);
}

bool being_can_change_posture(being& b, int32_t posture) {
    if (!b.srv) return false;
    static const vec3 kTrials[] = {
        {0.0f, 5.0f, 0.0f}, {0.0f, 50.0f, -50.0f}, {0.0f, -25.0f, 25.0f}, {5.0f, 5.0f, 0.0f}};
    server& srv = *b.srv;
    const mat4& frame = b.place.transform;
    const vec3 right = mat4_row0(frame);
    const vec3 up = mat4_row1(frame);
    const vec3 forward = mat4_row2(frame);
    server_entity_select(srv, b.name);
    bool fits = true;
    for (const vec3& trial : kTrials) {
        // A trial that moves down starts raised by as much (and one unit), so that the floor the body
        // stands on does not stop it.
        mat4 start = frame;
        if (trial.y < 0.0f) mat4_translate(start, vec3{0.0f, 1.0f - trial.y, 0.0f});
        const vec3 motion = right * trial.x + up * trial.y + forward * trial.z;
        if (!server_entity_move(srv, start, motion, posture)) {
            fits = false;
            break;
        }
    }
    server_entity_deselect(srv);
    return fits;
}

void being_begin_special_action(being& b, int32_t kind) {
    if (!b.srv) return;
    server_entity_select(*b.srv, b.name);
    server_entity_set_box_preset(*b.srv, -1);
    server_entity_deselect(*b.srv);
    b.special_action = 1;
    b.special_kind = kind;
}

void being_run_state_machine(being& b) {
    if (!b.srv) return;
    const uint32_t saved = b.held;
    const bool forced_walk = !hud_effects_can_run(b) && !has(b.held, kHoldWalk);
    if (forced_walk) b.held |= kHoldWalk;
    const uint32_t h = b.held;
    switch (b.movement_state) {
        case kStateStill:
            standing(b, h);
            break;
        case kStateReset:
            reset(b);
            break;
        case kStateWalk:
        case kStateRun:
            walking(b, h);
            break;
        case kStateSideStep:
            side_stepping_state(b, h);
            break;
        case kStateJump:
        case kStateDead:
            break;
        case kStateCrouched:
            crouched(b, h);
            break;
        case kStateCrouchWalk:
            crouch_walking(b, h);
            break;
        case kStateCrouchSideStep:
            crouch_side_stepping(b, h);
            break;
        case kStateLeanLeft:
        case kStateLeanRight:
            leaning(b, h);
            break;
        case kStateLying:
            lying(b, h);
            break;
        case kStateCrawl:
            crawling(b, h);
            break;
        case kStateSideCrawl:
            side_crawling(b, h);
            break;
        case kStateSwim:
            swimming(b, h);
            break;
        case kStateEndJump:
            b.special_action = 0;
            b.jumping = 0;
            enter(b, b.remembered_state);
            break;
        default:
            enter(b, kStateStill, 0);
            break;
    }
    being_weapon_follow_up(b);
    if (b.movement_state != kStateSwim) b.remembered_state = b.movement_state;
    hud_effects_set_posture(b, b.movement_state);
    hud_effects_set_state(b, hud_code(b.movement_state));
    if (forced_walk) b.held = saved;
}

void being_release_inputs(being& b) {
    b.held = 0;
    b.movement_state = kStateReset;
}

void being_reset_posture(being& b) {
    b.special_action = 0;
    b.jumping = 0;
    b.special_kind = -1;
    if (b.srv) {
        // A death held its animations: a new life lets go of them.
        server& srv = *b.srv;
        server_entity_select(srv, b.name);
        server_entity_set_lock(srv, 0, 0);
        server_entity_set_lock(srv, 1, 0);
        server_entity_set_box_preset(srv, 0);
        server_entity_select(srv, b.view_model_name);
        server_entity_set_lock(srv, 0, 0);
        server_entity_deselect(srv);
    }
    enter(b, kStateStill, 0);
}

int32_t being_handle_command(being& b, bool pressed, int32_t code) {
    player_record* r = being_record(b);
    if (!r || !b.srv || !player_record_is_alive(*r) || !player_record_is_active(*r) ||
        player_record_state_is_3(*r))
        return 0;
    being_weapon_pre_step(b);
    bool sights_off = code == kCodeSightsFirst || code == kCodeSightsLast;
    for (const int32_t c : kSightsOffCodes) sights_off = sights_off || code == c;
    if (sights_off) being_sights_lower(b);
    if (code > kCodeSightsLast || sights_off) return being_weapon_command(b, pressed, code) ? 1 : 0;
    if (code == kCodeRelease) {
        being_release_inputs(b);
    } else if (const uint32_t bit = bit_of(code)) {
        if (code == kCodeSwim && pressed && (b.movement_state == kStateSwim || b.immersion <= 30)) return 1;
        if (pressed) {
            b.held |= bit;
        } else {
            b.held &= ~bit;
        }
    } else if (code == kCodeLamp || code == kCodeNightView) {
        if (pressed) {
            if (code == kCodeLamp) {
                gfx_toggle_lamp(kernel_get().graphics);
            } else {
                gfx_toggle_night_view(kernel_get().graphics);
            }
        }
    } else if (code == kCodeUse) {
        b.command44 = pressed ? 1 : 0;
        if (pressed) timer_restart(b.command44_timer);
    } else if (code == kCodeHold) {
        b.command45 = pressed ? 1 : 0;
        hud_effects_set_timer6(b, pressed);
    } else if (!being_weapon_command(b, pressed, code)) {
        return 0;
    }
    being_run_state_machine(b);
    if (code == kCodeSwim && b.movement_state == kStateSwim) b.held &= ~kHoldSwim;
    return 1;
}

void being_apply_record_commands(being& b) {
    player_record* r = being_record(b);
    if (!r) return;
    std::vector<int16_t> codes;
    codes.swap(r->commands);
    for (const int16_t value : codes) {
        // Network and bot codes: the press is taken in 32 bits; 0 and -32768 name nothing.
        const int32_t v = value;
        if (v == 0 || v == -32768) continue;
        const int32_t code = std::abs(v);
        if (!queued_code_known(code)) continue;
        being_handle_command(b, v > 0, code);
        if (!being_record(b)) return;
    }
}

}  // namespace kv
