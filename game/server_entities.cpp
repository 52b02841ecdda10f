#include "game/server_entities.h"

namespace kv {
namespace {

void set_box_preset(entity& e, int32_t index) {
    e.posture_index = index;
}

void set_axis_angle(entity& e, float angle) {
    e.aim_angle = angle;
}

void set_option_word(entity& e, int32_t value) {
    e.words[1] = value;
}

mat4 world_matrix(entity& e) {
    return entity_world_matrix(e);
}

mat4 second_matrix(entity& e) {
    return entity_second_matrix(e);
}

mat4 model_matrix(entity& e) {
    return entity_parent_matrix(e);
}

bool channel_0_idle(entity& e) {
    return entity_channel_idle(e, 0);
}

float water_height(entity& e) {
    return e.water_height;
}

int32_t immersion(entity& e) {
    return e.immersion;
}

entity_list::iterator find(server& srv, const std::string& name) {
    for (auto it = srv.entities.begin(); it != srv.entities.end(); ++it) {
        if ((*it)->name == name) return it;
    }
    return srv.entities.end();
}

}  // namespace

bool server_entity_select(server& srv, const std::string& name) {
    srv.entity_cursor = find(srv, name);
    if (srv.entity_cursor != srv.entities.end()) return true;
    auto e = std::make_unique<entity>();
    entity_create(*e, name, &srv);
    srv.entity_cursor = srv.entities.insert(srv.entities.end(), std::move(e));
    return false;
}

void server_entity_deselect(server& srv) {
    srv.entity_cursor = srv.entities.end();
}

void server_entity_delete(server& srv) {
    if (srv.entity_cursor == srv.entities.end()) return;
    entity* gone = srv.entity_cursor->get();
    entity_destroy(*gone);
    for (const auto& e : srv.entities) {
        if (e->parent == gone) entity_set_parent(*e, nullptr);
    }
    srv.entities.erase(srv.entity_cursor);
    srv.entity_cursor = srv.entities.end();
}

bool server_entity_set_parent(server& srv, const std::string& name) {
    entity* current = server_entity_current(srv);
    entity* parent = server_entity_find(srv, name);
    if (!current || !parent) return false;
    entity_set_parent(*current, parent);
    return true;
}

entity* server_entity_find(server& srv, const std::string& name) {
    const auto it = find(srv, name);
    return it == srv.entities.end() ? nullptr : it->get();
}

entity* server_entity_current(server& srv) {
    return srv.entity_cursor == srv.entities.end() ? nullptr : srv.entity_cursor->get();
}

bool server_entity_has_thrown(server& srv) {
    const entity* e = server_entity_current(srv);
    return e && e->thrown;
}

void server_entity_set_thrown(server& srv, bool thrown) {
    if (entity* e = server_entity_current(srv)) e->thrown = thrown ? 1 : 0;
}

void server_entity_set_blast_value(server& srv, float value) {
    if (entity* e = server_entity_current(srv)) entity_set_blast_value(*e, value);
}

int32_t server_entity_step_result(server& srv) {
    const entity* e = server_entity_current(srv);
    return e ? e->step_result : 0;
}

void server_entity_set_position(server& srv, int32_t word, const vec3& offset) {
    server_entity_apply(srv, entity_set_offset, word, offset);
}

bool server_entity_set_skeleton(server& srv, const std::string& reference, int32_t slots) {
    return server_entity_apply(srv, entity_load_skeleton, reference, slots);
}

bool server_entity_bind_animation(server& srv, int32_t slot, const std::string& reference) {
    return server_entity_apply(srv, entity_bind_animation, slot, reference);
}

bool server_entity_set_model(server& srv, const std::string& reference) {
    return server_entity_apply(srv, entity_set_model, reference);
}

bool server_entity_set_surface(server& srv, const std::string& reference) {
    return server_entity_apply(srv, entity_set_surface, reference);
}

bool server_entity_attach_model(server& srv, int32_t slot, const std::string& reference) {
    return server_entity_apply(srv, entity_attach_model, slot, reference);
}

void server_entity_detach_model(server& srv, int32_t slot) {
    server_entity_apply(srv, entity_detach, slot);
}

void server_entity_clear_attachments(server& srv) {
    server_entity_apply(srv, entity_clear_frame_triggers);
}

bool server_entity_set_attachment(server& srv, int32_t slot, int32_t kind, const std::string& reference,
                                  int32_t frame) {
    return server_entity_apply(srv, entity_set_frame_trigger, slot, kind, reference, frame);
}

void server_entity_set_blast_trigger(server& srv, int32_t frame, const ammo_def* ammo, int32_t ammo_index,
                                     int32_t owner, int32_t pellets) {
    server_entity_apply(srv, entity_set_blast_trigger, frame, ammo, ammo_index, owner, pellets);
}

void server_entity_set_throw_trigger(server& srv, int32_t frame, int32_t owner, const grenade_values& values,
                                     float speed, float distance, float height, float angle, float jitter) {
    server_entity_apply(srv, entity_set_throw_trigger, frame, owner, values, speed, distance, height, angle,
                        jitter);
}

void server_entity_add_event(server& srv, uint8_t flag, int32_t value, const std::string& name, int32_t a,
                             int32_t b) {
    server_entity_apply(srv, entity_add_event, flag, value, name, a, b);
}

void server_entity_mark_events_done(server& srv) {
    server_entity_apply(srv, entity_mark_events_done);
}

void server_entity_update_attached(server& srv, const mat4& matrix, sector* in_sector) {
    server_entity_apply(srv, entity_update_sample, matrix, in_sector);
}

void server_entity_set_active(server& srv, bool on) {
    server_entity_apply(srv, entity_set_active, on);
}

void server_entity_update_visibility(server& srv, const mat4& view) {
    server_entity_apply(srv, entity_update_visibility, view);
}

bool server_entity_play(server& srv, int32_t slot, int32_t ms_per_frame) {
    return server_entity_apply(srv, entity_play, 0, slot, ms_per_frame);
}

bool server_entity_play_ch1(server& srv, int32_t slot, int32_t ms_per_frame) {
    return server_entity_apply(srv, entity_play, 1, slot, ms_per_frame);
}

void server_entity_queue(server& srv, int32_t slot, int32_t ms_per_frame) {
    server_entity_apply(srv, entity_queue_animation, 0, slot, ms_per_frame);
}

void server_entity_queue_ch1(server& srv, int32_t slot, int32_t ms_per_frame) {
    server_entity_apply(srv, entity_queue_animation, 1, slot, ms_per_frame);
}

bool server_entity_set_channel_state(server& srv, const entity_channel_state& state) {
    return server_entity_apply(srv, entity_set_channel_state, 0, state);
}

bool server_entity_set_channel_state_ch1(server& srv, const entity_channel_state& state) {
    return server_entity_apply(srv, entity_set_channel_state, 1, state);
}

void server_entity_get_channel_state(server& srv, entity_channel_state& out) {
    server_entity_apply(srv, entity_get_channel_state, 0, out);
}

void server_entity_get_channel_state_ch1(server& srv, entity_channel_state& out) {
    server_entity_apply(srv, entity_get_channel_state, 1, out);
}

bool server_entity_has_queued(server& srv) {
    return server_entity_apply(srv, entity_channel_has_next, 0);
}

bool server_entity_ch1_idle(server& srv) {
    return server_entity_apply(srv, entity_channel_idle, 1);
}

void server_entity_set_flag_pair(server& srv, uint8_t first, uint8_t second) {
    server_entity_apply(srv, entity_set_flag_pair, first, second);
}

void server_entity_set_box_preset(server& srv, int32_t index) {
    server_entity_apply(srv, set_box_preset, index);
}

void server_entity_set_model_value(server& srv, uint32_t value) {
    server_entity_apply(srv, entity_set_link_flag, value);
}

vec3 server_entity_pick(server& srv, const mat4& frame, const vec3& wanted, float factor,
                        entity_sweep_result* result) {
    return server_entity_apply(srv, entity_pick, frame, wanted, factor, result);
}

bool server_entity_check_turn(server& srv, float angle) {
    return server_entity_apply(srv, entity_check_turn, angle);
}

bool server_entity_move(server& srv, const mat4& frame, const vec3& motion, int32_t posture_index) {
    return server_entity_apply(srv, entity_move, frame, motion, posture_index);
}

bool server_entity_sweep(server& srv, const mat4& frame, const vec3& motion) {
    return server_entity_apply(srv, entity_sweep, frame, motion);
}

bool server_entity_trace_around(server& srv) {
    return server_entity_apply(srv, entity_trace_around);
}

void server_entity_step_check(server& srv) {
    server_entity_apply(srv, entity_step_check);
}

void server_entity_set_axis_angle(server& srv, float angle) {
    server_entity_apply(srv, set_axis_angle, angle);
}

void server_entity_set_reverse(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_set_reverse, channel);
}

