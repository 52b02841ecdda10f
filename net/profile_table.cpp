#include "net/profile_table.h"

#include <algorithm>

#include "net/datagram_limits.h"
#include "net/packet.h"
#include "net/snapshot_package.h"
#include "util/text.h"

namespace kv {
namespace {

// A PROFILES body: count and mask; a record with every group: id, three counters, six bytes, and
// the nick's length in front of its bytes.
constexpr std::size_t kProfilesHeaderBytes = 2;
constexpr std::size_t kProfileRecordBytes = 4 + 2 * 3 + kProfileStatistics + 2;
constexpr int kLineCounters = 3;

player_profile* current_record(profile_table& table) {
    return table.current < table.records.size() ? &table.records[table.current] : nullptr;
}

const player_profile* current_record(const profile_table& table) {
    return table.current < table.records.size() ? &table.records[table.current] : nullptr;
}

const player_profile* find_const(const profile_table& table, uint32_t id) {
    const auto it = std::find_if(table.records.begin(), table.records.end(),
                                 [&](const player_profile& p) { return p.id == id; });
    return it == table.records.end() ? nullptr : &*it;
}

// The searches: the current record when it matches, else the first that does (or none).
template <typename Match>
bool find_where(profile_table& table, Match match) {
    const player_profile* current = current_record(table);
    if (current && match(*current)) return true;
    const auto it = std::find_if(table.records.begin(), table.records.end(), match);
    table.current = static_cast<std::size_t>(it - table.records.begin());
    return it != table.records.end();
}

// Builds the record the server sends for a slot.
profile_record record_for(const player_slot& slot, const profile_table& table) {
    profile_record r;
    r.mask = kProfileAllFields;
    r.id = slot.id;
    const player_profile* profile = find_const(table, slot.id);
    if (!profile) {
        r.nick = kNoNick;
        return r;
    }
    for (int i = 0; i < kSlotCounters; ++i) r.counters[i] = static_cast<uint16_t>(slot.counters[i]);
    std::copy(std::begin(profile->statistics), std::end(profile->statistics), r.statistics);
    r.nick = profile_clean_nick(profile->nick);
    return r;
}

void write_record(const profile_record& r, packet& out) {
    byte_buffer& b = out.body;
    b.write_u32(r.id);
    for (uint16_t c : r.counters) b.write_u16(c);
    for (uint8_t s : r.statistics) b.write_u8(s);
    b.write_string(r.nick);
}

}  // namespace

bool find(profile_table& table, uint32_t id) {
    return find_where(table, [&](const player_profile& p) { return p.id == id; });
}

bool find_by_nick(profile_table& table, const std::string& nick) {
    return find_where(table, [&](const player_profile& p) { return p.nick == nick; });
}

bool add(profile_table& table, uint32_t id) {
    if (find(table, id)) return false;
    player_profile& p = table.records.emplace_back();
    p.id = id;
    table.current = table.records.size() - 1;
    return true;
}

void update(profile_table& table, uint32_t id) {
    if (add(table, id)) return;
    player_profile& p = table.records[table.current];
    p.nick.clear();
    p.counters[kProfileCounters - 1] = 0;
    std::fill(std::begin(p.statistics), std::end(p.statistics), uint8_t{0});
}

bool remove(profile_table& table, uint32_t id) {
    if (!find(table, id)) return false;
    table.records.erase(table.records.begin() + static_cast<std::ptrdiff_t>(table.current));
    // The index would now name the next record: there is no current record any more.
    table.current = table.records.size();
    return true;
}

uint32_t current_id(const profile_table& table) {
    const player_profile* p = current_record(table);
    return p ? p->id : 0;
}

std::string current_nick(const profile_table& table) {
    const player_profile* p = current_record(table);
    return p ? p->nick : std::string();
}

void set_current_nick(profile_table& table, const std::string& nick) {
    if (player_profile* p = current_record(table)) p->nick = nick;
}

int32_t counter(const profile_table& table, int i) {
    const player_profile* p = current_record(table);
    return p && i >= 0 && i < kProfileCounters ? p->counters[i] : 0;
}

void set_counter(profile_table& table, int i, int32_t v) {
    player_profile* p = current_record(table);
    if (p && i >= 0 && i < kProfileCounters) p->counters[i] = v;
}

uint8_t stat_byte(const profile_table& table, int i) {
    const player_profile* p = current_record(table);
    return p && i >= 0 && i < kProfileStatistics ? p->statistics[i] : 0;
}

void set_stat_byte(profile_table& table, int i, int32_t v) {
    player_profile* p = current_record(table);
    if (p && i >= 0 && i < kProfileStatistics) p->statistics[i] = static_cast<uint8_t>(v);
}

void merge(profile_table& table, const std::string& line, bool full) {
    const uint32_t id = static_cast<uint32_t>(str_to_int(str_field_or_empty(line, 1, ' ')));
    const std::string values = str_field_or_empty(line, 2, ' ');
    add(table, id);
    player_profile& p = table.records[table.current];
    int field = 0;
    const auto next = [&] { return str_to_int(str_field_or_empty(values, field++, ':')); };
    if (full) {
        for (int i = 0; i < kLineCounters; ++i) p.counters[i] = next();
    }
    for (uint8_t& s : p.statistics) s = static_cast<uint8_t>(next());
}

std::string format_line(const profile_table& table, uint32_t id, bool with_nick) {
    const player_profile* p = find_const(table, id);
    if (!p) return std::string();
    std::string line = str_format("setp %d %d:%d:%d", static_cast<int32_t>(p->id), p->counters[0],
                                  p->counters[1], p->counters[2]);
    const uint8_t* s = p->statistics;
    line += str_format(":%d:%d:%d:%d:%d:%d", s[0], s[1], s[2], s[3], s[4], s[5]);
    if (with_nick) line += " \"" + p->nick + "\"";
    return line;
}

std::string profile_clean_nick(const std::string& nick) {
    std::string clean = nick.substr(0, kMaxNickBytes);
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7F') c = ' ';
    }
    return clean;
}

