#pragma once
// What the soldier uses of the subsystems around it that are not part of the beings code: the HUD
// effects it embeds, the renderer's weapon-view and lamp flags and its effects, the input layer's
// mouse, the bot host, and the weapon actions (firing, reloading, sights, grenades, pick-ups) that
// ride on the being.

#include <cstdint>
#include <string>

#include "util/vec3.h"

namespace kv {

struct being;
struct BotCentral;
struct gfx;
struct input;
class sector;

// HUD effects (the being owns one state; the HUD reads it).
float hud_effects_intensity(being& b);
// False while the soldier is out of breath.
bool hud_effects_can_run(being& b);
// A damage pulse: 4 x value.
void hud_effects_add_pulse(being& b, float value);
// The sway that follows a change of pitch.
void hud_effects_sway(being& b, float pitch_change);
// The HUD's state code (0-12) of the movement state.
void hud_effects_set_state(being& b, int32_t code);
// Starts (on) or stops the sixth timer (command 45).
void hud_effects_set_timer6(being& b, bool on);
float hud_effects_fade(being& b);

// Renderer flags: the first-person weapon is drawn while the weapon view is on; commands 42 and 43
// toggle the lamp and the night view.
void gfx_set_weapon_view(gfx& g, bool on);
void gfx_toggle_lamp(gfx& g);
void gfx_lamp_off(gfx& g);
void gfx_toggle_night_view(gfx& g);
void gfx_add_red_flash_effect(gfx& g);
void gfx_add_water_ripple_effect(gfx& g, const vec3& point, float scale, sector* in_sector);
void gfx_set_water_ripple_effect(gfx& g, const std::string& name, int32_t duration_ms, int32_t flag);

// The point taken through the current view's camera and projection: x, y and w (in .w); a point
// behind the viewer has a negative w.
vec3 gfx_project_point(gfx& g, const vec3& point);

// The input layer's invert-mouse setting: true negates the vertical motion.
bool input_mouse_inverted(const input& in);

// Bot host events of a player.
void botc_add_player(BotCentral& bots, uint32_t player_id, uint8_t alive);
void botc_player_event_2(BotCentral& bots, uint32_t player_id);
void botc_player_event_3(BotCentral& bots, uint32_t player_id);

// The weapon side of the being.
void being_weapon_pre_step(being& b);
// A weapon command code; false when it was not taken.
bool being_weapon_command(being& b, bool pressed, int32_t code);
void being_weapon_follow_up(being& b);
void being_weapon_reset(being& b);
void being_weapon_step(being& b);
void being_continue_upper_animation(being& b);
// The sights are off or stay on for the state (they are lowered outside 0, 7, 11, 12 and 16).
void being_sights_step(being& b);
bool being_defuse_check(being& b);
bool being_download_check(being& b);
void being_pick_up_step(being& b);
// The weapon change that waited for the holster animation: the sights of the weapon put away come
// down (the update then dresses the models of the current slot).
void being_switch_weapon(being& b);
bool being_weapon_is_throwable_knife(const being& b);

}  // namespace kv
