#include "net/net_server.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "kernel/log.h"
#include "net/profile_table.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr int32_t kPingRoundSeconds = 5;
constexpr int32_t kStatsSeconds = 300;
constexpr int32_t kMasterHelloSeconds = 300;
constexpr int32_t kStraySilentSeconds = 10;
constexpr int32_t kMasterRetrySeconds = 2;
constexpr int32_t kMasterTries = 15;
constexpr int32_t kUploadRetrySeconds = 2;
constexpr int32_t kUploadTries = 10;
constexpr int32_t kLoginSessionWord = 20;
constexpr std::size_t kMaxChatLength = 127;
constexpr std::size_t kHelloRow = 1;
constexpr const char* kDefaultNick = "Player";
constexpr const char* kDefaultBotName = "Bot";

std::string word(const std::string& text, int index) {
    return str_field_or_empty(text, index, ' ');
}

int32_t word_int(const std::string& text, int index) {
    return str_to_int(word(text, index));
}

// The text after the n-th blank; empty when there are fewer blanks.
std::string after_blanks(const std::string& text, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) {
        at = text.find(' ', at);
        if (at == std::string::npos) return {};
        at += 1;
    }
    return text.substr(at);
}

// A chat text as it may be stored and sent: cut, control characters made blanks.
std::string clean_chat(std::string text) {
    if (text.size() > kMaxChatLength) text.resize(kMaxChatLength);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return text;
}

bool all_digits(const std::string& text, std::size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

void reply_to(net_server& s, int32_t request_id, const command_origin& origin, const std::string& text) {
    s.reply(origin.address, origin.port, request_id, text, true);
}

void on_reg(net_server& s, int32_t request_id, const std::string&, const command_origin& origin) {
    if (s.mode != kModeInternet) {
        reply_to(s, request_id, origin, "FLD 2");
        return;
    }
    pending_entry& entry = s.pending.emplace_back();
    entry.state = kPendingRegistration;
    entry.request_id = request_id;
    entry.address = origin.address;
    entry.port = origin.port;
}

void on_hello(net_server& s, int32_t request_id, const std::string&, const command_origin& origin) {
    if (s.mode == kModeSilentLocal) return;
    s.reply(origin.address, origin.port, request_id, "HI local " + s.session.status_line(), false);
}

// "login <id> <flag> <speed> "<nick>"": the nick is the text after the fourth blank, its quotes
// dropped.
void on_login(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    pending_entry& entry = s.pending.emplace_back();
    entry.state = kPendingLogin;
    entry.request_id = request_id;
    entry.address = origin.address;
    entry.port = origin.port;
    entry.login.asked_id = word_int(text, 1);
    entry.login.flag = word_int(text, 2);
    entry.login.speed = word_int(text, 3);
    std::string nick = after_blanks(text, 4);
    if (nick.size() >= 2 && nick.front() == '"' && nick.back() == '"') nick = nick.substr(1, nick.size() - 2);
    entry.login.nick = nick.empty() ? kDefaultNick : profile_clean_nick(nick);
    entry.login.acceptance = 1;
    if (origin.address != 0) {
        s.select(origin.address, origin.port);
        s.set_speed(entry.login.speed);
    }
}

// One bot ("blogin <team><specialisation><skin> <name>"), or the host screen's bot line: three
// groups of four digits, the bots of each specialisation for teams 0, 1 and 2.
void on_blogin(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    const std::string first = word(text, 1);
    if (all_digits(first, 3)) {
        const int32_t team = first[0] - '0';
        const int32_t specialisation = first[1] - '0';
        const int32_t skin = first[2] - '0';
        if (team > 2 || specialisation > 3 || skin > 7) {
            reply_to(s, request_id, origin, "FLD 1");
            return;
        }
        const std::string name = word(text, 2);
        reply_to(s, request_id, origin,
                 s.session.bot_connect(team, specialisation, skin,
                                       name.empty() ? kDefaultBotName : profile_clean_nick(name), origin));
        return;
    }
    std::string digits;
    if (all_digits(first, 12)) {
        digits = first;
    } else if (all_digits(first, 4) && all_digits(word(text, 2), 4) && all_digits(word(text, 3), 4)) {
        digits = first + word(text, 2) + word(text, 3);
    } else {
        reply_to(s, request_id, origin, "FLD 1");
        return;
    }
    std::string added;
    std::string refusal;
    for (int32_t team = 0; team < 3; ++team) {
        for (int32_t specialisation = 0; specialisation < 4; ++specialisation) {
            const int count = digits[static_cast<std::size_t>(team * 4 + specialisation)] - '0';
            for (int n = 0; n < count; ++n) {
                const std::string answer = s.session.bot_connect(team, specialisation, 0, "", origin);
                if (answer.starts_with("OK ")) {
                    added += str_format(" %d", str_to_int(answer.substr(3)));
                } else if (refusal.empty()) {
                    refusal = answer;
                }
            }
        }
    }
    reply_to(s, request_id, origin, !added.empty() || refusal.empty() ? "OK" + added : refusal);
}

void on_join(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    int32_t values[5];
    for (int i = 0; i < 5; ++i) values[i] = word_int(text, i + 1);
    if (values[2] < 0 || values[2] > 2) {
        reply_to(s, request_id, origin, "FLD 1");
        return;
    }
    reply_to(s, request_id, origin, s.session.join(values, origin));
}

void on_bye(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    const std::string answer = s.session.bye(word_int(text, 1), origin);
    s.mark_dead(origin.address, origin.port);
    reply_to(s, request_id, origin, answer);
}

void on_hit(net_server& s, int32_t, const std::string& text, const command_origin& origin) {
    int32_t values[5];
    for (int i = 0; i < 5; ++i) values[i] = word_int(text, i + 1);
    s.session.hit(values, origin);
}

// "say <sender> <to-all> <number> <text>".
void on_say(net_server& s, int32_t, const std::string& text, const command_origin& origin) {
    s.session.message(word_int(text, 1), word_int(text, 2), word_int(text, 3),
                      clean_chat(after_blanks(text, 4)), origin);
}

void on_kill(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.kill(word_int(text, 1), word_int(text, 2), origin));
}

