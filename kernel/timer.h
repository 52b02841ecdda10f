#pragma once
// The engine's clock object: elapsed time since the last restart, plus an accumulator for
// measured sections. Every periodic step owns one and polls it.

#include <cstdint>

namespace kv {

struct timer {
    timer();
    ~timer();
    timer(const timer& other);
    timer& operator=(const timer& other);

    int64_t start_count = 0;    // counter at the last restart; the frozen ms while frozen
    int64_t section_start = 0;  // counter at the last section begin
    int64_t section_total = 0;  // counts gathered by section ends
    uint32_t start_time = 0;    // millisecond clock at the last restart (no counter); frozen ms while frozen
    bool holds_period = false;  // this timer asked the millisecond clock for 1 ms resolution
};

void timer_restart(timer& t);
int32_t timer_elapsed_ms(const timer& t);
int32_t timer_elapsed_seconds(const timer& t);
// Elapsed milliseconds that do not wrap in a program's lifetime (the counter's; the millisecond
// clock still wraps after 2^32 ms).
int64_t timer_elapsed_ms64(const timer& t);
// Between freeze and unfreeze the timer holds milliseconds, not a start point: do not read it.
void timer_freeze(timer& t);
void timer_unfreeze(timer& t);
void timer_section_begin(timer& t);
void timer_section_end(timer& t);
int32_t timer_section_total_ms(const timer& t);

// True while the timers run on the millisecond clock because the machine reports no counter.
bool timer_multimedia_mode();

}  // namespace kv
