#pragma once
// The briefing screens: slot 4 picks side, kind of soldier and soldier on three rolls with a preview
// picture and sends the join; slot 7 waits for the server's answer and enters the game screen. Their
// handlers, as the screen manager calls them, are in ui/screens.h.

#include <cstdint>
#include <string>

namespace kv {

class kvgame;

// Join steps of slot 7 (the screen's step state, 0 after the switch).
inline constexpr int32_t kJoinAwaitAnswer = 0;
inline constexpr int32_t kJoinAwaitBots = 1;
inline constexpr int32_t kJoinEnter = 2;
inline constexpr int32_t kJoinRefused = 3;

// "gui_p_%ss%d" ("gui_pw_..." wide) with the side's name and soldier + 1; empty unless side is 1-3,
// the second roll's index 0-3 and the soldier 0-4.
std::string briefing_preview_name(bool wide, int32_t side, int32_t second, int32_t soldier);
// Picture 0 of the briefing screen shows that preview, whole; nothing for indices out of range.
void briefing_set_preview(kvgame& game, int32_t side, int32_t second, int32_t soldier);

}  // namespace kv
