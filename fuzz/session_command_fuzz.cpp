// Arbitrary records (sender byte, big-endian length, datagram) into a real server session hosting a
// described map: commands through the network server's table and replicated packets through the
// session, from a player's peer, the hosting client, a stranger or the service's own lines. Nothing
// may crash, and the session keeps within its limits.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "game/server.h"
#include "net/server_session.h"
#include "net/session_rounds.h"

using namespace kv;

namespace {

constexpr uint32_t kLoopback = 0x7F000001u;
// Fresh sessions now and then keep the queues of unsent packets and the profiles bounded.
constexpr int kInputsPerSession = 256;

std::unique_ptr<server_session> fresh_session() {
    server& srv = server_get();
    if (srv.maps.empty()) {
        map_record depot;
        depot.described = 1;
        depot.name = "depot";
        const int32_t values[kMapLevelValues] = {4, 4, 4, 1, 1, 0, 0};
        std::copy(std::begin(values), std::end(values), depot.level_values);
        srv.maps.push_back(depot);
    }
    auto s = std::make_unique<server_session>();
    session_add_map(*s, "depot");
    s->network = std::make_unique<net_server>(*s, srv.log_level);
    s->network->set_mode_and_port(kNetModeLan, 0);
    s->running = true;
    s->network->tick(0);
    server_session_local_command(*s, "map depot");
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<server_session> session;
    static int inputs = 0;
    if (!session || ++inputs % kInputsPerSession == 0) session = fresh_session();
    server_session& s = *session;
    std::size_t at = 0;
    while (at + 3 <= size) {
        const uint8_t sender = data[at] & 3;
        const std::size_t length = (static_cast<std::size_t>(data[at + 1]) << 8) | data[at + 2];
        at += 3;
        if (length > size - at) break;
        packet p(data + at, length);
        at += length;
        const uint32_t address = sender == 3 ? 0 : kLoopback;
        const uint16_t port = sender == 3 ? kLocalDispatchPort : static_cast<uint16_t>(4000 + sender);
        if (p.type == kPacketCommand || p.type == kPacketAsyncCommand) {
            uint8_t request_id = 0;
            std::string text;
            if (p.type == kPacketCommand && !p.body.read_u8(request_id)) continue;
            if (!p.body.read_string(text)) continue;
            s.network->dispatch(p.type == kPacketCommand && sender != 3 ? request_id : -1, text, address,
                                port);
        } else {
            s.replicated(p, {address, port, sender == 3});
        }
        session_round_step(s);
        session_death_step(s);
        s.send_snapshots(*s.network);
    }
    if (s.snapshot.slots.size() > kMaxSessionSlots) std::abort();
    for (const player_slot& slot : s.snapshot.slots) {
        if (slot.health < 0 || slot.health > kFullHealth) std::abort();
    }
    return 0;
}
