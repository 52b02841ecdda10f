// The device of the Direct3D-shaped layer on its window's GL context.

#include <SDL.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "kernel/log.h"
#include "platform/d3d_gl.h"
#include "platform/d3d_internal.h"
#include "platform/d3d_layer.h"
#include "platform/display_modes.h"
#include "platform/window.h"

namespace kv {
namespace {

GLenum gl_compare(uint32_t f) {
    return f == kD3dCmpEqual ? GL_EQUAL : f == kD3dCmpGreater ? GL_GREATER : GL_LEQUAL;
}

GLenum gl_blend(uint32_t f) {
    switch (f) {
        case kD3dBlendZero:
            return GL_ZERO;
        case kD3dBlendSrcAlpha:
            return GL_SRC_ALPHA;
        case kD3dBlendInvSrcAlpha:
            return GL_ONE_MINUS_SRC_ALPHA;
        case kD3dBlendDestColor:
            return GL_DST_COLOR;
        default:
            return GL_ONE;
    }
}

GLenum gl_block_format(d3d_format f) {
    return f == kD3dFmtDxt1   ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
           : f == kD3dFmtDxt3 ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                              : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
}

// Direct3D's pixel centres lie on whole numbers, OpenGL's on halves. Just short of a half, an edge on
// a whole number keeps Direct3D's top-left rule under OpenGL's own.
constexpr float kPixelCentre = 0.5f - 1.0f / 64.0f;

float float_of(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

bool d3d_device::s3tc() const {
    return s3tc_;
}

bool d3d_device::open(uint32_t type, uint32_t behaviour, const d3d_present_parameters& pp,
                      const d3d_caps& caps) {
    d3d_gl& gl = *gl_;
    pp_ = pp;
    caps_ = caps;
    caps_.device_type = type;
    behaviour_ = behaviour;
    // A pixel format with the depth and stencil bits that the depth format asks for.
    const int depth = !pp.enable_auto_depth_stencil                ? 0
                      : pp.auto_depth_stencil_format == kD3dFmtD16 ? 16
                                                                   : 24;
    const int stencil = pp.enable_auto_depth_stencil && pp.auto_depth_stencil_format == kD3dFmtD24S8 ? 8 : 0;
    if (gl.describe_pixel_format != nullptr && gl.set_pixel_format != nullptr) {
        const int count = gl.describe_pixel_format(pp.device_window, 1, kPixelFormatSize, nullptr);
        int best = 0, best_bits = 1 << 30;
        for (int i = 1; i <= count; ++i) {
            sys_pixel_format f;
            gl.describe_pixel_format(pp.device_window, i, kPixelFormatSize, &f);
            if ((f.flags & kPfdDoubleBuffer) == 0 || f.depth_bits < depth || f.stencil_bits < stencil ||
                f.red_bits < 5)
                continue;
            const int bits = f.depth_bits + f.stencil_bits + f.alpha_bits;
            if (bits < best_bits) best = i, best_bits = bits;
        }
        sys_pixel_format chosen;
        if (best != 0) {
            gl.describe_pixel_format(pp.device_window, best, kPixelFormatSize, &chosen);
            gl.set_pixel_format(pp.device_window, best, &chosen);
        }
    }
    context_ = gl.create_context(pp_.device_window);
    if (context_ == nullptr || !gl.make_current(pp_.device_window, context_)) {
        log_write("[D3D] cannot make the device's GL context\n");
        return false;
    }
    const GLubyte* ext = gl.glGetString(GL_EXTENSIONS);
    const GLubyte* version = gl.glGetString(GL_VERSION);
    bgra_arrays_ = d3d_has_extension(reinterpret_cast<const char*>(ext), "GL_ARB_vertex_array_bgra") ||
                   d3d_has_extension(reinterpret_cast<const char*>(ext), "GL_EXT_vertex_array_bgra") ||
                   (version != nullptr && (version[0] > '3' || (version[0] == '3' && version[2] >= '2')));
    if (gl.glProvokingVertex != nullptr) gl.glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    link_ = std::make_shared<d3d_device_link>();
    link_->device = this;
    default_states();
    return true;
}

d3d_device::~d3d_device() {
    if (link_) link_->device = nullptr;
    if (gl_ && context_ != nullptr) {
        gl_->make_current(nullptr, nullptr);
        gl_->delete_context(context_);
    }
}

void d3d_device::forget(const d3d_buffer* buffer) {
    if (stream_ == buffer) stream_ = nullptr;
    if (indices_ == buffer) indices_ = nullptr;
}

void d3d_device::forget(d3d_texture* t) {
    for (d3d_stage& s : stages_) {
        if (s.texture == t) s.texture = nullptr, stages_dirty_ = true;
    }
    if (t->gl_name != 0 && context_ != nullptr) {
        const GLuint name = t->gl_name;
        gl_->glDeleteTextures(1, &name);
        t->gl_name = 0;
    }
}

uint32_t d3d_device::back_buffer_width() const {
    return pp_.windowed || pp_.back_buffer_width == 0
               ? static_cast<uint32_t>(std::max(sys_gl_window_width(pp_.device_window), 1))
               : pp_.back_buffer_width;
}

uint32_t d3d_device::back_buffer_height() const {
    return pp_.windowed || pp_.back_buffer_height == 0
               ? static_cast<uint32_t>(std::max(sys_gl_window_height(pp_.device_window), 1))
               : pp_.back_buffer_height;
}

void d3d_device::default_states() {
    d3d_gl& gl = *gl_;
    const bool depth = pp_.enable_auto_depth_stencil;
    if (depth) {
        gl.glEnable(GL_DEPTH_TEST);
    } else {
        gl.glDisable(GL_DEPTH_TEST);
    }
    gl.glDepthMask(GL_TRUE);
    depth_write_ = true;
    gl.glDepthFunc(GL_LEQUAL);
    gl.glDisable(GL_ALPHA_TEST);
    gl.glAlphaFunc(GL_ALWAYS, 0);
    alpha_func_set_ = false;
    alpha_ref_ = 0;
    gl.glDisable(GL_BLEND);
    blend_on_ = false;
    src_blend_ = kD3dBlendOne;
    dest_blend_ = kD3dBlendZero;
    gl.glBlendFunc(GL_ONE, GL_ZERO);
    gl.glEnable(GL_CULL_FACE);
    gl.glCullFace(GL_FRONT);  // counter-clockwise on screen
    gl.glShadeModel(GL_SMOOTH);
    gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl.glDisable(GL_FOG);
    gl.glFogi(GL_FOG_MODE, GL_EXP);
    gl.glFogf(GL_FOG_DENSITY, 1.0f);
    fog_colour_ = 0;
    gl.glDisable(GL_DITHER);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (uint32_t i = 0; i < kD3dMaxStages; ++i) {
        d3d_stage s;
        s.tex_coord_index = i;
        if (i == 0) s.colour_op = kD3dTopModulate, s.alpha_op = kD3dTopSelectArg1;
        s.texture = stages_[i].texture;
        stages_[i] = s;
    }
    stages_dirty_ = true;
    world_ = view_ = projection_ = d3d_identity_matrix();
    fvf_ = 0;
    stream_ = nullptr;
    indices_ = nullptr;
    viewport_ = {0, 0, back_buffer_width(), back_buffer_height(), 0.0f, 1.0f};
    pretransformed_ = false;
    apply_matrices();
    apply_viewport();
}

void d3d_device::apply_viewport() {
    const uint32_t h = back_buffer_height();
    gl_->glViewport(static_cast<GLint>(viewport_.x),
                    static_cast<GLint>(h) - static_cast<GLint>(viewport_.y + viewport_.height),
                    static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
    gl_->glDepthRange(viewport_.min_z, viewport_.max_z);
}

void d3d_device::apply_matrices() {
    d3d_gl& gl = *gl_;
    // Direct3D's clip depth runs from 0 to w; OpenGL's from -w to w.
    d3d_matrix depth = d3d_identity_matrix();
    depth.m[2][2] = 2;
    depth.m[3][2] = -1;
    const d3d_matrix projection = d3d_matrix_multiply(projection_, depth);
    const d3d_matrix model_view = d3d_matrix_multiply(world_, view_);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadMatrixf(&projection.m[0][0]);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadMatrixf(&model_view.m[0][0]);
}

d3d_result d3d_device::caps(d3d_caps& out) const {
    out = caps_;
    return kD3dOk;
}

d3d_result d3d_device::test_cooperative_level() {
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::test_cooperative_level), forced)) return forced;
    if (pp_.windowed) return kD3dOk;
    SDL_Window* window = sys_gl_window_sdl(pp_.device_window);
    if (window != nullptr) {
        SDL_PumpEvents();
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) == 0) {
            lost_ = true;
            return kD3dErrDeviceLost;
        }
    }
    return lost_ ? kD3dErrDeviceNotReset : kD3dOk;
}

