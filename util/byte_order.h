#pragma once
// Big-endian loads and stores: every binary format of the program stores its values most
// significant byte first, floats included.

#include <bit>
#include <cstdint>
#include <cstring>

namespace kv {

inline uint16_t be_load_u16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

inline uint32_t be_load_u32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline float be_load_f32(const uint8_t* p) { return std::bit_cast<float>(be_load_u32(p)); }

inline void be_store_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void be_store_u32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline void be_store_f32(uint8_t* p, float v) { be_store_u32(p, std::bit_cast<uint32_t>(v)); }

// Little-endian loads, for the few formats stored that way (light maps, RIFF samples).
inline uint16_t le_load_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t le_load_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline float le_load_f32(const uint8_t* p) { return std::bit_cast<float>(le_load_u32(p)); }

inline void le_store_u32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void le_store_f32(uint8_t* p, float v) { le_store_u32(p, std::bit_cast<uint32_t>(v)); }

// The unsigned value of a signed 8- or 16-bit value.
inline uint32_t num_zero_extend8(int8_t v) { return static_cast<uint8_t>(v); }
inline uint32_t num_zero_extend16(int16_t v) { return static_cast<uint16_t>(v); }

inline void mem_copy(void* destination, const void* source, std::size_t n) {
    if (n) std::memcpy(destination, source, n);
}

}  // namespace kv
