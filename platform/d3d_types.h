#pragma once
// The numbers and records of the Direct3D-8-shaped device layer (platform/d3d_layer.h). Every code
// keeps Direct3D 8's numeric value, so that code written against the original's constants (format
// sorts, flag tests) reads the same here.

#include <cstdint>
#include <string>

namespace kv {

// Results: 0 success, negative failure (the original's HRESULT values).
using d3d_result = int32_t;
inline constexpr d3d_result kD3dOk = 0;
inline constexpr d3d_result kD3dErrFail = static_cast<int32_t>(0x80004005u);  // E_FAIL
inline constexpr d3d_result kD3dErrOutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr d3d_result kD3dErrOutOfVideoMemory = static_cast<int32_t>(0x8876017Cu);
inline constexpr d3d_result kD3dErrNotFound = static_cast<int32_t>(0x88760866u);
inline constexpr d3d_result kD3dErrDeviceLost = static_cast<int32_t>(0x88760868u);
inline constexpr d3d_result kD3dErrDeviceNotReset = static_cast<int32_t>(0x88760869u);
inline constexpr d3d_result kD3dErrNotAvailable = static_cast<int32_t>(0x8876086Au);
inline constexpr d3d_result kD3dErrInvalidCall = static_cast<int32_t>(0x8876086Cu);

// Formats.
using d3d_format = uint32_t;
inline constexpr d3d_format kD3dFmtUnknown = 0;
inline constexpr d3d_format kD3dFmtR8G8B8 = 20;
inline constexpr d3d_format kD3dFmtA8R8G8B8 = 21;
inline constexpr d3d_format kD3dFmtX8R8G8B8 = 22;
inline constexpr d3d_format kD3dFmtR5G6B5 = 23;
inline constexpr d3d_format kD3dFmtX1R5G5B5 = 24;
inline constexpr d3d_format kD3dFmtA1R5G5B5 = 25;
inline constexpr d3d_format kD3dFmtA4R4G4B4 = 26;
inline constexpr d3d_format kD3dFmtX4R4G4B4 = 30;
inline constexpr d3d_format kD3dFmtL8 = 50;
inline constexpr d3d_format kD3dFmtD32 = 71;
inline constexpr d3d_format kD3dFmtD15S1 = 73;
inline constexpr d3d_format kD3dFmtD24S8 = 75;
inline constexpr d3d_format kD3dFmtD24X8 = 77;
inline constexpr d3d_format kD3dFmtD24X4S4 = 79;
inline constexpr d3d_format kD3dFmtD16 = 80;
inline constexpr d3d_format kD3dFmtIndex16 = 101;
inline constexpr d3d_format kD3dFmtDxt1 = 0x31545844;  // "DXT1"
inline constexpr d3d_format kD3dFmtDxt3 = 0x33545844;
inline constexpr d3d_format kD3dFmtDxt5 = 0x35545844;

// Device kinds.
inline constexpr uint32_t kD3dDevTypeHal = 1;
inline constexpr uint32_t kD3dDevTypeRef = 2;
inline constexpr uint32_t kD3dDevTypeSw = 3;

// Behaviour flags of device creation.
inline constexpr uint32_t kD3dCreateSoftwareVertexProcessing = 0x20;
inline constexpr uint32_t kD3dCreateHardwareVertexProcessing = 0x40;
inline constexpr uint32_t kD3dCreateMixedVertexProcessing = 0x80;
inline constexpr uint32_t kD3dCreatePureDevice = 0x10;

// Capability bits.
inline constexpr uint32_t kD3dCaps2CanRenderWindowed = 0x80000;
inline constexpr uint32_t kD3dDevCapsHwTransformAndLight = 0x10000;
inline constexpr uint32_t kD3dDevCapsPureDevice = 0x100000;
inline constexpr uint32_t kD3dPMiscCapsNullReference = 0x1000;
inline constexpr uint32_t kD3dPBlendCapsZero = 0x1;
inline constexpr uint32_t kD3dPBlendCapsOne = 0x2;
inline constexpr uint32_t kD3dPBlendCapsSrcAlpha = 0x10;
inline constexpr uint32_t kD3dPBlendCapsInvSrcAlpha = 0x20;
inline constexpr uint32_t kD3dPBlendCapsDestColor = 0x100;
inline constexpr uint32_t kD3dPTextureCapsPow2 = 0x2;
inline constexpr uint32_t kD3dPTextureCapsNonPow2Conditional = 0x100;
inline constexpr uint32_t kD3dPTextureCapsMipMap = 0x4000;
inline constexpr uint32_t kD3dPTFilterCapsMinFLinear = 0x200;
inline constexpr uint32_t kD3dPTFilterCapsMipFPoint = 0x10000;
inline constexpr uint32_t kD3dPTFilterCapsMipFLinear = 0x20000;
inline constexpr uint32_t kD3dPTFilterCapsMagFLinear = 0x2000000;

// Usages, pools, resource kinds and lock flags.
inline constexpr uint32_t kD3dUsageDepthStencil = 0x2;
inline constexpr uint32_t kD3dUsageWriteOnly = 0x8;
inline constexpr uint32_t kD3dUsageDynamic = 0x200;
inline constexpr uint32_t kD3dPoolDefault = 0;
inline constexpr uint32_t kD3dPoolManaged = 1;
inline constexpr uint32_t kD3dPoolSystemMem = 2;
inline constexpr uint32_t kD3dRTypeSurface = 1;
inline constexpr uint32_t kD3dRTypeTexture = 3;
inline constexpr uint32_t kD3dLockNoSysLock = 0x800;
inline constexpr uint32_t kD3dLockNoOverwrite = 0x1000;
inline constexpr uint32_t kD3dLockDiscard = 0x2000;
inline constexpr uint32_t kD3dEnumNoWhqlLevel = 2;

// Clear flags.
inline constexpr uint32_t kD3dClearTarget = 1;
inline constexpr uint32_t kD3dClearZBuffer = 2;
inline constexpr uint32_t kD3dClearStencil = 4;

// Vertex formats: position, diffuse colour, two coordinate pairs (32 bytes), and pre-transformed
// position in window pixels (y down) with rhw, diffuse colour, one pair (28 bytes).
inline constexpr uint32_t kD3dFvfXyzDiffuseTex2 = 0x242;
inline constexpr uint32_t kD3dFvfXyzRhwDiffuseTex1 = 0x144;

// Primitive kinds.
inline constexpr uint32_t kD3dPtPointList = 1;
inline constexpr uint32_t kD3dPtLineList = 2;
inline constexpr uint32_t kD3dPtLineStrip = 3;
inline constexpr uint32_t kD3dPtTriangleList = 4;
inline constexpr uint32_t kD3dPtTriangleStrip = 5;
inline constexpr uint32_t kD3dPtTriangleFan = 6;

// Transforms.
inline constexpr uint32_t kD3dTsView = 2;
inline constexpr uint32_t kD3dTsProjection = 3;
inline constexpr uint32_t kD3dTsWorld = 256;

// Render states and their values.
inline constexpr uint32_t kD3dRsZEnable = 7;
inline constexpr uint32_t kD3dRsFillMode = 8;
inline constexpr uint32_t kD3dRsShadeMode = 9;
inline constexpr uint32_t kD3dRsZWriteEnable = 14;
inline constexpr uint32_t kD3dRsAlphaTestEnable = 15;
inline constexpr uint32_t kD3dRsSrcBlend = 19;
inline constexpr uint32_t kD3dRsDestBlend = 20;
inline constexpr uint32_t kD3dRsCullMode = 22;
inline constexpr uint32_t kD3dRsZFunc = 23;
inline constexpr uint32_t kD3dRsAlphaRef = 24;
inline constexpr uint32_t kD3dRsAlphaFunc = 25;
inline constexpr uint32_t kD3dRsDitherEnable = 26;
inline constexpr uint32_t kD3dRsAlphaBlendEnable = 27;
inline constexpr uint32_t kD3dRsFogEnable = 28;
inline constexpr uint32_t kD3dRsFogColor = 34;
inline constexpr uint32_t kD3dRsFogTableMode = 35;
inline constexpr uint32_t kD3dRsFogDensity = 38;
inline constexpr uint32_t kD3dRsLighting = 137;
inline constexpr uint32_t kD3dRsPointSize = 154;
inline constexpr uint32_t kD3dRsPointScaleEnable = 157;

inline constexpr uint32_t kD3dFillWireframe = 2;
inline constexpr uint32_t kD3dFillSolid = 3;
inline constexpr uint32_t kD3dShadeFlat = 1;
inline constexpr uint32_t kD3dShadeGouraud = 2;
inline constexpr uint32_t kD3dBlendZero = 1;
inline constexpr uint32_t kD3dBlendOne = 2;
inline constexpr uint32_t kD3dBlendSrcAlpha = 5;
inline constexpr uint32_t kD3dBlendInvSrcAlpha = 6;
inline constexpr uint32_t kD3dBlendDestColor = 9;
inline constexpr uint32_t kD3dCullNone = 1;
inline constexpr uint32_t kD3dCullCw = 2;
inline constexpr uint32_t kD3dCullCcw = 3;
inline constexpr uint32_t kD3dCmpEqual = 3;
inline constexpr uint32_t kD3dCmpLessEqual = 4;
inline constexpr uint32_t kD3dCmpGreater = 5;
inline constexpr uint32_t kD3dFogNone = 0;
inline constexpr uint32_t kD3dFogExp = 1;

// Texture-stage states and their values.
inline constexpr uint32_t kD3dTssColorOp = 1;
inline constexpr uint32_t kD3dTssColorArg1 = 2;
inline constexpr uint32_t kD3dTssColorArg2 = 3;
inline constexpr uint32_t kD3dTssAlphaOp = 4;
inline constexpr uint32_t kD3dTssAlphaArg1 = 5;
inline constexpr uint32_t kD3dTssAlphaArg2 = 6;
inline constexpr uint32_t kD3dTssTexCoordIndex = 11;
inline constexpr uint32_t kD3dTssAddressU = 13;
inline constexpr uint32_t kD3dTssAddressV = 14;
inline constexpr uint32_t kD3dTssMagFilter = 16;
inline constexpr uint32_t kD3dTssMinFilter = 17;
inline constexpr uint32_t kD3dTssMipFilter = 18;

inline constexpr uint32_t kD3dTopDisable = 1;
inline constexpr uint32_t kD3dTopSelectArg1 = 2;
inline constexpr uint32_t kD3dTopSelectArg2 = 3;
inline constexpr uint32_t kD3dTopModulate = 4;
inline constexpr uint32_t kD3dTaDiffuse = 0;
inline constexpr uint32_t kD3dTaCurrent = 1;
inline constexpr uint32_t kD3dTaTexture = 2;
inline constexpr uint32_t kD3dTAddressWrap = 1;
inline constexpr uint32_t kD3dTAddressClamp = 3;
inline constexpr uint32_t kD3dTexfNone = 0;
inline constexpr uint32_t kD3dTexfPoint = 1;
inline constexpr uint32_t kD3dTexfLinear = 2;

inline constexpr uint32_t kD3dMaxStages = 4;
inline constexpr uint32_t kD3dxDefault = 0xFFFFFFFFu;  // the full mip chain, the default filter

struct d3d_display_mode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refresh_rate = 0;
    d3d_format format = kD3dFmtUnknown;
};

