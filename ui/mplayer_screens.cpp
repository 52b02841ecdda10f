// The multiplayer screen "mplayer_scr" in its two slots: the LAN game list (slot 3) and the internet
// server browser (slot 9), with the server list file "servers.lst" that carries the browser's list
// from one run to the next. Both list the network client's servers, log in to the chosen one and
// run a scanning bar over the screen.

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "bots/bot_central.h"
#include "data/file_stream.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/snapshot_package.h"
#include "platform/udp_socket.h"
#include "ui/gui.h"
#include "ui/multiplayer.h"
#include "ui/screens.h"
#include "util/text.h"
#include "util/text_format.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";
constexpr int32_t kBuild = 182;
constexpr int32_t kBackKey = 5146;
constexpr int32_t kStatusLabel = 12;
constexpr int32_t kJoinButton = 4;
constexpr int32_t kJoinPicture = 3;
constexpr int32_t kBarPicture = 2;
constexpr int32_t kBarStepMs = 30;
constexpr int32_t kBarStep = 3;
constexpr int32_t kBarEnd = 1000;
constexpr int32_t kBarStart = -60;
constexpr int32_t kFadeMs = 1000;
constexpr int32_t kLanSpeed = 1048576;
constexpr std::size_t kMaxFileName = 63;
constexpr float kItemColour[4] = {1.0f, 1.0f, 1.0f, 0.0f};

// Browser steps.
constexpr int32_t kBrowserSetUp = 0;
constexpr int32_t kBrowserMasterQuery = 1;
constexpr int32_t kBrowserFirstPing = 2;
constexpr int32_t kBrowserLastPing = 8;
constexpr int32_t kBrowserJoining = 9;
constexpr int32_t kBrowserIdle = 10;

// LAN list steps.
constexpr int32_t kLanSetUp = 0;
constexpr int32_t kLanQuery = 1;
constexpr int32_t kLanJoining = 3;
constexpr int32_t kLanIdle = 4;

struct line_speed {
    const char* text;
    int32_t speed;
    int32_t limit;
};
constexpr line_speed kLineSpeeds[3] = {
    {"ISDN 128 kbs", 1500, 14500},
    {"DSL >256 kbs", 1500, 30500},
    {"LAN   10 Mbs", 1500, 18700},
};

struct column {
    const char* title;
    int32_t width;
    int32_t inset;
};
constexpr column kBrowserColumns[5] = {
    {"1", 204, 7}, {"2", 130, 32}, {"3", 80, 40}, {"4", 80, 40}, {"5", 75, 50}};
constexpr column kLanColumns[5] = {{"1", 224, 7}, {"2", 120, 7}, {"3", 100, 7}, {"4", 112, 7}, {"5", 100, 7}};

kvscreen* mplayer(kvgame& game) {
    return game.gui.screens[kScreenBrowser];
}

const std::string& menu_text(kvgame& game, int32_t n) {
    return server_text(kvgame_server(game), kTextMenu, n);
}

void set_label(kvscreen& s, int32_t index, const std::string& text) {
    if (kvtext* label = kvscreen_label(s, index)) kvtext_set_text(*label, text);
}

void set_status_colour(kvscreen& s, int32_t fade_ms) {
    const float f = static_cast<float>(fade_ms) / static_cast<float>(kFadeMs);
    const float colour[4] = {1.0f, f, 0.0f, 0.0f};
    if (kvtext* label = kvscreen_label(s, kStatusLabel)) kvtext_set_color(*label, colour);
}

void enable_join(kvscreen& s, bool enabled) {
    if (kvbutton* join = kvscreen_button(s, kJoinButton)) kvbutton_set_enabled(*join, enabled);
}

void set_columns(kvselection& list, const column (&columns)[5]) {
    kvselection_clear(list);
    for (const column& c : columns) kvselection_add_column(list, c.title, c.width, c.inset);
}

// The five cells of an entry's row: name, map, ping, players and the flag letters. This runs for
// every entry every frame of a ping round, so the numbers are formatted into the cells' own texts.
void fill_cells(kvselection_row& row, const server_entry& e) {
    if (row.cells.size() < 5) return;
    char number[32];
    row.cells[0].text = e.name;
    row.cells[1].text = e.map;
    std::snprintf(number, sizeof number, "%d", e.ping);
    row.cells[2].text = number;
    std::snprintf(number, sizeof number, "%d/%d", e.numbers[0], e.numbers[1]);
    row.cells[3].text = number;
    row.cells[4].text = net_format_game_flags(e.answered);
}

