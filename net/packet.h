#pragma once
// One datagram of the game protocol: the 11-byte header (SEQ, RSEQ, NAT, type) and a body laid out
// by the type. The sessions build packets and write their bodies; the transport stamps the header
// just before each send; received datagrams are parsed back with the cursor on the first body byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/byte_buffer.h"

namespace kv {

inline constexpr std::size_t kPacketHeaderSize = 11;

// Offsets of the header fields in the datagram.
inline constexpr std::size_t kPacketSeqOffset = 0;
inline constexpr std::size_t kPacketRseqOffset = 4;
inline constexpr std::size_t kPacketNatOffset = 8;
inline constexpr std::size_t kPacketTypeOffset = 10;

// SEQ bit 31: a reliable packet; RSEQ bit 31: the sender's alternating acknowledgement bit.
inline constexpr uint32_t kSeqFlag = 0x80000000u;
inline constexpr uint32_t kSeqNumberMask = 0x7FFFFFFFu;

// Packet types.
inline constexpr uint8_t kPacketNone = 0;  // keep-alive, never queued by the receiver
inline constexpr uint8_t kPacketCommand = 1;
inline constexpr uint8_t kPacketCommandResult = 2;
inline constexpr uint8_t kPacketAsyncCommand = 3;
inline constexpr uint8_t kPacketRadioMessage = 4;
inline constexpr uint8_t kPacketGameSnapshot = 5;
inline constexpr uint8_t kPacketPlayerSnapshot = 6;
inline constexpr uint8_t kPacketWorldSnapshot = 7;
inline constexpr uint8_t kPacketDeltaSnapshot = 8;
inline constexpr uint8_t kPacketProfiles = 9;
inline constexpr uint8_t kPacketAsyncEvent = 10;
inline constexpr uint8_t kPacketPing = 11;
inline constexpr uint8_t kPacketPingReport = 12;
inline constexpr int kPacketTypeCount = 13;

struct packet {
    uint8_t type = kPacketNone;
    uint32_t seq = 0;
    uint32_t rseq = 0;
    uint16_t nat = 0;
    byte_buffer body;  // the whole datagram, header included

    // No datagram at all (an empty body); what `take` and `peek` fill.
    packet() = default;
    // A zero header with the type byte; body writes append after it.
    explicit packet(uint8_t packet_type);
    // A received datagram: the header fields are read from it (0 where it is too short to hold
    // them) and the cursor stands on the first body byte, or at the end of a short datagram.
    packet(const void* bytes, std::size_t length);

    // Stores the three fields and rewrites the first 10 bytes in place; type, body and size stay.
    void set_header(uint32_t new_seq, uint32_t new_rseq, uint16_t new_nat);
    // "NONE", "COMMAND", ...; "unknown packet id: %d" for any other value.
    std::string type_name() const;
};

}  // namespace kv
