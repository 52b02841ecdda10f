#pragma once
// Keys and the mouse of a test's own X server, sent through XTEST as a player's hands would, and
// the screen read back: a second connection beside the `x_display` that started the server.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace kv {

class x_input {
public:
    explicit x_input(const std::string& display_name) : display_(XOpenDisplay(display_name.c_str())) {}
    ~x_input() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    x_input(const x_input&) = delete;
    x_input& operator=(const x_input&) = delete;

    bool ok() const { return display_ != nullptr; }

    // Moves the pointer by whole pixels, in steps small enough for a relative-motion reader.
    void move_by(int dx, int dy) {
        constexpr int kStep = 40;
        while (dx != 0 || dy != 0) {
            const int sx = dx > kStep ? kStep : (dx < -kStep ? -kStep : dx);
            const int sy = dy > kStep ? kStep : (dy < -kStep ? -kStep : dy);
            XTestFakeRelativeMotionEvent(display_, sx, sy, CurrentTime);
            XSync(display_, False);
            dx -= sx;
            dy -= sy;
            pause(15);
        }
    }

    // Puts the pointer at a place of the screen.
    void warp(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

    void click(unsigned button = 1) {
        XTestFakeButtonEvent(display_, button, True, CurrentTime);
        XSync(display_, False);
        pause(120);
        XTestFakeButtonEvent(display_, button, False, CurrentTime);
        XSync(display_, False);
        pause(120);
    }

    // Holds the key down for `ms` milliseconds.
    bool hold_key(KeySym keysym, int ms) {
        const KeyCode code = XKeysymToKeycode(display_, keysym);
        if (code == 0) return false;
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XSync(display_, False);
        pause(ms);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
        pause(60);
        return true;
    }

    bool press_key(KeySym keysym) { return hold_key(keysym, 80); }

    // Types lower-case letters, digits and blanks.
    bool type(const std::string& text) {
        for (char c : text) {
            const KeySym keysym = c == ' ' ? XK_space : static_cast<KeySym>(static_cast<unsigned char>(c));
            if (!press_key(keysym)) return false;
        }
        return true;
    }

    // The pixels of a rectangle of the screen, row by row, as 0xRRGGBB.
    std::vector<unsigned long> pixels(int x, int y, int width, int height) const {
        std::vector<unsigned long> out;
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (image == nullptr) return out;
        out.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) out.push_back(XGetPixel(image, column, row) & 0xFFFFFF);
        }
        XDestroyImage(image);
        return out;
    }

    // The share (0 to 1) of the pixels of the rectangle for which `test`(r, g, b) holds.
    template <typename Test>
    double share(int x, int y, int width, int height, Test test) const {
        const std::vector<unsigned long> all = pixels(x, y, width, height);
        if (all.empty()) return 0.0;
        long hits = 0;
        for (unsigned long p : all) {
            if (test(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                     static_cast<int>(p & 0xFF)))
                ++hits;
        }
        return static_cast<double>(hits) / static_cast<double>(all.size());
    }

    // Puts the screens' own pointer at the point (x, y) of their 0..1000 square, on a full-screen
    // window of `width` x `height` pixels whose screens move the pointer `units_per_pixel` units a
    // pixel of mouse motion and clamp it to the square. The pointer is pushed into the top left
    // corner, then moved to the point by one motion; each step waits until the game has drawn the
    // pointer where it should stand, so that a loaded game never reads two motions in one frame (the
    // clamp would then be lost). False when the pointer did not come there.
    bool point_screen_at(int x, int y, int width, int height, double units_per_pixel,
                         int step_timeout_ms = 8000) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            warp(width - 1, height - 1);
            pause(300);
            warp(0, 0);
            if (!wait_for_pointer(0, 0, width, height, step_timeout_ms)) continue;
            warp(static_cast<int>(x / units_per_pixel + 0.5), static_cast<int>(y / units_per_pixel + 0.5));
            if (wait_for_pointer(x, y, width, height, step_timeout_ms)) return true;
        }
        return false;
    }

private:
    // The demo's pointer ("kvCursor") is a black-edged arrow whose fill pulses from grey-blue to
    // near white; the pair tells it from the screens' frames, their texts and the world behind them
    // (its one near-white frame in eight goes unseen).
    static bool pointer_fill(int r, int g, int b) {
        return b > 230 && std::abs(r - g) <= 4 && r > 130 && b >= r + 20;
    }
    static bool pointer_edge(int r, int g, int b) { return std::max({r, g, b}) < 12; }

    // Until the pointer (40 x 50 units from its point) is drawn at (x, y) of the square.
    bool wait_for_pointer(int x, int y, int width, int height, int timeout_ms) {
        const int px = x * width / 1000;
        const int py = y * height / 1000;
        const int pw = std::min(40 * width / 1000, width - px);
        const int ph = std::min(50 * height / 1000, height - py);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const double area = static_cast<double>(pw) * ph;
            if (share(px, py, pw, ph, pointer_fill) * area >= 15 &&
                share(px, py, pw, ph, pointer_edge) * area >= 10)
                return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            pause(50);
        }
    }

    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    Display* display_;
};

}  // namespace kv
