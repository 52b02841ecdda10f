#pragma once
// Lamps: a projected light, a texture named like the lamp thrown from a position along a direction
// into a box-shaped volume. The graphics front end owns one, "lamp", and places it at the camera
// each frame; its update collects the meshes the volume touches, in the camera's sector and in the
// sectors right behind that sector's portals, into the frame's list of lit meshes, over which the
// renderer draws the lamp's texture.
//
// The update's and the intersection's diagnostic lines are written only while the server's log level
// is not 0.
//
// Lamp space: the lamp at the origin looking along +z; the volume is the box from
// (-w/2, -w/2, 0) to (w/2, w/2, range), w = tan(angle) x range.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "util/box3.h"
#include "util/mat4.h"
#include "util/plane.h"
#include "util/vec3.h"

namespace kv {

class mesh;
class sector;
struct mesh_part;
struct mesh_vertex;
struct texture;

class lamp {
public:
    lamp(float angle, float range, std::string name);
    virtual ~lamp();
    lamp(const lamp&) = delete;
    lamp& operator=(const lamp&) = delete;

    float angle;  // degrees
    float range;
    vec3 position;
    vec3 direction;
    std::unique_ptr<texture> tex;  // named like the lamp; null until loaded
    std::string name;
    mat4 placement;  // the camera matrix of the last update
    mat4 view;       // world space to lamp space
    // The image plane of the texture projection: origin, normal and the two axes.
    plane image_plane;
    vec3 plane_origin;
    vec3 plane_u;
    vec3 plane_v;
};

struct lamp_lit {
    lamp* source;
    mesh* lit_mesh;  // null once the mesh has been destroyed
};

// One pair of lamp texture coordinates per vertex.
struct lamp_uv {
    float u;
    float v;
};

inline constexpr float kCameraLampAngle = 10.0f;
inline constexpr float kCameraLampRange = 500.0f;
inline constexpr const char* kCameraLampName = "lamp";

// Creates and loads the texture when there is none; true when it did.
bool lamp_load_texture(lamp& l);
void lamp_free_texture(lamp& l);
// Places the lamp by the camera matrix (translation row: position, third row: direction) and
// lists the meshes its volume touches in the sector and one portal beyond. A null sector lists
// nothing.
void lamp_update(lamp& l, sector* s, const mat4& matrix);
// The graphics frame's share: the list emptied, then, while the lamp is on, the texture loaded
// once and the lamp updated.
void lamp_frame(lamp& l, bool on, sector* s, const mat4& matrix);

// The frame's list of lit meshes. A mesh is listed once a frame and knows its position in the
// list (`mesh::lit_index`).
void lamp_clear_lit();
std::size_t lamp_lit_count();
const lamp_lit& lamp_lit_entry(std::size_t i);
// Lists the mesh unless it is listed already; false then.
bool lamp_lit_push(lamp& l, mesh& m);
// A mesh going away leaves the list.
void lamp_lit_forget(mesh& m);
// Whether any leaf of the mesh's box tree, placed by the matrix (mesh space to lamp space),
// overlaps the volume; a broken mesh never is. A lit mesh is pushed.
bool lamp_test_mesh(lamp& l, mesh& m, const mat4& matrix);
// The lamp's volume in lamp space.
box3 lamp_volume(const lamp& l);

// Lamp texture coordinates of the part's triangles: every face whose three vertices lie at least
// 0.1 in front of the image plane gets its vertices' projections; the vertices of the other faces
// get (0, 0) unless a lit face shares them. `coords` gets one entry per vertex; a face with an
// index outside the vertices is not lit.
void lamp_face_intersect(lamp& l, const mesh_part& part, std::span<const mesh_vertex> vertices,
                         std::vector<lamp_uv>& coords);

}  // namespace kv
