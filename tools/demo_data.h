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
// The settings script of the demo: a LAN server hosting the depot at the default port, with one bot
// (team 1, the first specialisation).
inline constexpr const char* kDemoSettingsScript =
    "set server-name:\"KV Demo\"\nset net-mode:lan\nset server-port:57778\nset bots-setup:1000 0000 0000\n"
    "set pkg-name:depot\nstart\n";
// The depot again, as a boot-strap package: `kv --pkg-file=kvmenu-depot` runs it.
inline constexpr const char* kDemoLevelBootPackage = "kvmenu-depot-en";

// Writes the data set into `folder` (created when missing), replacing the files of an earlier run.
// False when a file cannot be written.
bool write_demo_data(const std::filesystem::path& folder);

}  // namespace kv::tools
