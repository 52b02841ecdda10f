#include "game/kvdoor.h"

#include <cmath>
#include <numbers>

#include "beings/entity.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "util/text.h"
#include "world/geometry.h"

namespace kv {
namespace {

constexpr float kRadiansPerDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kAngleEpsilon = 0.00001f;
constexpr float kNearDepth = 300.0f;  // how far in front of or behind the door a being counts as near
constexpr float kSideMargin = 30.0f;  // beyond the door's ends, a being still blocks a face
constexpr float kSideDepth = 75.0f;   // how deep a face's zone reaches
constexpr int32_t kCloseDelayMs = 3000;
constexpr int32_t kStepMs = 20;

bool near_value(float a, float b) {
    return std::fabs(a - b) < kAngleEpsilon;
}

}  // namespace

bool level_geometry_find(server& srv, const std::string& reference, sector*& found_sector,
                         mesh_instance*& found_instance, bool quiet) {
    const std::string sector_name = str_field(reference, 0, ':');
    const std::string geometry_name = str_field(reference, 1, ':');
    sector* s = nullptr;
    for (const std::unique_ptr<package>& p : srv.packages) {
        if (!quiet) {
            s = package_find_sector(*p, sector_name);
        } else {
            for (sector* candidate : p->sectors.items) {
                if (candidate && candidate->name == sector_name) {
                    s = candidate;
                    break;
                }
            }
        }
        if (s) break;
    }
    if (!s) return false;
    mesh_instance* last = nullptr;
    for (mesh_instance* mi : s->meshes.items) {
        if (mi && mi->geom && mi->geom->name == geometry_name) last = mi;
    }
    if (!last) return false;
    found_sector = s;
    found_instance = last;
    return true;
}

kvdoor::kvdoor(arty_factory& owner, const arty_description& description)
    : arty(owner, description),
      maximum_angle(std::numbers::pi_v<float> / 2.0f),
      speed(90.0f * kRadiansPerDegree / 1000.0f) {
    arty_read_keys(
        description,
        {
            {"to:", 1,
             [this](const token_list& l, int i) {
                 float degrees = maximum_angle / kRadiansPerDegree;
                 arty_value_number(l, i, degrees);
                 maximum_angle = std::fabs(degrees * kRadiansPerDegree);
             }},
            {"mode:", 1,
             [this](const token_list& l, int i) {
                 std::string text;
                 arty_value_string(l, i, text);
                 if (text == "manual") manual = 1;
             }},
            {"speed:", 1,
             [this](const token_list& l, int i) {
                 float degrees = speed * 1000.0f / kRadiansPerDegree;
                 arty_value_number(l, i, degrees);
                 speed = degrees * kRadiansPerDegree / 1000.0f;
             }},
            {"gi:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, geometry_reference); }},
            {"snd:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sound_name); }},
        });
}

namespace {

bool door_set_up(kvdoor& door) {
    if (door.instance) return true;
    server* srv = door.factory->owner;
    if (!srv) return false;
    sector* s = nullptr;
    mesh_instance* mi = nullptr;
    if (!level_geometry_find(*srv, door.geometry_reference, s, mi, door.warned)) return false;
    door.door_sector = s;
    door.instance = mi;
    door.rest = mi->transform;
    door.door_box = mi->geom->box;
    return true;
}

void play_door_sound(const kvdoor& door) {
    const vec3 centre = (door.door_box.min + door.door_box.max) * 0.5f;
    snd_play_3d(kernel_get().sound, 2, door.sound_name, reinterpret_cast<uintptr_t>(door.door_sector),
                mat4_transform_point(door.rest, centre), vec3{}, vec3{0.0f, 0.0f, -1.0f}, 100.0f, 5000.0f,
                360.0f, 360.0f, 0.0f, 0, 0, false);
}

}  // namespace

void kvdoor::tick(int32_t) {
    if (!door_set_up(*this)) {
        if (!warned) {
            log_write("kv: *WARNING* door couldn't initialize\n");
            warned = true;
        }
        return;
    }

    // Who is near, and at which face.
    const mat4 rest_inverse = mat4_inverse_affine(rest);
    const mat4 current_inverse = mat4_inverse_affine(instance->transform);
    const box3& box = door_box;
    bool near = false;
    bool side_a = false;
    bool side_b = false;
    for (const std::unique_ptr<entity>& e : factory->owner->entities) {
        if (!e || e->in_sector != door_sector || e->parent || !e->name.starts_with("pid")) continue;
        const vec3 position = mat4_row3(entity_world_matrix(*e));
        const vec3 q = mat4_transform_point(rest_inverse, position);
        if (box.min.x < q.x && q.x < box.max.x && box.min.y <= q.y && q.y <= box.max.y &&
            -kNearDepth <= q.z && q.z <= kNearDepth) {
            near = true;
        }
        if (!near) continue;
        const vec3 r = mat4_transform_point(current_inverse, position);
        if (box.min.x - kSideMargin < r.x && r.x < box.max.x + kSideMargin && box.min.y <= r.y &&
            r.y <= box.max.y) {
            if (-kSideDepth <= r.z && r.z < 0.0f) side_a = true;
            if (0.0f < r.z && r.z <= kSideDepth) side_b = true;
        }
    }

    // A being at a face starts the door away from it; one in its way stops it.
    if (!moving) {
        if (side_b && speed > 0.0f) {
            speed = -speed;
        } else if (side_a && speed < 0.0f) {
            speed = -speed;
        }
        if (side_a || side_b) {
            moving = 1;
            timer_restart(door_timer);
        }
    } else if ((side_b && speed > 0.0f) || (side_a && speed < 0.0f)) {
        moving = 0;
    }
    if (side_a && side_b) moving = 0;

    // Unattended, it closes by itself.
    if (!moving) {
        if (!near && !manual && timer_elapsed_ms(door_timer) > kCloseDelayMs &&
            (angle <= -kAngleEpsilon || angle >= kAngleEpsilon)) {
            if ((angle > 0.0f) == (speed > 0.0f)) speed = -speed;
            moving = 1;
            timer_restart(door_timer);
        }
        if (!moving) return;
    }

    const int32_t ms = timer_elapsed_ms(door_timer);
    if (ms <= kStepMs) return;
    const float d = static_cast<float>(ms) * speed;
    if (speed > 0.0f && angle + d >= maximum_angle) {
        angle = maximum_angle;
        moving = 0;
    } else if (speed < 0.0f && angle + d <= -maximum_angle) {
        angle = -maximum_angle;
        moving = 0;
    } else if (speed < 0.0f && angle > 0.0f && angle + d < 0.0f) {
        angle = 0.0f;
        moving = 0;
    } else if (speed > 0.0f && angle < 0.0f && angle + d > 0.0f) {
        angle = 0.0f;
        moving = 0;
    } else {
        if (near_value(angle, 0.0f) || near_value(angle, maximum_angle) ||
            near_value(angle, -maximum_angle)) {
            play_door_sound(*this);
        }
        angle += d;
    }
    mat4_set_rotation_y(rotation, angle);
    instance->transform = mat4_mul(rest, rotation);
    timer_restart(door_timer);
}

void kvdoor_reset(kvdoor& door) {
    if (door.instance) door.instance->transform = door.rest;
    door.moving = 0;
    door.angle = 0.0f;
}

}  // namespace kv
