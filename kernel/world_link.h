#pragma once
// The few world-server services the kernel calls: the dedicated flag, the texture directory, the
// log level, the screen lookup and the sky references.

#include <cstdint>
#include <string>

namespace kv {

struct view_set;
struct geometry;
struct surface;

bool world_dedicated();
void world_set_texture_dir(const std::string& directory);
void world_set_log_level(int32_t level);
// The screen of that name in the loaded package of that name; null (after the lookups' own log
// lines) when either is missing.
view_set* world_find_screen(const std::string& package_name, const std::string& screen_name);

struct world_sky {
    geometry* sky_geometry = nullptr;
    surface* sky_surface = nullptr;
};
// The base package's sky geometry "g-sky" and the surface "s-" + name, each null when missing.
world_sky world_find_sky(const std::string& name);

}  // namespace kv
