#pragma once
// The screens of the demo menu package and their pictures: the main menu, the loading, controls, quit,
// options, host game and multiplayer screens with every widget their logic addresses, and the in-game
// screens of tools/game_screens.h.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/widget_pictures.h"

namespace kv::tools {

inline constexpr const char* kMenuBackground = "gui_menuback";
inline constexpr const char* kMenuTitle = "gui_title";
inline constexpr const char* kMenuBanner = "gui_banner";
inline constexpr const char* kMenuPanel = "gui_panel";
inline constexpr const char* kMenuHelpLine = "gui_helpline";
inline constexpr const char* kMenuButton = "gui_button";
inline constexpr const char* kMenuBar = "gui_bar";
inline constexpr const char* kConsoleBackground = "gui_conback";

struct screen_desc {
    std::string name;
    std::vector<uint8_t> parameters;  // the token list of a "kvscreen" description
};

std::vector<screen_desc> demo_screens();
// The pictures the screens and the console use, as Targa images (widget_picture_targa).
std::vector<widget_picture> menu_pictures();
// The "menu" and "base" text-table entries the screens show, by number; others empty.
std::vector<std::string> menu_texts();
// "Toggle console" on the grave key, and mouse invert off.
std::string demo_controls_file();

}  // namespace kv::tools
