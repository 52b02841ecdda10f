#pragma once
// The start-up check for the graphics runtime version. Versions are coded 0x100 x major + minor
// (0 for none); the layer's own stand-ins provide 0x801.

#include <cstdint>
#include <functional>

namespace kv {

inline constexpr uint32_t kDxVersionRequired = 0x801;

uint32_t dx_probe_version();
// Replaces the probe (for tests); an empty function restores the layer's own.
void dx_set_probe(std::function<uint32_t()> probe);

// The name shown for a version older than the one required ("No DirectX", "DirectX 6.1"...).
const char* dx_version_name(uint32_t version);

// True when the version is 0x801 or newer; otherwise tells the user with an error box.
bool dx_check();

}  // namespace kv
