#include "gfx/effects/effect_ops.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "game/server.h"
#include "gfx/effects/effect_manager.h"
#include "gfx/effects/explosion_effect.h"
#include "gfx/effects/flash_effects.h"
#include "gfx/effects/glass_shatter_effect.h"
#include "gfx/effects/impact_effect.h"
#include "gfx/effects/shell_effect.h"
#include "gfx/effects/smoke_effect.h"
#include "gfx/effects/water_ripple_effect.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "world/mesh.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {
namespace {

// Longest texture name an event may carry.
constexpr std::size_t kLongestTextureName = 63;

bool finite(const vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A name to paint with: letters, digits, '_', '-' and '.', 1 to 63 of them, not "." or "..".
bool plain_texture_name(const std::string& name) {
    if (name.empty() || name.size() > kLongestTextureName || name == "." || name == "..") return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.';
    });
}

// Replaces the texture when the name is one to use; an empty or unusable name keeps it.
void take_texture(std::string& texture, const std::string& name) {
    if (plain_texture_name(name)) texture = name;
}

// The name when it is one to use, else the empty name that keeps the texture.
std::string usable(const std::string& name) {
    return plain_texture_name(name) ? name : std::string();
}

// Replayed events with impossible numbers are dropped, with one line per received batch.
bool refuse_numbers(gfx& g, const char* what) {
    if (!g.effects.refusal_logged) {
        log_write("gfx: *WARNING* %s effect with a value that is not a number refused.\n", what);
        g.effects.refusal_logged = true;
    }
    return false;
}

template <class T>
T* last_of(gfx& g, effect_class kind) {
    effect* e = g.effects.last_effect;
    return e && e->kind() == kind ? static_cast<T*>(e) : nullptr;
}

template <class T>
T* add(gfx& g, std::unique_ptr<T> e) {
    T* raw = e.get();
    g.effects.last_effect = raw;
    gfx_append_effect(g, std::move(e));
    return raw;
}

net_client& client_of(gfx& g) {
    return effect_world(g).client;
}

uint8_t ripple_sector_byte(int32_t index) {
    return index >= 0 && index < 256 ? static_cast<uint8_t>(index) : 0;
}

}  // namespace

void gfx_add_impact_effect(gfx& g, const trace_hit& hit, float size, sector* in_sector) {
    add(g, std::make_unique<impact_effect>(g, hit, size, in_sector, gfx_effect_echo(g)));
}

void gfx_add_blast_impact_effect(gfx& g, const vec3& point, const vec3& normal, sector* in_sector) {
    add(g, std::make_unique<impact_effect>(g, point, normal, in_sector, gfx_effect_echo(g)));
}

void gfx_add_impact_effect_from_net(gfx& g, const vec3& point, const vec3& normal, int32_t material,
                                    int32_t sector_index) {
    if (!finite(point) || !finite(normal)) {
        g.effects.last_effect = nullptr;
        refuse_numbers(g, "impact");
        return;
    }
    const surface_material* row = material >= 0 && material < kSurfaceWireNone
                                      ? surface_table_at(kernel_get().surfaces, material)
                                      : nullptr;
    add(g, std::make_unique<impact_effect>(g, point, normal, row, effect_sector_at(g, sector_index),
                                           gfx_effect_echo(g)));
}

void gfx_set_impact_effect(gfx& g, const std::string& smoke, const std::string& hole, uint8_t water,
                           float size) {
    impact_effect* e = last_of<impact_effect>(g, effect_class::impact);
    if (!e) return;
    if (!std::isfinite(size)) {
        refuse_numbers(g, "impact");
        return;
    }
    take_texture(e->smoke_texture, smoke);
    take_texture(e->impact_texture, hole);
    e->water = water;
    e->size = size;
    if (gfx_effect_echo(g)) client_write_impact_params_event(client_of(g), smoke, hole, water, size);
}

void gfx_add_explosion_effect(gfx& g, const vec3& position, const vec3& scale) {
    if (!finite(position) || !finite(scale)) {
        g.effects.last_effect = nullptr;
        refuse_numbers(g, "explosion");
        return;
    }
    add(g, std::make_unique<explosion_effect>(position, scale));
    if (gfx_effect_echo(g)) client_write_explosion_event(client_of(g), position, scale);
}

void gfx_set_explosion_effect(gfx& g, const std::string& first, uint8_t first_on, const std::string& second,
                              uint8_t second_on) {
    explosion_effect* e = last_of<explosion_effect>(g, effect_class::explosion);
    if (!e) return;
    e->set_parts(usable(first), first_on, usable(second), second_on);
    if (gfx_effect_echo(g))
        client_write_explosion_params_event(client_of(g), first, first_on, second, second_on);
}

void gfx_add_smoke_effect(gfx& g, const vec3& position, const vec3& velocity) {
    if (!finite(position) || !finite(velocity)) {
        g.effects.last_effect = nullptr;
        refuse_numbers(g, "smoke");
        return;
    }
    add(g, std::make_unique<smoke_effect>(position, velocity));
    if (gfx_effect_echo(g)) client_write_smoke_event(client_of(g), position, velocity);
}

void gfx_set_smoke_effect(gfx& g, const std::string& texture) {
    smoke_effect* e = last_of<smoke_effect>(g, effect_class::smoke);
    if (!e) return;
    take_texture(e->texture, texture);
    if (gfx_effect_echo(g)) client_write_smoke_param_event(client_of(g), texture);
}

