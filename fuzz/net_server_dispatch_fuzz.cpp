// Runs command texts through the game server's command table with a recording session over a fake
// socket. Input: a mode byte (0 local, 1 internet, 2 local without "hello"), then per command a
// control byte (bits 0-1 the origin: 0 local dispatch, 1 a COMMAND, 2 an ASYNC-COMMAND, each from
// one of four senders by bits 4-5; bit 2 a tick after it; bit 3 the master answers what it got)
// and the text up to a line end. A refused quit must leave the server running, and the count of
// remotes that are no players stays bounded.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/net_server.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "tests/support/recording_session.h"

using namespace kv;

namespace {

constexpr uint32_t kMaster = 0x7F000001u;
constexpr uint32_t kSender = 0x7F000010u;

std::vector<uint8_t> datagram(uint8_t type, uint8_t request_id, const std::string& text, uint32_t seq) {
    packet p(type);
    if (type != kPacketAsyncCommand) p.body.write_u8(request_id);
    p.body.write_string(text);
    p.set_header(seq, 0, 1);
    return {p.body.data(), p.body.data() + p.body.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fake_clock clock;
    scoped_clock use_clock(clock);
    int log_level = 0;
    recording_session session;
    session.allow_quit = false;
    auto owned = std::make_unique<fake_socket>();
    fake_socket& socket = *owned;
    net_server server(session, log_level, std::move(owned));
    server.set_mode_and_port(data[0] % 3, 57778);
    server.set_master_name("127.0.0.1");
    server.tick(0);
    if (server.state != kServerRunning) std::abort();
    uint32_t seq = 1;

    std::size_t at = 1;
    while (at < size) {
        const uint8_t control = data[at++];
        std::size_t end = at;
        while (end < size && data[end] != '\n') ++end;
        const std::string text(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
        const auto port = static_cast<uint16_t>(40000 + ((control >> 4) & 3));
        switch (control & 3) {
            case 0:
                server.dispatch_local(text);
                break;
            case 1:
                socket.push(datagram(kPacketCommand, static_cast<uint8_t>(seq), text, seq), kSender, port);
                break;
            default:
                socket.push(datagram(kPacketAsyncCommand, 0, text, seq), kSender, port);
        }
        ++seq;
        if (control & 8) {
            for (const fake_datagram& d : socket.sent) {
                if (d.address != kMaster) continue;
                packet sent(d.bytes.data(), d.bytes.size());
                uint8_t id = 0;
                if (sent.type == kPacketCommand && sent.body.read_u8(id)) {
                    socket.push(datagram(kPacketCommandResult, id, "OK", seq++), kMaster, server.master_port);
                }
            }
            socket.sent.clear();
        }
        if (control & 4) {
            clock.advance_ms(500);
            server.tick(500);
            socket.sent.clear();
            if (server.state == kServerStopping) std::abort();
        }
    }
    server.tick(0);
    if (server.remote_count() > kMaxStrayRemotes + 2) std::abort();
    return 0;
}
