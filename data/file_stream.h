#pragma once
// The binary and text input/output channel for every data file: a disk file or one chunk of an
// archive, read through a read-ahead buffer. Multi-byte values are big-endian. Operations never
// throw: each returns its result and sets `ok`. Only regular files open; a refused file, and every
// failure to open (other than a missing file), read or write, is logged with its path and reason.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "data/chunk_reader.h"
#include "platform/file_replace.h"
#include "util/vec3.h"

namespace kv {

// Open mode bits, combinable.
inline constexpr int kFileRead = 1;
inline constexpr int kFileWrite = 2;
inline constexpr int kFileCreate = 4;
inline constexpr int kFileTruncate = 8;
inline constexpr int kFileAppend = 16;
// With create: the file must not exist yet (nor a link of that name).
inline constexpr int kFileExclusive = 32;

inline constexpr const char* kChunkStreamName = "<PAK file>";
inline constexpr std::size_t kFileStreamBufferSize = 64 * 1024;
inline constexpr std::size_t kMaxLineLength = 256;

struct file_stream {
    std::string name;  // as opened; kChunkStreamName for a chunk
    int handle = -1;   // disk streams only
    bool ok = false;   // result of the last operation
    int error = 0;     // why the last open failed, as `sys_file_open` gives it
    std::unique_ptr<chunk_reader> chunk;
    // Bytes read ahead: [buffer_pos, buffer_end) of `buffer` lie at the stream's position and after.
    std::unique_ptr<uint8_t[]> buffer;
    std::size_t buffer_pos = 0;
    std::size_t buffer_end = 0;
    // A stream opened by `file_stream_open_replacement`: where its file goes on commit.
    sys_replacement replacement;

    file_stream() = default;
    ~file_stream();
    file_stream(const file_stream&) = delete;
    file_stream& operator=(const file_stream&) = delete;
};

// Opens a disk file (closing what the stream had open). With the write bit the file is first made
// writable. `name` may use '\' and differ in letter case from the file on disk.
bool file_stream_open(file_stream& s, const std::string& name, int mode);
// A stream that writes a new file to take the place of `name` (see platform/file_replace.h). The
// file takes that place only with `file_stream_commit`; closing the stream without it removes the
// new file and leaves the old one whole. False, with the reason logged, when the place cannot be
// written: `name` leads to something other than a regular file, to a read-only file, or the folder
// cannot take the new file.
bool file_stream_open_replacement(file_stream& s, const std::string& name);
// Closes a replacement stream and puts its file in place; call it only when every write succeeded.
// False (logged, the old file whole) when the file cannot be put in place.
bool file_stream_commit(file_stream& s);
// A stream over its own copy of `reader`. Writes on it fail.
void file_stream_open_chunk(file_stream& s, const chunk_reader& reader);
void file_stream_close(file_stream& s);
bool file_stream_is_open(const file_stream& s);

// Reads up to n bytes; ok when at least one byte came (or n is 0). `count` receives the bytes read.
bool file_stream_read(file_stream& s, void* buffer, std::size_t n, std::size_t* count = nullptr);
bool file_stream_write(file_stream& s, const void* buffer, std::size_t n);
// ok when exactly one byte was read.
uint8_t file_stream_read_char(file_stream& s);
// One line without its line feed; carriage returns are dropped. A line longer than kMaxLineLength
// comes back in pieces of that length. False (and an empty line) only at the end of the stream.
bool file_stream_read_line(file_stream& s, std::string& line);
// The text and a line feed.
bool file_stream_write_line(file_stream& s, const std::string& text);
// -1 on error.
int64_t file_stream_size(file_stream& s);
// Absolute position from the start of the file or chunk.
bool file_stream_seek(file_stream& s, int64_t position);
// -1 on error.
int64_t file_stream_tell(file_stream& s);

// Typed readers: ok only when every byte of the value was read; the value is 0 otherwise.
// A counted string is a 16-bit length (0 to 32767) and that many bytes, kept up to the first zero.
bool file_stream_read_string(file_stream& s, std::string& text);
uint16_t file_stream_read_u16(file_stream& s);
uint32_t file_stream_read_u32(file_stream& s);
float file_stream_read_float(file_stream& s);
// x, y, z; w is set to 0.
bool file_stream_read_vec3(file_stream& s, vec3& out);
bool file_stream_read_vec2(file_stream& s, float out[2]);

bool file_stream_write_u16(file_stream& s, uint16_t value);
bool file_stream_write_u32(file_stream& s, uint32_t value);
// Fails, writing nothing, for texts longer than 32767 bytes.
bool file_stream_write_string(file_stream& s, const std::string& text);

}  // namespace kv
