#pragma once
// The effect manager: the passes over the front end's effect list, clearing and resetting it, and
// the services every effect class uses (the effect surface's layers, quads, the camera, the map
// package's sector numbers and positioned sounds).

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect_list.h"
#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

struct gfx;
struct server;
class sector;
class mesh;
struct surface;

// Appends the effect to the list; the new count.
uint32_t gfx_append_effect(gfx& g, std::unique_ptr<effect> e);
// The effect pass of one viewport: dead effects are deleted, live ones prepared and their parts
// drawn, each under its own placement on the view stack.
void gfx_render_effects(gfx& g);
// The 2D pass, once per frame after the viewports: dead effects are deleted, live ones draw their
// overlays.
void gfx_draw_effect_overlays(gfx& g);
// Deletes every effect, then repairs the broken meshes, the last broken first.
void gfx_clear_effects(gfx& g);
// Clears the effects and empties the effect surface.
void gfx_reset_effects(gfx& g);
void effect_surface_reset(gfx& g);
// Deletes every effect and keeps the broken meshes (a process that draws nothing, once a pass).
void gfx_drop_effects(gfx& g);
// Where effect parts are drawn; null restores the direct drawing of `gfx_draw_effect_part`.
void gfx_set_effect_part_drawer(gfx& g, effect_part_drawer drawer);
// Draws the mesh's intact part with the surface's layers under the view stack's top.
void gfx_draw_effect_part(gfx& g, mesh& m, surface& s);

// The world the effects of this front end live in.
server& effect_world(gfx& g);
// The layer of the effect surface that paints with this texture, made on first use.
int32_t effect_register_texture(gfx& g, const std::string& name);
// The camera's placement: the rigid inverse of the view stack's view matrix (translation = the
// camera position, Z axis = the view direction, Y axis = up).
mat4 effect_camera(const gfx& g);
// A mesh of one quad from four vertices of x, y, z, u, v, drawn with the layer.
std::unique_ptr<mesh> effect_quad(const float (&vertices)[20], int32_t layer);
// The tangent the impacts and splashes lie along: (-n.z, 0, n.x), or (-n.y, n.x, 0) when the normal
// is (nearly) vertical, normalised and negated.
vec3 effect_tangent(const vec3& n);
// A placement with these axes and origin.
mat4 effect_axes(const vec3& x, const vec3& y, const vec3& z, const vec3& origin);
// The sector's index in the current map package; -1 when it is not there.
int32_t effect_sector_index(gfx& g, const sector* s);
// The sector at that index of the current map package; null when there is none.
sector* effect_sector_at(gfx& g, int32_t index);
// The same for the surfaces of the current map package.
int32_t effect_surface_index(gfx& g, const surface* s);
surface* effect_surface_at(gfx& g, int32_t index);
// The mesh read from the chunk `key` among the current map package's geometries; null when none is.
mesh* effect_geometry_mesh(gfx& g, uint32_t key);
// A positioned effect sound on channel 2: zero velocity, direction (0, 0, -1), cones of 360 degrees.
void effect_play_sound(const std::string& name, const sector* in_sector, const vec3& at, float min_distance,
                       float max_distance);
// "1" to "4" from one draw, in quarters of the generator's range.
char effect_random_digit();

}  // namespace kv
