#pragma once
// The beings' console command family "a_": the animation speed tables and the soldier's speeds.

#include <cstdint>
#include <string>

namespace kv {

// The soldier's movement speeds, units a millisecond; 0 until the console or the being sets them.
struct soldier_speeds {
    float run = 0.0f;
    float walk = 0.0f;
    float crouched_walk = 0.0f;
    float crawl = 0.0f;
    float ladder = 0.0f;
};
soldier_speeds& soldier_speeds_get();

// "a_1st", "a_3dl", "a_3du" followed by row, column and speed (1-127 ms a frame); "a_run", "a_walk",
// "a_cwalk", "a_crawl", "a_ladder" followed by a positive speed. Values out of range are ignored
// with a warning. Always -1.
int32_t being_anim_table_command(const std::string& line);

}  // namespace kv
