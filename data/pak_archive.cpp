#include "data/pak_archive.h"

#include <algorithm>
#include <cstring>

#include "data/read_error.h"
#include "kernel/log.h"
#include "util/text.h"

// Archive layout, all integers big-endian:
//
//   offset  size  field
//   0       4     magic "KPAK"
//   4       2     version, 1
//   6       4     entry count n
//   10      ...   n entries: name (16-bit length, then the bytes), offset (u32), size (u32)
//   ...           chunk data; the data base is the position right after the directory
//
// A chunk's bytes lie at data base + offset. Every entry must lie inside the file.

namespace kv {
namespace {

constexpr int64_t kHeaderSize = 10;
constexpr int64_t kSmallestEntry = 10;  // an empty name, offset and size

[[noreturn]] void damaged(const pak_archive& archive, const char* what) {
    throw read_error(
        str_format("[PAK] %s in archive `%s'", what, log_printable(archive.stream.name).c_str()));
}

}  // namespace

pak_chunk_reader::pak_chunk_reader(pak_archive& a, const pak_entry& e)
    : archive(&a), entry(&e), position(int64_t{a.data_base} + e.offset) {}

int64_t pak_chunk_reader::read(void* buffer, std::size_t n) {
    file_stream& stream = archive->stream;
    const int64_t end = int64_t{archive->data_base} + entry->offset + entry->size;
    if (position >= end) return 0;
    if (file_stream_tell(stream) != position && !file_stream_seek(stream, position)) return -1;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(n), end - position));
    std::size_t count = 0;
    if (!file_stream_read(stream, buffer, wanted, &count)) return wanted == 0 ? 0 : -1;
    position += static_cast<int64_t>(count);
    return static_cast<int64_t>(count);
}

bool pak_chunk_reader::seek(int64_t p) {
    if (p < 0 || p > int64_t{entry->size}) return false;
    const int64_t target = int64_t{archive->data_base} + entry->offset + p;
    if (!file_stream_seek(archive->stream, target)) return false;
    position = target;
    return true;
}

int64_t pak_chunk_reader::tell() const {
    return position - entry->offset - archive->data_base;
}

int64_t pak_chunk_reader::size() const {
    return entry->size;
}

std::unique_ptr<chunk_reader> pak_chunk_reader::clone() const {
    return std::make_unique<pak_chunk_reader>(*this);
}

void pak_archive_read_directory(pak_archive& archive) {
    file_stream& in = archive.stream;
    const int64_t file_size = file_stream_size(in);
    char magic[4];
    std::size_t got = 0;
    if (file_size < kHeaderSize || !file_stream_seek(in, 0) ||
        !file_stream_read(in, magic, sizeof magic, &got) || got != sizeof magic ||
        std::memcmp(magic, kPakMagic, sizeof magic) != 0) {
        damaged(archive, "Invalid header");
    }
    const uint16_t version = file_stream_read_u16(in);
    if (!in.ok || version != kPakVersion) damaged(archive, "Unsupported version");
    const uint32_t count = file_stream_read_u32(in);
    if (!in.ok || count > (file_size - kHeaderSize) / kSmallestEntry) damaged(archive, "Damaged directory");

    archive.entries.clear();
    archive.first_entry.clear();
    archive.entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        pak_entry e;
        if (!file_stream_read_string(in, e.name)) damaged(archive, "Damaged directory");
        e.offset = file_stream_read_u32(in);
        if (in.ok) e.size = file_stream_read_u32(in);
        if (!in.ok) damaged(archive, "Damaged directory");
        archive.entries.push_back(std::move(e));
    }
    const int64_t data_base = file_stream_tell(in);
    if (data_base < 0 || data_base > file_size || data_base > int64_t{UINT32_MAX})
        damaged(archive, "Damaged directory");
    for (std::size_t i = 0; i < archive.entries.size(); ++i) {
        const pak_entry& e = archive.entries[i];
        if (int64_t{e.offset} + e.size > file_size - data_base)
            damaged(archive, "Chunk beyond the end of the file");
        archive.first_entry.emplace(e.name, i);
    }
    archive.entry_count = count;
    archive.data_base = static_cast<uint32_t>(data_base);
}

std::unique_ptr<pak_archive> pak_archive_open(const std::string& path) {
    auto archive = std::make_unique<pak_archive>();
    if (!file_stream_open(archive->stream, path, kFileRead)) {
        log_write("[PAK] Can't open archive `%s'\n", path.c_str());
        return nullptr;
    }
    try {
        pak_archive_read_directory(*archive);
    } catch (const read_error& e) {
        log_write("%s\n", e.what());
        return nullptr;
    }
    return archive;
}

bool pak_archive_has_chunk(const pak_archive& archive, const std::string& name) {
    return archive.first_entry.count(name) != 0;
}

pak_chunk_reader pak_archive_find_chunk(pak_archive& archive, const std::string& name) {
    const auto it = archive.first_entry.find(name);
    if (it == archive.first_entry.end())
        throw read_error(str_format("[PAK] Can't find chunk `%s'", log_printable(name).c_str()));
    return pak_chunk_reader(archive, archive.entries[it->second]);
}

}  // namespace kv
