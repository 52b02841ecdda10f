#pragma once
// The server session's player operations: connect, bot connect, join, leave, hits and kills,
// messages, goal results and the administrator's kick and password. Each answers with the reply
// text the network server sends back ("OK", "OK %d" or "FLD <code>"); a refusal changes nothing.

#include <cstdint>
#include <string>

namespace kv {

struct server_session;

// A login from the network server's queue.
std::string session_player_connect(server_session& s, const std::string& nick, int32_t asked_id,
                                   int32_t acceptance, uint32_t address, uint16_t port);
// One bot of team 0-2, specialisation 0-3 and skin 0-7 for the player of that peer; an empty name
// names it "Bot" followed by its id.
std::string session_bot_connect(server_session& s, int32_t team, int32_t specialisation, int32_t skin,
                                const std::string& name, uint32_t address, uint16_t port);
// The slot must belong to that peer. The fifth number is carried and not used.
std::string session_player_join(server_session& s, int32_t id, int32_t specialisation, int32_t team,
                                int32_t skin, int32_t fifth, uint32_t address, uint16_t port);
std::string session_player_leave(server_session& s, int32_t id);
// Every player of that peer leaves; "OK" followed by the ids that could not.
std::string session_peer_leave(server_session& s, uint32_t address, uint16_t port);
void session_player_hit(server_session& s, int32_t attacker, int32_t victim, int32_t zone, int32_t power);
// Id 0: every slot dies at once.
std::string session_player_kill(server_session& s, int32_t id, int32_t cause);
// A chat or radio message; "#conn", "#join" and "#bye" stand for the system's texts.
void session_message(server_session& s, int32_t sender, bool team_only, const std::string& text,
                     int32_t number);
void session_goal_result(server_session& s, const std::string& word, int32_t a, int32_t b);
std::string session_kick_player(server_session& s, const std::string& password, const std::string& nick);
std::string session_kick_peer(server_session& s, const std::string& password, uint32_t address,
                              uint16_t port);
std::string session_set_password(server_session& s, const std::string& password,
                                 const std::string& new_password);
// Removes the players of a peer silent for too long (more than 180 seconds without a team, more
// than 5 with one); true when it did.
bool session_drop_silent_peer(server_session& s, int32_t silence, uint32_t address, uint16_t port);

// The "hello" reply: "\"<name>\" KV <map> <players> <capacity> <flags>".
std::string server_session_status_line(server_session& s);
// The "state" reply: "OK", the status line and one line per slot.
std::string session_player_dump(server_session& s);

}  // namespace kv
