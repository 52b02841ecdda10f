#include "data/qxps_stream.h"

#include <algorithm>

#include "data/file_stream.h"
#include "util/byte_order.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr char kMagic[4] = {'Q', 'X', 'P', 'S'};
constexpr std::size_t kHeadSize = 6;  // magic and version digits

[[noreturn]] void fail(const std::string& text) {
    throw read_error(text);
}

// `format` holds one %d for the chunk id.
[[noreturn]] void fail_chunk(const char* format, int32_t id) {
    fail(str_format(format, id));
}

const uint8_t* take(qxps_stream& s, std::size_t n) {
    if (n > s.limit - s.position) {
        if (s.chunk_stack.empty()) fail("[PS] Read past the end of the file");
        fail_chunk("[PS] Read past the end of chunk %d", s.chunk_stack.back());
    }
    const uint8_t* p = s.bytes.data() + s.position;
    s.position += n;
    return p;
}

// Digits compared as characters: at most "11".
bool version_supported(uint8_t d0, uint8_t d1) {
    return d0 < '1' || (d0 == '1' && d1 <= '1');
}

void read_header(qxps_stream& s) {
    const std::size_t size = s.bytes.size();
    s.limit = size;
    if (size < kHeadSize || !std::equal(kMagic, kMagic + 4, s.bytes.begin()))
        fail("[PS] Invalid header found");
    const uint8_t d0 = s.bytes[4];
    const uint8_t d1 = s.bytes[5];
    if (!version_supported(d0, d1)) fail("[PS] Unsupported (future) version found");
    s.version = 10 * (d0 - '0') + (d1 - '0');
    s.position = kHeadSize;
    try {
        const uint8_t width = qxps_stream_read_u8(s);
        s.id_size = width == 2 ? 2 : width == 4 ? 4 : 1;
        s.current_id = qxps_stream_read_id(s);
        const uint32_t count = qxps_stream_read_u32(s);
        // The count must fit the bytes present before anything is allocated for it.
        const std::size_t entry_size = static_cast<std::size_t>(s.id_size) + 4;
        if (count > (size - s.position) / entry_size) fail("[PS] Invalid header found");
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t id = qxps_stream_read_id(s);
            s.directory[id].offset = qxps_stream_read_u32(s);
        }
    } catch (const read_error&) {
        fail("[PS] Invalid header found");
    }
    s.data_base = s.position;

    // Each chunk ends where the next one (by offset) begins.
    const std::size_t data_size = size - s.data_base;
    std::vector<uint32_t> starts;
    starts.reserve(s.directory.size());
    for (const auto& [id, chunk] : s.directory) starts.push_back(chunk.offset);
    std::sort(starts.begin(), starts.end());
    for (auto& [id, chunk] : s.directory) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), chunk.offset);
        const std::size_t end = next != starts.end() ? *next : data_size;
        chunk.end = static_cast<uint32_t>(std::min<std::size_t>({end, data_size, UINT32_MAX}));
    }

    const auto root = s.directory.find(s.current_id);
    if (root != s.directory.end() && root->second.offset <= data_size)
        s.position = s.data_base + root->second.offset;
}

// The whole file in one piece: chunks are small and many, and a level is read once.
std::vector<uint8_t> read_all(file_stream& stream) {
    const int64_t size = file_stream_size(stream);
    if (size < 0 || !file_stream_seek(stream, 0)) fail("[PS] Invalid header found");
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t total = 0;
    while (total < bytes.size()) {
        std::size_t count = 0;
        if (!file_stream_read(stream, bytes.data() + total, bytes.size() - total, &count) || count == 0)
            break;
        total += count;
    }
    bytes.resize(total);
    return bytes;
}

}  // namespace

qxps_stream::qxps_stream(file_stream& stream) : qxps_stream(read_all(stream)) {}

qxps_stream::qxps_stream(std::vector<uint8_t> file_bytes) : bytes(std::move(file_bytes)) {
    read_header(*this);
}

