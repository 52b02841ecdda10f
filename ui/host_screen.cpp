// The host game screen (slots 8 and 11): three pages of rules, maps and limits, and bots, turned into
// the server service's settings lines on start; then the wait for the network server, the local
// client's login and the bot line. The custom bot presets live in "bots.cfg".

#include <algorithm>
#include <filesystem>

#include "bots/bot_central.h"
#include "data/file_stream.h"
#include "game/kvgame.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_server.h"
#include "net/server_session.h"
#include "ui/gui.h"
#include "ui/input/input.h"
#include "ui/multiplayer.h"
#include "ui/screens.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr const char* kVersionText = "1.0";
constexpr int32_t kBuild = 182;
constexpr int32_t kKeyEscape = 146;

// Network modes.
constexpr int32_t kModeLan = 0;
constexpr int32_t kModeInternet = 1;
constexpr int32_t kModeLocal = 2;

// Step states.
constexpr int32_t kHostSetUp = 0;
constexpr int32_t kHostStart = 1;
constexpr int32_t kHostAwaitServer = 2;
constexpr int32_t kHostLogin = 3;
constexpr int32_t kHostAwaitLogin = 4;
constexpr int32_t kHostDone = 5;
constexpr int32_t kHostIdle = 6;

constexpr int32_t kBannerPicture = 2;
constexpr int32_t kHelpPicture = 105;
constexpr int32_t kHelpLabel = 51;
constexpr int32_t kBannerStepMs = 30;
constexpr int32_t kBannerStep = 3;
constexpr int32_t kBannerEnd = 1000;
constexpr int32_t kBannerStart = -60;
constexpr int32_t kInternetSpeed = 65536;
constexpr int32_t kLocalSpeed = 1048576;
constexpr int32_t kMapColumnWidth = 240;
constexpr int32_t kMaxTeamPlayers = 10;
constexpr int32_t kMaxPlayersTotal = 30;
constexpr int32_t kDefaultRoundTime = 5;
constexpr int32_t kDefaultCampaignTime = 60;
constexpr int32_t kMinRespawnTime = 10;
constexpr const char* kMasterBusy = "FLD 9";
constexpr float kItemColour[4] = {1.0f, 1.0f, 1.0f, 0.0f};

// The widgets of each page (inclusive ranges; an empty range is first > last).
struct page_widgets {
    int32_t pictures[2], labels[2], buttons[2], rolls[2], checks[2], lists[2], edits[2];
};
constexpr page_widgets kPages[3] = {
    {{28, 41}, {10, 23}, {1, 0}, {0, 0}, {0, 5}, {1, 0}, {0, 2}},
    {{42, 73}, {24, 38}, {5, 6}, {1, 3}, {1, 0}, {0, 1}, {3, 4}},
    {{74, 100}, {39, 50}, {7, 7}, {4, 18}, {6, 8}, {1, 0}, {1, 0}},
};

// The last item of each of a team's four rolls.
constexpr int32_t kTeamRollLast[4] = {4, 2, 1, 3};

constexpr bot_preset_table kBuiltInPresets = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {2, 0, 0, 1, 2, 0, 0, 1, 0, 0, 0, 0, 0},
    {1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 0},
    {1, 0, 0, 2, 1, 0, 0, 2, 1, 0, 0, 2, 0},
    {},
    {},
    {},
    {},
}};

kvscreen* host(kvgame& game) {
    const int32_t slot = game.gui.current_slot == kScreenHostFromList ? kScreenHostFromList : kScreenHost;
    return game.gui.screens[slot];
}

int32_t network_mode(const kvgame& game) {
    if (game.gui.current_slot != kScreenHostFromList) return kModeLocal;
    return game.gui.previous_slot == kScreenLanList ? kModeLan : kModeInternet;
}

const std::string& menu_text(kvgame& game, int32_t n) {
    return server_text(kvgame_server(game), kTextMenu, n);
}

void set_label(kvscreen& s, int32_t index, const std::string& text) {
    if (kvtext* label = kvscreen_label(s, index)) kvtext_set_text(*label, text);
}

void set_button_text(kvscreen& s, int32_t index, const std::string& text) {
    if (kvbutton* button = kvscreen_button(s, index)) kvtext_set_text(button->label, text);
}

