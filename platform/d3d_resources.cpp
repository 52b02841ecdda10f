// Surfaces, textures and buffers of the Direct3D-shaped layer, the format conversions and the D3DX
// helpers: plain memory, no GL.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kernel/log.h"
#include "platform/d3d_internal.h"
#include "platform/d3d_layer.h"

namespace kv {
namespace {

constexpr uint32_t kLargestSide = 8192;  // a larger image is no texture the game makes
constexpr uint32_t kLargestSideWithoutDevice = 4096;

uint32_t expand5(uint32_t v) {
    return (v << 3) | (v >> 2);
}
uint32_t expand6(uint32_t v) {
    return (v << 2) | (v >> 4);
}
uint32_t reduce(uint32_t v, uint32_t top) {
    return (v * top + 127) / 255;
}
uint32_t rgb565_to_argb(uint32_t c) {
    return d3d_argb(255, expand5((c >> 11) & 31), expand6((c >> 5) & 63), expand5(c & 31));
}
uint32_t argb_to_rgb565(uint32_t c) {
    return (reduce((c >> 16) & 0xFF, 31) << 11) | (reduce((c >> 8) & 0xFF, 63) << 5) | reduce(c & 0xFF, 31);
}
uint32_t luminance(uint32_t c) {
    return (((c >> 16) & 0xFF) * 54 + ((c >> 8) & 0xFF) * 183 + (c & 0xFF) * 19 + 128) >> 8;
}

uint32_t read_texel(d3d_format format, const uint8_t* p) {
    switch (format) {
        case kD3dFmtR8G8B8:
            return d3d_argb(255, p[2], p[1], p[0]);
        case kD3dFmtA8R8G8B8:
            return d3d_argb(p[3], p[2], p[1], p[0]);
        case kD3dFmtX8R8G8B8:
            return d3d_argb(255, p[2], p[1], p[0]);
        case kD3dFmtR5G6B5:
            return rgb565_to_argb(p[0] | (p[1] << 8));
        case kD3dFmtX1R5G5B5:
        case kD3dFmtA1R5G5B5: {
            const uint32_t c = p[0] | (p[1] << 8);
            const uint32_t a = format == kD3dFmtX1R5G5B5 ? 255 : ((c & 0x8000) ? 255 : 0);
            return d3d_argb(a, expand5((c >> 10) & 31), expand5((c >> 5) & 31), expand5(c & 31));
        }
        case kD3dFmtA4R4G4B4: {
            const uint32_t c = p[0] | (p[1] << 8);
            return d3d_argb(((c >> 12) & 15) * 17, ((c >> 8) & 15) * 17, ((c >> 4) & 15) * 17, (c & 15) * 17);
        }
        case kD3dFmtL8:
            return d3d_argb(255, p[0], p[0], p[0]);
        default:
            return 0;
    }
}

void write_texel(d3d_format format, uint32_t c, uint8_t* p) {
    const uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    uint32_t v = 0;
    switch (format) {
        case kD3dFmtR8G8B8:
            p[0] = static_cast<uint8_t>(b), p[1] = static_cast<uint8_t>(g), p[2] = static_cast<uint8_t>(r);
            return;
        case kD3dFmtA8R8G8B8:
        case kD3dFmtX8R8G8B8:
            p[0] = static_cast<uint8_t>(b), p[1] = static_cast<uint8_t>(g), p[2] = static_cast<uint8_t>(r);
            p[3] = static_cast<uint8_t>(format == kD3dFmtX8R8G8B8 ? 255 : a);
            return;
        case kD3dFmtL8:
            p[0] = static_cast<uint8_t>(luminance(c));
            return;
        case kD3dFmtR5G6B5:
            v = argb_to_rgb565(c);
            break;
        case kD3dFmtX1R5G5B5:
        case kD3dFmtA1R5G5B5:
            v = (reduce(r, 31) << 10) | (reduce(g, 31) << 5) | reduce(b, 31);
            if (format == kD3dFmtX1R5G5B5 || a >= 128) v |= 0x8000;
            break;
        case kD3dFmtA4R4G4B4:
            v = (reduce(a, 15) << 12) | (reduce(r, 15) << 8) | (reduce(g, 15) << 4) | reduce(b, 15);
            break;
        default:
            return;
    }
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

bool valid_rect(const d3d_rect& r, uint32_t width, uint32_t height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<uint32_t>(r.right) <= width && static_cast<uint32_t>(r.bottom) <= height;
}

d3d_rect whole(uint32_t width, uint32_t height) {
    return {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

// Colour part of a block: four palette entries from two R5G6B5 end points.
void colour_palette(uint32_t c0, uint32_t c1, bool four, uint32_t out[4]) {
    const uint32_t a = rgb565_to_argb(c0), b = rgb565_to_argb(c1);
    auto mix = [&](uint32_t wa, uint32_t wb, uint32_t d) {
        uint32_t r = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            r |= ((((a >> shift) & 0xFF) * wa + ((b >> shift) & 0xFF) * wb) / d) << shift;
        }
        return r;
    };
    out[0] = a;
    out[1] = b;
    if (four) {
        out[2] = mix(2, 1, 3);
        out[3] = mix(1, 2, 3);
    } else {
        out[2] = mix(1, 1, 2);
        out[3] = 0;  // transparent black
    }
}

uint32_t distance(uint32_t x, uint32_t y) {
    uint32_t d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int v = static_cast<int>((x >> shift) & 0xFF) - static_cast<int>((y >> shift) & 0xFF);
        d += static_cast<uint32_t>(v * v);
    }
    return d;
}

void encode_colour(const uint32_t texels[16], bool allow_transparent, uint8_t* block) {
    bool transparent = false;
    uint32_t bright = 0, dark = 0, high = 0, low = 256;
    for (int i = 0; i < 16; ++i) {
        if (allow_transparent && (texels[i] >> 24) < 128) {
            transparent = true;
            continue;
        }
        const uint32_t l = luminance(texels[i]);
        if (l >= high) high = l, bright = texels[i];
        if (l < low) low = l, dark = texels[i];
    }
    uint32_t c0 = argb_to_rgb565(bright), c1 = argb_to_rgb565(dark);
    if (transparent ? c0 > c1 : c0 < c1) std::swap(c0, c1);
    const bool four = c0 > c1;
    uint32_t palette[4];
    colour_palette(c0, c1, four, palette);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (transparent && (texels[i] >> 24) < 128) {
            best = 3;
        } else {
            const uint32_t choices = four ? 4 : 3;
            for (uint32_t k = 1; k < choices; ++k) {
                if (distance(palette[k], texels[i]) < distance(palette[best], texels[i])) best = k;
            }
        }
        indices |= best << (2 * i);
    }
    block[0] = static_cast<uint8_t>(c0), block[1] = static_cast<uint8_t>(c0 >> 8);
    block[2] = static_cast<uint8_t>(c1), block[3] = static_cast<uint8_t>(c1 >> 8);
    for (int k = 0; k < 4; ++k) block[4 + k] = static_cast<uint8_t>(indices >> (8 * k));
}

void decode_colour(const uint8_t* block, bool allow_three, uint32_t texels[16]) {
    const uint32_t c0 = block[0] | (block[1] << 8), c1 = block[2] | (block[3] << 8);
    uint32_t palette[4];
    colour_palette(c0, c1, !allow_three || c0 > c1, palette);
    const uint32_t indices =
        block[4] | (block[5] << 8) | (block[6] << 16) | (static_cast<uint32_t>(block[7]) << 24);
    for (int i = 0; i < 16; ++i) texels[i] = palette[(indices >> (2 * i)) & 3];
}

void alpha_palette(uint32_t a0, uint32_t a1, uint32_t out[8]) {
    out[0] = a0;
    out[1] = a1;
    if (a0 > a1) {
        for (uint32_t i = 1; i < 7; ++i) out[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (uint32_t i = 1; i < 5; ++i) out[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        out[6] = 0;
        out[7] = 255;
    }
}

}  // namespace

uint32_t d3d_block_bytes(d3d_format format) {
    return format == kD3dFmtDxt1 ? 8 : 16;
}

void d3d_decode_block(d3d_format format, const uint8_t* block, uint32_t texels[16]) {
    if (format == kD3dFmtDxt1) {
        decode_colour(block, true, texels);
        return;
    }
    decode_colour(block + 8, false, texels);
    if (format == kD3dFmtDxt3) {
        for (int i = 0; i < 16; ++i) {
            const uint32_t nibble = (block[i / 2] >> (4 * (i % 2))) & 15;
            texels[i] = (texels[i] & 0xFFFFFF) | ((nibble * 17) << 24);
        }
        return;
    }
    uint32_t palette[8];
    alpha_palette(block[0], block[1], palette);
    uint64_t bits = 0;
    for (int k = 0; k < 6; ++k) bits |= static_cast<uint64_t>(block[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i) {
        texels[i] = (texels[i] & 0xFFFFFF) | (palette[(bits >> (3 * i)) & 7] << 24);
    }
}

void d3d_encode_block(d3d_format format, const uint32_t texels[16], uint8_t* block) {
    if (format == kD3dFmtDxt1) {
        encode_colour(texels, true, block);
        return;
    }
    encode_colour(texels, false, block + 8);
    if (format == kD3dFmtDxt3) {
        for (int i = 0; i < 8; ++i) {
            block[i] = static_cast<uint8_t>(reduce(texels[2 * i] >> 24, 15) |
                                            (reduce(texels[2 * i + 1] >> 24, 15) << 4));
        }
        return;
    }
    uint32_t high = 0, low = 255;
    for (int i = 0; i < 16; ++i) high = std::max(high, texels[i] >> 24), low = std::min(low, texels[i] >> 24);
    uint32_t palette[8];
    alpha_palette(high, low, palette);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        const uint32_t a = texels[i] >> 24;
        for (uint32_t k = 1; k < 8; ++k) {
            if ((palette[k] > a ? palette[k] - a : a - palette[k]) <
                (palette[best] > a ? palette[best] - a : a - palette[best]))
                best = k;
        }
        bits |= static_cast<uint64_t>(best) << (3 * i);
    }
    block[0] = static_cast<uint8_t>(high);
    block[1] = static_cast<uint8_t>(low);
    for (int k = 0; k < 6; ++k) block[2 + k] = static_cast<uint8_t>(bits >> (8 * k));
}

uint32_t d3d_format_texel_bytes(d3d_format format) {
    switch (format) {
        case kD3dFmtR8G8B8:
            return 3;
        case kD3dFmtA8R8G8B8:
        case kD3dFmtX8R8G8B8:
            return 4;
        case kD3dFmtR5G6B5:
        case kD3dFmtX1R5G5B5:
        case kD3dFmtA1R5G5B5:
        case kD3dFmtA4R4G4B4:
            return 2;
        case kD3dFmtL8:
            return 1;
        default:
            return 0;
    }
}

bool d3d_format_is_block(d3d_format format) {
    return format == kD3dFmtDxt1 || format == kD3dFmtDxt3 || format == kD3dFmtDxt5;
}

namespace {
int32_t pitch_of(d3d_format format, uint32_t width) {
    if (d3d_format_is_block(format)) return static_cast<int32_t>((width + 3) / 4 * d3d_block_bytes(format));
    const uint32_t row = width * d3d_format_texel_bytes(format);
    return static_cast<int32_t>((row + 16) / 16 * 16);
}
uint32_t rows_of(d3d_format format, uint32_t height) {
    return d3d_format_is_block(format) ? (height + 3) / 4 : height;
}
}  // namespace

uint32_t d3d_level_bytes(d3d_format format, uint32_t width, uint32_t height) {
    return static_cast<uint32_t>(pitch_of(format, width)) * rows_of(format, height);
}

// ---- Surfaces -------------------------------------------------------------------------------------
d3d_surface::d3d_surface(uint32_t width, uint32_t height, d3d_format format)
    : width_(width), height_(height), format_(format) {
    pitch_ = pitch_of(format, width);
    bytes_.assign(static_cast<std::size_t>(pitch_) * rows_of(format, height), 0);
}

d3d_result d3d_surface::desc(d3d_surface_desc& out) const {
    out.format = format_;
    out.pool = kD3dPoolSystemMem;
    out.size = static_cast<uint32_t>(bytes_.size());
    out.width = width_;
    out.height = height_;
    return kD3dOk;
}

d3d_result d3d_surface::lock_rect(d3d_locked_rect& out, const d3d_rect* rect, uint32_t) {
    const d3d_rect r = rect != nullptr ? *rect : whole(width_, height_);
    if (locked_ || !valid_rect(r, width_, height_)) {
        log_write("[D3D] lock of a %ux%u surface refused: %s\n", width_, height_,
                  locked_ ? "already locked" : "rectangle outside");
        return kD3dErrInvalidCall;
    }
    std::size_t offset;
    if (d3d_format_is_block(format_)) {
        const bool aligned = r.left % 4 == 0 && r.top % 4 == 0 &&
                             (r.right % 4 == 0 || static_cast<uint32_t>(r.right) == width_) &&
                             (r.bottom % 4 == 0 || static_cast<uint32_t>(r.bottom) == height_);
        if (!aligned) {
            log_write("[D3D] lock of a block surface off the block bounds refused\n");
            return kD3dErrInvalidCall;
        }
        offset = static_cast<std::size_t>(r.top / 4) * static_cast<std::size_t>(pitch_) +
                 static_cast<std::size_t>(r.left / 4) * d3d_block_bytes(format_);
        kept_texels_.clear();  // the caller may change the blocks
    } else {
        offset = static_cast<std::size_t>(r.top) * static_cast<std::size_t>(pitch_) +
                 static_cast<std::size_t>(r.left) * d3d_format_texel_bytes(format_);
    }
    out.pitch = pitch_;
    out.bits = bytes_.data() + offset;
    locked_ = true;
    return kD3dOk;
}

d3d_result d3d_surface::unlock_rect() {
    if (!locked_) return kD3dErrInvalidCall;
    locked_ = false;
    ++generation_;
    return kD3dOk;
}

bool d3d_surface::read_argb(const d3d_rect& r, std::vector<uint32_t>& out) const {
    if (!valid_rect(r, width_, height_)) return false;
    const uint32_t w = static_cast<uint32_t>(r.right - r.left), h = static_cast<uint32_t>(r.bottom - r.top);
    out.assign(static_cast<std::size_t>(w) * h, 0);
    if (d3d_format_is_block(format_)) {
        const bool kept = kept_texels_.size() == static_cast<std::size_t>(width_) * height_;
        uint32_t block[16];
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t sx = x + static_cast<uint32_t>(r.left), sy = y + static_cast<uint32_t>(r.top);
                if (kept) {
                    out[y * w + x] = kept_texels_[static_cast<std::size_t>(sy) * width_ + sx];
                    continue;
                }
                const uint8_t* b = bytes_.data() +
                                   static_cast<std::size_t>(sy / 4) * static_cast<std::size_t>(pitch_) +
                                   static_cast<std::size_t>(sx / 4) * d3d_block_bytes(format_);
                d3d_decode_block(format_, b, block);
                out[y * w + x] = block[(sy % 4) * 4 + sx % 4];
            }
        }
        return true;
    }
    const uint32_t bpp = d3d_format_texel_bytes(format_);
    if (bpp == 0) return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row =
            bytes_.data() +
            static_cast<std::size_t>(y + static_cast<uint32_t>(r.top)) * static_cast<std::size_t>(pitch_) +
            static_cast<std::size_t>(r.left) * bpp;
        for (uint32_t x = 0; x < w; ++x) out[y * w + x] = read_texel(format_, row + x * bpp);
    }
    return true;
}