namespace {

// The pane breaks at once, so that a process that draws nothing keeps it broken too and a second
// blast before the next frame finds it broken.
void shatter(gfx& g, mesh& pane, surface* pane_surface, sector* in_sector, bool echo) {
    add(g, std::make_unique<glass_shatter_effect>(g, &pane, pane_surface, in_sector, echo));
    g.effects.broken_meshes.push_back(&pane);
    mesh_break(pane);
}

}  // namespace

void gfx_add_glass_shatter_effect(gfx& g, const trace_hit& hit, sector* in_sector) {
    if (!hit.hit_mesh || mesh_is_broken(*hit.hit_mesh)) return;
    // Sent whatever the echo flag: every participant must see the pane go.
    shatter(g, *hit.hit_mesh, hit.surf, in_sector, true);
}

void gfx_add_glass_shatter_effect_by_ids(gfx& g, uint16_t key, int32_t surface_index, int32_t sector_index) {
    mesh* pane = effect_geometry_mesh(g, key);
    surface* pane_surface = effect_surface_at(g, surface_index);
    sector* in_sector = effect_sector_at(g, sector_index);
    if (!pane || !pane_surface || !in_sector || mesh_is_broken(*pane)) return;
    shatter(g, *pane, pane_surface, in_sector, false);
}

void gfx_add_water_ripple_effect(gfx& g, const vec3& position, float size, sector* in_sector) {
    add(g, std::make_unique<water_ripple_effect>(position, size, in_sector));
    if (gfx_effect_echo(g))
        client_write_water_ripple_event(client_of(g), position, size,
                                        ripple_sector_byte(effect_sector_index(g, in_sector)));
}

void gfx_add_water_ripple_effect_from_net(gfx& g, const vec3& position, float size, int32_t sector_index) {
    if (!finite(position) || !std::isfinite(size)) {
        g.effects.last_effect = nullptr;
        refuse_numbers(g, "ripple");
        return;
    }
    add(g, std::make_unique<water_ripple_effect>(position, size, effect_sector_at(g, sector_index)));
    if (gfx_effect_echo(g))
        client_write_water_ripple_event(client_of(g), position, size, ripple_sector_byte(sector_index));
}

void gfx_set_water_ripple_effect(gfx& g, const std::string& texture, uint32_t lifetime, uint8_t flag) {
    water_ripple_effect* e = last_of<water_ripple_effect>(g, effect_class::water_ripple);
    if (!e) return;
    take_texture(e->texture, texture);
    // A ripple shown at all keeps its lifetime; one switched off at low detail stays off.
    if (e->parts > 0) e->lifetime_ms = static_cast<int32_t>(std::min(lifetime, kRippleLongestMs));
    e->sound = flag;
    if (gfx_effect_echo(g)) client_write_water_ripple_params_event(client_of(g), texture, lifetime, flag);
}

void gfx_set_water_ripple_effect(gfx& g, const std::string& texture, int32_t lifetime, int32_t flag) {
    gfx_set_water_ripple_effect(g, texture, static_cast<uint32_t>(std::max(lifetime, 0)),
                                static_cast<uint8_t>(flag != 0 ? 1 : 0));
}

void gfx_add_shell_effect(gfx& g, const mat4& placement, sector* in_sector) {
    add(g, std::make_unique<shell_effect>(g, placement, in_sector));
}

void gfx_add_weapon_model_effect(gfx& g, const mat4& placement, const std::string& front,
                                 const std::string& side, uint8_t side_view) {
    add(g, std::make_unique<weapon_model_effect>(placement, front, side, side_view));
}

void gfx_add_weapon_model_effect(gfx& g, const vec3& point, const std::string& front, const std::string& side,
                                 int32_t side_view) {
    mat4 placement;
    mat4_set_translation(placement, point.x, point.y, point.z);
    gfx_add_weapon_model_effect(g, placement, front, side, static_cast<uint8_t>(side_view != 0 ? 1 : 0));
}

void gfx_set_weapon_model_effect(gfx& g, float scale) {
    weapon_model_effect* e = last_of<weapon_model_effect>(g, effect_class::weapon_model);
    if (!e || !std::isfinite(scale)) return;
    e->scale[0] = e->scale[1] = e->scale[2] = scale;
}

void gfx_set_weapon_model_effect(gfx& g, float scale, float) {
    gfx_set_weapon_model_effect(g, scale);
}

void gfx_add_screen_tint_effect(gfx& g, uint32_t sector_index, const vec3& position) {
    if (!finite(position)) {
        g.effects.last_effect = nullptr;
        refuse_numbers(g, "screen flash");
        return;
    }
    const int32_t index =
        sector_index <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int32_t>(sector_index) : -1;
    screen_tint_effect* e = add(g, std::make_unique<screen_tint_effect>(effect_sector_at(g, index)));
    e->set_up(g, position);
    if (gfx_effect_echo(g)) client_write_screen_tint_event(client_of(g), sector_index, position);
}

void gfx_add_red_flash_effect(gfx& g) {
    add(g, std::make_unique<red_flash_effect>());
}

void gfx_add_texture_scroll_effect(gfx& g) {
    add(g, std::make_unique<texture_scroll_effect>());
}

void gfx_forget_last_effect(gfx& g) {
    g.effects.last_effect = nullptr;
}

void gfx_set_effect_echo(gfx& g, bool echo) {
    g.switches.effect_echo = echo;
    // A new batch of received events may log its refusal again.
    if (!echo) g.effects.refusal_logged = false;
}

bool gfx_effect_echo(gfx& g) {
    return g.switches.effect_echo;
}

}  // namespace kv
