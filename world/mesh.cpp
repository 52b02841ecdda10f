#include "world/mesh.h"

#include <algorithm>

#include "beings/skeleton.h"
#include "data/package.h"
#include "data/qxps_stream.h"
#include "util/byte_order.h"
#include "util/polygon.h"
#include "util/text.h"
#include "util/triangle.h"
#include "world/hit_map.h"
#include "world/lamp.h"
#include "world/world_read.h"

namespace kv {
namespace {

constexpr uint16_t kSortKeyBias = 0x8000;

bool is_polygon_kind(int32_t kind) {
    return kind == kMeshPolygons || kind == kMeshPolygonsAlt;
}

// Indices per primitive for the fixed-size kinds; 0 for polygons and unknown kinds.
uint32_t primitive_size(int32_t kind) {
    return kind == kMeshTriangles ? 3 : kind == kMeshQuads ? 4 : 0;
}

void copy_arrays(mesh& out, const mesh& source) {
    out.id = source.id;
    out.box = source.box;
    out.vertex_count = source.vertex_count;
    out.primitive_kind = source.primitive_kind;
    out.rest_vertices = source.rest_vertices;
    out.parts = source.parts;
    for (mesh_part& part : out.parts) {
        for (mesh_draw_record& draw : part.draws) draw.owner = &out;
    }
    out.tree = source.tree;
    out.lit_index = -1;
}

// Whether the polygons of a part tile its index array exactly, each within the vertices; the start
// position of every polygon (its count) is marked in `starts`.
std::string check_polygons(const mesh_part& part, uint32_t vertex_count, std::vector<bool>& starts) {
    const std::size_t n = part.indices.size();
    starts.assign(n + 1, false);
    std::size_t pos = 0;
    while (pos < n) {
        starts[pos] = true;
        const std::size_t count = part.indices[pos];
        if (count > n - pos - 1) return str_format("polygon at index %zu runs past the index list", pos);
        for (std::size_t k = pos + 1; k <= pos + count; ++k) {
            if (part.indices[k] >= vertex_count) {
                return str_format("vertex index %u at %zu out of range", part.indices[k], k);
            }
        }
        pos += count + 1;
    }
    starts[n] = true;
    return {};
}

std::string check_part(const mesh& m, const mesh_part& part, std::size_t part_index) {
    const std::size_t n = part.indices.size();
    std::vector<bool> starts;
    if (is_polygon_kind(m.primitive_kind)) {
        std::string fault = check_polygons(part, m.vertex_count, starts);
        if (!fault.empty()) return str_format("part %zu: ", part_index) + fault;
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            if (part.indices[k] >= m.vertex_count) {
                return str_format("part %zu: vertex index %u at %zu out of range", part_index,
                                  part.indices[k], k);
            }
        }
    }
    for (std::size_t d = 0; d < part.draws.size(); ++d) {
        const mesh_draw_record& draw = part.draws[d];
        bool fits = draw.first_index <= n;
        if (fits && is_polygon_kind(m.primitive_kind)) {
            // A run of polygons may begin at its first polygon's count or at the first index after it.
            std::size_t pos = draw.first_index;
            if (!starts[pos] && pos > 0 && starts[pos - 1] && pos - 1 < n) --pos;
            fits = starts[pos];
            for (uint32_t p = 0; fits && p < draw.primitive_count; ++p) {
                fits = pos < n;
                if (fits) pos += static_cast<std::size_t>(part.indices[pos]) + 1;
            }
        } else if (fits) {
            fits = static_cast<uint64_t>(draw.first_index) +
                       static_cast<uint64_t>(draw.primitive_count) * primitive_size(m.primitive_kind) <=
                   n;
        }
        if (!fits) {
            return str_format("part %zu: draw record %zu (first index %u, %u primitives) out of range",
                              part_index, d, draw.first_index, draw.primitive_count);
        }
    }
    return {};
}

std::string mesh_name(const mesh& m) {
    return str_format("mesh (chunk %d)", static_cast<int32_t>(m.id));
}

// Index or node range value i of an array: a byte each for small meshes, else 16 bits.
uint16_t index_at(const uint8_t* p, std::size_t i, bool wide) {
    return wide ? be_load_u16(p + 2 * i) : p[i];
}

void read_mesh_body(qxps_stream& s, mesh& m) {
    const std::string what = mesh_name(m);
    m.box = world_read_box(s);
    m.vertex_count = qxps_stream_read_u16(s);
    const bool wide = m.vertex_count > 255;
    const uint64_t index_size = wide ? 2 : 1;
    const uint8_t* in = world_take(s, m.vertex_count, 20, what);
    m.rest_vertices.reserve(m.vertex_count);
    for (uint32_t i = 0; i < m.vertex_count; ++i, in += 20) {
        m.rest_vertices.push_back({be_load_f32(in),
                                   be_load_f32(in + 4),
                                   be_load_f32(in + 8),
                                   0.0f,
                                   be_load_f32(in + 12),
                                   be_load_f32(in + 16),
                                   {}});
    }
    m.primitive_kind = static_cast<int8_t>(qxps_stream_read_u8(s));

    const uint16_t part_count = qxps_stream_read_u16(s);
    // A part takes at least a state byte, a 16-bit count and a 16-bit draw-record size.
    world_check_room(s, part_count, 5, what);
    m.parts.resize(part_count);
    for (mesh_part& part : m.parts) {
        part.state = static_cast<int8_t>(qxps_stream_read_u8(s));
        uint32_t index_count = qxps_stream_read_u16(s);
        if (index_count == 0) index_count = qxps_stream_read_u32(s);
        in = world_take(s, index_count, index_size, what);
        part.indices.resize(index_count);
        for (std::size_t i = 0; i < index_count; ++i) part.indices[i] = index_at(in, i, wide);
        const uint32_t draw_count = qxps_stream_read_u16(s) / 3u;
        in = world_take(s, draw_count, 6, what);
        part.draws.resize(draw_count);
        for (mesh_draw_record& draw : part.draws) {
            draw.draw_id = be_load_u16(in);
            draw.sort_key = static_cast<uint16_t>(draw.draw_id + kSortKeyBias);
            draw.primitive_count = be_load_u16(in + 2);
            draw.first_index = be_load_u16(in + 4);
            draw.owner = &m;
            in += 6;
        }
    }

    const uint16_t node_count = qxps_stream_read_u16(s);
    world_check_room(s, node_count, 24 + 2 * index_size, what);
    m.tree.resize(node_count);
    for (mesh_tree_node& node : m.tree) {
        node.box = world_read_box(s);
        in = world_take(s, 2, index_size, what);
        node.vertex_count = index_at(in, 0, wide);
        node.first_vertex = index_at(in, 1, wide);
    }
}

void check_read_mesh(const mesh& m) {
    const std::string fault = mesh_check(m);
    if (!fault.empty()) world_corrupt(mesh_name(m), fault);
}

// The draw id of the last run that starts at or before the primitive.
uint16_t draw_id_of(const mesh_part& part, uint32_t position) {
    uint16_t id = 0;
    for (const mesh_draw_record& draw : part.draws) {
        if (draw.first_index > position) break;
        id = draw.draw_id;
    }
    return id;
}

struct trace_leaf_args {
    std::vector<mesh_hit>& hits;
    const mat4& transform;
    const ray& r;
    float max_distance_sq;
    bool keep_all;
    bool stop_at_first;
    const image8* image;
    uint16_t value;
    std::size_t first_hit;  // the hits before this position came before this mesh
};

// A face met again by another leaf (a second child past the node array stands for its parent's
// whole range, and a face can touch two ranges) is kept once.
bool already_hit(const trace_leaf_args& a, uint32_t position) {
    for (std::size_t k = a.first_hit; k < a.hits.size(); ++k) {
        if (a.hits[k].first_index == position) return true;
    }
    return false;
}

void trace_leaf(mesh& m, const mesh_part& part, const mesh_tree_node& node, trace_leaf_args& a) {
    const std::span<const mesh_vertex> vertices = static_cast<const mesh&>(m).vertices();
    const bool polygons = is_polygon_kind(m.primitive_kind);
    const std::vector<uint32_t> found =
        mesh_primitives_in_range(part, m.primitive_kind, node.first_vertex,
                                 static_cast<uint32_t>(node.first_vertex) + node.vertex_count);
    polygon face;
    for (const uint32_t position : found) {
        const uint32_t count = polygons ? part.indices[position - 1] : primitive_size(m.primitive_kind);
        if (count < 3) continue;
        face.points.resize(count);
        bool inside_vertices = true;
        for (uint32_t k = 0; k < count; ++k) {
            const uint16_t index = part.indices[position + k];
            if (index >= vertices.size()) {
                inside_vertices = false;
                break;
            }
            const mesh_vertex& v = vertices[index];
            face.points[k] = mat4_transform_point(a.transform, vec3{v.x, v.y, v.z});
        }
        if (!inside_vertices) continue;
        vec3 point;
        vec3 normal;
        bool hit = false;
        if (m.primitive_kind == kMeshTriangles) {
            const triangle tri(face.points[0], face.points[1], face.points[2]);
            hit = triangle_intersect_ray(tri, a.r, point, a.max_distance_sq, false);
            normal = tri.face_plane.normal;
        } else {
            hit = polygon_intersect_ray(face, a.r, point, false);
            normal = polygon_normal(face);
        }
        if (!hit) continue;
        const vec3 offset = point - a.r.origin;
        if (vec3_dot(offset, a.r.direction) < 0.0f) continue;
        const float distance_sq = vec3_length_sq(offset);
        // Faces of every kind end at the caller's distance.
        if (distance_sq > a.max_distance_sq) continue;
        if (!a.keep_all && !a.hits.empty() && a.hits.back().distance_sq <= distance_sq) continue;
        if (a.keep_all && already_hit(a, position)) continue;
        mesh_hit h;
        h.point = point;
        h.normal = normal;
        h.distance_sq = distance_sq;
        h.first_index = position;
        h.point_count = static_cast<int32_t>(count);
        h.value = a.value;
        if (a.image) {
            const mesh_vertex& first = vertices[part.indices[position]];
            h.value =
                image8_sample(*a.image, first.u + static_cast<float>(draw_id_of(part, position)), first.v);
        }
        a.hits.push_back(h);
        if (a.stop_at_first) return;
    }
}

void trace_node(mesh& m, const mesh_part& part, int32_t i, trace_leaf_args& a) {
    const mesh_tree_node node = mesh_box_node(m, i);
    if (a.stop_at_first && !a.hits.empty()) return;
    if (!ray_hits_box(a.r, box3_transform(node.box, a.transform))) return;
    if (!mesh_box_is_leaf(m, i)) {
        // A second child past the node array stands for this node's range, as a leaf.
        trace_node(m, part, 2 * i + 1, a);
        trace_node(m, part, 2 * i + 2, a);
        return;
    }
    trace_leaf(m, part, node, a);
}

// Grows a box started from the empty sentinels: the low and the high side each on their own (adding
// a point to a box made from a point tests the high side only when the point is not a new low).
void grow_to(box3& box, const vec3& point) {
    box3 one;
    box3_init_point(one, point);
    box3_add_box(box, one);
}

// Skinning matrix of each bone the mesh uses, made once per bone.
template <class BoneMatrix>
void pose(geometry_mesh& m, BoneMatrix bone_matrix) {
    std::vector<mat4> skin(256);
    std::vector<bool> done(256, false);
    const std::size_t n = std::min({m.rest_vertices.size(), m.bones.size()});
    m.posed_vertices.resize(m.rest_vertices.size());
    box3 box;
    box3_init(box, {1e38f, 1e38f, 1e38f}, {-1e38f, -1e38f, -1e38f});
    for (std::size_t k = 0; k < n; ++k) {
        const uint8_t bone = m.bones[k];
        if (!done[bone]) {
            skin[bone] = mat4_mul(bone_matrix(bone), skeleton_posing_matrix());
            done[bone] = true;
        }
        const mesh_vertex& rest = m.rest_vertices[k];
        mesh_vertex& posed = m.posed_vertices[k];
        posed = rest;
        const vec3 p = mat4_transform_point(skin[bone], vec3{rest.x, rest.y, rest.z});
        posed.x = p.x;
        posed.y = p.y;
        posed.z = p.z;
        grow_to(box, p);
    }
    // Keep the hit-map number carried in the box.
    box.max.w = m.box.max.w;
    m.box = box;
    // Children before parents: the array runs parents first, so walk it backwards.
    for (std::size_t j = m.tree.size(); j-- > 0;) {
        const int64_t i = static_cast<int64_t>(j) + 1;
        mesh_tree_node& node = m.tree[j];
        box3 nb;
        box3_init(nb, {1e38f, 1e38f, 1e38f}, {-1e38f, -1e38f, -1e38f});
        if (mesh_box_is_leaf(m, static_cast<int32_t>(i))) {
            const std::size_t end =
                std::min<std::size_t>(n, static_cast<std::size_t>(node.first_vertex) + node.vertex_count);
            for (std::size_t k = node.first_vertex; k < end; ++k) {
                const mesh_vertex& v = m.posed_vertices[k];
                grow_to(nb, vec3{v.x, v.y, v.z});
            }
        } else {
            for (const int64_t child : {2 * i + 1, 2 * i + 2}) {
                if (child - 1 < static_cast<int64_t>(m.tree.size()))
                    box3_add_box(nb, m.tree[static_cast<std::size_t>(child - 1)].box);
            }
        }
        node.box = nb;
    }
}

}  // namespace

