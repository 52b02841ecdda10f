#include "gfx/drivers/key_queue.h"

namespace kv {

void key_queue_push(key_queue& q, bool released, uint32_t key) {
    if (q.events.size() >= kKeyQueueMax) q.events.pop_front();
    q.events.push_back({released ? kKeyReleased : kKeyPressed, key});
}

bool key_queue_waiting(const key_queue& q) {
    return !q.events.empty();
}

key_event key_queue_pop(key_queue& q) {
    if (q.events.empty()) return {};
    const key_event e = q.events.front();
    q.events.pop_front();
    return e;
}

}  // namespace kv
