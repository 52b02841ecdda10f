#include "beings/entity.h"

#include "beings/entity_body.h"

#include <algorithm>
#include <cctype>

#include "data/reference_list.h"
#include "game/server.h"
#include "game/server_world.h"
#include "gfx/debug_draw.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "sound/sound_system.h"
#include "util/text.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/world_query.h"
#include "world/world_read.h"

namespace kv {
namespace {

constexpr float kViewFarDistance = 50000.0f;
constexpr int32_t kLightSampleMs = 200;
constexpr int32_t kFollowUpBlastMs = 500;
constexpr float kBoneBoxMargin = 15.0f;
// Bones that bound a body measured from its pose.
constexpr int32_t kBoneLeftFoot = 52;
constexpr int32_t kBoneRightFoot = 47;
constexpr int32_t kBoneRightToe = 49;
constexpr int32_t kBoneLeftToe = 54;
constexpr int32_t kBoneHead = 7;
constexpr int32_t kBoneRightHeel = 48;
constexpr int32_t kBoneLeftHeel = 53;
constexpr int32_t kBoneChest = 11;
constexpr int32_t kMaxChannelSpeed = 127;
constexpr int32_t kStateHighBit = 128;
// The debug drawing of the renderer's helpers pass: the body's box and the leaf boxes of its mesh.
constexpr gfx_colour kDebugBoxColour{0.0f, 1.0f, 0.0f};
constexpr gfx_colour kDebugLeafColour{0.0f, 0.0f, 1.0f};

server& owner_server(const entity& e) {
    return e.srv ? *e.srv : server_get();
}

bool valid_channel(int32_t channel) {
    return channel >= 0 && channel < kEntityChannels;
}

animation* slot_animation(const entity& e, int32_t slot) {
    if (!e.skel || slot < 0 || static_cast<std::size_t>(slot) >= e.skel->slots.size()) return nullptr;
    return e.skel->slots[static_cast<std::size_t>(slot)];
}

animation* channel_animation(const entity& e, int32_t channel) {
    return slot_animation(e, e.channels[static_cast<std::size_t>(channel)].animation);
}

int32_t frame_count(const animation* anim) {
    return anim ? std::max<int32_t>(1, static_cast<int32_t>(anim->frame_count)) : 1;
}

bool whole_body(const entity& e, const animation& anim) {
    return static_cast<int32_t>(anim.keys_per_frame) == skeleton_animated_bone_count(*e.skel);
}

// The skinned mesh of the model's first mesh instance, or null.
geometry_mesh* first_mesh(entity& e, mesh_instance** instance) {
    if (!e.model || e.model->meshes.items.empty() || !e.model->meshes.items[0]) return nullptr;
    *instance = e.model->meshes.items[0];
    geometry* g = (*instance)->geom;
    if (!g || g->skinned.items.empty()) return nullptr;
    return g->skinned.items[0];
}

// Resolves one reference of the entity's own, never the references that a package being loaded has
// queued in the process-wide list.
template <class T>
T* resolve_own(entity& e, int32_t kind, const std::string& reference) {
    std::string package_name;
    std::string object_name;
    world_split_reference(reference, "", package_name, object_name);
    T* found = nullptr;
    reference_list own;
    ref_list_add(own, kind, package_name, object_name, &found);
    if (!ref_list_resolve(own, owner_server(e).packages)) return nullptr;
    return found;
}

void leave_sector(entity& e) {
    if (!e.in_sector) return;
    auto& list = e.in_sector->entities;
    list.erase(std::remove(list.begin(), list.end(), &e), list.end());
}

void enter_sector(entity& e) {
    if (e.in_sector) e.in_sector->entities.push_back(&e);
}

// Player id after "pid" in the name, or -1.
int32_t name_player_id(const std::string& name) {
    const std::size_t at = name.find("pid");
    if (at == std::string::npos) return -1;
    std::size_t end = at + 3;
    while (end < name.size() && end - at < 12 && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
    if (end == at + 3) return -1;
    return str_to_int(std::string_view(name).substr(at + 3, end - at - 3));
}

mat4 node_matrix(const entity& e) {
    return e.model_root ? e.model_root->transform : kMat4Identity;
}

// The placement as the model node takes it: without a parent, the box centre's x and z move to the
// placement's origin.
mat4 centred(const entity& e, const mat4& matrix) {
    mat4 m = matrix;
    if (!e.parent) mat4_translate(m, vec3{-e.centre.x, 0.0f, -e.centre.z});
    return m;
}

void sweep_events(entity& e) {
    std::erase_if(e.events, [](const entity_event& ev) { return ev.flag && ev.seen; });
    for (entity_event& ev : e.events) ev.seen = 0;
}

void run_frame_triggers(entity& e, int32_t n) {
    if (!e.active) return;
    gfx& g = kernel_get().graphics;
    const int32_t player = name_player_id(e.name);
    for (entity_frame_trigger& t : e.triggers) {
        if (t.kind == -1 || t.fired || n < t.frame) continue;
        if (t.kind == kTriggerStrike) {
            // Once per frame number for this entity.
            if (n == e.last_strike_frame) continue;
            mat4 point;
            entity_attachment_matrix(e, point, kTriggerStrike);
            entity_strike(e, mat4_mul(node_matrix(e), point), e.in_sector, player);
            e.last_strike_frame = n;
        } else if (t.kind == kTriggerWeaponEffect) {
            mat4 point;
            entity_attachment_matrix(e, point, kTriggerWeaponEffect);
            const vec3 at = mat4_row3(mat4_mul(node_matrix(e), point));
            if (!e.effect_names[0].empty() && e.effect_params[0] != 0.0f) {
                gfx_add_weapon_model_effect(g, at, e.effect_names[0], e.effect_names[1], 1);
                gfx_set_weapon_model_effect(g, e.effect_params[0], e.effect_params[1]);
                gfx_forget_last_effect(g);
            }
            if (!e.sound_name.empty()) entity_play_sound(e, e.sound_name, at, !e.parent);
            t.fired = 1;
        } else if (t.kind == kTriggerShell) {
            mat4 point;
            entity_attachment_matrix(e, point, kTriggerShell);
            gfx_add_shell_effect(g, mat4_mul(node_matrix(e), point), e.in_sector);
            gfx_forget_last_effect(g);
            t.fired = 1;
        }
    }
}

void run_throw_and_blast(entity& e, int32_t n) {
    server& srv = owner_server(e);
    entity_throw_trigger& t = e.throw_trigger;
    if (t.armed && !t.fired && n >= t.frame && n != kTriggerEndFrame) {
        server_throw_entity_grenade(srv, static_cast<uint32_t>(t.owner), e.position, e.motion * t.speed,
                                    t.values, t.distance, t.height, t.angle, t.jitter, t.in_sector);
        t.fired = 1;
        e.thrown = 1;
    }
    entity_blast_trigger& b = e.blast;
    if (b.ammo && !b.done && n >= b.frame) {
        const bool follow_up = timer_elapsed_ms(e.blast_timer) < kFollowUpBlastMs;
        const int16_t params[kBlastParams] = {b.ammo->damage, b.ammo->penetration, b.ammo->range,
                                              b.ammo->spread, b.ammo->fall_off,    b.ammo->follow_up};
        server_queue_blast(srv, static_cast<uint32_t>(b.owner), e.position, e.motion, params, follow_up,
                           e.blast_value, b.pellets);
        timer_restart(e.blast_timer);
        b.done = 1;
    }
}

// Step 6 of the update: the box follows the bones, or the posture table's row.
void update_box(entity& e) {
    if (e.flag_pair[1] && e.posture_index == -1) {
        if (e.model) e.box = e.model->box;
        if (e.parent) return;
        auto bone = [&e](int32_t b) {
            mat4 m;
            entity_bone_matrix(e, m, b);
            return mat4_is_identity(m) ? vec3{} : mat4_row3(m);
        };
        vec3 lo{bone(kBoneLeftFoot).x - kBoneBoxMargin, std::min(bone(kBoneRightToe).z, bone(kBoneLeftToe).z),
                std::min(bone(kBoneRightHeel).y, bone(kBoneLeftHeel).y)};
        vec3 hi{bone(kBoneRightFoot).x + kBoneBoxMargin, bone(kBoneHead).z, bone(kBoneChest).y};
        e.centre = (lo + hi) * 0.5f;
        e.centre.w = lo.w;
        box3_init(e.box, lo - e.centre, hi - e.centre);
        return;
    }
    const entity_posture& row = entity_posture_row(e.posture_index);
    e.box = row.box;
    e.centre = row.centre;
}

// Step 4 of the update; false when nothing could be posed.
bool pose(entity& e) {
    mesh_instance* instance = nullptr;
    geometry_mesh* body = first_mesh(e, &instance);
    if (!body || !e.skel || entity_channel_idle(e, 0)) return false;
    const animation* a = channel_animation(e, 0);
    if (!a) return false;
    const int32_t frame_a = entity_shown_frame(e, 0);
    // Without a display nothing is ever in view: there the pose follows every frame, so traces on a
    // dedicated server meet bodies where they are.
    const bool pose_now = (e.active && e.visible) || !e.posed || owner_server(e).dedicated;
    if (pose_now) {
        if (whole_body(e, *a)) {
            skeleton_pose_mesh(*e.skel, *body, *a, frame_a, nullptr);
        } else if (e.parent) {
            skeleton_pose_mesh(*e.skel, *body, *a, frame_a, nullptr);
            instance->transform = mat4_mul(e.view_model, e.local_offset);
        } else {
            const animation* b = channel_animation(e, 1);
            if (entity_channel_idle(e, 1) || !b) return false;
            entity_update_override(e);
            skeleton_pose_mesh_blend(*e.skel, *body, *a, frame_a, *b, entity_shown_frame(e, 1),
                                     e.channels[1].root_bone, &e.override_list);
        }
        if (!e.posed) entity_def_merge_bounds(*e.model);
        e.posed = 1;
    }
    return true;
}

const std::array<entity_posture, kPostureCount>& posture_table() {
    static const std::array<entity_posture, kPostureCount> table = [] {
        const float rows[kPostureCount][6] = {
            {33.4371f, 85.4632f, 34.2939f, 3.66508f, -9.39f, 27.1631f},
            {42.4794f, 64.8065f, 39.3877f, 11.673401f, -30.0466f, 41.5825f},
            {26.5064f, 20.8517f, 105.8117f, 3.06241f, -76.3869f, 37.3297f},
            {26.5064f, 25.8517f, 95.8117f, 3.06241f, -26.3869f, 12.3297f},
        };
        std::array<entity_posture, kPostureCount> out;
        for (int i = 0; i < kPostureCount; ++i) {
            const vec3 half{rows[i][0], rows[i][1], rows[i][2]};
            box3_init(out[static_cast<std::size_t>(i)].box, half * -1.0f, half);
            out[static_cast<std::size_t>(i)].centre = vec3{rows[i][3], rows[i][4], rows[i][5]};
        }
        return out;
    }();
    return table;
}

}  // namespace

int32_t entity_name_player_id(const std::string& name) {
    return name_player_id(name);
}

const entity_posture& entity_posture_row(int32_t index) {
    const auto& table = posture_table();
    return table[static_cast<std::size_t>(index >= 0 && index < kPostureCount ? index : 0)];
}

void entity_create(entity& e, const std::string& name, server* srv) {
    e.name = name;
    e.srv = srv;
    e.box = entity_posture_row(0).box;
    e.centre = entity_posture_row(0).centre;
    e.override_list = {&e.override_matrix, kSplitBone, nullptr};
    timer_restart(e.blast_timer);
    timer_restart(e.time_base);
    timer_restart(e.light_timer);
}

void entity_destroy(entity& e) {
    if (e.active) leave_sector(e);
    e.active = 0;
    entity_detach(e, -1);
    e.model_root.reset();
    e.model.reset();
    e.events.clear();
}

void entity_set_offset(entity& e, int32_t word, const vec3& offset) {
    e.offset_word = word;
    mat4_set_translation(e.local_offset, offset.x, offset.y, offset.z);
}

bool entity_set_model(entity& e, const std::string& reference) {
    entity_def* found = resolve_own<entity_def>(e, kRefEntity, reference);
    if (!found) return false;
    e.model_root.reset();
    e.model = entity_def_copy(*found);
    e.model_root = std::make_unique<scene_node>();
    scene_node_init(*e.model_root, e.name, e.model.get());
    e.posed = 0;
    return true;
}

bool entity_set_surface(entity& e, const std::string& reference) {
    surface* found = resolve_own<surface>(e, kRefSurface, reference);
    if (!found) return false;
    if (e.model && !e.model->meshes.items.empty() && e.model->meshes.items[0])
        e.model->meshes.items[0]->surf = found;
    return true;
}

bool entity_attach_model(entity& e, int32_t slot, const std::string& reference) {
    if (slot < 0 || slot >= kAttachmentSlots) return false;
    entity_def* found = resolve_own<entity_def>(e, kRefEntity, reference);
    if (!found) return false;
    entity_detach(e, slot);
    auto& held = e.attached[static_cast<std::size_t>(slot)];
    held = entity_def_copy(*found);
    if (e.model) entity_def_attach(*e.model, slot, held.get());
    return true;
}

void entity_detach(entity& e, int32_t slot) {
    for (int32_t s = 0; s < kAttachmentSlots; ++s) {
        if (slot != -1 && s != slot) continue;
        auto& held = e.attached[static_cast<std::size_t>(s)];
        if (!held) continue;
        if (e.model) entity_def_detach(*e.model, s);
        held.reset();
    }
}

void entity_clear_frame_triggers(entity& e) {
    for (entity_frame_trigger& t : e.triggers) {
        if (t.model && e.model) entity_def_detach(*e.model, t.kind);
        t.kind = -1;
        t.model = nullptr;
        t.fired = 0;
    }
    e.struck.clear();
}

bool entity_set_frame_trigger(entity& e, int32_t slot, int32_t kind, const std::string& reference,
                              int32_t frame) {
    if (slot < 0 || slot >= kEntityFrameTriggers) return false;
    entity_def* model = nullptr;
    if (!reference.empty()) {
        model = resolve_own<entity_def>(e, kRefEntity, reference);
        if (!model) return false;
    }
    entity_frame_trigger& t = e.triggers[static_cast<std::size_t>(slot)];
    t.kind = kind;
    t.frame = frame;
    t.model = model;
    t.fired = 0;
    e.struck.clear();
    if (model && e.model) entity_def_attach(*e.model, kind, model);
    return true;
}

void entity_set_blast_trigger(entity& e, int32_t frame, const ammo_def* ammo, int32_t ammo_index,
                              int32_t owner, int32_t pellets) {
    e.blast = {frame, ammo, ammo_index, owner, 0, pellets};
}

void entity_set_throw_trigger(entity& e, int32_t frame, int32_t owner, const grenade_values& values,
                              float speed, float distance, float height, float angle, float jitter) {
    entity_throw_trigger& t = e.throw_trigger;
    t.frame = frame;
    t.armed = 1;
    t.owner = owner;
    t.values = values;
    t.in_sector = e.in_sector;
    t.speed = speed;
    t.distance = distance;
    t.height = height;
    t.angle = angle;
    t.jitter = jitter;
    t.fired = 0;
}

void entity_set_blast_value(entity& e, float value) {
    e.blast_value = value;
}

bool entity_load_skeleton(entity& e, const std::string& reference, int32_t slots) {
    std::string package_name;
    std::string object_name;
    world_split_reference(reference, "", package_name, object_name);
    package* p = server_find_package(owner_server(e), package_name);
    if (!p) return false;
    skeleton* skel = package_find_skeleton(*p, object_name);
    if (!skel) return false;
    e.skel = skel;
    // The table is shared: growing it keeps what other entities bound.
    if (slots > 0 && skel->slots.size() < static_cast<std::size_t>(slots))
        skel->slots.resize(static_cast<std::size_t>(slots), nullptr);
    return true;
}

bool entity_bind_animation(entity& e, int32_t slot, const std::string& reference) {
    const bool in_table = e.skel && slot >= 0 && static_cast<std::size_t>(slot) < e.skel->slots.size();
    if (in_table && e.skel->slots[static_cast<std::size_t>(slot)]) return true;
    std::string package_name;
    std::string object_name;
    world_split_reference(reference, "", package_name, object_name);
    package* p = server_find_package(owner_server(e), package_name);
    if (!p) return false;
    animation* anim = package_find_animation(*p, object_name);
    if (!anim) return false;
    if (!in_table) return e.skel == nullptr;
    e.skel->slots[static_cast<std::size_t>(slot)] = anim;
    skeleton_convert_animation(*e.skel, *anim);
    return true;
}

void entity_update_sample(entity& e, const mat4& matrix, sector* in_sector) {
    if (!e.model_root) return;
    if (gfx_dynamic_lights(kernel_get().graphics) > 0) {
        if (e.parent) {
            std::copy(std::begin(e.parent->light_now), std::end(e.parent->light_now), e.light_now);
        } else if (timer_elapsed_ms(e.light_timer) > kLightSampleMs) {
            std::copy(std::begin(e.light_to), std::end(e.light_to), e.light_from);
            std::copy(std::begin(e.light_to), std::end(e.light_to), e.light_now);
            if (in_sector)
                lmap_sample_ray(e.light_to, *in_sector, mat4_row3(matrix), vec3{0.0f, -1.0f, 0.0f});
            if (e.light_now[0] < 0.0f) {
                std::copy(std::begin(e.light_to), std::end(e.light_to), e.light_from);
                std::copy(std::begin(e.light_to), std::end(e.light_to), e.light_now);
            }
            timer_restart(e.light_timer);
        } else {
            const float f = static_cast<float>(timer_elapsed_ms(e.light_timer)) / kLightSampleMs;
            for (int i = 0; i < 4; ++i)
                e.light_now[i] = e.light_from[i] + (e.light_to[i] - e.light_from[i]) * f;
        }
        tint_set_rgb(e.node_tint, e.light_now);
    }
    e.placement = matrix;
    e.model_root->transform = centred(e, matrix);
    if (in_sector != e.in_sector && e.active) {
        leave_sector(e);
        e.in_sector = in_sector;
        enter_sector(e);
    }
    e.in_sector = in_sector;
}

void entity_set_active(entity& e, bool on) {
    if (static_cast<bool>(e.active) == on) return;
    if (on) {
        enter_sector(e);
    } else {
        leave_sector(e);
    }
    e.active = on ? 1 : 0;
}

void entity_forget_sector(entity& e, const sector* gone) {
    if (e.in_sector == gone) {
        e.in_sector = nullptr;
        e.active = 0;
    }
    if (e.throw_trigger.in_sector == gone) e.throw_trigger.in_sector = nullptr;
}

void entity_update_visibility(entity& e, const mat4& view) {
    if (owner_server(e).dedicated || !e.model) {
        e.visible = 0;
        return;
    }
    const box3 seen = box3_transform(e.model->box, mat4_mul(view, node_matrix(e)));
    e.visible = box3_touches_view_pyramid(seen, kViewFarDistance) ? 1 : 0;
}

void entity_set_parent(entity& e, entity* parent) {
    e.parent = parent;
}

void entity_update(entity& e, int32_t) {
    const int32_t t = timer_elapsed_ms(e.time_base);
    const bool moved_1 = entity_advance_channel(e, 1, t);
    const bool moved_0 = entity_advance_channel(e, 0, t);
    bool view_model_ran = false;
    bool view_model_changed = false;
    if (moved_0 || moved_1) {
        view_model_changed = entity_view_model_step(e);
        view_model_ran = true;
        if (pose(e)) {
            if (!e.parent && e.model_root) e.model_root->transform = centred(e, e.placement);
            update_box(e);
            // The triggers follow the action's channel: the first-person model's only one, the body's
            // upper half (its legs walk or stand on their own, so their frame says nothing of the throw).
            const entity_channel& action = e.channels[e.parent ? 0 : 1];
            const int32_t n = action.end_reached ? kTriggerEndFrame : action.frame;
            run_frame_triggers(e, n);
            run_throw_and_blast(e, n);
            if (action.end_reached) {
                for (entity_frame_trigger& trigger : e.triggers) trigger.fired = 0;
                e.struck.clear();
                e.blast.done = 0;
                e.throw_trigger.fired = 0;
                sweep_events(e);
            }
            entity_update_attachments(e);
        }
    }
    if (e.parent) {
        if (!view_model_ran) view_model_changed = entity_view_model_step(e);
        mesh_instance* instance = nullptr;
        if (view_model_changed && first_mesh(e, &instance)) {
            instance->transform = mat4_mul(e.view_model, e.local_offset);
            entity_update_attachments(e);
        }
    }
    timer_restart(e.time_base);
}

bool entity_advance_channel(entity& e, int32_t channel, int32_t ms) {
    if (!valid_channel(channel)) return false;
    entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    if (c.animation == -1) {
        if (c.next < 0) return false;
        entity_start_next(e, channel);
    }
    c.end_reached = 0;
    const int64_t total = int64_t{c.accumulator} + std::max(ms, 0);
    if (total < c.ms_per_frame) {
        c.accumulator = static_cast<int32_t>(total);
        return false;
    }
    const int32_t count = frame_count(channel_animation(e, channel));
    const int64_t frame = int64_t{c.frame} + total / c.ms_per_frame;
    bool started = false;
    if (frame >= count) {
        c.end_reached = 1;
        if (c.next == kChannelStopAtEnd) {
            entity_play(e, channel, -1, 1);
            return false;
        }
        if (c.next >= 0) {
            entity_start_next(e, channel);
            entity_clear_frame_triggers(e);
            e.blast.ammo = nullptr;
            e.throw_trigger.armed = 0;
            started = true;
        } else if (c.loop) {
            c.frame = static_cast<int32_t>(frame % count);
            c.ended = 1;
        } else {
            c.frame = count - 1;
            c.ended = 1;
        }
    } else {
        c.frame = static_cast<int32_t>(frame);
    }
    // A queued animation that started here starts with an empty accumulator.
    c.accumulator = static_cast<int32_t>((started ? int64_t{std::max(ms, 0)} : total) % c.ms_per_frame);
    return true;
}

void entity_start_next(entity& e, int32_t channel) {
    if (!valid_channel(channel)) return;
    entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    c.lock = 0;
    entity_play(e, channel, c.next, c.next_ms_per_frame);
    if (c.next_reverse) c.reverse = 1;
    c.lock = c.next_lock;
    if (c.next_pick_flag) c.pick_flag = 1;
    if (c.next_no_loop) c.loop = 0;
}

namespace {

// What a bone's pose is made from: the frame of channel 0's animation and, for a partial body without
// a parent, the frame of channel 1's with the aim override. False when there is nothing to pose.
struct pose_source {
    const animation* a = nullptr;
    int32_t frame_a = 0;
    const animation* b = nullptr;
    int32_t frame_b = 0;
    const bone_override* overrides = nullptr;
    bool whole = false;
};

bool pose_source_of(entity& e, pose_source& out) {
    out.a = e.skel && !entity_channel_idle(e, 0) ? channel_animation(e, 0) : nullptr;
    if (!out.a) return false;
    out.frame_a = entity_shown_frame(e, 0);
    out.whole = whole_body(e, *out.a);
    if (out.whole || e.parent) return true;
    out.b = channel_animation(e, 1);
    if (entity_channel_idle(e, 1) || !out.b) return false;
    entity_update_override(e);
    out.frame_b = entity_shown_frame(e, 1);
    out.overrides = &e.override_list;
    return true;
}

}  // namespace

void entity_bone_matrix(entity& e, mat4& out, int32_t bone) {
    out = kMat4Identity;
    pose_source src;
    if (!pose_source_of(e, src)) return;
    skeleton_bone_pose(*e.skel, out, bone, *src.a, src.frame_a, src.b, src.frame_b, e.channels[1].root_bone,
                       src.overrides);
}

void entity_attachment_matrix(entity& e, mat4& out, int32_t slot) {
    out = kMat4Identity;
    pose_source src;
    if (!pose_source_of(e, src)) return;
    mat4 pose;
    skeleton_attachment_pose(*e.skel, pose, slot, *src.a, src.frame_a, src.b, src.frame_b,
                             e.channels[1].root_bone, src.overrides);
    const mat4& swap = skeleton_posing_matrix();
    out = mat4_mul(swap, mat4_mul(pose, swap));
    if (e.parent && !src.whole) out = mat4_mul(e.view_model, mat4_mul(e.local_offset, out));
}

void entity_update_override(entity& e) {
    mat4_set_rotation_axis(e.override_matrix, 0.0f, 0.0f, 1.0f, -e.aim_angle);
    e.override_list = {&e.override_matrix, kSplitBone, nullptr};
}

void entity_update_attachments(entity& e) {
    if (!e.model) return;
    for (int32_t slot = 0; slot < kAttachmentSlots; ++slot) {
        mat4 m;
        entity_attachment_matrix(e, m, slot);
        entity_def_set_node_matrix(*e.model, slot, m);
    }
}

bool entity_play(entity& e, int32_t channel, int32_t slot, int32_t ms_per_frame) {
    if (!valid_channel(channel)) return false;
    entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    if (c.animation != -1 && c.lock) return false;
    c.ms_per_frame = ms_per_frame > 0 ? ms_per_frame : 1;
    c.animation = slot;
    c.frame = 0;
    c.accumulator = 0;
    c.end_reached = 0;
    c.reverse = 0;
    c.next = -1;
    c.lock = 0;
    c.ended = slot == -1 ? 1 : 0;
    c.pick_flag = 0;
    c.loop = 1;
    if (channel == 1) {
        if (slot != -1) {
            const animation* anim = slot_animation(e, slot);
            c.root_bone = anim && !anim->keys.empty() ? skeleton_parent_of(*e.skel, anim->keys[0].bone) : -1;
        }
        entity_clear_frame_triggers(e);
    }
    return true;
}

void entity_queue_animation(entity& e, int32_t channel, int32_t slot, int32_t ms_per_frame) {
    if (!valid_channel(channel)) return;
    entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    c.next = slot;
    c.next_ms_per_frame = ms_per_frame > 0 ? ms_per_frame : 1;
    c.next_reverse = 0;
    c.next_lock = 0;
    c.next_pick_flag = 0;
    c.next_no_loop = 0;
}

bool entity_set_channel_state(entity& e, int32_t channel, const entity_channel_state& state) {
    if (!valid_channel(channel)) return false;
    entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    if (state.animation != -1 && !slot_animation(e, state.animation)) {
        if (!e.warned_state) {
            e.warned_state = 1;
            log_write(
                "server: *WARNING* entity `%s' got channel state for slot %d, which it has not bound.\n",
                e.name.c_str(), state.animation);
        }
        return false;
    }
    if (state.animation == c.animation) return false;
    const int32_t speed = state.ms_per_frame & kMaxChannelSpeed;
    entity_play(e, channel, state.animation, speed > 0 ? speed : 1);
    c.reverse = (state.ms_per_frame & kStateHighBit) ? 1 : 0;
    c.loop = (state.frame & kStateHighBit) ? 0 : 1;
    c.frame = std::min(state.frame & kMaxChannelSpeed, frame_count(channel_animation(e, channel)) - 1);
    return true;
}

void entity_get_channel_state(const entity& e, int32_t channel, entity_channel_state& out) {
    out = {};
    if (!valid_channel(channel)) return;
    const entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    out.animation = c.animation;
    out.frame = (c.frame & kMaxChannelSpeed) | (c.next != -1 ? kStateHighBit : 0);
    out.ms_per_frame = (c.ms_per_frame & kMaxChannelSpeed) | (c.reverse ? kStateHighBit : 0);
}

bool entity_channel_has_next(const entity& e, int32_t channel) {
    return valid_channel(channel) && e.channels[static_cast<std::size_t>(channel)].next != -1;
}

bool entity_channel_idle(const entity& e, int32_t channel) {
    return !valid_channel(channel) || e.channels[static_cast<std::size_t>(channel)].animation == -1;
}

int32_t entity_shown_frame(const entity& e, int32_t channel) {
    if (!valid_channel(channel)) return 0;
    const entity_channel& c = e.channels[static_cast<std::size_t>(channel)];
    const int32_t count = frame_count(channel_animation(e, channel));
    const int32_t frame = std::clamp(c.frame, 0, count - 1);
    return c.reverse ? count - frame - 1 : frame;
}

namespace {

template <class Change>
void change_channel(entity& e, int32_t channel, Change change) {
    if (valid_channel(channel)) change(e.channels[static_cast<std::size_t>(channel)]);
}

}  // namespace

void entity_channel_set_reverse(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.reverse = 1; });
}
void entity_channel_set_next_reverse(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.next_reverse = 1; });
}
void entity_channel_set_lock(entity& e, int32_t channel, uint8_t value) {
    change_channel(e, channel, [value](entity_channel& c) { c.lock = value; });
}
void entity_channel_set_next_lock(entity& e, int32_t channel, uint8_t value) {
    change_channel(e, channel, [value](entity_channel& c) { c.next_lock = value; });
}
void entity_channel_set_pick_flag(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.pick_flag = 1; });
}
void entity_channel_set_next_pick_flag(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.next_pick_flag = 1; });
}
void entity_channel_clear_loop(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.loop = 0; });
}
void entity_channel_set_next_no_loop(entity& e, int32_t channel) {
    change_channel(e, channel, [](entity_channel& c) { c.next_no_loop = 1; });
}

