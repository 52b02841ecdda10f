#include "net/password.h"

namespace kv {
namespace {

// The key with its terminating zero: every 33rd byte passes unchanged.
constexpr char kScrambleKey[] = "Qm7!pLz#R2vx_Kd9&Wt4Hs^Nb8*Yc3Ej";
constexpr std::size_t kScrambleKeyLength = sizeof(kScrambleKey);

constexpr uint32_t kDigitBase = 94;
constexpr char kFirstDigit = '!';

}  // namespace

std::string digest_text(const md2_digest& digest) {
    std::string text;
    text.reserve(24);
    for (std::size_t k = 0; k < digest.size(); k += 2) {
        // The second byte is widened as a signed byte: from 0x80 on it fills the high byte with ones.
        // Every stored password depends on this.
        const uint16_t low = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(digest[k + 1])));
        const uint32_t v = static_cast<uint16_t>((digest[k] << 8) | low);
        text += static_cast<char>(kFirstDigit + v % kDigitBase);
        text += static_cast<char>(kFirstDigit + (v / kDigitBase) % kDigitBase);
        text += static_cast<char>(kFirstDigit + (v / (kDigitBase * kDigitBase)) % kDigitBase);
    }
    return text;
}

std::string scramble(const std::string& text, int32_t mode) {
    if (mode == kScrambleXor) {
        std::string out = text;
        for (std::size_t i = 0; i < out.size(); ++i) out[i] ^= kScrambleKey[i % kScrambleKeyLength];
        return out;
    }
    if (mode == kScrambleDigest) {
        md2_state md;
        md2_init(md);
        md2_update(md, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return digest_text(md2_final(md));
    }
    return text;
}

}  // namespace kv
