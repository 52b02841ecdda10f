// The Direct3D driver's textures (uploads through staging surfaces and D3DX, DDS files, binding),
// its 2D overlay and the screen read-back.

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "data/file_stream.h"
#include "game/server.h"
#include "gfx/drivers/d3d_driver.h"
#include "gfx/drivers/d3dx_dds.h"
#include "gfx/drivers/screen_region.h"
#include "gfx/drivers/text_layout.h"
#include "gfx/screen_image.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "kernel/timer.h"
#include "platform/window.h"

namespace kv {
namespace {

// Times each upload for the "TL" statistic; made on the first use.
timer& upload_timer() {
    static timer t;
    return t;
}

const char* dds_suffix(const texture& t) {
    if (t.kind == kTextureRgb) return ".ddn";
    if (t.kind == kTextureRgba) return t.two_level_alpha ? ".dds" : ".dda";
    return nullptr;
}

bool is_font(const texture& t) {
    return t.name.find("font") != std::string::npos;
}

// A colour channel times 255, truncated and kept within 0..255.
uint32_t byte_of(float c) {
    const float v = c * 255.0f;
    if (!(v > 0.0f)) return 0;
    return v >= 255.0f ? 255u : static_cast<uint32_t>(v);
}

uint32_t colour_of(const gfx_colour& c) {
    return d3d_argb(255, byte_of(c.red), byte_of(c.green), byte_of(c.blue));
}

uint32_t bits_of(float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// The staging format of an image kind and the bytes a texel of the record takes; 0 bytes: the kind
// makes no texture.
struct staging_kind {
    d3d_format staging = kD3dFmtUnknown;
    d3d_format format = kD3dFmtUnknown;
    uint32_t bytes = 0;
};

staging_kind staging_of(const texture& t) {
    switch (t.kind) {
        case kTextureRgb:
            return {kD3dFmtR8G8B8, kD3dFmtR8G8B8, 3};
        case kTextureGrey:
            if (t.bytes_per_texel == 2) return {kD3dFmtA1R5G5B5, kD3dFmtA1R5G5B5, 2};
            if (t.bytes_per_texel == 4) return {kD3dFmtA8R8G8B8, kD3dFmtA8R8G8B8, 4};
            // Grey with an alpha equal to its grey, as the OpenGL driver's intensity texture.
            return {kD3dFmtA8R8G8B8, kD3dFmtA8R8G8B8, 1};
        case kTextureRgba:
            return {kD3dFmtA8R8G8B8, kD3dFmtA8R8G8B8, 4};
        case kTextureLightMap:
            return {kD3dFmtL8, kD3dFmtR8G8B8, 1};
        default:
            return {};
    }
}

}  // namespace

d3d_texture* d3d_driver::texture_of(const texture& t) const {
    if (t.handle == kNoTextureHandle) return nullptr;
    const auto it = textures_.find(t.handle);
    return it != textures_.end() ? it->second.get() : nullptr;
}

void d3d_driver::blend_by_kind(const texture& t) {
    switch (t.kind) {
        case kTextureGrey:
        case kTextureRgba:
        case kTextureAlpha:
        case kTextureLuminanceAlpha:
            d3d_set_blend(t.two_level_alpha ? kD3dBlendAlphaTest : kD3dBlendAlpha);
            break;
        default:
            d3d_set_blend(kD3dBlendOpaque);
            break;
    }
}

bool d3d_driver::use_texture(texture& t, int32_t unit) {
    d3d_driver_state& s = *state_;
    if (unit < 0 || unit >= kD3dStages) return false;
    d3d_device& d = *s.device;
    d3d_texture* have = texture_of(t);
    if (have != nullptr && have == s.bound[unit]) {
        // A fill switched blending off since: a picture drawn after it keeps its transparency.
        if (s.blend_lost) blend_by_kind(t);
        return true;
    }
    timer_restart(upload_timer());
    const auto unbind = [&] {
        d.set_texture(static_cast<uint32_t>(unit), nullptr);
        s.bound[unit] = nullptr;
    };
    if (have == nullptr) {
        if (t.dds_failed) {
            unbind();
            return true;
        }
        const bool from_dds = t.dds_state == kDdsFound;
        const bool done = from_dds ? upload_dds(t, have) : upload(t, have);
        if (!done) {
            t.dds_failed = 1;
            unbind();
            return !from_dds;
        }
        if (have == nullptr) {
            // The kind makes no texture.
            unbind();
            return true;
        }
        if (!from_dds && s.mip_maps && t.kind != kTextureLightMap) {
            d.set_texture_stage_state(static_cast<uint32_t>(unit), kD3dTssMipFilter,
                                      !is_font(t) && s.trilinear ? kD3dTexfLinear : kD3dTexfPoint);
        }
        if (t.memory_size == 0) {
            d3d_surface_desc desc;
            have->level_desc(0, desc);
            t.width = static_cast<uint16_t>(desc.width);
            t.height = static_cast<uint16_t>(desc.height);
            t.mip_levels = static_cast<uint8_t>(have->level_count());
            for (uint32_t level = 0; level < have->level_count(); ++level) {
                have->level_desc(level, desc);
                t.memory_size += desc.size;
            }
        }
        t.uploaded = 1;
    }
    d3d_set_address(unit, t.kind == kTextureLightMap || t.kind == kTextureLuminanceAlpha ? kD3dAddressClampKind
                                                                                          : kD3dAddressWrapKind);
    d.set_texture(static_cast<uint32_t>(unit), have);
    s.bound[unit] = have;
    s.requested_combine = kD3dCombineTexture;
    blend_by_kind(t);
    texture_upload_ms += static_cast<uint32_t>(timer_elapsed_ms(upload_timer()));
    return true;
}

bool d3d_driver::upload_dds(texture& t, d3d_texture*& out) {
    const char* suffix = dds_suffix(t);
    std::unique_ptr<d3d_texture> made;
    bool ok = false;
    if (suffix != nullptr) {
        server& srv = server_get();
        std::unique_ptr<file_stream> file = server_open_file(srv, server_dds_path(srv, t.name, suffix), false);
        if (file) {
            const int64_t size = file_stream_size(*file);
            if (size > 0) {
                std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
                std::size_t got = 0;
                file_stream_read(*file, bytes.data(), bytes.size(), &got);
                ok = d3dx_create_texture_from_dds(state_->device.get(), bytes.data(), got, made) >= 0;
            }
        }
    }
    if (!ok) {
        log_write("[D3D] Failed to load dds texture - %s\n", log_printable(t.name).c_str());
        return false;
    }
    t.memory_size = 0;
    out = made.get();
    textures_[reinterpret_cast<uintptr_t>(out)] = std::move(made);
    t.handle = reinterpret_cast<uintptr_t>(out);
    return true;
}

bool d3d_driver::upload(texture& t, d3d_texture*& out) {
    d3d_driver_state& s = *state_;
    d3d_device& d = *s.device;
    out = nullptr;
    const staging_kind k = staging_of(t);
    if (k.bytes == 0) return true;  // kinds 2, 5, 7 and unknown ones make no texture
    const uint8_t* pixels = !t.pixels.empty() ? t.pixels.data() : nullptr;
    std::size_t have = t.pixels.size();
    if (pixels == nullptr && t.kind == kTextureLightMap && t.texels != nullptr) {
        pixels = t.texels;  // a light-map page: the store's square
        have = static_cast<std::size_t>(t.width) * t.height;
    }
    const std::size_t need = static_cast<std::size_t>(t.width) * t.height * k.bytes;
    const int32_t largest = max_texture_size();
    if (pixels == nullptr || t.width == 0 || t.height == 0 || have < need || t.width > largest ||
        t.height > largest) {
        log_write("[D3D] Cannot upload texture - %s (%ux%u, kind %u, %zu bytes)\n", log_printable(t.name).c_str(),
                  static_cast<unsigned>(t.width), static_cast<unsigned>(t.height), static_cast<unsigned>(t.kind),
                  have);
        return false;
    }
    std::unique_ptr<d3d_surface> staging;
    if (d.create_image_surface(t.width, t.height, k.staging, staging) < 0) return true;
    d3d_locked_rect locked;
    if (staging->lock_rect(locked, nullptr, 0) < 0) return true;
    // Row by row with the surface's pitch.
    for (uint32_t y = 0; y < t.height; ++y) {
        const uint8_t* from = pixels + static_cast<std::size_t>(y) * t.width * k.bytes;
        uint8_t* to = locked.bits + static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.pitch);
        for (uint32_t x = 0; x < t.width; ++x) {
            const uint8_t* p = from + static_cast<std::size_t>(x) * k.bytes;
            switch (k.staging) {
                case kD3dFmtR8G8B8:
                    to[3 * x] = p[2], to[3 * x + 1] = p[1], to[3 * x + 2] = p[0];
                    break;
                case kD3dFmtA8R8G8B8:
                    if (k.bytes == 1) {
                        std::memset(to + 4 * x, p[0], 4);
                    } else {
                        to[4 * x] = p[2], to[4 * x + 1] = p[1], to[4 * x + 2] = p[0], to[4 * x + 3] = p[3];
                    }
                    break;
                case kD3dFmtA1R5G5B5:
                    to[2 * x] = p[0], to[2 * x + 1] = p[1];
                    break;
                default:  // L8
                    to[x] = p[0];
                    break;
            }
        }
    }
    staging->unlock_rect();
    const bool one_level = !s.mip_maps || is_font(t) || t.kind == kTextureLightMap;
    std::unique_ptr<d3d_texture> made;
    if (d3dx_create_texture(&d, t.width, t.height, one_level ? 1 : kD3dxDefault, 0, k.format, kD3dPoolManaged,
                            made) < 0)
        return true;
    d3dx_load_surface_from_surface(*made->surface_level(0), nullptr, *staging, nullptr, kD3dxDefault);
    staging.reset();
    if (s.compressed && t.kind != kTextureLightMap) {
        const d3d_format f = made->format();
        const d3d_format block =
            f == kD3dFmtA8R8G8B8 || f == kD3dFmtA1R5G5B5 || f == kD3dFmtA4R4G4B4 ? kD3dFmtDxt3 : kD3dFmtDxt1;
        std::unique_ptr<d3d_texture> packed;
        if (d3dx_create_texture(&d, t.width, t.height, made->level_count(), 0, block, kD3dPoolManaged, packed) >=
            0) {
            d3dx_load_surface_from_surface(*packed->surface_level(0), nullptr, *made->surface_level(0), nullptr,
                                           kD3dxDefault);
            made = std::move(packed);
        }
    }
    if (s.mip_maps && !is_font(t) && t.kind != kTextureLightMap) d3dx_filter_texture(*made, kD3dxDefault, kD3dxDefault);
    t.memory_size = 0;
    out = made.get();
    textures_[reinterpret_cast<uintptr_t>(out)] = std::move(made);
    t.handle = reinterpret_cast<uintptr_t>(out);
    return true;
}

void d3d_driver::delete_texture(texture& t) {
    if (state_) {
        d3d_texture* have = texture_of(t);
        for (int32_t i = 0; i < kD3dStages; ++i) {
            if (have != nullptr && state_->bound[i] == have) {
                if (state_->device) state_->device->set_texture(static_cast<uint32_t>(i), nullptr);
                state_->bound[i] = nullptr;
            }
        }
    }
    textures_.erase(t.handle);
    t.handle = kNoTextureHandle;
    t.uploaded = 0;
}

void d3d_driver::bind_texture_clamped(texture& t) {
    d3d_driver_state& s = *state_;
    d3d_texture* have = texture_of(t);
    s.device->set_texture(0, have);
    // The stage now holds this texture and its clamp: the next texture made current binds again and
    // takes its own address kind.
    s.bound[0] = have;
    d3d_set_address(0, kD3dAddressClampKind);
}

int32_t d3d_driver::max_texture_size() {
    if (!state_) return 0;
    return static_cast<int32_t>(std::min(state_->max_width, state_->max_height));
}

// ---- 2D ---------------------------------------------------------------------------------------------
void d3d_driver::begin_2d() {
    state_->device->set_render_state(kD3dRsFogEnable, 0);
    d3d_set_cull(kD3dCullOff);
    d3d_set_depth_test(0);
}

void d3d_driver::end_2d() {
    if (state_->fog_on) {
        const gfx_fog fog = state_->fog;
        set_fog(&fog);
    }
}

void d3d_driver::screen_quad(const gfx_rect& rect, const gfx_uv_rect& uv, uint32_t colour) {
    d3d_driver_state& s = *state_;
    auto* out = reinterpret_cast<d3d_screen_vertex*>(append(s.screen, 4));
    if (out == nullptr) return;
    const float sx = static_cast<float>(width_) / 1000.0f;
    const float sy = static_cast<float>(height_) / 1000.0f;
    const float left = rect.x * sx, top = rect.y * sy;
    const float right = (rect.x + rect.width) * sx, bottom = (rect.y + rect.height) * sy;
    out[0] = {left, top, 0.9f, 1.0f, colour, uv.left, uv.top};
    out[1] = {right, top, 0.9f, 1.0f, colour, uv.right, uv.top};
    out[2] = {right, bottom, 0.9f, 1.0f, colour, uv.right, uv.bottom};
    out[3] = {left, bottom, 0.9f, 1.0f, colour, uv.left, uv.bottom};
    unlock(s.screen);
    s.device->set_vertex_shader(kD3dFvfXyzRhwDiffuseTex1);
    s.device->set_stream_source(0, s.screen.buffer.get(), kD3dScreenVertexBytes);
    s.device->draw_primitive(kD3dPtTriangleFan, s.screen.start, 2);
}

void d3d_driver::draw_quad_uv_tinted(texture*, const gfx_colour& colour, const gfx_rect& rect,
                                     const gfx_uv_rect& uv) {
    begin_2d();
    d3d_set_combine(kD3dCombineModulate);
    screen_quad(rect, uv, colour_of(colour));
    end_2d();
    // As in the OpenGL driver, white is the current colour after a tinted quad.
    state_->colour = 0xFFFFFFFFu;
}

void d3d_driver::draw_quad_uv(texture*, const gfx_rect& rect, const gfx_uv_rect& uv) {
    begin_2d();
    d3d_set_combine(kD3dCombineTexture);
    screen_quad(rect, uv, state_->colour);
    end_2d();
}

void d3d_driver::draw_quad(texture* t, const gfx_rect& rect) {
    draw_quad_uv(t, rect, gfx_uv_rect{0.0f, 0.0f, 1.0f, 1.0f});
}

void d3d_driver::draw_quad_uv_tinted_at(texture* t, const gfx_colour& colour, float x, float y, float width,
                                        float height, const float (&uv0)[2], const float (&uv1)[2]) {
    draw_quad_uv_tinted(t, colour, gfx_rect{x, y, width, height}, gfx_uv_rect{uv0[0], uv0[1], uv1[0], uv1[1]});
}

void d3d_driver::draw_quad_uv_at(texture* t, float x, float y, float width, float height, const float (&uv0)[2],
                                 const float (&uv1)[2]) {
    draw_quad_uv(t, gfx_rect{x, y, width, height}, gfx_uv_rect{uv0[0], uv0[1], uv1[0], uv1[1]});
}

void d3d_driver::draw_quad_at(texture* t, float x, float y, float width, float height) {
    draw_quad(t, gfx_rect{x, y, width, height});
}

void d3d_driver::fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green, uint8_t blue,
                           uint8_t alpha) {
    d3d_set_blend(state_->tint ? kD3dBlendAdd : kD3dBlendAlpha);
    begin_2d();
    d3d_set_combine(kD3dCombineOff);
    screen_quad(gfx_rect{x, y, width, height}, gfx_uv_rect{}, d3d_argb(alpha, red, green, blue));
    d3d_set_blend(kD3dBlendOff);
    state_->blend_lost = true;
    end_2d();
}

