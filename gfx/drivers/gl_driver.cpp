#include "gfx/drivers/gl_driver.h"

#include <cstring>
#include <type_traits>

#include "game/game_events.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/display_modes.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "platform/window.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";

template <typename F>
F proc(const dll& library, const char* name) {
    return reinterpret_cast<F>(dll_get_proc(library, name));
}

}  // namespace

key_queue& gl_key_queue() {
    // Never destroyed: a driver may be torn down with the kernel after the program's statics.
    static auto* queue = new key_queue;
    return *queue;
}

std::unique_ptr<gfx_driver> gl_driver_create() {
    return std::make_unique<gl_driver>();
}

gl_driver::gl_driver() : gl_library_("opengl32.dll"), glu_library_("glu32.dll") {}

gl_driver::~gl_driver() {
    shut_down();
    dll_free(glu_library_);
    dll_free(gl_library_);
}

void gl_driver::close_window() {
    if (!state_) return;
    if (state_->window != nullptr) {
        if (sys_main_window() == state_->window) sys_set_main_window(nullptr);
        sys_gl_window_set_owner(state_->window, {});
        sys_gl_window_destroy(state_->window);
        state_->window = nullptr;
    }
}

void gl_driver::shut_down() {
    if (display_changed_) {
        sys_restore_display_mode();
        display_changed_ = false;
    }
    if (state_) {
        if (gl_.wglMakeCurrent != nullptr && state_->context != nullptr) gl_.wglMakeCurrent(nullptr, nullptr);
        if (state_->context != nullptr && gl_.wglDeleteContext != nullptr)
            gl_.wglDeleteContext(state_->context);
        state_->context = nullptr;
        const bool had_window = state_->window != nullptr;
        close_window();
        if (had_window) {
            sys_show_cursor(true);
            sys_confine_cursor(nullptr);
        }
    }
    class_registered_ = false;
    state_.reset();
    opened_ = 0;
    dds_folder_.clear();
}

bool gl_driver::get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) {
    return gfx_display_mode(index, name, width, height);
}

void* gl_driver::window_handle() {
    return state_ ? state_->window : nullptr;
}

bool gl_driver::key_waiting() {
    return key_queue_waiting(gl_key_queue());
}

key_event gl_driver::read_key() {
    return key_queue_pop(gl_key_queue());
}

