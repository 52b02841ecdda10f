#include "game/kvgame_chat.h"

#include "beings/being.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_client.h"
#include "sound/sound_system.h"
#include "ui/gui.h"
#include "ui/input/input.h"
#include "ui/widgets.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr int kEntryLine = kMessageLines - 1;
constexpr char kPromptAll = '>';
constexpr char kPromptTeam = '#';
constexpr int32_t kFirstPrintable = 32;
constexpr int32_t kLastPrintable = 127;
constexpr std::size_t kRadioTextSkip = 4;  // the "n.  " before each radio line
constexpr int32_t kRadioChannel = 1;
constexpr int32_t kAimMarkSlot[4] = {436, 415, 128, 170};
constexpr int32_t kSnapshotNoAimMark = 2;

struct scores_column {
    int text;  // -1: the title "S"
    int32_t width;
    int32_t value;
};
constexpr scores_column kScoresColumns[] = {
    {-1, 40, 20}, {18, 270, 0}, {19, 240, 0}, {20, 110, 20}, {21, 152, 50}};

void add_line(kvgame_messages& m, const std::string& text) {
    for (std::string& line : m.lines) {
        if (line.empty()) {
            line = text;
            return;
        }
    }
    // Full: the lines move up; while chat entry is open the entry line stays where it is.
    const int last = m.entry_mode == kEntryChat ? kEntryLine - 1 : kEntryLine;
    for (int i = 0; i < last; ++i) m.lines[i] = std::move(m.lines[i + 1]);
    m.lines[last] = text;
}

// A released key (or none) releases its action in the local being, so that nothing stays held.
void release_key(const kvgame_chat_env& env, int32_t key) {
    if (!env.local_being || key >= 0) return;
    const int32_t action = input_find_action(env.in, -key);
    if (action != kInputNoAction) being_handle_command(*env.local_being, false, action);
}

void chat_input(kvgame_messages& m, const kvgame_chat_env& env, int32_t key) {
    std::string& entry = m.lines[kEntryLine];
    if (key <= 0) {
        release_key(env, key);
    } else if (key >= kFirstPrintable && key <= kLastPrintable) {
        entry.push_back(static_cast<char>(key));
    } else if (key == kKeyEnter) {
        input_end_text_entry(env.in);
        if (entry.size() > 1) {
            client_send_say(env.srv.client, static_cast<int32_t>(env.local_player_id),
                            entry[0] != kPromptTeam ? 1 : 0, 0, entry.substr(1));
        }
        entry.clear();
        m.entry_mode = kEntryClosed;
    } else if (key == kKeyBackspace) {
        if (entry.size() > 1) entry.pop_back();
    } else if (key == kKeyPromptSwitch1 || key == kKeyPromptSwitch2 ||
               key == input_find_key(env.in, kActionSendMessage)) {
        if (entry.empty()) entry.push_back(kPromptAll);
        entry[0] = entry[0] == kPromptTeam ? kPromptAll : kPromptTeam;
    }
}

void radio_input(kvgame_messages& m, const kvgame_chat_env& env, int32_t key) {
    if (key <= 0) {
        release_key(env, key);
    } else if (key == '0') {
        input_end_text_entry(env.in);
        m.entry_mode = kEntryClosed;
        m.comhud = 0;
    } else if (key >= '1' && key <= '9') {
        input_end_text_entry(env.in);
        const int digit = key - '0';
        const int32_t page = m.entry_mode - 1;
        if (!str_field_or_empty(m.panel_text, digit, '\n').empty() && env.local_being) {
            client_send_say(env.srv.client, static_cast<int32_t>(env.local_player_id), 1,
                            10 * (page - 1) + digit + 1, std::string());
        }
        m.entry_mode = kEntryClosed;
    } else if (key == input_find_key(env.in, kActionRadio)) {
        if (m.entry_mode == kEntryRadioLast) {
            m.entry_mode = kEntryClosed;
            m.comhud = 0;
        } else {
            ++m.entry_mode;
        }
    }
}

}  // namespace

