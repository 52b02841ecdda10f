#include "game/kvcamera.h"

#include <numbers>

#include "game/arty_factory.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "world/collision.h"
#include "world/sector.h"

namespace kv {
namespace {

constexpr float kTurnRate = std::numbers::pi_v<float> / 1024.0f;  // radians per ms
constexpr float kMouseScale = 75.0f;
constexpr float kCameraSlide = 0.75f;

// The motion the world lets the camera box make from `start`. A camera without a sector moves freely.
vec3 camera_sweep(placement_sector* start_sector, const box3& box, const mat4& start, const vec3& motion) {
    auto* sec = dynamic_cast<sector*>(start_sector);
    if (!sec) return motion;
    collision_sweep sweep;
    collision_sweep_init(sweep, sec, box, start);
    vec3 end;
    collision_sweep_move(sweep, end, motion, kCameraSlide, nullptr);
    return end - mat4_row3(start);
}

struct key_motion {
    uint32_t bit;
    int axis;  // placement row
    float rate;
};
constexpr key_motion kMoves[] = {
    {kCameraForward, 2, 1.0f},   {kCameraBackward, 2, -1.0f}, {kCameraStepLeft, 0, -0.5f},
    {kCameraStepRight, 0, 0.5f}, {kCameraRise, 1, 0.5f},      {kCameraSink, 1, -0.5f},
};
constexpr key_motion kTurns[] = {
    {kCameraTurnLeft, 1, kTurnRate}, {kCameraTurnRight, 1, -kTurnRate}, {kCameraPitchDown, 0, -kTurnRate},
    {kCameraPitchUp, 0, kTurnRate},  {kCameraRollLeft, 2, -kTurnRate},  {kCameraRollRight, 2, kTurnRate},
};
// Bits that make the free-flight tick ask the collision.
constexpr uint32_t kSweepBits = 0x00F | 0xF00;

vec3 row(const mat4& m, int axis) {
    switch (axis) {
        case 0:
            return mat4_row0(m);
        case 1:
            return mat4_row1(m);
        default:
            return mat4_row2(m);
    }
}

}  // namespace

const box3& camera_box() {
    static const box3 box{{-20.0f, -20.0f, -20.0f}, {20.0f, 20.0f, 20.0f}};
    return box;
}

uint32_t camera_key_bit(int32_t code) {
    switch (code) {
        case 1:
            return kCameraForward;
        case 2:
            return kCameraBackward;
        case 3:
            return kCameraTurnLeft;
        case 4:
            return kCameraTurnRight;
        case 7:
            return kCameraPitchDown;
        case 8:
            return kCameraPitchUp;
        case 9:
            return kCameraRollLeft;
        case 10:
            return kCameraRollRight;
        case 11:
            return kCameraStepLeft;
        case 12:
            return kCameraStepRight;
        case 13:
            return kCameraRise;
        case 14:
            return kCameraSink;
        default:
            return 0;
    }
}

kvloose_camera::kvloose_camera(arty_factory& owner, const arty_description& description)
    : arty(owner, description) {}

void camera_freeze(kvloose_camera& camera) {
    camera.frozen = 1;
}

void camera_unfreeze(kvloose_camera& camera) {
    camera.frozen = 0;
}

void camera_clear_keys(kvloose_camera& camera) {
    camera.key_bits = 0;
}

void camera_listener_step(kvloose_camera& camera) {
    sound_system& sound = kernel_get().sound;
    snd_update(sound);
    sector* s = dynamic_cast<sector*>(camera.place.sector);
    const mat4& m = camera.place.transform;
    snd_set_listener(sound, reinterpret_cast<uintptr_t>(s), mat4_row3(m), vec3{}, mat4_row1(m), mat4_row2(m));
    if (s && camera.factory->owner) server_step_ambients(*camera.factory->owner, *s);
}

void kvloose_camera::tick(int32_t elapsed) {
    if (frozen) key_bits = 0;
    const float t = static_cast<float>(elapsed);
    const mat4 old = place.transform;
    const vec3 position = mat4_row3(old);

    mat4 turn;
    mat4_set_translation(turn, position.x, position.y, position.z);
    vec3 motion;
    for (const key_motion& k : kMoves) {
        if (key_bits & k.bit) motion = motion + row(old, k.axis) * (k.rate * t);
    }
    if (key_bits & kSweepBits) {
        mat4_translate(turn, camera_sweep(place.sector, camera_box(), old, motion));
    }
    // Turns keep the camera's own axis fixed however it is turned already; about its up axis the
    // sense is the y rotation's, as for an upright camera.
    for (const key_motion& k : kTurns) {
        if (key_bits & k.bit) mat4_rotate_about(turn, row(old, k.axis), (k.axis == 1 ? -k.rate : k.rate) * t);
    }

    int32_t dx = 0;
    int32_t dy = 0;
    kv::input& in = kernel_get().input_layer;
    input_get_mouse_motion(in, dx, dy);
    const float mouse = t * kTurnRate * in.mouse_sensitivity / kMouseScale;
    if (dx != 0) mat4_rotate_axis(turn, vec3{0.0f, 1.0f, 0.0f}, -static_cast<float>(dx) * mouse);
    if (dy != 0) mat4_rotate_about(turn, mat4_row0(old), -static_cast<float>(dy) * mouse);

    // Without keys or mouse motion the transform stays as it is (an identity keeps its flag).
    if ((key_bits & 0xFFF) || dx != 0 || dy != 0) {
        mat4_translate(turn, -position);
        place.transform = mat4_mul(turn, old);
        placement_move(place, position, mat4_row3(place.transform));
    }
    camera_listener_step(*this);
}

void kvloose_camera::view_setup(const vec3& position, const vec3& forward, const vec3& up,
                                placement_sector* sector) {
    placement_set(place, position, forward, up, sector);
}

int32_t kvloose_camera::input(bool pressed, int32_t code) {
    if (frozen) key_bits = 0;
    const uint32_t bit = camera_key_bit(code);
    if (pressed) {
        key_bits |= bit;
    } else {
        key_bits &= ~bit;
    }
    return -1;
}

void kvloose_camera::view_update() {}

}  // namespace kv