int32_t qxps_stream_read_id(qxps_stream& s) {
    switch (s.id_size) {
        case 2:
            return static_cast<int16_t>(be_load_u16(take(s, 2)));
        case 4:
            return static_cast<int32_t>(be_load_u32(take(s, 4)));
        default:
            return *take(s, 1);
    }
}

bool qxps_stream_read_ref(qxps_stream& s) {
    s.current_id = qxps_stream_read_id(s);
    const auto it = s.directory.find(s.current_id);
    return it != s.directory.end() && it->second.object != nullptr;
}

void* qxps_stream_object(const qxps_stream& s) {
    const auto it = s.directory.find(s.current_id);
    return it != s.directory.end() ? it->second.object : nullptr;
}

void* qxps_stream_object_checked(const qxps_stream& s, const std::type_info& kind) {
    const auto it = s.directory.find(s.current_id);
    if (it == s.directory.end() || !it->second.object) return nullptr;
    if (*it->second.kind != kind) fail_chunk("[PS] Chunk %d holds another kind of object", s.current_id);
    return it->second.object;
}

int32_t qxps_stream_enter_chunk(qxps_stream& s, void* object, const std::type_info& kind) {
    const auto it = s.directory.find(s.current_id);
    if (it == s.directory.end()) fail_chunk("[PS] Chunk %d is not in the directory", s.current_id);
    qxps_chunk& chunk = it->second;
    if (chunk.object) fail_chunk("[PS] Chunk %d entered twice", s.current_id);
    const std::size_t data_size = s.bytes.size() - s.data_base;
    if (chunk.offset > data_size) fail_chunk("[PS] Chunk %d lies beyond the end of the file", s.current_id);
    if (s.chunk_stack.size() >= kQxpsMaxDepth) fail_chunk("[PS] Chunk %d nested too deeply", s.current_id);
    if (!s.chunk_stack.empty()) s.directory[s.chunk_stack.back()].return_position = s.position;
    s.position = s.data_base + chunk.offset;
    s.limit = s.data_base + chunk.end;
    chunk.object = object;
    chunk.kind = &kind;
    s.chunk_stack.push_back(s.current_id);
    return s.current_id;
}

void qxps_stream_leave_chunk(qxps_stream& s) {
    if (s.chunk_stack.empty()) fail("[PS] Chunk left that was not entered");
    s.chunk_stack.pop_back();
    if (s.chunk_stack.empty()) {
        s.limit = s.bytes.size();
        return;
    }
    s.current_id = s.chunk_stack.back();
    const qxps_chunk& parent = s.directory[s.current_id];
    s.position = parent.return_position;
    s.limit = s.data_base + parent.end;
}

uint8_t qxps_stream_read_u8(qxps_stream& s) {
    return *take(s, 1);
}
uint16_t qxps_stream_read_u16(qxps_stream& s) {
    return be_load_u16(take(s, 2));
}
uint32_t qxps_stream_read_u32(qxps_stream& s) {
    return be_load_u32(take(s, 4));
}
float qxps_stream_read_float(qxps_stream& s) {
    return be_load_f32(take(s, 4));
}

void qxps_stream_read_bytes(qxps_stream& s, void* out, std::size_t n) {
    mem_copy(out, take(s, n), n);
}

uint32_t qxps_stream_read_count(qxps_stream& s) {
    const uint32_t count = qxps_stream_read_u16(s);
    if (count > kQxpsMaxCount) fail(str_format("[PS] Count %u out of range", count));
    return count;
}

std::string qxps_stream_read_string(qxps_stream& s) {
    const uint32_t length = qxps_stream_read_u16(s);
    if (length > kQxpsMaxCount) fail(str_format("[PS] String length %u out of range", length));
    const auto* p = reinterpret_cast<const char*>(take(s, length));
    return std::string(p, std::find(p, p + length, '\0'));
}

}  // namespace kv
