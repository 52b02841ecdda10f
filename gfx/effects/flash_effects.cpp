#include "gfx/effects/flash_effects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/gfx.h"
#include "platform/random.h"
#include "util/float_convert.h"
#include "world/entity_def.h"
#include "world/geometry.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr int32_t kMuzzleFrameMs = 4;
constexpr float kFrontHalf = 21.0f;
constexpr float kSideRadius = 15.0f;
constexpr float kSideLength = 50.0f;
constexpr float kEndOnU = 0.8571426f;
// The draw-mode word of a first-person object.
constexpr uint32_t kFirstPersonFlags = 1;

constexpr float kFlashRange = 1600.0f;
constexpr float kFlashFarFrom = 800.0f;
constexpr float kFlashBlockDistance = 625.0f;
constexpr float kFadePerMs = 0.00006666f;
constexpr int32_t kRedFlashMs = 750;
constexpr int32_t kScrollStepMs = 33;

void fill_screen(gfx& g, const uint8_t (&colour)[4]) {
    if (g.driver)
        g.driver->fill_rect(0.0f, 0.0f, 1000.0f, 1000.0f, colour[0], colour[1], colour[2], colour[3]);
}

}  // namespace

weapon_model_effect::weapon_model_effect(const mat4& m, const std::string& front, const std::string& side,
                                         uint8_t side_value)
    : front_texture(front), side_texture(side), placement(m), side_view(side_value) {}

weapon_model_effect::~weapon_model_effect() = default;

bool weapon_model_effect::alive() {
    return not_started || timer_elapsed_ms(clock) < kMuzzleFrameMs;
}

void weapon_model_effect::prepare(gfx& g) {
    if (not_started) {
        timer_restart(clock);
        not_started = 0;
    }
    if (front_layer < 0) front_layer = effect_register_texture(g, front_texture);
    if (flash) return;
    const float sx = scale[0];
    const float sy = scale[1];
    const float sz = scale[2];
    if (!side_view) {
        const int r = kv_rand();
        int k = 0;
        if (r >= 16383) {
            k = 1;
            if (r - 16383 > 5461) k = 2;
            if (r - 16383 > 10922) k = 3;
        }
        const float u0 = static_cast<float>(k) / 4.0f;
        const float u1 = static_cast<float>(k + 1) / 4.0f;
        const float x = kFrontHalf * sx;
        const float z = kFrontHalf * sy;
        const float quad[20] = {-x, -1, -z, u0, 0, x, -1, -z, u1, 0, x, -1, z, u1, -1, -x, -1, z, u0, -1};
        flash = effect_quad(quad, front_layer);
        return;
    }
    if (side_layer < 0) side_layer = effect_register_texture(g, side_texture);
    const int r = kv_rand();
    const int k = r < 16383 ? 0 : (r - 16383 <= 8191 ? 1 : 2);
    const float u0 = static_cast<float>(k) * 2.0f / 7.0f;
    const float u1 = static_cast<float>(k + 1) * 2.0f / 7.0f;
    const float a = kSideRadius;
    const float l = -kSideLength * sz;
    // clang-format off
    const float v[14 * 5] = {
        0, -a * sy, 0, u0, 0,       0, a * sy, 0, u0, 1,
        -a * sx, 0, 0, u0, 0,       a * sx, 0, 0, u0, 1,
        0, -a * sy, l, u1, 0,       0, a * sy, l, u1, 1,
        -a * sx, 0, l, u1, 0,       a * sx, 0, l, u1, 1,
        0, 0, 0, u0, 0.5f,          0, 0, l, u1, 0.5f,
        0, -a * sy, 0, kEndOnU, 1,  a * sy, 0, 0, 1.0f, 1,
        0, a * sy, 0, 1.0f, 0,      -a * sy, 0, 0, kEndOnU, 0,
    };
    // clang-format on
    static constexpr uint32_t kQuads[20] = {10, 11, 12, 13, 4, 9, 8, 0, 9, 5, 1, 8, 6, 2, 8, 9, 9, 8, 3, 7};
    flash = mesh_create(kMeshQuads, 14, v, 20, kQuads, static_cast<uint16_t>(std::max(side_layer, 0)),
                        kMeshPartIntact);
    if (!flash) return;
    mat4 turn;
    mat4_set_rotation_y(turn, std::numbers::pi_v<float> / 2.0f);
    for (mesh_vertex& vertex : flash->rest_vertices) {
        const vec3 p = mat4_transform_point(turn, vec3{vertex.x, vertex.y, vertex.z});
        vertex.x = p.x;
        vertex.y = p.y;
        vertex.z = p.z;
    }
}

