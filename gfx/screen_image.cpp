#include "gfx/screen_image.h"

#include "data/file_stream.h"
#include "kernel/log.h"

namespace kv {
namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr uint8_t kTargaTrueColour = 2;
constexpr uint8_t kTargaTopOrigin = 0x20;
constexpr uint32_t kTargaMaxSide = 65535;

}  // namespace

uint8_t* screen_image_resize(screen_image& image, uint32_t width, uint32_t height) {
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
    return image.pixels.data();
}

void screen_image_set_top_down(screen_image& image, uint8_t flag) {
    image.top_down = flag;
}

bool screen_image_write_tga(const screen_image& image, file_stream& stream) {
    const std::size_t bytes = static_cast<std::size_t>(image.width) * image.height * 3;
    if (image.width > kTargaMaxSide || image.height > kTargaMaxSide) {
        log_write("[GFX] A screen image of %ux%u pixels does not fit a TGA file\n", image.width,
                  image.height);
        return false;
    }
    if (image.pixels.size() < bytes) {
        log_write("[GFX] The screen image holds %zu of its %zu pixel bytes\n", image.pixels.size(), bytes);
        return false;
    }
    uint8_t header[kTargaHeaderSize] = {};
    header[2] = kTargaTrueColour;
    header[12] = static_cast<uint8_t>(image.width & 0xFF);
    header[13] = static_cast<uint8_t>(image.width >> 8);
    header[14] = static_cast<uint8_t>(image.height & 0xFF);
    header[15] = static_cast<uint8_t>(image.height >> 8);
    header[16] = 24;
    header[17] = image.top_down != 0 ? kTargaTopOrigin : 0;
    std::vector<uint8_t> swapped(bytes);
    for (std::size_t i = 0; i < bytes; i += 3) {
        swapped[i] = image.pixels[i + 2];
        swapped[i + 1] = image.pixels[i + 1];
        swapped[i + 2] = image.pixels[i];
    }
    const bool header_written = file_stream_write(stream, header, sizeof header);
    return header_written && (bytes == 0 || file_stream_write(stream, swapped.data(), bytes));
}

}  // namespace kv
