#pragma once
// The demo data set: everything `kv` reads from its data directory at start-up and in its first
// frames, made here from code. The menu package "kvmenu-en" boots the program; it and the level
// "maps/depot" import the shared package "kvbase", and the level also the soldiers' packages "beings"
// and "teams". Later subsystems add what their own readers need.

#include <filesystem>

namespace kv::tools {

inline constexpr const char* kDemoBootPackage = "kvmenu-en";
inline constexpr const char* kDemoSharedPackage = "kvbase";
inline constexpr const char* kDemoMap = "depot";
// The settings script of the demo: a LAN server hosting the depot at the default port.
inline constexpr const char* kDemoSettingsScript =
    "set server-name:\"KV Demo\"\nset net-mode:lan\nset server-port:57778\nset pkg-name:depot\nstart\n";
// The depot again, as a boot-strap package: `kv --pkg-file=kvmenu-depot` runs it.
inline constexpr const char* kDemoLevelBootPackage = "kvmenu-depot-en";

// The demo's lengths are in the soldiers' unit, the centimetre: one metre is `kDemoMetre` units.
inline constexpr float kDemoMetre = 100.0f;
// The depot's three rooms ("yard", "hall", "store") stand in a row along x, each `kDemoRoomLength`
// long, from x = `kDemoRoomStart[i]`; across (z) they span half the width either side of 0, the floor
// at y = 0. Between neighbours a doorway in the plane of their shared x, centred on z = 0.
inline constexpr float kDemoRoomLength = 20.0f * kDemoMetre;
inline constexpr float kDemoRoomWidth = 16.0f * kDemoMetre;
inline constexpr float kDemoRoomHeight = 6.0f * kDemoMetre;
inline constexpr const char* kDemoRoomNames[3] = {"yard", "hall", "store"};
inline constexpr float kDemoRoomStart[3] = {-kDemoRoomLength, 0.0f, kDemoRoomLength};
inline constexpr float kDemoDoorHalfWidth = 1.5f * kDemoMetre;
inline constexpr float kDemoDoorHeight = 3.0f * kDemoMetre;
// The spawn points' height: a soldier's view, 95 above its feet (its body's box reaches down to the
// floor from there).
inline constexpr float kDemoEyeHeight = 95.0f;
// The menu package's one room "menu": a square floor this long, centred on the origin.
inline constexpr float kDemoMenuRoomSide = 20.0f * kDemoMetre;

// Writes the data set into `folder` (created when missing), replacing the files of an earlier run.
// False when a file cannot be written.
bool write_demo_data(const std::filesystem::path& folder);

}  // namespace kv::tools
