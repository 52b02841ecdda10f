#pragma once
// A game client reduced to its datagrams: its own loopback socket, commands sent to one server port,
// and what came back sorted by packet type, for tests of the server side.

#include <cstdint>
#include <string>
#include <vector>

#include "net/net_peer.h"
#include "net/packet.h"
#include "tests/support/loopback_relay.h"

namespace kv {

class scripted_client : public net_peer {
public:
    scripted_client(const int& log_level, uint16_t server_port)
        : net_peer(log_level), server_port_(server_port) {
        socket().bind(0);
    }
    void tick(int32_t) override {}

    void send_packet(const packet& p) {
        select(kLoopbackAddress, server_port_);
        queue(p);
        flush();
    }
    void command(int32_t request_id, const std::string& text) {
        packet p(kPacketCommand);
        p.body.write_u8(static_cast<uint8_t>(request_id));
        p.body.write_string(text);
        send_packet(p);
    }
    void async_command(const std::string& text) {
        packet p(kPacketAsyncCommand);
        p.body.write_string(text);
        send_packet(p);
    }
    // Receives, acknowledges, and keeps what came in `inbox`.
    void poll() {
        receive();
        select(kLoopbackAddress, server_port_);
        packet p;
        while (take(p, 0)) inbox.push_back(p);
        send_packet(packet(kPacketNone));
    }
    // The packets of one type received so far, taken out of the inbox.
    std::vector<packet> take_type(uint8_t type) {
        std::vector<packet> found;
        std::vector<packet> rest;
        for (packet& p : inbox) (p.type == type ? found : rest).push_back(p);
        inbox = rest;
        return found;
    }
    // The texts of the COMMAND-RESULT packets received so far.
    std::vector<std::string> replies() {
        std::vector<std::string> texts;
        for (packet& p : take_type(kPacketCommandResult)) {
            uint8_t id = 0;
            std::string text;
            p.body.read_u8(id);
            p.body.read_string(text);
            texts.push_back(text);
        }
        return texts;
    }
    uint16_t port() { return socket().port(); }

    std::vector<packet> inbox;

private:
    uint16_t server_port_;
};

}  // namespace kv
