#pragma once
// What the interface keeps in the game object: the thirteen screen slots filled from the level's
// screens, the current and previous slot, the current slot's step state, and the timers and positions
// of the screens' animations. The game object owns one; the screen manager (ui/gui.h) works on it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "kernel/timer.h"

namespace kv {

class kvscreen;

// Screen slots.
inline constexpr int kScreenSlots = 13;
inline constexpr int32_t kScreenMenu = 0;
inline constexpr int32_t kScreenLoading = 1;
inline constexpr int32_t kScreenGame = 2;
inline constexpr int32_t kScreenLanList = 3;
inline constexpr int32_t kScreenBriefing = 4;
inline constexpr int32_t kScreenScores = 5;
inline constexpr int32_t kScreenControls = 6;
inline constexpr int32_t kScreenBriefing2 = 7;
inline constexpr int32_t kScreenHost = 8;
inline constexpr int32_t kScreenBrowser = 9;
inline constexpr int32_t kScreenOptions = 10;
inline constexpr int32_t kScreenHostFromList = 11;
inline constexpr int32_t kScreenQuit = 12;

// The two calls the manager makes of the music; unset, they go to the kernel's sound facade.
struct gui_music {
    std::function<bool()> is_playing;
    std::function<bool(const std::string&, bool)> play;
};

struct gui_state {
    kvscreen* screens[kScreenSlots] = {};
    int32_t current_slot = 0;
    int32_t previous_slot = 0;
    int32_t step_state = 0;  // the current slot's step; 0 after every switch
    // The main menu's scrolling banner and the options screen's scanning bar.
    int32_t banner_offset = 0;
    std::unique_ptr<timer> banner_timer;
    int32_t bar_position = 0;
    std::unique_ptr<timer> bar_timer;
    // The multiplayer screens': the host screen's page (-1 before its first page switch) and banner,
    // the server browser's and the LAN list's fades, and the scanning bar the two lists share.
    int32_t host_page = -1;
    int32_t host_banner_offset = 0;
    std::unique_ptr<timer> host_banner_timer;
    std::string host_notice;  // a refused login's text, kept in the help line
    int32_t browser_fade_ms = 0;
    int32_t lan_fade_ms = 0;
    int32_t list_bar_position = 0;
    std::unique_ptr<timer> list_bar_timer;
    // What the HUD, briefing and quit screen time their drawing by; made by the first draw.
    std::unique_ptr<timer> draw_timer;
    gui_music music;
};

}  // namespace kv
