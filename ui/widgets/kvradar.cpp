#include "ui/widgets/kvradar.h"

#include "gfx/gfx.h"
#include "kernel/kernel.h"

namespace kv {
namespace {

constexpr uint8_t kBlipColours[4][3] = {
    {128, 128, 128},  // other kinds
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
};

const uint8_t (&blip_colour(int32_t kind))[3] {
    return kind >= kBlipRed && kind <= kBlipBlue ? kBlipColours[kind] : kBlipColours[0];
}

}  // namespace

kvradar::kvradar(int32_t x_, int32_t y_, int32_t width_, int32_t height_, const std::string& texture_name_)
    : kvstatic(x_, y_, width_, height_, texture_name_, {1.0f, 1.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 1.0f}) {}

bool kvradar::draw() {
    return kvradar_draw(*this);
}

void kvradar_set_blips(kvradar& r, const std::vector<kvradar_blip>& records, float range) {
    r.blips.clear();
    if (!(range > 0.0f)) return;
    const float sx = r.width / range;
    const float sy = r.height / range;
    const float cx = r.x + r.width / 2.0f;
    const float cy = r.y + r.height / 2.0f;
    r.blips.reserve(records.size());
    for (const kvradar_blip& b : records) r.blips.push_back({b.x * sx + cx, b.y * sy + cy, b.kind});
}

bool kvradar_draw(kvradar& r) {
    if (!r.visible) return true;
    const bool drawn = kvstatic_draw(r);
    gfx& g = kernel_get().graphics;
    if (!g.driver) return drawn;
    for (const kvradar_blip& b : r.blips) g.driver->draw_point(b.x, b.y, blip_colour(b.kind), kBlipSize);
    return drawn;
}

}  // namespace kv
