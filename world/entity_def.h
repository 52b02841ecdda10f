#pragma once
// An entity definition: the model that entities are made from.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the world readers.
struct entity_def {
    std::string name;
};

}  // namespace kv
