// One frame of the HUD on the demo's game screen: every HUD pass with the inventory and the skill
// levels shown, the statistics pass, and the radar's contacts among 32 soldiers, on the recording
// driver of the tests (goal: under 50 microseconds a frame).

#include <benchmark/benchmark.h>

#include <deque>
#include <memory>
#include <string>

#include "beings/being.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "tools/menu_screens.h"
#include "ui/kvscreen.h"
#include "ui/radar_contacts.h"
#include "ui/screens.h"
#include "util/token_list.h"

namespace kv {
namespace {

void BM_HudFrame(benchmark::State& state) {
    server& srv = server_get();
    arty_factory factory;
    arty_description d;
    d.class_name = "kvscreen";
    d.instance_name = "game_scr";
    d.parameters = std::make_unique<token_list>();
    for (const tools::screen_desc& s : tools::demo_screens()) {
        if (s.name == "game_scr") token_list_init(*d.parameters, s.parameters.size(), s.parameters.data());
    }
    kvscreen screen(factory, d);
    arty_description none;
    kvgame game(factory, none);
    kvbound_camera camera(factory, none);
    game.bound_camera = &camera;
    game.gui.screens[kScreenGame] = &screen;
    game.gui.current_slot = kScreenGame;
    game.weapon_view = 1;
    game.hud.rpg = 1;
    srv.players.clear();
    srv.snapshot.state = 3;
    for (int i = 0; i < 32; ++i) {
        const uint32_t id = static_cast<uint32_t>(100 + i);
        player_record& r = srv.players.emplace_back(id);
        r.team = i % 2;
        r.specialisation = i % 4;
        r.state = 2;
        r.health = 100 - i;
        r.nick = "soldier " + std::to_string(i);
        for (uint8_t& level : r.levels) level = static_cast<uint8_t>(40 + 6 * i);
        auto b = std::make_unique<being>();
        b->srv = &srv;
        b->player_id = id;
        mat4_set_row0(b->place.transform, 1.0f, 0.0f, 0.0f);
        mat4_set_row1(b->place.transform, 0.0f, 1.0f, 0.0f);
        mat4_set_row2(b->place.transform, 0.0f, 0.0f, 1.0f);
        mat4_set_row3(b->place.transform, static_cast<float>(i % 8) * 300.0f, 0.0f,
                      static_cast<float>(i / 8) * 300.0f);
        b->weapons.used = 3;
        b->weapons.slots[0] = weapon_slot{0, 0, 0, 0, 20, 3, 30, 2, 0, 3, 1};
        b->weapons.slots[1] = weapon_slot{29, 0, 0, 0, 12, 2, 12, 0, 1, 2, 1};
        b->weapons.slots[2] = weapon_slot{8, 0, 0, 0, 2, 0, 5, 0, 3, 1, 1};
        game.players.push_back(std::move(b));
    }
    being& viewer = *game.players.front();
    camera.followed = &viewer;
    timer draw_timer;
    for (auto _ : state) {
        hud_draw_statistics(game);
        hud_draw_passes(game, draw_timer);
        radar_update(game, viewer);
    }
    camera.followed = nullptr;
    game.players.clear();
    srv.players.clear();
    srv.snapshot = snapshot_package();
}
BENCHMARK(BM_HudFrame);

}  // namespace
}  // namespace kv
