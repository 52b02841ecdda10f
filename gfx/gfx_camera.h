#pragma once
// The renderer's view as the game object binds it to the current camera.

#include <cstdint>

#include "util/vec3.h"

namespace kv {

struct gfx;
struct placement;

// Binds the camera's frame to a viewport of the current view; false when the index is out of range.
bool gfx_bind_view_camera(gfx& g, placement& frame, int32_t viewport);
// Turns drawing on after a camera switch.
void gfx_enable_drawing(gfx& g);
// The point (w taken as 1) through the current viewport's camera and projection, as the display
// driver takes it: x and y, and the depth in z and in w; a point behind the viewer has a negative w.
// Before any viewport was shown, w is 0.
vec3 gfx_project_point(gfx& g, const vec3& point);

}  // namespace kv
