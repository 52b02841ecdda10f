#include "tools/targa_writer.h"

#include "tools/byte_writer.h"

namespace kv::tools {

std::vector<uint8_t> targa8(const targa8_desc& shape) {
    std::vector<uint8_t> out(18, 0);
    out[1] = shape.colour_mapped ? 1 : 0;
    out[2] = shape.colour_mapped ? 1 : 3;
    if (shape.colour_mapped) {
        out[5] = 0;  // map length 256, little-endian
        out[6] = 1;
        out[7] = 24;
    }
    out[12] = static_cast<uint8_t>(shape.width & 0xFF);
    out[13] = static_cast<uint8_t>(shape.width >> 8);
    out[14] = static_cast<uint8_t>(shape.height & 0xFF);
    out[15] = static_cast<uint8_t>(shape.height >> 8);
    out[16] = shape.bits;
    out[17] = shape.top_first ? 0x20 : 0x00;
    if (shape.colour_mapped) {
        for (int i = 0; i < 256; ++i) {
            for (int k = 0; k < 3; ++k) out.push_back(static_cast<uint8_t>(i));
        }
    }
    for (uint16_t row = 0; row < shape.height; ++row) {
        const uint16_t source = shape.top_first ? row : static_cast<uint16_t>(shape.height - 1 - row);
        for (uint16_t column = 0; column < shape.width; ++column) {
            const std::size_t at = static_cast<std::size_t>(source) * shape.width + column;
            out.push_back(at < shape.texels.size() ? shape.texels[at] : 0);
        }
    }
    return out;
}

std::vector<uint8_t> targa_colour(const targa_colour_desc& shape) {
    const std::size_t bytes = shape.alpha ? 4 : 3;
    std::vector<uint8_t> out(18, 0);
    out[2] = 2;
    out[12] = static_cast<uint8_t>(shape.width & 0xFF);
    out[13] = static_cast<uint8_t>(shape.width >> 8);
    out[14] = static_cast<uint8_t>(shape.height & 0xFF);
    out[15] = static_cast<uint8_t>(shape.height >> 8);
    out[16] = static_cast<uint8_t>(bytes * 8);
    out[17] = static_cast<uint8_t>((shape.top_first ? 0x20 : 0x00) | (shape.alpha ? 0x08 : 0x00));
    for (uint16_t row = 0; row < shape.height; ++row) {
        const uint16_t source = shape.top_first ? row : static_cast<uint16_t>(shape.height - 1 - row);
        for (uint16_t column = 0; column < shape.width; ++column) {
            const std::size_t at = (static_cast<std::size_t>(source) * shape.width + column) * bytes;
            uint8_t texel[4] = {0, 0, 0, 0};
            for (std::size_t k = 0; k < bytes && at + k < shape.texels.size(); ++k)
                texel[k] = shape.texels[at + k];
            out.push_back(texel[2]);
            out.push_back(texel[1]);
            out.push_back(texel[0]);
            if (shape.alpha) out.push_back(texel[3]);
        }
    }
    return out;
}

std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels) {
    targa8_desc shape;
    shape.width = static_cast<uint16_t>(width > 0 ? width : 0);
    shape.height = static_cast<uint16_t>(height > 0 ? height : 0);
    if (texels) shape.texels.assign(texels, texels + static_cast<std::size_t>(shape.width) * shape.height);
    return targa8(shape);
}

bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels) {
    return write_file(path, targa_grey(width, height, texels));
}

}  // namespace kv::tools

namespace kv::tools {
namespace {

// The picture row that file row `r` of `h` holds before the origin: the loader's mapping.
int32_t interleaved(int32_t r, int32_t h, uint8_t interleave) {
    if (interleave == 4) {
        if (r < h / 4) return 4 * r;
        if (r < h / 2) return 4 * (r - h / 4) + 1;
        if (r < 3 * h / 4) return 4 * (r - h / 2) + 2;
        return 4 * (r - 3 * h / 4) + 3;
    }
    if (interleave == 2) return r < h / 2 ? 2 * r : 2 * (r - h / 2) + 1;
    return r;
}

}  // namespace

std::vector<uint8_t> targa(const targa_desc& shape) {
    const std::size_t bytes = shape.bits == 24 ? 3 : shape.bits == 32 ? 4 : 1;
    std::vector<uint8_t> out(18, 0);
    out[0] = static_cast<uint8_t>(shape.id_field.size());
    out[1] = shape.map_length != 0 ? 1 : 0;
    out[2] = shape.type;
    out[5] = static_cast<uint8_t>(shape.map_length & 0xFF);
    out[6] = static_cast<uint8_t>(shape.map_length >> 8);
    out[7] = shape.map_entry_bits;
    out[12] = static_cast<uint8_t>(shape.width & 0xFF);
    out[13] = static_cast<uint8_t>(shape.width >> 8);
    out[14] = static_cast<uint8_t>(shape.height & 0xFF);
    out[15] = static_cast<uint8_t>(shape.height >> 8);
    out[16] = shape.bits;
    const uint8_t interleave_bits = shape.interleave == 4 ? 0xC0 : shape.interleave == 2 ? 0x80 : 0x00;
    out[17] =
        static_cast<uint8_t>(interleave_bits | (shape.top_first ? 0x20 : 0x00) | (shape.alpha_bits & 0x0F));
    out.insert(out.end(), shape.id_field.begin(), shape.id_field.end());
    out.insert(out.end(), static_cast<std::size_t>(shape.map_length) * ((shape.map_entry_bits + 7u) / 8u), 0);
    const int32_t h = shape.height;
    for (int32_t r = 0; r < h; ++r) {
        const int32_t mapped = interleaved(r, h, shape.interleave);
        const int32_t row = shape.top_first ? mapped : h - 1 - mapped;
        for (uint16_t column = 0; column < shape.width; ++column) {
            uint8_t texel[4] = {0, 0, 0, 0};
            if (row >= 0 && row < h) {
                const std::size_t at = (static_cast<std::size_t>(row) * shape.width + column) * bytes;
                for (std::size_t k = 0; k < bytes && at + k < shape.texels.size(); ++k)
                    texel[k] = shape.texels[at + k];
            }
            if (bytes == 1) {
                out.push_back(texel[0]);
                continue;
            }
            out.push_back(texel[2]);
            out.push_back(texel[1]);
            out.push_back(texel[0]);
            if (bytes == 4) out.push_back(texel[3]);
        }
    }
    out.insert(out.end(), shape.trailer.begin(), shape.trailer.end());
    return out;
}

}  // namespace kv::tools
