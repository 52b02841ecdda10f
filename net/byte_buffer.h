#pragma once
// The growable byte array with one cursor that holds every datagram of the game protocol, header
// and body. It fixes the wire encoding: integers big-endian, floats as the four bytes of their
// single-precision form most significant first, strings as a 16-bit length and their bytes.
// Writers grow the storage and never leave the end behind the cursor; readers check the bytes left
// first and fail without moving the cursor or storing anything. Nothing here throws.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "util/byte_order.h"
#include "util/vec3.h"

namespace kv {

// The longest text a string field can carry: its length travels in 16 bits.
inline constexpr std::size_t kMaxWireString = 0xFFFF;

class byte_buffer {
public:
    byte_buffer() = default;
    // Storage of exactly `length` bytes holding a copy of `bytes`; the cursor at the start.
    byte_buffer(const void* bytes, std::size_t length);
    // Copies are deep and keep the cursor's offset.
    byte_buffer(const byte_buffer& other);
    byte_buffer& operator=(const byte_buffer& other);
    byte_buffer(byte_buffer&& other) noexcept;
    byte_buffer& operator=(byte_buffer&& other) noexcept;
    ~byte_buffer() = default;

    // Grows the storage to exactly n bytes when it holds fewer; the new bytes are zero.
    void reserve(std::size_t n);
    // Room for n more bytes at the cursor: four times n while the buffer is small against the
    // request, else twice its size.
    void ensure(std::size_t n) {
        if (capacity_ - cursor_ < n) grow(n);
    }
    // pos > 0: the cursor to that offset, growing the buffer (with zero bytes) when it lies past the
    // end; 0: the start; negative: the end.
    void seek(int32_t pos);
    void rewind() { cursor_ = 0; }
    // Cuts the buffer at the cursor.
    void truncate() { end_ = cursor_; }
    void release();

    const uint8_t* data() const { return storage_.get(); }
    std::size_t size() const { return end_; }
    std::size_t capacity() const { return capacity_; }
    // The cursor's offset from the start.
    std::size_t position() const { return cursor_; }

    void write_u8(uint8_t v) {
        ensure(1);
        storage_[cursor_] = v;
        advance(1);
    }
    void write_u16(uint16_t v) {
        ensure(2);
        be_store_u16(storage_.get() + cursor_, v);
        advance(2);
    }
    void write_u32(uint32_t v) {
        ensure(4);
        be_store_u32(storage_.get() + cursor_, v);
        advance(4);
    }
    void write_float(float f);
    void write_vec3(const vec3& v);
    // A text longer than kMaxWireString bytes is cut to that length, so length and bytes agree.
    void write_string(const std::string& s);

    bool read_u8(uint8_t& v) {
        if (!can_read(1)) return false;
        v = storage_[cursor_];
        cursor_ += 1;
        return true;
    }
    bool read_u16(uint16_t& v) {
        if (!can_read(2)) return false;
        v = be_load_u16(storage_.get() + cursor_);
        cursor_ += 2;
        return true;
    }
    bool read_u32(uint32_t& v) {
        if (!can_read(4)) return false;
        v = be_load_u32(storage_.get() + cursor_);
        cursor_ += 4;
        return true;
    }
    bool read_float(float& f);
    // x, y, z, stored only when all three were read; the components read before a failing one stay
    // consumed.
    bool read_vec3(vec3& v);
    // A length that runs past the end fails with the two length bytes consumed and s unchanged.
    bool read_string(std::string& s);

private:
    void write_bytes(const void* bytes, std::size_t n);
    // The cursor advanced by n bytes that were just stored; the end follows it.
    void advance(std::size_t n) {
        cursor_ += n;
        if (cursor_ > end_) end_ = cursor_;
    }
    // Room for n more bytes when `ensure` finds too little.
    void grow(std::size_t n);
    bool can_read(std::size_t n) const { return cursor_ + n <= end_; }

    std::unique_ptr<uint8_t[]> storage_;
    std::size_t cursor_ = 0;
    std::size_t end_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace kv
