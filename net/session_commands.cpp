// The server session as the network server's command table sees it: who asked decides which slots a
// command may act on, then the session's operations do the work.

#include <algorithm>

#include "net/player_state.h"
#include "net/server_session.h"
#include "net/session_players.h"
#include "net/session_rounds.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr uint8_t kEventHit = 0;
constexpr uint8_t kEventGrenade = 2;
constexpr uint8_t kEventDroppedWeapon = 3;

bool is_host(const server_session& s, const command_origin& origin) {
    return origin.address == s.host_address && origin.port == s.host_port;
}

// Local dispatch and the hosting client act on any slot; others on their own.
bool may_act_on(server_session& s, int32_t id, const command_origin& origin) {
    if (id <= 0 || !find_by_id(s.snapshot, static_cast<uint32_t>(id))) return false;
    if (origin.local || is_host(s, origin)) return true;
    const player_slot* slot = snapshot_package_current(s.snapshot);
    return slot->address == origin.address && slot->port == origin.port;
}

// The P-SNAPSHOT again with only the records of the sender's own players.
std::vector<packet> own_player_states(server_session& s, packet& p, const command_origin& origin) {
    std::vector<player_state> states;
    player_states_read(p, states);
    std::erase_if(states, [&](const player_state& state) {
        return !find_by_id(s.snapshot, state.id) ||
               snapshot_package_current(s.snapshot)->address != origin.address ||
               snapshot_package_current(s.snapshot)->port != origin.port;
    });
    return player_states_write(states);
}

}  // namespace

std::string server_session::status_line() {
    return server_session_status_line(*this);
}

std::string server_session::admin_password() {
    return password;
}

std::string server_session::connect(const login_request& login, const command_origin& origin) {
    return session_player_connect(*this, login.nick, login.asked_id, login.acceptance, origin.address,
                                  origin.port);
}

std::string server_session::bot_connect(int32_t team, int32_t specialisation, int32_t skin,
                                        const std::string& name, const command_origin& origin) {
    return session_bot_connect(*this, team, specialisation, skin, name, origin.address, origin.port);
}

std::string server_session::join(const int32_t (&v)[5], const command_origin& origin) {
    if (!may_act_on(*this, v[0], origin)) return "FLD 1";
    const player_slot& slot = *snapshot_package_current(snapshot);
    return session_player_join(*this, v[0], v[1], v[2], v[3], v[4], slot.address, slot.port);
}

// Bye with an own id: that player leaves; with 0 or an id nobody holds: every player of the peer.
std::string server_session::bye(int32_t player_id, const command_origin& origin) {
    if (player_id > 0 && find_by_id(snapshot, static_cast<uint32_t>(player_id))) {
        if (!may_act_on(*this, player_id, origin)) return "FLD 1";
        return session_player_leave(*this, player_id);
    }
    return session_peer_leave(*this, origin.address, origin.port);
}

void server_session::hit(const int32_t (&v)[5], const command_origin& origin) {
    if (!origin.local && !is_host(*this, origin) && !may_act_on(*this, v[0], origin)) return;
    session_player_hit(*this, v[0], v[1], v[2], v[3]);
}

void server_session::message(int32_t sender, int32_t to_all, int32_t number, const std::string& text,
                             const command_origin& origin) {
    if (!may_act_on(*this, sender, origin)) return;
    session_message(*this, sender, to_all == 0, text, number);
}

std::string server_session::kill(int32_t first, int32_t second, const command_origin& origin) {
    if (first == 0) {
        if (!origin.local && !is_host(*this, origin)) return "FLD 1";
        return session_player_kill(*this, 0, second);
    }
    if (!may_act_on(*this, first, origin)) return "FLD 1";
    return session_player_kill(*this, first, second);
}

std::string server_session::map_change(const std::string& name, const std::string& given,
                                       const command_origin&) {
    return session_change_map(*this, given, name);
}

