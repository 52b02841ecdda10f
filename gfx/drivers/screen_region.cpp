#include "gfx/drivers/screen_region.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

int32_t scaled(int32_t side, float fraction) {
    if (!(fraction > 0.0f)) return 0;  // NaN too
    return static_cast<int32_t>(std::trunc(static_cast<float>(side) * std::min(fraction, 1.0f)));
}

}  // namespace

screen_region gfx_screen_region(int32_t screen_width, int32_t screen_height, float x0, float y0, float x1,
                                float y1) {
    screen_region r;
    r.x = scaled(screen_width, x0);
    r.y = scaled(screen_height, y0);
    r.width = std::max(0, scaled(screen_width, x1) - r.x);
    r.height = std::max(0, scaled(screen_height, y1) - r.y);
    return r;
}

}  // namespace kv
