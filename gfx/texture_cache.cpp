#include "gfx/texture_cache.h"

#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/log.h"

namespace kv {
namespace {

texture* find_stamped(gfx& g, const std::string& name) {
    const auto it = g.texture_index.find(name);
    if (it == g.texture_index.end()) return nullptr;
    it->second->use_stamp = ++g.texture_use_counter;
    return it->second;
}

texture* find_or_create(gfx& g, const std::string& name) {
    if (texture* found = find_stamped(g, name)) return found;
    g.textures.push_back(texture_create(name));
    texture* made = g.textures.back().get();
    g.texture_index.emplace(name, made);
    made->use_stamp = ++g.texture_use_counter;
    return made;
}

}  // namespace

texture* gfx_find_texture(gfx& g, const std::string& name) {
    return find_stamped(g, name);
}

void gfx_draw_textured_rect(gfx& g, texture& t, const float (&colour)[4], float left, float top, float width,
                            float height, const float (&texture_rect)[4]) {
    if (!g.driver) return;
    g.driver->draw_quad_uv_tinted(&t, {colour[0], colour[1], colour[2]}, {left, top, width, height},
                                  {texture_rect[0], texture_rect[1], texture_rect[2], texture_rect[3]});
}

void gfx_load_texture(gfx& g, const std::string& name, layer_state& state, bool no_upload) {
    texture* t = find_or_create(g, name);
    if (!t->uploaded && t->pixels.empty()) texture_load(*t, server_get(), g.driver.get());
    if (!texture_is_loaded(*t)) {
        if (!t->failure_reported) {
            log_write("failed - resorting to default one.\n");
            t->failure_reported = 1;
        }
        // The default texture is never replaced: when it is missing too the layer stays untextured.
        if (name != kDefaultTextureName) gfx_load_texture(g, kDefaultTextureName, state, no_upload);
        return;
    }
    if (!no_upload && g.driver) {
        g.driver->use_texture(*t, 0);
        if (t->uploaded) texture_free_pixels(*t);
    }
    state.has_alpha = texture_has_alpha(*t) ? 1 : 0;
    state.alpha_used = texture_has_two_level_alpha(*t) ? 1 : 0;
    g.texture_memory += t->memory_size;
}

void gfx_set_flat_colour(gfx& g, float r, float g_, float b) {
    if (g.driver) g.driver->set_colour({r, g_, b});
}

void gfx_texture_list_clear(gfx& g) {
    if (g.driver) {
        for (const auto& t : g.textures) {
            if (t->uploaded) g.driver->delete_texture(*t);
        }
    }
    g.texture_index.clear();
    g.textures.clear();
}

}  // namespace kv
