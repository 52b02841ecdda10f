#pragma once
// What every game datagram keeps within, so that no network on the way splits it: writers of record
// lists (profiles, slots, player states) spread them over as many packets as these limits need.
// Receivers read the record count signed, so no packet may carry more than 127 records.

#include <cstddef>

namespace kv {

inline constexpr std::size_t kMaxGameDatagram = 1024;  // header included
inline constexpr std::size_t kMaxRecordsPerPacket = 127;

}  // namespace kv
