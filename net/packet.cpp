#include "net/packet.h"

#include <array>

#include "util/text.h"

namespace kv {

namespace {

constexpr std::array<const char*, kPacketTypeCount> kPacketTypeNames = {
    "NONE",        "COMMAND",    "COMMAND-RESULT", "ASYNC-COMMAND", "RADIO-MESSAGE",
    "G-SNAPSHOT",  "P-SNAPSHOT", "W-SNAPSHOT",     "D-SNAPSHOT",    "PROFILES",
    "ASYNC-EVENT", "PING",       "PING-REPORT",
};

}  // namespace

packet::packet(uint8_t packet_type) : type(packet_type) {
    body.write_u32(0);
    body.write_u32(0);
    body.write_u16(0);
    body.write_u8(packet_type);
}

packet::packet(const void* bytes, std::size_t length) : body(bytes, length) {
    // Each field is read only where the datagram holds all of it; the others stay 0.
    if (length >= kPacketRseqOffset) body.read_u32(seq);
    if (length >= kPacketNatOffset) body.read_u32(rseq);
    if (length >= kPacketTypeOffset) body.read_u16(nat);
    if (length >= kPacketHeaderSize) body.read_u8(type);
    if (length < kPacketHeaderSize) body.seek(-1);
}

void packet::set_header(uint32_t new_seq, uint32_t new_rseq, uint16_t new_nat) {
    seq = new_seq;
    rseq = new_rseq;
    nat = new_nat;
    const std::size_t cursor = body.position();
    body.seek(0);
    body.write_u32(seq);
    body.write_u32(rseq);
    body.write_u16(nat);
    body.seek(static_cast<int32_t>(cursor));
}

std::string packet::type_name() const {
    if (type < kPacketTypeCount) return kPacketTypeNames[type];
    return str_format("unknown packet id: %d", type);
}

}  // namespace kv
