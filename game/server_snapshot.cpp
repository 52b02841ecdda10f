#include "game/server_snapshot.h"

#include <algorithm>

#include "bots/bot_central.h"
#include "game/game_events.h"
#include "game/server_world.h"
#include "kernel/kernel.h"
#include "kernel/log.h"

namespace kv {
namespace {

constexpr int32_t kMsPerSecond = 1000;

}  // namespace

void game_snapshot_update(server& srv, const snapshot_package& s) {
    if (s.state == kGameQuit) {
        arty_factory_post_key_down(srv.factory, kInputQuit);
        return;
    }
    const bool state_changed = srv.snapshot.state != s.state;
    snapshot_package_assign(srv.snapshot, s);
    if (srv.log_level != 0) {
        log_write("game snapshot update: state=%d flags=%d seconds=%d players=%d\n", s.state, s.flags,
                  s.seconds, snapshot_package_player_count(s));
    }
    if (!server_game_package_loaded(srv)) return;

    server_mark_players_left(srv);
    if (s.state == kGameWaiting) {
        arty_factory_post_event(srv.factory, kGameEventSyncBeings);
        server_round_reset(srv);
        arty_factory_post_event(srv.factory, kGameEventNewRound);
        if (!srv.water_instances.empty()) {
            gfx_add_texture_scroll_effect(kernel_get().graphics);
            gfx_forget_last_effect(kernel_get().graphics);
        }
    }
    for (const player_slot& slot : srv.snapshot.slots) player_init(srv, slot);
    server_purge_players(srv);
    server_set_clock(srv, s.seconds);

    if (!state_changed) return;
    if (s.state == kGameFreeze) {
        botc_round_start(*srv.bots);
        srv.end_countdown = kEndCountdownSeconds;
    } else if (s.state == kGameReport) {
        botc_round_end(*srv.bots, static_cast<uint8_t>(s.result & 0xFF));
    }
}

void server_set_clock(server& srv, int32_t seconds) {
    srv.elapsed_seconds = 0;
    srv.seconds_left = seconds;
}

int32_t server_seconds_left(const server& srv) {
    return srv.seconds_left;
}

int32_t server_end_seconds_left(const server& srv) {
    return srv.end_countdown;
}

int32_t server_game_state(const server& srv) {
    return srv.snapshot.state;
}

void server_take_pending_pair(server& srv, int32_t& a, int32_t& b) {
    a = srv.snapshot.goal_event_a;
    b = srv.snapshot.goal_event_b;
    srv.snapshot.goal_event_a = -1;
    srv.snapshot.goal_event_b = -1;
}

int32_t server_snapshot_take_pending(server& srv) {
    return snapshot_package_take_pending(srv.snapshot);
}

void server_round_reset(server& srv) {
    gfx& graphics = kernel_get().graphics;
    gfx_clear_effects(graphics);
    server_clear_grenades(srv);
    server_clear_dropped_weapons(srv);
    if (graphics.screen_tint) graphics.screen_tint = false;
}

void server_clock_tick(server& srv) {
    if (!srv.clock_timer) {
        srv.clock_timer = std::make_unique<timer>();
        srv.clock_timer_counted_ms = 0;
    }
    // The timer runs on: only whole milliseconds are taken, so the fractions of one are not lost
    // frame after frame.
    const int64_t elapsed = timer_elapsed_ms64(*srv.clock_timer);
    srv.clock_accumulator += static_cast<int32_t>(elapsed - srv.clock_timer_counted_ms);
    srv.clock_timer_counted_ms = elapsed;
    if (srv.clock_accumulator < kMsPerSecond) return;
    const int32_t seconds = srv.clock_accumulator / kMsPerSecond;
    srv.clock_accumulator %= kMsPerSecond;
    srv.elapsed_seconds += seconds;
    srv.seconds_left = std::max(0, srv.seconds_left - seconds);
    srv.end_countdown = std::max(0, srv.end_countdown - seconds);
}

void server_check_map_change(server& srv) {
    if (srv.map_follow_latch) return;
    if (srv.game_package == srv.snapshot.name) return;
    srv.load_request = kLoadRequestMapChange;
    srv.map_follow_latch = 1;
    arty_factory_post_command_text(srv.factory, kGameCommandChangeLevel, srv.snapshot.name);
    if (!srv.next_map.empty()) srv.current_map = srv.next_map;
}

}  // namespace kv