void on_map(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.map_change(word(text, 1), word(text, 2), origin));
}

void on_times(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    int32_t values[7];
    for (int i = 0; i < 7; ++i) values[i] = word_int(text, i + 1);
    reply_to(s, request_id, origin, s.session.round_times(values, origin));
}

void on_gsetup(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    bool flags[4];
    for (int i = 0; i < 4; ++i) flags[i] = word(text, i + 2) == "1";
    reply_to(s, request_id, origin, s.session.game_setup(word_int(text, 1), flags, origin));
}

void on_teams(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    int32_t limits[3];
    for (int i = 0; i < 3; ++i) limits[i] = word_int(text, i + 1);
    reply_to(s, request_id, origin, s.session.team_limits(limits, origin));
}

void on_kick(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.kick(word(text, 1), word(text, 2), origin));
}

// A refused quit answers "FLD 11" and changes nothing.
void on_quit(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    if (!s.session.quit_check(word(text, 1), origin)) {
        reply_to(s, request_id, origin, "FLD 11");
        return;
    }
    if (s.mode == kModeInternet && s.master_ok()) {
        s.select(s.master_address, s.master_port);
        packet bye(kPacketCommand);
        bye.body.write_u8(0);
        bye.body.write_string("bye");
        s.queue(bye);
        listing_shutdown(s.listing);
    }
    for (bool more = s.first(false); more; more = s.next(false)) s.flush();
    s.begin_stop();
}

void on_setp(net_server& s, int32_t, const std::string& text, const command_origin&) {
    s.session.profile_merge(text, true);
}

void on_setr(net_server& s, int32_t, const std::string& text, const command_origin&) {
    s.session.profile_merge(text, false);
}

void on_upldp(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    pending_entry& entry = s.pending.emplace_back();
    entry.state = kPendingUpload;
    entry.request_id = request_id;
    entry.address = origin.address;
    entry.port = origin.port;
    entry.player_id = word_int(text, 1);
}

void on_state(net_server& s, int32_t request_id, const std::string&, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.state_text());
}

void on_restart(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.restart(word(text, 1), origin));
}

// "drop", "pickup", "grenade" and "defused" travel on as ASYNC-COMMAND packets.
void on_replicated(net_server& s, int32_t, const std::string& text, const command_origin& origin) {
    packet p(kPacketAsyncCommand);
    p.body.write_string(text);
    p.body.seek(static_cast<int32_t>(kPacketHeaderSize));
    s.session.replicated(p, origin);
}

void on_goal(net_server& s, int32_t, const std::string& text, const command_origin& origin) {
    s.session.goal(word(text, 1), word(text, 2), word(text, 3), origin);
}

void on_pwd(net_server& s, int32_t request_id, const std::string& text, const command_origin& origin) {
    reply_to(s, request_id, origin, s.session.password_change(word(text, 1), word(text, 2), origin));
}