bool d3d_surface::write_argb(const d3d_rect& r, const std::vector<uint32_t>& texels) {
    if (!valid_rect(r, width_, height_)) return false;
    const uint32_t w = static_cast<uint32_t>(r.right - r.left), h = static_cast<uint32_t>(r.bottom - r.top);
    if (texels.size() != static_cast<std::size_t>(w) * h) return false;
    if (d3d_format_is_block(format_)) {
        std::vector<uint32_t> all;
        if (kept_texels_.size() == static_cast<std::size_t>(width_) * height_) {
            all = kept_texels_;
        } else if (!read_argb(whole(width_, height_), all)) {
            return false;
        }
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x)
                all[static_cast<std::size_t>(y + static_cast<uint32_t>(r.top)) * width_ + x +
                    static_cast<uint32_t>(r.left)] = texels[y * w + x];
        }
        uint32_t block[16];
        for (uint32_t by = 0; by < (height_ + 3) / 4; ++by) {
            for (uint32_t bx = 0; bx < (width_ + 3) / 4; ++bx) {
                for (uint32_t i = 0; i < 16; ++i) {
                    const uint32_t x = std::min(bx * 4 + i % 4, width_ - 1),
                                   y = std::min(by * 4 + i / 4, height_ - 1);
                    block[i] = all[static_cast<std::size_t>(y) * width_ + x];
                }
                d3d_encode_block(format_, block,
                                 bytes_.data() +
                                     static_cast<std::size_t>(by) * static_cast<std::size_t>(pitch_) +
                                     bx * d3d_block_bytes(format_));
            }
        }
        kept_texels_ = std::move(all);
        ++generation_;
        return true;
    }
    const uint32_t bpp = d3d_format_texel_bytes(format_);
    if (bpp == 0) return false;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row =
            bytes_.data() +
            static_cast<std::size_t>(y + static_cast<uint32_t>(r.top)) * static_cast<std::size_t>(pitch_) +
            static_cast<std::size_t>(r.left) * bpp;
        for (uint32_t x = 0; x < w; ++x) write_texel(format_, texels[y * w + x], row + x * bpp);
    }
    ++generation_;
    return true;
}

