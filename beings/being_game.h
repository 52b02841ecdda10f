#pragma once
// The soldier character as the game object and the goals use it: creation for a player, models and
// weapons, spawning and dying, the per-frame update, the network updates of other players, the HUD
// states it keeps and its name tags.

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
// flag 0 it also sets up its animations. A player without a record gives one warning: the being stays
// inert.
std::unique_ptr<being> being_create(server& srv, const std::string& name, int32_t flag, uint32_t player_id);
void being_destroy(being& b);
// The per-frame step; `look_with_mouse`: the local player's being, which the mouse turns.
void being_update(being& b, int32_t elapsed, bool look_with_mouse);

// The record's player id, nick and health (less what drowning has cost so far); 0 or empty without one.
uint32_t being_player_id(being& b);
std::string being_player_nick(being& b);
int32_t being_health(being& b);
uint32_t being_view_flags(const being& b);

// Third-person and first-person model and skin by package object names.
void being_set_model(being& b, const std::string& model, const std::string& skin);
void being_set_first_person_model(being& b, const std::string& model, const std::string& skin);
void being_attach_model(being& b, int32_t slot, const std::string& model, bool first_person);
void being_detach_models(being& b);
// Empties the weapon entries of its player record and stores the specialisation and team with them.
void being_record_reset(being& b, int32_t specialisation, int32_t team);
// `kWeaponAll` empties every slot; else the weapon goes into its slot.
void being_give_weapon(being& b, int32_t weapon);
// 0 first person, 1 third person.
void being_set_view_mode(being& b, int32_t mode);
// Plays the death once per life; -1 clears the dead state.
void being_die(being& b, int32_t kind);
void being_reset_weapon_slots(being& b);
// Standing still with its animation.
void being_reset_posture(being& b);
// Tells the bot host about its player: 0 created, 2 died, 3 spawned.
void being_notify_bots(being& b, int32_t event);
void being_set_weapon_slot_mask(being& b, const uint32_t (&mask)[4], const uint8_t (&counts)[4]);
void being_weapon_slot_mask(const being& b, uint32_t (&mask)[4], uint8_t (&counts)[4]);
void being_equip_weapon_models(being& b, int32_t which);
void being_update_load(being& b);
// A network update of another player: the three animation channel states with the aim angle, the slot
// and action values, and the input and surface bytes.
void being_apply_anim_state(being& b, const int32_t (&channels)[3][3], float aim_angle);
void being_apply_record_weapons(being& b, const int32_t (&entries)[2]);
void being_apply_remote_inputs(being& b, const uint8_t (&bytes)[3]);
// Fills the record's player state, which the P-SNAPSHOT carries.
void being_store_anim_state(being& b);
void being_update_visibility(being& b, const mat4& view);
void being_draw_name_tag(being& b);
void being_release_inputs(being& b);

// The weapon actions (being_weapon.cpp).
// Input actions 32-40, 48 and 49 (slot kinds 0-4, Fire, Fire2, Fire3, Reload, drop and add an item);
// false for any other code.
bool being_weapon_action(being& b, bool pressed, int32_t code);
// Keeps a held trigger's firing and a round-by-round reload; any other action state goes back to 0.
void being_weapon_keep_state(being& b);
// Arms the body's shot trigger for one shot of the main weapon or sidearm in hand, with the pellets
// the detail level allows (low 1, medium half of 2 or more, high all).
void being_fire_shot(being& b);
// One round spent (game command 4): the magazine loses it unless the launcher fired; an emptied
// magazine stops the firing.
void being_use_round(being& b);
void being_weapon_stop(being& b);
// Clears the body's shot and throw triggers.
void being_weapon_disarm(being& b);
bool being_weapon_reload_magazine(being& b);
bool being_weapon_load_round(being& b);
bool being_weapon_can_fire(being& b);
bool being_weapon_blocked(being& b);
bool being_weapon_reload_blocked(being& b, bool strict);
// The movement state's row on the body's upper channel and the first-person channel: played where
// the channel is free, queued behind a locked action.
void being_ready_pose(being& b);
// Fire2: raises, steps or lowers the sights of the weapon in hand.
void being_step_sights(being& b, bool pressed);
void being_sights_zoom_step(being& b, int32_t elapsed_ms);
void being_sights_lower(being& b);
// After a change of weapon: the HUD overlay follows ("wpn_sights") while the sights are up.
void being_sights_update(being& b);
void being_weapon_sound(being& b, const std::string& name);
// The Use checks: a charge of another team in reach and looked at is defused after 5 s with the
// handheld item, else 15 s; a download goal likewise after 10 s. False when nothing is in reach.
bool being_check_defuse(being& b);
bool being_check_download(being& b);
// A remote soldier's footsteps from his received inputs and second surface mark.
void being_remote_footsteps(being& b);

// Slot operations with the soldier's side filled in (being.cpp).
bool being_pick_up(being& b, int32_t weapon, int32_t rounds, int32_t magazines);
bool being_select_kind(being& b, int32_t kind);
bool being_drop_item(being& b);
bool being_add_one_item(being& b);
// The movement state's animation row (by its variant) and the weapon column of the animation tables.
int32_t being_move_row(const being& b);
int32_t being_weapon_column(const being& b);
// The HUD's goal-given state and icon.
void being_set_goal_state(being& b, int32_t on, const std::string& icon);
bool being_has_state_icon(const being& b);
// The HUD icon of its state; false (and nothing written) when it has none.
bool being_state_icon(const being& b, std::string& out);
// The beings' gravity, from the level's gravity value.
void being_set_gravity(float gravity);
// The position of its view (row 3 of its placement).
vec3 being_position(const being& b);
// Six levels 0..1, stored x 255 as the record's level bytes (clamped, never wrapped).
void being_set_record_levels(being& b, const float (&levels)[6]);
float being_hud_value_inverse(const being& b);
float being_hud_fade(being& b);

// The movement side (being_movement.cpp).
void being_apply_record_commands(being& b);
void being_run_state_machine(being& b);
void being_start_move_animation(being& b, int32_t variant);
void being_queue_move_animation(being& b, int32_t variant);
// 0 standing, 1 crouched, 2 prone.
bool being_can_change_posture(being& b, int32_t posture);
void being_begin_special_action(being& b, int32_t kind);
bool being_in_air(const being& b);

}  // namespace kv