const net_command kCommands[] = {
    {"reg", on_reg, false, false},
    {"hello", on_hello, true, false},
    {"login", on_login, true, false},
    {"blogin", on_blogin, true, false},
    {"join", on_join, true, false},
    {"bye", on_bye, true, false},
    {"hit", on_hit, true, false},
    {"say", on_say, true, false},
    {"kill", on_kill, true, false},
    {"map", on_map, false, true},
    {"times", on_times, false, false},
    {"gsetup", on_gsetup, false, false},
    {"teams", on_teams, false, false},
    {"kick", on_kick, true, true},
    {"quit", on_quit, false, true},
    {"setp", on_setp, false, false},
    {"setr", on_setr, false, false},
    {"upldp", on_upldp, true, false},
    {"state", on_state, false, false},
    {"restart", on_restart, false, true},
    {"drop", on_replicated, true, false},
    {"pickup", on_replicated, true, false},
    {"grenade", on_replicated, true, false},
    {"goal", on_goal, true, false},
    {"defused", on_replicated, true, false},
    {"pwd", on_pwd, false, true},
};

packet command_packet(uint8_t request_id, const std::string& text, uint8_t type = kPacketCommand) {
    packet p(type);
    p.body.write_u8(request_id);
    p.body.write_string(text);
    return p;
}

}  // namespace

const net_command* net_command_table(std::size_t& count) {
    count = std::size(kCommands);
    return kCommands;
}

net_server::net_server(server_session_interface& session_ref, const int& log_level,
                       std::unique_ptr<datagram_socket> socket)
    : net_peer(log_level, std::move(socket)), session(session_ref), log_level_(log_level) {
    this->socket().set_query_handler(
        [this](const char* text, std::size_t length, uint32_t address, uint16_t port) {
            if (mode == kModeInternet) listing_datagram(listing, text, length, address, port);
        });
}

net_server::~net_server() {
    socket().set_query_handler(nullptr);
}

void net_server::set_mode_and_port(int32_t new_mode, uint16_t port) {
    mode = new_mode;
    game_port = port;
}

void net_server::set_listing(const listing_settings& settings) {
    listing.settings = settings;
}

int32_t net_server::begin_stop() {
    const int32_t previous = state;
    if (state != kServerNotStarted) state = kServerStopping;
    return previous;
}

void net_server::stop() {
    state = kServerStopping;
    pending.remove_if([](const pending_entry& e) { return e.state != kPendingUpload; });
}

bool net_server::master_ok() const {
    return mode != kModeInternet || master_is_ok;
}

bool net_server::is_pending(uint32_t address, uint16_t port) const {
    return std::any_of(pending.begin(), pending.end(), [&](const pending_entry& e) {
        return e.state != kPendingDone && e.address == address && e.port == port;
    });
}

bool net_server::is_master(uint32_t address, uint16_t port) const {
    return mode == kModeInternet && address == master_address && port == master_port;
}

void net_server::reply(uint32_t address, uint16_t port, int32_t request_id, const std::string& text,
                       bool reliable) {
    if (request_id == -1) return;
    select(address, port);
    const packet p = command_packet(static_cast<uint8_t>(request_id), text, kPacketCommandResult);
    if (reliable) {
        queue_reliable(p);
    } else {
        queue(p);
    }
}

int32_t net_server::dispatch(int32_t request_id, const std::string& text, uint32_t address, uint16_t port) {
    const std::string first = word(text, 0);
    const command_origin origin{address, port,
                                request_id == -1 && address == 0 && port == kLocalDispatchPort};
    int32_t matched = -1;
    for (std::size_t row = 0; row < std::size(kCommands); ++row) {
        const net_command& command = kCommands[row];
        if (!first.starts_with(command.word)) continue;
        if (mode == kModeInternet && command.needs_master && !master_is_ok) {
            reply(address, port, request_id, "FLD 9", true);
        } else if (command.admin && origin.local) {
            command.handler(*this, request_id, text + " " + session.admin_password(), origin);
            matched = static_cast<int32_t>(row);
        } else {
            command.handler(*this, request_id, text, origin);
            matched = static_cast<int32_t>(row);
        }
        break;
    }
    if (address != 0 && has_remote(address, port)) select(address, port);
    return matched;
}

int32_t net_server::dispatch_local(const std::string& text) {
    return dispatch(-1, text, 0, kLocalDispatchPort);
}

void net_server::tick(int32_t) {
    switch (state) {
        case kServerFailed:
            keeps_running_ = false;
            return;
        case kServerNotStarted:
            keeps_running_ = start();
            return;
        case kServerStopping:
            if (mode != kModeInternet) {
                keeps_running_ = false;
                return;
            }
            receive();
            step_pending();
            select(master_address, master_port);
            flush();
            keeps_running_ = !pending.empty();
            return;
        default:
            keeps_running_ = step_running();
    }
}

