#pragma once
// The program's only source of random numbers: a linear congruential generator with the
// C runtime's constants and range, so thresholds out of 32768 behave the same everywhere.

#include <cstdint>

namespace kv {

inline constexpr int kRandMax = 32767;

// The next number, 0..kRandMax.
int kv_rand();
// Restarts the sequence; the state is 1 before the first call.
void kv_srand(uint32_t seed);

}  // namespace kv
