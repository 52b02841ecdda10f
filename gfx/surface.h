#pragma once
// A surface: the layers and shaders a mesh is drawn with.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the renderer readers.
struct surface {
    std::string name;
};

// An empty surface: empty name and tables.
void surface_init(surface& s);
// Finds the "basicmap" layer of that texture, or appends one (its shader reference resolved later).
void surface_add_basicmap(surface& s, const std::string& texture_name);
// Runs each layer's shader, which loads the textures the layer names.
void surface_run_shaders(surface& s);

}  // namespace kv
