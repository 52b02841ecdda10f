#pragma once
// The animated model instance as the world server's entity list uses it: created by name, updated
// once per world frame, and reached through the server's forwarders while it is the current entity.

#include <cstdint>
#include <string>

#include "util/mat4.h"

namespace kv {

class sector;
struct scene_node;

struct entity {
    std::string name;
    sector* in_sector = nullptr;  // the sector whose entity list holds it
    entity* parent = nullptr;     // supplies the world matrix
    uint8_t thrown = 0;           // set when its throw trigger fired
    int32_t blast_value = 0;      // handed to the blast queue when its blast trigger fires
    int32_t step_result = 0;      // stored by the last step check
    mat4 world;                   // body to world, kept by its update
    // The root node of its model: the node's matrix places the body, its model gives the body's box
    // and, in its first mesh instance, the body mesh. Null while it has no model.
    scene_node* model_root = nullptr;
};

// Both animation channels idle.
void entity_create(entity& e, const std::string& name);
// Releases what the entity holds; the server frees the object afterwards.
void entity_destroy(entity& e);
void entity_update(entity& e, int32_t ignored);
void entity_set_parent(entity& e, entity* parent);
// The body's world matrix (row 3: its world position).
const mat4& entity_world_matrix(const entity& e);

}  // namespace kv
