#include "tools/targa_writer.h"

#include "tools/byte_writer.h"

namespace kv::tools {

std::vector<uint8_t> targa8(const targa8_spec& spec) {
    std::vector<uint8_t> out(18, 0);
    out[1] = spec.colour_mapped ? 1 : 0;
    out[2] = spec.colour_mapped ? 1 : 3;
    if (spec.colour_mapped) {
        out[5] = 0;  // map length 256, little-endian
        out[6] = 1;
        out[7] = 24;
    }
    out[12] = static_cast<uint8_t>(spec.width & 0xFF);
    out[13] = static_cast<uint8_t>(spec.width >> 8);
    out[14] = static_cast<uint8_t>(spec.height & 0xFF);
    out[15] = static_cast<uint8_t>(spec.height >> 8);
    out[16] = spec.bits;
    out[17] = spec.top_first ? 0x20 : 0x00;
    if (spec.colour_mapped) {
        for (int i = 0; i < 256; ++i) {
            for (int k = 0; k < 3; ++k) out.push_back(static_cast<uint8_t>(i));
        }
    }
    for (uint16_t row = 0; row < spec.height; ++row) {
        const uint16_t source = spec.top_first ? row : static_cast<uint16_t>(spec.height - 1 - row);
        for (uint16_t column = 0; column < spec.width; ++column) {
            const std::size_t at = static_cast<std::size_t>(source) * spec.width + column;
            out.push_back(at < spec.texels.size() ? spec.texels[at] : 0);
        }
    }
    return out;
}

std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels) {
    targa8_spec spec;
    spec.width = static_cast<uint16_t>(width > 0 ? width : 0);
    spec.height = static_cast<uint16_t>(height > 0 ? height : 0);
    if (texels) spec.texels.assign(texels, texels + static_cast<std::size_t>(spec.width) * spec.height);
    return targa8(spec);
}

bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels) {
    return write_file(path, targa_grey(width, height, texels));
}

}  // namespace kv::tools
