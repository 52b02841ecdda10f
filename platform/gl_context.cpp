#include "platform/gl_context.h"

#include <GL/glx.h>
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/display_modes.h"
#include "platform/dll.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace kv {

struct sys_gl_window {
    SDL_Window* window = nullptr;
    std::string title;
    int width = 1;
    int height = 1;
    bool full_screen = false;
    std::function<void(const sys_event&)> owner;
    // The GLX configurations that are this window's pixel formats, read on the first description.
    bool formats_read = false;
    std::vector<sys_pixel_format> formats;
    uint32_t fake_id = 0;  // a window without a window system (tests): its id
};

namespace {

sys_gl_window* g_main_window = nullptr;
bool g_fake_windows = false;
uint32_t g_fake_window_ids = 0x10000;

void register_owner(sys_gl_window* w) {
    const uint32_t id = sys_gl_window_id(w);
    if (id != 0) sys_set_window_owner(id, w->owner);
}

void unregister_owner(sys_gl_window* w) {
    const uint32_t id = sys_gl_window_id(w);
    if (id != 0) sys_set_window_owner(id, {});
}

bool make_sdl_window(sys_gl_window* w, std::string* error) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (w->full_screen) flags |= SDL_WINDOW_BORDERLESS;
    w->window = SDL_CreateWindow(w->title.c_str(), 0, 0, w->width, w->height, flags);
    if (w->window == nullptr) {
        if (error != nullptr) *error = SDL_GetError();
        return false;
    }
    if (w->full_screen) {
        const sys_display_mode mode = sys_full_screen_mode();
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
            if (mode.width > 0) {
                m.w = mode.width;
                m.h = mode.height;
                if (mode.refresh_rate > 0) m.refresh_rate = mode.refresh_rate;
            }
            SDL_SetWindowDisplayMode(w->window, &m);
        }
        SDL_SetWindowFullscreen(w->window, SDL_WINDOW_FULLSCREEN);
    }
    register_owner(w);
    return true;
}

Display* x_display_of(const sys_gl_window* w) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (w == nullptr || w->window == nullptr || !SDL_GetWindowWMInfo(w->window, &info)) return nullptr;
    if (info.subsystem != SDL_SYSWM_X11) return nullptr;
    return info.info.x11.display;
}

using get_fb_configs_fn = GLXFBConfig* (*)(Display*, int, int*);
using get_fb_config_attrib_fn = int (*)(Display*, GLXFBConfig, int, int*);