void enable_button(kvscreen& s, int32_t index, bool enabled) {
    if (kvbutton* button = kvscreen_button(s, index)) kvbutton_set_enabled(*button, enabled);
}

void show_picture(kvscreen& s, int32_t index, bool visible) {
    if (kvstatic* picture = kvscreen_picture(s, index)) kvstatic_set_visible(*picture, visible);
}

void set_check(kvscreen& s, int32_t index, bool checked, bool enabled) {
    if (kvcheck* check = kvscreen_check(s, index)) {
        kvcheck_set_checked(*check, checked);
        kvcheck_set_enabled(*check, enabled);
    }
}

bool checked(kvscreen& s, int32_t index) {
    const kvcheck* check = kvscreen_check(s, index);
    return check && kvcheck_is_checked(*check);
}

int32_t roll_value(kvscreen& s, int32_t index) {
    const kvroll* roll = kvscreen_roll(s, index);
    return roll ? roll->current : 0;
}

void enable_roll(kvscreen& s, int32_t index, bool enabled) {
    if (kvroll* roll = kvscreen_roll(s, index)) kvroll_set_enabled(*roll, enabled);
}

void fill_roll(kvroll& roll, const std::vector<std::string>& items) {
    roll.items.clear();
    roll.current = 0;
    for (const std::string& item : items) kvroll_add_item(roll, item, kItemColour);
}

std::vector<std::string> numbers(int32_t last) {
    std::vector<std::string> items;
    for (int32_t i = 0; i <= last; ++i) items.push_back(std::to_string(i));
    return items;
}

std::string edit_text(kvscreen& s, int32_t index) {
    const kvedit* edit = kvscreen_edit(s, index);
    return edit ? edit->text : std::string();
}

BotCentral* bot_host(kvgame& game) {
    return kvgame_server(game).bots;
}

bool bots_ready(kvgame& game) {
    const BotCentral* bots = bot_host(game);
    return bots && bots->ready;
}

// Shows or hides every widget of a page.
void show_page(kvscreen& s, int32_t page, bool visible) {
    const page_widgets& w = kPages[page];
    for (int32_t i = w.pictures[0]; i <= w.pictures[1]; ++i) show_picture(s, i, visible);
    for (int32_t i = w.labels[0]; i <= w.labels[1]; ++i) {
        if (kvtext* label = kvscreen_label(s, i)) kvtext_set_visible(*label, visible);
    }
    for (int32_t i = w.buttons[0]; i <= w.buttons[1]; ++i) {
        if (kvbutton* button = kvscreen_button(s, i)) kvbutton_set_visible(*button, visible);
    }
    for (int32_t i = w.rolls[0]; i <= w.rolls[1]; ++i) {
        if (kvroll* roll = kvscreen_roll(s, i)) kvroll_set_visible(*roll, visible);
    }
    for (int32_t i = w.checks[0]; i <= w.checks[1]; ++i) {
        if (kvcheck* check = kvscreen_check(s, i)) kvcheck_set_visible(*check, visible);
    }
    for (int32_t i = w.lists[0]; i <= w.lists[1]; ++i) {
        if (kvselection* list = kvscreen_selection(s, i)) kvselection_set_visible(*list, visible);
    }
    for (int32_t i = w.edits[0]; i <= w.edits[1]; ++i) {
        if (kvedit* edit = kvscreen_edit(s, i)) kvedit_set_visible(*edit, visible);
    }
}

