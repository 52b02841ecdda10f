#pragma once
// The soldier's action tables: for each action row and weapon kind, the animation slot and the
// milliseconds per frame of the lower body (the body's channel 0), the upper body (channel 1; slot -1:
// the action leaves the upper body as it is) and the first-person model. Built at start-up from the
// row words, the weapon families and the first-person words by looking the names up in the slot
// tables; the console retunes the speeds. Also the death table: which pair of death animations a
// posture and a cause of death play.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kAnimRows = 48;
inline constexpr int32_t kAnimColumns = 64;
inline constexpr int32_t kAnimSpeed = 33;
inline constexpr int32_t kAnimMaxSpeed = 127;

// Action rows the code names.
inline constexpr int32_t kRowIdle = 0;
inline constexpr int32_t kRowShot = 6;
inline constexpr int32_t kRowAltShot = 7;
inline constexpr int32_t kRowCrouchedShot = 28;
inline constexpr int32_t kRowCrouchedAltShot = 29;
inline constexpr int32_t kRowProneShot = 39;

struct anim_tables {
    int16_t lower[kAnimRows][kAnimColumns];
    int16_t lower_speed[kAnimRows][kAnimColumns];
    int16_t upper[kAnimRows][kAnimColumns];
    int16_t upper_speed[kAnimRows][kAnimColumns];
    int16_t first[kAnimRows][kAnimColumns];
    int16_t first_speed[kAnimRows][kAnimColumns];
};

// The process's tables, built on first use.
anim_tables& anim_tables_get();
void anim_tables_build(anim_tables& t);
bool anim_cell_in_range(int32_t row, int32_t weapon);

// The death slots of the body for the movement state (standing, crouched, prone or swimming) and the
// snapshot's cause of death: the lower slot, and the upper slot (the lower + 10).
struct death_slots {
    int32_t lower = 0;
    int32_t upper = 0;
};
death_slots being_death_slots(int32_t movement_state, int32_t cause);

}  // namespace kv
