#include "net/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "util/byte_order.h"

namespace kv {

byte_buffer::byte_buffer(const void* bytes, std::size_t length) {
    reserve(length);
    mem_copy(storage_.get(), bytes, length);
    end_ = length;
}

byte_buffer::byte_buffer(const byte_buffer& other) {
    *this = other;
}

byte_buffer& byte_buffer::operator=(const byte_buffer& other) {
    if (this == &other) return *this;
    reserve(other.end_);
    mem_copy(storage_.get(), other.storage_.get(), other.end_);
    end_ = other.end_;
    cursor_ = other.cursor_;
    return *this;
}

byte_buffer::byte_buffer(byte_buffer&& other) noexcept
    : storage_(std::move(other.storage_)),
      cursor_(std::exchange(other.cursor_, 0)),
      end_(std::exchange(other.end_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

byte_buffer& byte_buffer::operator=(byte_buffer&& other) noexcept {
    if (this == &other) return *this;
    storage_ = std::move(other.storage_);
    cursor_ = std::exchange(other.cursor_, 0);
    end_ = std::exchange(other.end_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

void byte_buffer::reserve(std::size_t n) {
    if (capacity_ >= n) return;
    // Value-initialised: every byte of a datagram is defined, also where a seek skipped ahead.
    std::unique_ptr<uint8_t[]> grown(new uint8_t[n]());
    mem_copy(grown.get(), storage_.get(), end_);
    storage_ = std::move(grown);
    capacity_ = n;
}

void byte_buffer::grow(std::size_t n) {
    reserve(end_ <= n ? 4 * n : 2 * end_);
}

void byte_buffer::seek(int32_t pos) {
    if (pos > 0) {
        cursor_ = 0;
        ensure(static_cast<std::size_t>(pos));
        cursor_ = static_cast<std::size_t>(pos);
    } else if (pos == 0) {
        cursor_ = 0;
    } else {
        cursor_ = end_;
    }
    if (cursor_ > end_) {
        // Bytes left behind by an earlier truncate must not come back.
        std::memset(storage_.get() + end_, 0, cursor_ - end_);
        end_ = cursor_;
    }
}

void byte_buffer::release() {
    storage_.reset();
    cursor_ = end_ = capacity_ = 0;
}

void byte_buffer::write_float(float f) {
    ensure(4);
    be_store_f32(storage_.get() + cursor_, f);
    advance(4);
}

void byte_buffer::write_vec3(const vec3& v) {
    write_float(v.x);
    write_float(v.y);
    write_float(v.z);
}

void byte_buffer::write_string(const std::string& s) {
    const std::size_t length = std::min(s.size(), kMaxWireString);
    ensure(length + 2);
    write_u16(static_cast<uint16_t>(length));
    write_bytes(s.data(), length);
}

void byte_buffer::write_bytes(const void* bytes, std::size_t n) {
    ensure(n);
    mem_copy(storage_.get() + cursor_, bytes, n);
    advance(n);
}

bool byte_buffer::read_float(float& f) {
    if (!can_read(4)) return false;
    f = be_load_f32(storage_.get() + cursor_);
    cursor_ += 4;
    return true;
}

bool byte_buffer::read_vec3(vec3& v) {
    vec3 read = v;
    if (!read_float(read.x) || !read_float(read.y) || !read_float(read.z)) return false;
    v = read;
    return true;
}

bool byte_buffer::read_string(std::string& s) {
    uint16_t length = 0;
    if (!read_u16(length)) return false;
    if (!can_read(length)) return false;
    s.assign(reinterpret_cast<const char*>(storage_.get() + cursor_), length);
    cursor_ += length;
    return true;
}

}  // namespace kv