const uint32_t* weapon_model_effect::draw_flags(gfx& g) {
    if (side_view || !g.switches.first_person) return nullptr;
    return &kFirstPersonFlags;
}

screen_tint_effect::screen_tint_effect(sector* sector_value) : in_sector(sector_value) {}

void screen_tint_effect::set_up(gfx& g, const vec3& position) {
    if (!in_sector) return;
    const mat4 camera = effect_camera(g);
    const vec3 eye = mat4_row3(camera);
    const vec3 d = position - eye;
    const float distance = vec3_length(d);
    if (!std::isfinite(distance) || distance > kFlashRange) return;
    if (distance > 0.0f) {
        trace t;
        trace_ray(t, in_sector, eye, d, distance * distance, 0, 1, 1, 0);
        for (const trace_hit& hit : t.hits) {
            if (hit.material && hit.material->kind == kSurfaceKindFoliage) continue;
            const float at = std::sqrt(hit.hit.distance_sq);
            if (at >= distance) break;
            if (hit.player_id == -1 || at >= kFlashBlockDistance) return;
        }
    }
    const vec3 view = vec3_normalise(mat4_row2(camera));
    float angle = 0.0f;
    if (distance > 0.0f) {
        const float cosine = std::clamp(vec3_dot(view, d * (1.0f / distance)), -1.0f, 1.0f);
        angle = std::acos(cosine) * 180.0f / std::numbers::pi_v<float>;
    }
    level = 1.0f;
    if (angle > 30.0f) level = 0.95f;
    if (angle > 40.0f) level = 0.9f;
    if (angle > 90.0f) level = 0.8f;
    if (distance > kFlashFarFrom) level -= distance / kFlashRange * level * 0.25f;
    // The first frame already shows the level reached.
    colour[3] = float_to_byte(level * 255.0f);
    live = colour[3] != 0;
    timer_restart(clock);
}

void screen_tint_effect::draw_overlay(gfx& g) {
    const int32_t dt = timer_elapsed_ms(clock);
    accumulated_ms += dt;
    if (g.driver) g.driver->set_tint(false);
    fill_screen(g, colour);
    if (accumulated_ms > hold_ms) {
        level -= static_cast<float>(dt) * kFadePerMs;
        if (level < 0.0f) level = 0.0f;
    }
    colour[3] = float_to_byte(level * 255.0f);
    if (colour[3] == 0) live = 0;
    timer_restart(clock);
}

red_flash_effect::red_flash_effect() = default;

void red_flash_effect::draw_overlay(gfx& g) {
    const int32_t elapsed = timer_elapsed_ms(clock);
    fill_screen(g, colour);
    if (elapsed > kRedFlashMs) live = 0;
    const float alpha = 255.0f - static_cast<float>(elapsed) / kRedFlashMs * 255.0f;
    colour[3] = static_cast<uint8_t>(std::clamp(float_to_int32(alpha), 0, 255));
}

void texture_scroll_effect::prepare(gfx& g) {
    if (timer_elapsed_ms(clock) < kScrollStepMs) return;
    for (mesh_instance* instance : effect_world(g).water_instances) {
        if (!instance || !instance->geom || !instance->material) continue;
        const surface_material& m = *instance->material;
        const float du = m.flow_direction[0] * m.scroll_speed / kScrollStepMs;
        const float dv = m.flow_direction[2] * m.scroll_speed / kScrollStepMs;
        auto shift = [&](std::vector<mesh_vertex>& vertices) {
            for (mesh_vertex& v : vertices) {
                v.u += du;
                v.v += dv;
            }
        };
        for (mesh* each : instance->geom->meshes.items) {
            if (each) shift(each->rest_vertices);
        }
        for (geometry_mesh* each : instance->geom->skinned.items) {
            if (!each) continue;
            shift(each->rest_vertices);
            shift(each->posed_vertices);
        }
    }
    timer_restart(clock);
}

}  // namespace kv
