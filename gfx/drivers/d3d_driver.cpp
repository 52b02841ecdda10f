#include "gfx/drivers/d3d_driver.h"

#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "platform/display_modes.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";

const char* back_buffer_format_name(d3d_format f) {
    switch (f) {
        case kD3dFmtR8G8B8:
            return "R8G8B8";
        case kD3dFmtA8R8G8B8:
            return "A8R8G8B8";
        case kD3dFmtX8R8G8B8:
            return "X8R8G8B8";
        case kD3dFmtR5G6B5:
            return "R5G6B5";
        case kD3dFmtX1R5G5B5:
            return "X1R5G5B5";
        case kD3dFmtA1R5G5B5:
            return "A1R5G5B5";
        case kD3dFmtA4R4G4B4:
            return "A4R4G4B4";
        case kD3dFmtX4R4G4B4:
            return "X4R4G4B4";
        default:
            return nullptr;
    }
}

const char* depth_format_name(d3d_format f) {
    switch (f) {
        case kD3dFmtD32:
            return "D32";
        case kD3dFmtD15S1:
            return "D15S1";
        case kD3dFmtD24S8:
            return "D24S8";
        case kD3dFmtD24X8:
            return "D24X8";
        case kD3dFmtD24X4S4:
            return "D24X4S4";
        case kD3dFmtD16:
            return "D16";
        default:
            return nullptr;
    }
}

}  // namespace

std::unique_ptr<gfx_driver> d3d_driver_create() {
    return std::make_unique<d3d_driver>();
}

d3d_driver::d3d_driver() = default;

d3d_driver::~d3d_driver() {
    d3d_deinit();
}

bool d3d_driver::get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) {
    return gfx_display_mode(index, name, width, height);
}

void* d3d_driver::window_handle() {
    return state_ ? state_->window : nullptr;
}

bool d3d_driver::key_waiting() {
    return key_queue_waiting(gl_key_queue());
}

key_event d3d_driver::read_key() {
    return key_queue_pop(gl_key_queue());
}

bool d3d_driver::has_compressed_textures() {
    return state_ && state_->compressed;
}

void d3d_driver::window_proc(const sys_event& event) {
    gfx_window_proc(state_ ? state_->window : nullptr, event);
}

