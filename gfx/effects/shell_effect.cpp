#include "gfx/effects/shell_effect.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "gfx/effects/effect_manager.h"
#include "gfx/effects/effect_ops.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

constexpr float kEjectTurn = 0.3f;
constexpr float kSpread = 0.8f;
constexpr float kSpinRange = 2000.0f;
constexpr uint32_t kLongEvery = 5;
constexpr float kLength = 6.0f;
constexpr float kRadius = 0.8f;
constexpr float kRestSpeed = 0.4f;
constexpr float kStepSeconds = 0.05f;
constexpr int32_t kSoundGapMs = 150;
constexpr float kSplashSize = 50.0f;

float unit_draw() {
    return static_cast<float>(kv_rand()) / static_cast<float>(kRandMax);
}

}  // namespace

shell_effect::shell_effect(gfx& g, const mat4& m, sector* sector_value, float scale_value,
                           const std::string& kind_value)
    : in_sector(sector_value), kind_name(kind_value), scale(scale_value) {
    mat4 turn;
    mat4_set_rotation_x(turn, kEjectTurn);
    const mat4 turned = mat4_mul(m, turn);
    launch_point = mat4_row3(m);
    current = launch_point;
    direction = -mat4_row2(turned);
    direction.x += (unit_draw() - 0.5f) * kSpread;
    direction.y += (unit_draw() - 0.5f) * kSpread;
    direction.z += (unit_draw() - 0.5f) * kSpread;
    spin_rates.x = (unit_draw() - 0.5f) * kSpinRange;
    spin_rates.y = (unit_draw() - 0.5f) * kSpinRange;
    spin_rates.z = (unit_draw() - 0.5f) * kSpinRange;
    mat4_set_translation(placement, launch_point.x, launch_point.y, launch_point.z);

    detail = kernel_get().detail_level;
    if (detail <= kDetailLow) {
        parts = 0;
        lifetime_ms = 0;
        return;
    }
    if (detail == kDetailMedium) {
        long_lifetime_ms = 10000 / 3;
        short_lifetime_ms = 1000 / 2;
    }
    ++g.effects.shell_counter;
    lifetime_ms = g.effects.shell_counter % kLongEvery == 0 ? long_lifetime_ms : short_lifetime_ms;
}

shell_effect::~shell_effect() = default;

bool shell_effect::alive() {
    // Not drawn at all at low detail: gone at the first pass.
    return parts > 0 && timer_elapsed_ms(life_clock) <= lifetime_ms;
}

void shell_effect::prepare(gfx& g) {
    if (shell || parts < 1) return;
    layer = effect_register_texture(g, kind_name);
    const int32_t n = detail >= kDetailHigh ? 4 : 3;
    const float half = kLength * scale / 2.0f;
    const float radius = kRadius * scale;
    std::vector<float> vertices = {-half, 0, 0, 0.25f, 0.5f, half, 0, 0, 1.0f, 0.5f};
    for (int32_t k = 0; k <= n; ++k) {
        const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(k) / static_cast<float>(n);
        const float y = radius * std::cos(angle);
        const float z = radius * std::sin(angle);
        const float v = static_cast<float>(k) / static_cast<float>(n + 1);
        vertices.insert(vertices.end(), {-half, y, z, 0.25f, v, half, y, z, 1.0f, v});
    }
    std::vector<uint32_t> indices;
    for (int32_t k = 0; k < n; ++k) {
        const uint32_t a = 2 + 2 * static_cast<uint32_t>(k);
        const uint32_t b = a + 1;
        const uint32_t c = a + 2;
        const uint32_t d = a + 3;
        indices.insert(indices.end(), {a, b, d, a, d, c, 0, c, a, 1, b, d});
    }
    shell = mesh_create(kMeshTriangles, static_cast<uint16_t>(vertices.size() / 5), vertices.data(),
                        static_cast<uint32_t>(indices.size()), indices.data(),
                        static_cast<uint16_t>(std::max(layer, 0)), kMeshPartIntact);
    if (!shell) parts = 0;
    restart_flight();
    timer_restart(life_clock);
}

void shell_effect::restart_flight() {
    timer_restart(flight_clock);
    last_step_s = 0.0f;
    flight_restarted = true;
}

