#include "gfx/effects/impact_effect.h"

#include <algorithm>
#include <cmath>

#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/random.h"
#include "world/entity_def.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kDepthStep = 0.005f;
constexpr float kDepthLimit = 0.5f;
constexpr float kHoleSide = 5.0f;
constexpr float kSmokeWidth = 80.0f;
constexpr float kSmokeHeight = 160.0f;
constexpr float kSplashWidth = 0.5f;
constexpr float kSplashHeight = 2.0f;
constexpr float kSurfaceLift = 0.2f;
// Floors, ceilings and slopes show the hole only.
constexpr float kFloorNormalY = 0.2f;
constexpr int32_t kSmokeFrameMs = 50;
constexpr float kSmokeFrameU = 0.0625f;
constexpr float kSmokeLastOffset = 0.9375f;
constexpr int32_t kHoleVariants = 8;
constexpr int32_t kWaterStepMs = 33;
constexpr int32_t kSplashGrowMs = 264;
constexpr float kSplashFrameU = 0.1f;
constexpr int32_t kSecondRippleMs = 400;
constexpr int32_t kDefaultLifetimeMs[3] = {1500, 3000, 6000};
constexpr float kRicochetDraw = 22936.9f;
constexpr float kSecondHitDraw = 11468.45f;

uint8_t sector_byte(gfx& g, const sector* s) {
    const int32_t index = effect_sector_index(g, s);
    return index >= 0 && index < 256 ? static_cast<uint8_t>(index) : 0;
}

uint8_t material_byte(const surface_material* material) {
    const int32_t index = surface_table_index_of(kernel_get().surfaces, material);
    return index >= 0 && index < kSurfaceWireNone ? static_cast<uint8_t>(index) : kSurfaceWireNone;
}

int32_t detail_index(int32_t detail) {
    return std::clamp(detail, 0, 2);
}

void shift_u(mesh& m, float du) {
    for (mesh_vertex& v : m.rest_vertices) v.u += du;
}

}  // namespace

void impact_effect::set_defaults() {
    detail = detail_index(kernel_get().detail_level);
    lifetime_ms = kDefaultLifetimeMs[detail];
    splash_scale = {1.0f, 1.0f, 1.0f};
    if (vec3_length_sq(normal) == 0.0f || !std::isfinite(vec3_length_sq(normal))) normal = {0.0f, 1.0f, 0.0f};
}

void impact_effect::take_material(const surface_material* material) {
    if (!material) return;
    impact_texture = material->effects[kEffectImpact];
    smoke_texture = material->effects[kEffectImpactSmall];
    hit_sound = material->sounds[kSoundHit];
    if (material->kind == kSurfaceKindWater) water = 1;
}

void impact_effect::offset_depth(gfx& g) {
    float& phase = g.effects.depth_phase;
    position = position + normal * phase;
    phase += kDepthStep;
    // Compared a little short of the limit: the sum of the steps is not exact in floats.
    if (phase >= kDepthLimit - kDepthStep / 2.0f) phase = 0.0f;
}

impact_effect::impact_effect(gfx& g, const trace_hit& hit, float size_value, sector* sector_value, bool echo)
    : position(hit.hit.point), normal(hit.hit.normal), size(size_value), in_sector(sector_value) {
    set_defaults();
    // A level object's node follows it; bodies and static geometry keep world coordinates.
    if (hit.node && hit.player_id == -1) {
        object_matrix = &hit.node->transform;
        const mat4 inverse = mat4_inverse_rigid(*object_matrix);
        position = mat4_transform_point(inverse, position);
        const vec3 origin = mat4_transform_point(inverse, vec3{});
        normal = mat4_transform_point(inverse, normal) - origin;
    }
    take_material(hit.material);
    if (echo)
        client_write_impact_event(effect_world(g).client, position, normal, material_byte(hit.material),
                                  sector_byte(g, in_sector));
    offset_depth(g);
}

impact_effect::impact_effect(gfx& g, const vec3& point, const vec3& normal_value, sector* sector_value,
                             bool echo)
    : position(point), normal(normal_value), in_sector(sector_value) {
    set_defaults();
    if (echo)
        client_write_impact_event(effect_world(g).client, position, normal, kSurfaceWireNone,
                                  sector_byte(g, in_sector));
    offset_depth(g);
}

impact_effect::impact_effect(gfx& g, const vec3& point, const vec3& normal_value,
                             const surface_material* material, sector* sector_value, bool echo)
    : position(point), normal(normal_value), in_sector(sector_value) {
    set_defaults();
    take_material(material);
    if (echo)
        client_write_impact_event(effect_world(g).client, position, normal, material_byte(material),
                                  sector_byte(g, in_sector));
    offset_depth(g);
}

impact_effect::~impact_effect() = default;

bool impact_effect::alive() {
    return timer_elapsed_ms(clock) < lifetime_ms;
}

mesh* impact_effect::part_mesh(int32_t i) {
    return i == 0 ? first_mesh.get() : second_mesh.get();
}

void impact_effect::prepare(gfx& g) {
    if (water) {
        water_step(g);
    } else {
        ordinary_step(g);
    }
}

