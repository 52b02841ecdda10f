#pragma once
// A named set of viewports within a screen.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the renderer readers.
struct view {
    std::string name;
};

}  // namespace kv
