#include "beings/soldier_anims.h"

#include "beings/anim_tables.h"
#include "beings/soldier_slots.h"
#include "beings/weapon_table.h"
#include "bots/bot_central.h"
#include "game/server.h"
#include "game/server_entities.h"

namespace kv {
namespace {

constexpr int32_t kOffsetWord = 6;
const vec3 kModelOffset{-60.0f, 0.0f, 0.0f};

// Runs the operation on the entity of that name as the server's current entity.
template <class F>
auto on_entity(server& srv, const std::string& name, F&& operation) {
    server_entity_select(srv, name);
    entity* e = server_entity_current(srv);
    if constexpr (std::is_void_v<decltype(operation(*e))>) {
        if (e) operation(*e);
        server_entity_deselect(srv);
    } else {
        auto result = e ? operation(*e) : decltype(operation(*e)){};
        server_entity_deselect(srv);
        return result;
    }
}

bool set_up(entity& e, const char* skeleton, int32_t slots, const std::vector<std::string>& names) {
    bool ok = entity_load_skeleton(e, skeleton, slots);
    for (std::size_t slot = 0; ok && slot < names.size(); ++slot) {
        if (!names[slot].empty())
            ok = entity_bind_animation(e, static_cast<int32_t>(slot), "beings:" + names[slot]);
    }
    entity_set_offset(e, kOffsetWord, kModelOffset);
    return ok;
}

// The options after a play (or the first-person queue): they act on the channel's current animation.
void after_play(entity& e, int32_t channel, int32_t options) {
    if (options & kAnimReverse) entity_channel_set_reverse(e, channel);
    if (options & kAnimLock) entity_channel_set_lock(e, channel, 1);
    if (options & kAnimPickFlag) entity_channel_set_pick_flag(e, channel);
    if (options & kAnimNoLoop) entity_channel_clear_loop(e, channel);
}

bool play(entity& e, int32_t channel, int32_t slot, int32_t ms, int32_t options) {
    if (options & kAnimUnlockFirst) entity_channel_set_lock(e, channel, 0);
    const bool started = entity_play(e, channel, slot, ms);
    after_play(e, channel, options);
    return started;
}

void queue(entity& e, int32_t channel, int32_t slot, int32_t ms, int32_t options, bool unlock) {
    if (unlock && (options & kAnimUnlockFirst)) entity_channel_set_lock(e, channel, 0);
    entity_queue_animation(e, channel, slot, ms);
    if (options & kAnimReverse) entity_channel_set_next_reverse(e, channel);
    if (options & kAnimLock) entity_channel_set_next_lock(e, channel, 1);
    if (options & kAnimPickFlag) entity_channel_set_next_pick_flag(e, channel);
    if (options & kAnimNoLoop) entity_channel_set_next_no_loop(e, channel);
}

bool matches(const entity_channel_state& s, int16_t slot, int16_t speed) {
    return s.animation == slot && (s.ms_per_frame & 0x7f) == speed;
}

}  // namespace

bool being_setup_animations(server& srv, const soldier_models& m) {
    const bool third = on_entity(srv, m.third, [](entity& e) {
        return set_up(e, "beings:sk-soldier", kSoldierSlotCount, soldier_slot_names());
    });
    const bool first = on_entity(srv, m.first, [](entity& e) {
        return set_up(e, "beings:sk-soldier-1st", kSoldierFirstSlotCount, soldier_first_slot_names());
    });
    server_entity_select(srv, m.first);
    server_entity_set_parent(srv, m.third);
    server_entity_deselect(srv);
    return third && first;
}

void being_queue_lower(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    on_entity(srv, m.third, [&](entity& e) { queue(e, 0, slot, ms, options, false); });
}

void being_play_lower(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    on_entity(srv, m.third, [&](entity& e) { play(e, 0, slot, ms, options); });
}

void being_queue_upper(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    on_entity(srv, m.third, [&](entity& e) { queue(e, 1, slot, ms, options, true); });
}

void being_play_upper(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    on_entity(srv, m.third, [&](entity& e) { play(e, 1, slot, ms, options); });
}

void being_queue_first(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    on_entity(srv, m.first, [&](entity& e) {
        if (options & kAnimUnlockFirst) entity_channel_set_lock(e, 0, 0);
        entity_queue_animation(e, 0, slot, ms);
        after_play(e, 0, options);
    });
}

bool being_play_first(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options) {
    return on_entity(srv, m.first, [&](entity& e) { return play(e, 0, slot, ms, options); });
}

bool being_play_action(server& srv, const soldier_models& m, int32_t row, int32_t weapon, int32_t options) {
    if (!anim_cell_in_range(row, weapon)) return false;
    const anim_tables& t = anim_tables_get();
    being_play_lower(srv, m, t.lower[row][weapon], t.lower_speed[row][weapon], options);
    return being_play_action_upper(srv, m, row, weapon, options);
}

void being_queue_action(server& srv, const soldier_models& m, int32_t row, int32_t weapon, int32_t options) {
    if (!anim_cell_in_range(row, weapon)) return;
    const anim_tables& t = anim_tables_get();
    being_queue_lower(srv, m, t.lower[row][weapon], t.lower_speed[row][weapon], options);
    being_queue_action_upper(srv, m, row, weapon, options);
}

bool being_play_action_upper(server& srv, const soldier_models& m, int32_t row, int32_t weapon,
                             int32_t options) {
    if (!anim_cell_in_range(row, weapon)) return false;
    const anim_tables& t = anim_tables_get();
    if (t.upper[row][weapon] != -1)
        being_play_upper(srv, m, t.upper[row][weapon], t.upper_speed[row][weapon], options);
    return being_play_first(srv, m, t.first[row][weapon], t.first_speed[row][weapon], options);
}

void being_queue_action_upper(server& srv, const soldier_models& m, int32_t row, int32_t weapon,
                              int32_t options) {
    if (!anim_cell_in_range(row, weapon)) return;
    const anim_tables& t = anim_tables_get();
    if (t.upper[row][weapon] != -1)
        being_queue_upper(srv, m, t.upper[row][weapon], t.upper_speed[row][weapon], options);
    being_queue_first(srv, m, t.first[row][weapon], t.first_speed[row][weapon], options);
}

bool being_third_has_queued(server& srv, const soldier_models& m) {
    return on_entity(srv, m.third, [](entity& e) { return entity_channel_has_next(e, 0); });
}

bool being_first_has_queued(server& srv, const soldier_models& m) {
    return on_entity(srv, m.first, [](entity& e) { return entity_channel_has_next(e, 0); });
}

remote_action being_read_remote_action(server& srv, const soldier_models& m, int32_t weapon,
                                       const entity_channel_state (&states)[3]) {
    remote_action out;
    if (!anim_cell_in_range(0, weapon)) return out;
    const anim_tables& t = anim_tables_get();
    for (const int32_t row : {6, 7, 8, 28, 29, 39}) {
        if (matches(states[1], t.upper[row][weapon], t.upper_speed[row][weapon])) out.shot = true;
    }
    if (out.shot) {
        if (m.player_id >= 0 && srv.bots) botc_notify_player_bots(*srv.bots, static_cast<uint32_t>(m.player_id));
        for (const int32_t row : {kRowAltShot, kRowCrouchedAltShot}) {
            if (matches(states[2], t.first[row][weapon], t.first_speed[row][weapon]) &&
                weapon_has_launcher(weapon))
                out.launcher_shot = true;
        }
    }
    struct movement_row {
        int32_t row;
        int32_t code;
    };
    static constexpr movement_row kMovement[] = {{0, 0},   {1, 2},   {2, 3},   {3, 4},  {4, 4},
                                                 {18, 7},  {19, 8},  {20, 9},  {21, 9}, {35, 16},
                                                 {36, 17}, {37, 18}, {38, 18}, {44, 19}};
    for (const movement_row& r : kMovement) {
        if (matches(states[0], t.lower[r.row][weapon], t.lower_speed[r.row][weapon])) out.movement = r.code;
    }
    return out;
}

remote_action being_apply_anim_state(server& srv, const soldier_models& m, int32_t weapon, bool driven_here,
                                     const entity_channel_state (&states)[3], float aim_angle) {
    const bool upper_changed = on_entity(srv, m.third, [&](entity& e) {
        entity_set_channel_state(e, 0, states[0]);
        const bool changed = entity_set_channel_state(e, 1, states[1]);
        e.aim_angle = aim_angle;
        entity_update_override(e);
        return changed;
    });
    on_entity(srv, m.first, [&](entity& e) {
        entity_set_channel_state(e, 0, states[2]);
        e.aim_angle = aim_angle;
        entity_update_override(e);
    });
    if (!upper_changed || driven_here) return {};
    return being_read_remote_action(srv, m, weapon, states);
}

}  // namespace kv
