#pragma once
// Float to integer conversions that behave as the x86 truncating conversion does, so that packed
// values match whatever the input: never an out-of-range float-to-integer cast.

#include <cmath>
#include <cstdint>
#include <limits>

namespace kv {

// Toward zero; NaN and values outside the int32 range give INT32_MIN.
inline int32_t float_to_int32(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Truncated to int32 first, then the low 8 bits.
inline uint8_t float_to_byte(float value) {
    return static_cast<uint8_t>(static_cast<uint32_t>(float_to_int32(value)) & 0xFFu);
}

}  // namespace kv
