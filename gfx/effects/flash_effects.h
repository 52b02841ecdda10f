#pragma once
// The small effects: the muzzle flash a weapon shows for one frame, the white-out of a flash
// explosion the player can see (it holds 5 s, then fades over 15 s), the red flash of a hit
// (750 ms) and the scrolling of the level's water textures (at most 30 steps a second).

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/effects/effect.h"
#include "kernel/timer.h"
#include "util/vec3.h"

namespace kv {

class sector;

class weapon_model_effect : public effect {
public:
    weapon_model_effect(const mat4& placement, const std::string& front, const std::string& side,
                        uint8_t side_view);
    ~weapon_model_effect() override;

    effect_class kind() const override { return effect_class::weapon_model; }
    // Drawn in the passes of one frame: until 4 ms after its first pass.
    bool alive() override;
    void prepare(gfx& g) override;
    int32_t part_count() override { return flash ? 1 : 0; }
    mesh* part_mesh(int32_t) override { return flash.get(); }
    mat4 part_matrix(gfx&, int32_t) override { return placement; }
    // A first-person object while the front end draws those (the front flash only).
    const uint32_t* draw_flags(gfx& g) override;

    float scale[3] = {1.0f, 1.0f, 1.0f};
    timer clock;
    std::unique_ptr<mesh> flash;
    std::string front_texture;
    std::string side_texture;
    int32_t front_layer = -1;
    int32_t side_layer = -1;
    mat4 placement;
    uint8_t not_started = 1;
    uint8_t side_view = 0;
};

class screen_tint_effect : public effect {
public:
    explicit screen_tint_effect(sector* in_sector);

    effect_class kind() const override { return effect_class::screen_tint; }
    bool alive() override { return live != 0; }
    void prepare(gfx&) override {}
    int32_t part_count() override { return 0; }
    mesh* part_mesh(int32_t) override { return nullptr; }
    mat4 part_matrix(gfx&, int32_t) override { return kMat4Identity; }
    void draw_overlay(gfx& g) override;

    // Measures the flash at the position from the camera: nothing when it is too far, behind
    // something solid or the sector is unknown; else the starting white.
    void set_up(gfx& g, const vec3& position);

    uint8_t live = 0;
    int32_t accumulated_ms = 0;
    int32_t hold_ms = 5000;
    float level = 1.0f;
    timer clock;
    uint8_t colour[4] = {255, 255, 255, 255};
    sector* in_sector = nullptr;
};

class red_flash_effect : public effect {
public:
    red_flash_effect();

    effect_class kind() const override { return effect_class::red_flash; }
    bool alive() override { return live != 0; }
    void prepare(gfx&) override {}
    int32_t part_count() override { return 0; }
    mesh* part_mesh(int32_t) override { return nullptr; }
    mat4 part_matrix(gfx&, int32_t) override { return kMat4Identity; }
    void draw_overlay(gfx& g) override;

    uint8_t live = 1;
    uint8_t colour[4] = {180, 0, 0, 255};
    timer clock;
};

class texture_scroll_effect : public effect {
public:
    effect_class kind() const override { return effect_class::texture_scroll; }
    bool alive() override { return true; }
    // Moves the texture coordinates of every water instance's meshes by one step of its flow.
    void prepare(gfx& g) override;
    int32_t part_count() override { return 0; }
    mesh* part_mesh(int32_t) override { return nullptr; }
    mat4 part_matrix(gfx&, int32_t) override { return kMat4Identity; }

    timer clock;
};

}  // namespace kv
