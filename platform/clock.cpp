#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace kv {
namespace {

// CLOCK_MONOTONIC in microseconds: fine enough for frame timing, and the timer's
// (difference x 1000) stays inside 64 bits for centuries.
class monotonic_clock : public sys_clock {
public:
    int64_t counter_frequency() override { return 1000000; }
    int64_t counter_now() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
    }
    uint32_t ms_now() override { return static_cast<uint32_t>(counter_now() / 1000); }
    void sleep_ms(int ms) override {
        if (ms <= 0) return;
        timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }
};

monotonic_clock& machine_clock() {
    static monotonic_clock clock;
    return clock;
}

sys_clock* g_installed = nullptr;

}  // namespace

sys_clock& sys_clock_get() { return g_installed ? *g_installed : machine_clock(); }

void sys_clock_install(sys_clock* clock) { g_installed = clock; }

void sys_sleep(int ms) { sys_clock_get().sleep_ms(ms); }

}  // namespace kv
