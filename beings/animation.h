#pragma once
// An animation: per-bone keys over a number of frames.

#include <string>

namespace kv {

// Package object; for now only its name, which references and lookups compare. The rest of the
// record is filled in by the beings readers.
struct animation {
    std::string name;
};

}  // namespace kv
