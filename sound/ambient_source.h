#pragma once
// An ambient sound source placed in a sector: plays a positioned sample at random intervals, at a
// fixed period, or in a loop. Sectors read and own them.
//
// Stream form (its own chunk): sample name; position, direction (vec3 each); minimum and maximum
// distance (floats); inside and outside cone angle (i32 each, whole degrees); mode (u8, signed);
// minimum and maximum interval (u32 milliseconds each).

#include <cstdint>
#include <memory>
#include <string>

#include "util/vec3.h"

namespace kv {

struct qxps_stream;
class sector;

inline constexpr int32_t kAmbientRandom = 0;
inline constexpr int32_t kAmbientPeriodic = 1;
inline constexpr int32_t kAmbientLooping = 2;
// Owner ids of sources are this plus the source's serial number.
inline constexpr uint32_t kAmbientOwnerBase = 10000;

struct ambient_source {
    std::string sample_name;
    vec3 position;
    vec3 direction;  // the cone orientation
    float min_distance = 0.0f;
    float max_distance = 0.0f;
    float inside_cone_angle = 0.0f;
    float outside_cone_angle = 0.0f;
    int32_t mode = kAmbientRandom;
    uint32_t min_interval = 0;
    uint32_t max_interval = 0;
    uint32_t chosen_interval = 0;
    uint32_t owner_id = 0;
    uint32_t start_time = 0;  // sound-clock milliseconds; 0 when not waiting
};

// Builds a source from the chunk of the stream's current id and gives it the next serial number.
std::unique_ptr<ambient_source> ambient_source_load(qxps_stream& s);
// One step of a source in the sector that holds it (random, periodic or looping playback), played
// on channel 1 of the kernel's sound with the sector as its zone.
void ambient_source_tick(ambient_source& source, const sector& owner);

// The sound clock the sources wait on: milliseconds since the program's first reading, or since the
// last restart (tests restart it on their own clock).
uint32_t ambient_clock_ms();
void ambient_clock_restart();

}  // namespace kv
