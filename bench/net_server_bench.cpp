// The game server's costs without system calls (a fake socket): one command through the command
// table, one tick with 32 player remotes that each sent a packet, and the answer to a "\status\"
// query for 32 players.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "net/listing.h"
#include "net/net_server.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "tests/support/recording_session.h"

namespace kv {
namespace {

constexpr int kPlayers = 32;
constexpr uint32_t kLoopback = 0x7F000001u;
constexpr uint16_t kFirstPort = 40000;

std::vector<uint8_t> datagram(packet p, uint32_t seq) {
    p.set_header(seq, 0, 1);
    return {p.body.data(), p.body.data() + p.body.size()};
}

struct bench_server {
    bench_server() {
        session.record = false;
        auto owned = std::make_unique<fake_socket>();
        socket = owned.get();
        server = std::make_unique<net_server>(session, log_level, std::move(owned));
        server->set_mode_and_port(0, 57778);
        server->tick(0);
    }
    fake_clock clock;
    scoped_clock use_clock{clock};
    int log_level = 0;
    recording_session session;
    fake_socket* socket = nullptr;
    std::unique_ptr<net_server> server;
};

void BM_NetServerDispatch(benchmark::State& state) {
    bench_server b;
    for (auto _ : state) benchmark::DoNotOptimize(b.server->dispatch_local("times 1 2 3 4 5 6 7"));
}
BENCHMARK(BM_NetServerDispatch);

void BM_NetServerTick32Players(benchmark::State& state) {
    bench_server b;
    uint32_t seq = 1;
    for (int i = 0; i < kPlayers; ++i) {
        const auto port = static_cast<uint16_t>(kFirstPort + i);
        b.session.players[{kLoopback, port}] = 100 + i;
        packet login(kPacketCommand);
        login.body.write_u8(1);
        login.body.write_string("state");
        b.socket->push(datagram(login, seq++), kLoopback, port);
    }
    b.server->tick(0);
    packet p_snapshot(kPacketPlayerSnapshot);
    p_snapshot.body.write_u8(1);
    for (int i = 0; i < 30; ++i) p_snapshot.body.write_u8(static_cast<uint8_t>(i));
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kPlayers; ++i) {
            b.socket->push(datagram(p_snapshot, seq), kLoopback, static_cast<uint16_t>(kFirstPort + i));
        }
        ++seq;
        b.socket->sent.clear();
        b.clock.advance_ms(33);
        state.ResumeTiming();
        b.server->tick(33);
    }
    state.counters["sent"] = static_cast<double>(b.socket->sent.size());
}
BENCHMARK(BM_NetServerTick32Players);

void BM_ListingStatus32Players(benchmark::State& state) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    fake_socket socket;
    listing_reporter reporter;
    listing_info info;
    info.host_name = "Bench Server";
    info.map_name = "level1";
    for (int i = 0; i < kPlayers; ++i)
        info.players.push_back({"player" + std::to_string(i), i, i, 3, 50, i % 3});
    reporter.source = [&info](listing_info& out) { out = info; };
    listing_init(reporter, socket);
    const std::string query = "\\status\\";
    for (auto _ : state) {
        // A new second each time: the answers are limited per second.
        clock.advance_ms(1000);
        listing_datagram(reporter, query.c_str(), query.size(), kLoopback, 5000);
        state.PauseTiming();
        socket.sent.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListingStatus32Players);

}  // namespace
}  // namespace kv
