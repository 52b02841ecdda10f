#include <numbers>

#include "game/kvcamera.h"

namespace kv {
namespace {

constexpr float kVelocityStep = 0.0002f;  // radians per ms
constexpr float kDistanceStep = 1.0f;

}  // namespace

kvcable_camera::kvcable_camera(arty_factory& owner, const arty_description& description)
    : kvloose_camera(owner, description), yaw(std::numbers::pi_v<float>) {
    arty_read_keys(description, {
                                    {"lookat:", 3,
                                     [this](const token_list& l, int i) {
                                         arty_value_number(l, i, look_at.x);
                                         arty_value_number(l, i + 1, look_at.y);
                                         arty_value_number(l, i + 2, look_at.z);
                                     }},
                                    {"range:", 2,
                                     [this](const token_list& l, int i) {
                                         arty_value_number(l, i, range_min);
                                         arty_value_number(l, i + 1, range_max);
                                     }},
                                    {"velocity:", 2,
                                     [this](const token_list& l, int i) {
                                         arty_value_number(l, i, yaw_velocity);
                                         arty_value_number(l, i + 1, pitch_velocity);
                                     }},
                                });
    distance = (range_min + range_max) / 2.0f;
}

void kvcable_camera::tick(int32_t elapsed) {
    if (frozen) return;
    const float t = static_cast<float>(elapsed);
    yaw += t * yaw_velocity;
    pitch += t * pitch_velocity;
    mat4 pitch_turn;
    mat4 yaw_turn;
    mat4_set_rotation_x(pitch_turn, pitch);
    mat4_set_rotation_y(yaw_turn, yaw);
    const mat4 turn = mat4_mul(yaw_turn, pitch_turn);
    const vec3 direction = mat4_transform_point(turn, vec3{0.0f, 0.0f, -1.0f});
    const vec3 up = mat4_transform_point(turn, vec3{0.0f, 1.0f, 0.0f});
    placement_set(place, look_at - direction * distance, direction, up);
}

int32_t kvcable_camera::input(bool pressed, int32_t code) {
    if (!pressed || frozen) return -1;
    switch (code) {
        case 1:
            yaw_velocity += kVelocityStep;
            break;
        case 2:
            yaw_velocity -= kVelocityStep;
            break;
        case 3:
            pitch_velocity += kVelocityStep;
            break;
        case 4:
            pitch_velocity -= kVelocityStep;
            break;
        case 7:
            distance -= kDistanceStep;
            if (distance < range_min) distance = range_min;
            break;
        case 8:
            distance += kDistanceStep;
            if (distance > range_max) distance = range_max;
            break;
        default:
            break;
    }
    return -1;
}

}  // namespace kv
