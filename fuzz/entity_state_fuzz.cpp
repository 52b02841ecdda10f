// Arbitrary channel states and elapsed times applied to a soldier's body: each 16-byte operation names
// a channel (any byte), a 12-byte state as the network carries it (slot, frame byte, speed byte, each a
// big-endian 32-bit word that may hold anything), the milliseconds that pass (16 bits) and a byte of
// local operations (play, queue, lock, no loop, reverse, aim). After each the body updates, posing
// its mesh and firing its triggers, and its bones and attachment points are read. Nothing may read
// outside a table or divide by zero. Operations whose first byte has bit 6 set also hand the state, as
// all three received channel states of a remote soldier, to his two models with a weapon from byte 10.

#include <cstdint>
#include <memory>

#include "beings/entity.h"
#include "beings/soldier_anims.h"
#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "fuzz/memory_chunk_reader.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "platform/clock.h"
#include "tools/beings_writer.h"
#include "util/byte_order.h"

using namespace kv;

namespace {

constexpr std::size_t kOperationSize = 16;
constexpr std::size_t kMaxOperations = 256;
constexpr int32_t kSlots = 8;

const soldier_models& remote_soldier() {
    static const soldier_models models{"pid4", "pid4-1st", 4};
    return models;
}

// A world server holding the sample soldier package, made once.
server& world() {
    static server* srv = [] {
        auto* s = new server();
        const std::vector<uint8_t> bytes = tools::beings_sample_package(4);
        file_stream stream;
        file_stream_open_chunk(stream, memory_chunk_reader(bytes.data(), bytes.size()));
        package_list_load(*s, tools::kDemoBeingsPackage, stream);
        ref_list_resolve(ref_list(), s->packages);
        being_setup_animations(*s, remote_soldier());
        return s;
    }();
    return *srv;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    server& srv = world();
    fake_clock clock;
    scoped_clock use(clock);
    entity e;
    entity_create(e, "pid9", &srv);
    entity_set_model(e, "beings:soldier");
    entity_load_skeleton(e, "beings:sk-soldier", kSlots);
    const char* names[] = {"a-idle", "a-cidle", "a-walk", "a-m4a1-idle", "a-m4a1-shoot"};
    for (int32_t slot = 0; slot < 5; ++slot)
        entity_bind_animation(e, slot, std::string("beings:") + names[slot]);
    entity_set_active(e, true);
    for (const std::string& name : {remote_soldier().third, remote_soldier().first}) {
        if (entity* model = server_entity_find(srv, name)) model->channels = {};
    }
    static const ammo_def ammo{};
    for (std::size_t i = 0; i + kOperationSize <= size && i / kOperationSize < kMaxOperations;
         i += kOperationSize) {
        const uint8_t* op = data + i;
        const int32_t channel = static_cast<int8_t>(op[0]) % 3;
        const entity_channel_state state{static_cast<int32_t>(be_load_u32(op + 1)),
                                         static_cast<int32_t>(be_load_u32(op + 5)),
                                         static_cast<int32_t>(be_load_u32(op + 9))};
        const uint8_t local = op[15];
        entity_set_channel_state(e, channel, state);
        if (op[0] & 0x40) {
            const entity_channel_state states[3] = {state, state, state};
            being_apply_anim_state(srv, remote_soldier(), static_cast<int8_t>(op[10]), op[11] & 1, states,
                                   static_cast<float>(static_cast<int8_t>(op[12])) / 32.0f);
        }
        if (local & 1) entity_play(e, channel, state.animation % kSlots, state.ms_per_frame);
        if (local & 2) entity_queue_animation(e, channel, state.animation % kSlots, state.frame);
        if (local & 4) entity_channel_set_lock(e, channel, 1);
        if (local & 8) entity_channel_clear_loop(e, channel);
        if (local & 16) entity_channel_set_reverse(e, channel);
        if (local & 32) e.aim_angle = static_cast<float>(static_cast<int8_t>(op[1])) / 32.0f;
        if (local & 64) entity_set_blast_trigger(e, op[2] % 4, &ammo, 0, 9, 1);
        if (local & 128) entity_set_frame_trigger(e, op[3] % 8, op[4] % 5, "", op[5] % 4);
        e.posture_index = static_cast<int8_t>(op[6]) % 5;
        e.flag_pair[1] = op[7] & 1;
        clock.advance_ms(be_load_u16(op + 13));
        entity_update(e, 0);
        mat4 out;
        entity_bone_matrix(e, out, static_cast<int8_t>(op[8]));
        entity_attachment_matrix(e, out, static_cast<int8_t>(op[9]) % 20);
        entity_channel_state back;
        entity_get_channel_state(e, channel, back);
    }
    entity_destroy(e);
    srv.blasts.clear();
    srv.grenades.clear();
    return 0;
}
