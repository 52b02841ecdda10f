#pragma once
// A geometry: named meshes that placed objects and entities draw.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the world readers.
struct geometry {
    std::string name;
};

}  // namespace kv
