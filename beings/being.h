#pragma once
// The soldier in the world: played by a person at this machine, by a remote player or by a bot. The
// game object makes one for each active player record, ticks it once a frame, hands it the player's
// commands, kills it and follows it with its camera. Its body is two entities of the world server's
// list, "pid<id>" (third person) and "~pid<id>" (first person), reached only through the server's
// current-entity forwarders; its health, team and queued commands live in the player record, which it
// looks up by the player id (a being whose record is gone stays inert).

#include <cstdint>
#include <string>

#include "beings/entity_body.h"
#include "beings/weapon_slots.h"
#include "kernel/timer.h"
#include "ui/hud_effects.h"
#include "ui/kvtext.h"
#include "util/mat4.h"
#include "util/placement.h"
#include "util/vec3.h"

namespace kv {

struct player_record;
struct server;

// View flags.
inline constexpr uint32_t kBeingCollision = 1u << 0;
inline constexpr uint32_t kBeingThirdPerson = 1u << 1;

// Held-input bits and the command codes that set them.
inline constexpr uint32_t kHoldForward = 0x1;
inline constexpr uint32_t kHoldBack = 0x2;
inline constexpr uint32_t kHoldWalk = 0x4;
inline constexpr uint32_t kHoldTurnLeft = 0x8;
inline constexpr uint32_t kHoldTurnRight = 0x10;
inline constexpr uint32_t kHoldStepLeft = 0x20;
inline constexpr uint32_t kHoldStepRight = 0x40;
inline constexpr uint32_t kHoldJump = 0x80;
inline constexpr uint32_t kHoldDown = 0x100;
inline constexpr uint32_t kHoldUp = 0x200;
inline constexpr uint32_t kHoldLeanLeft = 0x400;
inline constexpr uint32_t kHoldLeanRight = 0x800;
inline constexpr uint32_t kHoldSwim = 0x1000;

// Movement states.
inline constexpr int32_t kStateStill = 0;
inline constexpr int32_t kStateReset = 1;
inline constexpr int32_t kStateWalk = 2;
inline constexpr int32_t kStateRun = 3;
inline constexpr int32_t kStateSideStep = 4;
inline constexpr int32_t kStateJump = 5;
inline constexpr int32_t kStateStandCrouch = 6;
inline constexpr int32_t kStateCrouched = 7;
inline constexpr int32_t kStateCrouchWalk = 8;
inline constexpr int32_t kStateCrouchSideStep = 9;
inline constexpr int32_t kStateLeanStart = 10;
inline constexpr int32_t kStateLeanLeft = 11;
inline constexpr int32_t kStateLeanRight = 12;
inline constexpr int32_t kStateLeanEnd = 13;
inline constexpr int32_t kStateStandProne = 14;
inline constexpr int32_t kStateCrouchProne = 15;
inline constexpr int32_t kStateLying = 16;
inline constexpr int32_t kStateCrawl = 17;
inline constexpr int32_t kStateSideCrawl = 18;
inline constexpr int32_t kStateSwim = 19;
inline constexpr int32_t kStateDead = 20;
inline constexpr int32_t kStateEndJump = 21;

inline constexpr int32_t kNameTagLabels = 3;
// Horizontal blocked flags: +x, -x, -z, +z.
inline constexpr int kBlockedSides = 4;

struct being {
    being() = default;
    being(const being&) = delete;
    being& operator=(const being&) = delete;
    // Removes both entities from the world server's list.
    ~being();

