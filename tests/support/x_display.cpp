#include "tests/support/x_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace kv {
namespace {

Display* as_display(void* d) {
    return static_cast<Display*>(d);
}

// The window of that title under `w` (itself included), or 0.
Window find_titled(Display* d, Window w, const std::string& title) {
    char* name = nullptr;
    bool found = false;
    if (XFetchName(d, w, &name) && name != nullptr) {
        found = title == name;
        XFree(name);
    }
    if (found) return w;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    Window match = 0;
    for (unsigned i = 0; i < count && match == 0; ++i) match = find_titled(d, children[i], title);
    if (children != nullptr) XFree(children);
    return match;
}

bool titled(Display* d, Window w, const std::string& title) {
    return find_titled(d, w, title) != 0;
}

}  // namespace

x_display::x_display(int width, int height) : width_(width), height_(height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    server_ = fork();
    if (server_ == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-br", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (server_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    name_ = ":" + number;
    display_ = XOpenDisplay(name_.c_str());
}

x_display::~x_display() {
    if (display_ != nullptr) XCloseDisplay(as_display(display_));
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
}

double x_display::share_of_colour(screen_colour colour, int tolerance) const {
    return share_of_colour(colour, tolerance, 0, width_);
}

double x_display::share_of_colour(screen_colour colour, int tolerance, int x0, int width) const {
    Display* d = as_display(display_);
    XImage* image = XGetImage(d, DefaultRootWindow(d), x0, 0, width, height_, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    long matching = 0;
    auto near = [tolerance](unsigned long v, uint8_t want) {
        return std::abs(static_cast<int>(v) - want) <= tolerance;
    };
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            if (near((p >> 16) & 0xFF, colour.r) && near((p >> 8) & 0xFF, colour.g) &&
                near(p & 0xFF, colour.b)) {
                ++matching;
            }
        }
    }
    XDestroyImage(image);
    return static_cast<double>(matching) / (static_cast<double>(width) * height_);
}

bool x_display::has_window_titled(const std::string& title) const {
    Display* d = as_display(display_);
    return titled(d, DefaultRootWindow(d), title);
}

bool x_display::window_size(const std::string& title, int& width, int& height) const {
    Display* d = as_display(display_);
    const Window w = find_titled(d, DefaultRootWindow(d), title);
    XWindowAttributes attributes;
    if (w == 0 || !XGetWindowAttributes(d, w, &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool x_display::close_window(const std::string& title) const {
    Display* d = as_display(display_);
    const Window w = find_titled(d, DefaultRootWindow(d), title);
    if (w == 0) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d, w, False, NoEventMask, &e) != 0;
    XSync(d, False);
    return sent;
}

bool x_display::press_key(unsigned long keysym) const {
    Display* d = as_display(display_);
    const KeyCode code = XKeysymToKeycode(d, keysym);
    if (code == 0) return false;
    const bool sent =
        XTestFakeKeyEvent(d, code, True, CurrentTime) && XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
    return sent;
}

scoped_display_env::scoped_display_env(const std::string& value) {
    if (const char* old = std::getenv("DISPLAY")) {
        had_ = true;
        old_ = old;
    }
    if (value.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", value.c_str(), 1);
    }
}

scoped_display_env::~scoped_display_env() {
    if (had_) {
        setenv("DISPLAY", old_.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}

}  // namespace kv
