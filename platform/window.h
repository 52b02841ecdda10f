#pragma once
// A program window on SDL2. It starts hidden; the display code shows it windowed or full screen.
// A 0 x 0 size becomes 1 x 1 (X11 refuses empty windows). Its events arrive through
// `sys_pump_messages` carrying its `id`. Opening the first window starts SDL video (with SDL's
// signal handlers off, so SIGINT and SIGTERM stay with the program); closing the last stops it.

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;

namespace kv {

class sys_window {
public:
    // Nullptr when there is no display or the window cannot be made; `error` says why.
    static std::unique_ptr<sys_window> create(const std::string& title, int width, int height,
                                              std::string* error = nullptr);
    ~sys_window();
    sys_window(const sys_window&) = delete;
    sys_window& operator=(const sys_window&) = delete;

    uint32_t id() const;
    // The window system's handle (an X11 window id); 0 when the video driver has none.
    uintptr_t native_handle() const;
    // Shows the window over the whole of its display and gives it the input focus.
    bool show_full_screen();
    int width() const;
    int height() const;

private:
    explicit sys_window(SDL_Window* window) : window_(window) {}
    SDL_Window* window_;
};

}  // namespace kv