// ---- Textures -------------------------------------------------------------------------------------
d3d_result d3d_texture_create(uint32_t width, uint32_t height, uint32_t levels, d3d_format format,
                              uint32_t pool, std::unique_ptr<d3d_texture>& out) {
    const bool known = d3d_format_is_block(format) || d3d_format_texel_bytes(format) != 0;
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide || !known) {
        log_write("[D3D] texture %ux%u of format %u refused\n", width, height, format);
        return kD3dErrInvalidCall;
    }
    uint32_t chain = 1;
    for (uint32_t w = width, h = height; w > 1 || h > 1; w = std::max(w / 2, 1u), h = std::max(h / 2, 1u))
        ++chain;
    if (levels == 0 || levels == kD3dxDefault || levels > chain) levels = chain;
    std::unique_ptr<d3d_texture> t(new d3d_texture);
    t->format_ = format;
    t->pool_ = pool;
    for (uint32_t i = 0; i < levels; ++i) {
        t->levels_.push_back(
            std::make_unique<d3d_surface>(std::max(width >> i, 1u), std::max(height >> i, 1u), format));
    }
    out = std::move(t);
    return kD3dOk;
}

d3d_texture::~d3d_texture() {
    if (link && link->device != nullptr) link->device->forget(this);
}

d3d_result d3d_texture::level_desc(uint32_t level, d3d_surface_desc& out) const {
    if (level >= levels_.size()) return kD3dErrInvalidCall;
    levels_[level]->desc(out);
    out.pool = pool_;
    out.size = d3d_level_bytes(format_, out.width, out.height);
    return kD3dOk;
}

