#pragma once
// The readers of the objects that package tables hold, one per kind, each belonging to the
// subsystem of its kind. Each builds one new object from the chunk that the stream's current id
// names, by the chunk reading pattern (data/qxps_stream.h): create, enter the chunk with the object,
// read, leave. The package reader has already checked that the chunk was not read before.
//

#include <memory>

#include "data/package.h"

namespace kv {

std::unique_ptr<view> view_read(package_read_context& ctx);
std::unique_ptr<shader> shader_read(package_read_context& ctx);
std::unique_ptr<surface> surface_read(package_read_context& ctx);
std::unique_ptr<geometry> geometry_read(package_read_context& ctx);
std::unique_ptr<entity_def> entity_def_read(package_read_context& ctx);
std::unique_ptr<sector> sector_read(package_read_context& ctx);
std::unique_ptr<skeleton> skeleton_read(package_read_context& ctx);
std::unique_ptr<animation> animation_read(package_read_context& ctx);

}  // namespace kv
