#pragma once
// A source of bytes that a file stream reads instead of a disk file: one named chunk of an archive.
// Positions count from the chunk's first byte.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kv {

class chunk_reader {
public:
    virtual ~chunk_reader() = default;
    // Reads up to n bytes: the count read, 0 at the chunk's end, -1 on error.
    virtual int64_t read(void* buffer, std::size_t n) = 0;
    virtual bool seek(int64_t position) = 0;
    // The position of the next read, -1 on error.
    virtual int64_t tell() const = 0;
    virtual int64_t size() const = 0;
    // An independent reader at the same position.
    virtual std::unique_ptr<chunk_reader> clone() const = 0;
};

}  // namespace kv