d3d_result d3d_device::reset(d3d_present_parameters& pp) {
    note("Reset");
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::reset), forced)) return forced;
    if (link_->live_default_buffers > 0) {
        log_write("[D3D] reset refused: %u default-pool buffers still exist\n", link_->live_default_buffers);
        return kD3dErrInvalidCall;
    }
    if (pp.device_window == nullptr) pp.device_window = pp_.device_window;
    if (pp.device_window != pp_.device_window ||
        (!pp.windowed && (pp.back_buffer_width == 0 || pp.back_buffer_height == 0))) {
        log_write("[D3D] reset refused: another window or no full-screen size\n");
        return kD3dErrInvalidCall;
    }
    if (!pp_.windowed && sys_gl_window_sdl(pp_.device_window) != nullptr &&
        (SDL_GetWindowFlags(sys_gl_window_sdl(pp_.device_window)) & SDL_WINDOW_INPUT_FOCUS) == 0) {
        return kD3dErrDeviceLost;
    }
    pp_ = pp;
    lost_ = false;
    in_scene_ = false;
    gl_->make_current(pp_.device_window, context_);
    default_states();
    return kD3dOk;
}

d3d_result d3d_device::clear(uint32_t rect_count, const d3d_rect*, uint32_t flags, uint32_t colour, float z,
                             uint32_t) {
    note("Clear 0x%x", flags);
    if (rect_count != 0 || (flags & ~(kD3dClearTarget | kD3dClearZBuffer | kD3dClearStencil)) != 0) {
        log_write("[D3D] clear with rectangles or unknown flags refused\n");
        return kD3dErrInvalidCall;
    }
    d3d_gl& gl = *gl_;
    GLbitfield mask = 0;
    if (flags & kD3dClearTarget) {
        mask |= GL_COLOR_BUFFER_BIT;
        gl.glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                        (colour & 0xFF) / 255.0f, (colour >> 24) / 255.0f);
    }
    if ((flags & kD3dClearZBuffer) && pp_.enable_auto_depth_stencil) {
        mask |= GL_DEPTH_BUFFER_BIT;
        gl.glClearDepth(std::clamp(z, 0.0f, 1.0f));
    }
    if (flags & kD3dClearStencil) mask |= GL_STENCIL_BUFFER_BIT;
    const uint32_t h = back_buffer_height();
    gl.glEnable(GL_SCISSOR_TEST);
    gl.glScissor(static_cast<GLint>(viewport_.x),
                 static_cast<GLint>(h) - static_cast<GLint>(viewport_.y + viewport_.height),
                 static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
    gl.glDepthMask(GL_TRUE);
    gl.glClear(mask);
    gl.glDepthMask(depth_write_ ? GL_TRUE : GL_FALSE);
    // Pre-transformed drawing keeps the viewport's scissor.
    if (!pretransformed_) gl.glDisable(GL_SCISSOR_TEST);
    return kD3dOk;
}

