#pragma once
// Writes QXTX texture files: a 12-byte big-endian header (magic, two-digit version, width, height,
// image kind, format byte) and the texels as given.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

struct qxtx_desc {
    std::string magic = "QXTX";  // written as given (4 bytes), for damaged files
    std::string version = "10";  // two characters, written as given
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t kind = 1;
    uint8_t format = 0;
    std::vector<uint8_t> texels;
};
std::vector<uint8_t> qxtx(const qxtx_desc& shape);

}  // namespace kv::tools