void d3d_driver::draw_text(texture*, const gfx_colour& colour, int32_t x, int32_t y, int32_t cell_width,
                           int32_t cell_height, const std::string& text, bool second_half, const int8_t* widths) {
    d3d_driver_state& s = *state_;
    begin_2d();
    d3d_set_combine(kD3dCombineModulate);
    const uint32_t c = colour_of(colour);
    const std::vector<text_glyph> glyphs = gfx_text_layout(x, y, cell_width, cell_height, text, second_half, widths);
    const float sx = static_cast<float>(width_) / 1000.0f;
    const float sy = static_cast<float>(height_) / 1000.0f;
    // A string longer than the screen-space buffer is drawn in pieces.
    constexpr std::size_t kPiece = kD3dScreenVertices / 6;
    for (std::size_t first = 0; first < glyphs.size(); first += kPiece) {
        const std::size_t n = std::min(kPiece, glyphs.size() - first);
        auto* out = reinterpret_cast<d3d_screen_vertex*>(append(s.screen, static_cast<uint32_t>(6 * n)));
        if (out == nullptr) break;
        for (std::size_t i = 0; i < n; ++i) {
            const text_glyph& g = glyphs[first + i];
            const float l = g.rect.x * sx, t = g.rect.y * sy;
            const float r = (g.rect.x + g.rect.width) * sx, b = (g.rect.y + g.rect.height) * sy;
            const d3d_screen_vertex lt{l, t, 0.9f, 1.0f, c, g.uv.left, g.uv.top};
            const d3d_screen_vertex rt{r, t, 0.9f, 1.0f, c, g.uv.right, g.uv.top};
            const d3d_screen_vertex rb{r, b, 0.9f, 1.0f, c, g.uv.right, g.uv.bottom};
            const d3d_screen_vertex lb{l, b, 0.9f, 1.0f, c, g.uv.left, g.uv.bottom};
            d3d_screen_vertex* v = out + 6 * i;
            v[0] = lt, v[1] = rt, v[2] = rb, v[3] = lt, v[4] = rb, v[5] = lb;
        }
        unlock(s.screen);
        s.device->set_vertex_shader(kD3dFvfXyzRhwDiffuseTex1);
        s.device->set_stream_source(0, s.screen.buffer.get(), kD3dScreenVertexBytes);
        s.device->draw_primitive(kD3dPtTriangleList, s.screen.start, static_cast<uint32_t>(2 * n));
    }
    end_2d();
    s.colour = 0xFFFFFFFFu;
}

