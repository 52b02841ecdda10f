#pragma once
// Meshes: the unit of drawable and collidable surface. A mesh holds its vertices, one or more
// parts (index sets with draw records, one per detail or damage state) and a box tree over vertex
// ranges. A `geometry_mesh` is a skinned mesh: each vertex follows one bone, and its posed copy of
// the vertices is what drawing and testing use.
//
// Box tree: node 0 is the whole mesh (the mesh box, all vertices); node i >= 1 is stored at array
// position i - 1; the children of node i are 2i + 1 and 2i + 2, and node i is a leaf when 2i is not
// below the array's length.
//
// Every index a mesh holds (part indices, polygon counts, draw runs, node ranges) has been checked
// against what it indexes when the mesh was read or made, so walks never leave the arrays.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "util/box3.h"
#include "util/mat4.h"
#include "util/ray.h"

namespace kv {

// Primitive kinds: polygons are written in the index list as their vertex count followed by
// their indices.
inline constexpr int32_t kMeshPolygons = 0;
inline constexpr int32_t kMeshPolygonsAlt = 1;
inline constexpr int32_t kMeshTriangles = 2;
inline constexpr int32_t kMeshQuads = 3;

// Part states.
inline constexpr int32_t kMeshPartIntact = 100;
inline constexpr int32_t kMeshPartBroken = 0;

// Nine floats: position (w = 0), texture coordinates and three floats free for the renderer.
struct mesh_vertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    float extra[3] = {};
};

class mesh;
struct bone_key;
struct image8;
struct package_read_context;

// A run of primitives drawn with one draw id.
struct mesh_draw_record {
    uint16_t draw_id = 0;
    uint16_t sort_key = 0;  // draw id + 0x8000, modulo 65536
    uint16_t primitive_count = 0;
    uint32_t first_index = 0;  // position of the run's first index in the part's index array
    mesh* owner = nullptr;
    // The renderer's draw-list batch this run was last sorted into: its kind and its position among
    // the batches of that kind, valid while `batch_generation` is the draw lists' generation (0 never
    // is: unassigned) and the run is drawn with the same surface, as a first-person object or not.
    uint32_t batch_generation = 0;
    uint32_t batch_index = 0;
    uint8_t batch_kind = 0;
    bool batch_first_person = false;
    const void* batch_surface = nullptr;
};

struct mesh_part {
    int32_t state = kMeshPartIntact;  // 0 broken .. 100 intact
    std::vector<uint16_t> indices;
    std::vector<mesh_draw_record> draws;
};

struct mesh_tree_node {
    box3 box;
    uint16_t vertex_count = 0;
    uint16_t first_vertex = 0;
};

class mesh {
public:
    mesh() = default;
    virtual ~mesh();
    mesh(const mesh&) = delete;
    mesh& operator=(const mesh&) = delete;

    // The vertices to draw and test.
    virtual std::span<mesh_vertex> vertices() { return rest_vertices; }
    virtual std::span<const mesh_vertex> vertices() const { return rest_vertices; }

    uint32_t id = 0;  // the chunk it was read from; 0 for meshes made at run time
    box3 box;         // max.w carries the hit-map number
    uint16_t vertex_count = 0;
    int32_t primitive_kind = kMeshTriangles;
    std::vector<mesh_vertex> rest_vertices;
    std::vector<mesh_part> parts;
    std::vector<mesh_tree_node> tree;
    int32_t lit_index = -1;  // position in the lamp's lit list, -1 when not lit
};

class geometry_mesh : public mesh {
public:
    std::span<mesh_vertex> vertices() override { return posed_vertices; }
    std::span<const mesh_vertex> vertices() const override { return posed_vertices; }

    std::vector<uint8_t> bones;  // bone index per vertex
    // Until the first pose, a copy of the rest vertices.
    std::vector<mesh_vertex> posed_vertices;
};

// A run-time mesh of triangles (kind 2) or quads (kind 3) from vertices of five floats x, y, z, u,
// v: one part with one draw record over all indices, no box tree, the box grown over all vertices.
// The low 16 bits of each index are kept. Null when the kind is neither or an index (or the run)
// lies outside the vertices.
std::unique_ptr<mesh> mesh_create(int32_t kind, uint16_t vertex_count, const float* vertices,
                                  uint32_t index_count, const uint32_t* indices, uint16_t draw_id,
                                  int32_t state);
