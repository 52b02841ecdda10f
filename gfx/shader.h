#pragma once
// A shader: named command lists that set up the texture stages.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the renderer readers.
struct shader {
    std::string name;
};

}  // namespace kv