// A mesh destroyed while lit leaves the lamp's list, which never reaches it afterwards.
mesh::~mesh() {
    lamp_lit_forget(*this);
}

void mesh_trace(mesh& m, std::vector<mesh_hit>& hits, int32_t level, const mat4& transform, const ray& r,
                float max_distance_sq, bool keep_all, bool stop_at_first, const image8* image, uint16_t value,
                int32_t node) {
    const mesh_part* part = mesh_find_part(m, level);
    if (!part) return;
    // Node numbers start at 0, the whole mesh: a negative one would have itself as its children.
    if (node < 0) node = 0;
    trace_leaf_args a{hits,          transform, r,     max_distance_sq, keep_all,
                      stop_at_first, image,     value, hits.size()};
    trace_node(m, *part, node, a);
}

void geometry_mesh_pose_bounds(geometry_mesh& m, const skeleton& skel, const animation& anim, float frame) {
    pose(m, [&](int32_t bone) {
        mat4 out;
        animation_bone_matrix(out, bone, anim, frame, skel, nullptr);
        return out;
    });
}

void geometry_mesh_pose_bounds_blend(geometry_mesh& m, const skeleton& skel, const animation& first,
                                     float first_frame, const animation& second, float second_frame,
                                     float weight) {
    pose(m, [&](int32_t bone) {
        mat4 a;
        mat4 b;
        animation_bone_matrix(a, bone, first, first_frame, skel, nullptr);
        animation_bone_matrix(b, bone, second, second_frame, skel, nullptr);
        // Blend the identity by its values, not by its marker.
        a.m[15] = 1.0f;
        b.m[15] = 1.0f;
        mat4 out;
        for (int e = 0; e < 16; ++e) out.m[e] = a.m[e] + (b.m[e] - a.m[e]) * weight;
        out.m[15] = 1.0f;
        return out;
    });
}

