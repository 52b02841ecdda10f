#include "world/visit_stamp.h"

namespace kv {
namespace {

uint16_t stamp = 0;

}  // namespace

uint16_t& world_visit_stamp() {
    return stamp;
}

uint16_t world_visit_stamp_advance() {
    return ++stamp;
}

void world_visit_stamp_set(uint16_t value) {
    stamp = value;
}

bool world_visit_mark(uint16_t& object_stamp) {
    if (object_stamp == stamp) return false;
    object_stamp = stamp;
    return true;
}

}  // namespace kv
