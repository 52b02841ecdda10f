#include "game/kvgame_commands.h"

#include <cerrno>

#include "beings/being.h"
#include "data/file_stream.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/file_io.h"
#include "ui/hud.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr int32_t kScreenshotNames = 1000;
constexpr int32_t kBotState = 2;
constexpr int32_t kBotHealth = 100;
constexpr int32_t kBotTeams = 3;

// The number of the next screenshot name to try in this run.
int32_t next_screenshot = 0;

std::string word(const std::string& text, int index) {
    return str_field_or_empty(text, index, ' ');
}

}  // namespace

int32_t kvgame_game_command(server& srv, const std::vector<uint32_t>& being_ids, const std::string& text) {
    // The being's sights, and the same overlay again after a change of weapon.
    if (text.starts_with("g_sights") || text.starts_with("wpn_sights")) {
        hud_set_sights(str_to_int(word(text, 1)), word(text, 2), word(text, 3));
        return 0;
    }
    if (text.starts_with("b_add")) {
        return kvgame_add_bot(srv, word(text, 1), str_to_int(word(text, 2)), str_to_int(word(text, 3)),
                              str_to_int(word(text, 4)));
    }
    if (text.starts_with("b_kill")) return kvgame_kill_bot(srv, being_ids, word(text, 1));
    return -1;
}

int32_t kvgame_add_bot(server& srv, const std::string& name, int32_t, int32_t team, int32_t spawn_point) {
    // A bot plays for one of the three teams; any other team would leave a record without a being.
    if (team < 0 || team >= kBotTeams) {
        log_stamped("kvgame: *WARNING* b_add: team %d out of range, no bot added.\n", team);
        return 1;
    }
    uint32_t id = kFirstBotId;
    while (id <= kLastBotId && server_find_player(srv, id)) ++id;
    if (id > kLastBotId) return 1;

    player_slot slot;
    slot.id = id;
    slot.name = name;
    slot.spawn = spawn_point;
    slot.team = team;
    slot.specialisation = 0;
    slot.skin = 0;
    slot.state = kBotState;
    slot.health = kBotHealth;
    player_init(srv, slot);
    server_add_local_player(srv, id);
    server_purge_players(srv);
    return 0;
}

int32_t kvgame_kill_bot(server& srv, const std::vector<uint32_t>& being_ids, const std::string& name) {
    for (uint32_t id : being_ids) {
        if (id < kFirstBotId || id > kLastBotId) continue;
        player_record* r = server_find_player(srv, id);
        if (!r || r->nick != name) continue;
        r->left = 1;
        server_purge_players(srv);
        return 0;
    }
    return 1;
}

std::string kvgame_screenshot(server& srv) {
    const std::string folder = srv.write_dir + "snapshots/";
    if (!sys_make_dir(folder)) {
        log_stamped("kvgame: *WARNING* couldn't create the folder `%s'.\n", folder.c_str());
        return std::string();
    }
    while (next_screenshot < kScreenshotNames) {
        const std::string name = str_format("scr%03d.tga", next_screenshot++);
        // Only a new name: an existing file (or a link of that name) is never written.
        file_stream stream;
        if (!file_stream_open(stream, folder + name, kFileWrite | kFileCreate | kFileExclusive)) {
            if (stream.error == EEXIST) continue;
            return std::string();
        }
        kernel_save_screenshot(kernel_get(), stream);
        file_stream_close(stream);
        return name;
    }
    log_stamped("kvgame: *WARNING* no screenshot taken: names up to scr999.tga are used.\n");
    return std::string();
}

int32_t kvgame_run_game_command(kvgame& game, const std::string& text) {
    std::vector<uint32_t> being_ids;
    for (const auto& b : game.players) being_ids.push_back(b->record ? b->record->id : 0);
    return kvgame_game_command(kvgame_server(game), being_ids, text);
}

void kvgame_take_screenshot(kvgame& game) {
    kvgame_screenshot(kvgame_server(game));
}

void kvgame_screenshot_restart() {
    next_screenshot = 0;
}

}  // namespace kv