void impact_effect::ordinary_step(gfx& g) {
    if (!first_mesh) {
        int32_t& variant = g.effects.hole_variant;
        if (variant >= kHoleVariants) variant = 0;
        const float u0 = static_cast<float>(variant) / kHoleVariants;
        const float u1 = static_cast<float>(variant + 1) / kHoleVariants;
        ++variant;
        const float w = kHoleSide / 2.0f;
        const float hole[20] = {-w, 0, w, u0, 0, w, 0, w, u1, 0, w, 0, -w, u1, 1, -w, 0, -w, u0, 1};
        first_mesh = effect_quad(hole, effect_register_texture(g, impact_texture));
        const float sw = kSmokeWidth / 2.0f;
        const float z0 = -0.1f * kSmokeHeight;
        const float z1 = 0.9f * kSmokeHeight;
        const float smoke[20] = {-sw, 0.6f,         z0, 0,   0,    sw, 0.6f, z0, kSmokeFrameU, 0, sw, 0.6f,
                                 z1,  kSmokeFrameU, 1,  -sw, 0.6f, z1, 0,    1};
        second_mesh = effect_quad(smoke, effect_register_texture(g, smoke_texture));

        const vec3 y = vec3_normalise(normal);
        const vec3 x = effect_tangent(y);
        const vec3 z = vec3_normalise(vec3_cross(y, x));
        const mat4 place = effect_axes(x, y, z, position + y * kSurfaceLift);
        for (mesh* m : {first_mesh.get(), second_mesh.get()}) {
            if (!m) continue;
            for (mesh_vertex& v : m->rest_vertices) {
                const vec3 p = mat4_transform_point(place, vec3{v.x, v.y, v.z});
                v.x = p.x;
                v.y = p.y;
                v.z = p.z;
            }
        }
        mat4_set_identity(placement);

        timer_restart(clock);
        parts = std::fabs(y.y) >= kFloorNormalY ? 1 : 2;
        smoke_offset = 0.0f;
        next_frame_ms = kSmokeFrameMs;
        lifetime_ms = kImpactLifetimeMs[detail];
        play_hit_sound();
    }
    if (smoke_offset >= kSmokeLastOffset) {
        parts = std::min(parts, 1);
    } else if (timer_elapsed_ms(clock) > next_frame_ms) {
        if (second_mesh) shift_u(*second_mesh, kSmokeFrameU);
        next_frame_ms += kSmokeFrameMs;
        smoke_offset += kSmokeFrameU;
    }
}

void impact_effect::make_ripple(gfx& g) {
    const bool echo = gfx_effect_echo(g);
    gfx_set_effect_echo(g, false);
    const vec3 at = object_matrix ? mat4_transform_point(*object_matrix, position) : position;
    gfx_add_water_ripple_effect(g, at, size / 100.0f, in_sector);
    gfx_forget_last_effect(g);
    gfx_set_effect_echo(g, echo);
}

void impact_effect::water_step(gfx& g) {
    if (!first_mesh) {
        make_ripple(g);
        const float w = kSplashWidth / 2.0f;
        const float h = kSplashHeight;
        const float splash[20] = {-w, h,  0, 0, 0, w, h, 0, kSplashFrameU, 0, w, 0, 0, kSplashFrameU,
                                  1,  -w, 0, 0, 0, 1};
        first_mesh = effect_quad(splash, effect_register_texture(g, impact_texture));
        parts = first_mesh ? 1 : 0;
        timer_restart(clock);
        next_frame_ms = 0;
        lifetime_ms = kImpactWaterLifetimeMs;
        splash_scale = {0.0f, 0.0f, 0.0f};
        play_hit_sound();
        return;
    }
    const int32_t elapsed = timer_elapsed_ms(clock);
    if (elapsed - next_frame_ms < kWaterStepMs) return;
    if (elapsed <= kSplashGrowMs) {
        const float s = (size - 2.0f) / 2.0f * static_cast<float>(elapsed) / kSplashGrowMs;
        splash_scale = {s, s, s};
    } else {
        shift_u(*first_mesh, kSplashFrameU);
    }
    if (elapsed >= kSecondRippleMs && !second_ripple_done) {
        second_ripple_done = 1;
        make_ripple(g);
    }
    next_frame_ms = elapsed;
}

mat4 impact_effect::part_matrix(gfx& g, int32_t) {
    if (!water) return object_matrix ? *object_matrix : placement;
    // The splash turns about the vertical to face the camera.
    const mat4 camera = effect_camera(g);
    const vec3 world_at = object_matrix ? mat4_transform_point(*object_matrix, position) : position;
    vec3 d = world_at - mat4_row3(camera);
    d.y = 0.0f;
    if (vec3_length_sq(d) == 0.0f) {
        // Straight above: the camera's own axes give the facing.
        d = mat4_row2(camera);
        d.y = 0.0f;
        if (vec3_length_sq(d) == 0.0f) d = mat4_row1(camera);
        d.y = 0.0f;
        if (vec3_length_sq(d) == 0.0f) d = {0.0f, 0.0f, 1.0f};
    }
    const vec3 z = vec3_normalise(d);
    const vec3 x = effect_tangent(z);
    const vec3 y = vec3_cross(z, x);
    const mat4 facing = effect_axes(x * splash_scale.x, y * splash_scale.y, z * splash_scale.z, position);
    return object_matrix ? mat4_mul(*object_matrix, facing) : facing;
}

void impact_effect::play_hit_sound() const {
    if (hit_sound.empty()) return;
    const float r = static_cast<float>(kv_rand());
    std::string name;
    if (r > kRicochetDraw) {
        name = std::string("hit-rico") + effect_random_digit();
    } else {
        name = hit_sound + (r <= kSecondHitDraw ? "1" : "2");
    }
    const vec3 at = object_matrix ? mat4_transform_point(*object_matrix, position) : position;
    effect_play_sound(name, in_sector, at, 100.0f, 1000.0f);
}

}  // namespace kv