void switch_page(kvgame& game, kvscreen& s, int32_t page) {
    int32_t& shown = game.gui.host_page;
    if (page != shown) {
        for (int32_t p = 0; p < 3; ++p) {
            if (shown == -1 || p == shown) show_page(s, p, false);
        }
        shown = page;
        show_page(s, page, true);
        for (int32_t b = 1; b <= 3; ++b) enable_button(s, b, true);
        for (int32_t p = 101; p <= 104; ++p) show_picture(s, p, false);
        enable_button(s, 1 + page, false);
        show_picture(s, 101 + page, true);
        set_label(s, 9, menu_text(game, 26 + page));
    }
    // The dedicated box is hidden in local mode, shown but disabled in LAN mode and usable in
    // internet mode. Both slots share one screen, so each mode sets all three of its states: an
    // earlier showing in another mode must not leave the box hidden or disabled.
    const int32_t mode = network_mode(game);
    const int32_t titles[3] = {8, 9, 2};
    set_label(s, 2, menu_text(game, titles[mode]));
    set_label(s, 3, menu_text(game, titles[mode]));
    const bool rules_shown = game.gui.host_page == 0 && mode != kModeLocal;
    if (kvcheck* dedicated = kvscreen_check(s, 5)) {
        kvcheck_set_visible(*dedicated, rules_shown);
        kvcheck_set_enabled(*dedicated, mode == kModeInternet);
    }
    if (kvtext* label = kvscreen_label(s, 23)) kvtext_set_visible(*label, rules_shown);
    show_picture(s, 41, rules_shown);
    if (kvedit* server_name = kvscreen_edit(s, 1)) kvedit_set_enabled(*server_name, mode != kModeLocal);
}

struct game_mode_preset {
    bool boxes[5];
    bool enabled;
    float colour[4];
};
constexpr game_mode_preset kGameModes[3] = {
    {{false, true, true, false, true}, false, {0.52f, 0.47f, 0.05f, 0.0f}},
    {{true, false, false, true, false}, false, {0.52f, 0.47f, 0.05f, 0.0f}},
    {{false, false, false, false, false}, true, {1.0f, 0.87f, 0.0f, 0.0f}},
};

void apply_game_mode(kvscreen& s, int32_t value) {
    if (value < 0 || value > 2) return;
    const game_mode_preset& preset = kGameModes[value];
    for (int32_t i = 0; i < 5; ++i) set_check(s, i, preset.boxes[i], preset.enabled);
    if (kvtext* label = kvscreen_label(s, 19)) kvtext_set_color(*label, preset.colour);
}

void load_bot_preset(kvgame& game, kvscreen& s, int32_t entry) {
    if (!bots_ready(game) || entry < 0 || entry >= kBotPresets) return;
    const bot_preset& preset = host_bot_presets()[static_cast<std::size_t>(entry)];
    const int32_t mask = preset[kBotPresetMask];
    for (int32_t team = 0; team < 3; ++team) {
        const bool on = (mask >> team & 1) != 0;
        set_check(s, 6 + team, on, entry != 0);
        for (int32_t v = 0; v < 4; ++v) {
            const int32_t slot = team * 4 + v;
            kvroll* roll = kvscreen_roll(s, 6 + slot);
            if (!roll) continue;
            const int32_t last = std::max<int32_t>(0, static_cast<int32_t>(roll->items.size()) - 1);
            kvroll_select(*roll, std::clamp(preset[static_cast<std::size_t>(slot)], 0, last));
            kvroll_set_enabled(*roll, on);
        }
    }
    enable_button(s, 7, entry >= kFirstCustomPreset);
}

// Removes the excess over 30 players from the largest team other than the changed one and writes the
// values back to every roll but the changed one.
void team_size_rule(kvscreen& s, int32_t changed) {
    int32_t sizes[3] = {roll_value(s, 1), roll_value(s, 2), roll_value(s, 3)};
    int32_t excess = sizes[0] + sizes[1] + sizes[2] - kMaxPlayersTotal;
    while (excess-- > 0) {
        int32_t other[3] = {sizes[0], sizes[1], sizes[2]};
        if (changed >= 0 && changed < 3) other[changed] = 0;
        if (other[0] > other[1] && other[0] > other[2]) {
            --sizes[0];
        } else if (other[1] >= other[0] && other[1] > other[2]) {
            --sizes[1];
        } else {
            --sizes[2];
        }
    }
    for (int32_t team = 0; team < 3; ++team) {
        if (team == changed) continue;
        if (kvroll* roll = kvscreen_roll(s, 1 + team)) kvroll_select(*roll, sizes[team]);
    }
}

