// Feeds arbitrary datagrams from several senders through the transport's receive path over a fake
// socket, with takes, flushes and the purging walk in between. Input: records of one control byte
// (bits 0-2 the sender, bit 3 take everything, bit 4 queue and flush a reliable packet, bit 5 two
// seconds pass, bit 6 mark the sender dead and purge), a big-endian u16 length and the datagram.
// A reliable packet must never be accepted twice from one program, and short datagrams make no record.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "net/net_peer.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"

using namespace kv;

namespace {

class fuzz_peer : public net_peer {
public:
    using net_peer::net_peer;
    void tick(int32_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    int log_level = 0;
    auto owned = std::make_unique<fake_socket>();
    fake_socket& socket = *owned;
    fuzz_peer peer(log_level, std::move(owned));

    std::size_t at = 0;
    while (at + 3 <= size) {
        const uint8_t control = data[at];
        std::size_t length = (static_cast<std::size_t>(data[at + 1]) << 8) | data[at + 2];
        at += 3;
        if (length > size - at) length = size - at;
        const uint32_t address = 0x7F000001u + (control & 7u) % 3u;
        const auto port = static_cast<uint16_t>(40000 + (control & 7u));

        peer.select(0, 0);
        const std::size_t records = peer.remote_count();
        remote_record before;
        for (bool more = peer.first(false); more; more = peer.next(false)) {
            if (peer.current()->address == address && peer.current()->port == port) before = *peer.current();
        }
        socket.push({data + at, data + at + length}, address, port);
        at += length;
        peer.receive();

        if (length < kPacketHeaderSize) {
            if (peer.remote_count() != records) std::abort();
        } else {
            const packet received(data + at - length, length);
            peer.select(address, port);
            const remote_record& after = *peer.current();
            const bool same_program = before.nat_known && before.nat == received.nat;
            const bool reliable = (received.seq & kSeqFlag) != 0;
            // Within one program's numbering the accepted reliable numbers only grow.
            if (same_program && reliable && after.received.size() > before.received.size() &&
                (after.last_in_seq & kSeqNumberMask) <= (before.last_in_seq & kSeqNumberMask)) {
                std::abort();
            }
            if (same_program && reliable &&
                (received.seq & kSeqNumberMask) <= (before.last_in_seq & kSeqNumberMask) &&
                after.received.size() != before.received.size()) {
                std::abort();
            }
        }

        peer.select(address, port);
        if (control & 0x08) {
            packet p;
            while (peer.take(p, 0)) {
            }
        }
        if (control & 0x10) {
            peer.queue_reliable(packet(kPacketCommand));
            peer.queue(packet(kPacketNone));
            peer.flush();
        }
        if (control & 0x20) clock.advance_ms(2000);
        if (control & 0x40) {
            peer.mark_dead();
            for (bool more = peer.first(true); more; more = peer.next(true)) {
            }
        }
    }
    peer.stats();
    return 0;
}
