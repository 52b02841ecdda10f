#pragma once
// Writes greyscale images as uncompressed Targa files (image type 3, 8 bits a texel, rows from the
// top), which common image viewers open; the tests save light-map pages with it.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kv::tools {

// The file's bytes: the 18-byte header (little-endian sizes), then width x height texels row by row.
std::vector<uint8_t> targa_grey(int32_t width, int32_t height, const uint8_t* texels);
bool targa_write_grey(const std::filesystem::path& path, int32_t width, int32_t height,
                      const uint8_t* texels);

}  // namespace kv::tools
