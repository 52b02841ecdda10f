#pragma once
// The body of a soldier in the world: the tests by which its movement, turning and posture changes
// meet walls, floors, water and other soldiers, its melee strike, its positioned sound, and the
// first-person view-model step with its explosion shake. The being reaches the body through the
// world server's current-entity forwarders.

#include <cstdint>
#include <string>
#include <vector>

#include "beings/entity.h"
#include "util/box3.h"
#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

struct collision_sweep;
class sector;
struct surface_material;

// Boxes at least this many times longer (z) than wide (x) are swept as three boxes.
inline constexpr float kLongBoxRatio = 2.0f;
inline constexpr float kPushApartStep = 3.0f;
inline constexpr float kMoveSweepFactor = 0.6f;
inline constexpr float kStrikeReachSq = 1500.0f;
inline constexpr float kStrikeDamage = 80.0f;
inline constexpr int32_t kEyeBone = 6;

// The sweep record a pick hands back: the materials the body touched.
struct entity_sweep_result {
    std::vector<const surface_material*> touched;
};

// The model node's matrix, or the identity without a node.
const mat4& entity_parent_matrix(const entity& e);
// The allowed part of the wanted motion of a body placed by the frame: other bodies push it apart,
// then the world cuts it short. Timed in the kernel's collision section.
vec3 entity_pick(entity& e, const mat4& frame, const vec3& wanted, float factor, entity_sweep_result* result);
// The wanted motion, or a push of 3 units straight away from an overlapping body (y unchanged).
vec3 entity_push_apart(entity& e, const vec3& wanted);
// True when the body may turn by the angle about y without its front meeting a wall.
bool entity_check_turn(entity& e, float angle);
// True when the body placed by the frame fits the posture's box along the whole motion.
bool entity_move(entity& e, const mat4& frame, const vec3& motion, int32_t posture_index);
// The same with the current box and centre.
bool entity_sweep(entity& e, const mat4& frame, const vec3& motion);
// Sets the water height and the immersion (per cent of the body under the water).
void entity_step_check(entity& e);
// True when something solid lies just ahead of or behind the chest.
bool entity_trace_around(entity& e);
void entity_play_sound(entity& e, const std::string& name, const vec3& point, bool positioned);
void entity_start_shake(entity& e, float amplitude);
void entity_set_view_offset(entity& e, float x, float y, float z, float w);
// The body's box in the world.
box3 entity_bounds(const entity& e);

}  // namespace kv
