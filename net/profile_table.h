#pragma once
// Player profiles: the server session keeps one per player id (nick, running counters, six
// statistics bytes) in order of insertion, with a current record that the searches set and the
// accessors use. Profiles arrive from clients as "setp" lines (a whole profile) and "setr" lines (a
// round's statistics) and go to the clients in PROFILES packets, one record per player slot, which
// each client applies to its copy of the snapshot.

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct packet;
struct snapshot_package;

inline constexpr int kProfileCounters = 4;
inline constexpr int kProfileStatistics = 6;
inline constexpr std::size_t kMaxNickBytes = 31;
// What a PROFILES record carries: mask bits of its field groups.
inline constexpr uint8_t kProfileCountersField = 1;
inline constexpr uint8_t kProfileStatisticsField = 2;
inline constexpr uint8_t kProfileNickField = 4;
inline constexpr uint8_t kProfileAllFields = 7;
// The nick sent for a player without a profile.
inline constexpr const char* kNoNick = "<no nick>";

struct player_profile {
    uint32_t id = 0;
    std::string nick;
    int32_t counters[kProfileCounters] = {};
    uint8_t statistics[kProfileStatistics] = {};
};

struct profile_table {
    std::vector<player_profile> records;
    // Index of the current record; the record count (or more) when there is none. Checked before
    // every use.
    std::size_t current = 0;
};

// One record of a PROFILES packet as it was read; only the groups in `mask` were there.
struct profile_record {
    uint8_t mask = 0;
    uint32_t id = 0;
    uint16_t counters[3] = {};
    uint8_t statistics[kProfileStatistics] = {};
    std::string nick;
};

// The current record becomes the id's; false (and no current record) when there is none.
bool find(profile_table& table, uint32_t id);
bool find_by_nick(profile_table& table, const std::string& nick);
// Appends a record for a new id (true); an existing id's record only becomes current (false).
bool add(profile_table& table, uint32_t id);
// `add`, then an existing record is renewed: nick, fourth counter and statistics cleared, the first
// three counters kept.
void update(profile_table& table, uint32_t id);
bool remove(profile_table& table, uint32_t id);

// The current record's fields: 0 and the empty text without one, and the setters do nothing then.
uint32_t current_id(const profile_table& table);
std::string current_nick(const profile_table& table);
void set_current_nick(profile_table& table, const std::string& nick);
// i from 0 to 3.
int32_t counter(const profile_table& table, int i);
void set_counter(profile_table& table, int i, int32_t v);
// i from 0 to 5; the value is stored as its low 8 bits.
uint8_t stat_byte(const profile_table& table, int i);
void set_stat_byte(profile_table& table, int i, int32_t v);

// Stores a "setp" line (`full`: three counters, then six statistics) or a "setr" line (six
// statistics) in the record of its id, which is created when missing and becomes current.
void merge(profile_table& table, const std::string& line, bool full);
// "setp <id> c0:c1:c2:s0:s1:s2:s3:s4:s5", with " \"<nick>\"" when asked; "" for an unknown id.
std::string format_line(const profile_table& table, uint32_t id, bool with_nick);

// A nick as it may be stored and sent: at most 31 bytes, control characters as blanks.
std::string profile_clean_nick(const std::string& nick);

// PROFILES packets with one record for every slot of the snapshot (`all`) or for the slots whose
// profile changed, all field groups, as many packets as the datagram limits need; none for no
// records.
std::vector<packet> profiles_write(const snapshot_package& snapshot, const profile_table& table, bool all);
// A PROFILES body: the records up to the first that fails to read; false when one failed.
bool profiles_read(packet& in, std::vector<profile_record>& records);
// Stores a record in the slot of its id: the nick and counters it carries, and its statistics
// while the slot's are all 0. False, changing nothing, when no slot has the id.
bool profiles_apply(snapshot_package& snapshot, const profile_record& record);

}  // namespace kv