void kvgame_message_list_init(kvgame_messages& m, const kvgame_chat_env& env) {
    m.entry_mode = kEntryClosed;
    m.comhud = 0;
    if (env.scores) {
        for (const scores_column& c : kScoresColumns) {
            kvselection_add_column(*env.scores, c.text < 0 ? "S" : server_text(env.srv, kTextKeys, c.text),
                                   c.width, c.value);
        }
    }
    music_fade_out(kernel_get().sound);
    m.panel_text.clear();
    kvgame_message_list_refresh(m, env);
    if (env.aim_mark) {
        kvstatic_set_rect(*env.aim_mark, kAimMarkSlot[0], kAimMarkSlot[1], kAimMarkSlot[2], kAimMarkSlot[3]);
        if (env.srv.snapshot.flags & kSnapshotNoAimMark) kvstatic_set_visible(*env.aim_mark, false);
    }
}

void kvgame_message_list_refresh(kvgame_messages& m, const kvgame_chat_env& env) {
    if (!env.game_screen) return;
    if (m.entry_mode >= kEntryRadioFirst && m.entry_mode <= kEntryRadioLast) {
        m.panel_text = server_text(env.srv, kTextBase, m.entry_mode - kEntryRadioFirst);
    } else {
        m.panel_text.clear();
        for (const std::string& line : m.lines) m.panel_text += line + "\n";
    }
    if (env.panel_label) kvmltext_set_text(*env.panel_label, m.panel_text, -1, -1);
    if (!m.comhud) input_end_text_entry(env.in);
    if (env.panel_picture) kvstatic_set_visible(*env.panel_picture, m.comhud != 0);
    if (env.panel_label) kvmltext_set_visible(*env.panel_label, m.comhud != 0);
}

void kvgame_comhud_key(kvgame_messages& m, const kvgame_chat_env& env, bool down) {
    if (!env.game_screen || !down) return;
    m.comhud = m.comhud ? 0 : 1;
    if (!m.comhud) m.entry_mode = kEntryClosed;
    kvgame_message_list_refresh(m, env);
}

void kvgame_messages_close(kvgame_messages& m, const kvgame_chat_env& env) {
    m.comhud = 0;
    m.entry_mode = kEntryClosed;
    input_end_text_entry(env.in);
    if (env.panel_picture) kvstatic_set_visible(*env.panel_picture, false);
    if (env.panel_label) kvmltext_set_visible(*env.panel_label, false);
}

void kvgame_radio_key(kvgame_messages& m, const kvgame_chat_env& env, bool down) {
    if (!env.game_screen || !down || m.entry_mode == kEntryRadioFirst) return;
    m.comhud = 1;
    m.entry_mode = kEntryRadioFirst;
    input_begin_text_entry(env.in);
    kvgame_message_list_refresh(m, env);
}

void kvgame_chat_key(kvgame_messages& m, const kvgame_chat_env& env, bool down) {
    if (!env.game_screen || !down || m.entry_mode == kEntryChat) return;
    if (!m.lines[kEntryLine].empty()) add_line(m, std::string());
    m.lines[kEntryLine] = std::string(1, kPromptAll);
    m.comhud = 1;
    m.entry_mode = kEntryChat;
    input_begin_text_entry(env.in);
    kvgame_message_list_refresh(m, env);
}

void kvgame_message_input(kvgame_messages& m, const kvgame_chat_env& env) {
    if (m.entry_mode == kEntryClosed || !input_has_key_event(env.in)) return;
    const int32_t key = input_read_key(env.in);
    if (m.entry_mode == kEntryChat) {
        chat_input(m, env, key);
    } else if (m.entry_mode >= kEntryRadioFirst && m.entry_mode <= kEntryRadioLast) {
        radio_input(m, env, key);
    }
    kvgame_message_list_refresh(m, env);
}

