#pragma once
// Writes QXPS chunked files:
//
//   "QXPS", two version digits, id width byte (2: 16-bit ids, 4: 32-bit ids, other: 8-bit ids),
//   root chunk id, chunk count (u32), directory {id, offset (u32)} per chunk, then the chunk data.
//   Offsets count from the end of the directory.
//
// Chunks are laid out in the order they were added. An object refers to another by writing the
// other's id (`put_id`) into its own data.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/byte_writer.h"

namespace kv::tools {

class qxps_writer {
public:
    explicit qxps_writer(uint8_t id_width = 2, std::string version = "11");

    // A new empty chunk under the next unused id.
    int32_t add_chunk();
    // A new empty chunk under a chosen id (an id added twice keeps one chunk).
    void add_chunk(int32_t id);
    bool has_chunk(int32_t id) const { return chunks_.count(id) != 0; }
    byte_writer& data(int32_t id);
    // Writes an id in the file's width.
    void put_id(byte_writer& out, int32_t id) const;
    // The root chunk; the first chunk added when never set.
    void set_root(int32_t id) { root_ = id; }
    uint8_t id_width() const { return id_width_; }
    // Bytes an id takes: 2, 4 or 1.
    int id_size() const;

    std::vector<uint8_t> finish() const;

    // For damaged files: the four magic bytes, extra directory entries (after the real ones, any
    // offset), and a chunk count that differs from the entries written.
    std::string magic = "QXPS";
    std::vector<std::pair<int32_t, uint32_t>> extra_entries;
    std::optional<uint32_t> count_override;

private:
    uint8_t id_width_;
    std::string version_;
    std::optional<int32_t> root_;
    int32_t next_id_ = 1;
    std::vector<int32_t> order_;
    std::map<int32_t, byte_writer> chunks_;
};

}  // namespace kv::tools
