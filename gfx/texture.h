#pragma once
// A texture record of the graphics front end: a named image in system memory, uploaded by the
// display driver and found by name in the front end's texture list. Light-map pages are records
// whose image lies in the light-map store.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

struct gfx;

// Kinds of texture records.
inline constexpr int32_t kTextureImage = 0;
inline constexpr int32_t kTextureLightMap = 6;

struct texture {
    std::string name;
    int32_t kind = kTextureImage;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytes_per_texel = 0;
    // The texels, row by row: `pixels` for a loaded image, or the light-map store's square of a
    // page (not owned).
    const uint8_t* texels = nullptr;
    std::vector<uint8_t> pixels;
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

// A record of that name with an empty image, not uploaded.
std::unique_ptr<texture> texture_create(const std::string& name);
// Loads the record's image by its name from the texture directory; on failure the image stays
// empty (the loader logs why).
void texture_load(texture& t);
// An 8-bit record over the light-map store's square of table entry `id` (not copied); the image
// is empty when the store has no usable square for the id.
std::unique_ptr<texture> texture_create_for_lmap(int32_t id);

}  // namespace kv