// Moves the selected row of one map list to the other.
void move_map(kvscreen& s, int32_t from_index, int32_t to_index) {
    kvselection* from = kvscreen_selection(s, from_index);
    kvselection* to = kvscreen_selection(s, to_index);
    if (!from || !to) return;
    const kvselection_row* row = kvselection_row_at(*from, kvselection_selected_index(*from));
    if (!row) return;
    const std::string key = row->key;
    const std::string text = row->cells.empty() ? key : row->cells.front().text;
    kvselection_remove_row(*from, key);
    kvselection_add_row(*to, key);
    kvselection_set_cell(*to, key, text, 1);
    kvselection_clear_selection(*to);
}

void sort_maps(kvselection& list) {
    if (list.columns.empty()) return;
    list.columns.front().sort = 0;  // sort again, whatever order the column had
    kvselection_sort(list, 0, kSortAscending);
}

void run_banner(kvgame& game, kvscreen& s) {
    gui_state& gui = game.gui;
    if (kvstatic* banner = kvscreen_picture(s, kBannerPicture))
        banner->x = static_cast<float>(gui.host_banner_offset);
    if (!gui.host_banner_timer) gui.host_banner_timer = std::make_unique<timer>();
    if (timer_elapsed_ms(*gui.host_banner_timer) > kBannerStepMs) {
        gui.host_banner_offset += kBannerStep;
        timer_restart(*gui.host_banner_timer);
    }
    if (gui.host_banner_offset >= kBannerEnd) gui.host_banner_offset = kBannerStart;
}

void set_up(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    game.gui.host_notice.clear();
    const int32_t mode = network_mode(game);
    if (kvedit* name = kvscreen_edit(s, 0)) kvedit_set_text(*name, srv.client.profile_name);
    if (kvedit* name = kvscreen_edit(s, 1))
        kvedit_set_text(*name, mode == kModeLocal ? menu_text(game, 22) : srv.client.server_name_setting);

    if (kvroll* game_mode = kvscreen_roll(s, 0))
        fill_roll(*game_mode, {menu_text(game, 23), menu_text(game, 24), menu_text(game, 25)});
    for (int32_t i = 0; i < 2; ++i) {
        if (kvselection* list = kvscreen_selection(s, i)) {
            kvselection_clear(*list);
            kvselection_add_column(*list, "", kMapColumnWidth, 0);
        }
    }
    if (kvselection* all = kvscreen_selection(s, 0)) {
        server_list_maps(srv);
        for (const map_record& map : srv.maps) {
            kvselection_add_row(*all, map.name);
            kvselection_set_cell(*all, map.name, map.name, 1);
        }
        sort_maps(*all);
    }

    const int32_t times[2] = {srv.client.round_time_setting, srv.client.campaign_time_setting};
    for (int32_t i = 0; i < 2; ++i) {
        if (kvedit* edit = kvscreen_edit(s, 3 + i)) {
            kvedit_set_text(*edit, str_format("%d", times[i]));
            kvedit_set_digits_only(*edit, true);
        }
    }

    for (int32_t i = 1; i <= 3; ++i) {
        if (kvroll* roll = kvscreen_roll(s, i)) {
            fill_roll(*roll, numbers(kMaxTeamPlayers));
            kvroll_select(*roll, 5);
        }
    }
    team_size_rule(s, -1);

    if (bots_ready(game)) {
        if (kvroll* preset = kvscreen_roll(s, 4)) {
            std::vector<std::string> items;
            for (int32_t n = 59; n <= 65; ++n) items.push_back(menu_text(game, n));
            fill_roll(*preset, items);
            kvroll_set_enabled(*preset, true);
        }
        if (kvroll* config = kvscreen_roll(s, 5)) {
            fill_roll(*config, bot_host(game)->configs);
            kvroll_set_enabled(*config, true);
        }
        for (int32_t team = 0; team < 3; ++team) set_check(s, 6 + team, true, true);
        for (int32_t slot = 0; slot < 12; ++slot) {
            if (kvroll* roll = kvscreen_roll(s, 6 + slot)) fill_roll(*roll, numbers(kTeamRollLast[slot % 4]));
        }
        bots_file_load(srv, host_bot_presets());
    } else {
        if (kvroll* preset = kvscreen_roll(s, 4)) {
            fill_roll(*preset, {menu_text(game, 59)});
            kvroll_set_enabled(*preset, false);
        }
        enable_button(s, 7, false);
        if (kvroll* config = kvscreen_roll(s, 5)) {
            fill_roll(*config, {"-----"});
            kvroll_set_enabled(*config, false);
        }
        for (int32_t team = 0; team < 3; ++team) set_check(s, 6 + team, false, false);
        for (int32_t slot = 0; slot < 12; ++slot) {
            if (kvroll* roll = kvscreen_roll(s, 6 + slot)) {
                fill_roll(*roll, {"0"});
                kvroll_set_enabled(*roll, false);
            }
        }
    }

    if (kvedit* respawn = kvscreen_edit(s, 2)) {
        kvedit_set_text(*respawn, "0");
        kvedit_set_digits_only(*respawn, true);
        kvedit_set_enabled(*respawn, checked(s, 1));
    }

    game.gui.host_page = -1;
    switch_page(game, s, 1);
    for (int32_t p : {101, 103, 104, 105}) show_picture(s, p, false);
    apply_game_mode(s, roll_value(s, 0));
    load_bot_preset(game, s, roll_value(s, 4));
    game.gui.step_state = kHostIdle;
}

