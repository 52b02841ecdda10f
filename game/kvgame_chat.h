#pragma once
// The game object's message lines: ten lines on the game screen's communication panel, the chat
// entry line and the radio menu, with the columns of the scores list set up beside them.

#include <cstdint>
#include <string>

namespace kv {

struct being;
struct input;
struct kvmltext;
struct kvselection;
struct kvstatic;
struct server;

// Widgets of the screens: the game screen's panel picture, aim mark and multi-line label, the scores
// screen's selection list.
inline constexpr int32_t kPanelPicture = 9;
inline constexpr int32_t kAimMarkPicture = 6;
inline constexpr int32_t kPanelLabel = 0;
inline constexpr int32_t kScoresList = 0;

// Entry modes.
inline constexpr int32_t kEntryClosed = 0;
inline constexpr int32_t kEntryChat = 1;
inline constexpr int32_t kEntryRadioFirst = 2;  // radio menu pages 1 to 4: modes 2 to 5
inline constexpr int32_t kEntryRadioLast = 5;

// Actions of the message keys.
inline constexpr int32_t kActionShowComhud = 25;
inline constexpr int32_t kActionSendMessage = 30;
inline constexpr int32_t kActionRadio = 31;

// Key codes of the input layer that chat entry reads.
inline constexpr int32_t kKeyEnter = 0x91;
inline constexpr int32_t kKeyBackspace = 0x93;
inline constexpr int32_t kKeyPromptSwitch1 = 0x95;
inline constexpr int32_t kKeyPromptSwitch2 = 0x96;

inline constexpr int kMessageLines = 10;

// Radio messages: four pages of ten.
inline constexpr int32_t kRadioMessages = 40;

// Kept by the game object.
struct kvgame_messages {
    int32_t entry_mode = kEntryClosed;
    uint8_t comhud = 0;
    std::string lines[kMessageLines];  // the tenth is the entry while chat entry is open
    std::string panel_text;
};

// What the message operations reach of the game object when they are called.
struct kvgame_chat_env {
    server& srv;
    input& in;
    bool game_screen = false;  // the current screen is the game screen
    kvstatic* panel_picture = nullptr;
    kvmltext* panel_label = nullptr;
    kvstatic* aim_mark = nullptr;
    kvselection* scores = nullptr;
    being* local_being = nullptr;
    uint32_t local_player_id = 0;
};

// Screens built: the panel closed and empty, the scores columns, the music faded, the aim mark placed.
void kvgame_message_list_init(kvgame_messages& m, const kvgame_chat_env& env);
// The panel shows the lines or the radio page; without the comhud flag it is hidden and keys go back
// to actions. Only on the game screen.
void kvgame_message_list_refresh(kvgame_messages& m, const kvgame_chat_env& env);
// The "Show comhud", "Radio" and "Send message" actions.
void kvgame_comhud_key(kvgame_messages& m, const kvgame_chat_env& env, bool down);
void kvgame_radio_key(kvgame_messages& m, const kvgame_chat_env& env, bool down);
void kvgame_chat_key(kvgame_messages& m, const kvgame_chat_env& env, bool down);
// Once per frame of the game screen: the waiting key goes to chat entry or the radio menu.
void kvgame_message_input(kvgame_messages& m, const kvgame_chat_env& env);
void kvgame_chat_line(kvgame_messages& m, const kvgame_chat_env& env, const std::string& name,
                      const std::string& text);
// Plays the radio voice and shows its line. A number outside the four pages plays nothing and
// shows the empty text.
void kvgame_radio_line(kvgame_messages& m, const kvgame_chat_env& env, int32_t number,
                       const std::string& name);
// A new round: the lines and the panel empty (an entry being typed stays).
void kvgame_messages_reset(kvgame_messages& m, const kvgame_chat_env& env);
// The panel closed and keys back to actions, on whatever screen (the level is being left).
void kvgame_messages_close(kvgame_messages& m, const kvgame_chat_env& env);

}  // namespace kv