d3d_result d3d_device::begin_scene() {
    note("BeginScene");
    if (in_scene_) return kD3dErrInvalidCall;
    in_scene_ = true;
    return kD3dOk;
}

d3d_result d3d_device::end_scene() {
    note("EndScene");
    if (!in_scene_) return kD3dErrInvalidCall;
    in_scene_ = false;
    return kD3dOk;
}

d3d_result d3d_device::present() {
    note("Present");
    if (in_scene_) return kD3dErrInvalidCall;
    if (lost_) return kD3dErrDeviceLost;
    gl_->swap_buffers(pp_.device_window);
    return kD3dOk;
}

d3d_result d3d_device::set_render_state(uint32_t state, uint32_t value) {
    note("SetRenderState %u %u", state, value);
    d3d_gl& gl = *gl_;
    auto toggle = [&](GLenum cap) {
        if (value > 1) return false;
        if (value) {
            gl.glEnable(cap);
        } else {
            gl.glDisable(cap);
        }
        return true;
    };
    bool taken = false;
    switch (state) {
        case kD3dRsZEnable:
            taken = toggle(GL_DEPTH_TEST);
            break;
        case kD3dRsZWriteEnable:
            taken = value <= 1;
            if (taken) depth_write_ = value != 0, gl.glDepthMask(value ? GL_TRUE : GL_FALSE);
            break;
        case kD3dRsAlphaTestEnable:
            taken = toggle(GL_ALPHA_TEST);
            break;
        case kD3dRsAlphaBlendEnable:
            taken = toggle(GL_BLEND);
            break;
        case kD3dRsSrcBlend:
            taken = value == kD3dBlendOne || value == kD3dBlendSrcAlpha || value == kD3dBlendDestColor ||
                    value == kD3dBlendZero;
            if (taken) src_blend_ = value, gl.glBlendFunc(gl_blend(src_blend_), gl_blend(dest_blend_));
            break;
        case kD3dRsDestBlend:
            taken = value == kD3dBlendZero || value == kD3dBlendOne || value == kD3dBlendInvSrcAlpha;
            if (taken) dest_blend_ = value, gl.glBlendFunc(gl_blend(src_blend_), gl_blend(dest_blend_));
            break;
        case kD3dRsCullMode:
            taken = value == kD3dCullNone || value == kD3dCullCw || value == kD3dCullCcw;
            if (!taken) break;
            if (value == kD3dCullNone) {
                gl.glDisable(GL_CULL_FACE);
            } else {
                gl.glEnable(GL_CULL_FACE);
                // Windings as the viewer sees them: OpenGL's front faces are counter-clockwise.
                gl.glCullFace(value == kD3dCullCcw ? GL_FRONT : GL_BACK);
            }
            break;
        case kD3dRsZFunc:
            taken = value == kD3dCmpLessEqual || value == kD3dCmpEqual;
            if (taken) gl.glDepthFunc(gl_compare(value));
            break;
        case kD3dRsAlphaFunc:
            taken = value == kD3dCmpGreater;
            if (taken) alpha_func_set_ = true, gl.glAlphaFunc(GL_GREATER, alpha_ref_ / 255.0f);
            break;
        case kD3dRsAlphaRef:
            taken = value <= 255;
            if (taken) {
                alpha_ref_ = value;
                if (alpha_func_set_) gl.glAlphaFunc(GL_GREATER, alpha_ref_ / 255.0f);
            }
            break;
        case kD3dRsDitherEnable:
            taken = toggle(GL_DITHER);
            break;
        case kD3dRsFogEnable:
            taken = toggle(GL_FOG);
            break;
        case kD3dRsFogColor: {
            taken = true;
            fog_colour_ = value;
            const GLfloat c[4] = {((value >> 16) & 0xFF) / 255.0f, ((value >> 8) & 0xFF) / 255.0f,
                                  (value & 0xFF) / 255.0f, (value >> 24) / 255.0f};
            gl.glFogfv(GL_FOG_COLOR, c);
            break;
        }
        case kD3dRsFogTableMode:
            taken = value == kD3dFogExp || value == kD3dFogNone;
            if (taken && value == kD3dFogExp) gl.glFogi(GL_FOG_MODE, GL_EXP);
            break;
        case kD3dRsFogDensity:
            taken = float_of(value) >= 0.0f;
            if (taken) gl.glFogf(GL_FOG_DENSITY, float_of(value));
            break;
        case kD3dRsFillMode:
            taken = value == kD3dFillSolid || value == kD3dFillWireframe;
            if (taken) gl.glPolygonMode(GL_FRONT_AND_BACK, value == kD3dFillSolid ? GL_FILL : GL_LINE);
            break;
        case kD3dRsShadeMode:
            taken = value == kD3dShadeFlat || value == kD3dShadeGouraud;
            if (taken) gl.glShadeModel(value == kD3dShadeFlat ? GL_FLAT : GL_SMOOTH);
            break;
        case kD3dRsLighting:
        case kD3dRsPointScaleEnable:
            taken = value == 0;
            break;
        case kD3dRsPointSize:
            taken = float_of(value) > 0.0f;
            if (taken) gl.glPointSize(float_of(value));
            break;
        default:
            break;
    }
    if (!taken) {
        log_write("[D3D] render state %u := %u is not supported\n", state, value);
        return kD3dErrInvalidCall;
    }
    return kD3dOk;
}

