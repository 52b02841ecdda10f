#pragma once
// Codes of the game events, commands and input that the world server posts to the game arty.

#include <cstdint>

namespace kv {

// Game events (message kind 2).
inline constexpr int32_t kGameEventSyncBeings = 0;  // synchronise the beings with the player records
inline constexpr int32_t kGameEventDraw = 1;        // the 3D scene is drawn: screen and HUD
inline constexpr int32_t kGameEventCameraView = 3;  // update the camera view
inline constexpr int32_t kGameEventStep = 4;        // the 30-Hz step: beings store their animation state
inline constexpr int32_t kGameEventNewRound = 6;    // reset goals, doors and messages

// Commands (message kind 3).
inline constexpr int32_t kGameCommandChangeLevel = 3;  // text: the map
inline constexpr int32_t kGameCommandUseRound = 4;     // integer: the shooter

// The quit action among the input codes.
inline constexpr int32_t kInputQuit = 21;

}  // namespace kv
