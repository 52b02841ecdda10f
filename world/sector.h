#pragma once
// A sector of the world, joined to others by portals.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the world readers.
struct sector {
    std::string name;
};

}  // namespace kv