d3d_result d3d_device::set_texture_stage_state(uint32_t stage, uint32_t state, uint32_t value) {
    note("SetTextureStageState %u %u %u", stage, state, value);
    bool taken = stage < kD3dMaxStages;
    if (taken) {
        d3d_stage& s = stages_[stage];
        const bool op = value == kD3dTopDisable || value == kD3dTopSelectArg1 || value == kD3dTopSelectArg2 ||
                        value == kD3dTopModulate;
        const bool arg = value == kD3dTaTexture || value == kD3dTaDiffuse || value == kD3dTaCurrent;
        const bool address = value == kD3dTAddressWrap || value == kD3dTAddressClamp;
        const bool filter = value == kD3dTexfPoint || value == kD3dTexfLinear;
        switch (state) {
            case kD3dTssColorOp:
                taken = op && (s.colour_op = value, true);
                break;
            case kD3dTssAlphaOp:
                taken = op && (s.alpha_op = value, true);
                break;
            case kD3dTssColorArg1:
                taken = value == kD3dTaTexture && (s.colour_arg1 = value, true);
                break;
            case kD3dTssAlphaArg1:
                taken = value == kD3dTaTexture && (s.alpha_arg1 = value, true);
                break;
            case kD3dTssColorArg2:
                taken = arg && value != kD3dTaTexture && (s.colour_arg2 = value, true);
                break;
            case kD3dTssAlphaArg2:
                taken = arg && value != kD3dTaTexture && (s.alpha_arg2 = value, true);
                break;
            case kD3dTssTexCoordIndex:
                taken = value <= 1 && (s.tex_coord_index = value, true);
                break;
            case kD3dTssAddressU:
                taken = address && (s.address_u = value, true);
                break;
            case kD3dTssAddressV:
                taken = address && (s.address_v = value, true);
                break;
            case kD3dTssMagFilter:
                taken = filter && (s.mag_filter = value, true);
                break;
            case kD3dTssMinFilter:
                taken = filter && (s.min_filter = value, true);
                break;
            case kD3dTssMipFilter:
                taken = (filter || value == kD3dTexfNone) && (s.mip_filter = value, true);
                break;
            default:
                taken = false;
        }
    }
    if (!taken) {
        log_write("[D3D] texture stage %u state %u := %u is not supported\n", stage, state, value);
        return kD3dErrInvalidCall;
    }
    stages_dirty_ = true;
    return kD3dOk;
}

d3d_result d3d_device::set_transform(uint32_t which, const d3d_matrix& m) {
    if (calls != nullptr) {
        const d3d_matrix i = d3d_identity_matrix();
        note("SetTransform %u %s", which, std::memcmp(&i, &m, sizeof m) == 0 ? "identity" : "matrix");
    }
    if (which == kD3dTsWorld) {
        world_ = m;
    } else if (which == kD3dTsView) {
        view_ = m;
    } else if (which == kD3dTsProjection) {
        projection_ = m;
    } else {
        log_write("[D3D] transform %u is not supported\n", which);
        return kD3dErrInvalidCall;
    }
    if (!pretransformed_) apply_matrices();
    return kD3dOk;
}

