#include "net/snapshot_package.h"

#include <algorithm>

#include "kernel/log.h"
#include "net/datagram_limits.h"
#include "net/packet.h"

namespace kv {
namespace {

constexpr uint8_t kLow6 = 63;
constexpr uint8_t kLow3 = 7;
constexpr uint8_t kSkinHundreds = 0x80;  // bit 7 of the last slot byte: the skin is 100 or more
constexpr int32_t kSkinBase = 100;
constexpr int kCauseShift = 3;
constexpr int32_t kGameModeMask = 3;
constexpr int32_t kRealistic = 1;
constexpr int32_t kArcade = 0;
constexpr uint32_t kFirstPersonId = 100;
constexpr int kTeams = 3;

int32_t sign_extend8(uint8_t v) {
    return static_cast<int8_t>(v);
}

bool alive(const player_slot& slot) {
    return slot.state == kSlotFrozen || slot.state == kSlotPlaying;
}

void set_if_changed(snapshot_package& snapshot, int32_t& field, int32_t value) {
    if (field != value) snapshot.changed = true;
    field = value;
}

int32_t index_of(const snapshot_package& snapshot, std::vector<player_slot>::const_iterator it) {
    if (it == snapshot.slots.end()) return -1;
    return static_cast<int32_t>(it - snapshot.slots.begin());
}

}  // namespace

void snapshot_package_assign(snapshot_package& target, const snapshot_package& source) {
    target.name = source.name;
    target.flags = source.flags;
    target.state = source.state;
    target.seconds = source.seconds;
    target.result = source.result;
    target.goal_event_a = source.goal_event_a;
    target.winner = source.winner;
    std::vector<player_slot> before = std::move(target.slots);
    target.slots = source.slots;
    for (player_slot& slot : target.slots) {
        const auto old =
            std::find_if(before.begin(), before.end(), [&](const player_slot& b) { return b.id == slot.id; });
        if (old == before.end()) continue;
        slot.name = old->name;
        std::copy(std::begin(old->counters), std::end(old->counters), slot.counters);
        std::copy(std::begin(old->statistics), std::end(old->statistics), slot.statistics);
        slot.ping = old->ping;
    }
    // The slots are new: a current slot of the old list would name another player.
    target.current_slot = -1;
}

bool snapshot_package_read_slot(player_slot& slot, packet& in) {
    byte_buffer& b = in.body;
    // A cut slot changes nothing: the fields are read only when all eight bytes are there.
    if (b.size() - b.position() < kPlayerSlotBytes) return false;
    uint32_t id = 0;
    uint8_t spawn_team = 0;
    uint8_t state_and_specialisation = 0;
    uint8_t health = 0;
    uint8_t skin_cause = 0;
    b.read_u32(id);
    b.read_u8(spawn_team);
    b.read_u8(state_and_specialisation);
    b.read_u8(health);
    b.read_u8(skin_cause);
    slot.id = id;
    slot.spawn = spawn_team & kLow6;
    slot.team = spawn_team >> 6;
    slot.state = state_and_specialisation & kLow6;
    slot.specialisation = state_and_specialisation >> 6;
    slot.health = sign_extend8(health);
    const int32_t skin = skin_cause & kLow3;
    slot.skin = (skin_cause & kSkinHundreds) ? kSkinBase + skin : skin;
    slot.cause = (skin_cause >> kCauseShift) & kLow3;
    return true;
}

void snapshot_package_write_slot(player_slot& slot, packet& out) {
    byte_buffer& b = out.body;
    b.write_u32(slot.id);
    b.write_u8(static_cast<uint8_t>((slot.spawn & kLow6) | ((slot.team & 3) << 6)));
    b.write_u8(static_cast<uint8_t>((slot.state & kLow6) | ((slot.specialisation & 3) << 6)));
    b.write_u8(static_cast<uint8_t>(slot.health));
    uint8_t skin_cause = static_cast<uint8_t>((slot.cause & kLow3) << kCauseShift);
    if (slot.skin >= kSkinBase) {
        skin_cause |= kSkinHundreds | static_cast<uint8_t>((slot.skin - kSkinBase) & kLow3);
    } else {
        skin_cause |= static_cast<uint8_t>(slot.skin & kLow3);
    }
    b.write_u8(skin_cause);
    slot.next_d_snapshot = false;
}

bool snapshot_package_read(snapshot_package& snapshot, packet& in) {
    byte_buffer& b = in.body;
    std::string name;
    uint8_t flags = 0;
    uint8_t state = 0;
    uint16_t seconds = 0;
    uint8_t result = 0;
    uint8_t winner = 0;
    uint8_t count = 0;
    // Each field that was read is stored, as the readers stop at the first that is missing.
    bool ok = b.read_string(name);
    if (ok) snapshot.name = std::move(name);
    ok = ok && b.read_u8(flags);
    if (ok) snapshot.flags = sign_extend8(flags);
    ok = ok && b.read_u8(state);
    if (ok) snapshot.state = sign_extend8(state);
    // The server never sends negative seconds: read unsigned, a long round keeps its clock.
    ok = ok && b.read_u16(seconds);
    if (ok) snapshot.seconds = seconds;
    ok = ok && b.read_u8(result);
    if (ok) snapshot.result = sign_extend8(result);
    ok = ok && b.read_u8(winner);
    if (ok) snapshot.winner = sign_extend8(winner);
    ok = ok && b.read_u8(count);
    snapshot.slots.clear();
    snapshot.current_slot = -1;
    if (!ok) return false;
    // The count is read signed: a negative one reads no slots. A cut packet ends the list at the
    // last whole slot rather than making up players.
    for (int32_t i = 0; i < sign_extend8(count); ++i) {
        player_slot slot;
        if (!snapshot_package_read_slot(slot, in)) break;
        snapshot.slots.push_back(std::move(slot));
    }
    return true;
}

void snapshot_package_write(snapshot_package& snapshot, packet& out) {
    byte_buffer& b = out.body;
    b.reserve(b.size() + 2 + snapshot.name.size() + 7 + snapshot.slots.size() * kPlayerSlotBytes);
    b.write_string(snapshot.name);
    b.write_u8(static_cast<uint8_t>(snapshot.flags));
    b.write_u8(static_cast<uint8_t>(snapshot.state));
    b.write_u16(static_cast<uint16_t>(snapshot.seconds));
    b.write_u8(static_cast<uint8_t>(snapshot.result));
    b.write_u8(static_cast<uint8_t>(snapshot.winner));
    // A session holds at most 64 slots; the count travels signed, so never more than 127 go.
    const std::size_t n = std::min(snapshot.slots.size(), kMaxRecordsPerPacket);
    if (n < snapshot.slots.size()) {
        log_write("[NET] *WARNING* game snapshot: %d of %d slots sent\n", static_cast<int32_t>(n),
                  static_cast<int32_t>(snapshot.slots.size()));
    }
    b.write_u8(static_cast<uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) snapshot_package_write_slot(snapshot.slots[i], out);
}

std::vector<packet> snapshot_package_write_d_snapshots(snapshot_package& snapshot) {
    constexpr std::size_t kPerPacket =
        std::min(kMaxRecordsPerPacket, (kMaxGameDatagram - kPacketHeaderSize - 1) / kPlayerSlotBytes);
    std::vector<player_slot*> flagged;
    for (player_slot& slot : snapshot.slots) {
        if (slot.next_d_snapshot) flagged.push_back(&slot);
    }
    std::vector<packet> packets;
    for (std::size_t first = 0; first < flagged.size(); first += kPerPacket) {
        const std::size_t n = std::min(kPerPacket, flagged.size() - first);
        packet& p = packets.emplace_back(kPacketDeltaSnapshot);
        p.body.reserve(kPacketHeaderSize + 1 + n * kPlayerSlotBytes);
        p.body.write_u8(static_cast<uint8_t>(n));
        for (std::size_t i = first; i < first + n; ++i) snapshot_package_write_slot(*flagged[i], p);
    }
    return packets;
}

bool snapshot_package_read_d_snapshot(packet& in, std::vector<player_slot>& slots) {
    uint8_t count = 0;
    if (!in.body.read_u8(count)) return false;
    for (int32_t i = 0; i < sign_extend8(count); ++i) {
        player_slot slot;
        if (!snapshot_package_read_slot(slot, in)) return false;
        slots.push_back(std::move(slot));
    }
    return true;
}

void dump(const snapshot_package& snapshot) {
    log_write("snapshot pkg: %s fl:%d st:%d sec:%d dt:%d g:%d\n", log_printable(snapshot.name).c_str(),
              snapshot.flags, snapshot.state, snapshot.seconds, snapshot.result, snapshot.goal_event_a);
    for (const player_slot& slot : snapshot.slots) {
        log_write("pslot id:%d sp:%d tm:%d sk:%d st:%d ht:%d pg:%d\n", static_cast<int32_t>(slot.id),
                  slot.spawn, slot.team, slot.skin, slot.state, slot.health, slot.ping);
    }
}

void snapshot_package_set_name(snapshot_package& snapshot, const std::string& name) {
    snapshot.name = name;
    snapshot.changed = true;
}

void snapshot_package_set_game_setup(snapshot_package& snapshot, int32_t game_mode, bool friendly_fire,
                                     bool iron_sights, bool free_camera, bool id_tags) {
    int32_t flags = (game_mode & kGameModeMask) << kSnapshotModeShift;
    if (friendly_fire) flags |= kSnapshotFriendlyFire;
    if (iron_sights) flags |= kSnapshotIronSights;
    if (free_camera) flags |= kSnapshotFreeCamera;
    if (id_tags) flags |= kSnapshotIdTags;
    set_if_changed(snapshot, snapshot.flags, flags);
}

void snapshot_package_set_state(snapshot_package& snapshot, int32_t state) {
    set_if_changed(snapshot, snapshot.state, state);
}

void snapshot_package_set_seconds(snapshot_package& snapshot, int32_t seconds) {
    set_if_changed(snapshot, snapshot.seconds, seconds);
}

void snapshot_package_set_result(snapshot_package& snapshot, int32_t result) {
    set_if_changed(snapshot, snapshot.result, result);
}

void snapshot_package_set_events(snapshot_package& snapshot, int32_t a, int32_t b) {
    set_if_changed(snapshot, snapshot.goal_event_a, a);
    snapshot.goal_event_b = b;
}

void snapshot_package_set_winner(snapshot_package& snapshot, int32_t winner) {
    snapshot.winner = winner;
}

void snapshot_package_set_download(snapshot_package& snapshot, int32_t download) {
    snapshot.download = download;
}

int32_t snapshot_package_take_pending(snapshot_package& snapshot) {
    const int32_t value = snapshot.download;
    snapshot.download = -1;
    return value;
}

bool snapshot_package_take_changed(snapshot_package& snapshot) {
    const bool changed = snapshot.changed;
    snapshot.changed = false;
    return changed;
}

int32_t snapshot_package_player_count(const snapshot_package& snapshot) {
    return static_cast<int32_t>(snapshot.slots.size());
}

int32_t snapshot_package_count_team(const snapshot_package& snapshot, int32_t team) {
    return static_cast<int32_t>(std::count_if(snapshot.slots.begin(), snapshot.slots.end(),
                                              [&](const player_slot& s) { return s.team == team; }));
}

int32_t snapshot_package_count_alive(const snapshot_package& snapshot, int32_t team) {
    return static_cast<int32_t>(
        std::count_if(snapshot.slots.begin(), snapshot.slots.end(),
                      [&](const player_slot& s) { return s.team == team && alive(s); }));
}

int32_t snapshot_package_teams_present(const snapshot_package& snapshot) {
    int32_t present = 0;
    for (int32_t team = 0; team < kTeams; ++team) {
        if (snapshot_package_count_team(snapshot, team) > 0) ++present;
    }
    return present;
}

int32_t snapshot_package_missing_players(const snapshot_package& snapshot, const int32_t (&minimums)[3]) {
    int32_t missing = 0;
    for (int32_t team = 0; team < kTeams; ++team) {
        const int32_t count = snapshot_package_count_team(snapshot, team);
        if (minimums[team] != 0 && minimums[team] > count) missing += minimums[team] - count;
    }
    return missing;
}

bool snapshot_package_no_human_playing(const snapshot_package& snapshot) {
    return std::none_of(snapshot.slots.begin(), snapshot.slots.end(),
                        [](const player_slot& s) { return !snapshot_package_slot_is_bot(s) && alive(s); });
}

int32_t snapshot_package_winner_team(const snapshot_package& snapshot) {
    if (snapshot.winner >= 0) return snapshot.winner;
    int32_t only = kNobodyAlive;
    for (int32_t team = 0; team < kTeams; ++team) {
        if (snapshot_package_count_alive(snapshot, team) == 0) continue;
        if (only != kNobodyAlive) return kSeveralTeamsAlive;
        only = team;
    }
    return only;
}

bool snapshot_package_flag0(const snapshot_package& snapshot) {
    return (snapshot.flags & kSnapshotFriendlyFire) != 0;
}

bool snapshot_package_check_state(const snapshot_package& snapshot, int32_t countdown_left) {
    return snapshot.state == kGameOneTeam ||
           ((snapshot.state == kGameFreeze || snapshot.state == kGameRunning) && countdown_left > 0);
}

bool snapshot_package_slot_is_bot(const player_slot& slot) {
    return slot.id != 0 && slot.id < kFirstPersonId;
}

std::string net_format_game_flags(int32_t flags) {
    const int32_t mode = (flags >> kSnapshotModeShift) & kGameModeMask;
    std::string code = mode == kArcade ? "A" : mode == kRealistic ? "R" : "C";
    if (flags & kSnapshotFriendlyFire) code += 'F';
    if (flags & kSnapshotIdTags) code += 'T';
    if (flags & kSnapshotIronSights) code += 'S';
    if (flags & kSnapshotFreeCamera) code += '+';
    return code;
}

player_slot* snapshot_package_current(snapshot_package& snapshot) {
    if (snapshot.current_slot < 0 || snapshot.current_slot >= snapshot_package_player_count(snapshot)) {
        return nullptr;
    }
    return &snapshot.slots[static_cast<std::size_t>(snapshot.current_slot)];
}

bool find_by_id(snapshot_package& snapshot, uint32_t id) {
    const auto it = std::find_if(snapshot.slots.cbegin(), snapshot.slots.cend(),
                                 [&](const player_slot& s) { return s.id == id; });
    snapshot.current_slot = index_of(snapshot, it);
    return snapshot.current_slot >= 0;
}

bool find_by_address(snapshot_package& snapshot, uint32_t address, uint16_t port) {
    const auto it = std::find_if(snapshot.slots.cbegin(), snapshot.slots.cend(), [&](const player_slot& s) {
        return s.address == address && s.port == port;
    });
    snapshot.current_slot = index_of(snapshot, it);
    return snapshot.current_slot >= 0;
}

uint32_t free_id(const snapshot_package& snapshot, uint32_t start) {
    uint32_t id = start;
    // Each pass either finds the id free or steps past a slot's id: at most one pass per slot.
    for (std::size_t pass = 0; pass <= snapshot.slots.size(); ++pass) {
        const bool used = std::any_of(snapshot.slots.begin(), snapshot.slots.end(),
                                      [&](const player_slot& s) { return s.id == id; });
        if (!used) return id;
        ++id;
    }
    return id;
}

bool snapshot_package_add_slot(snapshot_package& snapshot, uint32_t id, int32_t spawn, int32_t team,
                               int32_t state, int32_t health, uint32_t address, uint16_t port) {
    const bool added = !find_by_id(snapshot, id);
    if (added) {
        snapshot.slots.emplace_back();
        snapshot.current_slot = snapshot_package_player_count(snapshot) - 1;
    }
    player_slot& slot = *snapshot_package_current(snapshot);
    slot.id = id;
    slot.spawn = spawn;
    slot.team = team;
    slot.state = state;
    slot.health = health;
    slot.address = address;
    slot.port = port;
    slot.skin = 0;
    slot.ping = 0;
    std::fill(std::begin(slot.counters), std::end(slot.counters), 0);
    std::fill(std::begin(slot.statistics), std::end(slot.statistics), uint8_t{0});
    slot.profile_changed = true;
    slot.needs_all_profiles = !snapshot_package_slot_is_bot(slot);
    slot.next_d_snapshot = true;
    snapshot.changed = true;
    return added;
}

void snapshot_package_remove_slot(snapshot_package& snapshot, uint32_t id) {
    const auto it = std::find_if(snapshot.slots.begin(), snapshot.slots.end(),
                                 [&](const player_slot& s) { return s.id == id; });
    if (it == snapshot.slots.end()) return;
    const int32_t removed = static_cast<int32_t>(it - snapshot.slots.begin());
    snapshot.slots.erase(it);
    // The current slot keeps naming the same player, or none when he was the one removed.
    if (snapshot.current_slot == removed) {
        snapshot.current_slot = -1;
    } else if (snapshot.current_slot > removed) {
        --snapshot.current_slot;
    }
    snapshot.changed = true;
}

void snapshot_package_set_team_state(snapshot_package& snapshot, int32_t team, int32_t state) {
    const bool respawn = team == kRespawnSelection;
    for (player_slot& slot : snapshot.slots) {
        bool taken = false;
        if (team == kEveryTeam) {
            taken = true;
        } else if (respawn) {
            taken = slot.team >= 0 && slot.team < kTeams &&
                    (slot.state == kSlotNotInRound || slot.state == kSlotDead);
        } else {
            taken = slot.team == team;
        }
        if (!taken) continue;
        if (slot.state != state || respawn) snapshot.changed = true;
        slot.state = state;
        if (state == kSlotNotInRound || respawn) slot.health = kFullHealth;
    }
}

void snapshot_package_clear_teams(snapshot_package& snapshot) {
    for (player_slot& slot : snapshot.slots) slot.team = 3;
    snapshot.changed = true;
}

}  // namespace kv
