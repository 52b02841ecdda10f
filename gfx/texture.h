#pragma once
// A texture of the graphics front end's texture list, found by name.

#include <cstdint>
#include <string>

namespace kv {

struct gfx;

struct texture {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytes_per_texel = 0;
    uint16_t frame_stamp = 0;  // the kernel's frame counter at the last lookup
};

// The texture of that name in the list, stamped with the frame counter; null when there is none.
texture* gfx_find_texture(gfx& g, const std::string& name);
// Loads the named texture into the list; a failure leaves the list as it was (and says so in the log).
void gfx_load_texture(gfx& g, const std::string& name);
// The display driver's textured rectangle: the texture over the screen rectangle, tinted by the RGBA
// colour, with the texture rectangle (start u, start v, end u, end v).
void gfx_draw_textured_rect(gfx& g, const texture& t, const float (&colour)[4], float left, float top,
                            float width, float height, const float (&texture_rect)[4]);

}  // namespace kv