bool net_server::start() {
    if (!socket().bind(game_port)) {
        log_write("[NET] *FATAL* Cannot set source for communication socket - network down\n");
        state = kServerFailed;
        return false;
    }
    log_write("[NET] Communication port is %d\n", socket().port());
    state = kServerRunning;
    if (mode != kModeInternet) {
        master_is_ok = true;
        return true;
    }
    if (!net_resolve_address(master_name, master_address)) {
        log_write("[NET] *FATAL* Cannot resolve KVMS address - network down\n");
        state = kServerFailed;
        return false;
    }
    // An internet server registers by itself.
    pending_entry& entry = pending.emplace_back();
    entry.state = kPendingRegistration;
    return true;
}

bool net_server::step_running() {
    const int32_t now = timer_elapsed_seconds(clock());
    const bool ping_round = now - last_ping_round > kPingRoundSeconds;
    if (ping_round) last_ping_round = now;
    if (log_level_ >= 1 && now - last_stats > kStatsSeconds) {
        stats();
        last_stats = now;
    }
    receive();
    step_pending();
    if (state == kServerFailed) return false;
    if (mode == kModeInternet && master_is_ok && now - last_master_hello > kMasterHelloSeconds) {
        select(master_address, master_port);
        queue(command_packet(1, "hello"));
        last_master_hello = now;
    }
    for (bool more = first(true); more; more = next(true)) serve_remote(ping_round);

    const bool snapshots = session.send_snapshots(*this);
    std::vector<std::pair<uint32_t, uint16_t>> peers;
    for (const remote_record& r : remotes()) {
        if (r.alive && !is_master(r.address, r.port)) peers.emplace_back(r.address, r.port);
    }
    for (const auto& [address, port] : peers) {
        const bool profiles = session.send_profiles(*this, address, port);
        if (profiles || snapshots) {
            select(address, port);
            flush();
        }
    }
    session.end_tick(*this);
    if (mode == kModeInternet) listing_tick(listing);
    return true;
}

void net_server::serve_remote(bool ping_round) {
    remote_record& r = *current();
    const uint32_t address = r.address;
    const uint16_t port = r.port;
    if (is_master(address, port)) {
        if (flush() == 0) {
            queue(packet(kPacketNone));
            flush();
        }
        return;
    }
    const int32_t silent = timer_elapsed_seconds(clock()) - r.last_heard;
    const int32_t player_id = session.player_at(address, port);
    const bool player = player_id >= 0;
    if (player) {
        if (session.timed_out(silent)) {
            select(address, port);
            mark_dead();
            return;
        }
    } else if (!is_pending(address, port) && silent >= kStraySilentSeconds) {
        session.remote_lost(address, port);
        select(address, port);
        mark_dead();
        return;
    }
    select(address, port);
    if (ping_round && player) {
        ping_stamp_ms = timer_elapsed_ms(clock());
        queue_out_of_game(packet(kPacketPing));
    }
    answer_pings(player, player_id);

    const command_origin origin{address, port, false};
    bool greeting = false;
    packet p;
    while (take(p, 0)) {
        switch (p.type) {
            case kPacketCommand: {
                uint8_t request_id = 0;
                std::string text;
                if (!p.body.read_u8(request_id) || !p.body.read_string(text)) {
                    log_write("[NET] *WARNING* malformed COMMAND from %s:%d\n",
                              net_format_address(address).c_str(), port);
                    break;
                }
                if (dispatch(request_id, text, address, port) == static_cast<int32_t>(kHelloRow))
                    greeting = true;
                break;
            }
            case kPacketAsyncCommand: {
                std::string text;
                if (!p.body.read_string(text)) {
                    log_write("[NET] *WARNING* malformed ASYNC-COMMAND from %s:%d\n",
                              net_format_address(address).c_str(), port);
                    break;
                }
                dispatch(-1, text, address, port);
                break;
            }
            case kPacketPlayerSnapshot:
            case kPacketWorldSnapshot:
            case kPacketAsyncEvent:
                session.replicated(p, origin);
                break;
            default:
                break;
        }
        select(address, port);
    }

    const bool keeps_link = session.player_at(address, port) >= 0 || is_pending(address, port);
    select(address, port);
    if (flush() == 0 && keeps_link) {
        queue(packet(kPacketNone));
        flush();
    }
    // A browser's "hello" keeps no record; a player or a pending login keeps his.
    if (greeting && !keeps_link && master_ok()) mark_dead();
}

