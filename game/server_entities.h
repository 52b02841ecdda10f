#pragma once
// The world server's entity list: every animated model instance of the world, addressed by name.
// Callers select an entity by name, which makes it the current entity, apply operations to it through
// the server, and deselect it. The cursor never points at a freed entity.

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "beings/entity_body.h"
#include "game/server.h"

namespace kv {

// Makes the entity of exactly that name current and answers true; without one, creates it at the end
// of the list, makes it current and answers false.
bool server_entity_select(server& srv, const std::string& name);
void server_entity_deselect(server& srv);
// Destroys the current entity; the cursor goes to the list's end and links to it are cleared.
void server_entity_delete(server& srv);
// Links the current entity to the entity of that name, which supplies its world matrix. False, and
// nothing changes, when no entity bears the name or none is current.
bool server_entity_set_parent(server& srv, const std::string& name);
// The entity of exactly that name, or null: neither creates one nor moves the cursor.
entity* server_entity_find(server& srv, const std::string& name);
// The current entity, or null.
entity* server_entity_current(server& srv);

// Applies an entity operation to the current entity and returns its result; without a current entity
// nothing is done and the result is a default value.
template <class R, class... Params, class... Args>
R server_entity_apply(server& srv, R (*operation)(entity&, Params...), Args&&... args) {
    entity* e = server_entity_current(srv);
    if (!e) {
        if constexpr (std::is_void_v<R>) {
            return;
        } else {
            return R{};
        }
    }
    return operation(*e, std::forward<Args>(args)...);
}
template <class R, class... Params, class... Args>
R server_entity_apply(server& srv, R (*operation)(const entity&, Params...), Args&&... args) {
    const entity* e = server_entity_current(srv);
    if (!e) {
        if constexpr (std::is_void_v<R>) {
            return;
        } else {
            return R{};
        }
    }
    return operation(*e, std::forward<Args>(args)...);
}

// The current entity's thrown flag (set when its throw trigger fired).
bool server_entity_has_thrown(server& srv);
void server_entity_set_thrown(server& srv, bool thrown);
// The effect level the current entity's shots hand to the blast queue as their spread jitter.
void server_entity_set_blast_value(server& srv, float value);
// The named forwarders: each applies one entity operation to the current entity.
void server_entity_set_position(server& srv, int32_t word, const vec3& offset);
bool server_entity_set_skeleton(server& srv, const std::string& reference, int32_t slots);
bool server_entity_bind_animation(server& srv, int32_t slot, const std::string& reference);
bool server_entity_set_model(server& srv, const std::string& reference);
bool server_entity_set_surface(server& srv, const std::string& reference);
bool server_entity_attach_model(server& srv, int32_t slot, const std::string& reference);
void server_entity_detach_model(server& srv, int32_t slot);
void server_entity_clear_attachments(server& srv);
bool server_entity_set_attachment(server& srv, int32_t slot, int32_t kind, const std::string& reference,
                                  int32_t frame);
void server_entity_set_blast_trigger(server& srv, int32_t frame, const ammo_def* ammo, int32_t ammo_index,
                                     int32_t owner, int32_t pellets);
void server_entity_set_throw_trigger(server& srv, int32_t frame, int32_t owner, const grenade_values& values,
                                     float speed, float distance, float height, float angle, float jitter);
void server_entity_add_event(server& srv, uint8_t flag, int32_t value, const std::string& name, int32_t a,
                             int32_t b);
void server_entity_mark_events_done(server& srv);
void server_entity_update_attached(server& srv, const mat4& matrix, sector* in_sector);
void server_entity_set_active(server& srv, bool on);
void server_entity_update_visibility(server& srv, const mat4& view);
bool server_entity_play(server& srv, int32_t slot, int32_t ms_per_frame);
bool server_entity_play_ch1(server& srv, int32_t slot, int32_t ms_per_frame);
void server_entity_queue(server& srv, int32_t slot, int32_t ms_per_frame);
void server_entity_queue_ch1(server& srv, int32_t slot, int32_t ms_per_frame);
bool server_entity_set_channel_state(server& srv, const entity_channel_state& state);
bool server_entity_set_channel_state_ch1(server& srv, const entity_channel_state& state);
void server_entity_get_channel_state(server& srv, entity_channel_state& out);
void server_entity_get_channel_state_ch1(server& srv, entity_channel_state& out);
bool server_entity_has_queued(server& srv);
bool server_entity_ch1_idle(server& srv);
void server_entity_set_flag_pair(server& srv, uint8_t first, uint8_t second);
// The posture row the box follows (-1 with the second flag byte: measured from the bones).
void server_entity_set_box_preset(server& srv, int32_t index);
void server_entity_set_model_value(server& srv, uint32_t value);
vec3 server_entity_pick(server& srv, const mat4& frame, const vec3& wanted, float factor,
                        entity_sweep_result* result);
bool server_entity_check_turn(server& srv, float angle);
bool server_entity_move(server& srv, const mat4& frame, const vec3& motion, int32_t posture_index);
bool server_entity_sweep(server& srv, const mat4& frame, const vec3& motion);
bool server_entity_trace_around(server& srv);
void server_entity_step_check(server& srv);
// The upper body's turn (the aim angle).
void server_entity_set_axis_angle(server& srv, float angle);
void server_entity_set_reverse(server& srv, int32_t channel);
void server_entity_set_next_reverse(server& srv, int32_t channel);
void server_entity_set_lock(server& srv, int32_t channel, uint8_t value);
void server_entity_set_next_lock(server& srv, int32_t channel, uint8_t value);
void server_entity_set_pick_flag(server& srv, int32_t channel);
void server_entity_set_next_pick_flag(server& srv, int32_t channel);
void server_entity_clear_loop(server& srv, int32_t channel);
void server_entity_set_next_no_loop(server& srv, int32_t channel);
// The current entity's second matrix (its eyes' frame in its own space), model node matrix and world
// matrix; the identity without a current entity.
mat4 server_entity_second_matrix(server& srv);
mat4 server_entity_model(server& srv);
mat4 server_entity_world_matrix(server& srv);
void server_entity_set_names(server& srv, const std::string& sound, int32_t near_distance,
                             int32_t far_distance, const std::string& effect,
                             const std::string& second_effect, float parameter, float second_parameter);
void server_entity_set_view_offset(server& srv, float x, float y, float z, float w);
box3 server_entity_bounds(server& srv);
void server_entity_start_shake(server& srv, float amplitude);
// The second of the two option words.
void server_entity_set_option_word(server& srv, int32_t value);
void server_entity_bone_matrix(server& srv, mat4& out, int32_t bone);
void server_entity_play_sound(server& srv, const std::string& name, const vec3& point, bool positioned);
// Whether the current entity's channel 0 plays nothing.
bool server_entity_idle(server& srv);
// The water height and immersion its last step check found.
float server_entity_water_height(server& srv);
int32_t server_entity_immersion(server& srv);

// The value the current entity's last step check stored.
int32_t server_entity_step_result(server& srv);

}  // namespace kv