void read_formats(sys_gl_window* w) {
    w->formats_read = true;
    Display* display = x_display_of(w);
    auto get_configs = reinterpret_cast<get_fb_configs_fn>(SDL_GL_GetProcAddress("glXGetFBConfigs"));
    auto get_attrib =
        reinterpret_cast<get_fb_config_attrib_fn>(SDL_GL_GetProcAddress("glXGetFBConfigAttrib"));
    if (display == nullptr || get_configs == nullptr || get_attrib == nullptr) return;
    int count = 0;
    GLXFBConfig* configs = get_configs(display, XDefaultScreen(display), &count);
    if (configs == nullptr) return;
    for (int i = 0; i < count; ++i) {
        auto value = [&](int attribute) {
            int v = 0;
            return get_attrib(display, configs[i], attribute, &v) == Success ? v : 0;
        };
        if ((value(GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) == 0) continue;
        if ((value(GLX_RENDER_TYPE) & GLX_RGBA_BIT) == 0) continue;
        if (value(GLX_VISUAL_ID) == 0 || value(GLX_X_VISUAL_TYPE) != GLX_TRUE_COLOR) continue;
        sys_pixel_format f;
        f.flags = kPfdDrawToWindow | kPfdSupportOpenGl;
        if (value(GLX_DOUBLEBUFFER)) f.flags |= kPfdDoubleBuffer;
        if (value(GLX_STEREO)) f.flags |= kPfdStereo;
        f.colour_bits = static_cast<uint8_t>(value(GLX_BUFFER_SIZE));
        f.red_bits = static_cast<uint8_t>(value(GLX_RED_SIZE));
        f.green_bits = static_cast<uint8_t>(value(GLX_GREEN_SIZE));
        f.blue_bits = static_cast<uint8_t>(value(GLX_BLUE_SIZE));
        f.alpha_bits = static_cast<uint8_t>(value(GLX_ALPHA_SIZE));
        f.depth_bits = static_cast<uint8_t>(value(GLX_DEPTH_SIZE));
        f.stencil_bits = static_cast<uint8_t>(value(GLX_STENCIL_SIZE));
        w->formats.push_back(f);
    }
    XFree(configs);
}

int describe_pixel_format(sys_gl_window* dc, int index, unsigned size, sys_pixel_format* out) {
    if (dc == nullptr) return 0;
    if (!dc->formats_read) read_formats(dc);
    const int count = static_cast<int>(dc->formats.size());
    if (out != nullptr && size >= kPixelFormatSize && index >= 1 && index <= count) {
        *out = dc->formats[static_cast<std::size_t>(index - 1)];
    }
    return count;
}

int choose_pixel_format(sys_gl_window* dc, const sys_pixel_format* wanted) {
    if (dc == nullptr || wanted == nullptr) return 0;
    if (!dc->formats_read) read_formats(dc);
    for (std::size_t i = 0; i < dc->formats.size(); ++i) {
        if ((dc->formats[i].flags & wanted->flags) == wanted->flags) return static_cast<int>(i + 1);
    }
    return 0;
}

int set_pixel_format(sys_gl_window* dc, int index, const sys_pixel_format*) {
    if (dc == nullptr) return 0;
    if (!dc->formats_read) read_formats(dc);
    if (index < 1 || index > static_cast<int>(dc->formats.size())) return 0;
    const sys_pixel_format& f = dc->formats[static_cast<std::size_t>(index - 1)];
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, f.red_bits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, f.green_bits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, f.blue_bits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, f.depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, f.stencil_bits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (f.flags & kPfdDoubleBuffer) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    unregister_owner(dc);
    SDL_DestroyWindow(dc->window);
    dc->window = nullptr;
    if (!make_sdl_window(dc, nullptr)) return 0;
    return 1;
}

// Mesa's libraries stay in the process once a context was made: unloading them and loading them
// again is not safe, and what they keep until exit stays theirs (not an unnamed module's).
void pin_gl_libraries() {
    static bool pinned = false;
    if (pinned) return;
    pinned = true;
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            for (const char* part :
                 {"_dri.so", "libGLX", "libglapi", "libgallium", "libLLVM", "libGLdispatch"}) {
                if (name.find(part) != std::string::npos) {
                    static_cast<std::vector<std::string>*>(out)->push_back(name);
                    break;
                }
            }
            return 0;
        },
        &names);
    // Outside the walk, which holds the loader's list.
    for (const std::string& name : names) dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

void* create_context(sys_gl_window* dc) {
    if (dc == nullptr || dc->window == nullptr) return nullptr;
    SDL_GLContext context = SDL_GL_CreateContext(dc->window);
    if (context != nullptr) pin_gl_libraries();
    return context;
}

int delete_context(void* context) {
    if (context == nullptr) return 0;
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    return 1;
}

int make_current(sys_gl_window* dc, void* context) {
    if (context == nullptr) {
        if (SDL_GL_GetCurrentContext() == nullptr) return 1;
        return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0 ? 1 : 0;
    }
    if (dc == nullptr || dc->window == nullptr) return 0;
    return SDL_GL_MakeCurrent(dc->window, static_cast<SDL_GLContext>(context)) == 0 ? 1 : 0;
}

int swap_buffers(sys_gl_window* dc) {
    if (dc == nullptr || dc->window == nullptr) return 0;
    SDL_GL_SwapWindow(dc->window);
    return 1;
}

int swap_interval(int interval) {
    return SDL_GL_SetSwapInterval(interval) == 0 ? 1 : 0;
}

// The window system's extensions: swap control when SDL can set the interval.
const char* extensions_string() {
    if (SDL_GL_GetCurrentContext() != nullptr && SDL_GL_SetSwapInterval(SDL_GL_GetSwapInterval()) == 0) {
        return "WGL_EXT_swap_control";
    }
    return "";
}

void* get_proc_address(const char* name) {
    if (name == nullptr) return nullptr;
    if (std::strcmp(name, "wglSwapIntervalEXT") == 0) return reinterpret_cast<void*>(&swap_interval);
    if (std::strcmp(name, "wglGetExtensionsStringEXT") == 0)
        return reinterpret_cast<void*>(&extensions_string);
    return SDL_GL_GetProcAddress(name);
}

