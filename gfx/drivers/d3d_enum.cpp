#include "gfx/drivers/d3d_enum.h"

#include <algorithm>

#include "kernel/log.h"
#include "platform/message_box.h"

namespace kv {
namespace {

struct listed_format {
    d3d_format format = kD3dFmtUnknown;
    bool confirmed = false;
    uint32_t behaviour = 0;
    d3d_format depth_stencil = kD3dFmtUnknown;
};

bool has_bit_depth(d3d_format format, uint32_t bit_depth) {
    if (bit_depth == 16) {
        return format == kD3dFmtR5G6B5 || format == kD3dFmtX1R5G5B5 || format == kD3dFmtA1R5G5B5 ||
               format == kD3dFmtA4R4G4B4 || format == kD3dFmtX4R4G4B4;
    }
    return format == kD3dFmtA8R8G8B8 || format == kD3dFmtX8R8G8B8 || format == kD3dFmtR8G8B8;
}

// Fills the device kind's record for every format of the list; true when it has a mode.
bool enumerate_kind(d3d_state& state, uint32_t adapter_index, d3d_device_kind& kind,
                    const std::vector<d3d_display_mode>& modes, std::vector<listed_format>& formats) {
    d3d_object& d3d = *state.d3d;
    for (listed_format& f : formats) {
        f.confirmed = false;
        f.depth_stencil = kD3dFmtUnknown;
        f.behaviour = 0;
        if (d3d.check_device_type(adapter_index, kind.device_type, f.format, f.format, false) < 0) continue;
        auto attempt = [&](uint32_t behaviour) {
            f.behaviour = behaviour;
            f.confirmed = d3d_confirm_device(kind.caps, behaviour, f.format) >= 0;
        };
        if (kind.caps.dev_caps & kD3dDevCapsHwTransformAndLight) {
            if (kind.caps.dev_caps & kD3dDevCapsPureDevice) {
                attempt(kD3dCreateHardwareVertexProcessing | kD3dCreatePureDevice);
            }
            if (!f.confirmed) attempt(kD3dCreateHardwareVertexProcessing);
            if (!f.confirmed) attempt(kD3dCreateMixedVertexProcessing);
        }
        if (!f.confirmed) attempt(kD3dCreateSoftwareVertexProcessing);
        if (f.confirmed) {
            f.depth_stencil = d3d_find_depth_stencil_format(state, adapter_index, kind.device_type, f.format);
            if (f.depth_stencil == kD3dFmtUnknown) f.confirmed = false;
        }
    }
    for (const d3d_display_mode& m : modes) {
        for (const listed_format& f : formats) {
            if (f.format != m.format || !f.confirmed) continue;
            if (kind.mode_count >= kD3dMaxKindModes) break;  // what does not fit is ignored
            kind.modes[kind.mode_count++] = {m.width, m.height, m.format, f.behaviour, f.depth_stencil};
        }
    }
    // The current mode: the requested size, preferably at the requested depth.
    for (uint32_t i = 0; i < kind.mode_count; ++i) {
        const d3d_mode& m = kind.modes[i];
        if (m.width != state.width || m.height != state.height) continue;
        kind.current_mode = i;
        if (has_bit_depth(m.format, state.bit_depth)) break;
    }
    if (!formats.empty() && formats[0].confirmed && (kind.caps.caps2 & kD3dCaps2CanRenderWindowed)) {
        kind.can_render_windowed = true;
        kind.windowed = true;
    }
    return kind.mode_count > 0;
}

void enumerate_adapter(d3d_state& state, uint32_t adapter_index) {
    d3d_object& d3d = *state.d3d;
    d3d_adapter& adapter = state.adapters[state.adapter_count];
    adapter = d3d_adapter{};
    d3d.adapter_identifier(adapter_index, kD3dEnumNoWhqlLevel, adapter.identifier);
    d3d.adapter_display_mode(adapter_index, adapter.desktop_mode);

    std::vector<listed_format> formats{{adapter.desktop_mode.format}};
    std::vector<d3d_display_mode> modes;
    const uint32_t mode_count = d3d.adapter_mode_count(adapter_index);
    for (uint32_t i = 0; i < mode_count; ++i) {
        d3d_display_mode m;
        if (d3d.enum_adapter_modes(adapter_index, i, m) < 0) continue;
        if (m.width < 640 || m.height < 400) continue;
        const bool listed = std::any_of(modes.begin(), modes.end(), [&](const d3d_display_mode& o) {
            return o.width == m.width && o.height == m.height && o.format == m.format;
        });
        if (listed || modes.size() >= kD3dMaxListedModes) continue;
        m.refresh_rate = 0;
        modes.push_back(m);
        const bool known = std::any_of(formats.begin(), formats.end(),
                                       [&](const listed_format& f) { return f.format == m.format; });
        if (!known && formats.size() < kD3dMaxListedFormats) formats.push_back({m.format});
    }
    std::stable_sort(modes.begin(), modes.end(), [](const d3d_display_mode& a, const d3d_display_mode& b) {
        if (a.format != b.format) return a.format > b.format;
        if (a.width != b.width) return a.width < b.width;
        return a.height < b.height;
    });

    for (uint32_t type : {kD3dDevTypeHal, kD3dDevTypeRef}) {
        if (adapter.device_count >= kD3dMaxDeviceKinds) break;
        d3d_device_kind& kind = adapter.devices[adapter.device_count];
        kind = d3d_device_kind{};
        kind.device_type = type;
        d3d.device_caps(adapter_index, type, kind.caps);
        kind.name = type == kD3dDevTypeHal ? "HAL" : "REF";
        if (enumerate_kind(state, adapter_index, kind, modes, formats)) ++adapter.device_count;
    }
    if (adapter.device_count > 0) ++state.adapter_count;
}

// The first device kind, adapter by adapter, that `wanted` accepts; made current when found.
template <typename Wanted>
bool choose(d3d_state& state, Wanted wanted) {
    for (uint32_t a = 0; a < state.adapter_count; ++a) {
        d3d_adapter& adapter = state.adapters[a];
        for (uint32_t k = 0; k < adapter.device_count; ++k) {
            if (!wanted(adapter.devices[k])) continue;
            adapter.current_device = k;
            state.current_adapter = a;
            return true;
        }
    }
    return false;
}

}  // namespace

uint32_t d3d_build_device_list(d3d_state& state, uint32_t width, uint32_t height, uint32_t bit_depth) {
    state.width = width;
    state.height = height;
    state.bit_depth = bit_depth;
    state.adapter_count = 0;
    const uint32_t adapters = state.d3d->adapter_count();
    for (uint32_t a = 0; a < adapters && state.adapter_count < kD3dMaxAdapters; ++a)
        enumerate_adapter(state, a);
    if (state.adapter_count == 0) return kD3dAppErrNoCompatibleDevices;

    const bool requested_full_screen = state.full_screen;
    auto hal = [](const d3d_device_kind& k) { return k.device_type == kD3dDevTypeHal; };
    if (!state.full_screen &&
        !choose(state, [&](const d3d_device_kind& k) { return hal(k) && k.windowed; })) {
        state.full_screen = true;
    }
    if (choose(state,
               [&](const d3d_device_kind& k) { return hal(k) && (k.windowed || state.full_screen); })) {
        return 0;
    }
    state.full_screen = requested_full_screen;
    if (choose(state, [&](const d3d_device_kind& k) { return state.full_screen || k.windowed; })) return 0;
    state.full_screen = true;
    state.current_adapter = 0;
    state.adapters[0].current_device = 0;
    return 0;
}

d3d_format d3d_find_depth_stencil_format(const d3d_state& state, uint32_t adapter, uint32_t device_type,
                                         d3d_format adapter_format) {
    const uint32_t depth = state.min_depth_bits, stencil = state.min_stencil_bits;
    const struct {
        d3d_format format;
        bool allowed;
    } candidates[] = {
        {kD3dFmtD16, depth <= 16 && stencil == 0},     {kD3dFmtD15S1, depth <= 15 && stencil <= 1},
        {kD3dFmtD24X8, depth <= 24 && stencil == 0},   {kD3dFmtD24S8, depth <= 24 && stencil <= 8},
        {kD3dFmtD24X4S4, depth <= 24 && stencil <= 4}, {kD3dFmtD32, depth <= 32 && stencil == 0},
    };
    for (const auto& c : candidates) {
        if (!c.allowed) continue;
        if (state.d3d->check_device_format(adapter, device_type, adapter_format, kD3dUsageDepthStencil,
                                           kD3dRTypeSurface, c.format) < 0)
            continue;
        if (state.d3d->check_depth_stencil_match(adapter, device_type, adapter_format, adapter_format,
                                                 c.format) < 0)
            continue;
        return c.format;
    }
    return kD3dFmtUnknown;
}

d3d_result d3d_confirm_device(const d3d_caps& caps, uint32_t, d3d_format) {
    if ((caps.src_blend_caps & kD3dPBlendCapsOne) && (caps.dest_blend_caps & kD3dPBlendCapsOne))
        return kD3dOk;
    return kD3dErrFail;
}

std::string d3d_error_text(uint32_t code) {
    switch (code) {
        case kD3dAppErrNoDirect3d:
            return "Could not initialize Direct3D. You may\nwant to check that the latest version "
                   "of\nDirectX is "
                   "correctly installed on your\nsystem.";
        case kD3dAppErrNoCompatibleDevices:
            return "Could not find any compatible Direct3D\ndevices.";
        case kD3dAppErrNoWindowableDevices:
            return "This game cannot run in a desktop\nwindow with the current display settings.\nPlease "
                   "change your "
                   "desktop settings to a\n16- or 32-bit display mode and re-run this\ngame.";
        case kD3dAppErrNoHardwareDevice:
            return "No hardware-accelerated Direct3D devices\nwere found.";
        case kD3dAppErrHalNotCompatible:
            return "This game requires functionality that is\nnot available on your Direct3D "
                   "hardware\naccelerator.";
        case kD3dAppErrResetFailed:
            return "Could not reset the Direct3D device.";
        case kD3dAppErrNullRefDevice:
            return "The reference rendering device was selected, but your\ncomputer only has a "
                   "reduced-functionality "
                   "reference device\ninstalled.\n";
        case kD3dAppErrOutOfMemory:
            return "Not enough memory.";
        case kD3dAppErrOutOfVideoMemory:
            return "Not enough video memory.";
        case kD3dAppWarnSwitchToRef:
            return "Switching to the reference rasterizer,\na software device that implements the "
                   "entire\nDirect3D "
                   "feature set, but runs very slowly.";
        default:
            return "";
    }
}

void d3d_report_error(uint32_t code) {
    const std::string text = d3d_error_text(code);
    log_write("[D3D] error 0x%08x: %s\n", code, text.c_str());
    // The driver goes on with the reference device after the warning: the box does not say it exits.
    if (code == kD3dAppWarnSwitchToRef) sys_message_box("Direct3D error", text, message_box_kind::error);
}

}  // namespace kv
