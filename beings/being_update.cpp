// The being's update, once a frame where it is driven: the held inputs, the mouse and the world become
// one step of motion swept against the world through the body, a turn and a pitch, and what follows
// from where the body ended up: swimming and drowning, ripples, falls, jumps and landings, footsteps,
// the damage flash and the weapon bookkeeping that waits on animations.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "beings/being.h"
#include "beings/being_game.h"
#include "beings/being_services.h"
#include "beings/soldier_anims.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "sound/sound_system.h"
#include "ui/input/input.h"
#include "ui/radar_contacts.h"
#include "world/sector.h"
#include "world/surface_table.h"

namespace kv {

float being_gravity_y();

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr int32_t kStallMs = 250;
constexpr float kTurnRate = kPi / 1000.0f;
constexpr float kPitchUp = 0.7853982f;
constexpr float kPitchDown = -1.0471976f;
constexpr float kPitchDownSwimming = -0.62831855f;
constexpr float kPickFactor = 0.75f;
constexpr float kFreeMotionSq = 0.00001f;
constexpr float kBlockedDifference = 10.0f;
constexpr float kVerticalDifference = 2.0f;
constexpr float kJumpProbe = 5.0f;
constexpr int32_t kSwimStart = 85;
constexpr int32_t kSwimEnd = 35;
constexpr int32_t kHeadUnder = 90;
constexpr float kDeadlyFallSq = 5000000.0f;
constexpr float kHurtingFallSq = 80000.0f;
constexpr float kFallDamageDivisor = 25000.0f;
constexpr float kDeadlyFallHit = 10.0f;
constexpr int32_t kSelfHitCode = 255;
constexpr float kDrownedHit = 100.0f;
constexpr int32_t kDrowningFirstTickMs = 29000;
constexpr int32_t kDrowningStartMs = 30000;
constexpr int32_t kDrowningTickMs = 5000;
constexpr int32_t kDrowningDamageStep = 5;
constexpr float kRippleSpacing = 20.0f;
constexpr int32_t kStillRippleMs = 2000;
constexpr int32_t kStillRippleEveryMs = 250;
constexpr int32_t kSoundOwnerBase = 5000;
constexpr int32_t kStepChannel = 1;
constexpr int32_t kSoundChannel = 2;
constexpr float kSoundNear = 100.0f;
constexpr float kSoundFar = 4000.0f;
constexpr int kPassSound = 1;
constexpr int kJumpSound = 5;
constexpr int32_t kActionUpperA = 27;
constexpr int32_t kActionUpperB = 28;
constexpr int32_t kWeaponHandheld = 61;
constexpr int32_t kModeOneShot = 2;
const vec3 kViewOffset{0.0f, 0.0f, -40.0f};
const vec3 kSwimViewOffset{15.0f, 0.0f, -20.0f};

bool flat(const vec3& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

float wading(int32_t immersion) {
    return 1.0f - static_cast<float>(immersion) / 100.0f * 0.95f;
}

// Forward and sideways speeds of the state, per millisecond.
void speeds_of(const being& b, float& forward, float& side) {
    const being_speeds& s = being_speeds_get();
    const bool walk = (b.held & kHoldWalk) != 0;
    forward = side = 0.0f;
    switch (b.movement_state) {
        case kStateWalk:
            forward = s.walk;
            side = s.side_walk;
            break;
        case kStateRun:
        case kStateSideStep:
            forward = walk ? s.walk : s.run;
            side = s.side_walk;
            break;
        case kStateCrouchWalk:
        case kStateCrouchSideStep:
            forward = s.crouched;
            side = s.side_crouched;
            break;
        case kStateCrawl:
        case kStateSideCrawl:
            forward = s.crawl;
            side = s.side_crawl;
            break;
        case kStateSwim:
            forward = s.swim;
            side = s.side_crawl;
            break;
        default:
            break;
    }
}

bool followed_by_camera(being& b) {
    kvgame* game = arty_factory_find_as<kvgame>(b.srv->factory, b.srv->factory.game_arty);
    return game && game->bound_camera && game->bound_camera->followed == &b;
}

uintptr_t owner_key(const being& b) {
    return static_cast<uintptr_t>(b.player_id) + kSoundOwnerBase;
}

// The being's own sound: plain for the soldier the camera rides on, else at the record's position.
void play_sound(being& b, const player_record& r, const std::string& name) {
    if (name.empty()) return;
    sound_system& sound = kernel_get().sound;
    if (followed_by_camera(b)) {
        snd_play(sound, kSoundChannel, name, owner_key(b), 0, false);
        return;
    }
    snd_play_3d(sound, kSoundChannel, name, reinterpret_cast<uintptr_t>(b.place.sector),
                r.state_record.position, vec3{}, vec3{0.0f, 0.0f, -1.0f}, kSoundNear, kSoundFar, 360.0f,
                360.0f, 0, owner_key(b), 0, false);
}

const surface_material* first_hit(const being& b) {
    return b.last_pick.touched.empty() ? nullptr : b.last_pick.touched.front();
}

void self_hit(being& b, float amount) {
    server_damage_player(*b.srv, b.player_id, b.player_id, amount, kSelfHitCode, b.srv->hosting != 0);
}

void make_ripple(being& b, const vec3& point, int32_t duration_ms) {
    gfx& graphics = kernel_get().graphics;
    vec3 at = point;
    at.x += static_cast<float>(kv_rand() * 30 / 32767) - 0.5f;
    at.z += static_cast<float>(kv_rand() * 30 / 32767) - 0.5f;
    gfx_add_water_ripple_effect(graphics, at, 1.0f, static_cast<sector*>(b.place.sector));
    gfx_set_water_ripple_effect(graphics, "water_ripple", duration_ms, 1);
    gfx_forget_last_effect(graphics);
}

// Runs the state machine once with the swim bit held.
void swim_switch(being& b) {
    const uint32_t had = b.held & kHoldSwim;
    b.held |= kHoldSwim;
    being_run_state_machine(b);
    b.held = (b.held & ~kHoldSwim) | had;
}

void water(being& b, player_record& r, int32_t previous) {
    const int32_t now = b.immersion;
    if (now >= 1 && now < kHeadUnder) {
        // Coming up for air gives back what drowning took.
        if (previous >= kHeadUnder) b.drowning_loss = 0;
        server& srv = *b.srv;
        server_entity_select(srv, b.name);
        vec3 point = mat4_row3(b.place.transform);
        point.y = server_entity_water_height(srv);
        server_entity_deselect(srv);
        const float distance = vec3_length(point - b.last_ripple);
        const int32_t since = timer_elapsed_ms(b.ripple_timer);
        if (distance >= kRippleSpacing) {
            make_ripple(b, point, static_cast<int32_t>(50.0f / distance * 500.0f));
            b.last_ripple = point;
            timer_restart(b.ripple_timer);
            b.ripple_mark = 0;
        } else if (distance < 0.00001f && since < kStillRippleMs &&
                   since - b.ripple_mark >= kStillRippleEveryMs) {
            make_ripple(b, point, kStillRippleMs);
            b.ripple_mark = since;
        }
        return;
    }
    if (now < kHeadUnder) return;
    if (previous < kHeadUnder) {
        timer_restart(b.drowning_timer);
        b.drowning_damage = kDrowningDamageStep;
        b.drowning_ticked = 0;
        b.drowning_loss = 0;
        b.health_at_submersion = r.health;
        return;
    }
    const int32_t under = timer_elapsed_ms(b.drowning_timer);
    if (!b.drowning_ticked && under >= kDrowningFirstTickMs) {
        timer_restart(b.drowning_tick_timer);
        b.drowning_ticked = 1;
    }
    if (!b.drowning_ticked || under <= kDrowningStartMs ||
        timer_elapsed_ms(b.drowning_tick_timer) < kDrowningTickMs)
        return;
    timer_restart(b.drowning_tick_timer);
    if (r.health - b.drowning_loss > b.drowning_damage) {
        b.drowning_loss += b.drowning_damage;
    } else {
        self_hit(b, kDrownedHit);
    }
    b.drowning_damage += kDrowningDamageStep;
}

void footsteps(being& b, const player_record& r) {
    const surface_table& table = kernel_get().surfaces;
    sound_system& sound = kernel_get().sound;
    const bool plain = followed_by_camera(b);
    for (const surface_material* m : b.last_pick.touched) {
        if (!m) continue;
        const std::string& name = m->sounds[kPassSound];
        b.surface_marks[0] = static_cast<uint8_t>(surface_table_index_of(table, m));
        if (name.empty()) continue;
        const std::string sample = name + static_cast<char>('1' + kv_rand() / 8192);
        if (plain) {
            snd_play(sound, kStepChannel, sample, owner_key(b), 0, false);
        } else {
            snd_play_3d(sound, kStepChannel, sample, reinterpret_cast<uintptr_t>(b.place.sector),
                        r.state_record.position, vec3{}, vec3{0.0f, 0.0f, -1.0f}, m->min_distance,
                        m->max_distance, 360.0f, 360.0f, m->cone_outside_volume, owner_key(b), 0, false);
        }
    }
}

// Ends the special action once the body has nothing queued any more.
void place_body(being& b) {
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    server_entity_update_attached(srv, b.place.transform, static_cast<sector*>(b.place.sector));
    if (b.special_action && !server_entity_has_queued(srv)) {
        b.special_action = 0;
        b.jumping = 0;
        server_entity_set_box_preset(srv, b.special_kind);
    }
    server_entity_deselect(srv);
}

void weapon_bookkeeping(being& b) {
    const weapon_slots& s = b.weapons;
    const bool in_slot = s.current >= 0 && s.current < s.used;
    if ((b.action_state == kActionUpperA || b.action_state == kActionUpperB) && in_slot &&
        s.slots[s.current].fire_mode == kModeOneShot)
        being_continue_upper_animation(b);
    if (b.sights) {
        being_sights_step(b);
        const int32_t st = b.movement_state;
        if (st != kStateStill && st != kStateCrouched && st != kStateLeanLeft && st != kStateLeanRight &&
            st != kStateLying) {
            being_sights_lower(b);
        }
    }
    being_weapon_step(b);
}

void throw_follow_up(being& b) {
    server& srv = *b.srv;
    server_entity_select(srv, b.name);
    const bool thrown = server_entity_has_thrown(srv);
    if (thrown) server_entity_set_thrown(srv, false);
    server_entity_deselect(srv);
    if (!thrown) return;
    weapon_slots& s = b.weapons;
    const bool knife = being_weapon_is_throwable_knife(b);
    const bool spent = being_weapon_is_hand_grenade(s) && being_weapon_rounds(s) <= 0;
    if (!knife && !spent) return;
    if (knife && s.current >= 0 && s.current < s.used) s.slots[s.current].held = 0;
    const int32_t hands = being_find_weapon_slot(s, kWeaponHands, false);
    if (hands >= 0) being_equip_weapon_models(b, hands);
    b.weapon_change_pending = 0;
}

}  // namespace

void being_update(being& b, int32_t, bool look_with_mouse) {
    player_record* r = being_record(b);
    if (!r || !b.srv || !player_record_is_alive(*r)) return;
    server& srv = *b.srv;
    b.driven = 1;
    // 1. The dying: the upper body stops once something stands close to the chest.
    if (b.dying) {
        server_entity_select(srv, b.name);
        if (server_entity_trace_around(srv) && !server_entity_ch1_idle(srv))
            server_entity_set_channel_state_ch1(srv, entity_channel_state{});
        server_entity_deselect(srv);
    }
    if (player_record_state_is_3(*r) || !player_record_is_active(*r)) return;
    // 2. A stalled frame moves nobody.
    const int32_t elapsed = timer_elapsed_ms(b.update_timer);
    timer_restart(b.update_timer);
    if (elapsed > kStallMs) return;
    const float t = static_cast<float>(elapsed);
    // 3.
    being_apply_record_commands(b);
    r = being_record(b);
    if (!r || !b.srv) return;
    const bool swimming = b.movement_state == kStateSwim;
    // 4, 5.
    const vec3 offset = swimming ? kSwimViewOffset : kViewOffset;
    server_entity_select(srv, b.name);
    server_entity_set_view_offset(srv, offset.x, offset.y, offset.z, 0.0f);
    server_entity_deselect(srv);
    if (being_is_person(b)) gfx_set_weapon_view(kernel_get().graphics, !swimming && !b.sights);
    const bool collide = (b.view_flags & kBeingCollision) != 0;
    const mat4 view = b.place.transform;
    const vec3 eye = mat4_row3(view);
    vec3 right = mat4_row0(view);
    const vec3 up = mat4_row1(view);
    vec3 forward = mat4_row2(view);
    forward.w = right.w = 0.0f;

    // 7. Horizontal step.
    vec3 step;
    if (!player_record_state_is_1(*r) && !(b.special_action && !b.jumping)) {
        const bool can_run = hud_effects_can_run(b);
        if ((b.movement_state == kStateRun && !can_run) ||
            (b.movement_state == kStateWalk && can_run && !(b.held & kHoldWalk)))
            being_run_state_machine(b);
        float forward_speed = 0.0f;
        float side_speed = 0.0f;
        speeds_of(b, forward_speed, side_speed);
        const float speed = forward_speed * t;
        const float side = side_speed * t;
        vec3 ahead = forward;
        if (b.movement_state == kStateSwim) ahead = forward * std::cos(b.pitch) + up * std::sin(b.pitch);
        if (b.held & kHoldForward) step = step + ahead * speed;
        if ((b.held & kHoldBack) && (!b.on_ladder || b.held_up)) step = step - ahead * speed;
        if (b.held & kHoldStepLeft) step = step - right * side;
        if (b.held & kHoldStepRight) step = step + right * side;
        const float length = vec3_length(step);
        if (length > speed + 0.001f) step = step * (speed / length);
        b.run_speed = forward_speed;
        b.strafe_speed = side_speed;
        r->current_speed[0] = forward_speed;
        r->current_speed[1] = side_speed;
        r->run_speed = being_speeds_get().run;
    }
    step.w = 0.0f;
    const vec3 wanted = step;
    // 8.
    if (collide && !flat(step)) {
        server_entity_select(srv, b.name);
        step = server_entity_pick(srv, view, step, kPickFactor, nullptr);
        server_entity_deselect(srv);
        if (vec3_length_sq(step) < kFreeMotionSq) step = vec3{};
    }
    // 9.
    if (b.immersion > 0 && b.movement_state != kStateSwim && !b.on_ladder) step = step * wading(b.immersion);
    // 10.
    b.blocked[0] = wanted.x - step.x > kBlockedDifference;
    b.blocked[1] = step.x - wanted.x > kBlockedDifference;
    b.blocked[2] = step.z - wanted.z > kBlockedDifference;
    b.blocked[3] = wanted.z - step.z > kBlockedDifference;

    // 11. Vertical step.
    const being_speeds& speeds = being_speeds_get();
    vec3 vertical{0.0f, being_gravity_y() * t, 0.0f};
    if (!player_record_state_is_1(*r)) {
        if (b.on_ladder) {
            vertical.y = 0.0f;
            if (b.held & kHoldForward) vertical.y += speeds.ladder * t;
            if (b.held & kHoldBack) vertical.y -= speeds.ladder * t;
        }
        if (b.movement_state == kStateSwim) {
            const float im = static_cast<float>(b.immersion);
            if (b.immersion >= kSwimStart + 1 && b.held == 0) {
                vertical.y = (0.5f - ((100.0f - im) / 5.0f) * 0.325f) * t;
            } else if (b.immersion < kSwimStart) {
                vertical.y = -(2.0f - (im / 85.0f) * 1.8675f) * t;
            } else {
                vertical.y = 0.0f;
            }
        }
        if (b.was_on_ladder && !b.on_ladder && (b.held & kHoldForward))
            vertical = vertical + up * 10.0f + forward * 10.0f;
        if (!b.was_on_ladder && b.on_ladder && (b.held & kHoldBack))
            vertical = vertical + up * 10.0f - forward * 70.0f;
        b.was_on_ladder = b.on_ladder ? 1 : 0;
    }
    vertical.w = 0.0f;
    const vec3 wanted_vertical = vertical;
    const int32_t previous_immersion = b.immersion;
    mat4 moved = view;
    mat4_set_row3(moved, eye.x + step.x, eye.y + step.y, eye.z + step.z);
    // 12.
    if (collide) {
        server_entity_select(srv, b.name);
        b.last_pick.touched.clear();
        vertical = server_entity_pick(srv, moved, vertical, kPickFactor, &b.last_pick);
        if (vec3_length_sq(vertical) < kFreeMotionSq) vertical = vec3{};
        mat4 landed = moved;
        mat4_set_row3(landed, eye.x + step.x + vertical.x, eye.y + step.y + vertical.y,
                      eye.z + step.z + vertical.z);
        server_entity_update_attached(srv, landed, static_cast<sector*>(b.place.sector));
        server_entity_step_check(srv);
        b.immersion = server_entity_immersion(srv);
        // 13. Jump: airborne once the ground is gone below, landed when it is back.
        if (b.landing_sound_pending) {
            if (const surface_material* m = first_hit(b)) play_sound(b, *r, m->sounds[kJumpSound]);
            b.landing_sound_pending = 0;
        }
        bool landed_now = false;
        if (b.jumping) {
            const vec3 probe = up * -kJumpProbe;
            if (server_entity_sweep(srv, landed, probe)) {
                b.airborne = 1;
            } else if (b.airborne) {
                b.landing_sound_pending = 1;
                b.airborne = 0;
                landed_now = true;
            }
        }
        server_entity_deselect(srv);
        if (landed_now) {
            b.movement_state = kStateEndJump;
            being_run_state_machine(b);
        }
    }
    // 14. Swimming switch.
    const int32_t im = b.immersion;
    const bool now_swimming = b.movement_state == kStateSwim;
    if (im != previous_immersion || (!b.on_ladder && !now_swimming && im > kSwimStart)) {
        if (!now_swimming && im > kSwimStart && !b.on_ladder) {
            swim_switch(b);
        } else if (now_swimming && (im <= kSwimEnd || b.on_ladder)) {
            swim_switch(b);
        }
    }
    // 15.
    if (im > 0 && !b.on_ladder) vertical = vertical * wading(im);
    // 16.
    water(b, *r, previous_immersion);
    r = being_record(b);
    if (!r || !b.srv) return;
    // 17.
    b.pushed_down = vertical.y < wanted_vertical.y - kVerticalDifference;
    b.held_up = vertical.y > wanted_vertical.y + kVerticalDifference;
    const bool any_blocked = b.blocked[0] || b.blocked[1] || b.blocked[2] || b.blocked[3];
    b.falling = !b.on_ladder && b.immersion <= 0 && !any_blocked && !b.pushed_down && !b.held_up;
    const vec3 position = eye + step + vertical;

    // 18. Falls.
    if (b.falling && !b.fall_tracked) {
        b.fall_tracked = 1;
        b.fall_start = eye;
    }
    if (b.fall_tracked) {
        const float d2 = vec3_length_sq(position - b.fall_start);
        if (b.falling && d2 > kDeadlyFallSq) self_hit(b, kDeadlyFallHit);
        if (!b.falling) {
            if (d2 > kHurtingFallSq) {
                float damage = std::floor(d2 / kFallDamageDivisor);
                bool into_water = false;
                for (const surface_material* m : b.last_pick.touched)
                    into_water = into_water || (m && m->kind == kSurfaceKindWater);
                if (into_water) damage = std::floor(damage / 5.0f);
                if (const surface_material* m = first_hit(b)) play_sound(b, *r, m->sounds[kJumpSound]);
                self_hit(b, damage);
            }
            b.fall_tracked = 0;
            // A jump's own landing clears its airborne flag.
            if (!b.jumping) b.airborne = 0;
        }
    }

    // 19. Turn and pitch.
    float yaw = 0.0f;
    if (b.held & kHoldTurnLeft) yaw += t * kTurnRate;
    if (b.held & kHoldTurnRight) yaw -= t * kTurnRate;
    if (look_with_mouse) {
        int32_t mouse_x = 0;
        int32_t mouse_y = 0;
        input& in = kernel_get().input_layer;
        input_get_mouse_motion(in, mouse_x, mouse_y);
        // Summed as floats: a pending turn from the network may be any 32-bit value.
        const float dx = static_cast<float>(mouse_x) + static_cast<float>(r->pending_yaw);
        float dy = static_cast<float>(mouse_y) + static_cast<float>(r->pending_pitch);
        r->pending_yaw = r->pending_pitch = 0;
        if (input_mouse_inverted(in)) dy = -dy;
        const float scale = in.mouse_sensitivity / ((b.zoom / 20.0f + 1.0f) * 100.0f);
        yaw -= dx * kTurnRate * scale * 25.0f;
        const float before = b.pitch;
        const float low = b.movement_state == kStateSwim ? kPitchDownSwimming : kPitchDown;
        b.pitch = std::clamp(b.pitch + dy * kTurnRate * scale * 25.0f, low, kPitchUp);
        if (!std::isfinite(b.pitch)) b.pitch = 0.0f;
        if (b.pitch != before) hud_effects_sway(b, b.pitch - before);
    } else if (b.movement_state == kStateSwim && b.pitch < kPitchDownSwimming) {
        b.pitch = kPitchDownSwimming;
    }
    if (!std::isfinite(yaw)) yaw = 0.0f;
    // 20. Lying down, the body turns only where it fits.
    if (collide && b.movement_state == kStateLying && yaw != 0.0f) {
        server_entity_select(srv, b.name);
        const bool fits =
            server_entity_check_turn(srv, 0.0f) && server_entity_check_turn(srv, yaw) && flat(step);
        server_entity_deselect(srv);
        if (!fits) yaw = 0.0f;
    }
    // 21, 23. The new view.
    vec3 new_forward = forward;
    if (std::fabs(yaw) >= 0.00001f) new_forward = forward * std::cos(yaw) - right * std::sin(yaw);
    vec3 level_up = up;
    level_up.w = 0.0f;
    placement_set(b.place, position, new_forward, level_up, nullptr);
    placement_move(b.place, eye, position);
    // 22. Tilt.
    const int32_t st = b.movement_state;
    const bool flat_body = (st == kStateCrawl || st == kStateSideCrawl || st == kStateSwim ||
                            (st == kStateLying && !b.special_action));
    b.aim_angle = flat_body ? b.pitch - kPi / 2.0f : b.pitch;
    server_entity_select(srv, b.view_model_name);
    server_entity_set_axis_angle(srv, b.pitch);
    server_entity_select(srv, b.name);
    server_entity_set_axis_angle(srv, b.aim_angle);
    server_entity_deselect(srv);
    place_body(b);
    // 24.
    if (!flat(wanted)) footsteps(b, *r);
    // 25.
    weapon_bookkeeping(b);
    // 26. The effect level goes with both models' shots.
    b.effect_level = hud_effects_intensity(b);
    server_entity_select(srv, b.name);
    server_entity_set_blast_value(srv, b.effect_level);
    server_entity_select(srv, b.view_model_name);
    server_entity_set_blast_value(srv, b.effect_level);
    server_entity_deselect(srv);
    // 27. Damage flash.
    r = being_record(b);
    if (!r) return;
    const int32_t health = r->health - b.drowning_loss;
    if (health < b.last_health) {
        if (being_is_person(b)) {
            gfx_add_red_flash_effect(kernel_get().graphics);
            gfx_forget_last_effect(kernel_get().graphics);
        }
        hud_effects_add_pulse(b, static_cast<float>(b.last_health - health) / 100.0f);
    }
    b.last_health = health;
    // A person's radar shows what this soldier detects.
    if (being_is_person(b)) {
        if (kvgame* g = arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty)) radar_update(*g, b);
    }
    // 29, 30.
    if ((b.command44 && player_record_is_alive(*r)) ||
        (being_weapon_index(b.weapons, -1) == kWeaponHandheld &&
         (b.action_state == kActionUpperA || b.action_state == kActionUpperB))) {
        if (!being_defuse_check(b)) being_download_check(b);
    }
    being_pick_up_step(b);
    // 31, 32.
    throw_follow_up(b);
    if (b.weapon_change_pending &&
        !being_first_has_queued(srv, {b.name, b.view_model_name, static_cast<int32_t>(b.player_id)})) {
        if (b.change_with_holster) being_switch_weapon(b);
        being_equip_weapon_models(b, b.weapons.current);
        b.weapon_change_pending = 0;
    }
}

}  // namespace kv