// "%s %d" of the dotted address and the port.
std::string entry_key(const server_entry& e) {
    char key[32];
    std::snprintf(key, sizeof key, "%u.%u.%u.%u %u", e.address >> 24, (e.address >> 16) & 0xFF,
                  (e.address >> 8) & 0xFF, e.address & 0xFF, static_cast<unsigned>(e.port));
    return key;
}

// The status line for the reply of a failed request: its message, else the reply itself.
std::string refusal_text(kvgame& game, const std::string& status) {
    const std::string* reply = net_reply_text(kvgame_server(game), status);
    return reply && !reply->empty() ? *reply : status;
}

void run_bar(kvgame& game, kvscreen& s) {
    gui_state& gui = game.gui;
    if (kvstatic* bar = kvscreen_picture(s, kBarPicture)) bar->y = static_cast<float>(gui.list_bar_position);
    if (!gui.list_bar_timer) gui.list_bar_timer = std::make_unique<timer>();
    if (timer_elapsed_ms(*gui.list_bar_timer) > kBarStepMs) {
        gui.list_bar_position += kBarStep;
        if (gui.list_bar_position >= kBarEnd) gui.list_bar_position = kBarStart;
        timer_restart(*gui.list_bar_timer);
    }
}

void disable_bots(kvgame& game) {
    if (BotCentral* bots = kvgame_server(game).bots) botc_enable(*bots, false);
}

