#include "gfx/screen_image.h"

namespace kv {

uint8_t* screen_image_resize(screen_image& image, uint32_t width, uint32_t height) {
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
    return image.pixels.data();
}

void screen_image_set_top_down(screen_image& image, uint8_t flag) {
    image.top_down = flag;
}

}  // namespace kv
