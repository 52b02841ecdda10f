#pragma once
// What a shot takes from its row of the ammunition table: the six numbers the blast queue spreads
// over the pellets (damage, penetration, range, spread in thousandths, fall-off and the spread factor
// of a follow-up shot). Shots hold the row by reference, so row 0 is a row like any other.

#include <cstdint>

namespace kv {

inline constexpr int kAmmoBlastNumbers = 6;

struct ammo_row {
    int16_t blast_numbers[kAmmoBlastNumbers] = {};
};

}  // namespace kv
