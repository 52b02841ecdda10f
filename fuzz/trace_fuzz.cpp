// Traces rays and sweeps boxes through a generated level, all taken from the input: starts,
// directions (zero, vertical, huge, not finite), reaches, flags, box sizes and motions. Nothing
// may read outside the world's arrays, loop without end or leave a hit list unsorted. Shots (blasts
// with any values) are resolved through the same level, among soldiers of the demo body that the
// input places and poses (position, turn, lower and upper animation, frame and speed of each).

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "beings/anim_tables.h"
#include "beings/blast.h"
#include "beings/entity.h"
#include "beings/soldier_anims.h"
#include "beings/weapon_table.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/timer.h"
#include "tools/beings_writer.h"
#include "tools/byte_writer.h"
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
    int32_t integer() {
        int32_t v = 0;
        if (at + 4 <= size) std::memcpy(&v, data + at, 4);
        at += 4;
        return v;
    }
};

// Soldiers of the demo body with active player records (ids 200 upwards), made once for the process;
// each run places and poses some of them in its own level. The level's end forgets them.
struct soldiers {
    static constexpr int kCount = 8;
    static constexpr int kFirstId = 200;

    soldiers() {
        server& srv = server_get();
        const auto base = std::filesystem::temp_directory_path();
        std::filesystem::path folder;
        for (int n = 0;; ++n) {
            folder = base / ("kv_trace_fuzz_" + std::to_string(n));
            if (std::filesystem::create_directory(folder)) break;
        }
        srv.data_dir = folder.string() + "/";
        tools::write_file(folder / tools::kDemoBeingsPackage, tools::beings_package());
        load_package(srv, tools::kDemoBeingsPackage, false);
        ref_list_resolve(ref_list(), srv.packages);
        anim_tables_build(anim_tables_get());
        for (int i = 0; i < kCount; ++i) {
            player_slot s;
            s.id = static_cast<uint32_t>(kFirstId + i);
            s.name = "s" + std::to_string(i);
            s.team = i % 2;
            s.state = 2;
            s.health = 100;
            player_init(srv, s);
            const std::string name = "pid" + std::to_string(kFirstId + i);
            being_setup_animations(srv, {name, "~" + name, kFirstId + i});
            server_entity_select(srv, name);
            server_entity_set_model(srv, "beings:soldier");
            server_entity_set_active(srv, false);
            server_entity_deselect(srv);
        }
        // Everything is read: the folder goes now, since the fuzzer's exit skips the destructors.
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Soldier `i` stands at (x, z) turned by `turn` with the lower and upper channels as given.
    static void place(sector* hall, int i, float x, float z, float turn, const entity_channel_state& lower,
                      const entity_channel_state& upper) {
        server& srv = server_get();
        server_entity_select(srv, "pid" + std::to_string(kFirstId + i));
        server_entity_set_channel_state(srv, lower);
        server_entity_set_channel_state_ch1(srv, upper);
        mat4 turned;
        mat4_set_rotation_y(turned, turn);
        mat4 moved;
        mat4_set_translation(moved, x, 0.0f, z);
        server_entity_update_attached(srv, mat4_mul(turned, moved), hall);
        server_entity_set_active(srv, true);
        server_entity_deselect(srv);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static server* srv = &server_get();
    static soldiers bodies;
    fuzz_input in{data, size};
    const int side = 1 + in.byte() % 6;
    auto world = tools::generate_world(side, in.byte());
    world->hall->srv = srv;
    const int posed = in.byte() % (soldiers::kCount + 1);
    const anim_tables& tables = anim_tables_get();
    for (int i = 0; i < posed; ++i) {
        const float x = static_cast<float>(in.byte()) / 255.0f * world->size;
        const float z = static_cast<float>(in.byte()) / 255.0f * world->size;
        const float turn = static_cast<float>(in.byte()) / 255.0f * 6.2831853f;
        const int row = in.byte() % kAnimRows;
        const int column = in.byte() % kAnimColumns;
        entity_channel_state lower{tables.lower[row][column], in.integer(), in.integer()};
        entity_channel_state upper{tables.upper[row][column], in.integer(), in.integer()};
        soldiers::place(world->hall.get(), i, x, z, turn, lower, upper);
    }
    // The bodies are posed when a frame passes: the input says how long since their last step.
    const int32_t step_ms = 1 + in.byte() * 4;
    for (auto& e : srv->entities) {
        timer_freeze(e->time_base);
        if (timer_multimedia_mode()) {
            e->time_base.start_time = static_cast<uint32_t>(step_ms);
        } else {
            e->time_base.start_count = step_ms;
        }
        timer_unfreeze(e->time_base);
        entity_update(*e, 0);
    }
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
