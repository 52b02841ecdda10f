#pragma once
// The key messages that arrive at a display driver's window, waiting for the input layer: one
// queue shape for every driver. It keeps the newest kKeyQueueMax events; nothing drains it while
// the input layer reads the devices, so older ones are dropped.

#include <cstddef>
#include <cstdint>
#include <deque>

#include "gfx/drivers/gfx_driver.h"

namespace kv {

inline constexpr std::size_t kKeyQueueMax = 1024;

struct key_queue {
    std::deque<key_event> events;  // oldest first
};

// A press (released false) or a release of the virtual key.
void key_queue_push(key_queue& q, bool released, uint32_t key);
bool key_queue_waiting(const key_queue& q);
// Removes and returns the oldest event; {0, 0} when there is none.
key_event key_queue_pop(key_queue& q);

}  // namespace kv