std::unique_ptr<mesh> mesh_read(package_read_context& ctx) {
    auto m = std::make_unique<mesh>();
    m->id = static_cast<uint32_t>(qxps_stream_enter_chunk(ctx.stream, m.get()));
    read_mesh_body(ctx.stream, *m);
    check_read_mesh(*m);
    qxps_stream_leave_chunk(ctx.stream);
    return m;
}

std::unique_ptr<geometry_mesh> geometry_mesh_read(package_read_context& ctx) {
    qxps_stream& s = ctx.stream;
    auto m = std::make_unique<geometry_mesh>();
    m->id = static_cast<uint32_t>(qxps_stream_enter_chunk(s, m.get()));
    read_mesh_body(s, *m);
    world_check_room(s, m->vertex_count, 1, mesh_name(*m));
    m->bones.resize(m->vertex_count);
    if (m->vertex_count > 0) qxps_stream_read_bytes(s, m->bones.data(), m->bones.size());
    m->posed_vertices = m->rest_vertices;
    check_read_mesh(*m);
    qxps_stream_leave_chunk(s);
    return m;
}

std::unique_ptr<mesh> mesh_create(int32_t kind, uint16_t vertex_count, const float* vertices,
                                  uint32_t index_count, const uint32_t* indices, uint16_t draw_id,
                                  int32_t state) {
    const uint32_t size = primitive_size(kind);
    if (size == 0) return nullptr;
    auto m = std::make_unique<mesh>();
    m->primitive_kind = kind;
    m->vertex_count = vertex_count;
    m->rest_vertices.resize(vertex_count);
    for (uint16_t i = 0; i < vertex_count; ++i) {
        const float* in = vertices + static_cast<std::size_t>(i) * 5;
        mesh_vertex& v = m->rest_vertices[i];
        v.x = in[0];
        v.y = in[1];
        v.z = in[2];
        v.u = in[3];
        v.v = in[4];
        const vec3 point{v.x, v.y, v.z};
        if (i == 0) {
            box3_init_point(m->box, point);
        } else {
            box3_add_point(m->box, point);
        }
    }
    mesh_part part;
    part.state = state;
    part.indices.resize(index_count);
    for (uint32_t i = 0; i < index_count; ++i) part.indices[i] = static_cast<uint16_t>(indices[i]);
    mesh_draw_record draw;
    draw.draw_id = draw_id;
    draw.sort_key = static_cast<uint16_t>(draw_id + kSortKeyBias);
    draw.primitive_count = static_cast<uint16_t>(index_count / size);
    draw.first_index = 0;
    draw.owner = m.get();
    part.draws.push_back(draw);
    m->parts.push_back(std::move(part));
    if (!mesh_check(*m).empty()) return nullptr;
    return m;
}