void server_entity_set_next_reverse(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_set_next_reverse, channel);
}

void server_entity_set_lock(server& srv, int32_t channel, uint8_t value) {
    server_entity_apply(srv, entity_channel_set_lock, channel, value);
}

void server_entity_set_next_lock(server& srv, int32_t channel, uint8_t value) {
    server_entity_apply(srv, entity_channel_set_next_lock, channel, value);
}

void server_entity_set_pick_flag(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_set_pick_flag, channel);
}

void server_entity_set_next_pick_flag(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_set_next_pick_flag, channel);
}

void server_entity_clear_loop(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_clear_loop, channel);
}

void server_entity_set_next_no_loop(server& srv, int32_t channel) {
    server_entity_apply(srv, entity_channel_set_next_no_loop, channel);
}

mat4 server_entity_second_matrix(server& srv) {
    return server_entity_current(srv) ? server_entity_apply(srv, second_matrix) : kMat4Identity;
}

mat4 server_entity_model(server& srv) {
    return server_entity_current(srv) ? server_entity_apply(srv, model_matrix) : kMat4Identity;
}

mat4 server_entity_world_matrix(server& srv) {
    return server_entity_current(srv) ? server_entity_apply(srv, world_matrix) : kMat4Identity;
}

void server_entity_set_names(server& srv, const std::string& sound, int32_t near_distance,
                             int32_t far_distance, const std::string& effect,
                             const std::string& second_effect, float parameter, float second_parameter) {
    server_entity_apply(srv, entity_set_names, sound, near_distance, far_distance, effect, second_effect,
                        parameter, second_parameter);
}

void server_entity_set_view_offset(server& srv, float x, float y, float z, float w) {
    server_entity_apply(srv, entity_set_view_offset, x, y, z, w);
}

box3 server_entity_bounds(server& srv) {
    return server_entity_apply(srv, entity_bounds);
}

void server_entity_start_shake(server& srv, float amplitude) {
    server_entity_apply(srv, entity_start_shake, amplitude);
}

void server_entity_set_option_word(server& srv, int32_t value) {
    server_entity_apply(srv, set_option_word, value);
}

void server_entity_bone_matrix(server& srv, mat4& out, int32_t bone) {
    out = kMat4Identity;
    server_entity_apply(srv, entity_bone_matrix, out, bone);
}

void server_entity_play_sound(server& srv, const std::string& name, const vec3& point, bool positioned) {
    server_entity_apply(srv, entity_play_sound, name, point, positioned);
}

bool server_entity_idle(server& srv) {
    return server_entity_current(srv) ? server_entity_apply(srv, channel_0_idle) : true;
}

float server_entity_water_height(server& srv) {
    return server_entity_apply(srv, water_height);
}

int32_t server_entity_immersion(server& srv) {
    return server_entity_apply(srv, immersion);
}

}  // namespace kv
