#pragma once
// A window pane shattering: the pane's mesh is broken (no longer drawn or hit), "break_glass" plays
// at the pane, and ten flat shards cut at random from the pane's outline fly apart a little, fall
// and settle on the floor below, drawn with the pane's own surface. The shards go after 40 s (less
// at lower detail); the pane stays broken until the effects are cleared.

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"
#include "world/mesh.h"

namespace kv {

class sector;
struct surface;

inline constexpr const char* kGlassBreakSound = "break_glass";
inline constexpr int32_t kGlassShards = 10;
inline constexpr int32_t kGlassLifetimeMs = 40000;
inline constexpr float kGlassGravity = 0.001f;
// Shards come to rest this far above the floor.
inline constexpr float kGlassFloorLift = 3.0f;
// Vertices this close to the plane of the pane's first face belong to its outline.
inline constexpr float kGlassPlaneTolerance = 0.01f;

struct glass_shard {
    mesh_vertex corners[4];  // relative to the displacement once the shard has been cut
    vec3 displacement;       // the shard's centre
    vec3 velocity;
};

class glass_shatter_effect : public effect {
public:
    // From a hit on the pane, or with the pane, its surface and sector looked up. The mesh must be
    // the pane's own (it is broken on the first pass). With `echo` the construction writes its event.
    glass_shatter_effect(gfx& g, mesh* pane, surface* pane_surface, sector* in_sector, bool echo);
    ~glass_shatter_effect() override;

    effect_class kind() const override { return effect_class::glass_shatter; }
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return shard_mesh ? 1 : 0; }
    mesh* part_mesh(int32_t) override { return shard_mesh.get(); }
    mat4 part_matrix(gfx&, int32_t) override { return placement; }
    surface& effect_surface(gfx& g) override;

    // The pane's corners: the outline vertices of its first face's plane, at most four, in order
    // around the outline. Fewer than four when the pane has no such outline.
    static std::vector<mesh_vertex> outline(const mesh& pane);

    sector* in_sector = nullptr;
    surface* pane_surface = nullptr;
    mesh* pane = nullptr;
    std::unique_ptr<mesh> shard_mesh;
    mat4 placement;
    timer clock;
    uint8_t live = 1;
    int32_t target_shards = kGlassShards;
    int32_t shard_count = 0;
    float previous_ms = 0.0f;
    float current_ms = 0.0f;
    float gravity = kGlassGravity;
    int32_t lifetime_ms = kGlassLifetimeMs;
    float floor_height = 0.0f;
    std::vector<glass_shard> shards;
    bool built = false;

private:
    void build();
    bool split(int32_t index);
    void move();
};

}  // namespace kv
