#pragma once
// A texture record: a named image in system memory that the loader fills, the texture cache finds
// by name in the front end's list (gfx/texture_cache.h) and the display driver uploads. Light-map
// pages are records whose image lies in the light-map store (the second image).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

struct gfx;
struct server;
class gfx_driver;

// Image kinds.
inline constexpr uint8_t kTextureRgb = 1;             // 3 bytes a texel
inline constexpr uint8_t kTextureNotUploaded = 2;     // never uploaded
inline constexpr uint8_t kTextureGrey = 3;            // 1 byte a texel, drawn with its grey as alpha
inline constexpr uint8_t kTextureRgba = 4;            // 4 bytes a texel
inline constexpr uint8_t kTextureAlpha = 5;           // 1 byte a texel, alpha only
inline constexpr uint8_t kTextureLightMap = 6;        // 1 byte a texel, no mip levels, clamped
inline constexpr uint8_t kTextureLuminanceAlpha = 7;  // clamped
inline constexpr uint8_t kTextureAlphaKind9 = 9;      // counts as having alpha

// The driver handle of a record not uploaded yet; it never matches a handle bound to a unit.
inline constexpr uintptr_t kNoTextureHandle = ~uintptr_t{0};

// DDS states.
inline constexpr uint8_t kDdsUntried = 0;
inline constexpr uint8_t kDdsFound = 1;
inline constexpr uint8_t kDdsMissing = 2;

struct texture {
    std::string name;
    int32_t lmap_id = -1;             // light-map pages: the store's id (they have no name)
    std::vector<uint8_t> pixels;      // the loaded image, rows from the top
    const uint8_t* texels = nullptr;  // the second image, owned elsewhere (light-map pages)
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytes_per_texel = 0;
    uint8_t kind = 0;                     // image kind
    uint8_t format = 0;                   // the last byte of a QXTX header
    uint8_t mip_levels = 0;               // from a DDS file
    uintptr_t handle = kNoTextureHandle;  // the driver's texture
    uint8_t uploaded = 0;
    uint16_t use_stamp = 0;       // the cache's use counter at the last lookup
    uint8_t two_level_alpha = 0;  // every alpha 0 or 255: alpha-tested, not blended
    uint8_t quiet = 0;            // a missing or unsupported file logs nothing
    uint8_t dds_state = kDdsUntried;
    uint8_t dds_failed = 0;        // the driver could not read the DDS file (logged once)
    uint8_t failure_reported = 0;  // the cache said once that it could not be loaded
    uint32_t memory_size = 0;      // texture memory, set at upload
};

// A record of that name with no image, not uploaded, every flag 0.
std::unique_ptr<texture> texture_create(const std::string& name);
// Loads the record's image by its name from the texture directory; on failure the image stays
// empty (the loader logs why). The world server gives the folders, the front end's driver whether
// pre-compressed (DDS) files stand for images.
void texture_load(texture& t);
// The same with the folders of `srv` and that driver (null: no DDS files).
void texture_load(texture& t, server& srv, gfx_driver* driver);
// Deletes the driver's texture when uploaded and frees the pixels and the name.
void texture_release(texture& t, gfx_driver* driver);
// A DDS file stands for the image, or there are pixels, or the record is uploaded.
bool texture_is_loaded(const texture& t);
// Image kinds 2 to 5 and 9.
bool texture_has_alpha(const texture& t);
bool texture_has_two_level_alpha(const texture& t);
// Frees the pixels once the driver holds the image.
void texture_free_pixels(texture& t);
// An 8-bit record over the light-map store's square of table entry `id` (not copied); the image
// is empty when the store has no usable square for the id.
std::unique_ptr<texture> texture_create_for_lmap(int32_t id);

// The file readers behind `texture_load`, over a whole file's bytes: on success the record holds the
// image (true); otherwise it keeps no pixels and, unless quiet, one "[GFX]" line names `file_name`.
bool texture_read_targa(texture& t, const uint8_t* data, std::size_t size, const std::string& file_name);
bool texture_read_qxtx(texture& t, const uint8_t* data, std::size_t size, const std::string& file_name);

// The texture of that name in the front end's list, given a fresh use stamp; null when there is
// none.
texture* gfx_find_texture(gfx& g, const std::string& name);
// The display driver's textured rectangle on the virtual screen: the texture over the rectangle,
// tinted by the colour's red, green and blue, with the texture rectangle (start u, start v, end u,
// end v). Nothing without a driver.
void gfx_draw_textured_rect(gfx& g, texture& t, const float (&colour)[4], float left, float top, float width,
                            float height, const float (&texture_rect)[4]);

}  // namespace kv