std::string current_bot_line(kvscreen& s) {
    const bool ticked[3] = {checked(s, 6), checked(s, 7), checked(s, 8)};
    int32_t values[12] = {};
    for (int32_t slot = 0; slot < 12; ++slot) values[slot] = roll_value(s, 6 + slot);
    return host_bot_line(ticked, values);
}

bool send_line(server& srv, const std::string& line) {
    const multiplayer_links& links = multiplayer_links_get();
    return links.service_command ? links.service_command(line) : service_command(srv.service, line);
}

bool server_ready() {
    const multiplayer_links& links = multiplayer_links_get();
    if (links.master_ok) return links.master_ok();
    const server_session& session = server_session_get();
    return session.network && session.network->master_ok();
}

const char* yes_no(bool on) {
    return on ? "yes" : "no";
}

void start(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    kvselection* rotation = kvscreen_selection(s, 1);
    if (!rotation || rotation->rows.empty()) {
        game.gui.step_state = kHostDone;
        return;
    }
    const int32_t mode = network_mode(game);
    std::vector<std::string> lines = {"stop"};
    for (const kvselection_row& row : rotation->rows) lines.push_back("set pkg-name:" + row.key);
    lines.push_back(str_format("set dedicated:%s", yes_no(checked(s, 5))));
    static constexpr const char* kModes[3] = {"lan", "inet", "local"};
    lines.push_back(std::string("set net-mode:") + kModes[mode]);
    const std::string name = clean_file_name(edit_text(s, 1));
    lines.push_back("set server-name:\"" + name + "\"");
    if (mode != kModeLocal) srv.client.server_name_setting = name;
    const int32_t game_mode = roll_value(s, 0);
    lines.push_back(std::string("set game-mode:") + (game_mode == 0   ? "arcade"
                                                     : game_mode == 1 ? "realistic"
                                                                      : "custom"));
    lines.push_back(str_format("set friendly-fire:%s", yes_no(checked(s, 0))));
    int32_t respawn = 0;
    if (checked(s, 1)) {
        respawn = str_to_int(edit_text(s, 2));
        if (respawn != 0 && respawn < kMinRespawnTime) respawn = kMinRespawnTime;
    }
    lines.push_back(str_format("set respawn-time:%d", respawn));
    lines.push_back(str_format("set free-camera:%s", yes_no(checked(s, 2))));
    lines.push_back(str_format("set iron-sights:%s", yes_no(checked(s, 3))));
    lines.push_back(str_format("set id-tags:%s", yes_no(checked(s, 4))));
    int32_t round_time = str_to_int(edit_text(s, 3));
    if (round_time < 0) round_time = kDefaultRoundTime;
    srv.client.round_time_setting = round_time;
    lines.push_back(str_format("set round-time:%d", round_time));
    int32_t campaign_time = str_to_int(edit_text(s, 4));
    if (campaign_time < 0) campaign_time = kDefaultCampaignTime;
    srv.client.campaign_time_setting = campaign_time;
    lines.push_back(str_format("set campaign-time:%d", campaign_time));
    for (int32_t team = 1; team <= 3; ++team) {
        int32_t most = roll_value(s, team);
        if (most < 0 || most > kMaxTeamPlayers) most = kMaxTeamPlayers;
        lines.push_back(str_format("set maxplayers%d:%d", team, most));
    }
    for (const std::string& line : lines) send_line(srv, line);
    if (BotCentral* bots = bot_host(game)) {
        botc_enable(*bots, true);
        if (bots->ready) {
            const kvroll* config = kvscreen_roll(s, 5);
            if (config && config->current >= 0 &&
                static_cast<std::size_t>(config->current) < config->items.size())
                botc_set_default_config(*bots, config->items[static_cast<std::size_t>(config->current)].text);
        }
    }
    send_line(srv, "set bots-setup:" + current_bot_line(s));
    game.gui.step_state = kHostAwaitServer;
    send_line(srv, "start");
}