std::string server_session::round_times(const int32_t (&v)[7], const command_origin&) {
    return session_set_times(*this, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
}

std::string server_session::game_setup(int32_t mode, const bool (&flags)[4], const command_origin&) {
    return session_set_game_setup(*this, mode, flags[0], flags[1], flags[2], flags[3]);
}

std::string server_session::team_limits(const int32_t (&limits)[3], const command_origin&) {
    return session_set_team_limits(*this, limits[0], limits[1], limits[2]);
}

std::string server_session::kick(const std::string& nick, const std::string& given, const command_origin&) {
    return session_kick_player(*this, given, nick);
}

bool server_session::quit_check(const std::string& given, const command_origin&) {
    if (!session_quit(*this, given)) return false;
    server_session_send_game_snapshot(*this);
    return true;
}

void server_session::profile_merge(const std::string& line, bool full) {
    merge(profiles, line, full);
}

std::string server_session::profile_line(int32_t player_id) {
    return format_line(profiles, static_cast<uint32_t>(player_id), true);
}

// A player who came back while his profile was uploaded keeps it.
void server_session::profile_remove(int32_t player_id) {
    if (player_id >= 0 && find_by_id(snapshot, static_cast<uint32_t>(player_id))) return;
    remove(profiles, static_cast<uint32_t>(player_id));
}

std::string server_session::state_text() {
    return session_player_dump(*this);
}

std::string server_session::restart(const std::string& given, const command_origin&) {
    return session_restart_round(*this, given);
}

// Goal results count only from the hosting process.
void server_session::goal(const std::string& word, const std::string& goal, const std::string& team,
                          const command_origin& origin) {
    if (!origin.local && !is_host(*this, origin)) return;
    session_goal_result(*this, word, str_to_int(goal), str_to_int(team));
}

std::string server_session::password_change(const std::string& new_password, const std::string& given,
                                            const command_origin&) {
    return session_set_password(*this, given, new_password);
}

void server_session::replicated(packet& p, const command_origin& origin) {
    if (player_at(origin.address, origin.port) < 0) return;
    switch (p.type) {
        case kPacketPlayerSnapshot:
            for (const packet& own : own_player_states(*this, p, origin))
                session_relay_to_others(*this, own, origin.address, origin.port, false);
            return;
        case kPacketWorldSnapshot:
            session_relay_to_others(*this, p, origin.address, origin.port, false);
            return;
        case kPacketAsyncCommand:
            session_relay_to_others(*this, p, origin.address, origin.port, true);
            return;
        case kPacketAsyncEvent: {
            uint8_t kind = 0;
            if (!p.body.read_u8(kind)) return;
            if (kind == kEventHit) {
                uint32_t attacker = 0;
                uint32_t victim = 0;
                uint8_t zone = 0;
                uint8_t power = 0;
                if (!p.body.read_u32(attacker) || !p.body.read_u32(victim) || !p.body.read_u8(zone) ||
                    !p.body.read_u8(power))
                    return;
                const int32_t values[5] = {static_cast<int32_t>(std::min<uint32_t>(attacker, INT32_MAX)),
                                           static_cast<int32_t>(std::min<uint32_t>(victim, INT32_MAX)), zone,
                                           power, 0};
                hit(values, origin);
            } else if (kind == kEventGrenade || kind == kEventDroppedWeapon) {
                session_relay_to_others(*this, p, origin.address, origin.port, true);
            }
            return;
        }
        default:
            return;
    }
}

int32_t server_session::player_at(uint32_t address, uint16_t port) {
    if (!find_by_address(snapshot, address, port)) return -1;
    return static_cast<int32_t>(snapshot_package_current(snapshot)->id);
}

bool server_session::timed_out(int32_t silent_seconds) {
    uint32_t address = 0;
    uint16_t port = 0;
    if (!network || !network->current_address(address, port)) return false;
    return session_drop_silent_peer(*this, silent_seconds, address, port);
}

void server_session::remote_lost(uint32_t, uint16_t) {}

int32_t server_session::player_ping(int32_t player_id) {
    if (player_id < 0 || !find_by_id(snapshot, static_cast<uint32_t>(player_id))) return 0;
    return snapshot_package_current(snapshot)->ping;
}

void server_session::report_ping(int32_t player_id, int32_t half_round_trip_ms) {
    if (player_id < 0 || !find_by_id(snapshot, static_cast<uint32_t>(player_id))) return;
    player_slot& slot = *snapshot_package_current(snapshot);
    slot.ping = half_round_trip_ms;
    packet report(kPacketPingReport);
    report.body.write_u32(slot.id);
    report.body.write_u16(static_cast<uint16_t>(std::clamp(half_round_trip_ms, 0, 0xFFFF)));
    session_send_to_players(*this, report, false);
}

bool server_session::send_snapshots(net_server&) {
    const bool due = snapshot_due || d_snapshot_due;
    server_session_send_game_snapshot(*this);
    server_session_send_d_snapshot(*this);
    return due;
}

bool server_session::send_profiles(net_server&, uint32_t address, uint16_t port) {
    return session_send_profiles(*this, address, port);
}

void server_session::end_tick(net_server&) {
    session_clear_profile_changes(*this);
}

}  // namespace kv
