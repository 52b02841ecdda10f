#pragma once
// Keys and the mouse of a test's own X server, sent through XTEST as a player's hands would, and
// the screen read back: a second connection beside the `x_display` that started the server.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
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

private:
    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    Display* display_;
};

}  // namespace kv
