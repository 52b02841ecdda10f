#pragma once
// The bot host as the kernel's console uses it.

#include <string>

namespace kv {

struct BotCentral {};

// The program's one bot host.
BotCentral& bot_central_get();

// The bot console ("activate", "deactivate" ...), given the text after "b_"; true when handled.
bool botc_console_command(BotCentral& bots, const std::string& text);

}  // namespace kv
