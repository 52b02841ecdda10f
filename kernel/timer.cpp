#include "kernel/timer.h"

#include "platform/clock.h"

namespace kv {
namespace {

// Shared by all timers and set again by every construction, as the counter's presence
// cannot change while the program runs.
int64_t g_frequency = 0;
bool g_multimedia = false;

void choose_mode(timer& t) {
    sys_clock& clock = sys_clock_get();
    g_frequency = clock.counter_frequency();
    g_multimedia = g_frequency == 0;
    if (g_multimedia) {
        clock.period_begin();
        t.holds_period = true;
    }
}

}  // namespace

timer::timer() {
    choose_mode(*this);
    timer_restart(*this);
}

timer::~timer() {
    if (holds_period) sys_clock_get().period_end();
}

timer::timer(const timer& other)
    : start_count(other.start_count),
      section_start(other.section_start),
      section_total(other.section_total),
      start_time(other.start_time) {
    if (other.holds_period) {
        sys_clock_get().period_begin();
        holds_period = true;
    }
}

timer& timer::operator=(const timer& other) {
    if (this == &other) return *this;
    if (other.holds_period && !holds_period) sys_clock_get().period_begin();
    if (!other.holds_period && holds_period) sys_clock_get().period_end();
    start_count = other.start_count;
    section_start = other.section_start;
    section_total = other.section_total;
    start_time = other.start_time;
    holds_period = other.holds_period;
    return *this;
}

void timer_restart(timer& t) {
    if (g_multimedia) {
        t.start_time = sys_clock_get().ms_now();
    } else {
        t.start_count = sys_clock_get().counter_now();
        t.section_total = 0;
    }
}

int32_t timer_elapsed_ms(const timer& t) {
    if (g_multimedia) {
        // Unsigned subtraction measures an interval across the clock's wrap correctly.
        return static_cast<int32_t>(sys_clock_get().ms_now() - t.start_time);
    }
    const int64_t counts = sys_clock_get().counter_now() - t.start_count;
    return static_cast<int32_t>(counts * 1000 / g_frequency);
}

int32_t timer_elapsed_seconds(const timer& t) {
    return timer_elapsed_ms(t) / 1000;
}

int64_t timer_elapsed_ms64(const timer& t) {
    if (g_multimedia) return sys_clock_get().ms_now() - t.start_time;
    const int64_t counts = sys_clock_get().counter_now() - t.start_count;
    // Whole seconds first, so that a long run cannot overflow the product.
    return counts / g_frequency * 1000 + counts % g_frequency * 1000 / g_frequency;
}

void timer_freeze(timer& t) {
    const int32_t ms = timer_elapsed_ms(t);
    if (g_multimedia) {
        t.start_time = static_cast<uint32_t>(ms);
    } else {
        t.start_count = ms;
    }
}

void timer_unfreeze(timer& t) {
    if (g_multimedia) {
        t.start_time = sys_clock_get().ms_now() - t.start_time;
    } else {
        t.start_count = sys_clock_get().counter_now() - t.start_count * g_frequency / 1000;
    }
}

void timer_section_begin(timer& t) {
    if (!g_multimedia) t.section_start = sys_clock_get().counter_now();
}

void timer_section_end(timer& t) {
    if (!g_multimedia) t.section_total += sys_clock_get().counter_now() - t.section_start;
}

int32_t timer_section_total_ms(const timer& t) {
    if (g_multimedia) return 0;
    return static_cast<int32_t>(t.section_total * 1000 / g_frequency);
}

bool timer_multimedia_mode() {
    return g_multimedia;
}

}  // namespace kv