// The fields of a "servers.lst" line: split at blanks, a blank between double quotes does not split
// and the quotes are dropped.
std::vector<std::string> split_quoted(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string file_name(const std::string& name) {
    std::string clean = clean_file_name(name);
    if (clean.size() > kMaxFileName) clean.resize(kMaxFileName);
    return clean;
}

void browser_set_up(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    set_label(s, kStatusLabel, "");
    enable_join(s, true);
    if (kvselection* list = kvscreen_selection(s, 0)) set_columns(*list, kBrowserColumns);
    if (kvroll* speed = kvscreen_roll(s, 0)) {
        speed->items.clear();
        for (const line_speed& l : kLineSpeeds) kvroll_add_item(*speed, l.text, kItemColour);
        kvroll_set_enabled(*speed, true);
        kvroll_select(*speed, std::clamp(srv.client.net_speed_setting, 0, 2));
    }
    if (kvcheck* check = kvscreen_check(s, 0)) {
        kvcheck_set_enabled(*check, true);
        kvcheck_set_checked(*check, false);
    }
    set_label(s, 16, str_format("ver : %s", kVersionText));
    set_label(s, 17, str_format("build : %i", kBuild));
    servers_file_load(srv, srv.client);
    if (kvselection* list = kvscreen_selection(s, 0)) browser_fill_rows(*list, srv.client.servers);
    game.gui.step_state = kBrowserIdle;
}

void browser_ping_step(kvgame& game, kvscreen& s, int32_t elapsed_ms) {
    net_client& client = kvgame_server(game).client;
    int32_t& step = game.gui.step_state;
    int32_t& fade = game.gui.browser_fade_ms;
    kvselection* list = kvscreen_selection(s, 0);
    const int32_t waiting = list ? browser_fill_rows(*list, client.servers) : 0;
    set_label(s, kStatusLabel, text_format(menu_text(game, 14), {std::to_string(waiting)}));
    set_status_colour(s, fade);
    fade += elapsed_ms;
    if (fade <= kFadeMs) return;
    fade = 0;
    if (client_server_list_result(client) < 0) return;
    if (waiting > 0 && step < kBrowserLastPing) {
        client_request_server_list(client, false);
        ++step;
        return;
    }
    const int32_t answered = static_cast<int32_t>(client.servers.size()) - waiting;
    set_label(s, kStatusLabel,
              answered == 1 ? text_format(menu_text(game, 73), {"1"})
                            : text_format(menu_text(game, 74), {std::to_string(answered)}));
    enable_join(s, true);
    if (list) browser_fill_rows(*list, client.servers);
    step = kBrowserIdle;
}

void browser_join(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    net_client& client = srv.client;
    enable_join(s, false);
    servers_file_save(srv, client);
    kvselection* list = kvscreen_selection(s, 0);
    if (!list) return;
    const kvselection_row* row = kvselection_row_at(*list, kvselection_selected_index(*list));
    if (!row) return;
    for (std::size_t i = 0; i < client.servers.size(); ++i) {
        if (entry_key(client.servers[i]) != row->key) continue;
        client.current_server = client.servers[i];
        set_label(s, kStatusLabel, menu_text(game, 10));
        disable_bots(game);
        const int32_t choice = kvscreen_roll(s, 0) ? std::clamp(kvscreen_roll(s, 0)->current, 0, 2) : 0;
        client.net_speed_setting = choice;
        client_set_net_speed(client, kLineSpeeds[choice].speed, kLineSpeeds[choice].limit);
        const kvcheck* flag = kvscreen_check(s, 0);
        client_login(client, static_cast<int32_t>(i) + 1, client.profile_name,
                     flag && kvcheck_is_checked(*flag));
        game.gui.step_state = kBrowserJoining;
        return;
    }
}

void lan_set_up(kvgame& game, kvscreen& s) {
    net_client& client = kvgame_server(game).client;
    set_label(s, 9, menu_text(game, 3));
    set_label(s, 10, menu_text(game, 3));
    set_label(s, kStatusLabel, menu_text(game, 11));
    for (int32_t b = 0; b < kJoinButton; ++b) {
        if (kvbutton* button = kvscreen_button(s, b)) kvbutton_set_enabled(*button, true);
    }
    enable_join(s, false);
    if (kvstatic* picture = kvscreen_picture(s, kJoinPicture)) kvstatic_set_visible(*picture, false);
    if (kvselection* list = kvscreen_selection(s, 0)) set_columns(*list, kLanColumns);
    if (kvroll* speed = kvscreen_roll(s, 0)) {
        speed->items.clear();
        speed->current = 0;
        kvroll_add_item(*speed, kLineSpeeds[2].text, kItemColour);
    }
    client_set_mode(client, 0);
    client_request_server_list(client, false);
    game.gui.step_state = kLanQuery;
}

void lan_query_step(kvgame& game, kvscreen& s, int32_t elapsed_ms) {
    net_client& client = kvgame_server(game).client;
    int32_t& fade = game.gui.lan_fade_ms;
    set_status_colour(s, fade);
    fade += elapsed_ms;
    if (fade <= kFadeMs) return;
    fade = 0;
    if (client_server_list_result(client) < 0) return;
    const std::size_t found = client.servers.size();
    set_label(s, kStatusLabel,
              found == 1 ? text_format(menu_text(game, 75), {"1"})
                         : text_format(menu_text(game, 76), {std::to_string(found)}));
    enable_join(s, true);
    if (kvstatic* picture = kvscreen_picture(s, kJoinPicture)) kvstatic_set_visible(*picture, true);
    if (kvselection* list = kvscreen_selection(s, 0)) lan_fill_rows(*list, client.servers);
    game.gui.step_state = kLanQuery + 1;
}

// The join's result: -1 waits; 1 greets the server, 0 shows why it refused.
bool join_result_step(kvgame& game, kvscreen& s) {
    net_client& client = kvgame_server(game).client;
    const int32_t result = client_server_list_result(client);
    if (result < 0) return false;
    if (result > 0) {
        // The network game has started: the world follows the session's map from here on.
        kvgame_server(game).map_follow_latch = 0;
        if (game.gui.current_slot == kScreenBrowser) enable_join(s, true);
        client_send_say(client, client_local_player_id(client), 0, 0, "#conn");
    } else {
        set_label(s, kStatusLabel, refusal_text(game, client_take_status_text(client)));
    }
    return true;
}

void lan_join(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    net_client& client = srv.client;
    kvselection* list = kvscreen_selection(s, 0);
    if (!list) return;
    const kvselection_row* row = kvselection_row_at(*list, kvselection_selected_index(*list));
    if (!row) return;
    // The row's key is the entry's index: a sort by a column moves rows, not entries.
    const int32_t index = str_to_int(row->key);
    if (index < 0 || static_cast<std::size_t>(index) >= client.servers.size()) return;
    client.current_server = client.servers[static_cast<std::size_t>(index)];
    set_label(s, kStatusLabel, menu_text(game, 10));
    disable_bots(game);
    client_set_net_speed(client, kLanSpeed, kLanSpeed);
    client_login(client, index + 1, client.profile_name, false);
    game.gui.step_state = kLanJoining;
    srv.second_status = 1;
}

}  // namespace

