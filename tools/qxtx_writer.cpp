#include "tools/qxtx_writer.h"

namespace kv::tools {

std::vector<uint8_t> qxtx(const qxtx_desc& shape) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < 4; ++i)
        out.push_back(i < shape.magic.size() ? static_cast<uint8_t>(shape.magic[i]) : 0);
    for (std::size_t i = 0; i < 2; ++i)
        out.push_back(i < shape.version.size() ? static_cast<uint8_t>(shape.version[i]) : 0);
    out.push_back(static_cast<uint8_t>(shape.width >> 8));
    out.push_back(static_cast<uint8_t>(shape.width & 0xFF));
    out.push_back(static_cast<uint8_t>(shape.height >> 8));
    out.push_back(static_cast<uint8_t>(shape.height & 0xFF));
    out.push_back(shape.kind);
    out.push_back(shape.format);
    out.insert(out.end(), shape.texels.begin(), shape.texels.end());
    return out;
}

}  // namespace kv::tools
