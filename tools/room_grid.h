#pragma once
// A generated level of rooms on a grid, written as a package: every room is a sector with a floor,
// a few crates and a free-standing wall that is an occluder, and it opens onto each of its
// neighbours through a doorway (a portal in each of the two sectors). Used by the portal-walk
// benchmark and tests.
//
// Room (column c, row r) is named "r<c>_<r>" and spans x from c L to (c + 1) L and z from r L to
// (r + 1) L, L = kGridRoom, floor at y = 0. Its doorways are centred on its walls.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::tools {

inline constexpr float kGridRoom = 20.0f;
inline constexpr float kGridRoomHeight = 6.0f;
inline constexpr float kGridDoorHalfWidth = 1.5f;
inline constexpr float kGridDoorHeight = 3.0f;
inline constexpr int kGridCratesPerRoom = 3;

std::string room_grid_sector_name(int column, int row);
// The package of columns x rows rooms (at least one of each).
std::vector<uint8_t> room_grid_package(int columns, int rows);

}  // namespace kv::tools