struct d3d_adapter_identifier {
    std::string driver;
    std::string description;
    uint16_t product = 0, version = 0, sub_version = 0, build = 0;
    uint32_t vendor_id = 0, device_id = 0, subsystem_id = 0, revision = 0;
    uint8_t device_guid[16] = {};
    uint32_t whql_level = 0;
};

// The capability fields that callers read.
struct d3d_caps {
    uint32_t device_type = 0;
    uint32_t adapter_ordinal = 0;
    uint32_t caps2 = 0;
    uint32_t dev_caps = 0;
    uint32_t primitive_misc_caps = 0;
    uint32_t src_blend_caps = 0;
    uint32_t dest_blend_caps = 0;
    uint32_t texture_caps = 0;
    uint32_t texture_filter_caps = 0;
    uint32_t max_texture_width = 0;
    uint32_t max_texture_height = 0;
    uint32_t max_texture_blend_stages = 0;
    uint32_t max_simultaneous_textures = 0;
};

struct sys_gl_window;

struct d3d_present_parameters {
    uint32_t back_buffer_width = 0;  // 0 when windowed: the window's client size
    uint32_t back_buffer_height = 0;
    d3d_format back_buffer_format = kD3dFmtUnknown;
    uint32_t back_buffer_count = 1;
    uint32_t multisample_type = 0;
    uint32_t swap_effect = 1;  // discard
    sys_gl_window* device_window = nullptr;
    bool windowed = true;
    bool enable_auto_depth_stencil = false;
    d3d_format auto_depth_stencil_format = kD3dFmtUnknown;
    uint32_t flags = 0;
    uint32_t full_screen_refresh_rate = 0;
    uint32_t presentation_interval = 0;
};

struct d3d_viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float min_z = 0.0f, max_z = 1.0f;
};

// Row vectors times the matrix, as Direct3D has it: m[3][0..2] is a translation.
struct d3d_matrix {
    float m[4][4] = {};
};
d3d_matrix d3d_identity_matrix();
d3d_matrix d3d_matrix_multiply(const d3d_matrix& a, const d3d_matrix& b);

struct d3d_rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct d3d_locked_rect {
    int32_t pitch = 0;
    uint8_t* bits = nullptr;
};

struct d3d_surface_desc {
    d3d_format format = kD3dFmtUnknown;
    uint32_t pool = kD3dPoolSystemMem;
    uint32_t size = 0;  // bytes
    uint32_t width = 0;
    uint32_t height = 0;
};

// A 32-bit colour: alpha in the top byte, then red, green, blue. In memory it lies as B, G, R, A.
inline constexpr uint32_t d3d_argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

}  // namespace kv
