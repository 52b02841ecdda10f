// The Direct3D driver's frame, transforms and cached render state.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/drivers/d3d_driver.h"

namespace kv {
namespace {

// A colour channel times 255, truncated and kept within 0..255.
uint32_t byte_of(float c) {
    const float v = std::trunc(c * 255.0f);
    if (!(v > 0.0f)) return 0;
    return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

uint32_t bits_of(float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace

void d3d_driver::d3d_set_depth_test(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (kind != 0 && kind != 1) return;
    if (s.depth_test != kind) s.device->set_render_state(kD3dRsZEnable, static_cast<uint32_t>(kind));
    s.depth_test = kind;
    if (kind == 1) d3d_set_depth_write(s.blend == kD3dBlendAlpha ? 0 : 1);
}

void d3d_driver::d3d_set_depth_write(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (kind != 0 && kind != 1) return;
    if (s.depth_write != kind) s.device->set_render_state(kD3dRsZWriteEnable, static_cast<uint32_t>(kind));
    s.depth_write = kind;
}

void d3d_driver::d3d_set_alpha_test(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (kind != 0 && kind != 1) return;
    if (s.alpha_test != kind) s.device->set_render_state(kD3dRsAlphaTestEnable, static_cast<uint32_t>(kind));
    s.alpha_test = kind;
}

void d3d_driver::d3d_set_blend(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (kind != kD3dBlendOff && (kind < kD3dBlendOpaque || kind > kD3dBlendAdd)) return;
    s.blend_lost = false;
    if (s.blend == kind) return;
    d3d_device& d = *s.device;
    if (kind == kD3dBlendOff) {
        d.set_render_state(kD3dRsAlphaBlendEnable, 0);
        s.blend = kind;
        return;
    }
    if (s.blend <= kD3dBlendOff) d.set_render_state(kD3dRsAlphaBlendEnable, 1);
    auto blend = [&](uint32_t source, uint32_t destination) {
        d.set_render_state(kD3dRsSrcBlend, source);
        d.set_render_state(kD3dRsDestBlend, destination);
    };
    switch (kind) {
        case kD3dBlendOpaque:
            blend(kD3dBlendOne, kD3dBlendZero);
            break;
        case kD3dBlendAlpha:
            blend(kD3dBlendSrcAlpha, kD3dBlendInvSrcAlpha);
            d3d_set_alpha_test(0);
            break;
        case kD3dBlendAlphaTest:
            blend(kD3dBlendOne, kD3dBlendZero);
            d3d_set_alpha_test(1);
            break;
        case kD3dBlendMultiply:
            blend(kD3dBlendDestColor, kD3dBlendZero);
            break;
        case kD3dBlendAdd:
            blend(kD3dBlendOne, kD3dBlendOne);
            break;
        default:
            break;
    }
    s.blend = kind;
}

void d3d_driver::d3d_set_cull(int32_t kind) {
    d3d_driver_state& s = *state_;
    uint32_t mode = 0;
    if (kind == kD3dCullOff) {
        mode = kD3dCullNone;
    } else if (kind == kD3dCullFront) {
        mode = kD3dCullCcw;
    } else if (kind == kD3dCullBack) {
        mode = kD3dCullCw;
    } else {
        return;
    }
    if (s.cull == kind) return;
    s.device->set_render_state(kD3dRsCullMode, mode);
    s.cull = kind;
}

void d3d_driver::d3d_set_combine(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (kind == kD3dCombineRequested) {
        kind = s.requested_combine;
        if (kind == kD3dCombineTexture && s.shading != kD3dShadeFlatKind) kind = kD3dCombineModulate;
    }
    if (kind != kD3dCombineOff && kind != kD3dCombineTexture && kind != kD3dCombineModulate &&
        kind != kD3dCombineTwoStages && kind != kD3dCombineDiffuse)
        return;
    if (s.combine == kind) return;
    d3d_device& d = *s.device;
    auto stage_ops = [&](uint32_t stage, uint32_t op) {
        d.set_texture_stage_state(stage, kD3dTssColorOp, op);
        d.set_texture_stage_state(stage, kD3dTssAlphaOp, op);
        s.stage_enabled[stage] = op != kD3dTopDisable;
    };
    // Stages from `first` off (stage 1 at most without multitexture).
    auto disable_from = [&](uint32_t first) {
        const uint32_t stage = s.multitexture ? first : std::min<uint32_t>(first, 1);
        stage_ops(stage, kD3dTopDisable);
        for (uint32_t i = stage; i < kD3dStages; ++i) s.stage_enabled[i] = 0;
    };
    switch (kind) {
        case kD3dCombineOff:
            disable_from(0);
            break;
        case kD3dCombineTexture:
            stage_ops(0, kD3dTopSelectArg1);
            disable_from(1);
            break;
        case kD3dCombineModulate:
            stage_ops(0, kD3dTopModulate);
            disable_from(1);
            break;
        case kD3dCombineTwoStages:
            stage_ops(0, kD3dTopModulate);
            if (s.multitexture) stage_ops(1, kD3dTopModulate);
            disable_from(2);
            break;
        case kD3dCombineDiffuse:
            stage_ops(0, kD3dTopSelectArg2);
            disable_from(1);
            break;
        default:
            break;
    }
    s.combine = kind;
}

void d3d_driver::d3d_set_shading(int32_t kind) {
    d3d_driver_state& s = *state_;
    if (s.shading != kind) {
        if (kind == kD3dShadeFlatKind) {
            s.device->set_render_state(kD3dRsShadeMode, kD3dShadeFlat);
        } else if (kind == kD3dShadeSmoothKind || kind == kD3dShadeConstantKind) {
            s.device->set_render_state(kD3dRsShadeMode, kD3dShadeGouraud);
        }
    }
    s.shading = kind;
}

void d3d_driver::d3d_set_address(int32_t stage, int32_t kind) {
    d3d_driver_state& s = *state_;
    if (stage < 0 || stage >= kD3dStages) return;
    if (kind != kD3dAddressWrapKind && kind != kD3dAddressClampKind) return;
    if (s.address[stage] == kind) return;
    const uint32_t mode = kind == kD3dAddressWrapKind ? kD3dTAddressWrap : kD3dTAddressClamp;
    s.device->set_texture_stage_state(static_cast<uint32_t>(stage), kD3dTssAddressU, mode);
    s.device->set_texture_stage_state(static_cast<uint32_t>(stage), kD3dTssAddressV, mode);
    s.address[stage] = kind;
}

void d3d_driver::d3d_set_lighting(int32_t kind, int32_t value) {
    d3d_driver_state& s = *state_;
    if (kind != 0 && kind != 12) return;
    s.device->set_render_state(kD3dRsLighting, 0);
    s.lighting = kind;
    s.lighting_value = value;
}

void d3d_driver::d3d_push_texture(int32_t stage) {
    d3d_driver_state& s = *state_;
    if (s.saved_depth[stage] >= kD3dStageStackDepth) return;
    s.saved_address[stage][s.saved_depth[stage]] = s.address[stage];
    s.saved[stage][s.saved_depth[stage]++] = s.bound[stage];
}

void d3d_driver::d3d_pop_texture(int32_t stage) {
    d3d_driver_state& s = *state_;
    if (s.saved_depth[stage] <= 0) return;
    const int32_t at = --s.saved_depth[stage];
    d3d_texture* t = s.saved[stage][at];
    if (t != s.bound[stage]) {
        s.device->set_texture(static_cast<uint32_t>(stage), t);
        s.bound[stage] = t;
    }
    d3d_set_address(stage, s.saved_address[stage][at]);
}

bool d3d_driver::d3d_reset_render_states() {
    d3d_driver_state& s = *state_;
    d3d_device& d = *s.device;
    s.depth_test = s.depth_write = s.shading = -1;
    s.alpha_test = s.cull = s.combine = s.lighting = -1;
    s.blend = -1;
    s.tint = false;
    s.stage_enabled[0] = 1;
    for (int32_t i = 1; i < kD3dStages; ++i) s.stage_enabled[i] = 0;
    for (int32_t i = 0; i < kD3dStages; ++i) {
        s.bound[i] = nullptr;
        s.saved_depth[i] = 0;
        s.address[i] = -1;
        for (int32_t k = 0; k < kD3dStageStackDepth; ++k) s.saved[i][k] = nullptr;
    }
    s.modelview_valid = false;
    s.run_open = false;
    s.run = nullptr;
    d.set_render_state(kD3dRsDitherEnable, s.bit_depth == 32 ? 0 : 1);
    d3d_set_alpha_test(0);
    d.set_render_state(kD3dRsAlphaFunc, kD3dCmpGreater);
    d.set_render_state(kD3dRsAlphaRef, 0x80);
    d.set_render_state(kD3dRsZFunc, kD3dCmpLessEqual);
    s.clear_depth = 1.0f;
    set_perspective(15.0f, 50000.0f);
    set_depth_range(0.1f, 1.0f);
    d.set_render_state(kD3dRsFillMode, kD3dFillSolid);
    auto stage = [&](uint32_t n, uint32_t colour_arg2) {
        d.set_texture_stage_state(n, kD3dTssTexCoordIndex, n);
        d.set_texture_stage_state(n, kD3dTssColorOp, n == 0 ? kD3dTopModulate : kD3dTopDisable);
        d.set_texture_stage_state(n, kD3dTssColorArg1, kD3dTaTexture);
        d.set_texture_stage_state(n, kD3dTssColorArg2, colour_arg2);
        d.set_texture_stage_state(n, kD3dTssAlphaOp, n == 0 ? kD3dTopModulate : kD3dTopDisable);
        d.set_texture_stage_state(n, kD3dTssAlphaArg1, kD3dTaTexture);
        d.set_texture_stage_state(n, kD3dTssAlphaArg2, colour_arg2);
        d.set_texture_stage_state(n, kD3dTssMinFilter, kD3dTexfLinear);
        d.set_texture_stage_state(n, kD3dTssMagFilter, kD3dTexfLinear);
        d.set_texture_stage_state(n, kD3dTssMipFilter, kD3dTexfPoint);
    };
    stage(0, kD3dTaDiffuse);
    if (s.multitexture) stage(1, kD3dTaCurrent);
    d3d_set_depth_test(0);
    d3d_set_blend(kD3dBlendOff);
    d3d_set_cull(kD3dCullOff);
    d3d_set_combine(kD3dCombineOff);
    d3d_set_lighting(0, 0);
    d3d_set_shading(kD3dShadeFlatKind);
    d.set_transform(kD3dTsView, d3d_identity_matrix());
    return create_buffers();
}

void d3d_driver::begin_frame() {
    d3d_driver_state& s = *state_;
    d3d_set_depth_write(1);
    s.device->clear(0, nullptr, kD3dClearZBuffer, s.clear_colour, s.clear_depth, 0);
    if (!s.in_scene) s.in_scene = s.device->begin_scene() >= 0;
}

void d3d_driver::clear_frame() {
    d3d_driver_state& s = *state_;
    d3d_set_depth_write(1);
    s.device->clear(0, nullptr, kD3dClearTarget | kD3dClearZBuffer, s.clear_colour, s.clear_depth, 0);
    if (!s.in_scene) s.in_scene = s.device->begin_scene() >= 0;
}

void d3d_driver::end_frame() {
    d3d_driver_state& s = *state_;
    if (s.in_scene) s.device->end_scene();
    s.in_scene = false;
    s.device->present();
}

void d3d_driver::set_clear(const gfx_colour& colour, float alpha, float depth) {
    state_->clear_colour = d3d_argb(byte_of(alpha), byte_of(colour.red), byte_of(colour.green),
                                    byte_of(colour.blue));
    state_->clear_depth = depth;
}

void d3d_driver::set_colour(const gfx_colour& colour) {
    d3d_driver_state& s = *state_;
    s.colour = d3d_argb(255, byte_of(colour.red), byte_of(colour.green), byte_of(colour.blue));
    s.colour_set = true;
    s.requested_combine = kD3dCombineOff;
}

void d3d_driver::set_dither(int32_t mode) {
    if (mode == 0) {
        state_->device->set_render_state(kD3dRsDitherEnable, 0);
    } else if (mode == 1 || mode == 2) {
        state_->device->set_render_state(kD3dRsDitherEnable, 1);
    }
}

void d3d_driver::set_perspective(float a, float far) {
    state_->device->set_transform(kD3dTsProjection, d3dx_matrix_perspective_off_center_lh(-a, a, -a, a, a, far));
}

void d3d_driver::set_depth_range(float near, float far) {
    d3d_driver_state& s = *state_;
    s.viewport.min_z = near;
    s.viewport.max_z = far;
    if (s.viewport.width == 0 || s.viewport.height == 0) {
        s.viewport.width = s.width;
        s.viewport.height = s.height;
    }
    s.device->set_viewport(s.viewport);
}

void d3d_driver::set_wireframe(bool on) {
    state_->device->set_render_state(kD3dRsFillMode, on ? kD3dFillWireframe : kD3dFillSolid);
}

bool d3d_driver::set_fog(const gfx_fog* fog) {
    d3d_driver_state& s = *state_;
    d3d_device& d = *s.device;
    if (fog != nullptr && (fog->density != 0.0f || fog->red != 0.0f || fog->green != 0.0f || fog->blue != 0.0f)) {
        s.fog_on = true;
        s.fog = *fog;
        d.set_render_state(kD3dRsFogEnable, 1);
        d.set_render_state(kD3dRsFogColor, d3d_argb(0, byte_of(fog->red), byte_of(fog->green), byte_of(fog->blue)));
        d.set_render_state(kD3dRsFogTableMode, kD3dFogExp);
        d.set_render_state(kD3dRsFogDensity, bits_of(fog->density));
    } else {
        d.set_render_state(kD3dRsFogEnable, 0);
        s.fog_on = false;
    }
    return true;
}

void d3d_driver::set_viewport(float x0, float y0, float x1, float y1) {
    d3d_driver_state& s = *state_;
    const d3d_matrix identity = d3d_identity_matrix();
    s.device->set_transform(kD3dTsWorld, identity);
    s.device->set_transform(kD3dTsView, identity);
    const float w = static_cast<float>(s.width);
    const float h = static_cast<float>(s.height);
    s.viewport.x = static_cast<uint32_t>(std::max(0.0f, std::trunc(w * x0)));
    s.viewport.y = static_cast<uint32_t>(std::max(0.0f, std::trunc(h * y0)));
    s.viewport.width = static_cast<uint32_t>(std::max(0.0f, std::trunc(w * (x1 - x0))));
    s.viewport.height = static_cast<uint32_t>(std::max(0.0f, std::trunc(h * (y1 - y0))));
    s.device->set_viewport(s.viewport);
    // The next model-view is sent whatever it is.
    s.modelview_valid = false;
}

void d3d_driver::set_modelview(const mat4& m, bool force) {
    d3d_driver_state& s = *state_;
    if (!force && s.modelview_valid && mat4_equal(s.modelview, m)) return;
    s.modelview = m;
    s.modelview_valid = true;
    d3d_matrix view = d3d_identity_matrix();
    // An identity-flagged matrix gives the base view, as in the OpenGL driver.
    if (m.m[15] != kMat4IdentityFlag) std::memcpy(&view.m[0][0], m.m, sizeof view.m);
    s.device->set_transform(kD3dTsView, view);
}

void d3d_driver::set_tint(bool on) {
    if (on) {
        fill_rect(0.0f, 0.0f, 1000.0f, 1000.0f, 0, 75, 0, 128);
        state_->tint = true;
    } else {
        state_->tint = false;
    }
}

}  // namespace kv
