#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>

namespace kv {

std::unique_ptr<sys_window> sys_window::create(const std::string& title, int width, int height,
                                               std::string* error) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The pictures of GL and of the media pipeline go into X11 windows (SDL_VIDEODRIVER still rules).
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error != nullptr) *error = SDL_GetError();
        return nullptr;
    }
    SDL_Window* window =
        SDL_CreateWindow(title.c_str(), 0, 0, std::max(width, 1), std::max(height, 1), SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        if (error != nullptr) *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::unique_ptr<sys_window>(new sys_window(window));
}

sys_window::~sys_window() {
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint32_t sys_window::id() const {
    return SDL_GetWindowID(window_);
}

uintptr_t sys_window::native_handle() const {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return static_cast<uintptr_t>(info.info.x11.window);
#endif
    return 0;
}

bool sys_window::show_full_screen() {
    SDL_Rect bounds;
    const int display = std::max(SDL_GetWindowDisplayIndex(window_), 0);
    if (SDL_GetDisplayBounds(display, &bounds) != 0) return false;
    // Without a window manager (Xvfb) the full-screen state alone may not move or size the window.
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
    return true;
}

int sys_window::width() const {
    int w = 0;
    SDL_GetWindowSize(window_, &w, nullptr);
    return w;
}

int sys_window::height() const {
    int h = 0;
    SDL_GetWindowSize(window_, nullptr, &h);
    return h;
}

}  // namespace kv