    placement place;                  // the eye frame: rows 0-2 right, up, forward; row 3 the eye
    player_record* record = nullptr;  // refreshed from the player id at each entry
    std::string name;                 // the body entity's name
    std::string view_model_name;      // "~" + name
    int32_t no_animation = 0;
    int32_t movement_state = kStateReset;
    int32_t action_state = 0;
    int32_t remembered_state = 0;
    uint32_t held = 0;
    uint32_t view_flags = 0;
    weapon_slots weapons;
    uint8_t sights = 0;
    int32_t sight_step = 0;  // 0 down, 1 zooming, 2 first step, 3 second step
    float zoom = 0.0f;
    int32_t variant = 0;
    timer update_timer;
    timer second_timer;
    float pitch = 0.0f;
    uint8_t falling = 0;
    uint8_t pushed_down = 0;
    uint8_t held_up = 0;
    uint8_t blocked[kBlockedSides] = {};
    bool on_ladder = false;
    uint8_t was_on_ladder = 0;
    uint8_t goal_state = 0;
    uint8_t dying = 0;
    uint8_t special_action = 0;
    uint8_t jumping = 0;
    uintptr_t ladder_id = 0;  // the sensor that set the ladder flag
    int32_t step_counter = 0;
    int32_t special_kind = -1;
    uint8_t command44 = 0;
    uint8_t command45 = 0;
    int32_t immersion = -1;
    int32_t drowning_damage = 5;
    int32_t health_at_submersion = 0;
    int32_t drowning_loss = 0;  // kept here: the record's health belongs to the snapshots
    int32_t ripple_mark = 0;
    timer ripple_timer;
    timer drowning_timer;
    timer drowning_tick_timer;
    uint8_t drowning_ticked = 0;  // the 29-second restart of the tick timer happened
    vec3 last_ripple;
    int32_t last_health = 0;
    uint8_t fall_tracked = 0;
    vec3 fall_start;
    uint8_t surface_marks[2] = {255, 255};
    std::string goal_icon;
    timer command44_timer;
    kvtext tags[kNameTagLabels];  // side, nick, health
    bool tag_shown[kNameTagLabels] = {};
    timer tag_timer;
    int32_t tag_target = -1;
    float effect_level = 0.0f;
    float hud_value = 0.0f;
    float progress = 0.0f;  // the HUD's progress bar (a defusal, a download); 0 hides it
    uint8_t airborne = 0;
    uint8_t landing_sound_pending = 0;
    uint8_t weapon_change_pending = 0;
    uint8_t change_with_holster = 0;
    uint32_t held_copy = 0;
    float run_speed = 0.0f;
    float strafe_speed = 0.0f;
    float aim_angle = 0.0f;  // a remote soldier's upper-body turn
    uint8_t remote_inputs[3] = {};
    entity_sweep_result last_pick;  // the surfaces the last vertical pick met
    hud_effects condition;          // the soldier's condition timers, stamina and unsteadiness

    // The weapon actions: the stance class of the action animations, the held trigger, a launcher
    // shot under way, the rounds a round-by-round reload still loads, a one-shot weapon's shot of this
    // press, the throws numbered 0-255, the placed charge's pending throw and the sights' zoom clock.
    int32_t stance = 0;
    uint8_t trigger = 0;
    uint8_t launcher = 0;
    int32_t rounds_to_load = 0;
    uint8_t fired_this_press = 0;
    uint8_t throw_number = 0;
    uint8_t throw_pending = 0;
    uint8_t throw_value = 0;
    timer sights_timer;
    // The defuse and download checks: their progress (0..1, for the HUD); their clock is the Use
    // timer, restarted by a press of Use or a use of the handheld item.
    float check_progress = 0.0f;
    // The goal item it carries (its goal's number), -1 none.
    int32_t carried_goal = -1;
    // The remote soldier's second footstep routine.
    timer remote_step_timer;
    char foot_digit = '1';

    server* srv = nullptr;
    uint32_t player_id = 0;
    uint8_t warned_no_record = 0;
    uint8_t driven = 0;  // ticked where it is driven: commands and falls are its own
};

// The speeds a millisecond ("a_run", "a_walk", "a_cwalk", "a_crawl", "a_ladder" change the first five).
struct being_speeds {
    float run = 0.45f;
    float walk = 0.25f;
    float crouched = 0.1f;
    float crawl = 0.07f;
    float ladder = 0.4f;
    float swim = 0.2f;
    float side_walk = 0.25f;
    float side_crouched = 0.1f;
    float side_crawl = 0.07f;
};
being_speeds& being_speeds_get();

// The player record, looked up again by id (and cached); null when it is gone.
player_record* being_record(being& b);
bool being_is_person(const being& b);

// Builds the view frame from a position, a forward and an up vector in a sector (null keeps it) and
// places the body there.
void being_set_view(being& b, const vec3& position, const vec3& forward, const vec3& up,
                    placement_sector* sector);
// A command code from the local input: pressed or released. 1 when it was taken, else 0.
int32_t being_handle_command(being& b, bool pressed, int32_t code);
// Flag 0: rotation about x by the pitch; flag 1: the body's world matrix after a rotation about z by
// -pi/2.
void being_view_matrix(being& b, mat4& out, int32_t flag);
// Marks the being on (or off) the ladder of that sensor id: on only while walking, running or
// swimming; off only from the sensor that set it.
void being_set_ladder(being& b, uintptr_t sensor_id, bool on);
// The bot host's movement test: how much of the wanted motion the body can make from its view.
vec3 being_pick(being& b, const vec3& wanted);
// The bot host's weapon choice (kinds 1-4 drop the held weapons of that kind first; -1 only drops).
bool being_bot_select_weapon(being& b, int32_t weapon, int32_t kinds);

}  // namespace kv