void show_refusal(kvgame& game, kvscreen& s, const std::string& status) {
    const std::string* reply = net_reply_text(kvgame_server(game), status);
    const std::string text = reply && !reply->empty() ? *reply : status;
    game.gui.host_notice = text;
    show_picture(s, kHelpPicture, true);
    set_label(s, kHelpLabel, text);
    log_write("[game] host: the login was refused: %s\n", log_printable(text).c_str());
}

void login_step(kvgame& game, kvscreen& s) {
    server& srv = kvgame_server(game);
    net_client& client = srv.client;
    int32_t& state = game.gui.step_state;
    if (state == kHostAwaitServer) {
        if (server_ready()) state = kHostLogin;
    } else if (state == kHostLogin) {
        const int32_t mode = network_mode(game);
        client_set_mode(client, mode);
        const int32_t speed = mode == kModeInternet ? kInternetSpeed : kLocalSpeed;
        client_set_net_speed(client, speed, speed);
        client_login(client, 0, edit_text(s, 0), false);
        srv.connecting = 1;
        state = kHostAwaitLogin;
    } else if (state == kHostAwaitLogin) {
        const int32_t result = client_pending_result(client);
        if (result < 0) return;
        srv.connecting = 0;
        if (result > 0) {
            // The network game has started: the world follows the session's map from here on.
            srv.map_follow_latch = 0;
            client_send_say(client, client_local_player_id(client), 0, 0, "#conn");
            srv.host_bot_line = current_bot_line(s);
            srv.pending_bot_login = srv.host_bot_line;
            state = kHostDone;
            return;
        }
        const std::string status = client_take_status_text(client);
        if (status == kMasterBusy) {
            // The master has not answered yet: wait for it and log in again.
            state = kHostAwaitServer;
            return;
        }
        show_refusal(game, s, status);
        state = kHostDone;
    }
}

}  // namespace

bot_preset_table& host_bot_presets() {
    static bot_preset_table table = kBuiltInPresets;
    return table;
}

void host_bot_presets_reset() {
    host_bot_presets() = kBuiltInPresets;
}

void bots_file_parse(bot_preset_table& presets, const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size() && i < kBotPresets - kFirstCustomPreset; ++i) {
        bot_preset& entry = presets[kFirstCustomPreset + i];
        for (int32_t f = 0; f < kBotPresetValues; ++f)
            entry[static_cast<std::size_t>(f)] = str_to_int(str_field_or_empty(lines[i], f, ' '));
    }
}

std::string bots_file_text(const bot_preset_table& presets) {
    std::string text;
    for (int32_t e = kFirstCustomPreset; e < kBotPresets; ++e) {
        for (int32_t value : presets[static_cast<std::size_t>(e)]) text += str_format("%d ", value);
        text += '\n';
    }
    return text;
}

bool bots_file_load(server& srv, bot_preset_table& presets) {
    std::unique_ptr<file_stream> stream;
    if (!srv.write_dir.empty()) {
        const std::string own = srv.write_dir + kBotsFile;
        std::error_code error;
        if (std::filesystem::is_regular_file(own, error)) {
            stream = std::make_unique<file_stream>();
            if (!file_stream_open(*stream, own, kFileRead)) stream.reset();
        }
    }
    if (!stream) stream = server_open_file(srv, kBotsFile, false);
    if (!stream) return false;
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < kBotPresets - kFirstCustomPreset && file_stream_read_line(*stream, line))
        lines.push_back(line);
    bots_file_parse(presets, lines);
    return true;
}

