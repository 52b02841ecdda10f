#pragma once
// Modal messages to the user. The text always goes to standard error, and to a message box
// on screen while the display has a window open.

#include <functional>
#include <string>

namespace kv {

enum class message_box_kind { info, warning, error };

using message_box_sink =
    std::function<void(const std::string& title, const std::string& text, message_box_kind kind)>;

void sys_message_box(const std::string& title, const std::string& text, message_box_kind kind);

// The display code says when its window opens and closes; no box is drawn on screen before.
void sys_message_box_set_display_open(bool open);

// Replaces where messages go (for tests); an empty sink restores standard error and the screen.
void sys_message_box_set_sink(message_box_sink sink);

}  // namespace kv
