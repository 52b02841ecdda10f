#pragma once
// A server session that only records: every call of the command table becomes one line in `calls`
// ("join 1 2 1 0 0 127.0.0.1:4000 net"), replies come from `replies` by operation ("OK" when none
// is set), and players are the address and port pairs the test puts in `players`.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "net/net_server.h"
#include "util/text.h"

namespace kv {

class recording_session : public server_session_interface {
public:
    std::vector<std::string> calls;
    std::map<std::string, std::string> replies;
    std::map<std::pair<uint32_t, uint16_t>, int32_t> players;
    std::map<int32_t, int32_t> pings;
    std::string password = "secret";
    bool allow_quit = true;
    int32_t timeout_seconds = 30;
    int32_t next_bot_id = 1;
    int lost_count = 0;
    // Called at the end of every tick with the server (tests queue their own packets there).
    std::function<void(net_server&)> on_end_tick;
    bool record = true;

    std::string status_line() override { return "status"; }
    std::string admin_password() override { return password; }

    std::string connect(const login_request& login, const command_origin& origin) override {
        note(str_format("connect %d %d %d %s %d", login.asked_id, login.flag, login.speed, login.nick.c_str(),
                        login.acceptance),
             origin);
        return answer("connect");
    }
    std::string bot_connect(int32_t team, int32_t specialisation, int32_t skin, const std::string& name,
                            const command_origin& origin) override {
        note(str_format("bot_connect %d %d %d %s", team, specialisation, skin, name.c_str()), origin);
        const auto refusal = replies.find("bot_connect");
        if (refusal != replies.end()) return refusal->second;
        return str_format("OK %d", next_bot_id++);
    }
    std::string join(const int32_t (&v)[5], const command_origin& origin) override {
        note(str_format("join %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4]), origin);
        return answer("join");
    }
    std::string bye(int32_t player_id, const command_origin& origin) override {
        note(str_format("bye %d", player_id), origin);
        return answer("bye");
    }
    void hit(const int32_t (&v)[5], const command_origin& origin) override {
        note(str_format("hit %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4]), origin);
    }
    void message(int32_t sender, int32_t to_all, int32_t number, const std::string& text,
                 const command_origin& origin) override {
        note(str_format("say %d %d %d %s", sender, to_all, number, text.c_str()), origin);
    }
    std::string kill(int32_t first, int32_t second, const command_origin& origin) override {
        note(str_format("kill %d %d", first, second), origin);
        return answer("kill");
    }
    std::string map_change(const std::string& name, const std::string& pwd,
                           const command_origin& origin) override {
        note("map " + name + " " + pwd, origin);
        return answer("map");
    }
    std::string round_times(const int32_t (&v)[7], const command_origin& origin) override {
        note(str_format("times %d %d %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4], v[5], v[6]), origin);
        return answer("times");
    }
    std::string game_setup(int32_t mode, const bool (&f)[4], const command_origin& origin) override {
        note(str_format("gsetup %d %d %d %d %d", mode, f[0], f[1], f[2], f[3]), origin);
        return answer("gsetup");
    }
    std::string team_limits(const int32_t (&l)[3], const command_origin& origin) override {
        note(str_format("teams %d %d %d", l[0], l[1], l[2]), origin);
        return answer("teams");
    }
    std::string kick(const std::string& nick, const std::string& pwd, const command_origin& origin) override {
        note("kick " + nick + " " + pwd, origin);
        return answer("kick");
    }
    bool quit_check(const std::string& pwd, const command_origin& origin) override {
        note("quit " + pwd, origin);
        return allow_quit;
    }
    void profile_merge(const std::string& line, bool full) override {
        note(std::string(full ? "setp " : "setr ") + line, {});
    }
    std::string profile_line(int32_t player_id) override { return str_format("setp %d 1 2 3", player_id); }
    void profile_remove(int32_t player_id) override { note(str_format("profile_remove %d", player_id), {}); }
    std::string state_text() override { return answer("state"); }
    std::string restart(const std::string& pwd, const command_origin& origin) override {
        note("restart " + pwd, origin);
        return answer("restart");
    }
    void goal(const std::string& word, const std::string& goal_number, const std::string& team,
              const command_origin& origin) override {
        note("goal " + word + " " + goal_number + " " + team, origin);
    }
    std::string password_change(const std::string& new_password, const std::string& pwd,
                                const command_origin& origin) override {
        note("pwd " + new_password + " " + pwd, origin);
        return answer("pwd");
    }
    void replicated(packet& p, const command_origin& origin) override {
        note(str_format("replicated %s", p.type_name().c_str()), origin);
    }

    int32_t player_at(uint32_t address, uint16_t port) override {
        const auto it = players.find({address, port});
        return it != players.end() ? it->second : -1;
    }
    bool timed_out(int32_t silent_seconds) override { return silent_seconds >= timeout_seconds; }
    void remote_lost(uint32_t address, uint16_t port) override {
        ++lost_count;
        note("lost", {address, port, false});
    }
    int32_t player_ping(int32_t player_id) override { return pings[player_id]; }
    void report_ping(int32_t player_id, int32_t half) override {
        pings[player_id] = half;
        note(str_format("ping %d %d", player_id, half), {});
    }
    bool send_snapshots(net_server&) override { return false; }
    bool send_profiles(net_server&, uint32_t, uint16_t) override { return false; }
    void end_tick(net_server& server) override {
        if (on_end_tick) on_end_tick(server);
    }

    // The calls that begin with `prefix`.
    std::vector<std::string> calls_of(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : calls) {
            if (call.starts_with(prefix)) found.push_back(call);
        }
        return found;
    }

private:
    void note(const std::string& call, const command_origin& origin) {
        if (!record) return;
        std::string line = call;
        if (origin.address != 0 || origin.local) {
            line += str_format(" %s:%d %s", net_format_address(origin.address).c_str(), origin.port,
                               origin.local ? "local" : "net");
        }
        calls.push_back(std::move(line));
    }
    std::string answer(const std::string& operation) const {
        const auto it = replies.find(operation);
        return it != replies.end() ? it->second : "OK";
    }
};

}  // namespace kv
