#pragma once
// A surface: the layers and shaders a mesh is drawn with.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the renderer readers.
struct surface {
    std::string name;
};

}  // namespace kv
