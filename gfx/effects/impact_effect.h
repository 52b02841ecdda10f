#pragma once
// Where a bullet, a blast fragment or a landing shell hit a surface: a hole decal on the surface and,
// on walls, a puff of smoke standing off it (a 16-frame strip at 50 ms a frame), with the material's
// hit sound; on water an animated splash that makes two ripples instead. The look comes from the
// material that was hit. Impacts on a moving level object follow it.

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;
struct surface_material;
struct trace_hit;

inline constexpr const char* kImpactSmokeTexture = "hit_smoke";
inline constexpr const char* kImpactHoleTexture = "hit_metal";
inline constexpr const char* kImpactHitSound = "hit-metal";
inline constexpr float kImpactDefaultSize = 100.0f;
// Lifetimes by detail level (low, medium, high); water splashes live 594 ms.
inline constexpr int32_t kImpactLifetimeMs[3] = {7500, 15000, 30000};
inline constexpr int32_t kImpactWaterLifetimeMs = 594;

class impact_effect : public effect {
public:
    // From a trace hit (taken into the local space of a hit level object), a blast (no material) or
    // the network (material and sector already looked up). With `echo` the construction writes its
    // event into the world's network client.
    impact_effect(gfx& g, const trace_hit& hit, float size, sector* in_sector, bool echo);
    impact_effect(gfx& g, const vec3& point, const vec3& normal, sector* in_sector, bool echo);
    impact_effect(gfx& g, const vec3& point, const vec3& normal, const surface_material* material,
                  sector* in_sector, bool echo);
    ~impact_effect() override;

    effect_class kind() const override { return effect_class::impact; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return parts; }
    mesh* part_mesh(int32_t i) override;
    mat4 part_matrix(gfx& g, int32_t i) override;

    vec3 position;
    vec3 normal;
    vec3 splash_scale;
    float size = kImpactDefaultSize;
    sector* in_sector = nullptr;
    std::string smoke_texture = kImpactSmokeTexture;
    std::string impact_texture = kImpactHoleTexture;
    std::string hit_sound = kImpactHitSound;
    int32_t parts = 0;
    std::unique_ptr<mesh> first_mesh;   // hole decal or splash
    std::unique_ptr<mesh> second_mesh;  // smoke
    timer clock;
    mat4 placement;
    int32_t lifetime_ms = 0;
    uint8_t water = 0;
    uint8_t second_ripple_done = 0;
    float smoke_offset = 0.0f;
    int32_t next_frame_ms = 0;  // on water: the time of the last step
    int32_t detail = 0;
    const mat4* object_matrix = nullptr;  // the hit level object's placement, or null

private:
    void set_defaults();
    void take_material(const surface_material* material);
    void offset_depth(gfx& g);
    void ordinary_step(gfx& g);
    void water_step(gfx& g);
    void make_ripple(gfx& g);
    void play_hit_sound() const;
};

}  // namespace kv