d3d_surface* d3d_texture::surface_level(uint32_t level) {
    return level < levels_.size() ? levels_[level].get() : nullptr;
}

d3d_result d3d_texture::lock_rect(uint32_t level, d3d_locked_rect& out, const d3d_rect* rect,
                                  uint32_t flags) {
    if (level >= levels_.size()) return kD3dErrInvalidCall;
    return levels_[level]->lock_rect(out, rect, flags);
}

d3d_result d3d_texture::unlock_rect(uint32_t level) {
    if (level >= levels_.size()) return kD3dErrInvalidCall;
    return levels_[level]->unlock_rect();
}

// ---- Buffers --------------------------------------------------------------------------------------
d3d_buffer::~d3d_buffer() {
    if (!link_) return;
    if (pool_ == kD3dPoolDefault && link_->live_default_buffers > 0) --link_->live_default_buffers;
    if (link_->device != nullptr) link_->device->forget(this);
}

d3d_result d3d_buffer::lock(uint32_t offset, uint32_t size, uint8_t*& out, uint32_t flags) {
    const bool discard = (flags & kD3dLockDiscard) != 0, no_overwrite = (flags & kD3dLockNoOverwrite) != 0;
    const uint64_t end =
        static_cast<uint64_t>(offset) + (size == 0 ? length() - std::min(offset, length()) : size);
    const char* why = nullptr;
    if (locked_) {
        why = "already locked";
    } else if (offset >= length() || end > length()) {
        why = "range outside the buffer";
    } else if ((discard || no_overwrite) && (usage_ & kD3dUsageDynamic) == 0) {
        why = "DISCARD or NOOVERWRITE on a static buffer";
    } else if (discard && no_overwrite) {
        why = "DISCARD with NOOVERWRITE";
    }
    if (why != nullptr) {
        log_write("[D3D] lock of a %u-byte buffer refused: %s\n", length(), why);
        out = nullptr;
        return kD3dErrInvalidCall;
    }
    if (link_ && link_->device != nullptr)
        link_->device->note("Lock %s 0x%x %u %u 0x%x", index_ ? "ib" : "vb", fvf_, offset, size, flags);
    out = bytes_.data() + offset;
    locked_ = true;
    last_lock_flags_ = flags;
    return kD3dOk;
}