std::string servers_file_line(const server_entry& e) {
    return str_format("%s %d \"%s\" %d \"%s\" %d %d %d %d", net_format_address(e.address).c_str(), e.port,
                      file_name(e.name).c_str(), static_cast<int16_t>(e.tag), file_name(e.map).c_str(),
                      e.numbers[0], e.numbers[1], e.answered, e.ping);
}

bool servers_file_parse_line(const std::string& line, server_entry& e) {
    if (line.empty()) return false;
    std::vector<std::string> fields = split_quoted(line);
    fields.resize(std::max<std::size_t>(fields.size(), 9));
    e = server_entry();
    if (!net_parse_address(fields[0], e.address)) e.address = 0;
    e.port = static_cast<uint16_t>(str_to_int(fields[1]));
    e.name = fields[2];
    e.tag = static_cast<uint16_t>(str_to_int(fields[3]));
    e.map = fields[4];
    e.numbers[0] = str_to_int(fields[5]);
    e.numbers[1] = str_to_int(fields[6]);
    e.answered = str_to_int(fields[7]);
    e.ping = str_to_int(fields[8]);
    return true;
}

bool servers_file_load(const server& srv, net_client& client) {
    file_stream stream;
    if (!file_stream_open(stream, srv.write_dir + kServersFile, kFileRead)) return false;
    client.servers.clear();
    std::string line;
    while (file_stream_read_line(stream, line)) {
        server_entry entry;
        if (!servers_file_parse_line(line, entry)) break;
        client.servers.push_back(std::move(entry));
    }
    file_stream_close(stream);
    return !client.servers.empty();
}

bool servers_file_save(const server& srv, const net_client& client) {
    if (client.servers.empty()) return true;
    std::string text;
    for (const server_entry& e : client.servers) text += servers_file_line(e) + "\n";
    file_stream stream;
    bool ok = file_stream_open_replacement(stream, srv.write_dir + kServersFile);
    if (ok) ok = file_stream_write(stream, text.data(), text.size());
    if (ok) {
        ok = file_stream_commit(stream);
    } else {
        file_stream_close(stream);
    }
    if (!ok) log_write("[game] *WARNING* %s could not be saved\n", kServersFile);
    return ok;
}

int32_t browser_fill_rows(kvselection& list, const std::vector<server_entry>& servers) {
    std::unordered_map<std::string, std::size_t> rows;
    rows.reserve(list.rows.size());
    for (std::size_t i = 0; i < list.rows.size(); ++i) rows.emplace(list.rows[i].key, i);
    int32_t waiting = 0;
    for (const server_entry& e : servers) {
        if (e.answered == -1) {
            ++waiting;
            continue;
        }
        std::string key = entry_key(e);
        auto found = rows.find(key);
        if (found == rows.end()) {
            kvselection_add_row(list, key);
            found = rows.emplace(std::move(key), list.rows.size() - 1).first;
        }
        fill_cells(list.rows[found->second], e);
    }
    return waiting;
}

void lan_fill_rows(kvselection& list, const std::vector<server_entry>& servers) {
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const std::string key = str_format("%zu", i);
        kvselection_add_row(list, key);
        fill_cells(list.rows.back(), servers[i]);
    }
}

