#pragma once
// A chunk source over bytes in memory, so that the fuzz targets read their input through
// `file_stream` without touching the disk.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "data/chunk_reader.h"

namespace kv {

class memory_chunk_reader : public chunk_reader {
public:
    memory_chunk_reader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    int64_t read(void* buffer, std::size_t n) override {
        if (position_ >= size_) return 0;
        const std::size_t take = std::min(n, size_ - position_);
        if (take) std::memcpy(buffer, data_ + position_, take);
        position_ += take;
        return static_cast<int64_t>(take);
    }
    // Like a disk file: any position from 0 on, reads past the end give nothing.
    bool seek(int64_t position) override {
        if (position < 0) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }
    int64_t tell() const override { return static_cast<int64_t>(position_); }
    int64_t size() const override { return static_cast<int64_t>(size_); }
    std::unique_ptr<chunk_reader> clone() const override {
        return std::make_unique<memory_chunk_reader>(*this);
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace kv