d3d_result d3d_buffer::unlock() {
    if (!locked_) return kD3dErrInvalidCall;
    locked_ = false;
    return kD3dOk;
}

// ---- D3DX -----------------------------------------------------------------------------------------
d3d_result d3dx_create_texture(const d3d_device* device, uint32_t width, uint32_t height, uint32_t levels,
                               uint32_t, d3d_format format, uint32_t pool,
                               std::unique_ptr<d3d_texture>& out) {
    uint32_t largest = kLargestSideWithoutDevice;
    bool blocks = true;
    if (device != nullptr) {
        d3d_caps caps;
        device->caps(caps);
        largest = std::min(caps.max_texture_width, caps.max_texture_height);
        blocks = device->s3tc();
    }
    if (width > largest || height > largest || (d3d_format_is_block(format) && !blocks)) {
        log_write("[D3D] texture %ux%u of format %u is more than the device takes\n", width, height, format);
        return kD3dErrInvalidCall;
    }
    if (device != nullptr) device->note("D3DXCreateTexture %u %u %u %u", width, height, levels, format);
    d3d_result forced;
    if (d3d_forced(static_cast<int>(d3d_call::create_texture), forced)) return forced;
    return d3d_texture_create(width, height, levels, format, pool, out);
}

d3d_result d3dx_load_surface_from_surface(d3d_surface& destination, const d3d_rect* destination_rect,
                                          d3d_surface& source, const d3d_rect* source_rect, uint32_t) {
    const d3d_rect dr =
        destination_rect != nullptr ? *destination_rect : whole(destination.width(), destination.height());
    const d3d_rect sr = source_rect != nullptr ? *source_rect : whole(source.width(), source.height());
    std::vector<uint32_t> texels;
    if (destination.locked() || source.locked() ||
        !valid_rect(dr, destination.width(), destination.height()) || !source.read_argb(sr, texels)) {
        log_write("[D3D] surface load refused: locked surface, bad rectangle or unknown format\n");
        return kD3dErrInvalidCall;
    }
    const uint32_t sw = static_cast<uint32_t>(sr.right - sr.left),
                   sh = static_cast<uint32_t>(sr.bottom - sr.top);
    const uint32_t dw = static_cast<uint32_t>(dr.right - dr.left),
                   dh = static_cast<uint32_t>(dr.bottom - dr.top);
    if (sw != dw || sh != dh) {
        std::vector<uint32_t> scaled(static_cast<std::size_t>(dw) * dh);
        for (uint32_t y = 0; y < dh; ++y) {
            for (uint32_t x = 0; x < dw; ++x) {
                const uint64_t sx = (static_cast<uint64_t>(x) * 2 + 1) * sw / (2 * dw);
                const uint64_t sy = (static_cast<uint64_t>(y) * 2 + 1) * sh / (2 * dh);
                scaled[static_cast<std::size_t>(y) * dw + x] = texels[sy * sw + sx];
            }
        }
        texels = std::move(scaled);
    }
    if (!destination.write_argb(dr, texels)) return kD3dErrInvalidCall;
    return kD3dOk;
}

