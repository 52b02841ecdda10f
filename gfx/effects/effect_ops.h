#pragma once
// The effect creation operations of the front end. Each creates one effect of its class, appends it
// to the effect list and makes it `last_effect`; the matching parameter operation then completes
// that effect, and acts on nothing else (a parameter call after an effect of another class, or
// after `gfx_forget_last_effect`, changes nothing and sends nothing). While the echo flag is set the
// operations also write their events into the world's network client, so that every other
// participant replays the same effect; replays run with the flag clear.
//
// Effects that an effect derives by itself (a water impact's ripples, a landing shell's splash) are
// made with the flag cleared and restored, so that each participant derives them locally.

#include <cstdint>
#include <string>

#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

struct gfx;
class sector;
struct trace_hit;

// Impacts: from a trace hit (event 0 with the material's index), at a blast's point (material index
// 255), and replayed from the network (material and sector by index; out of range: none).
void gfx_add_impact_effect(gfx& g, const trace_hit& hit, float size, sector* in_sector);
void gfx_add_blast_impact_effect(gfx& g, const vec3& point, const vec3& normal, sector* in_sector);
void gfx_add_impact_effect_from_net(gfx& g, const vec3& point, const vec3& normal, int32_t material,
                                    int32_t sector_index);
// Smoke texture, hole (or splash) texture, water flag and size of the last impact; an empty name
// keeps the texture. Event 1.
void gfx_set_impact_effect(gfx& g, const std::string& smoke, const std::string& hole, uint8_t water,
                           float size);

// An explosion's flash sprites and flame arc at the position, scaled (event 2); then its sprite
// texture, sprites on, arc texture and arc on (event 3). An empty name keeps the texture.
void gfx_add_explosion_effect(gfx& g, const vec3& position, const vec3& scale);
void gfx_set_explosion_effect(gfx& g, const std::string& first, uint8_t first_on, const std::string& second,
                              uint8_t second_on);
// A smoke cloud at the position (event 4; the velocity is only sent along); then its texture
// (event 5).
void gfx_add_smoke_effect(gfx& g, const vec3& position, const vec3& velocity);
void gfx_set_smoke_effect(gfx& g, const std::string& texture);

// The hit pane shatters: nothing when it is broken already; event 10 is written whatever the echo
// flag. Replayed by the pane's geometry key and the surface's and sector's indexes, never echoed;
// a key or index not in the current map package makes nothing.
void gfx_add_glass_shatter_effect(gfx& g, const trace_hit& hit, sector* in_sector);
void gfx_add_glass_shatter_effect_by_ids(gfx& g, uint16_t key, int32_t surface_index, int32_t sector_index);

// Ripples: event 6 with the sector's index (0 when it is not in the map package) or with the index
// received; a received index out of range gives a ripple without a sector.
void gfx_add_water_ripple_effect(gfx& g, const vec3& position, float size, sector* in_sector);
void gfx_add_water_ripple_effect_from_net(gfx& g, const vec3& position, float size, int32_t sector_index);
// Texture, lifetime (at most 60 s) and sound flag of the last ripple. Event 7.
void gfx_set_water_ripple_effect(gfx& g, const std::string& texture, uint32_t lifetime, uint8_t flag);
void gfx_set_water_ripple_effect(gfx& g, const std::string& texture, int32_t lifetime, int32_t flag);

// A spent shell thrown out at the placement (never echoed).
void gfx_add_shell_effect(gfx& g, const mat4& placement, sector* in_sector);

// The muzzle flash at the muzzle's placement (or at a point, facing the world's axes), with its
// front and side textures; then its scale. Never echoed.
void gfx_add_weapon_model_effect(gfx& g, const mat4& placement, const std::string& front,
                                 const std::string& side, uint8_t side_view);
void gfx_add_weapon_model_effect(gfx& g, const vec3& point, const std::string& front, const std::string& side,
                                 int32_t side_view);
void gfx_set_weapon_model_effect(gfx& g, float scale);
void gfx_set_weapon_model_effect(gfx& g, float scale, float unused);

// The white-out of a flash explosion at the position, seen from the camera. Event 8.
void gfx_add_screen_tint_effect(gfx& g, uint32_t sector_index, const vec3& position);
void gfx_add_red_flash_effect(gfx& g);
void gfx_add_texture_scroll_effect(gfx& g);

void gfx_forget_last_effect(gfx& g);
void gfx_set_effect_echo(gfx& g, bool echo);
bool gfx_effect_echo(gfx& g);

}  // namespace kv
