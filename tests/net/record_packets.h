#pragma once
// Helpers for the record tests: written packets as a receiver gets them, whole or cut short.

#include <cstdint>
#include <vector>

#include "net/packet.h"

namespace kv::test {

// The body bytes after the header.
inline std::vector<uint8_t> body_bytes(const packet& p) {
    return {p.body.data() + kPacketHeaderSize, p.body.data() + p.body.size()};
}

// The datagram as received, its body cut to `body_length` bytes.
inline packet received(const packet& p, std::size_t body_length) {
    return packet(p.body.data(), kPacketHeaderSize + body_length);
}

inline packet received(const packet& p) {
    return packet(p.body.data(), p.body.size());
}

}  // namespace kv::test