std::unique_ptr<geometry_mesh> geometry_mesh_copy(const geometry_mesh& source) {
    auto out = std::make_unique<geometry_mesh>();
    copy_arrays(*out, source);
    out->bones = source.bones;
    out->posed_vertices = source.posed_vertices;
    return out;
}

std::unique_ptr<mesh> mesh_copy(const mesh& source) {
    if (const auto* skinned = dynamic_cast<const geometry_mesh*>(&source))
        return geometry_mesh_copy(*skinned);
    auto out = std::make_unique<mesh>();
    copy_arrays(*out, source);
    return out;
}

mesh_part* mesh_find_part(mesh& m, int32_t level) {
    for (mesh_part& part : m.parts) {
        if (part.state <= level) return &part;
    }
    return nullptr;
}

const mesh_part* mesh_find_part(const mesh& m, int32_t level) {
    for (const mesh_part& part : m.parts) {
        if (part.state <= level) return &part;
    }
    return nullptr;
}

box3 mesh_bounds(const mesh& m) {
    return m.box;
}

mesh_tree_node mesh_box_node(const mesh& m, int32_t i) {
    const int64_t length = static_cast<int64_t>(m.tree.size());
    int64_t j = static_cast<int64_t>(i) - 1;
    while (j >= length) j = j / 2 - 1;
    if (j < 0) {
        mesh_tree_node whole;
        whole.box = m.box;
        whole.vertex_count = m.vertex_count;
        whole.first_vertex = 0;
        return whole;
    }
    return m.tree[static_cast<std::size_t>(j)];
}

