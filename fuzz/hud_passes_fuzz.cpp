// The HUD and the scores take what the network brought: snapshot slots, player records (team,
// specialisation, state, health, levels, nick) and the game state, flags and result, drawn with "base"
// entries from the text files. The input fills them byte by byte: a header (game state, flags, result,
// seconds, silence), up to eight records and slots, the followed soldier's weapons and state, up to
// eight "base" entries (a number, a length and its bytes) and queued messages; then every HUD pass,
// the statistics pass, the sights and the scores run on the demo's game and scores screens.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "beings/being.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "tools/menu_screens.h"
#include "ui/gui.h"
#include "ui/hud.h"
#include "ui/kvscreen.h"
#include "ui/screens.h"
#include "util/token_list.h"

namespace {

using namespace kv;

struct reader {
    const uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    int32_t value() { return static_cast<int8_t>(byte()) * 256 + byte(); }
    std::string text() {
        const std::size_t n = byte() % 24;
        std::string s;
        for (std::size_t i = 0; i < n && at < size; ++i) s.push_back(static_cast<char>(data[at++]));
        return s;
    }
};

std::unique_ptr<kvscreen> make_screen(arty_factory& factory, const std::string& name) {
    arty_description d;
    d.class_name = "kvscreen";
    d.instance_name = name;
    d.parameters = std::make_unique<token_list>();
    for (const tools::screen_desc& s : tools::demo_screens()) {
        if (s.name == name) token_list_init(*d.parameters, s.parameters.size(), s.parameters.data());
    }
    return std::make_unique<kvscreen>(factory, d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static arty_factory& factory = *new arty_factory();
    static std::unique_ptr<kvscreen> game_scr = make_screen(factory, "game_scr");
    static std::unique_ptr<kvscreen> scores_scr = make_screen(factory, "scores_scr");
    server& srv = server_get();
    reader in{data, size};

    arty_description none;
    kvgame game(factory, none);
    kvbound_camera camera(factory, none);
    game.bound_camera = &camera;
    game.gui.screens[kScreenGame] = game_scr.get();
    game.gui.screens[kScreenScores] = scores_scr.get();
    game.gui.current_slot = kScreenGame;
    game.local_player_id = in.byte();
    game.weapon_view = in.byte() & 1;
    game.hud.rpg = in.byte() & 1;

    srv.snapshot = snapshot_package();
    srv.snapshot.state = in.byte() % 10;
    srv.snapshot.flags = in.byte() & ~4;  // the flying camera needs a level's spawn point
    srv.snapshot.result = in.value();
    srv.seconds_left = in.value();
    srv.client.silence = in.byte() % 4;
    srv.client.connected = (in.byte() & 1) != 0;
    srv.players.clear();
    const int records = in.byte() % 9;
    for (int i = 0; i < records; ++i) {
        player_record& r = srv.players.emplace_back(in.byte());
        r.team = in.value();
        r.specialisation = in.value();
        r.state = in.value();
        r.health = in.value();
        for (uint8_t& level : r.levels) level = in.byte();
        r.nick = in.text();
    }
    const int slots = in.byte() % 9;
    for (int i = 0; i < slots; ++i) {
        player_slot s;
        s.id = in.byte();
        s.team = in.value();
        s.state = in.value();
        s.counters[0] = in.value();
        s.counters[1] = in.value();
        s.ping = in.value();
        srv.snapshot.slots.push_back(s);
    }
    being b;
    b.srv = &srv;
    b.player_id = in.byte();
    b.weapons.used = in.byte() % 7;
    for (int i = 0; i < b.weapons.used; ++i) {
        weapon_slot& w = b.weapons.slots[i];
        w = weapon_slot{in.value(), 0, 0, 0, in.value(), in.value(), 30, in.value(), in.byte() % 8, in.value(), 1};
    }
    b.weapons.current = in.byte() % 8;
    b.sight_step = in.byte() % 5;
    b.sights = in.byte() & 1;
    b.progress = static_cast<float>(in.value()) / 256.0f;
    b.movement_state = in.byte() % 23;
    b.hud_value = static_cast<float>(in.value()) / 1000.0f;
    if (in.byte() & 1) camera.followed = &b;
    auto& base = srv.text_tables[kTextBase].entries;
    base.assign(160, "");
    const int entries = in.byte() % 9;
    for (int i = 0; i < entries; ++i) {
        const std::size_t n = in.byte() % 160;
        base[n] = in.text();
    }
    const int messages = in.byte() % 4;
    for (int i = 0; i < messages; ++i) hud_add_message(game, in.value(), in.text());

    timer draw_timer;
    hud_draw_statistics(game);
    hud_draw_passes(game, draw_timer);
    hud_set_sights(in.byte() % 7, in.text(), in.text());
    hud_draw_passes(game, draw_timer);
    kvscreen_draw(*game_scr);
    game.gui.current_slot = kScreenScores;
    scores_on_show(game);
    scores_draw(game);
    kvscreen_draw(*scores_scr);
    camera.followed = nullptr;
    srv.players.clear();
    srv.snapshot = snapshot_package();
    srv.client.connected = false;
    srv.client.silence = 0;
    return 0;
}
