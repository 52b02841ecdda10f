// Arbitrary bytes as one received datagram of the game records: a G-SNAPSHOT, D-SNAPSHOT,
// P-SNAPSHOT or PROFILES body (by the type byte of its header) read and merged into a copy of the
// world's snapshot and player states that lives from one input to the next, as a client keeps
// them. Nothing may crash, read past the datagram, or make more records than the datagram holds.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "net/datagram_limits.h"
#include "net/packet.h"
#include "net/player_state.h"
#include "net/profile_table.h"
#include "net/snapshot_package.h"

using namespace kv;

namespace {

constexpr std::size_t kMaxKeptStates = 256;

struct world_copy {
    snapshot_package snapshot;
    std::vector<player_state> states;
};

// Every record read must have come whole out of the bytes after the header.
void check_records(std::size_t count, std::size_t record_bytes, std::size_t body) {
    if (count > kMaxRecordsPerPacket || count * record_bytes > body) std::abort();
}

void apply_game_snapshot(world_copy& world, packet& in, std::size_t body) {
    snapshot_package received;
    if (!snapshot_package_read(received, in)) return;
    check_records(received.slots.size(), kPlayerSlotBytes, body);
    snapshot_package_assign(world.snapshot, received);
    if (world.snapshot.slots.size() != received.slots.size()) std::abort();
    dump(world.snapshot);
}

void apply_delta_snapshot(world_copy& world, packet& in, std::size_t body) {
    std::vector<player_slot> slots;
    snapshot_package_read_d_snapshot(in, slots);
    check_records(slots.size(), kPlayerSlotBytes, body);
    for (const player_slot& slot : slots) {
        if (!find_by_id(world.snapshot, slot.id)) continue;
        player_slot* current = snapshot_package_current(world.snapshot);
        if (!current || current->id != slot.id) std::abort();
        current->team = slot.team;
        current->state = slot.state;
        current->health = slot.health;
    }
}

void apply_player_states(world_copy& world, packet& in, std::size_t body) {
    std::vector<player_state> states;
    player_states_read(in, states);
    check_records(states.size(), kPlayerStateBytes, body);
    for (const player_state& state : states) {
        player_state* kept = nullptr;
        for (player_state& s : world.states) {
            if (s.id == state.id) kept = &s;
        }
        if (!kept && world.states.size() < kMaxKeptStates) {
            kept = &world.states.emplace_back();
            kept->id = state.id;
        }
        if (kept) player_state_assign(*kept, state);
        if (state.state < kNoSector || state.state > 254) std::abort();
    }
}

void apply_profiles(world_copy& world, packet& in, std::size_t body) {
    std::vector<profile_record> records;
    profiles_read(in, records);
    check_records(records.size(), 4, body);
    for (const profile_record& r : records) {
        if (r.nick.size() > kMaxNickBytes) std::abort();
        profiles_apply(world.snapshot, r);
    }
    // What came in goes out again within the limits.
    profile_table table;
    for (const player_slot& slot : world.snapshot.slots) {
        add(table, slot.id);
        set_current_nick(table, slot.name);
    }
    for (const packet& p : profiles_write(world.snapshot, table, true)) {
        if (p.body.size() > kMaxGameDatagram) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static world_copy world;
    packet in(data, size);
    const std::size_t body = size > kPacketHeaderSize ? size - kPacketHeaderSize : 0;
    switch (in.type) {
        case kPacketGameSnapshot:
            apply_game_snapshot(world, in, body);
            break;
        case kPacketDeltaSnapshot:
            apply_delta_snapshot(world, in, body);
            break;
        case kPacketPlayerSnapshot:
            apply_player_states(world, in, body);
            break;
        case kPacketProfiles:
            apply_profiles(world, in, body);
            break;
        default:
            break;
    }
    if (in.body.position() > in.body.size()) std::abort();
    return 0;
}