bool bots_file_save(const server& srv, const bot_preset_table& presets) {
    const std::string text = bots_file_text(presets);
    file_stream stream;
    bool ok = file_stream_open_replacement(stream, srv.write_dir + kBotsFile);
    if (ok) ok = file_stream_write(stream, text.data(), text.size());
    if (ok) {
        ok = file_stream_commit(stream);
    } else {
        file_stream_close(stream);
    }
    if (!ok) log_write("[game] *WARNING* %s could not be saved\n", kBotsFile);
    return ok;
}

std::string host_bot_line(const bool (&ticked)[3], const int32_t (&values)[12]) {
    std::string line;
    for (int32_t team = 0; team < 3; ++team) {
        if (ticked[team]) {
            const int32_t* v = values + team * 4;
            line += str_format("%d%d%d%d ", v[0], v[1], v[2], v[3]);
        } else {
            line += team < 2 ? "0000 " : "0000";
        }
    }
    return line == "0000 0000 0000" ? std::string() : line;
}

std::string clean_file_name(const std::string& name) {
    std::string clean;
    for (char c : name) {
        if (c == '"') continue;
        clean += static_cast<unsigned char>(c) < 32 ? ' ' : c;
    }
    return clean;
}

multiplayer_links& multiplayer_links_get() {
    static multiplayer_links links;
    return links;
}

void host_on_show(kvgame& game) {
    kvscreen* s = host(game);
    if (!s) return;
    const auto text = [&](int32_t n) { return menu_text(game, n); };
    set_button_text(*s, 0, text(6));
    set_label(*s, 4, text(6));
    for (int32_t i = 1; i <= 4; ++i) {
        set_button_text(*s, i, text(31 + i));
        set_label(*s, 4 + i, text(31 + i));
    }
    const int32_t pairs[][3] = {{10, 11, 36}, {12, 13, 37}, {14, 15, 38}, {18, 19, 42},
                                {24, 25, 46}, {28, 29, 47}, {32, 33, 48}};
    for (const auto& p : pairs) {
        set_label(*s, p[0], text(p[2]));
        set_label(*s, p[1], text(p[2]));
    }
    const int32_t boxes[][3] = {{0, 16, 39}, {1, 17, 40}, {2, 20, 41}, {3, 21, 43}, {4, 22, 44},
                                {5, 23, 45}, {6, 48, 56}, {7, 49, 57}, {8, 50, 58}};
    for (const auto& b : boxes) {
        if (kvcheck* check = kvscreen_check(*s, b[0])) kvcheck_set_text(*check, text(b[2]));
        set_label(*s, b[1], text(b[2]));
    }
    set_label(*s, 37, text(49));
    set_label(*s, 38, text(50));
    for (int32_t i = 34; i <= 36; ++i) set_label(*s, i, str_format("%c", 26));
    set_button_text(*s, 7, text(51));
    set_label(*s, 39, text(51));
    for (int32_t i = 0; i < 4; ++i) {
        set_label(*s, 40 + i, text(52 + i));
        set_label(*s, 44 + i, text(52 + i));
    }
    for (int32_t i : {53, 54}) {
        if (kvtext* label = kvscreen_label(*s, i)) kvtext_set_visible(*label, true);
    }
    set_label(*s, 53, str_format("ver : %s", kVersionText));
    set_label(*s, 54, str_format("build : %i", kBuild));
}

