// The object of the Direct3D-shaped layer: one adapter (the display) with what GL says of itself.

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "kernel/log.h"
#include "platform/d3d_gl.h"
#include "platform/d3d_internal.h"
#include "platform/d3d_layer.h"
#include "platform/display_modes.h"
#include "platform/window.h"

namespace kv {
namespace {

std::map<int, d3d_result> g_forced;
bool g_reference_kind = false;

// What GL says of itself, read once by the object in a context of its own.
struct gl_facts {
    std::string vendor, renderer, version;
    uint32_t max_texture = 0;
    uint32_t units = 1;
    bool s3tc = false;
};

}  // namespace

bool d3d_load_gl(const dll& library, d3d_gl& gl, std::string& missing) {
#define KV_LOAD(name)                                                            \
    gl.name = reinterpret_cast<decltype(gl.name)>(dll_get_proc(library, #name)); \
    if (gl.name == nullptr) missing = #name;
    KV_D3D_GL_REQUIRED(KV_LOAD)
#undef KV_LOAD
#define KV_LOAD(name, type) gl.name = reinterpret_cast<type>(dll_get_proc(library, #name));
    KV_D3D_GL_OPTIONAL(KV_LOAD)
#undef KV_LOAD
    gl.create_context = reinterpret_cast<wgl_create_context_fn>(dll_get_proc(library, "wglCreateContext"));
    gl.delete_context = reinterpret_cast<wgl_delete_context_fn>(dll_get_proc(library, "wglDeleteContext"));
    gl.make_current = reinterpret_cast<wgl_make_current_fn>(dll_get_proc(library, "wglMakeCurrent"));
    gl.swap_buffers = reinterpret_cast<wgl_swap_buffers_fn>(dll_get_proc(library, "wglSwapBuffers"));
    gl.describe_pixel_format =
        reinterpret_cast<wgl_describe_pixel_format_fn>(dll_get_proc(library, "wglDescribePixelFormat"));
    gl.set_pixel_format =
        reinterpret_cast<wgl_set_pixel_format_fn>(dll_get_proc(library, "wglSetPixelFormat"));
    if (gl.create_context == nullptr || gl.make_current == nullptr || gl.swap_buffers == nullptr)
        missing = "wglCreateContext";
    return missing.empty();
}

bool d3d_has_extension(const char* all, const char* name) {
    if (all == nullptr) return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = all; (p = std::strstr(p, name)) != nullptr; p += n) {
        if ((p == all || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
    }
    return false;
}

d3d_format d3d_format_of_bits(int32_t bits) {
    return bits == 16 ? kD3dFmtR5G6B5 : kD3dFmtX8R8G8B8;
}

bool d3d_depth_format_known(d3d_format f) {
    return f == kD3dFmtD16 || f == kD3dFmtD24X8 || f == kD3dFmtD24S8;
}

bool d3d_forced(int call, d3d_result& result) {
    const auto it = g_forced.find(call);
    if (it == g_forced.end()) return false;
    result = it->second;
    return true;
}

void d3d_force_result(d3d_call call, d3d_result result) {
    g_forced[static_cast<int>(call)] = result;
}

void d3d_clear_forced_results() {
    g_forced.clear();
}

void d3d_offer_reference_kind(bool on) {
    g_reference_kind = on;
}

// ---- The object -----------------------------------------------------------------------------------
class d3d_gl_object : public d3d_object {
public:
    d3d_gl_object() : library_("opengl32.dll") {}

    bool open() {
        if (!dll_load(library_)) {
            log_write("[D3D] cannot load OpenGL: %s\n", dll_error(library_).c_str());
            return false;
        }
        d3d_gl gl;
        std::string missing;
        if (!d3d_load_gl(library_, gl, missing)) {
            log_write("[D3D] no symbol `%s' in the OpenGL module\n", missing.c_str());
            return false;
        }
        std::string error;
        sys_gl_window* probe = sys_gl_window_create("", 1, 1, false, &error);
        if (probe == nullptr) {
            log_write("[D3D] cannot open a window: %s\n", error.c_str());
            return false;
        }
        void* context = gl.create_context(probe);
        if (context == nullptr || !gl.make_current(probe, context)) {
            log_write("[D3D] cannot make a GL context\n");
            if (context != nullptr) gl.delete_context(context);
            sys_gl_window_destroy(probe);
            return false;
        }
        auto text = [&](GLenum which) {
            const GLubyte* s = gl.glGetString(which);
            return s != nullptr ? std::string(reinterpret_cast<const char*>(s)) : std::string();
        };
        facts_.vendor = text(GL_VENDOR);
        facts_.renderer = text(GL_RENDERER);
        facts_.version = text(GL_VERSION);
        GLint value = 0;
        gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
        facts_.max_texture = static_cast<uint32_t>(std::max(value, 64));
        value = 1;
        if (gl.glActiveTexture != nullptr) gl.glGetIntegerv(GL_MAX_TEXTURE_UNITS, &value);
        facts_.units = static_cast<uint32_t>(std::clamp(value, 1, static_cast<GLint>(kD3dMaxStages)));
        const GLubyte* ext = gl.glGetString(GL_EXTENSIONS);
        facts_.s3tc =
            gl.glCompressedTexImage2D != nullptr &&
            d3d_has_extension(reinterpret_cast<const char*>(ext), "GL_EXT_texture_compression_s3tc");
        gl.make_current(nullptr, nullptr);
        gl.delete_context(context);
        sys_gl_window_destroy(probe);
        return true;
    }

    uint32_t adapter_count() override { return 1; }

    d3d_result adapter_identifier(uint32_t adapter, uint32_t, d3d_adapter_identifier& out) override {
        if (adapter != 0) return kD3dErrInvalidCall;
        out = {};
        out.driver = facts_.vendor;
        out.description = facts_.renderer;
        // The GL version's numbers, as far as they go, as the driver version.
        uint32_t parts[4] = {};
        int n = 0;
        for (const char* p = facts_.version.c_str(); *p != 0 && *p != ' ' && n < 4; ++p) {
            if (*p >= '0' && *p <= '9') {
                parts[n] = parts[n] * 10 + static_cast<uint32_t>(*p - '0');
            } else if (*p == '.') {
                ++n;
            }
        }
        out.product = static_cast<uint16_t>(parts[0]);
        out.version = static_cast<uint16_t>(parts[1]);
        out.sub_version = static_cast<uint16_t>(parts[2]);
        out.build = static_cast<uint16_t>(parts[3]);
        return kD3dOk;
    }

    d3d_result adapter_display_mode(uint32_t adapter, d3d_display_mode& out) override {
        sys_display_mode m;
        if (adapter != 0 || !sys_current_display_mode(m)) return kD3dErrInvalidCall;
        out = {static_cast<uint32_t>(m.width), static_cast<uint32_t>(m.height),
               static_cast<uint32_t>(std::max(m.refresh_rate, 0)), d3d_format_of_bits(m.bits_per_pixel)};
        return kD3dOk;
    }

    uint32_t adapter_mode_count(uint32_t adapter) override {
        if (adapter != 0) return 0;
        read_modes();
        return static_cast<uint32_t>(modes_.size());
    }

    d3d_result enum_adapter_modes(uint32_t adapter, uint32_t mode, d3d_display_mode& out) override {
        if (adapter != 0) return kD3dErrInvalidCall;
        read_modes();
        if (mode >= modes_.size()) return kD3dErrInvalidCall;
        out = modes_[mode];
        return kD3dOk;
    }

    d3d_result device_caps(uint32_t adapter, uint32_t type, d3d_caps& out) override {
        if (adapter != 0 || !kind_offered(type)) return kD3dErrInvalidCall;
        out = {};
        out.device_type = type;
        out.adapter_ordinal = 0;
        out.caps2 = kD3dCaps2CanRenderWindowed;
        out.dev_caps = kD3dDevCapsHwTransformAndLight;
        const uint32_t blends = kD3dPBlendCapsZero | kD3dPBlendCapsOne | kD3dPBlendCapsSrcAlpha |
                                kD3dPBlendCapsInvSrcAlpha | kD3dPBlendCapsDestColor;
        out.src_blend_caps = blends;
        out.dest_blend_caps = blends;
        out.texture_caps = kD3dPTextureCapsMipMap;
        out.texture_filter_caps = kD3dPTFilterCapsMinFLinear | kD3dPTFilterCapsMagFLinear |
                                  kD3dPTFilterCapsMipFPoint | kD3dPTFilterCapsMipFLinear;
        out.max_texture_width = facts_.max_texture;
        out.max_texture_height = facts_.max_texture;
        out.max_texture_blend_stages = facts_.units;
        out.max_simultaneous_textures = facts_.units;
        return kD3dOk;
    }

    d3d_result check_device_type(uint32_t adapter, uint32_t type, d3d_format display, d3d_format back_buffer,
                                 bool) override {
        d3d_result forced;
        if (d3d_forced(static_cast<int>(d3d_call::check_device_type), forced)) return forced;
        if (adapter != 0 || !kind_offered(type)) return kD3dErrInvalidCall;
        if (display != kD3dFmtX8R8G8B8 && display != kD3dFmtR5G6B5) return kD3dErrNotAvailable;
        if (back_buffer != display && !(display == kD3dFmtX8R8G8B8 && back_buffer == kD3dFmtA8R8G8B8))
            return kD3dErrNotAvailable;
        return kD3dOk;
    }

    d3d_result check_device_format(uint32_t adapter, uint32_t type, d3d_format, uint32_t usage,
                                   uint32_t resource_type, d3d_format format) override {
        d3d_result forced;
        if (d3d_forced(static_cast<int>(d3d_call::check_device_format), forced)) return forced;
        if (adapter != 0 || !kind_offered(type)) return kD3dErrInvalidCall;
        if ((usage & kD3dUsageDepthStencil) != 0) {
            return resource_type == kD3dRTypeSurface && d3d_depth_format_known(format) ? kD3dOk
                                                                                       : kD3dErrNotAvailable;
        }
        if (d3d_format_is_block(format)) return facts_.s3tc ? kD3dOk : kD3dErrNotAvailable;
        return d3d_format_texel_bytes(format) != 0 ? kD3dOk : kD3dErrNotAvailable;
    }

    d3d_result check_depth_stencil_match(uint32_t adapter, uint32_t type, d3d_format, d3d_format,
                                         d3d_format depth) override {
        d3d_result forced;
        if (d3d_forced(static_cast<int>(d3d_call::check_depth_stencil_match), forced)) return forced;
        if (adapter != 0 || !kind_offered(type)) return kD3dErrInvalidCall;
        return d3d_depth_format_known(depth) ? kD3dOk : kD3dErrNotAvailable;
    }

    d3d_result create_device(uint32_t adapter, uint32_t type, sys_gl_window* focus, uint32_t behaviour,
                             d3d_present_parameters& pp, std::unique_ptr<d3d_device>& out) override {
        d3d_result forced;
        if (d3d_forced(static_cast<int>(d3d_call::create_device), forced)) return forced;
        if (type == kD3dDevTypeHal && d3d_forced(static_cast<int>(d3d_call::create_hal_device), forced))
            return forced;
        if (pp.device_window == nullptr) pp.device_window = focus;
        if (adapter != 0 || !kind_offered(type) || pp.device_window == nullptr ||
            (!pp.windowed && (pp.back_buffer_width == 0 || pp.back_buffer_height == 0)) ||
            (pp.enable_auto_depth_stencil && !d3d_depth_format_known(pp.auto_depth_stencil_format))) {
            log_write(
                "[D3D] device creation refused: no window, no full-screen size or unknown depth format\n");
            return kD3dErrInvalidCall;
        }
        d3d_caps caps;
        device_caps(adapter, type, caps);
        std::unique_ptr<d3d_device> device(new d3d_device);
        device->gl_ = std::make_unique<d3d_gl>();
        std::string missing;
        d3d_load_gl(library_, *device->gl_, missing);
        device->s3tc_ = facts_.s3tc;
        if (!device->open(type, behaviour, pp, caps)) return kD3dErrNotAvailable;
        out = std::move(device);
        return kD3dOk;
    }

private:
    bool kind_offered(uint32_t type) const {
        return type == kD3dDevTypeHal || (type == kD3dDevTypeRef && g_reference_kind);
    }

    void read_modes() {
        modes_.clear();
        sys_display_mode m;
        for (int32_t i = 0; sys_display_mode_at(i, m); ++i) {
            for (d3d_format f : {kD3dFmtX8R8G8B8, kD3dFmtR5G6B5}) {
                modes_.push_back({static_cast<uint32_t>(m.width), static_cast<uint32_t>(m.height),
                                  static_cast<uint32_t>(std::max(m.refresh_rate, 0)), f});
            }
        }
    }

    dll library_;
    gl_facts facts_;
    std::vector<d3d_display_mode> modes_;
};

std::unique_ptr<d3d_object> d3d_create_object() {
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::create_object), forced)) return nullptr;
    auto object = std::make_unique<d3d_gl_object>();
    if (!object->open()) return nullptr;
    return object;
}

}  // namespace kv
