#pragma once
// The light-map store: square 8-bit images in one data block and a table of entries whose index is
// the light-map id surfaces use. A level's store is read from its light-map file, beside the
// package ("<light-map dir><package>-lmap", little-endian):
//
//   "LMAP", two version digits (up to "10"), int32 count N,
//   N entries {int32 offset, int32 side}, then the image block (image i at entry i's offset).
//
// After loading, the faces of the lit meshes are packed sector by sector into a few large square
// pages, which then replace the store's images.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "world/lmap_binding.h"

namespace kv {

struct file_stream;
struct server;

struct lmap_entry {
    int32_t offset;  // in the data block
    int32_t side;
};

class lmap_file {
public:
    lmap_file() = default;
    virtual ~lmap_file() = default;

    std::vector<uint8_t> data;
    std::vector<lmap_entry> table;
    // The page being laid out.
    std::vector<uint8_t> page;
    int32_t page_offset = -1;
    int32_t page_side = 0;
};

// One face of a lit mesh, as the packing takes it.
struct lmap_face_record {
    lmap_binding* binding;
    int32_t side;  // of its light map; 1 without one
    int32_t id;    // negative: no light map
    uint16_t face[3];
};

// Face records by group key (the draw id); groups are packed in key order.
using lmap_face_groups = std::map<uint16_t, std::vector<lmap_face_record>>;

inline constexpr int32_t kLmapWhiteSide = 4;
inline constexpr uint8_t kLmapWhite = 255;

// Replaces the store's contents by the package's light-map file, found through `server_open_file`.
// A missing file changes nothing. A damaged one raises `read_error` ("[LM] ..."), leaving the store
// cleared or partly filled.
void lmap_file_load(lmap_file& store, server& srv, const std::string& package_name);
// The same on an open stream.
void lmap_file_read(lmap_file& store, file_stream& stream);

// True when `id` names an entry whose square lies inside the data block. Other ids mean "no light
// map" (the loader warns about bad entries and keeps them, so that ids keep their meaning).
bool lmap_file_has(const lmap_file& store, int32_t id);
const lmap_entry& lmap_file_entry(const lmap_file& store, int32_t id);
// The entry's square; null unless the square lies inside the data block.
const uint8_t* lmap_file_data(const lmap_file& store, const lmap_entry& entry);
const uint8_t* lmap_file_data(const lmap_file& store, int32_t id);
void lmap_file_clear(lmap_file& store);
// Clears the store, then copies the other's data block and table.
void lmap_file_assign(lmap_file& store, const lmap_file& other);

// Lays the light maps the face records name out on square pages appended to `target`, and points
// every face at its page: its ids become the page's index in `target`'s table and its coordinates
// are moved into its square. Pages are no larger than `max_side` unless one group needs more.
void lmap_pack(const lmap_file& source, lmap_file& target, lmap_face_groups& groups, int32_t max_side);

}  // namespace kv