void host_handle_event(kvgame& game, int32_t code) {
    kvscreen* s = host(game);
    if (!s) return;
    input& in = kernel_get().input_layer;
    if (input_has_key_event(in) && input_read_key(in) == kKeyEscape) {
        gui_show_screen(game, kScreenMenu, false);
        return;
    }
    const int32_t preset = roll_value(*s, 4);
    switch (code) {
        case 0:
            gui_show_screen(game, game.gui.previous_slot, false);
            return;
        case 1:
        case 2:
        case 3:
            switch_page(game, *s, code - 1);
            return;
        case 4:
            game.gui.step_state = kHostStart;
            return;
        case 5:
            move_map(*s, 0, 1);
            return;
        case 6:
            move_map(*s, 1, 0);
            if (kvselection* all = kvscreen_selection(*s, 0)) sort_maps(*all);
            return;
        case 7:
            bots_file_save(kvgame_server(game), host_bot_presets());
            return;
        case kScreenEventRoll:
            apply_game_mode(*s, roll_value(*s, 0));
            return;
        case kScreenEventRoll + 1:
        case kScreenEventRoll + 2:
        case kScreenEventRoll + 3:
            team_size_rule(*s, code - kScreenEventRoll - 1);
            return;
        case kScreenEventRoll + 4:
            load_bot_preset(game, *s, preset);
            return;
        case kScreenEventCheck + 1:
            if (kvedit* respawn = kvscreen_edit(*s, 2)) kvedit_set_enabled(*respawn, checked(*s, 1));
            return;
        default:
            break;
    }
    if (code >= kScreenEventRoll + 6 && code <= kScreenEventRoll + 17) {
        if (preset >= kFirstCustomPreset && preset < kBotPresets) {
            host_bot_presets()[static_cast<std::size_t>(preset)]
                              [static_cast<std::size_t>(code - kScreenEventRoll - 6)] =
                                  roll_value(*s, code - kScreenEventRoll);
        }
    } else if (code >= kScreenEventCheck + 6 && code <= kScreenEventCheck + 8) {
        const int32_t team = code - kScreenEventCheck - 6;
        const bool on = checked(*s, 6 + team);
        for (int32_t v = 0; v < 4; ++v) enable_roll(*s, 6 + team * 4 + v, on);
        if (preset >= kFirstCustomPreset && preset < kBotPresets) {
            int32_t& mask = host_bot_presets()[static_cast<std::size_t>(preset)][kBotPresetMask];
            mask = on ? mask | (1 << team) : mask & ~(1 << team);
        }
    } else if (code >= kScreenEventList && code < kScreenEventList + 500) {
        move_map(*s, 0, 1);
    } else if (code >= kScreenEventList + 500) {
        move_map(*s, 1, 0);
        if (kvselection* all = kvscreen_selection(*s, 0)) sort_maps(*all);
    }
}

void host_show_help(kvgame& game, int32_t pointed) {
    kvscreen* s = host(game);
    if (!s) return;
    int32_t entry = -1;
    if (pointed >= 1 && pointed <= 3) {
        entry = 102 + pointed;
    } else if (pointed == 4) {
        const kvselection* rotation = kvscreen_selection(*s, 1);
        entry = rotation && !rotation->rows.empty() ? 102 : 101;
    } else if (pointed == 5 || pointed == 6) {
        entry = 100;
    } else if (pointed == kScreenEventRoll) {
        entry = 90;
    } else if (pointed == kScreenEventRoll + 4) {
        entry = 106;
    } else if (pointed == kScreenEventRoll + 5) {
        entry = 107;
    } else if (pointed >= kScreenEventCheck && pointed <= kScreenEventCheck + 4) {
        entry = 91 + pointed - kScreenEventCheck;
    }
    if (entry < 0) return;
    show_picture(*s, kHelpPicture, true);
    set_label(*s, kHelpLabel, menu_text(game, entry));
}

void host_clear_help(kvgame& game) {
    kvscreen* s = host(game);
    if (!s) return;
    // A refused login stays in view.
    const std::string& notice = game.gui.host_notice;
    show_picture(*s, kHelpPicture, !notice.empty());
    set_label(*s, kHelpLabel, notice);
}

void host_step(kvgame& game, int32_t) {
    kvscreen* s = host(game);
    if (!s) return;
    switch (game.gui.step_state) {
        case kHostSetUp:
            set_up(game, *s);
            break;
        case kHostStart:
            start(game, *s);
            break;
        case kHostAwaitServer:
        case kHostLogin:
        case kHostAwaitLogin:
            login_step(game, *s);
            break;
        default:
            break;
    }
    run_banner(game, *s);
}

}  // namespace kv
