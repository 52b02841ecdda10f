// Until the chat and radio lines are wired to the game object, the game object's calls to
// them are only noted (for the tests); the message lines are cleared for real.

#include "game/kvgame.h"
#include "kernel/neighbour_standins.h"
#include "util/text.h"

namespace kv {
namespace {

void note(std::string call) {
    standins().calls.push_back(std::move(call));
}

}  // namespace

void kvgame_chat_line(kvgame&, const std::string& first, const std::string& second) {
    note("kvgame_chat_line " + first + "|" + second);
}

void kvgame_radio_message(kvgame&, int32_t number, const std::string& text) {
    note(str_format("kvgame_radio_message %d %s", number, text.c_str()));
}

void kvgame_comhud(kvgame& game, bool down) {
    if (down && game.comhud) game.comhud = 0;
    note(str_format("kvgame_comhud %d", down ? 1 : 0));
}

void kvgame_chat_entry(kvgame&, bool down) {
    note(str_format("kvgame_chat_entry %d", down ? 1 : 0));
}

void kvgame_radio_menu(kvgame&, bool down) {
    note(str_format("kvgame_radio_menu %d", down ? 1 : 0));
}

void kvgame_reset_message_lines(kvgame& game) {
    for (std::string& line : game.message_lines) line.clear();
}

}  // namespace kv
