// Reads arbitrary bytes as a received datagram: the header, every body reader, and the packet log's
// decoding at every level.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "kernel/log.h"
#include "net/packet.h"
#include "net/packet_log.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool log_ready = log_open("/dev/null");
    (void)log_ready;
    packet p(data, size);
    if (p.body.size() != size || p.body.position() > size) std::abort();
    for (int level = 0; level <= 2; ++level) log_packet("PIN", p, 0x7F000001u, 40000, level);
    (void)p.type_name();

    // Every reader, in turns, until the body runs out; none may pass its end.
    for (int turn = 0;; ++turn) {
        bool read = false;
        uint8_t u8 = 0;
        uint16_t u16 = 0;
        uint32_t u32 = 0;
        float f = 0;
        vec3 v;
        std::string s;
        switch (turn % 6) {
            case 0:
                read = p.body.read_u8(u8);
                break;
            case 1:
                read = p.body.read_string(s);
                break;
            case 2:
                read = p.body.read_u32(u32);
                break;
            case 3:
                read = p.body.read_vec3(v);
                break;
            case 4:
                read = p.body.read_u16(u16);
                break;
            default:
                read = p.body.read_float(f);
                break;
        }
        if (p.body.position() > p.body.size()) std::abort();
        if (!read && !p.body.read_u8(u8)) break;
    }

    // Stamping rewrites the header and nothing else.
    if (size >= kPacketHeaderSize) {
        packet copy = p;
        copy.set_header(p.seq ^ 0x80000000u, p.rseq + 1, static_cast<uint16_t>(p.nat + 1));
        const packet reread(copy.body.data(), copy.body.size());
        if (reread.seq != (p.seq ^ 0x80000000u) || reread.rseq != p.rseq + 1 || reread.type != p.type ||
            reread.body.size() != size) {
            std::abort();
        }
    }
    return 0;
}
