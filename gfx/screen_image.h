#pragma once
// The image a display driver reads the screen back into (screenshots): 24-bit RGB pixels, three
// bytes a pixel, rows from the top when `top_down` is set.

#include <cstdint>
#include <vector>

namespace kv {

struct file_stream;

struct screen_image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // red, green, blue per pixel
    uint8_t top_down = 1;
};

// Drops the old pixels and makes room for width x height pixels; returns the block to fill.
uint8_t* screen_image_resize(screen_image& image, uint32_t width, uint32_t height);
void screen_image_set_top_down(screen_image& image, uint8_t flag);
// Writes the image as an uncompressed 24-bit Targa file, the first row at the top when top-down.
// False when a write fails, or when a side does not fit the file's 16 bits or the pixels fall short
// of the size (nothing written then).
bool screen_image_write_tga(const screen_image& image, file_stream& stream);

}  // namespace kv
