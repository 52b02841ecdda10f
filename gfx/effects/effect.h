#pragma once
// The visual effect: everything short-lived that a fight shows (impacts, ripples, shells, flashes,
// explosions, smoke, shattering glass, scrolling water) is one of these. The front end owns every
// live effect in its effect list (gfx/effects/effect_list.h), draws its mesh parts once per
// viewport, gives it a 2D pass once per frame and deletes it at the first pass that finds it no
// longer alive. Effects time themselves with their own timers, so being asked once per viewport
// changes nothing.

#include <cstdint>

#include "util/mat4.h"

namespace kv {

struct gfx;
struct surface;
class mesh;

// The classes of the family; a parameter operation acts only on an effect of its own class.
enum class effect_class : int32_t {
    impact,
    water_ripple,
    shell,
    weapon_model,
    screen_tint,
    red_flash,
    texture_scroll,
    explosion,
    smoke,
    glass_shatter,
};

class effect {
public:
    virtual ~effect() = default;

    virtual effect_class kind() const = 0;
    virtual bool alive() = 0;
    // Once per viewport, before the parts are drawn.
    virtual void prepare(gfx& g) = 0;
    virtual int32_t part_count() = 0;
    virtual mesh* part_mesh(int32_t i) = 0;
    // The placement of part i in world space.
    virtual mat4 part_matrix(gfx& g, int32_t i) = 0;
    // The surface the parts are drawn with: the front end's effect surface.
    virtual surface& effect_surface(gfx& g);
    virtual void draw_overlay(gfx&) {}
    // The draw-mode word the mesh drawing reads for this effect's parts; null for none.
    virtual const uint32_t* draw_flags(gfx&) { return nullptr; }
};

}  // namespace kv
