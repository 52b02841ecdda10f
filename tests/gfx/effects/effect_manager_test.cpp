// The effect list's passes: dead effects go at the first pass that sees them, live ones are prepared
// and drawn under their own placement in the viewport being drawn; clearing deletes everything and
// mends the broken meshes; a reset empties the effect surface too.

#include "gfx/effects/effect_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/effects/flash_effects.h"
#include "tests/gfx/effects/effect_test_support.h"
#include "world/mesh.h"

namespace kv {
namespace {

// An effect that does what the test says and writes down what it was asked.
class scripted_effect : public effect {
public:
    scripted_effect(std::vector<std::string>& log, std::string name, int32_t parts)
        : log_(log), name_(std::move(name)), parts_(parts) {
        const float quad[20] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1};
        mesh_ = effect_quad(quad, 0);
        mat4_set_translation(placement_, 1.0f, 2.0f, 3.0f);
    }
    ~scripted_effect() override { log_.push_back(name_ + " deleted"); }

    effect_class kind() const override { return effect_class::red_flash; }
    bool alive() override { return live; }
    void prepare(gfx&) override { log_.push_back(name_ + " prepare"); }
    int32_t part_count() override { return parts_; }
    mesh* part_mesh(int32_t) override { return mesh_.get(); }
    mat4 part_matrix(gfx&, int32_t) override { return placement_; }
    void draw_overlay(gfx&) override { log_.push_back(name_ + " overlay"); }
    const uint32_t* draw_flags(gfx&) override { return &flags_; }

    bool live = true;

private:
    std::vector<std::string>& log_;
    std::string name_;
    int32_t parts_;
    std::unique_ptr<mesh> mesh_;
    mat4 placement_;
    uint32_t flags_ = 1;
};

// What the drawer is handed: the top of the view stack and the draw flags, per drawn part.
struct drawn_part {
    mat4 top;
    const uint32_t* flags;
};
std::vector<drawn_part>* g_drawn = nullptr;

void capture_part(gfx& g, mesh&, surface&) {
    g_drawn->push_back({view_stack_top(g.views), g.effects.draw_flags});
}

class EffectManager : public effect_test {
protected:
    void SetUp() override {
        effect_test::SetUp();
        g_drawn = &drawn_;
        view_stack_reset_matrices(g_.views);
    }
    void TearDown() override {
        g_drawn = nullptr;
        effect_test::TearDown();
    }

    scripted_effect* add(const std::string& name, int32_t parts = 1) {
        auto e = std::make_unique<scripted_effect>(log_, name, parts);
        scripted_effect* raw = e.get();
        g_.effects.last_effect = raw;
        gfx_append_effect(g_, std::move(e));
        return raw;
    }
    std::vector<std::string> take_log() { return std::exchange(log_, {}); }

    std::vector<std::string> log_;
    std::vector<drawn_part> drawn_;
};

TEST_F(EffectManager, ADeadEffectIsDeletedByTheNextPassAndNeverDrawnAgain) {
    gfx_set_effect_part_drawer(g_, capture_part);
    scripted_effect* a = add("a");
    add("b");
    EXPECT_EQ(g_.effects.count, 2u);

    gfx_render_effects(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"a prepare", "b prepare"}));
    EXPECT_EQ(drawn_.size(), 2u);

    // "a" dies: the effect pass deletes it before anything is drawn, and forgets it as the last effect.
    a->live = false;
    g_.effects.last_effect = a;
    drawn_.clear();
    gfx_render_effects(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"a deleted", "b prepare"}));
    EXPECT_EQ(drawn_.size(), 1u);
    EXPECT_EQ(g_.effects.count, 1u);
    EXPECT_EQ(g_.effects.last_effect, nullptr);

    // The overlay pass deletes just as well, when it comes first.
    scripted_effect* c = add("c");
    gfx_draw_effect_overlays(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"b overlay", "c overlay"}));
    c->live = false;
    gfx_draw_effect_overlays(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"b overlay", "c deleted"}));
    EXPECT_EQ(g_.effects.last_effect, nullptr);
    drawn_.clear();
    gfx_render_effects(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"b prepare"}));
    EXPECT_EQ(drawn_.size(), 1u);
    EXPECT_EQ(g_.effects.count, static_cast<uint32_t>(g_.effects.items.size()));
}

// Frames without a viewport still age the overlays: a red flash is gone after its 750 ms.
TEST_F(EffectManager, WithoutAViewportTheOverlayPassAgesEffects) {
    gfx_add_red_flash_effect(g_);
    gfx_forget_last_effect(g_);
    for (int i = 0; i < 10; ++i) {
        clock_.advance_ms(100);
        gfx_draw_effect_overlays(g_);
    }
    EXPECT_EQ(g_.effects.count, 0u);
}

