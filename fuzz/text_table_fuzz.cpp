// Reads arbitrary bytes as a text table.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/file_stream.h"
#include "util/text_table.h"

namespace {

using namespace kv;

class memory_chunk : public chunk_reader {
public:
    memory_chunk(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int64_t read(void* buffer, std::size_t n) override {
        if (position_ >= size_) return 0;
        const std::size_t take = std::min(n, size_ - position_);
        std::memcpy(buffer, data_ + position_, take);
        position_ += take;
        return static_cast<int64_t>(take);
    }
    bool seek(int64_t position) override {
        if (position < 0) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }
    int64_t tell() const override { return static_cast<int64_t>(position_); }
    int64_t size() const override { return static_cast<int64_t>(size_); }
    std::unique_ptr<chunk_reader> clone() const override { return std::make_unique<memory_chunk>(*this); }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    file_stream stream;
    file_stream_open_chunk(stream, memory_chunk(data, size));
    text_table table;
    if (!text_table_read(table, stream)) std::abort();
    // The entries hold the input's bytes, joined by at most one line feed per line read.
    std::size_t total = 0;
    for (const std::string& entry : table.entries) total += entry.size();
    if (total > size + size / kMaxLineLength) std::abort();
    return 0;
}