std::vector<packet> profiles_write(const snapshot_package& snapshot, const profile_table& table, bool all) {
    constexpr std::size_t kRoom = kMaxGameDatagram - kPacketHeaderSize - kProfilesHeaderBytes;
    std::vector<profile_record> records;
    records.reserve(snapshot.slots.size());
    for (const player_slot& slot : snapshot.slots) {
        if (all || slot.profile_changed) records.push_back(record_for(slot, table));
    }
    std::vector<packet> packets;
    std::size_t first = 0;
    while (first < records.size()) {
        // As many records as the datagram holds: nicks are at most 31 bytes, so at least one fits.
        std::size_t end = first;
        std::size_t used = 0;
        while (end < records.size() && end - first < kMaxRecordsPerPacket &&
               used + kProfileRecordBytes + records[end].nick.size() <= kRoom) {
            used += kProfileRecordBytes + records[end].nick.size();
            ++end;
        }
        packet& p = packets.emplace_back(kPacketProfiles);
        p.body.reserve(kPacketHeaderSize + kProfilesHeaderBytes + used);
        p.body.write_u8(static_cast<uint8_t>(end - first));
        p.body.write_u8(kProfileAllFields);
        for (std::size_t i = first; i < end; ++i) write_record(records[i], p);
        first = end;
    }
    return packets;
}

bool profiles_read(packet& in, std::vector<profile_record>& records) {
    byte_buffer& b = in.body;
    uint8_t count = 0;
    uint8_t mask = 0;
    if (!b.read_u8(count) || !b.read_u8(mask)) return false;
    for (int32_t i = 0; i < static_cast<int8_t>(count); ++i) {
        profile_record r;
        r.mask = mask;
        if (!b.read_u32(r.id)) return false;
        if (mask & kProfileCountersField) {
            for (uint16_t& c : r.counters) {
                if (!b.read_u16(c)) return false;
            }
        }
        if (mask & kProfileStatisticsField) {
            for (uint8_t& s : r.statistics) {
                if (!b.read_u8(s)) return false;
            }
        }
        if (mask & kProfileNickField) {
            if (!b.read_string(r.nick)) return false;
            r.nick = profile_clean_nick(r.nick);
        }
        records.push_back(std::move(r));
    }
    return true;
}

bool profiles_apply(snapshot_package& snapshot, const profile_record& record) {
    const auto slot = std::find_if(snapshot.slots.begin(), snapshot.slots.end(),
                                   [&](const player_slot& s) { return s.id == record.id; });
    if (slot == snapshot.slots.end()) return false;
    if (record.mask & kProfileNickField) slot->name = record.nick;
    if (record.mask & kProfileCountersField) {
        for (int i = 0; i < kSlotCounters; ++i) slot->counters[i] = record.counters[i];
    }
    const bool slot_stats_empty = std::all_of(std::begin(slot->statistics), std::end(slot->statistics),
                                              [](uint8_t s) { return s == 0; });
    if ((record.mask & kProfileStatisticsField) && slot_stats_empty) {
        std::copy(std::begin(record.statistics), std::end(record.statistics), slot->statistics);
    }
    return true;
}

}  // namespace kv
