#pragma once
// The soldier character as the game object and the goals use it: creation for a player, models and
// weapons, spawning and dying, the network updates of other players, and the HUD states it keeps.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "beings/being.h"
#include "beings/weapon_table.h"
#include "util/mat4.h"

namespace kv {

struct server;
struct weapon_entry;

// A being named `name` for the player of that id, its record found in the server's player list. With
// flag 0 it also sets up its animations.
std::unique_ptr<being> being_create(server& srv, const std::string& name, int32_t flag, uint32_t player_id);
// The per-frame step; `followed`: the bound camera rides on it.
void being_tick(being& b, int32_t elapsed, bool followed);

// Third-person and first-person model and skin by package object names.
void being_set_model(being& b, const std::string& model, const std::string& skin);
void being_set_first_person_model(being& b, const std::string& model, const std::string& skin);
// Empties the weapon entries of its player record and stores the specialisation and team with them.
void being_record_reset(being& b, int32_t specialisation, int32_t team);
// `kWeaponAll` empties every slot; else the weapon goes into its slot.
void being_give_weapon(being& b, int32_t weapon);
// 0 first person, 1 third person.
void being_set_view_mode(being& b, int32_t mode);
// Plays the death once per life; -1 clears the dead state.
void being_die(being& b, int32_t kind);
void being_reset_weapon_slots(being& b);
void being_set_state0(being& b);
// Tells the bot host about its player: 0 created, 2 died, 3 spawned.
void being_notify_bots(being& b, int32_t event);
void being_set_weapon_slot_mask(being& b, const uint32_t (&mask)[4], const uint8_t (&counts)[4]);
void being_weapon_slot_mask(const being& b, uint32_t (&mask)[4], uint8_t (&counts)[4]);
void being_equip_weapon_models(being& b, int32_t which);
void being_update_load(being& b);
// A network update of another player: the three animation channel states, the weapon entries and the
// three status bytes.
void being_apply_anim_state(being& b, const int32_t (&channels)[3][3]);
void being_apply_record_weapons(being& b, const int32_t (&entries)[2]);
void being_apply_status(being& b, const uint8_t (&status)[3]);
void being_store_anim_state(being& b);
void being_update_visibility(being& b, const mat4& view);
void being_draw_name_tag(being& b);
void being_use_round(being& b);
void being_release_inputs(being& b);
void being_sights_update(being& b);
// The HUD's goal-given state and icon.
void being_set_goal_state(being& b, int32_t on, const std::string& icon);
// The beings' gravity, from the level's gravity value.
void being_set_gravity(float gravity);
// The position of its view (row 3 of its placement).
vec3 being_position(const being& b);

}  // namespace kv
