#pragma once
// The teams' demo package "teams": the twelve body models the game object gives a soldier by team and
// specialisation ("blue-s" .. "black-sp") and the skins it names ("socom-s" .. "merc3-sp"), as
// surfaces painted with one uniform texture a team. Every body model is one skinned mesh on the
// skeleton "beings:sk-soldier" made of 15 boxes, each bound to one bone, with a box tree of 16 nodes:
// 1 and 2 the lower and the upper half, 3 legs and pelvis, 4 the arms, 5 head and neck, 6 the chest,
// 7 both legs, then the leaves 8 pelvis, 9 and 10 the right and left arm, 11 head, 12 neck, 13 the
// chest's front and 14 its back, 15 and 16 the right and left leg.
//
// The model's frame is the skeleton's with y and z swapped: x to the right, y up, z forward, the
// origin at the hips, 95 units above the feet. Each box's texture coordinates point into the hit
// maps' band of its zone (head, chest, arms, legs; `kHitZone...`).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/beings_writer.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "util/vec3.h"

namespace kv::tools {

inline constexpr const char* kDemoTeamsPackage = "teams";
// The uniform each team's skins are painted with (textures of the demo data).
inline constexpr const char* kTeamUniforms[3] = {"uniform-blue", "uniform-red", "uniform-black"};

// The hit maps: 8 x 8 texels, two rows a zone from the top; the values the server's hit table reads
// as a head, chest, arm and leg hit.
inline constexpr int kHitMapSide = 8;
inline constexpr uint8_t kHitZoneHead = 16;
inline constexpr uint8_t kHitZoneChest = 32;
inline constexpr uint8_t kHitZoneArms = 96;
inline constexpr uint8_t kHitZoneLegs = 144;
inline constexpr uint8_t kHitZones[4] = {kHitZoneHead, kHitZoneChest, kHitZoneArms, kHitZoneLegs};

// Box-tree nodes of the body mesh over the chest's front and back.
inline constexpr int kBodyChestFrontNode = 13;
inline constexpr int kBodyChestBackNode = 14;

// The body models' names ("blue-s" ...) by team and specialisation, and the skins' by team, skin
// word and specialisation, as the game object names them (without the package).
std::vector<std::string> team_body_names();
std::vector<std::string> team_skin_names();

// The body mesh of every team model.
mesh_desc team_body_mesh();
// The hit map: the four zones in bands of two rows.
std::vector<uint8_t> team_hit_map();
std::vector<uint8_t> teams_package();

}  // namespace kv::tools
