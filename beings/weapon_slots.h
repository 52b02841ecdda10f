#pragma once
// What one soldier carries: up to 50 weapon slots, appended as weapons are given and never reordered,
// the current slot (the weapon in hand) and the carried load. A slot is carried while its held flag is
// set; an unheld slot keeps its contents (a kit weapon left behind). The soldier embeds the record and
// fills in a `weapon_carrier` for the operations that reach past it: the game object's equipping mode
// and kit rules, the game state, and its own side (models, sights, the world drop) through
// `weapon_slot_host`.
//
// Limits: a load of at most 8 units, at most 5 grenades of a kind, at most one held slot each of the
// main, sidearm, melee and equipment kinds. Weapon kinds that arrive from the network or a bot outside
// 0 to 63 are refused with a warning and change nothing.

#include <cstdint>
#include <string>

#include "beings/weapon_table.h"

namespace kv {

class kvgame;
struct being;
struct server;
struct weapon_entry;

inline constexpr int32_t kWeaponSlotCount = 50;
inline constexpr int32_t kMaxLoad = 8;
inline constexpr int32_t kMaxGrenades = 5;
inline constexpr int32_t kSlotMaskWords = 4;
inline constexpr int32_t kSlotCountBytes = 4;
inline constexpr int32_t kGameSightsFlag = 2;  // of the game flags the server sends
// Slot arguments of the weapon-model set-up.
inline constexpr int32_t kChooseSlot = -2;
inline constexpr int32_t kLowestHeldSlot = -1;

struct weapon_slots {
    weapon_slot slots[kWeaponSlotCount] = {};
    int32_t current = 0;
    int32_t used = 0;
    int32_t load = 0;
    // The goal item's model as the weapon entry that handed it over named it; its drop uses the name.
    int32_t goal_value = 0;
    std::string goal_model;
};

// The soldier's side of the slot operations.
class weapon_slot_host {
public:
    virtual ~weapon_slot_host() = default;
    // Dresses both model instances for the weapon now in hand (0 to 63; the goal item and the hands
    // get no models), hands them its sound and flash names and restarts the movement animation,
    // whose result it returns.
    virtual int32_t dress_weapon_models(int32_t weapon) = 0;
    virtual void lower_sights() = 0;
    // Whether one of its model instances has an animation queued.
    virtual bool animation_queued() const = 0;
    // Throws the item to the ground in front of the soldier, falling under (0, -978, 0), as a dropped
    // weapon with that model name.
    virtual void drop_in_world(int32_t weapon, const std::string& model) = 0;
    // A weapon entry that handed over the goal item, for the game object.
    virtual void hand_goal_entry(const weapon_entry& entry) = 0;
};

struct weapon_carrier {
    being& owner;  // its name, and its player record: id, team, specialisation, weapon entries
    weapon_slot_host& host;
    const kvgame* game = nullptr;   // equipping mode; none: off
    const server* world = nullptr;  // the game state; none: not running
};

bool weapon_slot_held(const weapon_slot& slot);

// -1 empties every slot. Otherwise refills the weapon's slot (appending one when it has none) with
// its defaults, held flag included; the hands become current. False when all slots are used or the
// weapon is out of range.
bool being_give_weapon(weapon_slots& s, int32_t weapon);
// Every used slot back to its defaults, held flags included (a respawn).
void being_reset_weapon_slots(weapon_slots& s);
// Sums the weights of the held slots (grenades: weight x count); a slot that would take the load past
// the limit is unheld, a grenade slot loses grenades instead, and the hands always stay. The HUD is
// told the total.
void being_update_load(weapon_slots& s, weapon_carrier& c);
// Bit i of word i / 32 for each held slot i; the counts of the held grenade slots in slot order.
void being_weapon_slot_mask(const weapon_slots& s, uint32_t (&mask)[kSlotMaskWords],
                            uint8_t (&counts)[kSlotCountBytes]);
// The inverse; a zero mask takes the kit rules of the player's team and specialisation instead (bots
// then get no grenades from the counts). Recomputes the load.
void being_set_weapon_slot_mask(weapon_slots& s, weapon_carrier& c, const uint32_t (&mask)[kSlotMaskWords],
                                const uint8_t (&counts)[kSlotCountBytes]);
// Works off the weapon entries of the player record and empties the list; then equips `slot` when it
// is another used slot than the current one.
void being_apply_record_weapons(weapon_slots& s, weapon_carrier& c, int32_t slot);
bool being_pick_up_weapon(weapon_slots& s, weapon_carrier& c, int32_t weapon, int32_t rounds,
                          int32_t magazines);
// The next slot of that slot kind after the current one becomes current; false when there is none.
bool being_select_slot_kind(weapon_slots& s, weapon_carrier& c, int32_t kind);
// In equipping mode, one more grenade in the current grenade slot.
bool being_add_item(weapon_slots& s, const weapon_carrier& c);
bool being_drop_current_weapon(weapon_slots& s, weapon_carrier& c, bool forced);
// A bot's choice of weapon. `kinds` 1 to 3 first drop the held main weapons, sidearms or melee
// weapons, 4 all three; weapon -1 then stops there.
bool being_bot_select_weapon(weapon_slots& s, weapon_carrier& c, int32_t weapon, int32_t kinds);
// Slot indexes, -1 when there is none.
int32_t being_find_weapon_slot(const weapon_slots& s, int32_t weapon, bool held_only);
int32_t being_find_held_slot_kind(const weapon_slots& s, int32_t kind);
// Makes a slot current (`kChooseSlot`, `kLowestHeldSlot` or a used slot) and has the soldier dress
// its models for it. Returns the dressing's result, or the weapon in hand when there is none (-1).
int32_t being_equip_weapon_models(weapon_slots& s, weapon_carrier& c, int32_t slot);

// The weapon in hand and what the HUD and the sights read of it. Slot kind -1 is the current slot;
// grenades (3) are the current slot when it is a grenade slot; other kinds the first held slot of the
// kind.
int32_t being_weapon_index(const weapon_slots& s, int32_t kind);
// Empty when there is none.
const char* being_weapon_name(const weapon_slots& s, int32_t kind);
// Load units; grenades count every grenade slot, held or not.
int32_t being_weapon_amount(const weapon_slots& s, int32_t kind);
const char* being_weapon_sight_names(const weapon_slots& s, int32_t which);
int32_t being_weapon_sight_kind(const weapon_slots& s);
// With the game's sights flag in `game_flags`, the zoom factor `which`; without it 1 for the first
// and the second factor for the second.
float being_weapon_zoom(const weapon_slots& s, int32_t which, int32_t game_flags);
const char* being_shot_sound(const weapon_slots& s, int32_t which);
const char* being_reload_sound(const weapon_slots& s, int32_t stage);
const char* being_muzzle_flash(const weapon_slots& s, int32_t which);
sound_distances being_weapon_sound_distances(const weapon_slots& s);
effect_factors being_weapon_effect_factors(const weapon_slots& s);
int32_t being_weapon_rounds(const weapon_slots& s);
int32_t being_weapon_magazines(const weapon_slots& s);
int32_t being_weapon_extra_rounds(const weapon_slots& s);
bool being_weapon_has_launcher(const weapon_slots& s);
bool being_weapon_reloads_by_round(const weapon_slots& s);
bool being_weapon_is_melee(const weapon_slots& s);
bool being_weapon_is_hand_grenade(const weapon_slots& s);
bool being_weapon_is_hands(const weapon_slots& s);
bool being_weapon_is_handheld(const weapon_slots& s);
bool being_weapon_is_charge(const weapon_slots& s);

}  // namespace kv