d3d_result d3d_device::set_viewport(const d3d_viewport& v) {
    note("SetViewport %u %u %u %u %g %g", v.x, v.y, v.width, v.height, v.min_z, v.max_z);
    const uint64_t right = static_cast<uint64_t>(v.x) + v.width,
                   bottom = static_cast<uint64_t>(v.y) + v.height;
    if (v.width == 0 || v.height == 0 || right > back_buffer_width() || bottom > back_buffer_height() ||
        !(v.min_z >= 0.0f && v.min_z <= 1.0f && v.max_z >= 0.0f && v.max_z <= 1.0f)) {
        log_write("[D3D] viewport %u,%u %ux%u outside the back buffer refused\n", v.x, v.y, v.width,
                  v.height);
        return kD3dErrInvalidCall;
    }
    viewport_ = v;
    if (pretransformed_) {
        const auto h = static_cast<GLint>(back_buffer_height());
        gl_->glScissor(static_cast<GLint>(viewport_.x),
                       h - static_cast<GLint>(viewport_.y + viewport_.height),
                       static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
    } else {
        apply_viewport();
    }
    return kD3dOk;
}

d3d_result d3d_device::viewport(d3d_viewport& out) const {
    out = viewport_;
    return kD3dOk;
}

d3d_result d3d_device::set_vertex_shader(uint32_t fvf) {
    note("SetVertexShader 0x%x", fvf);
    if (fvf != kD3dFvfXyzDiffuseTex2 && fvf != kD3dFvfXyzRhwDiffuseTex1) {
        log_write("[D3D] vertex format 0x%x is not supported\n", fvf);
        return kD3dErrInvalidCall;
    }
    fvf_ = fvf;
    return kD3dOk;
}

d3d_result d3d_device::set_stream_source(uint32_t stream, d3d_vertex_buffer* buffer, uint32_t stride) {
    note("SetStreamSource %u %u", stream, stride);
    if (stream != 0 || (buffer != nullptr && (buffer->index_ || stride == 0))) return kD3dErrInvalidCall;
    stream_ = buffer;
    stride_ = stride;
    return kD3dOk;
}

d3d_result d3d_device::set_indices(d3d_index_buffer* buffer, uint32_t base_vertex) {
    note("SetIndices %u", base_vertex);
    if (buffer != nullptr && !buffer->index_) return kD3dErrInvalidCall;
    indices_ = buffer;
    base_vertex_ = base_vertex;
    return kD3dOk;
}

namespace {
uint64_t vertices_of(uint32_t kind, uint32_t primitives) {
    switch (kind) {
        case kD3dPtPointList:
            return primitives;
        case kD3dPtLineList:
            return 2ull * primitives;
        case kD3dPtLineStrip:
            return primitives + 1ull;
        case kD3dPtTriangleList:
            return 3ull * primitives;
        case kD3dPtTriangleStrip:
        case kD3dPtTriangleFan:
            return primitives + 2ull;
        default:
            return 0;
    }
}
GLenum gl_primitive(uint32_t kind) {
    switch (kind) {
        case kD3dPtPointList:
            return GL_POINTS;
        case kD3dPtLineList:
            return GL_LINES;
        case kD3dPtLineStrip:
            return GL_LINE_STRIP;
        case kD3dPtTriangleStrip:
            return GL_TRIANGLE_STRIP;
        case kD3dPtTriangleFan:
            return GL_TRIANGLE_FAN;
        default:
            return GL_TRIANGLES;
    }
}
}  // namespace

d3d_result d3d_device::draw_primitive(uint32_t kind, uint32_t start_vertex, uint32_t primitive_count) {
    note("DrawPrimitive %u %u %u", kind, start_vertex, primitive_count);
    return draw(kind, start_vertex, primitive_count, nullptr, 0);
}

d3d_result d3d_device::draw_indexed_primitive(uint32_t kind, uint32_t, uint32_t, uint32_t start_index,
                                              uint32_t primitive_count) {
    note("DrawIndexedPrimitive %u %u %u", kind, start_index, primitive_count);
    const uint64_t n = vertices_of(kind, primitive_count);
    if (indices_ == nullptr || indices_->locked_ || n == 0 ||
        (static_cast<uint64_t>(start_index) + n) * 2 > indices_->length()) {
        log_write("[D3D] indexed draw refused: no index buffer, locked, or indices past its end\n");
        return kD3dErrInvalidCall;
    }
    const auto* all = reinterpret_cast<const uint16_t*>(indices_->data());
    return draw(kind, 0, primitive_count, all + start_index, base_vertex_);
}

bool d3d_device::upload(d3d_texture& t) {
    d3d_gl& gl = *gl_;
    if (t.gl_name == 0) {
        GLuint name = 0;
        gl.glGenTextures(1, &name);
        t.gl_name = name;
        t.link = link_;
        t.uploaded_generations.clear();
    }
    gl.glBindTexture(GL_TEXTURE_2D, t.gl_name);
    const uint32_t levels = t.level_count();
    if (t.uploaded_generations.size() != levels) t.uploaded_generations.assign(levels, ~0u);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    std::vector<uint32_t> texels;
    for (uint32_t i = 0; i < levels; ++i) {
        d3d_surface& level = *t.surface_level(i);
        if (t.uploaded_generations[i] == level.generation()) continue;
        t.uploaded_generations[i] = level.generation();
        const GLsizei w = static_cast<GLsizei>(level.width()), h = static_cast<GLsizei>(level.height());
        if (d3d_format_is_block(t.format())) {
            if (!s3tc_) return false;
            if (!level.kept_texels().empty()) {
                gl.glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i),
                                static_cast<GLint>(gl_block_format(t.format())), w, h, 0, GL_BGRA,
                                GL_UNSIGNED_BYTE, level.kept_texels().data());
            } else {
                gl.glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), gl_block_format(t.format()),
                                          w, h, 0, static_cast<GLsizei>(level.bytes().size()),
                                          level.bytes().data());
            }
            continue;
        }
        level.read_argb({0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)}, texels);
        gl.glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                        texels.data());
    }
    return true;
}

