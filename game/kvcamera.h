#pragma once
// Cameras: the game's points of view. `kvloose_camera` flies freely and is the base of the others;
// `kvbound_camera` rides on a being (first or third person) and flies freely without one;
// `kvcable_camera` circles a point; `kvstatic_camera` stands where its description puts it. Every
// camera moves the sound listener to itself and steps the ambient sounds of its sector.

#include <cstdint>
#include <string>

#include "game/arty.h"
#include "util/box3.h"
#include "util/placement.h"
#include "util/vec3.h"

namespace kv {

struct being;

// Held movement inputs of the free-flying camera.
inline constexpr uint32_t kCameraForward = 0x1;
inline constexpr uint32_t kCameraBackward = 0x2;
inline constexpr uint32_t kCameraTurnLeft = 0x4;
inline constexpr uint32_t kCameraTurnRight = 0x8;
inline constexpr uint32_t kCameraPitchDown = 0x10;
inline constexpr uint32_t kCameraPitchUp = 0x20;
inline constexpr uint32_t kCameraRollLeft = 0x40;
inline constexpr uint32_t kCameraRollRight = 0x80;
inline constexpr uint32_t kCameraStepLeft = 0x100;
inline constexpr uint32_t kCameraStepRight = 0x200;
inline constexpr uint32_t kCameraRise = 0x400;
inline constexpr uint32_t kCameraSink = 0x800;

// The box every free-flying camera moves through the world: (-20, -20, -20) to (20, 20, 20).
const box3& camera_box();

class kvloose_camera : public arty {
public:
    // No keys besides "cb:". The placement starts as the identity without a sector.
    kvloose_camera(arty_factory& factory, const arty_description& description);

    // Free flight.
    void tick(int32_t elapsed) override;
    virtual void view_setup(const vec3& position, const vec3& forward, const vec3& up,
                            placement_sector* sector);
    // Sets or clears the input's key bit; always -1.
    virtual int32_t input(bool pressed, int32_t code);
    virtual void view_update();

    placement place;
    uint32_t key_bits = 0;
    uint8_t frozen = 0;
};

void camera_freeze(kvloose_camera& camera);
void camera_unfreeze(kvloose_camera& camera);
void camera_clear_keys(kvloose_camera& camera);
// The sound facade's step, the listener at the camera, and the ambient sounds of its sector (those
// only when it has one).
void camera_listener_step(kvloose_camera& camera);
// The key bit of an input code; 0 for codes that move nothing.
uint32_t camera_key_bit(int32_t code);

// The orbit of third-person views, shared by all bound cameras for the whole run.
struct bound_camera_orbit {
    float yaw = 0.0f;    // radians
    float pitch = 0.0f;  // radians
    float distance = -200.0f;
};
bound_camera_orbit& kvbound_camera_orbit();

class kvbound_camera : public kvloose_camera {
public:
    kvbound_camera(arty_factory& factory, const arty_description& description);

    // Frozen or following a being: nothing; else free flight.
    void tick(int32_t elapsed) override;
    void view_setup(const vec3& position, const vec3& forward, const vec3& up,
                    placement_sector* sector) override;
    // Frozen: -1. Else the being's answer when it used the code, else the free-flight input.
    int32_t input(bool pressed, int32_t code) override;
    // Follows the being (first or third person), then the listener step.
    void view_update() override;

    being* followed = nullptr;  // not owned
};

void kvbound_camera_attach(kvbound_camera& camera, being* followed);
being* kvbound_camera_detach(kvbound_camera& camera);

class kvcable_camera : public kvloose_camera {
public:
    // Keys: "lookat:" 3 numbers, "range:" minimum and maximum, "velocity:" yaw and pitch (radians per
    // ms). Missing keys leave 0. The distance starts in the middle of the range.
    kvcable_camera(arty_factory& factory, const arty_description& description);

    // Orbit about the look-at point (nothing when frozen).
    void tick(int32_t elapsed) override;
    // Presses change the velocities and the distance; always -1.
    int32_t input(bool pressed, int32_t code) override;

    vec3 look_at;
    float range_min = 0.0f;
    float range_max = 0.0f;
    float yaw_velocity = 0.0f;
    float pitch_velocity = 0.0f;
    float yaw;
    float pitch = 0.0f;
    float distance = 0.0f;
};

// The mode of a static camera without "mode:": no team picks it.
inline constexpr int32_t kStaticCameraNoMode = -1;

class kvstatic_camera : public kvloose_camera {
public:
    // Keys: "sector:" (in the game package), "pos:", "dir:", "up:" 3 numbers each, "mode:" integer.
    // Placed there when the sector is found; else the identity without a sector.
    kvstatic_camera(arty_factory& factory, const arty_description& description);

    // The listener step only.
    void tick(int32_t elapsed) override;
    int32_t input(bool pressed, int32_t code) override;

    std::string sector_name;
    vec3 position;
    vec3 direction;
    vec3 up;
    int32_t mode = kStaticCameraNoMode;
};

}  // namespace kv
