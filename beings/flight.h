#pragma once
// What grenades and dropped weapons share of their flight: the model they carry, the parabola, the
// trace of one step, the mirrored bounce, the sector index and the guarded bounce sound.

#include <cstdint>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "util/mat4.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct entity_def;
struct scene_node;
struct server;
struct trace;

// Steps shorter than this are not traced: their direction is no direction.
inline constexpr float kFlightMinStep = 1e-4f;
// Beyond this distance from the origin a point is outside any level.
inline constexpr float kFlightReach = 1.0e6f;

// Copies the model named "package:object" and makes the node that carries it; a model that cannot be
// found leaves the node without one (the item still flies).
void flight_make_model(server& srv, const std::string& model_name, const std::string& node_name,
                       std::unique_ptr<entity_def>& model, std::unique_ptr<scene_node>& node);
// The point of the arc after t seconds.
vec3 flight_point(const vec3& start, const vec3& velocity, const vec3& acceleration, float t);
// Traces the segment from p to q (every hit, in order of distance, players and world); false when
// the segment is too short to have a direction.
bool flight_trace(trace& t, sector* from, const vec3& p, const vec3& q);
// The incoming direction mirrored about the normal.
vec3 flight_mirror(const vec3& direction, const vec3& normal);
// The sector's place in the current level's sector table, -1 when absent.
int32_t flight_sector_index(server& srv, const sector* s);
// Axes turned so that z points along the direction (the side axis horizontal unless the direction is
// nearly vertical), at the point.
mat4 flight_pointing(const vec3& direction, const vec3& point);
// Plays the positioned sample on channel 2 unless the same name played less than 200 ms ago on this
// timer; restarts the timer and remembers the name when it plays.
void flight_play_sound(timer& since, std::string& last_name, const std::string& name, const vec3& point,
                       float near_distance, float far_distance, sector* in_sector);
// True when every coordinate is a number within the reach.
bool flight_point_ok(const vec3& v);

}  // namespace kv
