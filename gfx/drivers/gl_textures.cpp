// The OpenGL driver's textures: uploads from images and DDS files, binding, the units.

#include <cmath>

#include "data/file_stream.h"
#include "game/server.h"
#include "gfx/dds_file.h"
#include "gfx/drivers/gl_driver.h"
#include "gfx/texture.h"
#include "kernel/log.h"
#include "kernel/timer.h"

namespace kv {
namespace {

// Times each upload for the "TL" statistic; made on the first use.
timer& upload_timer() {
    static timer t;
    return t;
}

// Bytes a texel of the kind needs in memory; 0 for kinds that are never uploaded.
std::size_t texel_bytes(const texture& t) {
    switch (t.kind) {
        case kTextureRgb:
            return 3;
        case kTextureGrey:
            return t.bytes_per_texel == 4 ? 4 : 1;
        case kTextureRgba:
            return 4;
        case kTextureAlpha:
        case kTextureLightMap:
            return 1;
        case kTextureLuminanceAlpha:
            return 2;
        default:
            return 0;
    }
}

const char* dds_suffix(const texture& t) {
    if (t.kind == kTextureRgb) return ".ddn";
    if (t.kind == kTextureRgba) return t.two_level_alpha ? ".dds" : ".dda";
    return nullptr;
}

}  // namespace

void gl_driver::select_unit(int32_t unit) {
    gl_.glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(unit));
    state_->active_unit = unit;
}

void gl_driver::active_unit(int32_t unit) {
    if (state_->multitexture) select_unit(unit);
}

void gl_driver::blend_by_kind(const texture& t) {
    switch (t.kind) {
        case kTextureGrey:
        case kTextureRgba:
        case kTextureAlpha:
        case kTextureLuminanceAlpha:
            gl_set_blend(t.two_level_alpha ? kGlBlendAlphaTest : kGlBlendAlpha);
            break;
        default:
            gl_set_blend(kGlBlendOpaque);
            break;
    }
}

bool gl_driver::use_texture(texture& t, int32_t unit) {
    gl_state& s = *state_;
    if (unit < 0 || unit >= kGlTextureUnits) return false;
    timer_restart(upload_timer());
    if (t.handle == static_cast<uintptr_t>(s.bound[unit])) {
        // Nothing changes, unless a fill or a pixel image switched blending off since the texture
        // was made current: a picture drawn after them would lose its transparency.
        if (s.blend_lost) blend_by_kind(t);
        return true;
    }
    active_unit(unit);
    if (!t.uploaded) {
        if (t.dds_failed) {
            gl_.glBindTexture(GL_TEXTURE_2D, 0);
            s.bound[unit] = 0;
            return true;
        }
        GLuint handle = 0;
        gl_.glGenTextures(1, &handle);
        t.handle = handle;
        gl_.glBindTexture(GL_TEXTURE_2D, handle);
        gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        const bool from_dds = t.dds_state == kDdsFound;
        const bool done = from_dds ? upload_dds(t) : upload(t);
        if (!done) {
            gl_.glBindTexture(GL_TEXTURE_2D, 0);
            gl_.glDeleteTextures(1, &handle);
            t.handle = kNoTextureHandle;
            t.dds_failed = 1;
            s.bound[unit] = 0;
            return !from_dds;
        }
        t.uploaded = 1;
    } else {
        gl_.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t.handle));
    }
    s.bound[unit] = static_cast<uint32_t>(t.handle);
    s.texture_kind = kGlTexenvReplace;
    blend_by_kind(t);
    texture_upload_ms += static_cast<uint32_t>(timer_elapsed_ms(upload_timer()));
    return true;
}

