#pragma once
// The Direct3D driver's own list of what every display adapter can do, and its choice of adapter,
// device kind and mode for the resolution and window mode asked for. The lists live in the driver's
// device state; the layer's object (platform/d3d_layer.h) answers every question.

#include <cstdint>
#include <string>

#include "platform/d3d_layer.h"

namespace kv {

inline constexpr uint32_t kD3dMaxAdapters = 10;
inline constexpr uint32_t kD3dMaxDeviceKinds = 5;
inline constexpr uint32_t kD3dMaxKindModes = 150;
inline constexpr uint32_t kD3dMaxListedModes = 100;
inline constexpr uint32_t kD3dMaxListedFormats = 20;

// The driver's failure codes; 2 is the warning of the fall-back to the reference device.
inline constexpr uint32_t kD3dAppErrNoDirect3d = 0x82000001;
inline constexpr uint32_t kD3dAppErrNoCompatibleDevices = 0x82000003;
inline constexpr uint32_t kD3dAppErrNoWindowableDevices = 0x82000004;
inline constexpr uint32_t kD3dAppErrNoHardwareDevice = 0x82000005;
inline constexpr uint32_t kD3dAppErrHalNotCompatible = 0x82000006;
inline constexpr uint32_t kD3dAppErrResetFailed = 0x8200000c;
inline constexpr uint32_t kD3dAppErrNullRefDevice = 0x8200000d;
inline constexpr uint32_t kD3dAppErrOutOfMemory = 0x8007000e;
inline constexpr uint32_t kD3dAppErrOutOfVideoMemory = 0x8876017c;
inline constexpr uint32_t kD3dAppWarnSwitchToRef = 2;

struct d3d_mode {
    uint32_t width = 0;
    uint32_t height = 0;
    d3d_format format = kD3dFmtUnknown;
    uint32_t behaviour = 0;
    d3d_format depth_stencil_format = kD3dFmtUnknown;
};

struct d3d_device_kind {
    uint32_t device_type = 0;
    d3d_caps caps;
    std::string name;
    bool can_render_windowed = false;
    uint32_t mode_count = 0;
    d3d_mode modes[kD3dMaxKindModes];
    uint32_t current_mode = 0;
    bool windowed = false;
    uint32_t multisample_windowed = 0;
    uint32_t multisample_full_screen = 0;
};

struct d3d_adapter {
    d3d_adapter_identifier identifier;
    d3d_display_mode desktop_mode;
    uint32_t device_count = 0;
    d3d_device_kind devices[kD3dMaxDeviceKinds];
    uint32_t current_device = 0;
};

// The part of the driver's device state that enumeration and choice fill.
struct d3d_state {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bit_depth = 0;
    d3d_adapter adapters[kD3dMaxAdapters];
    uint32_t adapter_count = 0;
    uint32_t current_adapter = 0;
    bool full_screen = false;
    d3d_object* d3d = nullptr;  // the layer's object, owned by the driver
    uint32_t min_depth_bits = 24;
    uint32_t min_stencil_bits = 8;
};

// Enumerates every adapter of `state.d3d` and chooses; 0 or kD3dAppErrNoCompatibleDevices.
uint32_t d3d_build_device_list(d3d_state& state, uint32_t width, uint32_t height, uint32_t bit_depth);
// The first depth/stencil format that the minimum bits allow and the adapter takes; kD3dFmtUnknown
// for none.
d3d_format d3d_find_depth_stencil_format(const d3d_state& state, uint32_t adapter, uint32_t device_type,
                                         d3d_format adapter_format);
// 0 accepted, 0x80004005 refused: the device must blend with ONE both ways.
d3d_result d3d_confirm_device(const d3d_caps& caps, uint32_t behaviour, d3d_format format);
// The text of a failure code (empty for an unknown one).
std::string d3d_error_text(uint32_t code);
// Logs the code's text; the fall-back warning also goes to the user in an error box.
void d3d_report_error(uint32_t code);

}  // namespace kv