void entity_set_flag_pair(entity& e, uint8_t first, uint8_t second) {
    e.flag_pair[0] = first;
    e.flag_pair[1] = second;
}

void entity_set_value696(entity& e, int32_t value) {
    e.words[0] = value;
}

void entity_set_link_flag(entity& e, uint32_t value) {
    e.node_tint.flags = value;
}

void entity_render_hook(entity& e) {
    if (!e.model_root) return;
    gfx& g = kernel_get().graphics;
    mat4 frame = e.model_root->transform;
    mat4_translate(frame, e.centre);
    view_stack_push_matrix(g.views, frame);
    gfx_draw_box(g, kDebugBoxColour, e.box);
    const geometry* geom = e.model && !e.model->meshes.items.empty() && e.model->meshes.items[0]
                               ? e.model->meshes.items[0]->geom
                               : nullptr;
    const mesh* first = nullptr;
    if (geom && !geom->meshes.items.empty()) {
        first = geom->meshes.items[0];
    } else if (geom && !geom->skinned.items.empty()) {
        first = geom->skinned.items[0];
    }
    if (first) {
        const int32_t nodes = static_cast<int32_t>(first->tree.size()) + 1;
        for (int32_t i = 0; i < nodes; ++i) {
            if (mesh_box_is_leaf(*first, i)) gfx_draw_box(g, kDebugLeafColour, mesh_box_node(*first, i).box);
        }
    }
    view_stack_pop_matrix(g.views);
}

void entity_set_names(entity& e, const std::string& sound, int32_t near_distance, int32_t far_distance,
                      const std::string& effect, const std::string& second_effect, float parameter,
                      float second_parameter) {
    e.sound_name = sound;
    e.sound_distances[0] = near_distance;
    e.sound_distances[1] = far_distance;
    e.effect_names[0] = effect;
    e.effect_names[1] = second_effect;
    e.effect_params[0] = parameter;
    e.effect_params[1] = second_parameter;
}

void entity_add_event(entity& e, uint8_t flag, int32_t value, const std::string& name, int32_t a, int32_t b) {
    e.events.push_back({value, name, flag, 0, a, b});
}

void entity_mark_events_done(entity& e) {
    for (entity_event& ev : e.events) {
        if (ev.flag == 0) {
            ev.flag = 1;
            ev.seen = 1;
        }
    }
}

}  // namespace kv
