#pragma once
// Radar contacts: which other soldiers a soldier's radar shows. Range comes from the viewer's
// detection level, shrinks against a concealed enemy; only scouts detect enemies, and team-mate scouts
// relay what they detect to their team.

#include <cstdint>
#include <vector>

#include "util/mat4.h"

namespace kv {

class kvgame;
struct being;

inline constexpr int32_t kContactFaint = 0;
inline constexpr int32_t kContactEnemy = 1;
inline constexpr int32_t kContactTeamMate = 2;
inline constexpr int32_t kContactTeamScout = 3;
inline constexpr int32_t kScoutSpecialisation = 1;

struct radar_contact {
    float x = 0.0f;
    float y = 0.0f;
    int32_t kind = kContactFaint;
};

// True when the viewer detects the target: the contact's place in the view's frame (x across, y
// ahead) and kind. Soldiers without a player record detect nothing and are never detected.
bool radar_contact_test(being& viewer, being& target, const mat4& view, radar_contact& out);
// The viewer's radar frame: its heading only, about its position.
mat4 radar_view_matrix(being& viewer);
// The viewer's contacts among the players and the radar's scale (range x 2.25).
std::vector<radar_contact> radar_contacts(const std::vector<being*>& players, being& viewer, float& scale);
// Hands the contacts to the game screen's radar (picture 12); only while the game screen shows.
void radar_update(kvgame& game, being& viewer);

}  // namespace kv
