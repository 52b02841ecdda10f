#pragma once
// The renderer's view as the game object binds it to the current camera.

#include <cstdint>

namespace kv {

struct gfx;
struct placement;

// Binds the camera's frame to a viewport of the current view; false when the index is out of range.
bool gfx_bind_view_camera(gfx& g, placement& frame, int32_t viewport);
// Turns drawing on after a camera switch.
void gfx_enable_drawing(gfx& g);

}  // namespace kv
