#pragma once
// An X server of the test's own (Xvfb, no window manager) and what tests do with it: read the
// screen back, find windows by title and press keys through XTEST.

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kv {

struct screen_colour {
    uint8_t r = 0, g = 0, b = 0;
};

class x_display {
public:
    // Starts Xvfb with one screen of the given size; `ok()` is false when it cannot start.
    x_display(int width = 640, int height = 480);
    ~x_display();
    x_display(const x_display&) = delete;
    x_display& operator=(const x_display&) = delete;

    bool ok() const { return display_ != nullptr; }
    // The DISPLAY value for programs that should show on this server, such as ":5".
    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The share of the screen's pixels within `tolerance` of `colour` on each channel (0 to 1), of
    // the whole screen or of the columns [x, x + width).
    double share_of_colour(screen_colour colour, int tolerance) const;
    double share_of_colour(screen_colour colour, int tolerance, int x, int width) const;
    // True when a window on the server has this title.
    bool has_window_titled(const std::string& title) const;
    // The size of the window of that title; false when there is none.
    bool window_size(const std::string& title, int& width, int& height) const;
    // Asks the window of that title to close, as a window manager's close button does.
    bool close_window(const std::string& title) const;
    // Presses and releases a key (an X keysym such as XK_space) through XTEST.
    bool press_key(unsigned long keysym) const;

private:
    pid_t server_ = -1;
    std::string name_;
    int width_;
    int height_;
    void* display_ = nullptr;  // the test's own connection (a Display*)
};

// Sets DISPLAY for the life of the guard (empty: unset), putting the old value back after.
class scoped_display_env {
public:
    explicit scoped_display_env(const std::string& value);
    ~scoped_display_env();
    scoped_display_env(const scoped_display_env&) = delete;
    scoped_display_env& operator=(const scoped_display_env&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

}  // namespace kv