// A copy with its own arrays; draw records point at the copy. A skinned mesh copies as a skinned mesh.
std::unique_ptr<mesh> mesh_copy(const mesh& source);
std::unique_ptr<geometry_mesh> geometry_mesh_copy(const geometry_mesh& source);

// The first part whose state is not above the level; null when none is.
mesh_part* mesh_find_part(mesh& m, int32_t level);
const mesh_part* mesh_find_part(const mesh& m, int32_t level);
box3 mesh_bounds(const mesh& m);
mesh_tree_node mesh_box_node(const mesh& m, int32_t i);
bool mesh_box_is_leaf(const mesh& m, int32_t i);
// The primitives of the part with at least one vertex index v, first <= v < end: each by the
// position of its first index (after the count for polygons).
std::vector<uint32_t> mesh_primitives_in_range(const mesh_part& part, int32_t kind, uint32_t first,
                                               uint32_t end);

void mesh_break(mesh& m);
void mesh_repair(mesh& m);
// True when every part is broken (also for a mesh without parts).
bool mesh_is_broken(const mesh& m);

// Stream form of a mesh chunk: box minimum and maximum (vec3 each); vertex count V (u16); V
// vertices of x, y, z, u, v (floats); primitive kind (one signed byte); part count (u16), each part:
// state (signed byte), index count (u16; when 0 a u32 count follows), the indices, three times the
// draw-record count (u16) and the draw records (draw id, primitive count, first index: u16 each);
// box-tree node count (u16), each node: minimum, maximum, vertex count, first vertex. Indices and
// node ranges are u8 when V is 255 or less, else u16. A skinned mesh chunk adds V bone bytes.
//
// Each reader builds the mesh from the chunk of the stream's current id (which becomes the mesh's
// id), checks it and leaves the chunk; a damaged mesh raises "corrupt mesh".
std::unique_ptr<mesh> mesh_read(package_read_context& ctx);
std::unique_ptr<geometry_mesh> geometry_mesh_read(package_read_context& ctx);

// Part level that takes the first part.
inline constexpr int32_t kMeshAnyLevel = 2147483647;

// One face met by the ray test.
struct mesh_hit {
    vec3 point;
    vec3 normal;
    float distance_sq = 0.0f;
    uint32_t first_index = 0;  // position of the face's first index in the part's index array
    int32_t point_count = 0;
    uint16_t value = 0;  // the sampled texel, or the value the caller gave
};

// The ray test of one mesh from box-tree node `node`: appends the faces of the part for `level`
// that the ray meets in front of its origin within the distance, each taken through the transform.
// Without `keep_all` a hit is kept only when it is nearer than the last one in the list; with
// `stop_at_first` the test ends at the first hit held. With an image, each hit's value is its texel
// at the face's first texture coordinates shifted by the draw id of the face's run. A tree child
// beyond the node array adds nothing.
void mesh_trace(mesh& m, std::vector<mesh_hit>& hits, int32_t level, const mat4& transform, const ray& r,
                float max_distance_sq, bool keep_all, bool stop_at_first, const image8* image, uint16_t value,
                int32_t node = 0);

// Poses a skinned mesh from a skeleton's keys (beings/animation.h), then recomputes its box and its box
// tree from the posed vertices. The mesh is stored in the model frame at the bind pose: each bone's
// skinning matrix takes a rest vertex through the axis swap, the inverse of the bone's bind pose
// (its chain over the bind keys), the bone's pose and the axis swap again, so at the bind pose the
// posed mesh equals its rest mesh. A vertex whose bone is not in the split table takes the reference
// bone's matrix. The blend variant poses the bones that the frame of A lacks from the frame of B
// riding on A's root bone.
void geometry_mesh_pose_bounds(geometry_mesh& m, int32_t reference_bone, std::span<const bone_key> bind_keys,
                               std::span<const bone_key> frame_keys, std::span<const uint16_t> split,
                               std::span<const mat4* const> overrides);
void geometry_mesh_pose_bounds_blend(geometry_mesh& m, int32_t reference_bone, int32_t root_bone,
                                     std::span<const bone_key> bind_keys, std::span<const bone_key> keys_a,
                                     std::span<const bone_key> keys_b, std::span<const uint16_t> split,
                                     std::span<const mat4* const> overrides);

// What is wrong with the mesh's indices, ranges and draw records, or the empty text when nothing is.
std::string mesh_check(const mesh& m);

}  // namespace kv
