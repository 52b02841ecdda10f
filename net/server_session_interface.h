#pragma once
// What the game server's command table asks of the server session: one operation per command, the
// lookups that tell players from other remotes, and the senders of the end of each tick. The game
// effects live in the session; the table only parses the command texts, calls these and sends back
// the texts they return. Every handler learns who asked: the requester's address and port, and
// whether the command came from the service's own lines (local dispatch), so that the session can
// refuse acting on another peer's players.

#include <cstdint>
#include <string>

#include "net/packet.h"

namespace kv {

class net_server;

struct command_origin {
    uint32_t address = 0;
    uint16_t port = 0;
    bool local = false;  // request id -1 from address 0, port 65535
};

// The fields of a "login" command.
struct login_request {
    int32_t asked_id = 0;
    int32_t flag = 0;  // carried, unused
    int32_t speed = 0;
    std::string nick;
    int32_t acceptance = 1;
};

class server_session_interface {
public:
    virtual ~server_session_interface() = default;

    // The text after "HI local " in the answer to "hello".
    virtual std::string status_line() = 0;
    // The administrator password that local administrator commands get appended.
    virtual std::string admin_password() = 0;

    virtual std::string connect(const login_request& login, const command_origin& origin) = 0;
    // One bot; an empty name asks for "Bot" followed by the id it gets. "OK %d" with that id, else a
    // refusal.
    virtual std::string bot_connect(int32_t team, int32_t specialisation, int32_t skin,
                                    const std::string& name, const command_origin& origin) = 0;
    virtual std::string join(const int32_t (&values)[5], const command_origin& origin) = 0;
    virtual std::string bye(int32_t player_id, const command_origin& origin) = 0;
    virtual void hit(const int32_t (&values)[5], const command_origin& origin) = 0;
    virtual void message(int32_t sender, int32_t to_all, int32_t number, const std::string& text,
                         const command_origin& origin) = 0;
    virtual std::string kill(int32_t first, int32_t second, const command_origin& origin) = 0;
    virtual std::string map_change(const std::string& name, const std::string& password,
                                   const command_origin& origin) = 0;
    virtual std::string round_times(const int32_t (&values)[7], const command_origin& origin) = 0;
    // The game mode and four flags: friendly fire, iron sights, free camera and id tags.
    virtual std::string game_setup(int32_t mode, const bool (&flags)[4], const command_origin& origin) = 0;
    virtual std::string team_limits(const int32_t (&limits)[3], const command_origin& origin) = 0;
    virtual std::string kick(const std::string& nick, const std::string& password,
                             const command_origin& origin) = 0;
    // Whether the password allows the server to quit.
    virtual bool quit_check(const std::string& password, const command_origin& origin) = 0;
    // A "setp" (`full`) or "setr" line for the profile table.
    virtual void profile_merge(const std::string& line, bool full) = 0;
    // The player's "setp" line for the master server, and its removal once uploaded.
    virtual std::string profile_line(int32_t player_id) = 0;
    virtual void profile_remove(int32_t player_id) = 0;
    virtual std::string state_text() = 0;
    virtual std::string restart(const std::string& password, const command_origin& origin) = 0;
    virtual void goal(const std::string& word, const std::string& goal, const std::string& team,
                      const command_origin& origin) = 0;
    virtual std::string password_change(const std::string& new_password, const std::string& password,
                                        const command_origin& origin) = 0;
    // P-SNAPSHOT, W-SNAPSHOT, ASYNC-EVENT and the wrapped "drop", "pickup", "grenade" and "defused".
    virtual void replicated(packet& p, const command_origin& origin) = 0;

    // The player id of the slot whose peer is this address and port, -1 when none.
    virtual int32_t player_at(uint32_t address, uint16_t port) = 0;
    // Whether a player silent for so many timer seconds has timed out.
    virtual bool timed_out(int32_t silent_seconds) = 0;
    // A remote that was no player fell silent.
    virtual void remote_lost(uint32_t address, uint16_t port) = 0;
    // The ping stored in the player's slot; the new half round trip stored there and reported to the
    // peers in a PING-REPORT.
    virtual int32_t player_ping(int32_t player_id) = 0;
    virtual void report_ping(int32_t player_id, int32_t half_round_trip_ms) = 0;

    // The end of the tick: the game snapshot and the D-SNAPSHOT (true when either went out), then
    // profiles for one remote (true when some went out), then the session's own end step.
    virtual bool send_snapshots(net_server& server) = 0;
    virtual bool send_profiles(net_server& server, uint32_t address, uint16_t port) = 0;
    virtual void end_tick(net_server& server) = 0;
};

}  // namespace kv
