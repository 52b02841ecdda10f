#pragma once
// Debug drawing of the front end for the bot host, the animated models and the dropped weapons:
// lines and boxes in the coordinates of the top of the matrix stack, and texts on the virtual
// screen or at a 3D point. The text drawers make the font texture current on unit 0 before the
// driver draws (every 2D operation draws with that unit's texture).

#include <cstdint>
#include <string>

#include "gfx/drivers/gfx_driver.h"
#include "util/box3.h"
#include "util/vec3.h"

namespace kv {

struct gfx;

// The two texts are drawn at most this far away in size: nearer points draw at full size.
inline constexpr float kTextPointFarthest = 10000.0f;
inline constexpr float kTextPointScale = 1000.0f;

void gfx_draw_line(gfx& g, const gfx_colour& colour, const vec3& from, const vec3& to);
// The twelve edges of the box, one driver line each.
void gfx_draw_box(gfx& g, const gfx_colour& colour, const box3& box);
// Nothing is drawn when the font cannot be found.
void gfx_draw_text(gfx& g, int32_t x, int32_t y, const gfx_colour& colour, const std::string& font,
                   const std::string& text, int32_t width, int32_t height);
// The point goes through the top matrix; only a point with z above x and above y is drawn, at
// ((x + 1) 1000, (y + 1) 1000), its size divided by min(z, 10000) / 1000 (at least 1).
void gfx_draw_text_at_point(gfx& g, const gfx_colour& colour, const std::string& font,
                            const std::string& text, const vec3& point, int32_t width, int32_t height);

}  // namespace kv
