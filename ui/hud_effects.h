#pragma once
// A soldier's condition during one life: what it does is timed (moving in each posture, aiming through
// the sights, holding the breath), turned into experience when the life ends and into skill levels at
// the end of a round; and two values for the HUD and the weapons: stamina (0..1) and aim unsteadiness
// (0..1). Stamina and the levels work only in the levels mode (game flag 0x40).

#include <cstdint>

#include "kernel/timer.h"

namespace kv {

struct being;

inline constexpr int32_t kConditionTimers = 11;
inline constexpr int32_t kConditionLevels = 6;
inline constexpr int32_t kGameFlagLevels = 0x40;

// The soldier's condition record; the being owns one.
struct hud_effects {
    // 0 life; 1 sprint (stamina drains while it runs); 2 and 3 moving; 4 still; 5 sights; 6 breath
    // hold; 7 unused; 8 the unsteadiness frame clock; 9 stamina recovery; 10 posture change.
    timer timers[kConditionTimers];
    uint8_t running[7] = {};
    int32_t accumulated[7] = {};  // milliseconds; timer 2 keeps none
    float gains[kConditionLevels] = {};
    float turn_pulse = 0.0f;
    float hit_pulse = 0.0f;
    float breath = 0.0f;
    float cached = -1.0f;  // the last unsteadiness, -1 for none
    float stamina = 1.0f;
    float drain = 0.0f;
    float load_sum = 0.0f;
    int32_t load_count = 0;
    int32_t sprint_period_ms = 60000;
    uint8_t exhausted = 0;
    int32_t posture_code = 0;
};

// The record alone, for the being's operations below and for tests.
void condition_reset(hud_effects& h);
// Timers 1-6: starting a running timer or stopping an idle one does nothing. A stop adds the elapsed
// time to the timer's total; timers 1, 2, 3 and 5 then count again from the stop.
void condition_start_timer(hud_effects& h, int32_t index);
void condition_stop_timer(hud_effects& h, int32_t index);
// The posture timers of a movement state; `walk_held` decides for the side step.
void condition_posture(hud_effects& h, int32_t movement_state, bool walk_held);
void condition_accumulate(hud_effects& h, float load);
// Whether the breath may be held with level 5 (0..1).
bool condition_breath_allowed(const hud_effects& h, float level5);
float condition_stamina(hud_effects& h, bool levels_mode, float level1);
bool condition_can_sprint(const hud_effects& h, bool levels_mode);
float condition_unsteadiness(hud_effects& h, float level4, float level5);
void condition_add_turn(hud_effects& h, float angle);
void condition_add_pulse(hud_effects& h, float value);
void condition_set_state(hud_effects& h, int32_t code);
// The end of a life: the timers stop and the life's experience is worked out.
void condition_end_life(hud_effects& h);
// The six levels a soldier without levels starts with.
void condition_level_presets(float (&levels)[kConditionLevels], int32_t specialisation, bool levels_mode,
                             uint32_t player_id);
// The end of a round: the levels decay, then grow by the life's experience G (x 0.75 for a loser, none
// for the dead), each up to its cap in the specialisation's order. Results lie in 0..1.
void condition_level_update(float (&levels)[kConditionLevels], const float (&gains)[kConditionLevels],
                            int32_t specialisation, bool alive, bool lost);

// The being's side. The game object's walk: start and stop of the life (false when it already ran or
// did not run) and the level update at the end of a round.
bool hud_effects_start(being& b);
bool hud_effects_stop(being& b);
void hud_effects_decay(being& b);
// The carried load (load units), whenever it is recomputed.
void hud_effects_accumulate(being& b, int32_t load);
// The posture timers and code of the being's movement state.
void hud_effects_set_posture(being& b, int32_t movement_state);
// Sights raised or lowered.
void hud_effects_set_sights(being& b, bool on);
void hud_effects_add_turn(being& b, float angle);

}  // namespace kv