bool gl_driver::open(int32_t mode, bool fullscreen, bool) {
    state_ = std::make_unique<gl_state>();
    if (!dll_load(gl_library_) || !dll_load(glu_library_)) {
        log_write("[OpenGL] *FATAL* couldn't open DLL.\n");
        return false;
    }
    bool missing = false;
#define KV_GL_RESOLVE(name, type)                                            \
    gl_.name = proc<type>(gl_library_, #name);                               \
    if (gl_.name == nullptr) {                                               \
        log_write("[OpenGL] *FATAL* no symbol `%s' found in DLL.\n", #name); \
        missing = true;                                                      \
    }
    KV_GL_CORE_ENTRY_POINTS(KV_GL_RESOLVE)
#undef KV_GL_RESOLVE
    gl_.gluBuild2DMipmaps = proc<decltype(gl_.gluBuild2DMipmaps)>(glu_library_, "gluBuild2DMipmaps");
    if (gl_.gluBuild2DMipmaps == nullptr) {
        log_write("[OpenGL] *FATAL* no symbol `%s' found in DLL.\n", "gluBuild2DMipmaps");
        return false;
    }
    if (missing) return false;

    // The window class has nothing to register on this platform.
    class_registered_ = true;

    std::string name;
    int32_t w = 0;
    int32_t h = 0;
    gfx_display_mode(mode, name, w, h);
    width_ = w;
    height_ = h;
    if (!gl_set_mode(32, 32, 8, w, h, fullscreen) && !gl_set_mode(16, 32, 8, w, h, fullscreen)) {
        log_write("[OpenGL] *FATAL* couldn't switch to any suitable accelerated graphics mode.\n");
        return false;
    }
    sys_confine_cursor(state_->window);
    sys_show_cursor(false);

    state_->context = gl_.wglCreateContext(state_->window);
    if (state_->context == nullptr) {
        log_write("[OpenGL] *FATAL* cannot create rendering context.\n");
        return false;
    }
    gl_.wglMakeCurrent(state_->window, state_->context);
    sys_set_foreground(state_->window);
    opened_ = 1;

    auto text = [this](GLenum which) {
        const GLubyte* s = gl_.glGetString(which);
        return s != nullptr ? reinterpret_cast<const char*>(s) : "";
    };
    log_write("Vendor    : %s\n", text(GL_VENDOR));
    log_write("Version   : %s\n", text(GL_VERSION));
    log_write("Renderer  : %s\n", text(GL_RENDERER));
    state_->extensions = text(GL_EXTENSIONS);
    log_write("Extensions: %s\n", state_->extensions);
    gl_probe_extensions();

    gl_.glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl_.glDisable(GL_ALPHA_TEST);
    gl_.glAlphaFunc(GL_GREATER, 0.5f);
    gl_.glDepthFunc(GL_LEQUAL);
    gl_.glClearDepth(1.0);
    set_perspective(15.0f, 50000.0f);
    set_depth_range(0.1f, 1.0f);
    gl_.glMatrixMode(GL_MODELVIEW);
    gl_.glLoadIdentity();
    static const float kFlipDepth[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    gl_.glMultMatrixf(kFlipDepth);
    if (state_->multitexture) gl_.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    gl_.glEnableClientState(GL_VERTEX_ARRAY);
    gl_.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    gl_.glDisableClientState(GL_INDEX_ARRAY);
    gl_.glDisableClientState(GL_EDGE_FLAG_ARRAY);
    gl_.glDisableClientState(GL_NORMAL_ARRAY);

    gl_state& s = *state_;
    s.depth_test = -1;
    s.depth_mask = -1;
    s.colour_array = -1;
    s.wireframe = 0;
    s.tint = 0;
    s.unit_enabled[0] = 1;
    for (int32_t u = 1; u < kGlTextureUnits; ++u) s.unit_enabled[u] = 0;
    std::memset(s.bound, 0, sizeof s.bound);
    std::memset(s.saved, 0, sizeof s.saved);
    std::memset(s.saved_depth, 0, sizeof s.saved_depth);
    s.lightmap_coordinates = nullptr;
    s.lightmaps = nullptr;
    s.lamp_coordinates = nullptr;
    s.lamp = nullptr;
    std::memset(s.clip_planes, 0, sizeof s.clip_planes);
    s.modelview_pushed = 0;
    // The blend, cull and lighting caches start at 0, so their setters act when asked for 0.
    gl_set_depth_test(0);
    gl_set_blend(0);
    gl_set_cull(0);
    gl_set_texenv(0);
    gl_set_lighting(0, nullptr);
    gl_set_colour_array(0);

    const server& srv = server_get();
    dds_folder_ = srv.data_dir + srv.texture_base_dir + "dds/";
    return true;
}

bool gl_driver::gl_set_mode(int32_t colour, int32_t depth, int32_t stencil, int32_t width, int32_t height,
                            bool fullscreen) {
    sys_display_mode record;
    if (fullscreen) {
        int32_t best = -1;
        sys_display_mode m;
        for (int32_t i = 0; sys_display_mode_at(i, m); ++i) {
            if (m.width != width || m.height != height || m.bits_per_pixel != colour) continue;
            if (best < 0 || m.refresh_rate > record.refresh_rate) {
                best = i;
                record = m;
            }
        }
        if (best < 0) record = sys_display_mode{width, height, colour, 0};
    } else {
        sys_current_display_mode(record);
        record.bits_per_pixel = colour;
    }
    if (!sys_change_display_mode(record, fullscreen)) {
        log_write("[OpenGL] cannot change display settings.\n");
        return false;
    }
    display_changed_ = fullscreen;
    if (!gl_open_window(width, height, fullscreen)) {
        log_write("[OpenGL] *FATAL* Couldn't open window.\n");
        sys_restore_display_mode();
        display_changed_ = false;
        return false;
    }
    sys_pixel_format wanted;
    wanted.flags = kPfdDrawToWindow | kPfdSupportOpenGl | kPfdDoubleBuffer;
    wanted.pixel_type = kPfdTypeRgba;
    wanted.colour_bits = static_cast<uint8_t>(colour);
    wanted.depth_bits = static_cast<uint8_t>(depth);
    wanted.stencil_bits = static_cast<uint8_t>(stencil);
    const int32_t index = gl_choose_pixel_format(wanted);
    sys_pixel_format chosen;
    gl_.wglDescribePixelFormat(state_->window, index, kPixelFormatSize, &chosen);
    if (!gl_.wglSetPixelFormat(state_->window, index, &chosen)) {
        log_write("[OpenGL] cannot set pixel format (%d %d %d).\n", colour, depth, stencil);
        // No stale handle stays behind: the window and the published main window go together.
        close_window();
        sys_restore_display_mode();
        display_changed_ = false;
        return false;
    }
    log_write("[OpenGL] Pixel format %d selected.\n", index);
    return true;
}

bool gl_driver::gl_open_window(int32_t width, int32_t height, bool fullscreen) {
    char title[64];
    std::snprintf(title, sizeof title, "Korvane %s", kVersionText);
    sys_gl_window* window = sys_gl_window_create(title, width, height, fullscreen);
    if (window == nullptr) return false;
    state_->window = window;
    sys_gl_window_set_owner(window, [this](const sys_event& e) { gl_window_proc(e); });
    sys_set_main_window(window);
    return true;
}

int32_t gl_driver::gl_choose_pixel_format(const sys_pixel_format& wanted) {
    const int32_t count = gl_.wglDescribePixelFormat(state_->window, 0, 0, nullptr);
    log_write("%d pixel formats available\n", count);
    int32_t best = 0;
    int32_t chosen = 0;
    for (int32_t i = 1; i <= count; ++i) {
        sys_pixel_format f;
        gl_.wglDescribePixelFormat(state_->window, i, kPixelFormatSize, &f);
        gl_print_pfd_flags(f);
        if ((f.flags & wanted.flags) != wanted.flags) continue;
        if ((f.flags & kPfdGenericFormat) && !(f.flags & kPfdGenericAccelerated)) continue;
        int32_t score = 0;
        if (f.colour_bits == wanted.colour_bits) score += 5;
        if (f.depth_bits == wanted.depth_bits) score += 5;
        if (f.depth_bits > 0 && wanted.depth_bits > 0) score += 1;
        if (f.stencil_bits == wanted.stencil_bits) score += 5;
        if (f.stencil_bits > 0 && wanted.stencil_bits > 0) score += 1;
        if (score > best) {
            best = score;
            chosen = i;
        }
    }
    if (chosen == 0) return gl_.wglChoosePixelFormat(state_->window, &wanted);
    return chosen;
}

void gl_driver::gl_print_pfd_flags(const sys_pixel_format& format) {
    static const struct {
        uint32_t flag;
        const char* text;
    } kFlags[] = {
        {kPfdDrawToWindow, "PFD_DRAW_TO_WINDOW"},
        {kPfdDrawToBitmap, " PFD_DRAW_TO_BITMAP"},
        {kPfdSupportGdi, " PFD_SUPPORT_GDI"},
        {kPfdSupportOpenGl, " PFD_SUPPORT_OPENGL"},
        {kPfdGenericAccelerated, " PFD_GENERIC_ACCELERATED"},
        {kPfdGenericFormat, " PFD_GENERIC_FORMAT"},
        {kPfdNeedPalette, " PFD_NEED_PALETTE"},
        {kPfdNeedSystemPalette, " PFD_NEED_SYSTEM_PALETTE"},
        {kPfdDoubleBuffer, " PFD_DOUBLEBUFFER"},
        {kPfdStereo, " PFD_STEREO"},
        {kPfdSwapLayerBuffers, " PFD_SWAP_LAYER_BUFFERS"},
    };
    for (const auto& f : kFlags) {
        if (format.flags & f.flag) log_write("%s", f.text);
    }
}

void gl_driver::gl_probe_extensions() {
    gl_state& s = *state_;
    const char* ext = s.extensions != nullptr ? s.extensions : "";
    auto has = [ext](const char* name) { return std::strstr(ext, name) != nullptr; };
    // Each fetch runs (no short cut), so every entry point of an extension is looked up.
    auto fetch = [this](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(gl_.wglGetProcAddress(name));
        return slot != nullptr ? 1 : 0;
    };
#define KV_FETCH(name) fetch(gl_.name, #name)

    s.compiled_vertex_arrays = has("GL_EXT_compiled_vertex_array");
    if (s.compiled_vertex_arrays) {
        const int all = KV_FETCH(glLockArraysEXT) & KV_FETCH(glUnlockArraysEXT);
        if (!all) s.compiled_vertex_arrays = 0;
    }
    if (s.compiled_vertex_arrays) log_write("[OpenGL] Compiled Vertex Array extension found and used\n");

    s.texture_compression = has("GL_ARB_texture_compression");
    if (s.texture_compression) {
        const int all = KV_FETCH(glCompressedTexImage3DARB) & KV_FETCH(glCompressedTexImage2DARB) &
                        KV_FETCH(glCompressedTexImage1DARB) & KV_FETCH(glCompressedTexSubImage3DARB) &
                        KV_FETCH(glCompressedTexSubImage2DARB) & KV_FETCH(glCompressedTexSubImage1DARB) &
                        KV_FETCH(glGetCompressedTexImageARB);
        if (!all) s.texture_compression = 0;
    }
    if (s.texture_compression) log_write("[OpenGL] Texture compression extension found and used\n");

    s.s3tc = has("GL_EXT_texture_compression_s3tc") ? s.texture_compression : 0;
    if (s.s3tc) log_write("[OpenGL] Texture compression s3tc extension found and used\n");

    s.multitexture = has("GL_ARB_multitexture");
    if (s.multitexture) {
        GLint units = 0;
        gl_.glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        s.texture_units = units;
        const int all = KV_FETCH(glMultiTexCoord1fARB) & KV_FETCH(glMultiTexCoord1fvARB) &
                        KV_FETCH(glMultiTexCoord2fARB) & KV_FETCH(glMultiTexCoord2fvARB) &
                        KV_FETCH(glMultiTexCoord3fARB) & KV_FETCH(glMultiTexCoord3fvARB) &
                        KV_FETCH(glMultiTexCoord4fARB) & KV_FETCH(glMultiTexCoord4fvARB) &
                        KV_FETCH(glActiveTextureARB) & KV_FETCH(glClientActiveTextureARB);
        if (!all) s.multitexture = 0;
    } else {
        s.texture_units = 0;
    }
    if (s.multitexture) {
        log_write("[OpenGL] Multi-texturing extension found and used, available units: %d\n",
                  s.texture_units);
    }

    // Swap control: named in the GL extensions or in the window system's own list.
    bool swap = has("WGL_EXT_swap_control");
    if (!swap && KV_FETCH(wglGetExtensionsStringEXT)) {
        const char* wgl = gl_.wglGetExtensionsStringEXT();
        swap = wgl != nullptr && std::strstr(wgl, "WGL_EXT_swap_control") != nullptr;
    }
    s.swap_control = swap;
    if (s.swap_control && !KV_FETCH(wglSwapIntervalEXT)) s.swap_control = 0;
    if (s.swap_control) log_write("[OpenGL] Swap Control extension found and used\n");
#undef KV_FETCH
}

void gl_driver::gl_window_proc(const sys_event& event) {
    gfx_window_proc(state_ ? state_->window : nullptr, event);
}

void gfx_window_proc(sys_gl_window* window, const sys_event& event) {
    switch (event.kind) {
        case sys_event_kind::focus_gained:
            if (window != nullptr) sys_confine_cursor(window);
            sys_show_cursor(false);
            kernel_acquire_input(kernel_get());
            break;
        case sys_event_kind::focus_lost:
            sys_confine_cursor(nullptr);
            kernel_unacquire_input(kernel_get());
            break;
        case sys_event_kind::close:
            // The window stays; the game decides what Quit means.
            arty_factory_post_key_down(server_get().factory, kInputQuit);
            break;
        case sys_event_kind::key_down:
            if (event.virtual_key == 0) break;
            if (event.virtual_key >= kVkLeftWindows && event.virtual_key <= kVkApps) break;
            key_queue_push(gl_key_queue(), false, event.virtual_key);
            break;
        case sys_event_kind::key_up:
            if (event.virtual_key == 0) break;
            key_queue_push(gl_key_queue(), true, event.virtual_key);
            break;
        default:
            break;
    }
}

}  // namespace kv