mat4 shell_effect::part_matrix(gfx& g, int32_t) {
    if (speed <= kRestSpeed && !sinking) return placement;
    const float t = static_cast<float>(timer_elapsed_ms(flight_clock)) / 1000.0f;
    if (t - last_step_s <= kStepSeconds) return placement;
    if (vec3_length_sq(direction) == 0.0f || !std::isfinite(vec3_length_sq(direction))) {
        // Nowhere to fly: the shell lies where it is.
        speed = 0.0f;
        sinking = 0;
        return placement;
    }
    const vec3 velocity = vec3_normalise(direction) * speed;
    vec3 next = launch_point + velocity * t + acceleration * (t * t / 2.0f);
    const float moved_sq = vec3_length_sq(next - current);
    if (moved_sq == 0.0f || !std::isfinite(moved_sq)) {
        // A step that goes nowhere (too slow to leave its place, or out of range): the flight is over.
        speed = 0.0f;
        sinking = 0;
        return placement;
    }
    flight_restarted = false;
    if (collision && !sinking) collide(g, next);
    const float step = t - last_step_s;
    current = next;
    spin_angles = spin_angles + spin_rates * step;
    mat4_set_rotation_x(placement, spin_angles.x);
    mat4_rotate_y(placement, spin_angles.y);
    mat4_rotate_z(placement, spin_angles.z);
    mat4 move;
    mat4_set_translation(move, current.x, current.y, current.z);
    placement = mat4_mul(move, placement);
    // A bounce starts a new flight segment whose steps count from 0.
    if (!flight_restarted) last_step_s = t;
    return placement;
}

void shell_effect::collide(gfx& g, vec3& next) {
    const vec3 move = next - current;
    const float length = vec3_length(move);
    if (length == 0.0f || !std::isfinite(length) || !in_sector) return;
    trace t;
    trace_ray(t, in_sector, current, move, length * length, 0, 0, 1, 1);
    if (t.hits.empty()) return;
    const trace_hit& hit = t.hits.front();
    if (std::sqrt(hit.hit.distance_sq) >= length) return;
    const surface_material* material = hit.material;
    if (!material) {
        speed *= 0.5f;
        bounce(hit.hit.point, hit.hit.normal, next);
        return;
    }
    if (material->kind == kSurfaceKindLimit || material->kind == kSurfaceKindThrough) return;
    speed *= static_cast<float>(material->restitution) / 255.0f;
    const std::string& sound = material->sounds[kSoundShell];
    if (!sound.empty() && timer_elapsed_ms(sound_clock) >= kSoundGapMs) {
        effect_play_sound(sound, in_sector, hit.hit.point, 100.0f, 1000.0f);
        timer_restart(sound_clock);
    }
    if (material->kind == kSurfaceKindWater) {
        const bool echo = gfx_effect_echo(g);
        gfx_set_effect_echo(g, false);
        gfx_add_impact_effect(g, hit, kSplashSize, in_sector);
        gfx_forget_last_effect(g);
        gfx_set_effect_echo(g, echo);
        speed = 0.1f;
        direction = {0.0f, -1.0f, 0.0f};
        launch_point = hit.hit.point + direction;
        next = launch_point;
        sinking = 1;
        acceleration.y /= 4.0f;
        restart_flight();
    } else if (material->kind == kSurfaceKindFoliage) {
        launch_point = hit.hit.point + direction;
        restart_flight();
    } else {
        bounce(hit.hit.point, hit.hit.normal, next);
    }
}

void shell_effect::bounce(const vec3& hit_point, const vec3& normal, vec3& next) {
    const vec3 d = vec3_normalise(current - next);
    vec3 reflected = normal * (2.0f * vec3_dot(normal, d)) - d;
    if (vec3_length_sq(reflected) == 0.0f) reflected = normal;
    reflected = vec3_normalise(reflected);
    direction = reflected;
    launch_point = hit_point;
    next = hit_point + reflected * std::max(vec3_length(next - hit_point), 1.0f);
    restart_flight();
    spin_rates = spin_rates * (1.0f / 1.1f);
    speed *= 0.7f;
}

}  // namespace kv
