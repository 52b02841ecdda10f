#include "platform/display_modes.h"

#include <SDL.h>

namespace kv {
namespace {

struct fake_display {
    bool active = false;
    std::vector<sys_display_mode> modes;
    sys_display_mode desktop;
    bool changes_fail = false;
    int32_t changes = 0;
};

fake_display g_fake;
sys_display_mode g_full_screen;

sys_display_mode from_sdl(const SDL_DisplayMode& m) {
    sys_display_mode out;
    out.width = m.w;
    out.height = m.h;
    out.bits_per_pixel = static_cast<int32_t>(SDL_BITSPERPIXEL(m.format));
    out.refresh_rate = m.refresh_rate;
    return out;
}

bool video_ready() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

}  // namespace

bool sys_display_mode_at(int32_t index, sys_display_mode& out) {
    if (index < 0) return false;
    if (g_fake.active) {
        if (static_cast<std::size_t>(index) >= g_fake.modes.size()) return false;
        out = g_fake.modes[static_cast<std::size_t>(index)];
        return true;
    }
    if (!video_ready() || index >= SDL_GetNumDisplayModes(0)) return false;
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, index, &m) != 0) return false;
    out = from_sdl(m);
    return true;
}

bool sys_current_display_mode(sys_display_mode& out) {
    if (g_fake.active) {
        out = g_fake.desktop;
        return true;
    }
    SDL_DisplayMode m;
    if (!video_ready() || SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
    out = from_sdl(m);
    return true;
}

bool sys_change_display_mode(const sys_display_mode& mode, bool full_screen) {
    if (g_fake.active) ++g_fake.changes;
    if (g_fake.active && g_fake.changes_fail) return false;
    if (!full_screen) return true;
    sys_display_mode m;
    for (int32_t i = 0; sys_display_mode_at(i, m); ++i) {
        if (m.width == mode.width && m.height == mode.height) {
            g_full_screen = m;
            if (mode.refresh_rate > 0) g_full_screen.refresh_rate = mode.refresh_rate;
            return true;
        }
    }
    return false;
}

void sys_restore_display_mode() {
    if (g_fake.active) ++g_fake.changes;
    g_full_screen = sys_display_mode{};
}

sys_display_mode sys_full_screen_mode() {
    return g_full_screen;
}

void sys_fake_display_modes(const std::vector<sys_display_mode>& modes, const sys_display_mode& desktop,
                            bool changes_fail) {
    g_fake.active = true;
    g_fake.modes = modes;
    g_fake.desktop = desktop;
    g_fake.changes_fail = changes_fail;
    g_fake.changes = 0;
}

void sys_real_display_modes() {
    g_fake = fake_display{};
}

int32_t sys_fake_display_changes() {
    return g_fake.changes;
}

}  // namespace kv
