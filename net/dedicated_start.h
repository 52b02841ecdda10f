#pragma once
// The start of a dedicated server process, run by the menu screen's step: the settings script goes
// to the server service (whose "start" serves in this process), the bot host is enabled, then the
// process's own client logs in as the hosting client "!q!" and, once the level is loaded, sends the
// script's bot-login line.

#include <cstdint>
#include <memory>

#include "kernel/timer.h"

namespace kv {

struct server;

inline constexpr int32_t kDedicatedReadScript = 0;
inline constexpr int32_t kDedicatedLogin = 1;
inline constexpr int32_t kDedicatedAwaitLogin = 2;
inline constexpr int32_t kDedicatedAwaitLevel = 3;
inline constexpr int32_t kDedicatedAwaitBots = 4;
inline constexpr int32_t kDedicatedDone = 5;
inline constexpr int32_t kDedicatedRetry = 6;

struct dedicated_start {
    int32_t state = kDedicatedReadScript;
    std::unique_ptr<timer> retry_timer;  // made on first use
};

// The start-up of this process.
dedicated_start& dedicated_start_get();
void dedicated_start_step(dedicated_start& start, server& srv);

}  // namespace kv
