// Arbitrary text as "setp" and "setr" lines (one a line) stored in a profile table. Nothing may
// crash; each record written back as a "setp" line must read back to the same record.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/profile_table.h"

using namespace kv;

namespace {

bool same_line_values(const player_profile& a, const player_profile& b) {
    for (int i = 0; i < 3; ++i) {
        if (a.counters[i] != b.counters[i]) return false;
    }
    for (int i = 0; i < kProfileStatistics; ++i) {
        if (a.statistics[i] != b.statistics[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    profile_table table;
    std::size_t lines = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string line(text.substr(at, end - at));
        at = end + 1;
        ++lines;
        merge(table, line, line.rfind("setr", 0) != 0);
        if (table.records.size() > lines || current_id(table) != table.records[table.current].id)
            std::abort();
    }
    for (const player_profile& p : table.records) {
        const std::string line = format_line(table, p.id, true);
        if (line.empty()) std::abort();
        profile_table again;
        merge(again, line, true);
        if (again.records.size() != 1 || again.records[0].id != p.id ||
            !same_line_values(again.records[0], p)) {
            std::abort();
        }
    }
    return 0;
}
