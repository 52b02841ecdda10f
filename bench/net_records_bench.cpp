// What the game records cost per tick: a G-SNAPSHOT of a full round written and read, the PROFILES
// of every player written, and a client's player states written and read.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "net/packet.h"
#include "net/player_state.h"
#include "net/profile_table.h"
#include "net/snapshot_package.h"

namespace kv {
namespace {

constexpr uint32_t kPlayers = 32;
constexpr std::size_t kNickLength = 16;

snapshot_package round_of(uint32_t players) {
    snapshot_package s;
    snapshot_package_set_name(s, "training");
    for (uint32_t i = 0; i < players; ++i) {
        snapshot_package_add_slot(s, 100 + i, static_cast<int32_t>(i % 8), static_cast<int32_t>(i % 3),
                                  kSlotPlaying, 100, 0x7F000001, static_cast<uint16_t>(50000 + i));
        s.slots.back().skin = 100 + static_cast<int32_t>(i % 8);
    }
    return s;
}

std::vector<player_state> states_of(uint32_t players) {
    std::vector<player_state> states(players);
    for (uint32_t i = 0; i < players; ++i) {
        states[i].id = 100 + i;
        states[i].position = {100.0f * static_cast<float>(i), 20.0f, -50.0f * static_cast<float>(i)};
        states[i].angle = 0.1f * static_cast<float>(i);
        states[i].state = static_cast<int16_t>(i);
    }
    return states;
}

void BM_GameSnapshotWrite(benchmark::State& state) {
    snapshot_package s = round_of(kPlayers);
    for (auto _ : state) {
        packet p(kPacketGameSnapshot);
        snapshot_package_write(s, p);
        benchmark::DoNotOptimize(p.body.data());
    }
}
BENCHMARK(BM_GameSnapshotWrite);

void BM_GameSnapshotRead(benchmark::State& state) {
    snapshot_package s = round_of(kPlayers);
    packet written(kPacketGameSnapshot);
    snapshot_package_write(s, written);
    const packet datagram(written.body.data(), written.body.size());
    snapshot_package received;
    for (auto _ : state) {
        packet in = datagram;
        benchmark::DoNotOptimize(snapshot_package_read(received, in));
    }
}
BENCHMARK(BM_GameSnapshotRead);

void BM_ProfilesWrite(benchmark::State& state) {
    snapshot_package s = round_of(kPlayers);
    profile_table table;
    for (const player_slot& slot : s.slots) {
        add(table, slot.id);
        set_current_nick(table, std::string(kNickLength, 'a' + static_cast<char>(slot.id % 26)));
    }
    for (auto _ : state) {
        std::vector<packet> packets = profiles_write(s, table, true);
        benchmark::DoNotOptimize(packets.data());
    }
}
BENCHMARK(BM_ProfilesWrite);

void BM_PlayerStatesWriteAndRead(benchmark::State& state) {
    const std::vector<player_state> states = states_of(kPlayers);
    std::vector<player_state> received;
    received.reserve(kPlayers);
    for (auto _ : state) {
        received.clear();
        for (const packet& p : player_states_write(states)) {
            packet in(p.body.data(), p.body.size());
            benchmark::DoNotOptimize(player_states_read(in, received));
        }
    }
}
BENCHMARK(BM_PlayerStatesWriteAndRead);

}  // namespace
}  // namespace kv