bool d3d_driver::open(int32_t mode, bool fullscreen, bool) {
    if (state_) d3d_deinit();
    state_ = std::make_unique<d3d_driver_state>();
    d3d_driver_state& s = *state_;
    std::string name;
    int32_t w = 0;
    int32_t h = 0;
    if (!gfx_display_mode(mode, name, w, h)) {
        log_write("[D3D] *FATAL* couldn't switch to suitable graphics mode.\n");
        d3d_deinit();
        return false;
    }
    width_ = w;
    height_ = h;
    s.width = static_cast<uint32_t>(w);
    s.height = static_cast<uint32_t>(h);

    s.object = d3d_create_object();
    if (!s.object) {
        log_write("[D3D] *FATAL* couldn't create D3D_SDK_VERSION\n");
        d3d_report_error(kD3dAppErrNoDirect3d);
        d3d_deinit();
        return false;
    }
    s.d3d = s.object.get();
    s.full_screen = fullscreen;
    sys_display_mode desktop;
    sys_current_display_mode(desktop);
    const int32_t bits = desktop.bits_per_pixel > 0 ? desktop.bits_per_pixel : 32;
    s.bit_depth = static_cast<uint32_t>(bits);
    s.min_depth_bits = bits == 32 ? 24 : 16;
    s.min_stencil_bits = 0;
    const uint32_t listed = d3d_build_device_list(s, s.width, s.height, static_cast<uint32_t>(bits));
    if (listed != 0) {
        log_write("[D3D] *FATAL* couldn't BuildDeviceList\n");
        d3d_report_error(listed);
        d3d_deinit();
        return false;
    }

    // The window class has nothing to register on this platform.
    bool switched = true;
    if (fullscreen) {
        if (!sys_change_display_mode(sys_display_mode{w, h, bits, 0}, true)) {
            log_write("[D3D] cannot change display settings.\n");
            switched = false;
        } else {
            display_changed_ = true;
        }
    }
    if (switched) {
        char title[64];
        std::snprintf(title, sizeof title, "D3D Korvane %s", kVersionText);
        s.window = sys_gl_window_create(title, w, h, fullscreen);
        if (s.window == nullptr) {
            log_write("[D3D] *FATAL* Couldn't open window.\n");
            if (display_changed_) {
                sys_restore_display_mode();
                display_changed_ = false;
            }
            switched = false;
        } else {
            sys_gl_window_set_owner(s.window, [this](const sys_event& e) { window_proc(e); });
            sys_set_main_window(s.window);
        }
    }
    if (!switched) {
        log_write("[D3D] *FATAL* couldn't switch to suitable graphics mode.\n");
        d3d_deinit();
        return false;
    }

    // The adapter's report comes first, then the device's own lines.
    report();
    if (create_device() < 0) {
        log_write("[D3D] *FATAL* couldn't initialize 3d environment.\n");
        d3d_deinit();
        return false;
    }

    sys_confine_cursor(s.window);
    sys_show_cursor(false);
    sys_set_foreground(s.window);

    const d3d_caps& c = s.caps;
    s.mip_maps = (c.texture_caps & kD3dPTextureCapsMipMap) != 0;
    log_write("[D3D] MipMaps                 %d\n", s.mip_maps ? 1 : 0);
    s.pow2_only = (c.texture_caps & (kD3dPTextureCapsPow2 | kD3dPTextureCapsNonPow2Conditional)) != 0;
    log_write("[D3D] Pow2 textures only      %d\n", s.pow2_only ? 1 : 0);
    s.max_textures = c.max_simultaneous_textures;
    log_write("[D3D] MaxSimultaneousTextures %d\n", static_cast<int>(s.max_textures));
    s.multitexture = c.max_simultaneous_textures > 1 && c.max_texture_blend_stages > 1;
    log_write("[D3D] Multitexture            %d\n", s.multitexture ? 1 : 0);
    s.trilinear = (c.texture_filter_caps & kD3dPTFilterCapsMipFLinear) != 0;
    log_write("[D3D] Trilinear filtering     %d\n", s.trilinear ? 1 : 0);
    s.max_width = c.max_texture_width;
    s.max_height = c.max_texture_height;
    log_write("[D3D] MaxTextureWidth         %d\n", static_cast<int>(s.max_width));
    log_write("[D3D] MaxTextureHeight        %d\n", static_cast<int>(s.max_height));

    const server& srv = server_get();
    texture_folder_ = srv.data_dir + srv.texture_base_dir + srv.texture_dir;
    dds_folder_ = srv.data_dir + srv.texture_base_dir + "dds/";

    if (!d3d_reset_render_states()) {
        d3d_deinit();
        return false;
    }
    return true;
}

