#include "tools/dds_writer.h"

#include <algorithm>
#include <cstring>

namespace kv::tools {
namespace {

void put_u32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t rgb565(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

struct image {
    uint32_t width;
    uint32_t height;
    std::vector<uint8_t> rgba;
    const uint8_t* at(uint32_t x, uint32_t y) const {
        x = std::min(x, width - 1);
        y = std::min(y, height - 1);
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
};

image half(const image& in) {
    image out{std::max(in.width / 2, 1u), std::max(in.height / 2, 1u), {}};
    out.rgba.resize(static_cast<std::size_t>(out.width) * out.height * 4);
    for (uint32_t y = 0; y < out.height; ++y) {
        for (uint32_t x = 0; x < out.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                const uint32_t sum = in.at(2 * x, 2 * y)[c] + in.at(2 * x + 1, 2 * y)[c] +
                                     in.at(2 * x, 2 * y + 1)[c] + in.at(2 * x + 1, 2 * y + 1)[c];
                out.rgba[(static_cast<std::size_t>(y) * out.width + x) * 4 + static_cast<std::size_t>(c)] =
                    static_cast<uint8_t>(sum / 4);
            }
        }
    }
    return out;
}

void encode(const image& img, const std::string& four_cc, std::vector<uint8_t>& out) {
    for (uint32_t by = 0; by < (img.height + 3) / 4; ++by) {
        for (uint32_t bx = 0; bx < (img.width + 3) / 4; ++bx) {
            uint32_t sum[4] = {};
            uint8_t alpha[16];
            for (uint32_t i = 0; i < 16; ++i) {
                const uint8_t* p = img.at(bx * 4 + i % 4, by * 4 + i / 4);
                for (int c = 0; c < 4; ++c) sum[c] += p[c];
                alpha[i] = p[3];
            }
            if (four_cc == "DXT3") {
                for (uint32_t i = 0; i < 16; i += 2) {
                    out.push_back(static_cast<uint8_t>((alpha[i] >> 4) | (alpha[i + 1] >> 4) << 4));
                }
            } else if (four_cc == "DXT5") {
                // Both end alphas the mean: every index gives it.
                out.push_back(static_cast<uint8_t>(sum[3] / 16));
                out.push_back(static_cast<uint8_t>(sum[3] / 16));
                for (int i = 0; i < 6; ++i) out.push_back(0);
            }
            const uint16_t colour = rgb565(sum[0] / 16, sum[1] / 16, sum[2] / 16);
            // colour0 > colour1 keeps DXT1 in its four-colour mode; index 0 picks colour0.
            const uint16_t other = colour > 0 ? static_cast<uint16_t>(colour - 1) : 0;
            out.push_back(static_cast<uint8_t>(colour));
            out.push_back(static_cast<uint8_t>(colour >> 8));
            out.push_back(static_cast<uint8_t>(other));
            out.push_back(static_cast<uint8_t>(other >> 8));
            for (int i = 0; i < 4; ++i) out.push_back(0);
        }
    }
}

}  // namespace

std::vector<uint8_t> dds_solid_rgba(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b,
                                    uint8_t a) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        out.insert(out.end(), {r, g, b, a});
    }
    return out;
}

std::vector<uint8_t> dds_file(const dds_desc& desc) {
    std::vector<uint8_t> out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    put_u32(out, 4, 124);
    put_u32(out, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000 | (desc.mip_levels > 1 ? 0x20000 : 0));
    put_u32(out, 12, desc.height);
    put_u32(out, 16, desc.width);
    const std::size_t blocks = static_cast<std::size_t>((desc.width + 3) / 4) * ((desc.height + 3) / 4);
    put_u32(out, 20, static_cast<uint32_t>(blocks * (desc.four_cc == "DXT1" ? 8 : 16)));
    put_u32(out, 28, desc.mip_levels);
    put_u32(out, 4 + 72, 32);   // pixel format size
    put_u32(out, 4 + 76, 0x4);  // FourCC present
    for (std::size_t i = 0; i < 4 && i < desc.four_cc.size(); ++i)
        out[4 + 80 + i] = static_cast<uint8_t>(desc.four_cc[i]);
    put_u32(out, 4 + 104, 0x1000 | (desc.mip_levels > 1 ? 0x400008 : 0));
    if (desc.width > 0 && desc.height > 0 &&
        desc.rgba.size() >= static_cast<std::size_t>(desc.width) * desc.height * 4) {
        image level{desc.width, desc.height, desc.rgba};
        for (uint32_t i = 0; i < std::max(desc.mip_levels, 1u); ++i) {
            encode(level, desc.four_cc, out);
            if (level.width == 1 && level.height == 1) break;
            level = half(level);
        }
    }
    if (desc.cut_bytes > 0)
        out.resize(out.size() - std::min<std::size_t>(out.size(), static_cast<std::size_t>(desc.cut_bytes)));
    return out;
}

}  // namespace kv::tools
