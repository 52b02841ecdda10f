// The transport's per-packet costs: stamping and serialising a 64-byte packet, parsing one, and a
// receive pass over real loopback datagrams from 32 remotes (system calls included), per datagram.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "net/net_peer.h"
#include "net/packet.h"
#include "platform/udp_socket.h"

namespace kv {
namespace {

constexpr std::size_t kPacketSize = 64;
constexpr uint32_t kLoopback = 0x7F000001u;

packet body_of_64_bytes() {
    packet p(kPacketPlayerSnapshot);
    for (std::size_t i = kPacketHeaderSize; i < kPacketSize; ++i) p.body.write_u8(static_cast<uint8_t>(i));
    return p;
}

void BM_PacketStampAndSerialise(benchmark::State& state) {
    packet p = body_of_64_bytes();
    uint8_t wire[kPacketSize];
    uint32_t seq = 0;
    for (auto _ : state) {
        ++seq;
        p.set_header(seq | kSeqFlag, seq, 0x8001);
        std::memcpy(wire, p.body.data(), p.body.size());
        benchmark::DoNotOptimize(wire);
    }
}
BENCHMARK(BM_PacketStampAndSerialise);

void BM_PacketParse(benchmark::State& state) {
    packet source = body_of_64_bytes();
    source.set_header(5 | kSeqFlag, 2, 0x8001);
    const std::vector<uint8_t> wire(source.body.data(), source.body.data() + source.body.size());
    for (auto _ : state) {
        packet p(wire.data(), wire.size());
        uint32_t id = 0;
        p.body.read_u32(id);
        benchmark::DoNotOptimize(id);
        benchmark::DoNotOptimize(p.type);
    }
}
BENCHMARK(BM_PacketParse);

class bench_peer : public net_peer {
public:
    using net_peer::net_peer;
    void tick(int32_t) override {}
};

// 1,000 datagrams from 32 remotes per iteration, sent in bursts that the socket's default receive
// buffer holds; only the receive passes (and taking the packets) are timed.
void BM_ReceivePassPerDatagram(benchmark::State& state) {
    constexpr int kRemotes = 32;
    constexpr int kDatagrams = 1000;
    constexpr int kBurst = 125;
    int log_level = 0;
    bench_peer peer(log_level);
    peer.socket().bind(0);
    std::vector<std::unique_ptr<udp_socket>> remotes;
    for (int i = 0; i < kRemotes; ++i) {
        remotes.push_back(std::make_unique<udp_socket>());
        remotes.back()->bind(0);
    }
    packet p = body_of_64_bytes();
    std::vector<uint32_t> seqs(kRemotes, 0);
    int64_t received = 0;
    for (auto _ : state) {
        std::chrono::duration<double> spent{0};
        for (int sent = 0; sent < kDatagrams; sent += kBurst) {
            for (int i = 0; i < kBurst; ++i) {
                const int remote = (sent + i) % kRemotes;
                p.set_header(++seqs[static_cast<std::size_t>(remote)], 0, static_cast<uint16_t>(remote));
                remotes[static_cast<std::size_t>(remote)]->send(p.body.data(), p.body.size(), kLoopback,
                                                                peer.socket().port());
            }
            const auto start = std::chrono::steady_clock::now();
            peer.receive();
            packet taken;
            for (bool more = peer.first(false); more; more = peer.next(false)) {
                while (peer.take(taken, 0)) ++received;
            }
            spent += std::chrono::steady_clock::now() - start;
        }
        state.SetIterationTime(spent.count());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kDatagrams);
    state.counters["received"] =
        benchmark::Counter(static_cast<double>(received) / static_cast<double>(state.iterations()));
    state.counters["us_per_datagram"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kDatagrams,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReceivePassPerDatagram)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
