#pragma once
// Writes light-map files as the engine's loader reads them (world/lmap_file.h), little-endian:
//
//   "LMAP", two version digits, int32 count, count x {int32 offset, int32 side}, then the images.
//
// Images are stored one after another in the order added, each at the offset its entry names.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kv::tools {

struct lmap_writer_image {
    int32_t side;
    std::vector<uint8_t> texels;  // side x side, row by row
    // For damaged files: the offset and side written in place of the real ones.
    std::optional<int32_t> offset_override;
    std::optional<int32_t> side_override;
};

class lmap_writer {
public:
    // Adds an image whose texels are all `value`; returns its id.
    int32_t add_filled(int32_t side, uint8_t value);
    // Adds an image of side x side texels, row by row; returns its id.
    int32_t add(int32_t side, std::vector<uint8_t> texels);
    lmap_writer_image& image(int32_t id) { return images_[static_cast<std::size_t>(id)]; }

    std::vector<uint8_t> finish() const;
    bool write(const std::filesystem::path& path) const;

    // For damaged files.
    std::string magic = "LMAP";
    std::string version = "10";
    std::optional<int32_t> count_override;
    // Bytes dropped from the end of the file.
    std::size_t truncate = 0;

private:
    std::vector<lmap_writer_image> images_;
};

}  // namespace kv::tools