void* lookup(const char* name) {
    struct entry {
        const char* name;
        void* address;
    };
    static const entry kWgl[] = {
        {"wglCreateContext", reinterpret_cast<void*>(&create_context)},
        {"wglDeleteContext", reinterpret_cast<void*>(&delete_context)},
        {"wglMakeCurrent", reinterpret_cast<void*>(&make_current)},
        {"wglSwapBuffers", reinterpret_cast<void*>(&swap_buffers)},
        {"wglDescribePixelFormat", reinterpret_cast<void*>(&describe_pixel_format)},
        {"wglChoosePixelFormat", reinterpret_cast<void*>(&choose_pixel_format)},
        {"wglSetPixelFormat", reinterpret_cast<void*>(&set_pixel_format)},
        {"wglGetProcAddress", reinterpret_cast<void*>(&get_proc_address)},
    };
    for (const entry& e : kWgl) {
        if (std::strcmp(e.name, name) == 0) return e.address;
    }
    return SDL_GL_GetProcAddress(name);
}

bool start_video(std::string* error) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // Closing the window is the close message only.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error != nullptr) *error = SDL_GetError();
        return false;
    }
    return true;
}

bool load_gl(std::string& error) {
    if (!start_video(&error)) return false;
    // Mesa's driver stays in the process once loaded: unloading and loading it again is not safe.
    static void* pinned = dlopen("libGL.so.1", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    (void)pinned;
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

void unload_gl() {
    SDL_GL_UnloadLibrary();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace

std::shared_ptr<const dll_module> gl_platform_module() {
    static const std::shared_ptr<const dll_module> module = [] {
        auto m = std::make_shared<dll_module>();
        m->load = load_gl;
        m->unload = unload_gl;
        m->lookup = lookup;
        return m;
    }();
    return module;
}

sys_gl_window* sys_gl_window_create(const std::string& title, int width, int height, bool full_screen,
                                    std::string* error) {
    if (g_fake_windows) {
        auto* w = new sys_gl_window;
        w->title = title;
        w->width = std::max(width, 1);
        w->height = std::max(height, 1);
        w->full_screen = full_screen;
        w->fake_id = ++g_fake_window_ids;
        return w;
    }
    if (!start_video(error)) return nullptr;
    auto* w = new sys_gl_window;
    w->title = title;
    w->width = std::max(width, 1);
    w->height = std::max(height, 1);
    w->full_screen = full_screen;
    if (!make_sdl_window(w, error)) {
        delete w;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return w;
}

void sys_gl_window_destroy(sys_gl_window* window) {
    if (window == nullptr) return;
    if (g_main_window == window) g_main_window = nullptr;
    unregister_owner(window);
    const bool fake = window->fake_id != 0;
    if (window->window != nullptr) SDL_DestroyWindow(window->window);
    delete window;
    if (!fake) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

uint32_t sys_gl_window_id(const sys_gl_window* window) {
    if (window == nullptr) return 0;
    if (window->fake_id != 0) return window->fake_id;
    return window->window != nullptr ? SDL_GetWindowID(window->window) : 0;
}

void sys_fake_gl_windows(bool on) {
    g_fake_windows = on;
}

const std::string& sys_gl_window_title(const sys_gl_window* window) {
    static const std::string none;
    return window != nullptr ? window->title : none;
}

void sys_gl_window_set_owner(sys_gl_window* window, std::function<void(const sys_event&)> owner) {
    if (window == nullptr) return;
    window->owner = std::move(owner);
    if (window->owner) {
        register_owner(window);
    } else {
        unregister_owner(window);
    }
}

void sys_confine_cursor(sys_gl_window* window) {
    if (window != nullptr && window->window != nullptr) {
        SDL_SetWindowGrab(window->window, SDL_TRUE);
    } else if (SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_Window* grabbed = SDL_GetGrabbedWindow()) SDL_SetWindowGrab(grabbed, SDL_FALSE);
    }
}

void sys_show_cursor(bool shown) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void sys_set_foreground(sys_gl_window* window) {
    if (window == nullptr || window->window == nullptr) return;
    SDL_RaiseWindow(window->window);
    SDL_SetWindowInputFocus(window->window);
}

int sys_gl_window_width(const sys_gl_window* window) {
    if (window != nullptr && window->fake_id != 0) return window->width;
    int w = 0;
    if (window != nullptr && window->window != nullptr) SDL_GetWindowSize(window->window, &w, nullptr);
    return w;
}

int sys_gl_window_height(const sys_gl_window* window) {
    if (window != nullptr && window->fake_id != 0) return window->height;
    int h = 0;
    if (window != nullptr && window->window != nullptr) SDL_GetWindowSize(window->window, nullptr, &h);
    return h;
}

SDL_Window* sys_gl_window_sdl(const sys_gl_window* window) {
    return window != nullptr ? window->window : nullptr;
}

void sys_set_main_window(sys_gl_window* window) {
    g_main_window = window;
}

sys_gl_window* sys_main_window() {
    return g_main_window;
}

}  // namespace kv