void d3d_driver::draw_point(float x, float y, const uint8_t (&rgb)[3], float size) {
    d3d_driver_state& s = *state_;
    begin_2d();
    d3d_set_combine(kD3dCombineOff);
    s.device->set_render_state(kD3dRsPointScaleEnable, 0);
    if (size > 0.0f) s.device->set_render_state(kD3dRsPointSize, bits_of(size));
    auto* out = reinterpret_cast<d3d_screen_vertex*>(append(s.screen, 1));
    if (out != nullptr) {
        out[0] = {x * static_cast<float>(width_) / 1000.0f, y * static_cast<float>(height_) / 1000.0f, 0.9f, 1.0f,
                  d3d_argb(255, rgb[0], rgb[1], rgb[2]), 0.0f, 0.0f};
        unlock(s.screen);
        s.device->set_vertex_shader(kD3dFvfXyzRhwDiffuseTex1);
        s.device->set_stream_source(0, s.screen.buffer.get(), kD3dScreenVertexBytes);
        s.device->draw_primitive(kD3dPtPointList, s.screen.start, 1);
    }
    end_2d();
}

bool d3d_driver::read_screen(float x0, float y0, float x1, float y1, screen_image& image) {
    if (!state_ || !state_->device) return false;
    d3d_device& d = *state_->device;
    const screen_region r = gfx_screen_region(width_, height_, x0, y0, x1, y1);
    if (r.width <= 0 || r.height <= 0) return false;
    int wx = 0, wy = 0;
    if (SDL_Window* window = sys_gl_window_sdl(state_->window)) SDL_GetWindowPosition(window, &wx, &wy);
    d3d_display_mode mode;
    if (d.display_mode(mode) < 0) return false;
    const d3d_rect region{r.x + wx, r.y + wy, r.x + wx + r.width, r.y + wy + r.height};
    if (region.left < 0 || region.top < 0 || region.right > static_cast<int32_t>(mode.width) ||
        region.bottom > static_cast<int32_t>(mode.height))
        return false;
    std::unique_ptr<d3d_surface> front;
    if (d.create_image_surface(mode.width, mode.height, kD3dFmtA8R8G8B8, front) < 0) return false;
    if (d.front_buffer(*front) < 0) return false;
    std::unique_ptr<d3d_surface> part;
    if (d.create_image_surface(static_cast<uint32_t>(r.width), static_cast<uint32_t>(r.height), kD3dFmtR8G8B8,
                               part) < 0)
        return false;
    if (d3dx_load_surface_from_surface(*part, nullptr, *front, &region, kD3dxDefault) < 0) return false;
    d3d_locked_rect locked;
    if (part->lock_rect(locked, nullptr, 0) < 0) return false;
    uint8_t* pixels = screen_image_resize(image, static_cast<uint32_t>(r.width), static_cast<uint32_t>(r.height));
    for (int32_t y = 0; y < r.height; ++y) {
        const uint8_t* from = locked.bits + static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.pitch);
        uint8_t* to = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width) * 3;
        for (int32_t x = 0; x < r.width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    part->unlock_rect();
    screen_image_set_top_down(image, 1);
    return true;
}

}  // namespace kv
