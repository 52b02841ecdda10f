#pragma once
// A Direct3D-shaped object that answers from a script: adapters with their desktop mode, display
// modes and device kinds, each kind with its capabilities and the formats it takes. Every question is
// counted, so tests can see what the caller asked.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/d3d_layer.h"

namespace kv {

struct scripted_d3d_kind {
    uint32_t device_type = kD3dDevTypeHal;
    d3d_caps caps;
    std::vector<d3d_format> render_formats;  // CheckDeviceType succeeds for these
    std::vector<d3d_format> depth_formats;   // CheckDeviceFormat and CheckDepthStencilMatch succeed
};

struct scripted_d3d_adapter {
    std::string description = "scripted adapter";
    d3d_display_mode desktop{1024, 768, 60, kD3dFmtX8R8G8B8};
    std::vector<d3d_display_mode> modes;
    std::vector<scripted_d3d_kind> kinds;
};

// Capabilities of a capable device: blend ONE both ways, windowed rendering, hardware vertex work.
inline d3d_caps scripted_caps(uint32_t device_type, bool windowed = true, bool blend_one = true) {
    d3d_caps c;
    c.device_type = device_type;
    c.caps2 = windowed ? kD3dCaps2CanRenderWindowed : 0;
    c.dev_caps = kD3dDevCapsHwTransformAndLight;
    c.src_blend_caps = c.dest_blend_caps =
        blend_one ? kD3dPBlendCapsOne | kD3dPBlendCapsZero : kD3dPBlendCapsZero;
    c.max_texture_width = c.max_texture_height = 2048;
    c.max_simultaneous_textures = c.max_texture_blend_stages = 2;
    return c;
}

inline scripted_d3d_kind scripted_kind(uint32_t device_type, bool windowed = true, bool blend_one = true) {
    return {device_type,
            scripted_caps(device_type, windowed, blend_one),
            {kD3dFmtX8R8G8B8, kD3dFmtR5G6B5},
            {kD3dFmtD16, kD3dFmtD24X8, kD3dFmtD24S8, kD3dFmtD32}};
}

class scripted_d3d : public d3d_object {
public:
    std::vector<scripted_d3d_adapter> adapters;
    std::vector<std::string> asked;  // "depth <format>" for each depth candidate checked

    uint32_t adapter_count() override { return static_cast<uint32_t>(adapters.size()); }
    d3d_result adapter_identifier(uint32_t a, uint32_t, d3d_adapter_identifier& out) override {
        if (a >= adapters.size()) return kD3dErrInvalidCall;
        out = {};
        out.description = adapters[a].description;
        return kD3dOk;
    }
    d3d_result adapter_display_mode(uint32_t a, d3d_display_mode& out) override {
        if (a >= adapters.size()) return kD3dErrInvalidCall;
        out = adapters[a].desktop;
        return kD3dOk;
    }
    uint32_t adapter_mode_count(uint32_t a) override {
        return a < adapters.size() ? static_cast<uint32_t>(adapters[a].modes.size()) : 0;
    }
    d3d_result enum_adapter_modes(uint32_t a, uint32_t m, d3d_display_mode& out) override {
        if (a >= adapters.size() || m >= adapters[a].modes.size()) return kD3dErrInvalidCall;
        out = adapters[a].modes[m];
        return kD3dOk;
    }
    d3d_result device_caps(uint32_t a, uint32_t type, d3d_caps& out) override {
        const scripted_d3d_kind* k = kind(a, type);
        if (k == nullptr) return kD3dErrNotAvailable;
        out = k->caps;
        return kD3dOk;
    }
    d3d_result check_device_type(uint32_t a, uint32_t type, d3d_format display, d3d_format, bool) override {
        const scripted_d3d_kind* k = kind(a, type);
        return k != nullptr && has(k->render_formats, display) ? kD3dOk : kD3dErrNotAvailable;
    }
    d3d_result check_device_format(uint32_t a, uint32_t type, d3d_format, uint32_t usage, uint32_t,
                                   d3d_format format) override {
        if (usage == kD3dUsageDepthStencil) asked.push_back("depth " + std::to_string(format));
        const scripted_d3d_kind* k = kind(a, type);
        return k != nullptr && has(k->depth_formats, format) ? kD3dOk : kD3dErrNotAvailable;
    }
    d3d_result check_depth_stencil_match(uint32_t a, uint32_t type, d3d_format, d3d_format,
                                         d3d_format depth) override {
        const scripted_d3d_kind* k = kind(a, type);
        return k != nullptr && has(k->depth_formats, depth) ? kD3dOk : kD3dErrNotAvailable;
    }
    d3d_result create_device(uint32_t, uint32_t, sys_gl_window*, uint32_t, d3d_present_parameters&,
                             std::unique_ptr<d3d_device>&) override {
        return kD3dErrNotAvailable;
    }

private:
    const scripted_d3d_kind* kind(uint32_t a, uint32_t type) const {
        if (a >= adapters.size()) return nullptr;
        for (const scripted_d3d_kind& k : adapters[a].kinds) {
            if (k.device_type == type) return &k;
        }
        return nullptr;
    }
    static bool has(const std::vector<d3d_format>& list, d3d_format f) {
        return std::find(list.begin(), list.end(), f) != list.end();
    }
};

}  // namespace kv
