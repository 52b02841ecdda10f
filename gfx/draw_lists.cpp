#include "gfx/draw_lists.h"

#include <span>

#include "beings/dropped_weapon.h"
#include "beings/entity.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/portal_walk.h"
#include "gfx/shader.h"
#include "gfx/surface.h"
#include "kernel/log.h"
#include "world/lmap_binding.h"
#include "world/mesh.h"

namespace kv {
namespace {

// A colour table of fewer entries than this is one constant colour.
constexpr std::size_t kPerVertexColours = 2;
constexpr std::size_t kColourBytes = 4;

struct layer_walk {
    uint32_t material = 0;
    uint32_t counter = 0;
    const shader* found = nullptr;
    const token_list* layer = nullptr;
    bool stopped = false;
};

void walk_layers(layer_walk& w, const surface& s, int depth) {
    for (std::size_t i = 0; i < s.descriptions.size() && !w.stopped; ++i) {
        const shader* sh = i < s.shaders.size() ? s.shaders[i] : nullptr;
        const surface* below = i < s.references.size() ? s.references[i] : nullptr;
        if (sh) {
            w.found = sh;
            w.layer = s.descriptions[i].get();
        } else if (below && depth + 1 < kMaxSurfaceDepth) {
            walk_layers(w, *below, depth + 1);
            if (w.stopped) return;
        } else {
            // A layer without a shader draws nothing.
            w.found = nullptr;
            w.layer = nullptr;
        }
        ++w.counter;
        if (w.counter > w.material) w.stopped = true;
    }
}

std::vector<draw_batch>& kind_batches(gfx& g, uint8_t kind) {
    return g.draw.batches[kind];
}

// The middle of the mesh's box taken through the transform.
vec3 eye_centre(const mesh& m, const mat4& transform) {
    const box3 box = box3_transform(mesh_bounds(m), transform);
    return (box.min + box.max) * 0.5f;
}

float length_sq(const vec3& v) {
    return v.x * v.x + v.y * v.y + v.z * v.z;
}

// The colour data and the mode the driver's colour array gets for the item, and the colours
// `draw_mesh` gets with it.
struct item_colours {
    const uint8_t* data = nullptr;
    int32_t mode = 0;
    const uint8_t* mesh_colours = nullptr;
};

item_colours colours_of(const gfx& g, const draw_item& item, bool array_path) {
    item_colours c;
    if (!g.switches.lighting) return c;
    if (g.switches.dynamic_lights >= 1 && item.light) {
        c.data = item.light;
        c.mode = 1;
        return c;
    }
    if (!item.lightmap || item.lightmap->colours.empty()) return c;
    const std::size_t count = item.lightmap->colours.size() / kColourBytes;
    c.data = item.lightmap->colours.data();
    if (array_path) {
        c.mode = static_cast<int32_t>(count);
    } else {
        c.mode = count < kPerVertexColours ? 1 : 0;
    }
    if (c.mode != 1) c.mesh_colours = c.data;
    return c;
}

void set_layers(gfx& g, const draw_item& item, const item_colours& c) {
    gfx_driver& d = *g.driver;
    d.set_colour_array(c.data, c.mode);
    const lmap_binding* b = g.switches.lighting ? item.lightmap : nullptr;
    if (b && !b->coords.empty() && !b->textures.empty()) {
        d.set_lightmap_layer(reinterpret_cast<const float*>(b->coords.data()), b->textures.data());
    } else {
        d.set_lightmap_layer(nullptr, nullptr);
    }
    d.set_modelview(item.transform, false);
}

const uint16_t* indices_of(const draw_item& item) {
    return item.part->indices.data() + item.record->first_index;
}

void draw_by_mesh(gfx& g, const draw_item& item, bool cull) {
    const item_colours c = colours_of(g, item, false);
    set_layers(g, item, c);
    const std::span<mesh_vertex> vertices = item.owner->vertices();
    const int32_t drawn = g.driver->draw_mesh(vertices.data(), item.owner->primitive_kind, indices_of(item),
                                              item.record->primitive_count, cull, c.mesh_colours);
    g.counters.triangles += drawn;
}

void draw_by_arrays(gfx& g, const draw_item& item, bool cull) {
    const int32_t kind = item.owner->primitive_kind;
    if (kind == kMeshPolygons) return;
    const item_colours c = colours_of(g, item, true);
    set_layers(g, item, c);
    gfx_driver& d = *g.driver;
    const std::span<mesh_vertex> vertices = item.owner->vertices();
    const auto count = static_cast<int32_t>(vertices.size());
    d.set_vertex_array(vertices.data(), count);
    d.lock_arrays(0, count);
    const uint16_t* indices = indices_of(item);
    const int32_t primitives = item.record->primitive_count;
    if (kind == kMeshPolygonsAlt) {
        d.draw_strips(indices, primitives, cull);
    } else if (kind == kMeshTriangles) {
        d.draw_triangles(indices, primitives, cull);
    } else if (kind == kMeshQuads) {
        d.draw_quads(indices, primitives, cull);
    }
    d.unlock_arrays();
}

void draw_by_lamp(gfx& g, const draw_item& item, bool cull) {
    mesh& m = *item.owner;
    if (m.lit_index < 0 || static_cast<std::size_t>(m.lit_index) >= lamp_lit_count()) return;
    const lamp_lit& lit = lamp_lit_entry(static_cast<std::size_t>(m.lit_index));
    if (!lit.source || !lit.source->tex) return;
    texture& tex = *lit.source->tex;
    g.driver->bind_texture_clamped(tex);
    std::vector<lamp_uv>& coords = g.draw.lamp_coords;
    lamp_face_intersect(*lit.source, *item.part, m.vertices(), coords);
    g.driver->set_lamp_layer(coords.empty() ? nullptr : &coords.front().u, &tex);
    draw_by_mesh(g, item, cull);
}

// Runs the batch's layer and draws the items by the path of the pass.
void draw_items(gfx& g, draw_batch& batch, std::span<const draw_item> items) {
    if (items.empty() || !g.driver) return;
    layer_state state;
    state.culling = g.options.bfcull_on ? 1 : 0;
    if (batch.layer_shader) shader_run(*batch.layer_shader, g, batch.layer, state);
    ++g.rti.shaders;
    ++g.draw.batches_drawn;
    if (state.has_alpha) state.culling = 0;
    g.driver->set_lamp_layer(nullptr, nullptr);
    const bool cull = state.culling != 0;
    for (const draw_item& item : items) {
        if (g.draw.pass == kPassLamp) {
            draw_by_lamp(g, item, cull);
        } else if (g.options.gfx_rpath == kRenderPathMesh) {
            draw_by_mesh(g, item, cull);
        } else {
            draw_by_arrays(g, item, cull);
        }
    }
    if (g.draw.pass == kPassLamp) g.driver->set_lamp_layer(nullptr, nullptr);
}

void draw_batches(gfx& g, std::vector<draw_batch>& batches) {
    for (draw_batch& batch : batches) {
        draw_items(g, batch, batch.items);
        batch.items.clear();
    }
}

void draw_entries(gfx& g, std::vector<draw_entry>& entries) {
    for (const draw_entry& entry : entries) {
        std::vector<draw_batch>& batches = kind_batches(g, entry.kind);
        if (entry.index >= batches.size()) continue;
        draw_items(g, batches[entry.index], std::span<const draw_item>(&entry.item, 1));
    }
}

void empty_batches(std::vector<draw_batch>& batches) {
    for (draw_batch& batch : batches) batch.items.clear();
}

}  // namespace

bool surface_find_layer(const surface& s, uint32_t material, const shader*& found, const token_list*& layer) {
    layer_walk w;
    w.material = material;
    walk_layers(w, s, 0);
    found = w.stopped ? w.found : nullptr;
    layer = w.stopped ? w.layer : nullptr;
    return found != nullptr;
}

int32_t draw_list_find_batch(gfx& g, uint8_t kind, const shader* layer_shader, const token_list* layer,
                             const layer_state& state) {
    std::vector<draw_batch>& batches = kind_batches(g, kind);
    for (std::size_t i = 0; i < batches.size(); ++i) {
        if (batches[i].layer_shader == layer_shader && batches[i].layer == layer) return static_cast<int32_t>(i);
    }
    if (batches.size() >= kMaxBatchesPerKind) {
        if (!g.draw.limit_logged) {
            log_write("gfx: *WARNING* Too many shader layers to draw - skipping.\n");
            g.draw.limit_logged = true;
        }
        return -1;
    }
    draw_batch batch;
    batch.layer_shader = layer_shader;
    batch.layer = layer;
    batch.state = state;
    batches.push_back(std::move(batch));
    return static_cast<int32_t>(batches.size() - 1);
}

void draw_list_submit(gfx& g, mesh& owner, const mesh_part& part, mesh_draw_record& record, const surface& s,
                      const mat4& transform, const lmap_binding* lightmap, const uint8_t* light) {
    draw_lists& lists = g.draw;
    const uint32_t* flags = g.context.flags;
    const bool first_person = flags && (*flags & kDrawFirstPerson);
    // A mesh shared by objects of other surfaces (or a first-person one) is sorted again for them.
    if (record.batch_generation != lists.generation || record.batch_surface != &s ||
        record.batch_first_person != first_person) {
        const shader* layer_shader = nullptr;
        const token_list* layer = nullptr;
        if (!surface_find_layer(s, record.draw_id, layer_shader, layer)) return;
        layer_state state;
        shader_run_dry(*layer_shader, g, layer, state);
        if (state.has_alpha) state.culling = 0;
        uint8_t kind = kBatchOpaque;
        if (first_person) {
            kind = kBatchFirstPerson;
        } else if (state.has_alpha && !state.alpha_used) {
            kind = kBatchTranslucent;
        }
        const int32_t index = draw_list_find_batch(g, kind, layer_shader, layer, state);
        if (index < 0) return;
        record.batch_kind = kind;
        record.batch_index = static_cast<uint32_t>(index);
        record.batch_generation = lists.generation;
        record.batch_surface = &s;
        record.batch_first_person = first_person;
    }
    std::vector<draw_batch>& batches = kind_batches(g, record.batch_kind);
    if (record.batch_index >= batches.size()) return;

    draw_item item;
    item.owner = &owner;
    item.part = &part;
    item.record = &record;
    item.lightmap = lightmap;
    item.light = light;
    item.transform = transform;

    if (record.batch_kind != kBatchTranslucent) {
        batches[record.batch_index].items.push_back(item);
        if (owner.lit_index >= 0) lists.lamp.push_back({record.batch_kind, record.batch_index, item});
    } else if (flags && *flags != 0) {
        lists.object_translucent.push_back({record.batch_kind, record.batch_index, item});
    } else {
        item.centre = eye_centre(owner, transform);
        const float distance = length_sq(item.centre);
        std::vector<draw_entry>& sorted = lists.sorted_translucent;
        auto at = sorted.begin();
        while (at != sorted.end() && !(length_sq(at->item.centre) < distance)) ++at;
        sorted.insert(at, {record.batch_kind, record.batch_index, item});
    }
    ++lists.submitted;
    ++g.rti.elements;
    ++g.counters.objects;
}

void draw_list_flush(gfx& g, int32_t pass) {
    draw_lists& lists = g.draw;
    lists.pass = pass;
    if (pass == kPassFirstPerson && !g.switches.wireframe && g.driver) g.driver->begin_frame();
    const bool draws = g.options.gfx_rpath < kRenderPathNone && g.driver;
    switch (pass) {
        case kPassOpaque:
            if (draws) draw_batches(g, lists.batches[kBatchOpaque]);
            empty_batches(lists.batches[kBatchOpaque]);
            break;
        case kPassFirstPerson:
            if (draws) draw_batches(g, lists.batches[kBatchFirstPerson]);
            empty_batches(lists.batches[kBatchFirstPerson]);
            break;
        case kPassTranslucent:
            if (draws) {
                draw_entries(g, lists.object_translucent);
                draw_entries(g, lists.sorted_translucent);
            }
            lists.object_translucent.clear();
            lists.sorted_translucent.clear();
            break;
        case kPassLamp:
            if (draws) draw_entries(g, lists.lamp);
            lists.lamp.clear();
            break;
        default:
            break;
    }
}

void draw_lists_reset(gfx& g) {
    draw_lists& lists = g.draw;
    for (std::vector<draw_batch>& batches : lists.batches) batches.clear();
    lists.sorted_translucent.clear();
    lists.object_translucent.clear();
    lists.lamp.clear();
    // 0 stays the mark of a record never sorted.
    if (++lists.generation == 0) lists.generation = 1;
}

void gfx_draw_helpers(gfx& g) {
    server& srv = server_get();
    for (const std::unique_ptr<entity>& e : srv.entities) {
        if (e && !e->parent) entity_render_hook(*e);
    }
    for (const std::unique_ptr<dropped_weapon>& w : srv.dropped_weapons) {
        if (w) dropped_weapon_draw(*w);
    }
    if (g.options.show_occluders && g.camera.in_sector) gfx_collect_occluders(g, *g.camera.in_sector, true);
}

}  // namespace kv
