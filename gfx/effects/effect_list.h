#pragma once
// The front end's effect state: the owned effects in creation order, the target of the parameter
// operations, the echo flag's companions, the meshes that shattering glass has broken, the one
// surface all effect meshes are drawn with, and the counters that the effect classes share.
//
// The passes (one per viewport, one 2D pass per frame) are `gfx_render_effects` and
// `gfx_draw_effect_overlays`; the frame calls them. An effect that stops being alive is deleted by
// whichever pass comes first, and `last_effect` forgets it then.

#include <cstdint>
#include <deque>
#include <list>
#include <memory>

#include "gfx/effects/effect.h"
#include "gfx/surface.h"

namespace kv {

struct gfx;
struct server;
class mesh;

// Draws one effect mesh with the effect surface under the view stack's top matrix. The default
// draws the mesh's intact part through the display driver at once; the frame may route the parts
// into its draw lists instead.
using effect_part_drawer = void (*)(gfx& g, mesh& m, surface& s);

struct effect_list {
    std::list<std::unique_ptr<effect>> items;
    uint32_t count = 0;
    effect* last_effect = nullptr;         // not owned
    std::deque<mesh*> broken_meshes;       // used as a stack: pushed and popped at the back
    surface effect_surface;                // one "basicmap" layer per texture the effects use
    const uint32_t* draw_flags = nullptr;  // the record the mesh drawing reads while a part is drawn
    effect_part_drawer drawer = nullptr;   // null: `gfx_draw_effect_part`

    // Shared by the effect classes: the impacts' depth phase and hole variant, the shell counter.
    float depth_phase = 0.0f;
    int32_t hole_variant = 0;
    uint32_t shell_counter = 0;

    // The world whose map package, network client and materials the effects use; null: the world
    // server singleton.
    server* world = nullptr;
    bool refusal_logged = false;  // a replayed batch logs one refused event at most
};

}  // namespace kv