bool gl_driver::upload_dds(texture& t) {
    const char* suffix = dds_suffix(t);
    dds_image image;
    bool ok = false;
    if (suffix != nullptr && state_->s3tc) {
        server& srv = server_get();
        std::unique_ptr<file_stream> file =
            server_open_file(srv, server_dds_path(srv, t.name, suffix), false);
        if (file) {
            const int64_t size = file_stream_size(*file);
            if (size > 0) {
                std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
                std::size_t got = 0;
                file_stream_read(*file, bytes.data(), bytes.size(), &got);
                ok = dds_parse(bytes.data(), got, max_texture_size(), image, nullptr);
            }
        }
    }
    if (!ok) {
        log_write("[OpenGL] Failed to load dds texture - %s\n", log_printable(t.name).c_str());
        return false;
    }
    t.width = static_cast<uint16_t>(image.width);
    t.height = static_cast<uint16_t>(image.height);
    t.bytes_per_texel = static_cast<uint8_t>(image.components);
    t.mip_levels = static_cast<uint8_t>(image.mip_count);
    t.memory_size = 0;
    const std::vector<dds_level> levels = dds_levels(image);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const dds_level& l = levels[i];
        gl_.glCompressedTexImage2DARB(GL_TEXTURE_2D, static_cast<GLint>(i), image.format, l.width, l.height,
                                      0, static_cast<GLsizei>(l.size), image.data.data() + l.offset);
        t.memory_size += static_cast<uint32_t>(l.size);
    }
    // The file's levels make the chain complete, whatever their count.
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_.glTexParameteri(
        GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
        t.name.find("font") != std::string::npos ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
    return true;
}

bool gl_driver::upload(texture& t) {
    gl_state& s = *state_;
    const std::size_t bytes = texel_bytes(t);
    if (bytes == 0) {
        // Kind 2 and unknown kinds are never uploaded; the record keeps its handle, empty.
        return true;
    }
    const uint8_t* pixels = !t.pixels.empty() ? t.pixels.data() : nullptr;
    std::size_t have = t.pixels.size();
    if (pixels == nullptr && t.kind == kTextureLightMap && t.texels != nullptr) {
        pixels = t.texels;  // a light-map page: the store's square
        have = static_cast<std::size_t>(t.width) * t.height;
    }
    const std::size_t need = static_cast<std::size_t>(t.width) * t.height * bytes;
    const int32_t largest = max_texture_size();
    if (pixels == nullptr || t.width == 0 || t.height == 0 || have < need || t.width > largest ||
        t.height > largest) {
        log_write("[OpenGL] Cannot upload texture - %s (%ux%u, kind %u, %zu bytes)\n",
                  log_printable(t.name).c_str(), static_cast<unsigned>(t.width),
                  static_cast<unsigned>(t.height), static_cast<unsigned>(t.kind), have);
        return false;
    }
    const bool compress = s.texture_compression != 0;
    auto mipmaps = [&](GLint internal, GLenum format) {
        gl_.gluBuild2DMipmaps(GL_TEXTURE_2D, internal, t.width, t.height, format, GL_UNSIGNED_BYTE, pixels);
    };
    switch (t.kind) {
        case kTextureRgb:
            mipmaps(compress ? GL_COMPRESSED_RGB_ARB : GL_RGB8, GL_RGB);
            break;
        case kTextureGrey:
            if (bytes == 4) {
                mipmaps(GL_RGB5_A1, GL_RGBA);
            } else {
                // Grey with an alpha equal to its grey.
                mipmaps(GL_INTENSITY8, GL_LUMINANCE);
            }
            break;
        case kTextureRgba:
            gl_.glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0);
            mipmaps(compress ? GL_COMPRESSED_RGBA_ARB : GL_RGBA8, GL_RGBA);
            break;
        case kTextureAlpha:
            mipmaps(GL_ALPHA8, GL_ALPHA);
            break;
        case kTextureLightMap:
            gl_.glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0);
            gl_.glTexImage2D(GL_TEXTURE_2D, 0, compress ? GL_COMPRESSED_LUMINANCE_ARB : GL_LUMINANCE8,
                             t.width, t.height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, pixels);
            break;
        case kTextureLuminanceAlpha:
            mipmaps(GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA);
            break;
        default:
            break;
    }
    // Texture memory, level by level; the compressed sizes only where GL holds the image compressed.
    const int32_t levels = static_cast<int32_t>(std::floor(std::log2(std::max(t.width, t.height)))) + 1;
    GLint compressed = 0;
    if (compress && t.kind < kTextureLightMap) {
        gl_.glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_ARB, &compressed);
    }
    uint32_t memory = 0;
    for (int32_t level = 0; level < levels; ++level) {
        if (compressed) {
            GLint size = 0;
            gl_.glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
            memory += static_cast<uint32_t>(size);
        } else {
            GLint bits = 0;
            GLint w = 0;
            GLint h = 0;
            for (GLenum channel : {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE,
                                   GL_TEXTURE_ALPHA_SIZE, GL_TEXTURE_LUMINANCE_SIZE}) {
                GLint b = 0;
                gl_.glGetTexLevelParameteriv(GL_TEXTURE_2D, level, channel, &b);
                bits += b;
            }
            gl_.glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
            gl_.glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
            memory += static_cast<uint32_t>(bits / 8 * w * h);
        }
    }
    t.memory_size = memory;
    const GLint wrap = t.kind == kTextureLightMap || t.kind == kTextureLuminanceAlpha ? GL_CLAMP : GL_REPEAT;
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLint minify = GL_LINEAR_MIPMAP_LINEAR;
    if (t.kind == kTextureLightMap) {
        minify = GL_LINEAR;  // no mip levels to choose from
    } else if (t.name.find("font") != std::string::npos) {
        minify = GL_LINEAR_MIPMAP_NEAREST;
    }
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
    return true;
}

