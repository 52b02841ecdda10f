#pragma once
// A spent cartridge case thrown out of a weapon: a small prism that flies off sideways with a random
// spread and spin, falls, bounces off the world with the material's shell sound, sinks with a small
// splash in water and vanishes after a second (one in five after ten seconds).

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;

inline constexpr const char* kShellKind = "shell";

class shell_effect : public effect {
public:
    shell_effect(gfx& g, const mat4& placement, sector* in_sector, float scale = 1.0f,
                 const std::string& kind_name = kShellKind);
    ~shell_effect() override;

    effect_class kind() const override { return effect_class::shell; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return parts; }
    mesh* part_mesh(int32_t) override { return shell.get(); }
    // Runs the motion step, then the placement.
    mat4 part_matrix(gfx& g, int32_t i) override;

    // The collision of one move: may change the move's end and the flight.
    void collide(gfx& g, vec3& next);

    sector* in_sector = nullptr;
    timer flight_clock;
    timer life_clock;
    timer sound_clock;
    int32_t lifetime_ms = 0;
    int32_t long_lifetime_ms = 10000;
    int32_t short_lifetime_ms = 1000;
    std::unique_ptr<mesh> shell;
    int32_t layer = -1;
    std::string kind_name;
    mat4 placement;
    vec3 direction;
    vec3 launch_point;
    vec3 current;
    float speed = 300.0f;
    vec3 acceleration{0.0f, -1000.0f, 0.0f};
    float last_step_s = 0.0f;
    uint8_t collision = 1;
    vec3 spin_rates;
    vec3 spin_angles;
    float scale = 1.0f;
    int32_t detail = 0;
    int32_t parts = 1;
    uint8_t sinking = 0;

private:
    bool flight_restarted = false;
    void restart_flight();
    void bounce(const vec3& hit_point, const vec3& normal, vec3& next);
};

}  // namespace kv
