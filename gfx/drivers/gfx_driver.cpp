#include "gfx/drivers/gfx_driver.h"

#include "world/mesh.h"

namespace kv {
namespace {

struct display_mode_row {
    const char* name;
    int32_t width;
    int32_t height;
};

constexpr display_mode_row kDisplayModes[kDisplayModeCount] = {
    {"640x480", 640, 480},   {"800x600", 800, 600},   {"1024x768", 1024, 768},
    {"1152x864", 1152, 864}, {"1280x960", 1280, 960}, {"1280x1024", 1280, 1024},
};

static_assert(sizeof(mesh_vertex) == 36, "drivers read 36-byte mesh vertices");

}  // namespace

bool gfx_display_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) {
    if (index < 0 || index >= kDisplayModeCount) return false;
    const display_mode_row& row = kDisplayModes[index];
    name = row.name;
    width = row.width;
    height = row.height;
    return true;
}

}  // namespace kv