void net_server::answer_pings(bool is_player, int32_t player_id) {
    uint32_t address = 0;
    uint16_t port = 0;
    current_address(address, port);
    packet p;
    for (int32_t index = find(kPacketPing, 0); index >= 0; index = find(kPacketPing, 0)) {
        take(p, index);
        if (is_player) {
            const int32_t half = (timer_elapsed_ms(clock()) - ping_stamp_ms) / 2;
            if (half > 0 && half != session.player_ping(player_id)) session.report_ping(player_id, half);
            select(address, port);
        } else {
            queue_out_of_game(packet(kPacketPing));
        }
    }
}

void net_server::step_pending() {
    const int32_t now = timer_elapsed_seconds(clock());
    for (auto it = pending.begin(); it != pending.end();) {
        pending_entry& entry = *it;
        switch (entry.state) {
            case kPendingRegistration: {
                const int finished = master_hello_exchange();
                if (finished != 0) {
                    if (finished < 0) state = kServerFailed;
                    entry.state = kPendingDone;
                    last_master_hello = now;
                }
                break;
            }
            case kPendingLogin: {
                if (entry.address != 0) {
                    select(entry.address, entry.port);
                    set_session_word(kLoginSessionWord);
                }
                const std::string answer = session.connect(entry.login, {entry.address, entry.port, false});
                reply(entry.address, entry.port, entry.request_id, answer, true);
                entry.state = kPendingDone;
                break;
            }
            case kPendingUpload:
                if (upload_exchange(entry)) entry.state = kPendingDone;
                break;
            default:
                entry.state = kPendingDone;
        }
        it = entry.state == kPendingDone ? pending.erase(it) : std::next(it);
    }
}

int net_server::master_hello_exchange() {
    const int32_t now = timer_elapsed_seconds(clock());
    select(master_address, master_port);
    if (current() == nullptr) return -1;
    current()->alive = true;
    if (!hello_outstanding) {
        queue(command_packet(0, "hello"));
        hello_sent_at = now;
        hello_outstanding = true;
        listing_init(listing, socket());
        return 0;
    }
    const int32_t index = find(kPacketCommandResult, 0);
    if (index >= 0) {
        packet answer;
        take(answer, index);
        hello_outstanding = false;
        hello_retries = 0;
        master_is_ok = true;
        mark_dead();
        return 1;
    }
    if (now - hello_sent_at < kMasterRetrySeconds) return 0;
    hello_outstanding = false;
    hello_retries += 1;
    if (hello_retries < kMasterTries) return 0;
    hello_retries = 0;
    master_is_ok = false;
    mark_dead();
    return -1;
}

bool net_server::upload_exchange(pending_entry& entry) {
    const int32_t now = timer_elapsed_seconds(clock());
    // Without a master (local mode) there is nowhere to upload to.
    select(master_address, master_port);
    if (mode != kModeInternet || current() == nullptr) return true;
    current()->alive = true;
    if (entry.step == 0) {
        entry.step = 1;
        entry.upload_request_id = upload_counter++;
        entry.retries = 0;
    }
    if (entry.step == 1) {
        queue(command_packet(entry.upload_request_id, session.profile_line(entry.player_id)));
        select(master_address, master_port);
        entry.step = 2;
        entry.send_time = now;
        return false;
    }
    packet answer;
    for (int32_t index = find(kPacketCommandResult, 0); index >= 0;
         index = find(kPacketCommandResult, index + 1)) {
        uint8_t id = 0;
        if (peek(answer, index) && answer.body.read_u8(id) && id == entry.upload_request_id) {
            take(answer, index);
            session.profile_remove(entry.player_id);
            entry.step = 0;
            return true;
        }
    }
    if (now - entry.send_time < kUploadRetrySeconds) return false;
    entry.retries += 1;
    if (entry.retries < kUploadTries) {
        entry.step = 1;
        return false;
    }
    log_write("[NET] *WARNING* failed to upload profile for %d\n", entry.player_id);
    entry.step = 0;
    return true;
}

std::size_t net_server::stray_count() {
    std::size_t count = 0;
    // Pending remotes count too: a forged login must not make room for further strays.
    for (const remote_record& r : remotes()) {
        if (r.alive && !is_master(r.address, r.port) && session.player_at(r.address, r.port) < 0) {
            ++count;
        }
    }
    return count;
}

bool net_server::admit(uint32_t address, uint16_t port, const packet& p) {
    if (is_master(address, port)) return true;
    return p.type == kPacketCommand && stray_count() < kMaxStrayRemotes;
}

}  // namespace kv
