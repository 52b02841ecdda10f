#pragma once
// The animated model instance: a soldier's body, a first-person weapon model or any level object that
// plays skeletal animations. The world server keeps every entity in its list by name, reaches each
// through its current-entity forwarders and updates each once per world frame.
//
// An entity owns a copy of a package model placed in the world by its model node, plays up to two
// animations at once (channel 0: the whole or the lower body; channel 1: the upper body, riding on
// channel 0 from its root bone), poses the model's first mesh from its skeleton, keeps a box,
// attachment points and a light tint, and fires frame-triggered actions: the melee strike, weapon
// effects and sounds, spent shells, grenade throws and shots. Shots and throws leave a soldier only
// through its triggers.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "beings/weapon_table.h"
#include "beings/grenade.h"
#include "beings/skeleton.h"
#include "kernel/timer.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/vec3.h"
#include "world/sector.h"

namespace kv {

struct animation;
struct entity_def;
struct scene_node;
struct server;

inline constexpr int32_t kEntityFrameTriggers = 8;
inline constexpr int32_t kEntityChannels = 2;
// Frame triggers: the melee strike at attachment point 0, the weapon effect and sound at point 2,
// a spent shell at point 3.
inline constexpr int32_t kTriggerStrike = 0;
inline constexpr int32_t kTriggerWeaponEffect = 2;
inline constexpr int32_t kTriggerShell = 3;
// The trigger frame an update runs with when channel 0 passed its end.
inline constexpr int32_t kTriggerEndFrame = 1000000;
// A channel's queued slot that stops it at the end of its animation.
inline constexpr int32_t kChannelStopAtEnd = -2;

struct entity_channel {
    int32_t animation = -1;  // slot, -1 none
    int32_t next = -1;       // queued slot, -1 none, kChannelStopAtEnd
    int32_t frame = 0;
    int32_t accumulator = 0;  // milliseconds not yet turned into frames
    int32_t ms_per_frame = 1;
    int32_t next_ms_per_frame = 1;
    int32_t root_bone = -1;  // channel 1: parent of the first bone of its animation
    uint8_t ended = 0;
    uint8_t end_reached = 0;  // set by the update in which the frame passed the end
    uint8_t reverse = 0;
    uint8_t next_reverse = 0;
    uint8_t lock = 0;  // a locked channel refuses `entity_play` while it plays
    uint8_t next_lock = 0;
    uint8_t pick_flag = 0;
    uint8_t next_pick_flag = 0;
    uint8_t loop = 1;
    uint8_t next_no_loop = 0;
};

// A channel as the network carries it: the slot; the frame in the low 7 bits with bit 7 set while an
// animation is queued (the receiver then holds the last frame); ms per frame in the low 7 bits with
// bit 7 = reverse.
struct entity_channel_state {
    int32_t animation = -1;
    int32_t frame = 0;
    int32_t ms_per_frame = 0;
};

struct entity_frame_trigger {
    int32_t kind = -1;  // -1 none
    int32_t frame = 0;
    entity_def* model = nullptr;  // not owned; put on the attachment point of the kind's number
    uint8_t fired = 0;
};

// A shot queued once when the animation passes the frame; armed while it holds an ammunition row.
struct entity_blast_trigger {
    int32_t frame = 0;
    const ammo_def* ammo = nullptr;
    int32_t ammo_index = -1;
    int32_t owner = 0;
    uint8_t done = 0;
    int32_t pellets = 0;
};

// A grenade thrown once when the animation passes the frame (never at the end of channel 0).
struct entity_throw_trigger {
    int32_t frame = 0;
    uint8_t armed = 0;
    int32_t owner = 0;
    grenade_values values;
    sector* in_sector = nullptr;  // recorded when armed
    float speed = 0.0f;
    float distance = 0.0f;
    float height = 0.0f;
    float angle = 0.0f;
    float jitter = 0.0f;
    uint8_t fired = 0;
};

struct entity_event {
    int32_t value = 0;
    std::string name;
    uint8_t flag = 0;
    uint8_t seen = 0;
    int32_t a = 0;
    int32_t b = 0;
};

struct entity {
    std::string name;
    server* srv = nullptr;  // the world server whose list holds it (null: the process's)
    std::unique_ptr<entity_def> model;
    // Places the model in the world: its matrix is the model's world transform. Null while the
    // entity has no model.
    std::unique_ptr<scene_node> model_root;
    tint node_tint;  // colours the model
    std::array<std::unique_ptr<entity_def>, kAttachmentSlots> attached;
    skeleton* skel = nullptr;
    sector* in_sector = nullptr;  // its entity list holds the entity while active
    uint8_t active = 0;
    uint8_t visible = 1;
    uint8_t posed = 0;
    entity* parent = nullptr;   // a first-person model: framed by the view-model matrix, channel 0 only
    uint8_t flag_pair[2] = {};  // the second makes the box follow the bones (posture index -1)
    int32_t offset_word = 0;
    mat4 local_offset;
    mat4 view_model;
    mat4 override_matrix;
    float aim_angle = 0.0f;
    float light_now[4] = {};
    float light_from[4] = {-1.0f, -1.0f, -1.0f, 0.0f};
    float light_to[4] = {-1.0f, -1.0f, -1.0f, 0.0f};
    timer blast_timer;
    timer time_base;
    timer light_timer;
    vec3 position;  // the weapon frame's, written by the being
    vec3 motion;
    mat4 placement;
    std::string sound_name;
    std::string effect_names[2];
    int32_t sound_distances[2] = {};
    float effect_params[2] = {};
    box3 box;
    vec3 centre;
    int32_t posture_index = 0;
    int32_t words[2] = {};
    uint8_t thrown = 0;
    std::array<entity_frame_trigger, kEntityFrameTriggers> triggers;
    entity_blast_trigger blast;
    float blast_value = 0.0f;  // the being's effect level: the spread jitter its shots hand on
    entity_throw_trigger throw_trigger;
    std::vector<entity_event> events;
    std::array<entity_channel, kEntityChannels> channels;
    bone_override override_list;
    mat4 world;  // body to world, kept by its world-matrix query
    int32_t step_result = 0;
    int32_t last_strike_frame = -1;  // the melee trigger strikes once per frame number
    uint8_t warned_state = 0;        // a bad channel state from the network was reported
    std::vector<int32_t> struck;     // players the strike hit since the triggers last re-armed
    float view_offset[4] = {};
    float water_height = 0.0f;
    int32_t immersion = 0;  // per cent of the body under the water surface
    int32_t shake_counter = 0;
    float shake_amplitude = 0.0f;
    timer shake_timer;
    uint8_t view_model_changed = 0;
    vec3 side;  // the weapon frame's x axis
};

// Row of the posture table: box half extents (min = -max) and centre.
struct entity_posture {
    box3 box;
    vec3 centre;
};
inline constexpr int32_t kPostureCount = 4;
const entity_posture& entity_posture_row(int32_t index);
// The player id after "pid" in an entity's name, or -1.
int32_t entity_name_player_id(const std::string& name);

// Defaults; both channels idle. `srv` is the world server that holds it (null: the process's).
void entity_create(entity& e, const std::string& name, server* srv = nullptr);
// Leaves its sector's list, frees the attached models, the model and its node.
void entity_destroy(entity& e);
void entity_set_offset(entity& e, int32_t word, const vec3& offset);
// The reference setters resolve their own "package:object" reference at once and nothing else;
// false (the entity unchanged) when it does not resolve.
bool entity_set_model(entity& e, const std::string& reference);
bool entity_set_surface(entity& e, const std::string& reference);
bool entity_attach_model(entity& e, int32_t slot, const std::string& reference);
// A slot, or -1 for all.
void entity_detach(entity& e, int32_t slot);
void entity_clear_frame_triggers(entity& e);
bool entity_set_frame_trigger(entity& e, int32_t slot, int32_t kind, const std::string& reference,
                              int32_t frame);
void entity_set_blast_trigger(entity& e, int32_t frame, const ammo_def* ammo, int32_t ammo_index,
                              int32_t owner, int32_t pellets);
void entity_set_throw_trigger(entity& e, int32_t frame, int32_t owner, const grenade_values& values,
                              float speed, float distance, float height, float angle, float jitter);
void entity_set_blast_value(entity& e, float value);
// Links the skeleton and its slot table (grown to `slots` entries); false with the lookup's message.
bool entity_load_skeleton(entity& e, const std::string& reference, int32_t slots);
// Binds the animation to the slot; converts it the first time an entity with a skeleton binds it.
bool entity_bind_animation(entity& e, int32_t slot, const std::string& reference);
void entity_update_sample(entity& e, const mat4& matrix, sector* in_sector);
void entity_set_active(entity& e, bool on);
// The sector goes away: an entity standing there no longer stands anywhere.
void entity_forget_sector(entity& e, const sector* gone);
void entity_update_visibility(entity& e, const mat4& view);
void entity_set_parent(entity& e, entity* parent);
void entity_update(entity& e, int32_t ignored);
// True when at least one frame passed.
bool entity_advance_channel(entity& e, int32_t channel, int32_t ms);
void entity_start_next(entity& e, int32_t channel);
// In the skeleton's frame; the identity while channel 0 is idle.
void entity_bone_matrix(entity& e, mat4& out, int32_t bone);
// In the model frame.
void entity_attachment_matrix(entity& e, mat4& out, int32_t slot);
void entity_update_override(entity& e);
void entity_update_attachments(entity& e);
// False, changing nothing, while the channel plays locked. A speed of 0 or less is taken as 1.
bool entity_play(entity& e, int32_t channel, int32_t slot, int32_t ms_per_frame);
void entity_queue_animation(entity& e, int32_t channel, int32_t slot, int32_t ms_per_frame);
// A state from the network: false when it names the animation the channel plays already.
bool entity_set_channel_state(entity& e, int32_t channel, const entity_channel_state& state);
void entity_get_channel_state(const entity& e, int32_t channel, entity_channel_state& out);
bool entity_channel_has_next(const entity& e, int32_t channel);
bool entity_channel_idle(const entity& e, int32_t channel);
// The frame shown: counted backwards while the channel runs in reverse.
int32_t entity_shown_frame(const entity& e, int32_t channel);
void entity_channel_set_reverse(entity& e, int32_t channel);
void entity_channel_set_next_reverse(entity& e, int32_t channel);
void entity_channel_set_lock(entity& e, int32_t channel, uint8_t value);
void entity_channel_set_next_lock(entity& e, int32_t channel, uint8_t value);
void entity_channel_set_pick_flag(entity& e, int32_t channel);
void entity_channel_set_next_pick_flag(entity& e, int32_t channel);
void entity_channel_clear_loop(entity& e, int32_t channel);
void entity_channel_set_next_no_loop(entity& e, int32_t channel);
void entity_set_flag_pair(entity& e, uint8_t first, uint8_t second);
void entity_set_value696(entity& e, int32_t value);
void entity_set_link_flag(entity& e, uint32_t value);
// The renderer's debug drawing of the entity (the `g_helpers` pass): under the model node's matrix
// moved to the centre, the box in green and the leaf boxes of the first mesh's box tree in blue.
void entity_render_hook(entity& e);
void entity_set_names(entity& e, const std::string& sound, int32_t near_distance, int32_t far_distance,
                      const std::string& effect, const std::string& second_effect, float parameter,
                      float second_parameter);
void entity_add_event(entity& e, uint8_t flag, int32_t value, const std::string& name, int32_t a, int32_t b);
void entity_mark_events_done(entity& e);

// The body's world matrix (row 3: its world position).
const mat4& entity_world_matrix(const entity& e);
// The second matrix, the view-model frame: the eyes' frame in the body's own space, from the eye
// bone's pose and the view offset (the first-person camera and weapon ride on it).
const mat4& entity_second_matrix(const entity& e);
// The being's side of the entity, built with the being's body: the melee strike from a world frame,
// and the view-model step, true when the view-model matrix changed.
void entity_strike(entity& e, const mat4& strike_frame, sector* in_sector, int32_t attacker);
bool entity_view_model_step(entity& e);

}  // namespace kv
