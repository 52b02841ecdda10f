#include "data/file_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kernel/log.h"
#include "platform/file_io.h"
#include "platform/path_resolve.h"
#include "util/byte_order.h"

namespace kv {
namespace {

constexpr std::size_t kMaxCountedString = 32767;

std::size_t buffered(const file_stream& s) {
    return s.buffer_end - s.buffer_pos;
}

void drop_buffer(file_stream& s) {
    s.buffer_pos = s.buffer_end = 0;
}

// The source below the buffer: the chunk reader or the disk file.
int64_t source_read(file_stream& s, void* out, std::size_t n) {
    if (s.chunk) return s.chunk->read(out, n);
    if (s.handle < 0) return -1;
    const int64_t got = sys_file_read(s.handle, out, n);
    if (got < 0)
        log_write("Couldn't read `%s': %s.\n", s.name.c_str(), sys_error_text(sys_last_error()).c_str());
    return got;
}

// The log line of a failed open; a missing file is for the caller to mention. `use` is what was
// not done with the file.
void log_open_failure(const std::string& path, int error, const char* use = "opened") {
    if (error == kSysNotRegularFile) {
        log_write("`%s' is not a regular file, not %s.\n", path.c_str(), use);
    } else if (error == kSysReadOnlyFile) {
        log_write("`%s' is read-only, left as it is.\n", path.c_str());
    } else if (!sys_error_is_missing(error)) {
        log_write("Couldn't open `%s': %s.\n", path.c_str(), sys_error_text(error).c_str());
    }
}

int64_t source_tell(const file_stream& s) {
    if (s.chunk) return s.chunk->tell();
    if (s.handle >= 0) return sys_file_seek(s.handle, 0, sys_seek_origin::current);
    return -1;
}

bool source_seek(file_stream& s, int64_t position) {
    if (s.chunk) return s.chunk->seek(position);
    if (s.handle >= 0) return sys_file_seek(s.handle, position, sys_seek_origin::start) == position;
    return false;
}

bool refill(file_stream& s) {
    if (!file_stream_is_open(s)) return false;
    if (!s.buffer) s.buffer = std::make_unique<uint8_t[]>(kFileStreamBufferSize);
    drop_buffer(s);
    const int64_t got = source_read(s, s.buffer.get(), kFileStreamBufferSize);
    if (got <= 0) return false;
    s.buffer_end = static_cast<std::size_t>(got);
    return true;
}

// Reads until n bytes came or the source ends; the count read.
std::size_t read_bytes(file_stream& s, void* out, std::size_t n) {
    auto* dest = static_cast<uint8_t*>(out);
    std::size_t done = 0;
    while (done < n) {
        if (buffered(s) == 0) {
            // Large reads go straight to the destination; the spent read-ahead no longer lies just
            // before the source's position, so a later seek must not count on it.
            if (n - done >= kFileStreamBufferSize) {
                drop_buffer(s);
                const int64_t got = source_read(s, dest + done, n - done);
                if (got <= 0) break;
                done += static_cast<std::size_t>(got);
                continue;
            }
            if (!refill(s)) break;
        }
        const std::size_t take = std::min(n - done, buffered(s));
        std::memcpy(dest + done, s.buffer.get() + s.buffer_pos, take);
        s.buffer_pos += take;
        done += take;
    }
    return done;
}

// All n bytes or failure.
bool read_exact(file_stream& s, void* out, std::size_t n) {
    if (buffered(s) >= n) {
        mem_copy(out, s.buffer.get() + s.buffer_pos, n);
        s.buffer_pos += n;
        s.ok = true;
    } else {
        s.ok = read_bytes(s, out, n) == n;
    }
    return s.ok;
}

// The next byte without consuming it, or -1 at the end.
int peek_byte(file_stream& s) {
    if (buffered(s) == 0 && !refill(s)) return -1;
    return s.buffer[s.buffer_pos];
}

// Moves the source back to the stream's position and forgets the read-ahead, before a write.
bool sync_source(file_stream& s) {
    if (buffered(s) == 0) {
        drop_buffer(s);
        return true;
    }
    const int64_t position = file_stream_tell(s);
    drop_buffer(s);
    return position >= 0 && source_seek(s, position);
}

}  // namespace

file_stream::~file_stream() {
    file_stream_close(*this);
}

bool file_stream_open(file_stream& s, const std::string& name, int mode) {
    file_stream_close(s);
    s.name = name;
    sys_file_mode sys_mode;
    sys_mode.read = (mode & kFileRead) != 0;
    sys_mode.write = (mode & kFileWrite) != 0;
    sys_mode.create = (mode & kFileCreate) != 0;
    sys_mode.truncate = (mode & kFileTruncate) != 0;
    sys_mode.append = (mode & kFileAppend) != 0;
    sys_mode.exclusive = (mode & kFileExclusive) != 0;
    const std::string path = sys_resolve_path(name);
    s.handle = sys_file_open(path, sys_mode, &s.error);
    s.ok = s.handle >= 0;
    if (!s.ok && !(sys_mode.exclusive && s.error == EEXIST)) log_open_failure(path, s.error);
    return s.ok;
}

bool file_stream_open_replacement(file_stream& s, const std::string& name) {
    file_stream_close(s);
    s.name = name;
    const std::string path = sys_resolve_path(name);
    s.ok = sys_replace_begin(s.replacement, path, &s.error);
    if (!s.ok) {
        // Named where a link leads; a missing folder is a reason here too.
        const std::string& target = s.replacement.target;
        if (sys_error_is_missing(s.error)) {
            log_write("Couldn't write `%s': %s.\n", target.c_str(), sys_error_text(s.error).c_str());
        } else {
            log_open_failure(target, s.error, "written");
        }
        return false;
    }
    s.handle = s.replacement.handle;
    return true;
}

bool file_stream_commit(file_stream& s) {
    // The replacement owns the handle; closing it is the commit's business.
    s.handle = -1;
    bool committed = false;
    if (s.replacement.handle >= 0) {
        committed = sys_replace_commit(s.replacement, &s.error);
        if (!committed) {
            log_write("Couldn't write `%s': %s.\n", s.replacement.target.c_str(),
                      sys_error_text(s.error).c_str());
        }
    }
    file_stream_close(s);
    s.ok = committed;
    return committed;
}

void file_stream_open_chunk(file_stream& s, const chunk_reader& reader) {
    file_stream_close(s);
    s.name = kChunkStreamName;
    s.chunk = reader.clone();
    s.ok = true;
}

void file_stream_close(file_stream& s) {
    s.ok = true;
    if (s.replacement.handle >= 0) {
        // Closed before its commit: the new file goes, the old one stays.
        sys_replace_abandon(s.replacement);
        s.handle = -1;
    }
    if (s.handle >= 0) s.ok = sys_file_close(s.handle);
    s.handle = -1;
    s.chunk.reset();
    s.name.clear();
    s.buffer.reset();
    drop_buffer(s);
}

bool file_stream_is_open(const file_stream& s) {
    return s.handle >= 0 || s.chunk != nullptr;
}

bool file_stream_read(file_stream& s, void* buffer, std::size_t n, std::size_t* count) {
    const std::size_t got = read_bytes(s, buffer, n);
    if (count) *count = got;
    s.ok = got > 0 || (n == 0 && file_stream_is_open(s));
    return s.ok;
}

bool file_stream_write(file_stream& s, const void* buffer, std::size_t n) {
    if (s.handle < 0 || !sync_source(s)) {
        s.ok = false;
        return false;
    }
    s.ok = sys_file_write(s.handle, buffer, n);
    if (!s.ok)
        log_write("Couldn't write `%s': %s.\n", s.name.c_str(), sys_error_text(sys_last_error()).c_str());
    return s.ok;
}

uint8_t file_stream_read_char(file_stream& s) {
    uint8_t c = 0;
    return read_exact(s, &c, 1) ? c : 0;
}

bool file_stream_read_line(file_stream& s, std::string& line) {
    line.clear();
    bool got_any = false;
    for (int c; (c = peek_byte(s)) >= 0;) {
        ++s.buffer_pos;
        got_any = true;
        if (c == '\n') break;
        if (c == '\r') continue;
        line.push_back(static_cast<char>(c));
        if (line.size() == kMaxLineLength) {
            // The rest of a long line comes back from the next call; only a line end right here
            // belongs to this piece.
            while (peek_byte(s) == '\r') ++s.buffer_pos;
            if (peek_byte(s) == '\n') ++s.buffer_pos;
            break;
        }
    }
    s.ok = got_any;
    return s.ok;
}

bool file_stream_write_line(file_stream& s, const std::string& text) {
    return file_stream_write(s, text.data(), text.size()) && file_stream_write(s, "\n", 1);
}

int64_t file_stream_size(file_stream& s) {
    int64_t size = -1;
    if (s.chunk) {
        size = s.chunk->size();
    } else if (s.handle >= 0) {
        size = sys_file_size(s.handle);
    }
    s.ok = size >= 0;
    return size;
}

bool file_stream_seek(file_stream& s, int64_t position) {
    if (position < 0 || !file_stream_is_open(s)) {
        s.ok = false;
        return false;
    }
    // A target inside the read-ahead keeps it.
    if (s.buffer_end > 0) {
        const int64_t source_position = source_tell(s);
        const int64_t buffer_start = source_position - static_cast<int64_t>(s.buffer_end);
        if (source_position >= 0 && position >= buffer_start && position <= source_position) {
            s.buffer_pos = static_cast<std::size_t>(position - buffer_start);
            s.ok = true;
            return true;
        }
    }
    drop_buffer(s);
    s.ok = source_seek(s, position);
    return s.ok;
}

int64_t file_stream_tell(file_stream& s) {
    int64_t position = source_tell(s);
    if (position >= 0) position -= static_cast<int64_t>(buffered(s));
    s.ok = position >= 0;
    return s.ok ? position : -1;
}

bool file_stream_read_string(file_stream& s, std::string& text) {
    text.clear();
    uint8_t length_bytes[2];
    if (!read_exact(s, length_bytes, 2)) return false;
    const std::size_t length = be_load_u16(length_bytes);
    if (length > kMaxCountedString) {
        s.ok = false;
        return false;
    }
    std::string stored(length, '\0');
    if (!read_exact(s, stored.data(), length)) return false;
    text.assign(stored.c_str());
    return true;
}

uint16_t file_stream_read_u16(file_stream& s) {
    uint8_t bytes[2];
    return read_exact(s, bytes, 2) ? be_load_u16(bytes) : 0;
}

uint32_t file_stream_read_u32(file_stream& s) {
    uint8_t bytes[4];
    return read_exact(s, bytes, 4) ? be_load_u32(bytes) : 0;
}

float file_stream_read_float(file_stream& s) {
    uint8_t bytes[4];
    return read_exact(s, bytes, 4) ? be_load_f32(bytes) : 0.0f;
}

bool file_stream_read_vec3(file_stream& s, vec3& out) {
    uint8_t bytes[12];
    if (!read_exact(s, bytes, 12)) return false;
    out = vec3{be_load_f32(bytes), be_load_f32(bytes + 4), be_load_f32(bytes + 8), 0.0f};
    return true;
}

bool file_stream_read_vec2(file_stream& s, float out[2]) {
    uint8_t bytes[8];
    if (!read_exact(s, bytes, 8)) return false;
    out[0] = be_load_f32(bytes);
    out[1] = be_load_f32(bytes + 4);
    return true;
}

bool file_stream_write_u16(file_stream& s, uint16_t value) {
    uint8_t bytes[2];
    be_store_u16(bytes, value);
    return file_stream_write(s, bytes, 2);
}

bool file_stream_write_u32(file_stream& s, uint32_t value) {
    uint8_t bytes[4];
    be_store_u32(bytes, value);
    return file_stream_write(s, bytes, 4);
}

bool file_stream_write_string(file_stream& s, const std::string& text) {
    if (text.size() > kMaxCountedString) {
        s.ok = false;
        return false;
    }
    return file_stream_write_u16(s, static_cast<uint16_t>(text.size())) &&
           file_stream_write(s, text.data(), text.size());
}

}  // namespace kv
