#pragma once
// What a world server's client session has queued for its game server, read back as text lines, for
// the tests of the code that sends through it. The session is made connected to a loopback port that
// nobody serves, so everything stays in its queues.

#include <cstdint>
#include <string>
#include <vector>

#include "net/net_client.h"
#include "net/packet.h"
#include "net/player_state.h"
#include "util/text.h"

namespace kv {

inline constexpr uint16_t kCaptureServerPort = 9;

// Connected to 127.0.0.1:9 with no request running.
inline void client_capture_connect(net_client& client) {
    client.request_kind = kRequestNone;
    client.request_state = kRequestIdle;
    client.countdown = 0;
    client.command_queue.clear();
    client.connected = true;
    client.current_server = server_entry();
    client.current_server.address = 0x7F000001u;
    client.current_server.port = kCaptureServerPort;
}

// One line for a queued packet: "say 100 0 0 hi" (commands as their text), "hit 1 2 7 12 ffff",
// "drop 5 255", "grenade 7 3", "states 1 2" (the ids of a P-SNAPSHOT), "event <type>" otherwise.
inline std::string client_capture_line(packet p) {
    p.body.seek(static_cast<int32_t>(kPacketHeaderSize));
    std::string text;
    uint8_t u8 = 0;
    if (p.type == kPacketCommand) {
        p.body.read_u8(u8);
        p.body.read_string(text);
        return "command " + text;
    }
    if (p.type == kPacketAsyncCommand) {
        p.body.read_string(text);
        return text;
    }
    if (p.type == kPacketAsyncEvent) {
        p.body.read_u8(u8);
        if (u8 == 0) {
            uint32_t attacker = 0, victim = 0;
            uint8_t zone = 0, power = 0;
            uint16_t location = 0;
            p.body.read_u32(attacker);
            p.body.read_u32(victim);
            p.body.read_u8(zone);
            p.body.read_u8(power);
            p.body.read_u16(location);
            return str_format("hit %u %u %u %u %04x", attacker, victim, zone, power, location);
        }
        if (u8 == 3) {
            uint16_t s = 0;
            float f = 0.0f;
            for (int i = 0; i < 3; ++i) p.body.read_u16(s);
            for (int i = 0; i < 3; ++i) p.body.read_float(f);
            for (int i = 0; i < 3; ++i) p.body.read_u8(u8);
            p.body.read_string(text);
            uint8_t sector = 0, serial = 0;
            uint32_t id = 0;
            p.body.read_u8(sector);
            p.body.read_u16(s);
            p.body.read_u32(id);
            p.body.read_u8(serial);
            return str_format("drop %u %u", id, serial);
        }
        return str_format("event %u", u8);
    }
    if (p.type == kPacketPlayerSnapshot) {
        std::vector<player_state> states;
        player_states_read(p, states);
        std::string line = "states";
        for (const player_state& s : states) line += str_format(" %u", s.id);
        return line;
    }
    return str_format("packet %u", p.type);
}

// The lines of everything queued for the server, in queue order (reliable first), taken away.
inline std::vector<std::string> client_capture_take(net_client& client) {
    std::vector<std::string> lines;
    client.select(client.current_server.address, client.current_server.port);
    remote_record* r = client.current();
    if (!r) return lines;
    for (auto* queue : {&r->reliable, &r->unreliable}) {
        for (const packet& p : *queue) lines.push_back(client_capture_line(p));
        queue->clear();
    }
    return lines;
}

}  // namespace kv
