#include "gfx/effects/effect_manager.h"

#include <algorithm>
#include <cmath>

#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/shader.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "platform/random.h"
#include "sound/sound_system.h"
#include "util/token_list.h"
#include "world/mesh.h"

namespace kv {
namespace {

// Effect sounds play on the game's positioned channel.
constexpr int32_t kEffectSoundChannel = 2;
// A normal whose x and z are both below this is taken as vertical.
constexpr float kVerticalTolerance = 1.0f / 64.0f;
// Effect meshes are drawn as the sector drawing's parts at this detail level.
constexpr int32_t kEffectDetailLevel = 100;

using effect_iterator = std::list<std::unique_ptr<effect>>::iterator;

effect_iterator delete_effect(effect_list& list, effect_iterator it) {
    if (it->get() == list.last_effect) list.last_effect = nullptr;
    it = list.items.erase(it);
    --list.count;
    return it;
}

// Runs the layer's shader, or, while it has none, makes its map current.
void apply_layer(gfx& g, surface& s, uint16_t layer) {
    if (layer >= s.descriptions.size()) return;
    const token_list* description = s.descriptions[layer].get();
    layer_state state;
    if (layer < s.shaders.size() && s.shaders[layer]) {
        shader_run(*s.shaders[layer], g, description, state);
    } else if (description && token_list_kind(*description, 2) == kTokenString) {
        gfx_load_texture(g, token_list_get_string(*description, 2), state, false);
    }
}

}  // namespace

surface& effect::effect_surface(gfx& g) {
    return g.effects.effect_surface;
}

uint32_t gfx_append_effect(gfx& g, std::unique_ptr<effect> e) {
    if (!e) return g.effects.count;
    g.effects.items.push_back(std::move(e));
    return ++g.effects.count;
}

void gfx_render_effects(gfx& g) {
    effect_list& list = g.effects;
    const uint32_t* remembered = list.draw_flags;
    const effect_part_drawer draw = list.drawer ? list.drawer : gfx_draw_effect_part;
    for (auto it = list.items.begin(); it != list.items.end();) {
        effect& e = **it;
        if (!e.alive()) {
            it = delete_effect(list, it);
            continue;
        }
        list.draw_flags = e.draw_flags(g);
        e.prepare(g);
        for (int32_t i = 0; i < e.part_count(); ++i) {
            mesh* m = e.part_mesh(i);
            if (!m) continue;
            view_stack_push_matrix(g.views, e.part_matrix(g, i));
            draw(g, *m, e.effect_surface(g));
            view_stack_pop_matrix(g.views);
        }
        ++it;
    }
    list.draw_flags = remembered;
}

void gfx_draw_effect_overlays(gfx& g) {
    effect_list& list = g.effects;
    for (auto it = list.items.begin(); it != list.items.end();) {
        if (!(*it)->alive()) {
            it = delete_effect(list, it);
            continue;
        }
        (*it)->draw_overlay(g);
        ++it;
    }
}

void gfx_drop_effects(gfx& g) {
    effect_list& list = g.effects;
    for (auto it = list.items.begin(); it != list.items.end();) it = delete_effect(list, it);
}

void gfx_clear_effects(gfx& g) {
    gfx_drop_effects(g);
    std::deque<mesh*>& broken = g.effects.broken_meshes;
    while (!broken.empty()) {
        if (broken.back()) mesh_repair(*broken.back());
        broken.pop_back();
    }
}

void effect_surface_reset(gfx& g) {
    g.effects.effect_surface = surface();
}

void gfx_reset_effects(gfx& g) {
    gfx_clear_effects(g);
    effect_surface_reset(g);
}

void gfx_set_effect_part_drawer(gfx& g, effect_part_drawer drawer) {
    g.effects.drawer = drawer;
}

void gfx_draw_effect_part(gfx& g, mesh& m, surface& s) {
    if (!g.driver) return;
    mesh_part* part = mesh_find_part(m, kEffectDetailLevel);
    if (!part) return;
    const int32_t format = m.primitive_kind == kMeshQuads ? kIndexQuads : kIndexTriangles;
    const std::span<mesh_vertex> vertices = m.vertices();
    g.driver->set_modelview(view_stack_top(g.views), false);
    for (const mesh_draw_record& d : part->draws) {
        apply_layer(g, s, d.draw_id);
        g.driver->draw_mesh(vertices.data(), format, part->indices.data() + d.first_index, d.primitive_count,
                            false, nullptr);
    }
}

server& effect_world(gfx& g) {
    return g.effects.world ? *g.effects.world : server_get();
}

int32_t effect_register_texture(gfx& g, const std::string& name) {
    return surface_basicmap_layer(g.effects.effect_surface, effect_world(g), name);
}

mat4 effect_camera(const gfx& g) {
    return mat4_inverse_rigid(g.views.view_matrix);
}

std::unique_ptr<mesh> effect_quad(const float (&vertices)[20], int32_t layer) {
    static constexpr uint32_t kQuad[4] = {0, 1, 2, 3};
    return mesh_create(kMeshQuads, 4, vertices, 4, kQuad, static_cast<uint16_t>(std::max(layer, 0)),
                       kMeshPartIntact);
}

vec3 effect_tangent(const vec3& n) {
    vec3 t{-n.z, 0.0f, n.x};
    if (std::fabs(n.x) < kVerticalTolerance && std::fabs(n.z) < kVerticalTolerance) t = {-n.y, n.x, 0.0f};
    if (vec3_length_sq(t) == 0.0f) t = {1.0f, 0.0f, 0.0f};
    return -vec3_normalise(t);
}

mat4 effect_axes(const vec3& x, const vec3& y, const vec3& z, const vec3& origin) {
    mat4 m;
    mat4_set_row0(m, x.x, x.y, x.z);
    mat4_set_row1(m, y.x, y.y, y.z);
    mat4_set_row2(m, z.x, z.y, z.z);
    mat4_set_row3(m, origin.x, origin.y, origin.z);
    m.m[15] = 1.0f;
    return m;
}

int32_t effect_sector_index(gfx& g, const sector* s) {
    if (!s) return -1;
    server& world = effect_world(g);
    const package* level = package_list_find(world.packages, world.current_level_name);
    return level ? package_sector_index(*level, s) : -1;
}

sector* effect_sector_at(gfx& g, int32_t index) {
    server& world = effect_world(g);
    const package* level = package_list_find(world.packages, world.current_level_name);
    if (!level || index < 0 || index >= object_table_count(level->sectors)) return nullptr;
    return level->sectors.items[static_cast<std::size_t>(index)];
}

int32_t effect_surface_index(gfx& g, const surface* s) {
    if (!s) return -1;
    server& world = effect_world(g);
    const package* level = package_list_find(world.packages, world.current_level_name);
    return level ? package_surface_index(*level, s) : -1;
}

surface* effect_surface_at(gfx& g, int32_t index) {
    server& world = effect_world(g);
    const package* level = package_list_find(world.packages, world.current_level_name);
    if (!level || index < 0 || index >= object_table_count(level->surfaces)) return nullptr;
    return level->surfaces.items[static_cast<std::size_t>(index)];
}

mesh* effect_geometry_mesh(gfx& g, uint32_t key) {
    server& world = effect_world(g);
    const package* level = package_list_find(world.packages, world.current_level_name);
    return level ? package_find_geometry_item(*level, key) : nullptr;
}

void effect_play_sound(const std::string& name, const sector* in_sector, const vec3& at, float min_distance,
                       float max_distance) {
    snd_play_3d(kernel_get().sound, kEffectSoundChannel, name, reinterpret_cast<uintptr_t>(in_sector), at,
                vec3{}, vec3{0.0f, 0.0f, -1.0f}, min_distance, max_distance, 360.0f, 360.0f, 0, 0, 0, false);
}

char effect_random_digit() {
    const float r = static_cast<float>(kv_rand());
    if (r > 24575.25f) return '4';
    if (r > 16383.5f) return '3';
    if (r > 8191.75f) return '2';
    return '1';
}

}  // namespace kv
