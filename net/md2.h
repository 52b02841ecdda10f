#pragma once
// The MD2 message digest (RFC 1319): 16 bytes from any number of input bytes. Passwords are stored
// and sent as the rendering of this digest (net/password.h).

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv {

using md2_digest = std::array<uint8_t, 16>;

struct md2_state {
    uint8_t checksum[16] = {};
    uint8_t state[48] = {};
    uint8_t block[16] = {};
    std::size_t block_used = 0;  // bytes waiting in `block`
};

void md2_init(md2_state& md);
void md2_update(md2_state& md, const uint8_t* bytes, std::size_t length);
// Pads, folds in the checksum and gives the digest; the state must be initialised again for reuse.
md2_digest md2_final(md2_state& md);

}  // namespace kv
