// Arbitrary packets from the game server applied by a client session to a world server running the
// demo level: game, delta and player snapshots, profiles, radio messages, commands and events from the
// server, world event streams, ping reports, replies to a command in flight, status lines of a refresh
// and a master's lists. The first byte chooses the input kind: even, records of packets; odd, "n_"
// console lines, one a line. Nothing may crash, hang or grow without bound.
//
// A packet record: a route byte (its low 4 bits the packet type, bits 4-5 the route: 0 the current
// server's game packets, 1 the reply to a command in flight, 2 a master's list, 3 a refresh), a
// big-endian 16-bit length and the body's bytes.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "tools/demo_data.h"

using namespace kv;

namespace {

constexpr int32_t kStepMs = 20;
constexpr int kMaxRecords = 48;
constexpr uint32_t kServerAddress = 0x7F000001u;
constexpr uint16_t kServerPort = 9;
constexpr uint16_t kListedPort = 5000;

struct fuzz_world {
    fuzz_world() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder = base / ("kv_net_client_packet_fuzz_" + std::to_string(n));
            if (std::filesystem::create_directory(folder)) break;
        }
        if (!tools::write_demo_data(folder / "data")) std::abort();
        data_dir = (folder / "data").string() + "/";
        write_dir = (folder / "write").string() + "/";
        std::filesystem::create_directories(folder / "write");
        // The screen the game object opens, where the kernel looks.
        auto screens = std::make_unique<package>();
        screens->name = "kvbase";
        auto basic = std::make_unique<view_set>();
        basic->name = "basic";
        object_table_add_owned(screens->screens, std::move(basic));
        server_get().packages.push_back(std::move(screens));
    }
    ~fuzz_world() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::string data_dir;
    std::string write_dir;
};

void step(fake_clock& clock, server& srv, net_client& client) {
    clock.advance_ms(kStepMs);
    net_client_tick(client, kStepMs);
    server_frame(srv, kStepMs);
}

// The request the route's packets answer, set up afresh.
void prepare_route(net_client& client, int route) {
    client_reset_state(client);
    switch (route) {
        case 1:
            client.request_kind = kRequestCommand;
            client.request_state = kRequestWaiting;
            client.command_text =
                (client.next_request_id & 1) ? "*login 01 0 20 \"Ann\"" : "*blogin 100 0 Bot";
            client.request_id_in_flight = 0;
            client.countdown = kCommandCountdownMs;
            break;
        case 2:
            client.lan_mode = false;
            client.list_source = true;
            client.request_kind = kRequestServerList;
            client.request_state = kRequestWaiting;
            client.master_address = kServerAddress;
            client.master_port = kMasterPort;
            client.servers_received = 0;
            client.servers_announced = 0x7FFFFFFF;
            client.countdown = kMasterListCountdownMs;
            break;
        case 3: {
            client.lan_mode = false;
            client.list_source = false;
            client.request_kind = kRequestServerList;
            client.request_state = kRequestWaiting;
            server_entry listed;
            listed.address = kServerAddress;
            listed.port = kListedPort;
            client.servers = {listed};
            client.servers_received = 1;
            client.servers_answered = 0;
            client.countdown = kRefreshCountdownMs;
            break;
        }
        default:
            break;
    }
}

void deliver(net_client& client, int route, packet&& p) {
    if (route == 2) {
        client.select(kServerAddress, kMasterPort);
    } else if (route == 3) {
        client.select(kServerAddress, kListedPort);
    } else {
        client.select(kServerAddress, kServerPort);
    }
    if (remote_record* r = client.current()) r->received.push_back(std::move(p));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz_world world;
    if (size == 0) return 0;
    gfx_texture_list_clear(kernel_get().graphics);  // what earlier inputs loaded
    kernel_get().console.lines.clear();
    kernel_get().running = true;
    ref_list().items.clear();
    ref_list().filling = nullptr;
    fake_clock clock;
    sys_clock_install(&clock);
    {
        server srv;
        srv.data_dir = world.data_dir;
        srv.write_dir = world.write_dir;
        server_set_language(srv, "en");
        srv.load_request = kLoadRequestMapChange;
        srv.snapshot.name = tools::kDemoMap;
        server_set_game_package(srv, tools::kDemoMap);
        int log_level = 0;
        net_client client(srv, log_level, std::make_unique<fake_socket>());
        client.client_port = 0;
        step(clock, srv, client);  // binds, loads the level
        client.connected = true;
        client.answer_pings = true;
        client.current_server.address = kServerAddress;
        client.current_server.port = kServerPort;
        client.local_player_id = 100;
        server_add_local_player(srv, 100);

        if ((data[0] & 1) == 0) {
            std::size_t at = 1;
            for (int n = 0; n < kMaxRecords && at + 3 <= size; ++n) {
                const uint8_t route_byte = data[at];
                const std::size_t length = (static_cast<std::size_t>(data[at + 1]) << 8) | data[at + 2];
                at += 3;
                const std::size_t taken = std::min(length, size - at);
                const int route = (route_byte >> 4) & 3;
                packet p(static_cast<uint8_t>(route_byte & 0x0F));
                for (std::size_t i = 0; i < taken; ++i) p.body.write_u8(data[at + i]);
                at += taken;
                p = packet(p.body.data(), p.body.size());
                if (route != 0) prepare_route(client, route);
                deliver(client, route, std::move(p));
                step(clock, srv, client);
                if (!client.connected) {
                    client.connected = true;
                    client.current_server.address = kServerAddress;
                    client.current_server.port = kServerPort;
                }
            }
        } else {
            std::string line;
            for (std::size_t i = 1; i <= size; ++i) {
                if (i < size && data[i] != '\n') {
                    line.push_back(static_cast<char>(data[i]));
                    continue;
                }
                client_console_command(client, line);
                line.clear();
                step(clock, srv, client);
            }
        }
        // Nothing grows without bound: the queues hold what one input can make.
        if (client.command_queue.size() > size) std::abort();
        if (client.local_players.size() > srv.players.size() + 1) std::abort();
    }
    sys_clock_install(nullptr);
    return 0;
}