void gl_driver::delete_texture(texture& t) {
    if (t.handle == kNoTextureHandle) return;
    GLuint handle = static_cast<GLuint>(t.handle);
    gl_.glDeleteTextures(1, &handle);
    for (uint32_t& b : state_->bound) {
        if (b == handle) b = 0;
    }
    t.handle = kNoTextureHandle;
    t.uploaded = 0;
}

void gl_driver::bind_texture_clamped(texture& t) {
    const GLuint handle = t.handle == kNoTextureHandle ? 0 : static_cast<GLuint>(t.handle);
    gl_.glBindTexture(GL_TEXTURE_2D, handle);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // The unit now holds this texture: a later use_texture of another binds again.
    state_->bound[state_->multitexture ? state_->active_unit : 0] = handle;
}

int32_t gl_driver::max_texture_size() {
    GLint size = 0;
    gl_.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

bool gl_driver::has_compressed_textures() {
    return state_ && state_->s3tc;
}

void gl_driver::gl_push_texture(int32_t unit) {
    gl_state& s = *state_;
    if (s.saved_depth[unit] >= kGlTextureStackDepth) return;
    s.saved[unit][s.saved_depth[unit]++] = s.bound[unit];
}

void gl_driver::gl_pop_texture(int32_t unit) {
    gl_state& s = *state_;
    if (s.saved_depth[unit] <= 0) return;
    const uint32_t handle = s.saved[unit][--s.saved_depth[unit]];
    if (handle != s.bound[unit]) {
        active_unit(unit);
        gl_.glBindTexture(GL_TEXTURE_2D, handle);
        s.bound[unit] = handle;
    }
}

void gl_driver::disable_texture_unit(int32_t unit) {
    gl_state& s = *state_;
    if (unit < 0 || unit >= kGlTextureUnits) return;
    if (!s.multitexture) {
        if (unit == 0) {
            gl_.glDisable(GL_TEXTURE_2D);
            s.unit_enabled[0] = 0;
        }
        return;
    }
    if (!s.unit_enabled[unit]) return;
    select_unit(unit);
    gl_.glDisable(GL_TEXTURE_2D);
    s.unit_enabled[unit] = 0;
    for (int32_t u = 0; u < kGlTextureUnits; ++u) {
        if (s.unit_enabled[u]) {
            select_unit(u);
            break;
        }
    }
}

void gl_driver::enable_texture_unit(int32_t unit) {
    gl_state& s = *state_;
    if (unit < 0 || unit >= kGlTextureUnits) return;
    if (!s.multitexture) {
        if (unit == 0) {
            gl_.glEnable(GL_TEXTURE_2D);
            s.unit_enabled[0] = 1;
        }
        return;
    }
    if (s.unit_enabled[unit]) return;
    select_unit(unit);
    gl_.glEnable(GL_TEXTURE_2D);
    s.unit_enabled[unit] = 1;
}

}  // namespace kv