d3d_result d3d_device::set_texture(uint32_t stage, d3d_texture* t) {
    note("SetTexture %u %p", stage, static_cast<void*>(t));
    if (stage >= kD3dMaxStages) return kD3dErrInvalidCall;
    if (t != nullptr && t->link && t->link != link_) {
        if (t->link->device != nullptr) {
            log_write("[D3D] a texture of another device refused\n");
            return kD3dErrInvalidCall;
        }
        // Its device and that device's GL context are gone: the texture is memory again.
        t->gl_name = 0;
        t->link.reset();
    }
    stages_[stage].texture = t;
    stages_dirty_ = true;
    if (t != nullptr && !upload(*t)) {
        log_write("[D3D] texture of format %u cannot be handed to GL\n", t->format());
        stages_[stage].texture = nullptr;
        return kD3dErrInvalidCall;
    }
    return kD3dOk;
}

void d3d_device::apply_stages() {
    d3d_gl& gl = *gl_;
    const uint32_t units = gl.glActiveTexture != nullptr ? caps_.max_simultaneous_textures : 1;
    bool off = false;
    for (uint32_t i = 0; i < units; ++i) {
        d3d_stage& s = stages_[i];
        if (gl.glActiveTexture != nullptr) gl.glActiveTexture(GL_TEXTURE0 + i);
        if (s.colour_op == kD3dTopDisable) off = true;
        const bool uses_texture = s.colour_op == kD3dTopSelectArg1 || s.colour_op == kD3dTopModulate ||
                                  s.alpha_op == kD3dTopSelectArg1 || s.alpha_op == kD3dTopModulate;
        if (off || s.texture == nullptr || !uses_texture) {
            gl.glDisable(GL_TEXTURE_2D);
            continue;
        }
        upload(*s.texture);
        gl.glEnable(GL_TEXTURE_2D);
        // The stage's address and filter modes go to the texture it draws with.
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S,
                           s.address_u == kD3dTAddressClamp ? GL_CLAMP_TO_EDGE : GL_REPEAT);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T,
                           s.address_v == kD3dTAddressClamp ? GL_CLAMP_TO_EDGE : GL_REPEAT);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER,
                           s.mag_filter == kD3dTexfLinear ? GL_LINEAR : GL_NEAREST);
        const bool linear = s.min_filter == kD3dTexfLinear;
        GLint min = linear ? GL_LINEAR : GL_NEAREST;
        if (s.mip_filter == kD3dTexfPoint)
            min = linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        if (s.mip_filter == kD3dTexfLinear) min = linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
        auto source = [](uint32_t arg) {
            return arg == kD3dTaTexture ? GL_TEXTURE : arg == kD3dTaDiffuse ? GL_PRIMARY_COLOR : GL_PREVIOUS;
        };
        auto combine = [&](GLenum mode, GLenum source0, GLenum source1, uint32_t op, uint32_t arg1,
                           uint32_t arg2) {
            const uint32_t applied = op == kD3dTopDisable ? kD3dTopSelectArg2 : op;
            gl.glTexEnvi(GL_TEXTURE_ENV, mode, applied == kD3dTopModulate ? GL_MODULATE : GL_REPLACE);
            gl.glTexEnvi(GL_TEXTURE_ENV, source0,
                         static_cast<GLint>(source(applied == kD3dTopSelectArg2 ? arg2 : arg1)));
            gl.glTexEnvi(GL_TEXTURE_ENV, source1, static_cast<GLint>(source(arg2)));
        };
        gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        combine(GL_COMBINE_RGB, GL_SOURCE0_RGB, GL_SOURCE1_RGB, s.colour_op, s.colour_arg1, s.colour_arg2);
        combine(GL_COMBINE_ALPHA, GL_SOURCE0_ALPHA, GL_SOURCE1_ALPHA, s.alpha_op, s.alpha_arg1, s.alpha_arg2);
    }
    if (gl.glActiveTexture != nullptr) gl.glActiveTexture(GL_TEXTURE0);
    stages_dirty_ = false;
}

