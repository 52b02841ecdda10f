#pragma once
// A skeleton: the bones that animations move.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the beings readers.
struct skeleton {
    std::string name;
};

}  // namespace kv
