#pragma once
// PAK archives: many data files as named chunks of one file. A `file_stream` reads one chunk as if
// it were a file through a `pak_chunk_reader`; the readers of one archive share its stream and
// each keeps its own position. Names are compared exactly (byte for byte, case-sensitive).
// The on-disk layout is documented in pak_archive.cpp.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/chunk_reader.h"
#include "data/file_stream.h"

namespace kv {

inline constexpr char kPakMagic[4] = {'K', 'P', 'A', 'K'};
inline constexpr uint16_t kPakVersion = 1;

struct pak_entry {
    std::string name;
    uint32_t offset = 0;  // from the data base
    uint32_t size = 0;
};

struct pak_archive {
    file_stream stream;  // shared by every chunk reader of the archive
    uint32_t entry_count = 0;
    std::vector<pak_entry> entries;                            // in archive order
    uint32_t data_base = 0;                                    // file position that entry offsets count from
    std::unordered_map<std::string, std::size_t> first_entry;  // name -> first entry of that name
};

// Reads one chunk of an archive; must not outlive the archive.
class pak_chunk_reader : public chunk_reader {
public:
    pak_chunk_reader(pak_archive& archive, const pak_entry& entry);

    // Reads at most up to the chunk's end: the count read, 0 at the end, -1 on error.
    int64_t read(void* buffer, std::size_t n) override;
    // Positions outside 0..size are refused.
    bool seek(int64_t position) override;
    int64_t tell() const override;
    int64_t size() const override;
    std::unique_ptr<chunk_reader> clone() const override;

    pak_archive* archive;
    const pak_entry* entry;
    int64_t position;  // absolute position in the archive file of the next read
};

// Opens an archive and reads its directory; null after a log line when the file is missing or
// damaged.
std::unique_ptr<pak_archive> pak_archive_open(const std::string& path);
// Reads the directory of an archive whose stream is open; raises `read_error` when it is damaged.
void pak_archive_read_directory(pak_archive& archive);

bool pak_archive_has_chunk(const pak_archive& archive, const std::string& name);
// A reader over the first entry of that name; raises "[PAK] Can't find chunk `name'" when there is
// none (callers ask `pak_archive_has_chunk` first).
pak_chunk_reader pak_archive_find_chunk(pak_archive& archive, const std::string& name);

}  // namespace kv