d3d_result d3d_device::draw(uint32_t kind, uint32_t first, uint32_t primitive_count, const uint16_t* indices,
                            uint32_t base_vertex) {
    d3d_gl& gl = *gl_;
    const uint64_t count = vertices_of(kind, primitive_count);
    const uint32_t need = fvf_ == kD3dFvfXyzDiffuseTex2 ? 32 : 28;
    const char* why = nullptr;
    if (count == 0) {
        why = "no primitives or an unknown kind";
    } else if (stream_ == nullptr || fvf_ == 0 || stride_ < need) {
        why = "no stream, no vertex format or a stride shorter than the format";
    } else if (stream_->locked_) {
        why = "the vertex buffer is locked";
    }
    const uint64_t vertices = stream_ != nullptr && stride_ != 0 ? stream_->length() / stride_ : 0;
    if (why == nullptr) {
        if (indices == nullptr) {
            if (static_cast<uint64_t>(first) + count > vertices) why = "vertices past the buffer's end";
        } else {
            for (uint64_t i = 0; i < count && why == nullptr; ++i) {
                if (static_cast<uint64_t>(indices[i]) + base_vertex >= vertices)
                    why = "an index past the buffer's end";
            }
        }
    }
    if (why != nullptr) {
        log_write("[D3D] draw refused: %s\n", why);
        return kD3dErrInvalidCall;
    }
    if (stages_dirty_) {
        apply_stages();
    } else {
        for (const d3d_stage& s : stages_) {
            if (s.texture == nullptr) continue;
            for (uint32_t i = 0; i < s.texture->level_count(); ++i) {
                if (i >= s.texture->uploaded_generations.size() ||
                    s.texture->uploaded_generations[i] != s.texture->surface_level(i)->generation()) {
                    apply_stages();
                    break;
                }
            }
        }
    }
    const uint8_t* base =
        stream_->data() + static_cast<std::size_t>(indices != nullptr ? base_vertex : 0) * stride_;
    const uint64_t used = indices != nullptr ? vertices - base_vertex : static_cast<uint64_t>(first) + count;
    const bool rhw = fvf_ == kD3dFvfXyzRhwDiffuseTex1;
    gl.glEnableClientState(GL_VERTEX_ARRAY);
    gl.glEnableClientState(GL_COLOR_ARRAY);
    if (rhw) {
        // Window pixels, y down, centres on whole numbers; depth straight from z; perspective from rhw.
        scratch_positions_.resize(static_cast<std::size_t>(used) * 4);
        for (uint64_t i = indices != nullptr ? 0 : first; i < used; ++i) {
            float v[4];
            std::memcpy(v, base + i * stride_, sizeof v);
            const float w = v[3] != 0.0f ? 1.0f / v[3] : 1.0f;
            float* out = &scratch_positions_[i * 4];
            out[0] = (v[0] + kPixelCentre) * w, out[1] = (v[1] + kPixelCentre) * w, out[2] = v[2] * w,
            out[3] = w;
        }
        if (!pretransformed_) {
            pretransformed_ = true;
            const float bw = static_cast<float>(back_buffer_width()),
                        bh = static_cast<float>(back_buffer_height());
            d3d_matrix ortho = d3d_identity_matrix();
            ortho.m[0][0] = 2.0f / bw;
            ortho.m[1][1] = -2.0f / bh;
            ortho.m[2][2] = 2.0f;
            ortho.m[3][0] = -1.0f;
            ortho.m[3][1] = 1.0f;
            ortho.m[3][2] = -1.0f;
            gl.glMatrixMode(GL_PROJECTION);
            gl.glLoadMatrixf(&ortho.m[0][0]);
            gl.glMatrixMode(GL_MODELVIEW);
            gl.glLoadIdentity();
            gl.glViewport(0, 0, static_cast<GLsizei>(bw), static_cast<GLsizei>(bh));
            gl.glDepthRange(0.0, 1.0);
            gl.glEnable(GL_SCISSOR_TEST);
            gl.glScissor(static_cast<GLint>(viewport_.x),
                         static_cast<GLint>(bh) - static_cast<GLint>(viewport_.y + viewport_.height),
                         static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
        }
        gl.glVertexPointer(4, GL_FLOAT, 0, scratch_positions_.data());
    } else {
        if (pretransformed_) {
            pretransformed_ = false;
            gl.glDisable(GL_SCISSOR_TEST);
            apply_matrices();
            apply_viewport();
        }
        gl.glVertexPointer(3, GL_FLOAT, static_cast<GLsizei>(stride_), base);
    }
    const std::size_t colour_at = rhw ? 16 : 12;
    if (bgra_arrays_) {
        gl.glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(stride_), base + colour_at);
    } else {
        scratch_colours_.resize(static_cast<std::size_t>(used));
        for (uint64_t i = 0; i < used; ++i) {
            uint32_t c;
            std::memcpy(&c, base + i * stride_ + colour_at, 4);
            scratch_colours_[i] = (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
        }
        gl.glColorPointer(4, GL_UNSIGNED_BYTE, 0, scratch_colours_.data());
    }
    const uint32_t units = gl.glClientActiveTexture != nullptr ? caps_.max_simultaneous_textures : 1;
    for (uint32_t i = 0; i < units; ++i) {
        if (gl.glClientActiveTexture != nullptr) gl.glClientActiveTexture(GL_TEXTURE0 + i);
        const uint32_t pair = rhw ? 0 : std::min(stages_[i].tex_coord_index, 1u);
        gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.glTexCoordPointer(2, GL_FLOAT, static_cast<GLsizei>(stride_), base + (rhw ? 20 : 16 + 8 * pair));
    }
    if (gl.glClientActiveTexture != nullptr) gl.glClientActiveTexture(GL_TEXTURE0);
    if (indices != nullptr) {
        gl.glDrawElements(gl_primitive(kind), static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, indices);
    } else {
        gl.glDrawArrays(gl_primitive(kind), static_cast<GLint>(first), static_cast<GLsizei>(count));
    }
    return kD3dOk;
}

d3d_result d3d_device::create_vertex_buffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                            std::unique_ptr<d3d_vertex_buffer>& out) {
    note("CreateVertexBuffer %u 0x%x 0x%x %u", length, usage, fvf, pool);
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::create_vertex_buffer), forced)) return forced;
    if (length == 0 || length > (64u << 20) || pool > kD3dPoolSystemMem) return kD3dErrInvalidCall;
    std::unique_ptr<d3d_buffer> b(new d3d_buffer);
    b->bytes_.assign(length, 0);
    b->usage_ = usage;
    b->fvf_ = fvf;
    b->pool_ = pool;
    b->link_ = link_;
    if (pool == kD3dPoolDefault) ++link_->live_default_buffers;
    out = std::move(b);
    return kD3dOk;
}

