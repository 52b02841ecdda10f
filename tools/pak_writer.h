#pragma once
// Writes PAK archives in the layout the engine's archive reader documents (data/pak_archive.cpp):
//
//   "KPAK", version (u16), entry count (u32), entries {name (counted string), offset (u32), size (u32)},
//   then the chunk data; offsets count from the end of the directory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/byte_writer.h"

namespace kv::tools {

struct pak_writer_entry {
    std::string name;
    std::vector<uint8_t> data;
    // For damaged archives: offset and size written in place of the real ones.
    std::optional<uint32_t> offset_override;
    std::optional<uint32_t> size_override;
};

class pak_writer {
public:
    // Adds a chunk; names may repeat (the reader takes the first).
    pak_writer_entry& add(std::string name, std::vector<uint8_t> data);

    std::vector<uint8_t> finish() const;
    bool write(const std::filesystem::path& path) const { return write_file(path, finish()); }

    // For damaged archives.
    std::string magic = "KPAK";
    uint16_t version = 1;
    std::optional<uint32_t> count_override;

private:
    std::vector<pak_writer_entry> entries_;
};

}  // namespace kv::tools
