// Traces rays and sweeps boxes through a generated level, all taken from the input: starts,
// directions (zero, vertical, huge, not finite), reaches, flags, box sizes and motions. Nothing
// may read outside the world's arrays, loop without end or leave a hit list unsorted. Shots (blasts
// with any values) are resolved through the same level.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "beings/blast.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "tools/world_generator.h"
#include "world/collision.h"
#include "world/trace.h"

using namespace kv;

namespace {

struct fuzz_input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    float number() {
        float f = 0.0f;
        if (at + 4 <= size) std::memcpy(&f, data + at, 4);
        at += 4;
        return f;
    }
    uint8_t byte() { return at < size ? data[at++] : (at++, 0); }
    bool more() const { return at < size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static server* srv = &server_get();
    fuzz_input in{data, size};
    const int side = 1 + in.byte() % 6;
    auto world = tools::generate_world(side, in.byte());
    world->hall->srv = srv;
    trace t;
    collision_sweep sweep;
    for (int round = 0; round < 16 && in.more(); ++round) {
        const uint8_t flags = in.byte();
        const vec3 start{in.number(), in.number(), in.number()};
        const vec3 direction{in.number(), in.number(), in.number()};
        const float reach = in.number();
        if (flags & 0x80) {
            box3 box;
            box3_init(box, {-std::fabs(in.number()), -std::fabs(in.number()), -std::fabs(in.number())},
                      {std::fabs(in.number()), std::fabs(in.number()), std::fabs(in.number())});
            mat4 placement;
            mat4_set_translation(placement, start.x, start.y, start.z);
            collision_sweep_init(sweep, world->hall.get(), box, placement);
            std::vector<const surface_material*> touched;
            vec3 end;
            collision_sweep_move(sweep, end, direction, (flags & 1) ? 0.75f : 0.6f,
                                 (flags & 2) ? &touched : nullptr);
            continue;
        }
        if (flags & 0x40) {
            blast b;
            const float values[kBlastValues] = {in.number(), in.number(), reach, in.number(), 0.0f};
            blast_create(b, in.byte(), start, direction, values);
            blast_apply(b, world->hall.get());
            gfx_clear_effects(kernel_get().graphics);
            continue;
        }
        trace_ray(t, world->hall.get(), start, direction, reach * reach, flags & 1, (flags >> 1) & 1,
                  (flags >> 2) & 1, (flags >> 3) & 1);
        for (std::size_t i = 1; i < t.hits.size(); ++i) {
            if (t.hits[i].hit.distance_sq < t.hits[i - 1].hit.distance_sq) __builtin_trap();
        }
        if ((flags >> 3) & 1 && t.hits.size() > 1) __builtin_trap();
    }
    return 0;
}
