#include "net/session_players.h"

#include <algorithm>

#include "game/server.h"
#include "net/packet.h"
#include "net/server_session.h"
#include "net/session_rounds.h"
#include "platform/udp_socket.h"
#include "util/text.h"

namespace kv {
namespace {

// Texts of the "base" table.
constexpr int32_t kTextKilledMessage = 131;
constexpr int32_t kTextKill = 132;
constexpr int32_t kTextConnFirst = 133;
constexpr int32_t kTextConnSecond = 134;
constexpr int32_t kTextJoinMessage = 135;
constexpr int32_t kTextByeMessage = 136;
constexpr int32_t kTextBlastKill = 137;
constexpr int32_t kTextChatAll = 139;
constexpr int32_t kTextChatTeam = 140;
constexpr int32_t kTextBack = 142;
constexpr int32_t kTextConnected = 143;
constexpr int32_t kTextTeamNames = 144;
constexpr int32_t kTextBotWord = 148;
constexpr int32_t kTextPlayerWord = 149;
constexpr int32_t kTextJoined = 150;
constexpr int32_t kTextLeft = 151;

constexpr int32_t kMaxSpecialisation = 3;
constexpr int32_t kMaxSkin = 7;
constexpr int32_t kMaxPower = 255;
constexpr std::size_t kMaxChatBytes = 127;
constexpr int32_t kKillEveryone = 0;
constexpr int32_t kCauseEveryone = 2;
constexpr int32_t kSilenceWithoutTeam = 180;
constexpr int32_t kSilenceInTeam = 5;
constexpr uint8_t kEventHealth = 1;

struct hit_row {
    int32_t up_to;
    int32_t damage;
    int32_t kind;
};
constexpr hit_row kHitTable[] = {
    {24, 300, 0}, {40, 100, 1}, {56, 80, 2},  {72, 85, 1},   {96, 30, 1},   {112, 40, 1},  {128, 40, 1},
    {144, 50, 2}, {152, 50, 2}, {176, 25, 2}, {252, 100, 6}, {253, 100, 3}, {254, 100, 5}, {255, 100, 4},
};
// Kinds that count no kill: the victim's own doing.
constexpr int32_t kKindUncounted1 = 4;
constexpr int32_t kKindUncounted2 = 5;

player_slot* slot_of(server_session& s, int32_t id) {
    if (id < 0 || !find_by_id(s.snapshot, static_cast<uint32_t>(id))) return nullptr;
    return snapshot_package_current(s.snapshot);
}

std::string nick_of(server_session& s, uint32_t id) {
    return find(s.profiles, id) ? current_nick(s.profiles) : std::string();
}

bool is_loopback(uint32_t address) {
    return (address >> 24) == 127;
}

const char* kind_word(uint32_t id) {
    return id >= 1 && id < kFirstHumanId ? "BOT" : "PLR";
}

bool nick_taken(server_session& s, const std::string& nick, uint32_t id) {
    for (const player_slot& slot : s.snapshot.slots) {
        if (slot.id != id && find(s.profiles, slot.id) && current_nick(s.profiles) == nick) return true;
    }
    return false;
}

std::string clean_text(const std::string& text) {
    std::string out = text.substr(0, kMaxChatBytes);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    return out;
}

std::string text(int32_t entry, const std::vector<std::string>& values = {}) {
    return session_text(entry, values);
}

void set_profile_nick(server_session& s, uint32_t id, const std::string& nick) {
    if (!find(s.profiles, id)) add(s.profiles, id);
    set_current_nick(s.profiles, nick);
}

}  // namespace

std::string session_player_connect(server_session& s, const std::string& raw_nick, int32_t asked_id,
                                   int32_t acceptance, uint32_t address, uint16_t port) {
    const std::string nick = profile_clean_nick(raw_nick);
    if (nick == kHostNick && is_loopback(address)) {
        s.host_address = address;
        s.host_port = port;
    }
    if (acceptance != 1) return "FLD 13";
    const std::size_t n = s.snapshot.slots.size();
    if (n >= kMaxSessionSlots) return "FLD 5";
    if (session_map_valid(s)) {
        const std::size_t c = static_cast<std::size_t>(std::max(session_capacity(s), 0));
        if (n > c || (n == c && s.host_player_id == 0)) return "FLD 5";
    }
    // Human ids from 100: the asked one when free, or when it is this peer's own slot coming back;
    // else this peer's human slot is taken back; else the lowest free id.
    uint32_t id = 0;
    bool back = false;
    if (asked_id >= static_cast<int32_t>(kFirstHumanId)) {
        const player_slot* slot = slot_of(s, asked_id);
        if (!slot) {
            id = static_cast<uint32_t>(asked_id);
        } else if (slot->address == address && slot->port == port) {
            id = slot->id;
            back = true;
        }
    }
    if (id == 0) {
        for (const player_slot& slot : s.snapshot.slots) {
            if (slot.id >= kFirstHumanId && slot.address == address && slot.port == port) {
                id = slot.id;
                back = true;
                break;
            }
        }
    }
    if (id == 0) id = free_id(s.snapshot, kFirstHumanId);
    if (back) {
        player_slot* slot = slot_of(s, static_cast<int32_t>(id));
        slot->team = kNoTeam;
        slot->state = kSlotNotInRound;
        slot->health = kFullHealth;
        s.snapshot.changed = true;
        session_console(kTextBack, {nick});
        session_log_line(s.log, str_format("PLR %u BACK\n", id));
    }
    if (address == s.host_address && port == s.host_port) s.host_player_id = id;

    std::string unique = nick;
    for (int32_t counter = 1; nick_taken(s, unique, id); ++counter)
        unique = nick + str_format(".%d", counter);
    set_profile_nick(s, id, unique);

    if (!slot_of(s, static_cast<int32_t>(id))) {
        snapshot_package_add_slot(s.snapshot, id, 0, kNoTeam, kSlotNotInRound, kFullHealth, address, port);
        session_console(kTextConnected, {unique});
        session_log_line(s.log, str_format("PLR %u %s CONN\n", id, unique.c_str()));
    }
    player_slot* slot = slot_of(s, static_cast<int32_t>(id));
    find(s.profiles, id);
    slot->counters[0] = counter(s.profiles, 0);
    session_mark_snapshot(s);
    server_session_send_game_snapshot(s);
    return str_format("OK %u", id);
}

std::string session_bot_connect(server_session& s, int32_t team, int32_t specialisation, int32_t skin,
                                const std::string& name, uint32_t address, uint16_t port) {
    if (team < 0 || team >= kSessionTeams || specialisation < 0 || specialisation > kMaxSpecialisation ||
        skin < 0 || skin > kMaxSkin)
        return "FLD 1";
    if (!find_by_address(s.snapshot, address, port)) return "FLD 12";
    if (session_map_valid(s) &&
        snapshot_package_count_team(s.snapshot, team) >= session_team_capacity(s, team))
        return "FLD 7";
    const uint32_t id = free_id(s.snapshot, 1);
    if (id >= kFirstHumanId || s.snapshot.slots.size() >= kMaxSessionSlots) return "FLD 5";
    snapshot_package_add_slot(s.snapshot, id, 0, kNoTeam, kSlotNotInRound, kFullHealth, address, port);
    session_log_line(s.log, str_format("BOT %u CONN\n", id));
    set_profile_nick(s, id, profile_clean_nick(name.empty() ? str_format("Bot%u", id) : name));
    const std::string reply =
        session_player_join(s, static_cast<int32_t>(id), specialisation, team, skin, 0, address, port);
    if (reply.rfind("OK", 0) != 0) {
        snapshot_package_remove_slot(s.snapshot, id);
        remove(s.profiles, id);
        return reply;
    }
    session_mark_snapshot(s);
    return str_format("OK %u", id);
}

std::string session_player_join(server_session& s, int32_t id, int32_t specialisation, int32_t team,
                                int32_t skin, int32_t, uint32_t address, uint16_t port) {
    player_slot* slot = slot_of(s, id);
    if (!slot || slot->address != address || slot->port != port) return "FLD 1";
    if (team < 0 || team >= kSessionTeams || specialisation < 0 || specialisation > kMaxSpecialisation)
        return "FLD 1";
    if (!session_map_valid(s)) return "FLD 10";
    const map_record* map = session_current_map(s);
    int32_t base = 1;
    for (int32_t t = 0; t < team; ++t) base += map->level_values[t];
    const int32_t count = std::max(map->level_values[team], 0);
    std::vector<bool> used(static_cast<std::size_t>(count), false);
    for (const player_slot& other : s.snapshot.slots) {
        if (other.id == slot->id || other.team != team || other.spawn <= 0) continue;
        const int32_t index = other.spawn - base;
        if (index >= 0 && index < count) used[static_cast<std::size_t>(index)] = true;
    }
    const auto free = std::find(used.begin(), used.end(), false);
    if (free == used.end()) return "FLD 7";
    const int32_t spawn = base + static_cast<int32_t>(free - used.begin());
    slot = slot_of(s, id);
    slot->team = team;
    slot->state = kSlotNotInRound;
    slot->specialisation = specialisation;
    slot->skin = skin;
    slot->spawn = spawn;
    s.snapshot.changed = true;
    const bool bot = snapshot_package_slot_is_bot(*slot);
    session_console(kTextJoined, {text(bot ? kTextBotWord : kTextPlayerWord), nick_of(s, slot->id),
                                  std::to_string(team + 1), text(kTextTeamNames + team)});
    session_log_line(s.log, str_format("%s %d JOINED %d\n", kind_word(slot->id), id, team + 1));
    session_mark_snapshot(s);
    return str_format("OK %d", spawn);
}

std::string session_player_leave(server_session& s, int32_t id) {
    player_slot* slot = slot_of(s, id);
    if (!slot) return "FLD 1";
    const uint32_t address = slot->address;
    const uint16_t port = slot->port;
    const bool human = !snapshot_package_slot_is_bot(*slot);
    const uint32_t uid = slot->id;
    session_console(kTextLeft, {nick_of(s, uid)});
    session_log_line(s.log, str_format("%s %d LEFT\n", kind_word(uid), id));
    if (find(s.profiles, uid)) set_counter(s.profiles, 0, counter(s.profiles, 0) + 1);
    session_message(s, id, false, "#bye", 0);
    if (human) {
        session_send_farewell_snapshot(s, address, port);
        if (s.net_mode == kNetModeInternet) session_send_profile_to_master(s, uid);
    }
    snapshot_package_remove_slot(s.snapshot, uid);
    if (human && s.net_mode == kNetModeInternet) server_session_local_command(s, str_format("upldp %d", id));
    session_mark_snapshot(s);
    return "OK";
}

std::string session_peer_leave(server_session& s, uint32_t address, uint16_t port) {
    std::vector<uint32_t> ids;
    for (const player_slot& slot : s.snapshot.slots) {
        if (slot.address == address && slot.port == port) ids.push_back(slot.id);
    }
    std::string reply = "OK";
    for (uint32_t id : ids) {
        if (session_player_leave(s, static_cast<int32_t>(id)) != "OK") reply += str_format(" %u", id);
    }
    return reply;
}

void session_player_hit(server_session& s, int32_t attacker, int32_t victim, int32_t zone, int32_t power) {
    if (s.snapshot.state != kGameRunning) return;
    player_slot* target = slot_of(s, victim);
    if (!target || target->health <= 0) return;
    const hit_row* row = nullptr;
    for (const hit_row& r : kHitTable) {
        if (r.up_to >= zone) {
            row = &r;
            break;
        }
    }
    if (!row) return;
    const int32_t damage = row->damage * std::clamp(power, 0, kMaxPower) / 100;
    target->health = std::clamp(target->health - damage, 0, kFullHealth);
    s.snapshot.changed = true;
    if (damage != 0 && target->health > 0) {
        packet event(kPacketAsyncEvent);
        event.body.write_u8(kEventHealth);
        event.body.write_u32(target->id);
        event.body.write_u8(static_cast<uint8_t>(target->health));
        session_send_to_players(s, event, false);
    }
    if (target->health != 0 || target->state != kSlotPlaying) return;
    const int32_t victim_team = target->team;
    session_player_kill(s, victim, row->kind);
    if (row->kind == kKindUncounted1 || row->kind == kKindUncounted2) return;
    player_slot* killer = slot_of(s, attacker);
    if (!killer) return;  // a hit from nobody known counts for nobody
    killer->counters[1] =
        victim_team == killer->team ? std::max(killer->counters[1] - 1, 0) : killer->counters[1] + 1;
    killer->profile_changed = true;
    target = slot_of(s, victim);
    ++target->counters[2];
    target->profile_changed = true;
    for (player_slot& slot : s.snapshot.slots) slot.needs_all_profiles = true;
    const std::string victim_nick = nick_of(s, static_cast<uint32_t>(victim));
    const bool blast = row->kind == 3 || row->kind == 6;
    session_console(blast ? kTextBlastKill : kTextKill,
                    {nick_of(s, static_cast<uint32_t>(attacker)), victim_nick});
    session_log_line(s.log, str_format("PLR %d %d %d KILL\n", attacker, victim, row->kind));
    session_message(s, attacker, false, text(kTextKilledMessage, {victim_nick}), 0);
}

std::string session_player_kill(server_session& s, int32_t id, int32_t cause) {
    if (id == kKillEveryone) {
        for (player_slot& slot : s.snapshot.slots) {
            slot.state = kSlotDead;
            slot.cause = kCauseEveryone;
        }
        s.snapshot.changed = true;
        session_mark_snapshot(s);
        return "OK";
    }
    player_slot* slot = slot_of(s, id);
    if (!slot) return "FLD 1";
    slot->state = kSlotDying;
    slot->cause = cause;
    slot->death_second = timer_elapsed_seconds(s.death_timer);
    slot->next_d_snapshot = true;
    s.d_snapshot_due = true;
    return "OK";
}

void session_message(server_session& s, int32_t sender, bool team_only, const std::string& raw,
                     int32_t number) {
    const player_slot* from = slot_of(s, sender);
    if (!from || !find(s.profiles, from->id)) return;
    const std::string nick = current_nick(s.profiles);
    const int32_t team = from->team;
    const bool dead = from->state == kSlotDead;
    std::string message = raw;
    bool system = true;
    if (raw == "#conn") {
        message = text(kTextConnFirst, {nick}) + text(kTextConnSecond, {nick});
    } else if (raw == "#join") {
        message = text(kTextJoinMessage, {std::to_string(team + 1)});
    } else if (raw == "#bye") {
        message = text(kTextByeMessage);
    } else {
        system = false;
    }
    message = clean_text(message);
    if (system) team_only = false;
    packet p(kPacketRadioMessage);
    p.body.write_u8(static_cast<uint8_t>(std::clamp(number, 0, 255)));
    p.body.write_string(nick);
    p.body.write_string(message);
    session_console(team_only ? kTextChatTeam : kTextChatAll, {nick, message});
    session_log_line(s.log,
                     str_format("MSG %s %d \"%s\"\n", team_only ? "TEAM" : "ALL", sender, message.c_str()));
    for (const player_slot& slot : s.snapshot.slots) {
        if (snapshot_package_slot_is_bot(slot)) continue;
        if (team_only && slot.team != team) continue;
        if (dead && slot.state != kSlotDead) continue;
        session_send_to(s, p, slot.address, slot.port, false);
    }
}

void session_goal_result(server_session& s, const std::string& word, int32_t a, int32_t b) {
    if (word == "done") {
        packet p(kPacketAsyncCommand);
        p.body.write_string(str_format("goald %d %d", a, b));
        session_send_to_players(s, p, true);
    } else if (word == "victory") {
        snapshot_package_set_winner(s.snapshot, b);
    } else if (word == "download") {
        snapshot_package_set_download(s.snapshot, a);
        snapshot_package_set_download(server_get().snapshot, a);
    } else {
        return;
    }
    session_mark_snapshot(s);
}

std::string session_kick_player(server_session& s, const std::string& password, const std::string& nick) {
    if (!session_check_password(s, password)) return "FLD 11";
    for (const player_slot& slot : s.snapshot.slots) {
        if (nick_of(s, slot.id) != nick) continue;
        if (snapshot_package_slot_is_bot(slot)) return session_player_leave(s, static_cast<int32_t>(slot.id));
        return session_kick_peer(s, password, slot.address, slot.port);
    }
    return "FLD 8";
}

std::string session_kick_peer(server_session& s, const std::string& password, uint32_t address,
                              uint16_t port) {
    if (!session_check_password(s, password)) return "FLD 11";
    return session_peer_leave(s, address, port);
}

std::string session_set_password(server_session& s, const std::string& password,
                                 const std::string& new_password) {
    if (!session_check_password(s, password)) return "FLD 11";
    s.password = new_password;
    return "OK";
}

bool session_drop_silent_peer(server_session& s, int32_t silence, uint32_t address, uint16_t port) {
    int32_t team = kNoTeam;
    if (find_by_address(s.snapshot, address, port)) team = snapshot_package_current(s.snapshot)->team;
    if (silence <= (team == kNoTeam ? kSilenceWithoutTeam : kSilenceInTeam)) return false;
    session_kick_peer(s, s.password, address, port);
    return true;
}

std::string server_session_status_line(server_session& s) {
    const bool valid = session_map_valid(s);
    int32_t players = static_cast<int32_t>(s.snapshot.slots.size());
    if (s.host_player_id != 0) --players;
    return str_format("\"%s\" KV %s %d %d %d", s.server_name.c_str(), s.current_map.c_str(),
                      s.current_map.empty() ? 0 : players, valid ? session_capacity(s) : 0, s.snapshot.flags);
}

std::string session_player_dump(server_session& s) {
    std::string out = "OK\n" + server_session_status_line(s) + "\n";
    int32_t index = 0;
    for (const player_slot& slot : s.snapshot.slots) {
        out += str_format(
            "  player #%d: nick:\"%s\" id:%u spawn:%d team:%d kind:%d skin:%d state:%d hlth:%d ping:%d "
            "ip:%s:%d\n",
            index++, nick_of(s, slot.id).c_str(), slot.id, slot.spawn, slot.team, slot.specialisation,
            slot.skin, slot.state, slot.health, slot.ping, net_format_address(slot.address).c_str(),
            slot.port);
    }
    return out;
}

}  // namespace kv
