#pragma once
// The soldier's two animated models: the third-person body on "beings:sk-soldier" and the
// first-person arms and weapon on "beings:sk-soldier-1st", reached by name through the world
// server's current entity. Binds their animation slots, plays and queues single animations or whole
// actions from the action tables, and applies a remote soldier's received channel states.

#include <cstdint>
#include <string>

#include "beings/entity.h"

namespace kv {

struct server;

// Options of the play and queue operations.
inline constexpr int32_t kAnimReverse = 1;
inline constexpr int32_t kAnimLock = 2;
inline constexpr int32_t kAnimUnlockFirst = 4;
inline constexpr int32_t kAnimPickFlag = 8;
inline constexpr int32_t kAnimNoLoop = 16;

struct soldier_models {
    std::string third;  // the body's entity name
    std::string first;  // the first-person model's entity name
    int32_t player_id = -1;
};

// Binds both skeletons and every named slot; the first-person model rides on the body.
bool being_setup_animations(server& srv, const soldier_models& m);
void being_queue_lower(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
void being_play_lower(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
void being_queue_upper(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
void being_play_upper(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
void being_queue_first(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
bool being_play_first(server& srv, const soldier_models& m, int32_t slot, int32_t ms, int32_t options);
// From the action tables; a row or weapon out of range plays nothing (false).
bool being_play_action(server& srv, const soldier_models& m, int32_t row, int32_t weapon, int32_t options);
void being_queue_action(server& srv, const soldier_models& m, int32_t row, int32_t weapon, int32_t options);
bool being_play_action_upper(server& srv, const soldier_models& m, int32_t row, int32_t weapon,
                             int32_t options);
void being_queue_action_upper(server& srv, const soldier_models& m, int32_t row, int32_t weapon,
                              int32_t options);
bool being_third_has_queued(server& srv, const soldier_models& m);
bool being_first_has_queued(server& srv, const soldier_models& m);

// What a remote soldier's received states show.
struct remote_action {
    int32_t movement = -1;       // the movement code of the last lower row matched; -1 none
    bool shot = false;           // the upper body shows a shot: the being runs the shot's effects only
    bool launcher_shot = false;  // ... a launcher's: its second shot sound plays at the soldier
};
// States: the body's channels 0 and 1, the first-person channel 0. A weapon outside 0-63 reads nothing.
remote_action being_read_remote_action(server& srv, const soldier_models& m, int32_t weapon,
                                       const entity_channel_state (&states)[3]);
// Applies the states and the aim angle to both models; when the body's channel 1 changed and the
// soldier is not driven here, the states are read back.
remote_action being_apply_anim_state(server& srv, const soldier_models& m, int32_t weapon, bool driven_here,
                                     const entity_channel_state (&states)[3], float aim_angle);

}  // namespace kv
