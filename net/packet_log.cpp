#include "net/packet_log.h"

#include <string>

#include "kernel/log.h"
#include "net/net_peer.h"
#include "platform/udp_socket.h"

namespace kv {

namespace {

// The frequent packets whose header lines only level 2 writes.
bool is_frequent(uint8_t type) {
    return type == kPacketNone || type == kPacketPlayerSnapshot || type == kPacketWorldSnapshot ||
           type == kPacketPing || type == kPacketPingReport;
}

const char* reliable_mark(uint32_t word) {
    return (word & kSeqFlag) != 0 ? "~" : "";
}

// The command text of a COMMAND, COMMAND-RESULT or ASYNC-COMMAND, read from a copy of its body.
void log_command_text(const packet& p) {
    byte_buffer body = p.body;
    body.seek(static_cast<int32_t>(kPacketHeaderSize));
    uint8_t request_id = 0;
    std::string text;
    if (p.type == kPacketAsyncCommand) {
        if (!body.read_string(text)) text.clear();
        log_write("[NET] %s\n", log_printable(text).c_str());
        return;
    }
    if (!body.read_u8(request_id) || !body.read_string(text)) text.clear();
    log_write("[NET] <%u> %s\n", request_id, log_printable(text).c_str());
}

}  // namespace

void log_packet(const char* tag, const packet& p, uint32_t address, uint16_t port, int log_level) {
    if (log_level == 0) return;
    if (log_level >= 2 || !is_frequent(p.type)) {
        // The NAT prints as a signed 16-bit value.
        const auto nat = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(p.nat)));
        log_stamped("[NET] %s %s SEQ %s%d RSEQ %s%d NAT %x SIZE %d ADDR %s:%d\n", tag, p.type_name().c_str(),
                    reliable_mark(p.seq), static_cast<int32_t>(p.seq & kSeqNumberMask), reliable_mark(p.rseq),
                    static_cast<int32_t>(p.rseq & kSeqNumberMask), nat, static_cast<int32_t>(p.body.size()),
                    net_format_address(address).c_str(), port);
    }
    if (p.type == kPacketCommand || p.type == kPacketCommandResult || p.type == kPacketAsyncCommand) {
        log_command_text(p);
    }
}

void log_transport_stats(const std::list<remote_record>& remotes) {
    log_stamped("#/o cons: %d\n", static_cast<int32_t>(remotes.size()));
    for (const remote_record& r : remotes) {
        log_write("%s:%d NAT %x in:%d out:%d rout:%d oogout:%d\n", net_format_address(r.address).c_str(),
                  r.port, static_cast<unsigned>(r.nat), static_cast<int32_t>(r.received.size()),
                  static_cast<int32_t>(r.unreliable.size()), static_cast<int32_t>(r.reliable.size()),
                  static_cast<int32_t>(r.out_of_game.size()));
    }
}

}  // namespace kv
