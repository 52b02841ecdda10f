#pragma once
// Passwords as they are stored and sent: scrambled with a fixed key (mode 0, its own inverse) or
// as the printable rendering of their MD2 digest (mode 1), which the server compares byte for byte.
// Scrambled texts may hold zero bytes: they are whole strings, never C strings.

#include <cstdint>
#include <string>

#include "net/md2.h"

namespace kv {

inline constexpr int32_t kScrambleXor = 0;
inline constexpr int32_t kScrambleDigest = 1;

// Mode 0: XOR with the key; mode 1: the digest text; any other mode: the text unchanged.
std::string scramble(const std::string& text, int32_t mode);
// The digest as 24 characters from '!' to '~', three for each pair of bytes.
std::string digest_text(const md2_digest& digest);

}  // namespace kv