void kvgame_chat_line(kvgame_messages& m, const kvgame_chat_env& env, const std::string& name,
                      const std::string& text) {
    if (!env.game_screen) return;
    add_line(m, "(" + name + ") " + text);
    if (m.entry_mode == kEntryClosed) kvgame_message_list_refresh(m, env);
}

void kvgame_radio_line(kvgame_messages& m, const kvgame_chat_env& env, int32_t number,
                       const std::string& name) {
    std::string text;
    if (number >= 0 && number < kRadioMessages) {
        snd_play(kernel_get().sound, kRadioChannel, str_format("rvkv%d%d", number / 10 + 1, number % 10), 0,
                 0, false);
        const std::string line =
            str_field_or_empty(server_text(env.srv, kTextBase, number / 10), number % 10, '\n');
        if (line.size() > kRadioTextSkip) text = line.substr(kRadioTextSkip);
    } else {
        log_stamped("kvgame: *WARNING* radio message %d from %s ignored.\n", number,
                    log_printable(name).c_str());
    }
    if (!env.game_screen) return;
    add_line(m, "(" + name + ") " + text);
    if (m.entry_mode == kEntryClosed) kvgame_message_list_refresh(m, env);
}

void kvgame_messages_reset(kvgame_messages& m, const kvgame_chat_env& env) {
    if (!env.game_screen) return;
    // An entry being typed keeps its prompt and what was typed.
    const int kept = m.entry_mode == kEntryChat ? kEntryLine : kMessageLines;
    for (int i = 0; i < kept; ++i) m.lines[i].clear();
    m.panel_text.clear();
    kvgame_message_list_refresh(m, env);
}

kvgame_chat_env kvgame_message_env(kvgame& game) {
    kvgame_chat_env env{kvgame_server(game), kernel_get().input_layer};
    env.game_screen = game.gui.current_slot == kScreenGame;
    if (kvscreen* screen = game.gui.screens[kScreenGame]) {
        env.panel_picture = kvscreen_picture(*screen, kPanelPicture);
        env.panel_label = kvscreen_mltext(*screen, kPanelLabel);
        env.aim_mark = kvscreen_picture(*screen, kAimMarkPicture);
    }
    if (kvscreen* screen = game.gui.screens[kScreenScores]) env.scores = kvscreen_selection(*screen, kScoresList);
    env.local_being = game.local_being;
    env.local_player_id = game.local_player_id;
    return env;
}

void kvgame_message_list_init(kvgame& game) {
    kvgame_message_list_init(game.messages, kvgame_message_env(game));
}

void kvgame_message_list_refresh(kvgame& game) {
    kvgame_message_list_refresh(game.messages, kvgame_message_env(game));
}

void kvgame_comhud_key(kvgame& game, bool down) {
    kvgame_comhud_key(game.messages, kvgame_message_env(game), down);
}

void kvgame_radio_key(kvgame& game, bool down) {
    kvgame_radio_key(game.messages, kvgame_message_env(game), down);
}

void kvgame_chat_key(kvgame& game, bool down) {
    kvgame_chat_key(game.messages, kvgame_message_env(game), down);
}

void kvgame_message_input(kvgame& game) {
    kvgame_message_input(game.messages, kvgame_message_env(game));
}

void kvgame_chat_line(kvgame& game, const std::string& name, const std::string& text) {
    kvgame_chat_line(game.messages, kvgame_message_env(game), name, text);
}

void kvgame_radio_line(kvgame& game, int32_t number, const std::string& name) {
    kvgame_radio_line(game.messages, kvgame_message_env(game), number, name);
}

void kvgame_messages_reset(kvgame& game) {
    kvgame_messages_reset(game.messages, kvgame_message_env(game));
}

void kvgame_messages_close(kvgame& game) {
    kvgame_messages_close(game.messages, kvgame_message_env(game));
}

}  // namespace kv
