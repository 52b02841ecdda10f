#pragma once
// A program window on SDL2. It starts hidden; the display code shows it windowed or full screen.
// A 0 x 0 size becomes 1 x 1 (X11 refuses empty windows). Its events arrive through
// `sys_pump_messages` carrying its `id`. Opening the first window starts SDL video (with SDL's
// signal handlers off, so SIGINT and SIGTERM stay with the program); closing the last stops it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct SDL_Window;

namespace kv {

struct sys_event;
struct sys_gl_window;

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

// The display drivers' window: made with a title and a client size, visible, windowed or over the
// whole screen in the mode of the last full-screen display change (platform/display_modes.h). Its
// pixel format is set through the GL module (platform/gl_context.h), which may make the window
// again: its id may change, its owner stays. Null when it cannot be made; `error` says why.
sys_gl_window* sys_gl_window_create(const std::string& title, int width, int height, bool full_screen,
                                    std::string* error = nullptr);
void sys_gl_window_destroy(sys_gl_window* window);
uint32_t sys_gl_window_id(const sys_gl_window* window);
// The handler of the window's close, focus and key events (platform/messages.h), kept when the window
// is made again; an empty one removes it.
void sys_gl_window_set_owner(sys_gl_window* window, std::function<void(const sys_event&)> owner);
// Keeps the mouse inside the window's client area; null lets it go.
void sys_confine_cursor(sys_gl_window* window);
void sys_show_cursor(bool shown);
// Raises the window and gives it the input focus.
void sys_set_foreground(sys_gl_window* window);
int sys_gl_window_width(const sys_gl_window* window);
int sys_gl_window_height(const sys_gl_window* window);
// The SDL window behind a display driver's window (null for a window without a window system), for
// the platform code that draws in it.
SDL_Window* sys_gl_window_sdl(const sys_gl_window* window);

const std::string& sys_gl_window_title(const sys_gl_window* window);
// Test seam: from now on (until false) the display drivers' windows are records without a window
// system, so a driver opens on a recording GL module without a display.
void sys_fake_gl_windows(bool on);

// The program's main window, published by the display driver that opened it; null when none.
void sys_set_main_window(sys_gl_window* window);
sys_gl_window* sys_main_window();

}  // namespace kv
