#include "platform/dx_check.h"

#include <cstdio>
#include <iterator>

#include "platform/message_box.h"

namespace kv {
namespace {

std::function<uint32_t()> g_probe;

struct version_name {
    uint32_t up_to;
    const char* name;
};

constexpr version_name kVersionNames[] = {
    {0x000, "No DirectX"},
    {0x100, "DirectX 1"},
    {0x200, "DirectX 2"},
    {0x300, "DirectX 3"},
    {0x400, "DirectX 4"},
    {0x500, "DirectX 5"},
    {0x600, "DirectX 6"},
    {0x601, "DirectX 6.1"},
    {0x700, "DirectX 7"},
    {0x800, "DirectX 8"},
    {0x801, "DirectX 8.1 or better"},
};

}  // namespace

uint32_t dx_probe_version() {
    return g_probe ? g_probe() : kDxVersionRequired;
}

void dx_set_probe(std::function<uint32_t()> probe) {
    g_probe = std::move(probe);
}

const char* dx_version_name(uint32_t version) {
    for (const version_name& entry : kVersionNames) {
        if (version <= entry.up_to) return entry.name;
    }
    return kVersionNames[std::size(kVersionNames) - 1].name;
}

bool dx_check() {
    const uint32_t version = dx_probe_version();
    if (version >= kDxVersionRequired) return true;
    char text[256];
    std::snprintf(text, sizeof text,
                  "DirectX not detected or wrong version found (DirectX 8.1 required) !\n"
                  "Your current version is: %s",
                  dx_version_name(version));
    sys_message_box("Korvane", text, message_box_kind::error);
    return false;
}

}  // namespace kv
