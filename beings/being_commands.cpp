#include "beings/being_commands.h"

#include <cmath>

#include "beings/anim_tables.h"
#include "kernel/log.h"
#include "util/text.h"

namespace kv {
namespace {

bool begins_with(const std::string& line, const char* word) {
    return line.rfind(word, 0) == 0;
}

using speed_rows = int16_t (*)[kAnimColumns];

speed_rows speed_table(const std::string& line) {
    anim_tables& t = anim_tables_get();
    if (begins_with(line, "a_3du")) return t.upper_speed;
    if (begins_with(line, "a_3dl")) return t.lower_speed;
    if (begins_with(line, "a_1st")) return t.first_speed;
    return nullptr;
}

struct speed_word {
    const char* word;
    float soldier_speeds::*field;
};
constexpr speed_word kSpeedWords[] = {{"a_run", &soldier_speeds::run},
                                      {"a_walk", &soldier_speeds::walk},
                                      {"a_cwalk", &soldier_speeds::crouched_walk},
                                      {"a_crawl", &soldier_speeds::crawl},
                                      {"a_ladder", &soldier_speeds::ladder}};

}  // namespace

soldier_speeds& soldier_speeds_get() {
    static soldier_speeds speeds;
    return speeds;
}

int32_t being_anim_table_command(const std::string& line) {
    const std::string command = str_field_or_empty(line, 0, ' ');
    if (speed_rows table = speed_table(command)) {
        const int32_t row = str_to_int(str_field_or_empty(line, 1, ' '));
        const int32_t column = str_to_int(str_field_or_empty(line, 2, ' '));
        const int32_t value = str_to_int(str_field_or_empty(line, 3, ' '));
        if (!anim_cell_in_range(row, column) || value < 1 || value > kAnimMaxSpeed) {
            log_write("%s: *WARNING* row %d, column %d, speed %d out of range, ignored.\n", command.c_str(),
                      row, column, value);
            return -1;
        }
        table[row][column] = static_cast<int16_t>(value);
        return -1;
    }
    for (const speed_word& w : kSpeedWords) {
        if (command != w.word) continue;
        const float value = str_to_float(str_field_or_empty(line, 1, ' '));
        if (!(value > 0.0f) || !std::isfinite(value)) {
            log_write("%s: *WARNING* speed %g out of range, ignored.\n", w.word, static_cast<double>(value));
            return -1;
        }
        soldier_speeds_get().*w.field = value;
        return -1;
    }
    return -1;
}

}  // namespace kv
