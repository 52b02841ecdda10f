// The server session's costs with 32 players: the G-SNAPSHOT, D-SNAPSHOT and PROFILES a tick writes;
// a tick on loopback sockets in which every player relays one P-SNAPSHOT; and the bytes and datagrams a
// client receives per second at the default rates (30 server ticks a second, each client sending its
// state every 20 ms), printed as counters.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "net/packet.h"
#include "net/player_state.h"
#include "net/server_session.h"
#include "net/session_players.h"
#include "tests/support/scripted_client.h"

namespace kv {
namespace {

constexpr int kPlayers = 32;
constexpr int kServerTickMs = 33;  // 30 ticks a second
constexpr int kClientSendMs = 20;

// A session of 32 players, each with a profile, in teams 0 and 1.
void fill(server_session& s) {
    for (int i = 0; i < kPlayers; ++i) {
        const uint32_t id = kFirstHumanId + static_cast<uint32_t>(i);
        snapshot_package_add_slot(s.snapshot, id, i + 1, i % 2, kSlotPlaying, kFullHealth, kLoopbackAddress,
                                  static_cast<uint16_t>(4000 + i));
        add(s.profiles, id);
        set_current_nick(s.profiles, "Player" + std::to_string(i));
    }
}

void BM_SnapshotsAndProfilesFor32Players(benchmark::State& state) {
    server_session s;
    fill(s);
    for (auto _ : state) {
        packet g(kPacketGameSnapshot);
        snapshot_package_write(s.snapshot, g);
        for (player_slot& slot : s.snapshot.slots) slot.next_d_snapshot = true;
        std::vector<packet> d = snapshot_package_write_d_snapshots(s.snapshot);
        std::vector<packet> profiles = profiles_write(s.snapshot, s.profiles, true);
        benchmark::DoNotOptimize(g.body.data());
        benchmark::DoNotOptimize(d.data());
        benchmark::DoNotOptimize(profiles.data());
    }
}
BENCHMARK(BM_SnapshotsAndProfilesFor32Players);

struct loopback_game {
    loopback_game() {
        session.network = std::make_unique<net_server>(session, log_level);
        session.network->set_mode_and_port(kNetModeLan, 0);
        session.running = true;
        session.network->tick(0);
        const uint16_t port = session.network->socket().port();
        for (int i = 0; i < kPlayers; ++i) {
            clients.push_back(std::make_unique<scripted_client>(log_level, port));
            clients.back()->command(1, "login 0 0 1000 \"P" + std::to_string(i) + "\"");
        }
        for (int i = 0; i < 10; ++i) tick(kServerTickMs);
    }
    void tick(int32_t ms) {
        server_session_tick(session, ms);
        drain();
    }
    void drain() {
        for (auto& c : clients) {
            c->poll();
            c->inbox.clear();
        }
    }
    packet state_of(int i) {
        player_state st;
        st.id = kFirstHumanId + static_cast<uint32_t>(i);
        return player_states_write({st}).front();
    }

    int log_level = 0;
    server_session session;
    std::vector<std::unique_ptr<scripted_client>> clients;
};

void BM_TickWith32PlayersRelaying(benchmark::State& state) {
    loopback_game game;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kPlayers; ++i)
            game.clients[static_cast<std::size_t>(i)]->send_packet(game.state_of(i));
        state.ResumeTiming();
        server_session_tick(game.session, kServerTickMs);
        state.PauseTiming();
        game.drain();
        state.ResumeTiming();
    }
    state.counters["players"] = static_cast<double>(game.session.snapshot.slots.size());
}
BENCHMARK(BM_TickWith32PlayersRelaying)->Unit(benchmark::kMicrosecond);

// One simulated second per iteration; the counters are what one client received in it.
void BM_ClientBandwidthAtDefaultRates(benchmark::State& state) {
    loopback_game game;
    scripted_client& watched = *game.clients.front();
    uint32_t bytes = 0;
    uint32_t datagrams = 0;
    int64_t seconds = 0;
    for (auto _ : state) {
        const uint32_t bytes_before = watched.bytes_in;
        const uint32_t datagrams_before = watched.packets_in;
        for (int ms = 0, next_tick = 0; ms < 1000; ms += kClientSendMs) {
            for (int i = 0; i < kPlayers; ++i)
                game.clients[static_cast<std::size_t>(i)]->send_packet(game.state_of(i));
            for (; next_tick <= ms; next_tick += kServerTickMs) game.tick(kServerTickMs);
        }
        bytes += watched.bytes_in - bytes_before;
        datagrams += watched.packets_in - datagrams_before;
        ++seconds;
    }
    state.counters["bytes_per_s"] = static_cast<double>(bytes) / static_cast<double>(seconds);
    state.counters["datagrams_per_s"] = static_cast<double>(datagrams) / static_cast<double>(seconds);
}
BENCHMARK(BM_ClientBandwidthAtDefaultRates)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kv