d3d_result d3dx_filter_texture(d3d_texture& t, uint32_t source_level, uint32_t) {
    if (source_level == kD3dxDefault) source_level = 0;
    if (source_level >= t.level_count()) return kD3dErrInvalidCall;
    for (uint32_t level = source_level + 1; level < t.level_count(); ++level) {
        d3d_surface& above = *t.surface_level(level - 1);
        d3d_surface& below = *t.surface_level(level);
        std::vector<uint32_t> src;
        if (above.locked() || below.locked() || !above.read_argb(whole(above.width(), above.height()), src))
            return kD3dErrInvalidCall;
        const uint32_t sw = above.width(), sh = above.height(), dw = below.width(), dh = below.height();
        std::vector<uint32_t> dst(static_cast<std::size_t>(dw) * dh);
        for (uint32_t y = 0; y < dh; ++y) {
            for (uint32_t x = 0; x < dw; ++x) {
                const uint32_t x0 = std::min(2 * x, sw - 1), x1 = std::min(2 * x + 1, sw - 1);
                const uint32_t y0 = std::min(2 * y, sh - 1), y1 = std::min(2 * y + 1, sh - 1);
                const uint32_t four[4] = {src[y0 * sw + x0], src[y0 * sw + x1], src[y1 * sw + x0],
                                          src[y1 * sw + x1]};
                uint32_t c = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    uint32_t sum = 2;
                    for (uint32_t v : four) sum += (v >> shift) & 0xFF;
                    c |= (sum / 4) << shift;
                }
                dst[static_cast<std::size_t>(y) * dw + x] = c;
            }
        }
        if (!below.write_argb(whole(dw, dh), dst)) return kD3dErrInvalidCall;
    }
    return kD3dOk;
}

d3d_matrix d3dx_matrix_perspective_off_center_lh(float l, float r, float b, float t, float zn, float zf) {
    d3d_matrix m;
    m.m[0][0] = 2 * zn / (r - l);
    m.m[1][1] = 2 * zn / (t - b);
    m.m[2][0] = (l + r) / (l - r);
    m.m[2][1] = (t + b) / (b - t);
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1;
    m.m[3][2] = zn * zf / (zn - zf);
    return m;
}

d3d_matrix d3d_identity_matrix() {
    d3d_matrix m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1;
    return m;
}

d3d_matrix d3d_matrix_multiply(const d3d_matrix& a, const d3d_matrix& b) {
    d3d_matrix m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            m.m[i][j] = s;
        }
    }
    return m;
}

}  // namespace kv
