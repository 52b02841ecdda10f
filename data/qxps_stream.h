#pragma once
// QXPS chunked streams, the container of packages. All integers big-endian:
//
//   "QXPS", two version digits d0 d1, id width (2: 16-bit ids, 4: 32-bit ids, other: 8-bit ids),
//   root id, chunk count n (u32), n directory entries {id, offset (u32)}, then the chunk data.
//   Offsets count from the end of the directory (the data base). A repeated id: the later entry wins.
//
// Every object lives in a chunk of its own and is referred to by its chunk id. Object readers
// follow one pattern:
//   1. `qxps_stream_read_ref`; when true the object was built already: take `qxps_stream_object_as`.
//   2. otherwise create the object, `qxps_stream_enter_chunk` with it before reading anything, read
//      its fields and sub-objects (by this same pattern), then `qxps_stream_leave_chunk`.
// Leaving a chunk puts the reading back in the parent right after the reference that led to it.
//
// The whole file is read into memory once. Chunks carry no length: a chunk ends where the next
// chunk (by offset) begins, or at the end of the file. Every read is checked against the end of the
// chunk being read; a read beyond it, a reference to an id the directory lacks, a chunk entered
// twice, chunks nested deeper than kQxpsMaxDepth or a chunk shared between objects of different
// kinds raises `read_error`.

#include <cstdint>
#include <map>
#include <string>
#include <typeinfo>
#include <vector>

#include "data/read_error.h"

namespace kv {

struct file_stream;

struct qxps_chunk {
    uint32_t offset = 0;                   // from the data base
    uint32_t end = 0;                      // first byte after the chunk, from the data base
    void* object = nullptr;                // null until the chunk is entered
    const std::type_info* kind = nullptr;  // the type of `object`
    std::size_t return_position = 0;       // where reading goes on in this chunk after a child
};

struct qxps_stream {
    // Reads the whole file from the start and then its header and directory; raises
    // `read_error` on a bad header. The file stream is not kept.
    explicit qxps_stream(file_stream& stream);
    // The same over bytes in memory.
    explicit qxps_stream(std::vector<uint8_t> bytes);

    int id_size = 1;  // bytes per id: 1, 2 or 4
    int version = 0;
    std::map<int32_t, qxps_chunk> directory;
    std::size_t data_base = 0;
    int32_t current_id = 0;
    std::vector<int32_t> chunk_stack;  // entered and not yet left, innermost last

    std::vector<uint8_t> bytes;  // the whole file
    std::size_t position = 0;    // next byte to read
    std::size_t limit = 0;       // end of the chunk being read
};

// Objects nest chunk in chunk; deeper nesting than this is damage (and would exhaust the stack).
inline constexpr std::size_t kQxpsMaxDepth = 256;
// Counts and string lengths are signed 16-bit values in the formats: 32768 and more are damage.
inline constexpr uint32_t kQxpsMaxCount = 32767;

// Reads one chunk id of the header's width: 16-bit ids sign-extended, 8-bit ids unsigned.
int32_t qxps_stream_read_id(qxps_stream& s);
// Reads an id and makes it current; true when the directory holds it and its object is built.
bool qxps_stream_read_ref(qxps_stream& s);
// The object built for the current id, or null.
void* qxps_stream_object(const qxps_stream& s);
// Enters the current chunk and records `object` (of type `kind`) for it; returns the id.
int32_t qxps_stream_enter_chunk(qxps_stream& s, void* object, const std::type_info& kind);
// Leaves the innermost chunk and goes back to where its parent's reading stopped.
void qxps_stream_leave_chunk(qxps_stream& s);

template <class T>
int32_t qxps_stream_enter_chunk(qxps_stream& s, T* object) {
    return qxps_stream_enter_chunk(s, object, typeid(T));
}

// The object of the current id as a T; raises when the chunk holds an object of another type.
void* qxps_stream_object_checked(const qxps_stream& s, const std::type_info& kind);
template <class T>
T* qxps_stream_object_as(const qxps_stream& s) {
    return static_cast<T*>(qxps_stream_object_checked(s, typeid(T)));
}

// Typed reads inside the current chunk; each raises `read_error` when the chunk ends first.
uint8_t qxps_stream_read_u8(qxps_stream& s);
uint16_t qxps_stream_read_u16(qxps_stream& s);
uint32_t qxps_stream_read_u32(qxps_stream& s);
float qxps_stream_read_float(qxps_stream& s);
void qxps_stream_read_bytes(qxps_stream& s, void* out, std::size_t n);
// A counted string: 16-bit length (at most 32767), then the bytes; a zero byte ends the text,
// the remaining stored bytes are still consumed.
std::string qxps_stream_read_string(qxps_stream& s);
// A 16-bit count taken as signed: 0 to 32767; more raises `read_error`.
uint32_t qxps_stream_read_count(qxps_stream& s);

}  // namespace kv
