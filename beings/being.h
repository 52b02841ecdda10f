#pragma once
// The soldier character as the level objects use it: where it stands and looks, whose player it is,
// how it is shown, and the few operations the cameras and sensors call.

#include <cstdint>
#include <string>

#include "util/mat4.h"
#include "util/placement.h"
#include "util/vec3.h"

namespace kv {

struct player_record;

// Bit of the view flags set while the being is shown in third-person view.
inline constexpr uint32_t kBeingThirdPerson = 1u << 1;

struct being {
    std::string name;  // "pid%d" with its player's id
    placement place;   // row 2 the forward axis, row 3 the position
    player_record* record = nullptr;
    uint32_t view_flags = 0;
    float view_pitch = 0.0f;  // radians
    mat4 body_matrix;         // world matrix of its body entity
    uintptr_t ladder_id = 0;  // the ladder it is marked on (a sensor id)
    bool on_ladder = false;
};

// Builds the view frame from a position, a forward and an up vector in a sector (null keeps it).
void being_set_view(being& b, const vec3& position, const vec3& forward, const vec3& up,
                    placement_sector* sector);
// The being's own handling of an input code: 1 when it used the code, else 0.
int32_t being_handle_command(being& b, bool pressed, int32_t code);
// Flag 0: rotation about x by the view angle; flag 1: the body's world matrix after a rotation
// about z by -pi/2.
void being_view_matrix(const being& b, mat4& out, int32_t flag);
// Marks the being on (or off) the ladder of that sensor id; clearing only when the id matches.
void being_set_ladder(being& b, uintptr_t sensor_id, bool on);

}  // namespace kv