// No parts: prepared every pass, nothing drawn; the draw flags are set per effect and put back.
TEST_F(EffectManager, APartCountOfZeroIsPreparedButDrawsNothing) {
    add("empty", 0);
    const uint32_t outer = 7;
    g_.effects.draw_flags = &outer;
    driver_->take_calls();
    gfx_render_effects(g_);
    gfx_render_effects(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"empty prepare", "empty prepare"}));
    EXPECT_EQ(driver_->take_calls(), std::vector<std::string>{});
    EXPECT_EQ(g_.effects.draw_flags, &outer);

    gfx_set_effect_part_drawer(g_, capture_part);
    add("one");
    gfx_render_effects(g_);
    ASSERT_EQ(drawn_.size(), 1u);
    ASSERT_NE(drawn_[0].flags, nullptr);
    EXPECT_EQ(*drawn_[0].flags, 1u);
    EXPECT_EQ(g_.effects.draw_flags, &outer);
}

// Each viewport's pass draws under that viewport's matrix with the part's placement on top, and
// leaves the stack as it found it.
TEST_F(EffectManager, PartsAreDrawnInTheViewportThatPreparedThem) {
    gfx_set_effect_part_drawer(g_, capture_part);
    add("a");
    for (float viewport : {10.0f, 20.0f}) {
        mat4 view;
        mat4_set_translation(view, viewport, 0.0f, 0.0f);
        view_stack_push_matrix(g_.views, view);
        gfx_render_effects(g_);
        view_stack_pop_matrix(g_.views);
    }
    ASSERT_EQ(drawn_.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const vec3 origin = mat4_transform_point(drawn_[static_cast<std::size_t>(i)].top, vec3{});
        EXPECT_FLOAT_EQ(origin.x, 1.0f + 10.0f * static_cast<float>(i + 1));
        EXPECT_FLOAT_EQ(origin.y, 2.0f);
        EXPECT_FLOAT_EQ(origin.z, 3.0f);
    }
    EXPECT_EQ(g_.views.matrices.size(), 1u);
}

// The default drawing goes straight to the driver: the layer's texture, then the quad.
TEST_F(EffectManager, TheDirectDrawingUsesTheLayersTexture) {
    write_plain_textures(folder_, "data/", {"hit_metal"});
    const int32_t layer = effect_register_texture(g_, "hit_metal");
    const float quad[20] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1};
    std::unique_ptr<mesh> m = effect_quad(quad, layer);
    ASSERT_TRUE(m);
    driver_->take_calls();
    gfx_draw_effect_part(g_, *m, g_.effects.effect_surface);
    const std::vector<std::string> calls = driver_->take_calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "draw_mesh 3 1 0 null");
    bool textured = false;
    for (const std::string& call : calls) textured |= call.starts_with("use_texture hit_metal");
    EXPECT_TRUE(textured) << testing::PrintToString(calls);
}

TEST_F(EffectManager, ClearingRepairsEveryBrokenMeshAndResettingEmptiesTheSurface) {
    const float quad[20] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1};
    std::unique_ptr<mesh> first = effect_quad(quad, 0);
    std::unique_ptr<mesh> second = effect_quad(quad, 0);
    for (mesh* m : {first.get(), second.get()}) {
        mesh_break(*m);
        g_.effects.broken_meshes.push_back(m);
    }
    add("a");
    gfx_clear_effects(g_);
    EXPECT_EQ(take_log(), (std::vector<std::string>{"a deleted"}));
    EXPECT_EQ(g_.effects.count, 0u);
    EXPECT_TRUE(g_.effects.broken_meshes.empty());
    EXPECT_FALSE(mesh_is_broken(*first));
    EXPECT_FALSE(mesh_is_broken(*second));

    EXPECT_EQ(effect_register_texture(g_, "hit_metal"), 0);
    EXPECT_EQ(effect_register_texture(g_, "hit_smoke"), 1);
    EXPECT_EQ(effect_register_texture(g_, "hit_metal"), 0);
    gfx_reset_effects(g_);
    EXPECT_TRUE(g_.effects.effect_surface.descriptions.empty());
    // The next effect makes its layer again.
    EXPECT_EQ(effect_register_texture(g_, "hit_smoke"), 0);
    EXPECT_EQ(g_.effects.effect_surface.descriptions.size(), 1u);
}

// A dedicated server draws nothing: its kernel tick drops the effects once a pass, broken panes stay.
TEST_F(EffectManager, ADedicatedServerEmptiesTheListEveryPass) {
    kernel& k = kernel_get();
    const bool no_render = k.no_render;
    const bool running = k.running;
    k.no_render = true;
    k.running = true;
    const float quad[20] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1};
    std::unique_ptr<mesh> pane = effect_quad(quad, 0);
    mesh_break(*pane);
    k.graphics.effects.broken_meshes.push_back(pane.get());
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < 2000; ++i)
            gfx_add_blast_impact_effect(k.graphics, {static_cast<float>(i), 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
                                        nullptr);
        EXPECT_EQ(k.graphics.effects.count, 2000u);
        kernel_tick(k);
        EXPECT_EQ(k.graphics.effects.count, 0u);
        EXPECT_TRUE(k.graphics.effects.items.empty());
        EXPECT_EQ(k.graphics.effects.last_effect, nullptr);
    }
    EXPECT_EQ(k.graphics.effects.broken_meshes.size(), 1u);
    EXPECT_TRUE(mesh_is_broken(*pane));
    k.graphics.effects.broken_meshes.clear();
    k.no_render = no_render;
    k.running = running;
}

}  // namespace
}  // namespace kv
