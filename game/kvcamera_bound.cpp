#include <numbers>

#include "beings/being.h"
#include "game/kvcamera.h"

namespace kv {
namespace {

constexpr float kOrbitStep = 2.0f * std::numbers::pi_v<float> / 180.0f;
constexpr float kDistanceStep = 10.0f;
constexpr float kEyeHeight = 50.0f;

}  // namespace

bound_camera_orbit& kvbound_camera_orbit() {
    static bound_camera_orbit orbit;
    return orbit;
}

kvbound_camera::kvbound_camera(arty_factory& owner, const arty_description& description)
    : kvloose_camera(owner, description) {}

void kvbound_camera_attach(kvbound_camera& camera, being* followed) {
    camera_clear_keys(camera);
    camera.followed = followed;
}

being* kvbound_camera_detach(kvbound_camera& camera) {
    camera_clear_keys(camera);
    being* was = camera.followed;
    camera.followed = nullptr;
    return was;
}

void kvbound_camera::tick(int32_t elapsed) {
    if (frozen || followed) return;
    kvloose_camera::tick(elapsed);
}

void kvbound_camera::view_setup(const vec3& position, const vec3& forward, const vec3& up,
                                placement_sector* sector) {
    if (!followed) {
        kvloose_camera::view_setup(position, forward, up, sector);
        return;
    }
    being_set_view(*followed, position, forward, up, sector);
    view_update();
}

int32_t kvbound_camera::input(bool pressed, int32_t code) {
    if (frozen) return -1;
    if (followed) {
        const int32_t answer = being_handle_command(*followed, pressed, code);
        if (answer != 0) return answer;
    }
    return kvloose_camera::input(pressed, code);
}

void kvbound_camera::view_update() {
    if (followed) {
        place = followed->place;
        mat4 view;
        if (followed->view_flags & kBeingThirdPerson) {
            bound_camera_orbit& orbit = kvbound_camera_orbit();
            if (key_bits & kCameraRollLeft) orbit.yaw += kOrbitStep;
            if (key_bits & kCameraRollRight) orbit.yaw -= kOrbitStep;
            mat4_rotate_y(place.transform, orbit.yaw);
            if (key_bits & kCameraRise) orbit.pitch += kOrbitStep;
            if (key_bits & kCameraSink) orbit.pitch -= kOrbitStep;
            mat4_rotate_x(place.transform, orbit.pitch);
            if (key_bits & kCameraPitchUp) {
                orbit.distance += kDistanceStep;
                if (orbit.distance >= 0.0f) orbit.distance = 0.0f;
            }
            if (key_bits & kCameraPitchDown) orbit.distance -= kDistanceStep;
            being_view_matrix(*followed, view, 0);
            place.transform = mat4_mul(place.transform, view);
            mat4_translate(place.transform, vec3{0.0f, kEyeHeight, orbit.distance});
        } else {
            being_view_matrix(*followed, view, 1);
            place.transform = mat4_mul(place.transform, view);
        }
    }
    camera_listener_step(*this);
}

}  // namespace kv
