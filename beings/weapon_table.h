#pragma once
// The weapon tables: every item a soldier can carry is one of 64 weapon kinds (0 to 63). Compiled-in
// rows give each kind its names, sights, sounds, flashes and zoom (`weapon_def`), the contents of a
// freshly filled slot (`weapon_slot`) and its model names; the ammunition rows (`ammo_def`) hold the
// ballistics of a shot. Names are data: the HUD shows them, the network sends them and packages name
// their models by them, so code names kinds by number or by the sets below, never by name.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kWeaponKinds = 64;
inline constexpr int32_t kAmmoKinds = 47;
inline constexpr const char* kWeaponModelPrefix = "weapons:";
inline constexpr int32_t kNoAmmo = 47;  // the ammunition number of items that never shoot

inline constexpr int32_t kWeaponAll = -1;  // giving it empties every slot
inline constexpr int32_t kWeaponGoalItem = 62;
inline constexpr int32_t kWeaponHands = 63;

// Slot kinds.
inline constexpr int32_t kSlotMain = 0;
inline constexpr int32_t kSlotSidearm = 1;
inline constexpr int32_t kSlotMelee = 2;
inline constexpr int32_t kSlotGrenade = 3;
inline constexpr int32_t kSlotEquipment = 4;
inline constexpr int32_t kSlotHands = 5;

// Sight kinds.
inline constexpr int32_t kSightNone = 0;
inline constexpr int32_t kSightIron = 1;
inline constexpr int32_t kSightScope = 2;
inline constexpr int32_t kSightOptic = 5;

struct weapon_def {
    const char* name;
    const char* sight_name[2];  // suffixes of "hud_sght"; empty without sights
    int32_t reload_sound[3];    // per reload stage, into the reload-sound list (0: none)
    int32_t sight_kind;
    int32_t shot_sound[2];  // the weapon's own, then its attachment's; into the shot-sound list
    float sound_near;
    float sound_far;
    int32_t muzzle_flash[2];  // into the muzzle-flash list (0: none)
    float effect_factor[2];
    float zoom[2];  // magnification of the sight steps; 0: none
};

// One carried item.
struct weapon_slot {
    int32_t weapon;
    int32_t ammunition;  // row of the ammunition table
    int32_t fire_mode;   // 0 automatic, 2 one shot per trigger press
    int32_t second_mode;
    int32_t rounds;  // in the loaded magazine; grenade slots: the grenades
    int32_t magazines;
    int32_t capacity;
    int32_t launcher_rounds;  // its sign is the launcher's state
    int32_t slot_kind;
    int32_t weight;  // load units
    int32_t held;    // only the low byte counts
};

struct ammo_def {
    int16_t damage;  // per shot, shared among the pellets
    int16_t penetration;
    int16_t range;      // thousands of world units
    int16_t spread;     // thousandths
    int16_t fall_off;   // tenths of the damage left at full range
    int16_t follow_up;  // spread factor for a shot less than 500 ms after the last
    int16_t pellets;
};

struct sound_distances {
    float near_distance;
    float far_distance;
};

struct effect_factors {
    float first;
    float second;
};

bool weapon_in_range(int32_t weapon);
// Null outside 0 to 63.
const weapon_def* weapon_def_find(int32_t weapon);
// The contents of a freshly given or refilled slot (the weapon must be in range).
const weapon_slot& weapon_slot_defaults(int32_t weapon);
// Null outside 0 to 46.
const ammo_def* ammo_def_find(int32_t ammunition);

// List names by index; empty outside the list.
const char* weapon_reload_sound_name(int32_t index);
const char* weapon_shot_sound_name(int32_t index);
const char* weapon_muzzle_flash_name(int32_t index);

// The four model names of a kind.
inline constexpr int32_t kModelFirstPerson = 0;
inline constexpr int32_t kModelSecondPart = 1;
inline constexpr int32_t kModelThirdPerson = 2;
inline constexpr int32_t kModelExtra = 3;

// The word between "weapons:" and a model's ending; null for kinds without models.
const char* weapon_model_word(int32_t weapon);
// The kind's four model names: 0 its first-person and world model, 1 that model's second part,
// 2 its third-person and dropped model, 3 its extra model (the launcher grenade, or the thrown item).
// Empty when the kind has none.
std::string weapon_model_name(int32_t weapon, int32_t which);

// The kind sets.
bool weapon_has_launcher(int32_t weapon);
bool weapon_reloads_by_round(int32_t weapon);
bool weapon_is_melee(int32_t weapon);
bool weapon_is_hand_grenade(int32_t weapon);
bool weapon_is_hands(int32_t weapon);
bool weapon_is_handheld(int32_t weapon);
bool weapon_is_charge(int32_t weapon);

}  // namespace kv
