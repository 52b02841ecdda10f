#pragma once
// The one visit stamp of the world and the object numbering that walks over a sector's contents
// share (renderer, collision, queries, traces, lamps, world preparation).
//
// Each walk advances the stamp once at its start and marks every scene node and mesh instance it
// reaches with it, so an object listed in several places is taken once per walk. The counter is 16
// bits and wraps (65535 is followed by 0); nothing is reset at the wrap. Walks must not nest.
//
// Object numbers index a sector's light-map bindings: a top-level object (a table entry or an item
// of an object-tree leaf) sets the current number to its own; an object skipped by its box test adds
// its number; mesh i of an instance's geometry is numbered current + i.

#include <cstdint>

namespace kv {

// The counter itself; graphics start-up sets it to 65534.
uint16_t& world_visit_stamp();
// Advances the counter by one and returns the new value.
uint16_t world_visit_stamp_advance();
void world_visit_stamp_set(uint16_t value);
// True when the object has not been visited in this walk; the object then carries the current stamp.
bool world_visit_mark(uint16_t& object_stamp);

struct object_numbering {
    uint32_t current = 0;
};

// A top-level object (table entry or tree item) is reached.
inline void object_number_enter(object_numbering& n, uint16_t number) {
    n.current = number;
}
// An object is passed over by its box test.
inline void object_number_skip(object_numbering& n, uint16_t number) {
    n.current += number;
}
// The number of mesh i of the current instance.
inline uint32_t object_number_mesh(const object_numbering& n, uint32_t i) {
    return n.current + i;
}

}  // namespace kv
