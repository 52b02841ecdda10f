#pragma once
// A surface: the package object that says how a face is painted, an ordered list of layers each of
// which runs one shader with its own arguments. A layer is either a description (a token list: its
// word, the name of its shader, then the shader's "$" arguments) or a reference to another surface.
//
// Package record (big-endian, strings counted by a u16): name, layer count (u16), then per layer a
// kind byte: not 0, a reference, followed by the other surface's name; 0, a description, followed
// by its size (u32) and that many bytes of token list. Names are not looked up while the package
// loads: each fills its slot when the package's references are resolved.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "util/token_list.h"

namespace kv {

struct gfx;
struct package_read_context;
struct server;
struct shader;

struct surface {
    std::string name;
    // One entry per layer in each table. The slot tables never move an entry when the surface
    // grows: references still pending point into them.
    std::vector<std::unique_ptr<token_list>> descriptions;  // null for a reference layer
    std::deque<surface*> references;  // the surface a reference layer names, once resolved; else null
    std::deque<shader*> shaders;      // the shader a description layer names, once resolved; else null
};

// Reads the record in the current chunk; its references are queued under the name of the package
// being read. Raises `read_error` on a damaged record.
std::unique_ptr<surface> surface_read(package_read_context& ctx);

// The index of the layer whose description's item 1 is "basicmap" and item 2 the map's name. When
// there is none, a new last layer is made for the map, its shader "basicmap" looked up at once in
// the current package of the server (and its imports).
int32_t surface_basicmap_layer(surface& s, server& srv, const std::string& map_name);
// Runs each description layer's shader with the layer's description as its "$" arguments; layers
// that refer to another surface, and layers without a shader, are skipped.
void surface_run(const surface& s, gfx& g);

}  // namespace kv