void lan_list_on_show(kvgame& game) {
    kvscreen* s = mplayer(game);
    if (!s) return;
    const auto text = [&](int32_t n) { return menu_text(game, n); };
    const int32_t buttons[][2] = {{66, 4}, {6, 5}, {67, 6}, {68, 7}, {69, 8}};
    for (int32_t b = 0; b < 5; ++b) {
        if (kvbutton* button = kvscreen_button(*s, b)) kvtext_set_text(button->label, text(buttons[b][0]));
        set_label(*s, buttons[b][1], text(buttons[b][0]));
    }
    set_label(*s, 9, text(70));
    set_label(*s, 10, text(70));
    set_label(*s, 11, text(71));
    if (kvcheck* check = kvscreen_check(*s, 0)) kvcheck_set_text(*check, text(72));
    set_label(*s, 13, text(72));
    set_label(*s, 14, text(78));
    set_label(*s, 15, text(78));
    for (int32_t i : {16, 17}) {
        if (kvtext* label = kvscreen_label(*s, i)) kvtext_set_visible(*label, true);
    }
    set_label(*s, 16, str_format("ver : %s", kVersionText));
    set_label(*s, 17, str_format("build : %i", kBuild));
    if (kvroll* speed = kvscreen_roll(*s, 0)) kvroll_set_enabled(*speed, false);
}

void lan_list_handle_event(kvgame& game, int32_t code) {
    kvscreen* s = mplayer(game);
    if (!s) return;
    if (code == 0) {
        gui_show_screen(game, kScreenHostFromList, false);
    } else if (code == 1) {
        gui_show_screen(game, kScreenMenu, false);
    } else if (code == 2) {
        set_label(*s, kStatusLabel, menu_text(game, 11));
        if (kvselection* list = kvscreen_selection(*s, 0)) kvselection_clear_rows(*list);
        net_client& client = kvgame_server(game).client;
        client_set_mode(client, 0);
        client_request_server_list(client, false);
        game.gui.step_state = kLanQuery;
    } else if (code == kJoinButton || (code >= kScreenEventList && code < kScreenEventList + 1000)) {
        lan_join(game, *s);
    }
}

void lan_list_step(kvgame& game, int32_t elapsed_ms) {
    kvscreen* s = mplayer(game);
    if (!s) return;
    switch (game.gui.step_state) {
        case kLanSetUp:
            lan_set_up(game, *s);
            break;
        case kLanQuery:
            lan_query_step(game, *s, elapsed_ms);
            break;
        case kLanJoining:
            if (join_result_step(game, *s)) game.gui.step_state = kLanIdle;
            break;
        default:
            break;
    }
    run_bar(game, *s);
}

void browser_handle_event(kvgame& game, int32_t code) {
    kvscreen* s = mplayer(game);
    if (!s) return;
    server& srv = kvgame_server(game);
    net_client& client = srv.client;
    const bool idle = game.gui.step_state == kBrowserIdle;
    if (code == 0 || code == 1) {
        client_reset_state(client);
        servers_file_save(srv, client);
        gui_show_screen(game, code == 0 ? kScreenHostFromList : kScreenMenu, false);
    } else if (code == kBackKey) {
        gui_show_screen(game, kScreenMenu, false);
    } else if ((code == 2 || code == 3) && idle) {
        enable_join(*s, false);
        if (kvselection* list = kvscreen_selection(*s, 0)) kvselection_clear_rows(*list);
        set_label(*s, kStatusLabel, "");
        client_set_mode(client, 1);
        client_request_server_list(client, code == 2);
        game.gui.step_state = code == 2 ? kBrowserMasterQuery : kBrowserFirstPing;
    } else if ((code == kJoinButton || (code >= kScreenEventList && code < kScreenEventList + 1000)) &&
               idle) {
        browser_join(game, *s);
    }
}

void browser_step(kvgame& game, int32_t elapsed_ms) {
    kvscreen* s = mplayer(game);
    if (!s) return;
    const int32_t step = game.gui.step_state;
    if (step == kBrowserSetUp) {
        browser_set_up(game, *s);
    } else if (step == kBrowserMasterQuery) {
        int32_t& fade = game.gui.browser_fade_ms;
        set_status_colour(*s, std::min(fade, kFadeMs));
        fade += elapsed_ms;
        net_client& client = kvgame_server(game).client;
        if (fade > kFadeMs) {
            fade = 0;
            if (client_server_list_result(client) >= 0) {
                client_set_mode(client, 1);
                client_request_server_list(client, false);
                game.gui.step_state = kBrowserFirstPing;
            }
        }
    } else if (step >= kBrowserFirstPing && step <= kBrowserLastPing) {
        browser_ping_step(game, *s, elapsed_ms);
    } else if (step == kBrowserJoining) {
        if (join_result_step(game, *s)) game.gui.step_state = kBrowserIdle;
    }
    run_bar(game, *s);
}

}  // namespace kv
