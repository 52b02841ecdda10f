// The client session's costs without system calls (a fake socket), on the demo level: one tick that
// applies the P-SNAPSHOTs of 31 other players, and the bytes a client sends in a second at the
// default send interval while its player moves (printed as "bytes_per_second", keep-alives apart).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/player_record.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

constexpr int kOtherPlayers = 31;
constexpr uint32_t kServerAddress = 0x7F000001u;
constexpr uint16_t kServerPort = 9;

// A world server on the demo level whose client is connected to a server nobody serves.
struct bench_client {
    bench_client() {
        folder = std::filesystem::temp_directory_path() / "kv_net_client_bench";
        std::filesystem::remove_all(folder);
        tools::write_demo_data(folder / "data");
        kernel_get().running = true;
        auto screens = std::make_unique<package>();
        screens->name = "kvbase";
        auto basic = std::make_unique<view_set>();
        basic->name = "basic";
        object_table_add_owned(screens->screens, std::move(basic));
        screens_ = screens.get();
        server_get().packages.push_back(std::move(screens));

        world = std::make_unique<server>();
        world->data_dir = (folder / "data").string() + "/";
        world->write_dir = world->data_dir;
        server_set_language(*world, "en");
        world->load_request = kLoadRequestMapChange;
        world->snapshot.name = tools::kDemoMap;
        server_set_game_package(*world, tools::kDemoMap);
        auto owned = std::make_unique<fake_socket>();
        socket = owned.get();
        client = std::make_unique<net_client>(*world, log_level, std::move(owned));
        client->client_port = 0;
        net_client_tick(*client, 0);
        server_frame(*world, 16);
        client->connected = true;
        client->current_server.address = kServerAddress;
        client->current_server.port = kServerPort;
        client->local_player_id = 100;
        server_add_local_player(*world, 100);
    }
    ~bench_client() {
        client.reset();
        world.reset();
        auto& packages = server_get().packages;
        std::erase_if(packages, [this](const auto& p) { return p.get() == screens_; });
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    int log_level = 0;
    std::filesystem::path folder;
    std::unique_ptr<server> world;
    std::unique_ptr<net_client> client;
    fake_socket* socket = nullptr;
    package* screens_ = nullptr;
};

void BM_NetClientTick31PlayerStates(benchmark::State& state) {
    bench_client b;
    std::vector<player_state> states;
    for (int i = 0; i < kOtherPlayers; ++i) {
        player_slot slot;
        slot.id = static_cast<uint32_t>(101 + i);
        slot.team = i % 2;
        slot.spawn = 1 + i % 8;
        slot.state = kSlotPlaying;
        slot.health = 100;
        player_init(*b.world, slot);
        player_state s;
        s.id = slot.id;
        states.push_back(s);
    }
    float x = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        x += 10.0f;
        b.client->select(kServerAddress, kServerPort);
        for (player_state& s : states) {
            s.position = {x, 10.0f, static_cast<float>(s.id)};
        }
        for (packet& p : player_states_write(states)) {
            packet received(p.body.data(), p.body.size());
            b.client->current()->received.push_back(std::move(received));
        }
        b.socket->sent.clear();
        b.clock.advance_ms(5);
        state.ResumeTiming();
        net_client_tick(*b.client, 5);
    }
}
BENCHMARK(BM_NetClientTick31PlayerStates);

// One simulated second: the world steps its player every frame (its state goes out every 34 ms) and
// the client sends at its default interval.
void BM_NetClientBytesPerSecond(benchmark::State& state) {
    bench_client b;
    player_state me;
    me.id = 100;
    std::size_t bytes = 0;
    std::size_t keep_alives = 0;
    for (auto _ : state) {
        b.socket->sent.clear();
        for (int ms = 0; ms < 1000; ms += 2) {
            b.clock.advance_ms(2);
            if (ms % 34 == 0) {
                me.position.x += 5.0f;
                client_store_player_record(*b.client, me);
            }
            net_client_tick(*b.client, 2);
        }
        bytes = 0;
        keep_alives = 0;
        for (const fake_datagram& d : b.socket->sent) {
            if (d.bytes.size() == kPacketHeaderSize && d.bytes[kPacketTypeOffset] == kPacketNone) {
                keep_alives += d.bytes.size();
            } else {
                bytes += d.bytes.size();
            }
        }
    }
    state.counters["bytes_per_second"] = static_cast<double>(bytes);
    state.counters["keep_alive_bytes"] = static_cast<double>(keep_alives);
}
BENCHMARK(BM_NetClientBytesPerSecond)->Iterations(3);

}  // namespace
}  // namespace kv