bool mesh_box_is_leaf(const mesh& m, int32_t i) {
    return 2 * static_cast<int64_t>(i) >= static_cast<int64_t>(m.tree.size());
}

std::vector<uint32_t> mesh_primitives_in_range(const mesh_part& part, int32_t kind, uint32_t first,
                                               uint32_t end) {
    std::vector<uint32_t> found;
    const std::size_t n = part.indices.size();
    auto touches = [&](std::size_t from, std::size_t count) {
        for (std::size_t k = from; k < from + count; ++k) {
            if (part.indices[k] >= first && part.indices[k] < end) return true;
        }
        return false;
    };
    if (is_polygon_kind(kind)) {
        std::size_t pos = 0;
        while (pos < n) {
            const std::size_t count = part.indices[pos];
            if (count > n - pos - 1) break;
            if (touches(pos + 1, count)) found.push_back(static_cast<uint32_t>(pos + 1));
            pos += count + 1;
        }
        return found;
    }
    const std::size_t size = primitive_size(kind);
    if (size == 0) return found;
    for (std::size_t pos = 0; pos + size <= n; pos += size) {
        if (touches(pos, size)) found.push_back(static_cast<uint32_t>(pos));
    }
    return found;
}

void mesh_break(mesh& m) {
    for (mesh_part& part : m.parts) part.state = kMeshPartBroken;
}

void mesh_repair(mesh& m) {
    for (mesh_part& part : m.parts) part.state = kMeshPartIntact;
}

bool mesh_is_broken(const mesh& m) {
    for (const mesh_part& part : m.parts) {
        if (part.state != kMeshPartBroken) return false;
    }
    return true;
}

std::string mesh_check(const mesh& m) {
    if (m.primitive_kind < kMeshPolygons || m.primitive_kind > kMeshQuads) {
        return str_format("primitive kind %d unknown", m.primitive_kind);
    }
    if (m.rest_vertices.size() != m.vertex_count) return "vertex array does not match the vertex count";
    if (const auto* skinned = dynamic_cast<const geometry_mesh*>(&m)) {
        if (skinned->bones.size() != m.vertex_count || skinned->posed_vertices.size() != m.vertex_count) {
            return "bone or posed vertex array does not match the vertex count";
        }
    }
    for (std::size_t p = 0; p < m.parts.size(); ++p) {
        std::string fault = check_part(m, m.parts[p], p);
        if (!fault.empty()) return fault;
    }
    for (std::size_t i = 0; i < m.tree.size(); ++i) {
        const mesh_tree_node& node = m.tree[i];
        if (static_cast<uint32_t>(node.first_vertex) + node.vertex_count > m.vertex_count) {
            return str_format("box-tree node %zu covers vertices %u..%u of %u", i + 1, node.first_vertex,
                              node.first_vertex + node.vertex_count, m.vertex_count);
        }
    }
    return {};
}

}  // namespace kv
