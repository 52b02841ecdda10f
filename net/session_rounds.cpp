#include "net/session_rounds.h"

#include <algorithm>

#include "game/server.h"
#include "net/server_session.h"
#include "platform/random.h"
#include "util/text.h"

namespace kv {
namespace {

// The map record's level values: team limits, team minimums, then the default winner.
constexpr int kMapMinimums = 3;
constexpr int kMapDefaultWinner = 6;
// Texts of the "base" table.
constexpr int32_t kTextMapEnds = 152;
constexpr int32_t kTextMapBegins = 153;
// A round without respawning whose players are all down ends 5 to 15 seconds later.
constexpr int32_t kScheduledEndBase = 5;
constexpr int32_t kScheduledEndSpread = 10;

int32_t state_seconds(const server_session& s) {
    return timer_elapsed_seconds(s.state_timer);
}

void set_state(server_session& s, int32_t state, int32_t duration) {
    snapshot_package_set_state(s.snapshot, state);
    session_set_state_duration(s, duration);
}

int32_t alive_in_teams(const snapshot_package& snapshot) {
    int32_t alive = 0;
    for (int32_t team = 0; team < kSessionTeams; ++team)
        alive += snapshot_package_count_alive(snapshot, team);
    return alive;
}

void set_teams(snapshot_package& snapshot, int32_t state) {
    for (int32_t team = 0; team < kSessionTeams; ++team)
        snapshot_package_set_team_state(snapshot, team, state);
}

int32_t missing_players(server_session& s) {
    int32_t minimums[kSessionTeams] = {};
    if (const map_record* map = session_current_map(s)) {
        for (int t = 0; t < kSessionTeams; ++t) minimums[t] = map->level_values[kMapMinimums + t];
    }
    return snapshot_package_missing_players(s.snapshot, minimums);
}

void step_waiting(server_session& s) {
    snapshot_package_set_team_state(s.snapshot, kEveryTeam, kSlotNotInRound);
    snapshot_package_set_result(s.snapshot, missing_players(s));
    const int32_t teams = snapshot_package_teams_present(s.snapshot);
    if (teams >= 2) {
        set_state(s, kGameFreeze, s.times.freeze);
    } else if (teams == 1) {
        set_state(s, kGameOneTeam, 0);
    }
}

void step_one_team(server_session& s) {
    set_teams(s.snapshot, kSlotPlaying);
    const int32_t teams = snapshot_package_teams_present(s.snapshot);
    if (teams == 0) {
        snapshot_package_set_state(s.snapshot, kGameWaiting);
    } else if (teams >= 2) {
        set_state(s, kGameFreeze, s.times.freeze);
        session_log_line(s.log, "RND START\n");
    }
}

void step_freeze(server_session& s) {
    set_teams(s.snapshot, kSlotFrozen);
    if (snapshot_package_teams_present(s.snapshot) == 0) {
        snapshot_package_set_state(s.snapshot, kGameWaiting);
        return;
    }
    // The freeze lasts its whole duration, whatever seconds a snapshot sent during it carried.
    if (state_seconds(s) < s.state_duration) return;
    set_state(s, kGameRunning, s.times.round);
    s.scheduled_end = 0;
    set_teams(s.snapshot, kSlotPlaying);
    timer_restart(s.respawn_timer);
}

void step_running(server_session& s) {
    const int32_t winner = snapshot_package_winner_team(s.snapshot);
    if (!(state_seconds(s) < s.state_duration && winner == kSeveralTeamsAlive)) {
        set_state(s, kGameReport, s.times.report);
    }
    if (s.times.respawn > 0 && timer_elapsed_seconds(s.respawn_timer) >= s.times.respawn) {
        snapshot_package_set_team_state(s.snapshot, kRespawnSelection, kSlotPlaying);
        timer_restart(s.respawn_timer);
    }
    if (s.scheduled_end != 0 && state_seconds(s) >= s.scheduled_end) {
        set_state(s, kGameReport, s.times.report);
        s.scheduled_end = 0;
    } else if (s.scheduled_end == 0 && s.times.respawn == 0 && alive_in_teams(s.snapshot) == 0) {
        s.scheduled_end = state_seconds(s) + kScheduledEndBase + kv_rand() * kScheduledEndSpread / kRandMax;
    }
}

void step_report(server_session& s) {
    s.scheduled_end = 0;
    int32_t winner = snapshot_package_winner_team(s.snapshot);
    if (winner < 0) {
        const map_record* map = session_current_map(s);
        winner = map ? map->level_values[kMapDefaultWinner] : winner;
    }
    snapshot_package_set_result(s.snapshot, winner);
    if (state_seconds(s) < s.state_duration) return;
    snapshot_package_set_state(s.snapshot, kGameWaiting);
    snapshot_package_set_team_state(s.snapshot, kEveryTeam, kSlotNotInRound);
    snapshot_package_set_winner(s.snapshot, -1);
}

void change_map_now(server_session& s) {
    if (!s.next_map.empty()) {
        s.current_map = s.next_map;
        s.next_map.clear();
        session_console(kTextMapBegins, {s.current_map});
        session_log_line(s.log, "MAPBGN " + s.current_map + "\n");
        snapshot_package_set_team_state(s.snapshot, kEveryTeam, kSlotNotInRound);
        snapshot_package_clear_teams(s.snapshot);
        snapshot_package_set_name(s.snapshot, s.current_map);
        timer_restart(s.map_timer);
    }
    if (session_map_valid(s)) snapshot_package_set_state(s.snapshot, kGameWaiting);
}

}  // namespace

void session_set_state_duration(server_session& s, int32_t seconds) {
    s.state_duration = seconds;
    timer_restart(s.state_timer);
}

bool session_round_step(server_session& s) {
    const int32_t state = s.snapshot.state;
    if (state >= kGameWaiting && state <= kGameReport && s.times.campaign != 0 &&
        timer_elapsed_seconds(s.map_timer) >= s.times.campaign) {
        session_change_map(s, s.password, "");
    }
    switch (s.snapshot.state) {
        case kGameWaiting:
            step_waiting(s);
            break;
        case kGameOneTeam:
            step_one_team(s);
            break;
        case kGameFreeze:
            step_freeze(s);
            break;
        case kGameRunning:
            step_running(s);
            break;
        case kGameReport:
            step_report(s);
            break;
        case kGameLevelEnding:
            if (state_seconds(s) >= s.state_duration) {
                snapshot_package_set_state(s.snapshot, kGameMapChange);
                change_map_now(s);
            }
            break;
        case kGameMapChange:
            change_map_now(s);
            break;
        default:
            break;
    }
    if (!snapshot_package_take_changed(s.snapshot)) return false;
    session_mark_snapshot(s);
    return true;
}

void session_death_step(server_session& s) {
    const int32_t now = timer_elapsed_seconds(s.death_timer);
    for (player_slot& slot : s.snapshot.slots) {
        if (slot.state != kSlotDying || slot.death_second + s.times.death > now) continue;
        slot.state = kSlotDead;
        session_mark_snapshot(s);
    }
}

std::string session_set_times(server_session& s, int32_t freeze, int32_t round_minutes, int32_t report,
                              int32_t levelending, int32_t death, int32_t campaign_minutes, int32_t respawn) {
    s.times = {freeze, round_minutes * 60, report, levelending, death, campaign_minutes * 60, respawn};
    return "OK";
}

std::string session_set_game_setup(server_session& s, int32_t game_mode, bool friendly_fire, bool iron_sights,
                                   bool free_camera, bool id_tags) {
    snapshot_package_set_game_setup(s.snapshot, game_mode, friendly_fire, iron_sights, free_camera, id_tags);
    return "OK";
}

std::string session_set_team_limits(server_session& s, int32_t limit1, int32_t limit2, int32_t limit3) {
    s.max_players[0] = limit1;
    s.max_players[1] = limit2;
    s.max_players[2] = limit3;
    return "OK";
}

std::string session_change_map(server_session& s, const std::string& password, const std::string& name) {
    if (!session_check_password(s, password)) return "FLD 11";
    std::string chosen = name;
    if (!chosen.empty()) {
        if (std::find(s.maps.begin(), s.maps.end(), chosen) == s.maps.end()) return "FLD 8";
        if (chosen == s.current_map) return "OK";
    } else {
        if (s.maps.empty()) return "FLD 8";
        auto it = std::find(s.maps.begin(), s.maps.end(), s.current_map);
        if (!s.current_map.empty() && it != s.maps.end() && ++it != s.maps.end()) {
            chosen = *it;
        } else {
            chosen = s.maps.front();
        }
    }
    if (!server_find_map(server_get(), chosen)) return "FLD 8";
    s.next_map = chosen;
    if (!s.current_map.empty()) {
        session_console(kTextMapEnds, {s.current_map});
        session_log_line(s.log, "MAPEND " + s.current_map + "\n");
        snapshot_package_set_team_state(s.snapshot, kEveryTeam, kSlotNotInRound);
        set_state(s, kGameLevelEnding, s.times.levelending);
    } else {
        snapshot_package_set_state(s.snapshot, kGameMapChange);
    }
    session_round_step(s);
    return "OK";
}

std::string session_restart_round(server_session& s, const std::string& password) {
    if (!session_check_password(s, password)) return "FLD 11";
    set_state(s, kGameReport, s.times.report);
    session_mark_snapshot(s);
    return "OK";
}

bool session_quit(server_session& s, const std::string& password) {
    if (!session_check_password(s, password)) return false;
    snapshot_package_set_state(s.snapshot, kGameQuit);
    session_mark_snapshot(s);
    return true;
}

int32_t session_team_capacity(server_session& s, int32_t team) {
    const map_record* map = session_current_map(s);
    if (!map || team < 0 || team >= kSessionTeams) return 0;
    return std::min(s.max_players[team], map->level_values[team]);
}

int32_t session_capacity(server_session& s) {
    int32_t sum = 0;
    for (int32_t team = 0; team < kSessionTeams; ++team) sum += session_team_capacity(s, team);
    return sum;
}

}  // namespace kv
