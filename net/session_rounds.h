#pragma once
// The round and map machine of the server session: rounds wait for players, freeze, run and report;
// maps end by command or by the campaign limit and the next one of the list begins. Its state is the
// snapshot's game state, so every change reaches the clients with the next G-SNAPSHOT.

#include <cstdint>
#include <string>

namespace kv {

struct server_session;

// One step of the machine; true when the snapshot changed (it is then marked for sending).
bool session_round_step(server_session& s);
// Slots in the dying state whose death time has passed become dead.
void session_death_step(server_session& s);
// Stores the duration of the new state and restarts the state timer.
void session_set_state_duration(server_session& s, int32_t seconds);

// "times": round and campaign times are given in minutes.
std::string session_set_times(server_session& s, int32_t freeze, int32_t round_minutes, int32_t report,
                              int32_t levelending, int32_t death, int32_t campaign_minutes, int32_t respawn);
std::string session_set_game_setup(server_session& s, int32_t game_mode, bool friendly_fire, bool iron_sights,
                                   bool free_camera, bool id_tags);
std::string session_set_team_limits(server_session& s, int32_t limit1, int32_t limit2, int32_t limit3);
// An empty name takes the map after the current one in the list (wrapping), or the first.
std::string session_change_map(server_session& s, const std::string& password, const std::string& name);
std::string session_restart_round(server_session& s, const std::string& password);
// The quitting state, marked for sending; false on a wrong password.
bool session_quit(server_session& s, const std::string& password);

// The smaller of the session's and the current map's limit for the team (0 without a map).
int32_t session_team_capacity(server_session& s, int32_t team);
int32_t session_capacity(server_session& s);

}  // namespace kv