d3d_result d3d_driver::create_device() {
    d3d_driver_state& s = *state_;
    d3d_adapter& adapter = s.adapters[s.current_adapter];
    d3d_device_kind& kind = adapter.devices[adapter.current_device];
    const d3d_mode& mode = kind.modes[kind.current_mode];
    d3d_present_parameters pp;
    pp.back_buffer_count = 1;
    pp.multisample_type = 0;
    pp.swap_effect = 1;
    pp.device_window = s.window;
    pp.windowed = !s.full_screen;
    pp.enable_auto_depth_stencil = true;
    pp.auto_depth_stencil_format = mode.depth_stencil_format;
    if (pp.windowed) {
        pp.back_buffer_width = 0;
        pp.back_buffer_height = 0;
        pp.back_buffer_format = adapter.desktop_mode.format;
    } else {
        pp.back_buffer_width = mode.width;
        pp.back_buffer_height = mode.height;
        pp.back_buffer_format = mode.format;
    }
    s.pp = pp;
    if (kind.caps.primitive_misc_caps & kD3dPMiscCapsNullReference) {
        d3d_report_error(kD3dAppErrNullRefDevice);
        return kD3dErrFail;
    }
    const d3d_result created = s.object->create_device(s.current_adapter, kind.device_type, s.window,
                                                        mode.behaviour, s.pp, s.device);
    if (created < 0) {
        if (kind.device_type != kD3dDevTypeHal) return created;
        s.current_adapter = 0;
        d3d_adapter& first = s.adapters[0];
        for (uint32_t i = 0; i < first.device_count; ++i) {
            if (first.devices[i].device_type == kD3dDevTypeRef) {
                first.current_device = i;
                break;
            }
        }
        if (first.devices[first.current_device].device_type != kD3dDevTypeRef) return created;
        d3d_report_error(kD3dAppWarnSwitchToRef);
        return create_device();
    }
    d3d_device& device = *s.device;
    device.caps(s.caps);
    s.behaviour = mode.behaviour;
    if (kind.device_type == kD3dDevTypeRef) log_write("[D3D] Device type REF\n");
    if (kind.device_type == kD3dDevTypeHal) log_write("[D3D] Device type HAL\n");
    if (kind.device_type == kD3dDevTypeSw) log_write("[D3D] Device type SW\n");
    const bool hal = kind.device_type == kD3dDevTypeHal;
    const uint32_t b = s.behaviour;
    if ((b & kD3dCreateHardwareVertexProcessing) && (b & kD3dCreatePureDevice)) {
        log_write(hal ? "[D3D] pure hw vp\n" : "[D3D] simulated pure hw vp\n");
    } else if (b & kD3dCreateHardwareVertexProcessing) {
        log_write(hal ? "[D3D] hw vp\n" : "[D3D] simulated hw vp\n");
    } else if (b & kD3dCreateMixedVertexProcessing) {
        log_write(hal ? "[D3D] mixed vp\n" : "[D3D] simulated mixed vp\n");
    } else if (b & kD3dCreateSoftwareVertexProcessing) {
        log_write("[D3D] sw vp\n");
    }
    s.compressed = false;
    bool compressed = true;
    for (d3d_format f : {kD3dFmtDxt1, kD3dFmtDxt3, kD3dFmtDxt5}) {
        if (!compressed) break;
        compressed = s.object->check_device_format(s.current_adapter, kD3dDevTypeHal, s.pp.back_buffer_format,
                                                   0, kD3dRTypeTexture, f) >= 0;
    }
    s.compressed = compressed;
    if (const char* n = back_buffer_format_name(s.pp.back_buffer_format))
        log_write("[D3D] backbuffer format %s\n", n);
    if (const char* n = depth_format_name(s.pp.auto_depth_stencil_format))
        log_write("[D3D] depth stencil format %s\n", n);
    return kD3dOk;
}

void d3d_driver::report() {
    const d3d_adapter_identifier& id = state_->adapters[state_->current_adapter].identifier;
    // Each line is flushed as it is written.
    log_write("[D3D] Quellix Direct3D driver\n");
    log_write("[D3D] Driver      %s\n", log_printable(id.driver).c_str());
    log_write("[D3D] Description %s\n", log_printable(id.description).c_str());
    log_write("[D3D] Product     %u\n", static_cast<unsigned>(id.product));
    log_write("[D3D] Version     %u\n", static_cast<unsigned>(id.version));
    log_write("[D3D] SubVersion  %u\n", static_cast<unsigned>(id.sub_version));
    log_write("[D3D] Build       %u\n", static_cast<unsigned>(id.build));
    log_write("[D3D] VendorId    %u\n", static_cast<unsigned>(id.vendor_id));
    log_write("[D3D] DeviceId    %u\n", static_cast<unsigned>(id.device_id));
    log_write("[D3D] SubSysId    %u\n", static_cast<unsigned>(id.subsystem_id));
    log_write("[D3D] Revision    %u\n", static_cast<unsigned>(id.revision));
}

bool d3d_driver::device_ready() {
    if (!state_ || !state_->device) return false;
    const d3d_result r = state_->device->test_cooperative_level();
    if (r >= 0) return true;
    if (r == kD3dErrDeviceLost) return false;
    if (r != kD3dErrDeviceNotReset) return false;
    release_buffers();
    if (state_->device->reset(state_->pp) < 0) return false;
    return d3d_reset_render_states();
}

void d3d_driver::d3d_deinit() {
    if (!state_) return;
    log_write("[D3D] d3d_deinit()\n");
    d3d_driver_state& s = *state_;
    release_buffers();
    for (d3d_texture*& b : s.bound) b = nullptr;
    textures_.clear();
    s.device.reset();
    s.d3d = nullptr;
    s.object.reset();
    if (s.window != nullptr) {
        if (sys_main_window() == s.window) sys_set_main_window(nullptr);
        sys_gl_window_set_owner(s.window, {});
        sys_gl_window_destroy(s.window);
        s.window = nullptr;
        sys_show_cursor(true);
        sys_confine_cursor(nullptr);
    }
    if (display_changed_) {
        sys_restore_display_mode();
        display_changed_ = false;
    }
    state_.reset();
    texture_folder_.clear();
    dds_folder_.clear();
}

}  // namespace kv
