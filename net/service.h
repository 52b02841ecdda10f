#pragma once
// The local server service as the kernel uses it: its command interpreter ("stop" when the engine
// stops) and its settings record.

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int32_t kDefaultMinFrameMs = 33;

struct service_settings {
    uint8_t running = 0;
    uint8_t dedicated = 0;  // asks the main routine for the relaunch as dedicated server
    int32_t min_frame_ms = kDefaultMinFrameMs;
};

// The service settings that the world server embeds.
service_settings& service_settings_get();

void service_command(service_settings& settings, const std::string& text);
// Once a main-loop pass: while a server runs in this process, its session log, round and map machine
// and network server. False asks the engine to stop.
bool service_tick(service_settings& settings, int32_t elapsed_ms);
// Fills the settings with their defaults (world server start-up).
void service_settings_init(service_settings& settings);

}  // namespace kv