d3d_result d3d_device::create_index_buffer(uint32_t length, uint32_t usage, d3d_format format, uint32_t pool,
                                           std::unique_ptr<d3d_index_buffer>& out) {
    note("CreateIndexBuffer %u 0x%x %u %u", length, usage, format, pool);
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::create_index_buffer), forced)) return forced;
    if (length < 2 || length > (64u << 20) || format != kD3dFmtIndex16 || pool > kD3dPoolSystemMem)
        return kD3dErrInvalidCall;
    std::unique_ptr<d3d_buffer> b(new d3d_buffer);
    b->bytes_.assign(length, 0);
    b->usage_ = usage;
    b->pool_ = pool;
    b->index_ = true;
    b->link_ = link_;
    if (pool == kD3dPoolDefault) ++link_->live_default_buffers;
    out = std::move(b);
    return kD3dOk;
}

d3d_result d3d_device::create_image_surface(uint32_t width, uint32_t height, d3d_format format,
                                            std::unique_ptr<d3d_surface>& out) {
    note("CreateImageSurface %u %u %u", width, height, format);
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::create_image_surface), forced)) return forced;
    const bool known = d3d_format_is_block(format) || d3d_format_texel_bytes(format) != 0;
    if (width == 0 || height == 0 || width > 8192 || height > 8192 || !known) {
        log_write("[D3D] image surface %ux%u of format %u refused\n", width, height, format);
        return kD3dErrInvalidCall;
    }
    out = std::make_unique<d3d_surface>(width, height, format);
    return kD3dOk;
}

d3d_result d3d_device::create_texture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                      d3d_format format, uint32_t pool, std::unique_ptr<d3d_texture>& out) {
    return d3dx_create_texture(this, width, height, levels == 0 ? kD3dxDefault : levels, usage, format, pool,
                               out);
}

void d3d_device::note(const char* format, ...) const {
    if (calls == nullptr) return;
    char line[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    calls->emplace_back(line);
}

d3d_result d3d_device::display_mode(d3d_display_mode& out) const {
    sys_display_mode m;
    if (!sys_current_display_mode(m)) return kD3dErrInvalidCall;
    const sys_display_mode full = sys_full_screen_mode();
    if (!pp_.windowed && full.width > 0) m.width = full.width, m.height = full.height;
    out = {static_cast<uint32_t>(m.width), static_cast<uint32_t>(m.height),
           static_cast<uint32_t>(std::max(m.refresh_rate, 0)), d3d_format_of_bits(m.bits_per_pixel)};
    return kD3dOk;
}

d3d_result d3d_device::front_buffer(d3d_surface& destination) {
    d3d_display_mode mode;
    display_mode(mode);
    if (destination.format() != kD3dFmtA8R8G8B8 || destination.width() != mode.width ||
        destination.height() != mode.height || destination.locked()) {
        log_write("[D3D] front buffer read refused: the surface must be A8R8G8B8 of the display's size\n");
        return kD3dErrInvalidCall;
    }
    d3d_gl& gl = *gl_;
    const uint32_t w = back_buffer_width(), h = back_buffer_height();
    std::vector<uint32_t> frame(static_cast<std::size_t>(w) * h);
    // The back buffer holds the presented frame too (the swap copies it), and reads back under every
    // window system, where the front buffer of a double-buffered window may not.
    gl.glFinish();
    gl.glReadBuffer(GL_BACK);
    gl.glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_BYTE,
                    frame.data());
    int x0 = 0, y0 = 0;
    if (SDL_Window* window = sys_gl_window_sdl(pp_.device_window)) SDL_GetWindowPosition(window, &x0, &y0);
    std::vector<uint32_t> image(static_cast<std::size_t>(mode.width) * mode.height, 0xFF000000u);
    for (uint32_t y = 0; y < h; ++y) {
        const int64_t dy = y0 + static_cast<int64_t>(y);
        if (dy < 0 || dy >= mode.height) continue;
        for (uint32_t x = 0; x < w; ++x) {
            const int64_t dx = x0 + static_cast<int64_t>(x);
            if (dx < 0 || dx >= mode.width) continue;
            // OpenGL's rows run bottom-up.
            image[static_cast<std::size_t>(dy) * mode.width + static_cast<std::size_t>(dx)] =
                frame[static_cast<std::size_t>(h - 1 - y) * w + x] | 0xFF000000u;
        }
    }
    destination.write_argb({0, 0, static_cast<int32_t>(mode.width), static_cast<int32_t>(mode.height)},
                           image);
    return kD3dOk;
}

}  // namespace kv
