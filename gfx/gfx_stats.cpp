#include "gfx/gfx_stats.h"

#include "bots/bot_central.h"
#include "gfx/gfx.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr double kMegabyte = 1048576.0;
constexpr float kKilobyte = 1024.0f;

enum : int32_t { kRtiWorld = 2, kRtiRenderer = 3, kRtiNetwork = 4 };

long as_long(int64_t value) {
    return static_cast<long>(value);
}

std::string world_line(const gfx_realtime_statistics& w) {
    return str_format("%02ldST(%02ldCD %02d/%02ld//%02d/%02ldRAY %02ldLT %02ldMD %02ldBOT) %02ldCL",
                      as_long(w.frame_ms), as_long(w.collision_ms), w.ray_ms_last_second,
                      as_long(w.rays_last_second), w.max_ray_ms, as_long(w.rays_at_max), as_long(w.logic_ms),
                      as_long(w.model_ms), as_long(w.bot_ms), as_long(w.client_ms));
}

std::string renderer_line(gfx& g) {
    const gfx_rti_block& r = g.rti;
    const uint32_t upload_ms = g.driver ? g.driver->texture_upload_ms : 0;
    return str_format("%03dSH %03dEL %.02fTM %02ldTL %02ldST %02ldR %02ldSW", r.shaders, r.elements,
                      static_cast<double>(g.texture_memory) / kMegabyte, as_long(upload_ms),
                      as_long(r.world_pass_ms), as_long(r.view_ms), as_long(r.swap_ms));
}

std::string network_line(gfx_rti_block& r) {
    if (r.interval_ms > kRtiRateIntervalMs) {
        r.received_rate = static_cast<float>(r.bytes_in) / kKilobyte;
        r.sent_rate = static_cast<float>(r.bytes_out) / kKilobyte;
        r.interval_ms = 0;
        r.bytes_in = 0;
        r.bytes_out = 0;
    }
    return str_format("%02ldNT(%04dIN %04dOUT) BIN %02.2f kB/s BOUT %02.2f kB/s", as_long(r.net_counter),
                      r.packets_in, r.packets_out, static_cast<double>(r.received_rate),
                      static_cast<double>(r.sent_rate));
}

}  // namespace

std::string gfx_rti_text(gfx& g) {
    const std::string& bots_text = bot_central_get().display_text;
    if (!bots_text.empty()) return bots_text;
    switch (g.options.rti_dispmode) {
        case kRtiWorld:
            return world_line(g.realtime);
        case kRtiRenderer:
            return renderer_line(g);
        case kRtiNetwork:
            return network_line(g.rti);
        default:
            return std::string();
    }
}

}  // namespace kv
