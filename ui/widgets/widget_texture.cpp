#include "ui/widgets/widget_texture.h"

#include <cmath>
#include <limits>

#include "gfx/gfx.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"

namespace kv {

texture* widget_texture(gfx& g, const std::string& name) {
    if (name.empty() || !g.driver) return nullptr;
    layer_state state;
    gfx_load_texture(g, name, state, false);
    // The cache keeps a record also for a texture that could not be loaded: it has no image.
    texture* t = gfx_find_texture(g, name);
    if (!t || !texture_is_loaded(*t)) return nullptr;
    return t;
}

int32_t screen_int(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

}  // namespace kv
