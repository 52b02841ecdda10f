#pragma once
// What every widget does before it draws a picture or a text: find or load the texture through the
// front end's texture cache, stamp it with the cache's use counter and make it current on unit 0 of
// the display driver (2D drawing uses what is current there and is handed the texture as well).

#include <cstdint>
#include <string>

namespace kv {

struct gfx;
struct texture;

// The texture, current on unit 0; null for an empty name, a texture without an image, or no
// display driver.
texture* widget_texture(gfx& g, const std::string& name);

// A screen value as the driver's integer operations take it: truncated toward zero, NaN as 0, held
// in int32.
int32_t screen_int(double value);

}  // namespace kv
