#pragma once
// A viewport of the current view as the front end keeps it while the view is shown: a copy of the
// package's viewport record and the view-projection computed from its projection values and the
// weapon sights' zoom.
//
// Projection for zoom p (0 to 100): the four frustum angles are scaled by
// s = (100 - p) / 100 x 0.9375 + 0.0625; the view-projection applies the viewport's transform, then
// a shear (tan(b0 - b1), tan(b2 - b3)) and then a scale (1 / (tan((b0 + b1) / 2) near),
// 1 / (tan((b2 + b3) / 2) near), 1 / near). Near 1 with four angles of pi/4 is the drivers' square
// 90-degree view.

#include <cstdint>

#include "gfx/view.h"
#include "util/mat4.h"

namespace kv {

// The frustum angles a copy falls back to when a record's values give no finite projection.
inline constexpr float kCameraViewFallbackAngle = 0.78539816f;  // pi / 4

struct camera_view {
    viewport record;  // the copy; its name is its own
    mat4 view_projection;
    float scaled[2] = {0.0f, 0.0f};  // the first and third projection values over the near distance
    int32_t zoom = 0;                // percent, 0 to 100
};

// The zoom's scale of the frustum angles; a percentage outside 0 to 100 is held to it.
float camera_view_zoom_scale(int32_t percent);
// Copies the record and computes its projection with zoom 0. Angles that sum to 0 or less, or to pi
// or more, in either pair (or a near distance not above 0) are replaced by the 90-degree view after
// one log line.
camera_view camera_view_copy(const viewport& record);
// Stores the percentage (held to 0 to 100) and recomputes the projection.
void camera_view_set_zoom(camera_view& view, int32_t percent);

}  // namespace kv
