#pragma once
// The beings' console command family "a_": the animation speed tables.

#include <cstdint>
#include <string>

namespace kv {

// "a_1st", "a_3dl", "a_3du" followed by row, column and value.
int32_t being_anim_table_command(const std::string& line);

}  // namespace kv
