#pragma once
// Helpers shared by the readers of world objects: room checks before anything is allocated for a
// count, vectors, boxes and transform blocks, tables of references, and the reference texts that
// placed objects queue for resolution.

#include <cstdint>
#include <memory>
#include <string>

#include "data/object_table.h"
#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

// Bytes left in the chunk being read.
std::size_t world_room_left(const qxps_stream& s);
// Raises "corrupt <what>" unless `count` elements of `element_size` bytes fit in what is left of
// the chunk.
void world_check_room(const qxps_stream& s, uint64_t count, uint64_t element_size, const std::string& what);
// Raises the reader's error with the text "server: *ERROR* corrupt <what>: <detail>".
[[noreturn]] void world_corrupt(const std::string& what, const std::string& detail);

// The next n bytes of the chunk, in place, after a room check; for arrays read in one piece.
const uint8_t* world_take(qxps_stream& s, uint64_t count, uint64_t element_size, const std::string& what);

vec3 world_read_vec3(qxps_stream& s);
box3 world_read_box(qxps_stream& s);
// Reads a transform block (translation, scale, rotation axis, angle) and composes it onto the
// matrix: the result scales first, then rotates, then translates.
void mat4_read_trs(mat4& m, qxps_stream& s);
// The start of a placed object's chunk: the matrix becomes the identity, the current chunk is
// entered recording `record` (the object the transform belongs to), then the transform block is
// read onto the matrix.
template <class T>
void mat4_read_chunk(mat4& m, qxps_stream& s, T* record) {
    mat4_set_identity(m);
    qxps_stream_enter_chunk(s, record);
    mat4_read_trs(m, s);
}

// Splits a reference text at its first ':' into package and object name; a bare name belongs to
// `own_package`.
void world_split_reference(const std::string& text, const std::string& own_package, std::string& package_name,
                           std::string& object_name);

// Reads `count` references into the table: a chunk read before gives the object built then
// (shared), a new one is built by `read` and owned by the table.
template <class T, class Read>
void world_read_entries(object_table<T>& table, package_read_context& ctx, uint32_t count, Read read) {
    qxps_stream& s = ctx.stream;
    world_check_room(s, count, static_cast<uint64_t>(s.id_size), "table of references");
    table.items.reserve(table.items.size() + count);
    for (uint32_t i = 0; i < count; ++i) {
        if (qxps_stream_read_ref(s)) {
            object_table_add_shared(table, qxps_stream_object_as<T>(s));
            continue;
        }
        object_table_add_owned(table, read(ctx));
    }
}

}  // namespace kv
