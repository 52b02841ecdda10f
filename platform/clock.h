#pragma once
// The monotonic clock behind every timer and sleep. Tests replace it with `fake_clock`.

#include <cstdint>

namespace kv {

class sys_clock {
public:
    virtual ~sys_clock() = default;
    // Counts per second of the high-resolution counter; 0 when the machine has none.
    virtual int64_t counter_frequency() = 0;
    virtual int64_t counter_now() = 0;
    // The millisecond clock; it wraps after 2^32 ms.
    virtual uint32_t ms_now() = 0;
    // Request and release a 1 ms resolution for the millisecond clock.
    virtual void period_begin() {}
    virtual void period_end() {}
    virtual void sleep_ms(int ms) = 0;
};

// The clock in force: the machine's monotonic clock unless a test installed another.
sys_clock& sys_clock_get();
// Installs `clock` (not owned); nullptr puts the machine's clock back.
void sys_clock_install(sys_clock* clock);

// Gives up the processor for `ms` milliseconds; nothing for ms <= 0.
void sys_sleep(int ms);

// A clock that moves only when told to, for tests of timed behaviour.
class fake_clock : public sys_clock {
public:
    static constexpr int64_t kFrequency = 1000000;

    explicit fake_clock(bool has_counter = true) : has_counter_(has_counter) {}

    int64_t counter_frequency() override { return has_counter_ ? kFrequency : 0; }
    int64_t counter_now() override { return now_us_; }
    uint32_t ms_now() override { return static_cast<uint32_t>(ms_base_ + now_us_ / 1000); }
    void period_begin() override { ++periods_begun; }
    void period_end() override { ++periods_ended; }
    // Sleeping on a fake clock advances it.
    void sleep_ms(int ms) override {
        if (ms > 0) {
            slept_ms += ms;
            advance_ms(ms);
        }
    }

    void advance_ms(int64_t ms) { now_us_ += ms * 1000; }
    void advance_us(int64_t us) { now_us_ += us; }
    // Sets where the millisecond clock stands now (to test its wrap).
    void set_ms_clock(uint32_t ms) { ms_base_ = static_cast<int64_t>(ms) - now_us_ / 1000; }

    int periods_begun = 0;
    int periods_ended = 0;
    int64_t slept_ms = 0;

private:
    bool has_counter_;
    int64_t now_us_ = 0;
    int64_t ms_base_ = 0;
};

// Installs a fake clock for the lifetime of the guard.
class scoped_clock {
public:
    explicit scoped_clock(sys_clock& clock) { sys_clock_install(&clock); }
    ~scoped_clock() { sys_clock_install(nullptr); }
    scoped_clock(const scoped_clock&) = delete;
    scoped_clock& operator=(const scoped_clock&) = delete;
};

}  // namespace kv
