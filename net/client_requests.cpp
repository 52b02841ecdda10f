// The client's request machine (binding its port, text commands and their replies), the commands
// and events sent without reply, and what the server sends of them.

#include <algorithm>
#include <cmath>
#include <limits>

#include "beings/dropped_weapon.h"
#include "beings/grenade.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_world.h"
#include "kernel/log.h"
#include "net/client_words.h"
#include "net/net_client.h"
#include "net/password.h"
#include "net/server_session.h"
#include "net/snapshot_package.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kPortFallbackStep = 100;
constexpr int32_t kPortFallbackTries = 1000;
constexpr int32_t kLoginSessionWord = 20;
constexpr uint32_t kLoopback = 0x7F000001u;
constexpr uint8_t kEventHit = 0;
constexpr uint8_t kEventHealth = 1;
constexpr uint8_t kEventGrenade = 2;
constexpr uint8_t kEventDrop = 3;
constexpr uint8_t kNoSectorByte = 255;
constexpr int kReplyCodes = 15;
// The "base" entries of the failure codes 0-14.
constexpr int kReplyEntries[kReplyCodes] = {100, 100, 101, 100, 102, 103, 104, 99,
                                            100, 100, 100, 105, 100, 106, 109};

bool begins(const std::string& text, const char* prefix) {
    return text.starts_with(prefix);
}

void select_server(net_client& client) {
    client.select(client.current_server.address, client.current_server.port);
}

uint8_t clamp_byte(int32_t v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// A float truncated to a signed 16-bit value, clamped rather than wrapped.
uint16_t short_of(float v) {
    if (!(v == v)) return 0;
    const float clamped = std::clamp(v, -32768.0f, 32767.0f);
    return static_cast<uint16_t>(static_cast<int16_t>(static_cast<int32_t>(clamped)));
}

uint16_t unsigned_short_of(float v) {
    if (!(v == v)) return 0;
    return static_cast<uint16_t>(static_cast<int32_t>(std::clamp(v, 0.0f, 65535.0f)));
}

uint8_t sector_byte(int32_t index) {
    return index >= 0 && index < kNoSectorByte ? static_cast<uint8_t>(index) : kNoSectorByte;
}

int32_t sector_of_byte(uint8_t value) {
    return value == kNoSectorByte ? -1 : value;
}

// The index of a sector in the current level's table; -1 when it is not there.
int32_t level_sector_index(server& world, const sector* s) {
    if (!s) return -1;
    package* level = server_find_package(world, world.current_level_name);
    if (!level) return -1;
    const auto& items = level->sectors.items;
    const auto it = std::find(items.begin(), items.end(), s);
    return it != items.end() ? static_cast<int32_t>(it - items.begin()) : -1;
}

void write_short_position(packet& p, const vec3& v) {
    p.body.write_u16(short_of(v.x / 10.0f));
    p.body.write_u16(short_of(v.y));
    p.body.write_u16(short_of(v.z / 10.0f));
}

bool read_short_position(packet& p, vec3& v) {
    uint16_t x = 0, y = 0, z = 0;
    if (!p.body.read_u16(x) || !p.body.read_u16(y) || !p.body.read_u16(z)) return false;
    v = vec3{static_cast<float>(static_cast<int16_t>(x)) * 10.0f, static_cast<float>(static_cast<int16_t>(y)),
             static_cast<float>(static_cast<int16_t>(z)) * 10.0f};
    return true;
}

bool read_vec3(packet& p, vec3& v) {
    return p.body.read_float(v.x) && p.body.read_float(v.y) && p.body.read_float(v.z);
}

void queue_event(net_client& client, const packet& p) {
    select_server(client);
    client.queue_reliable(p);
}

// Commands that waited for the request before them go out one after another.
void start_queued(net_client& client) {
    while (client.request_kind == kRequestNone && !client.command_queue.empty()) {
        const std::string text = client.command_queue.front();
        client.command_queue.erase(client.command_queue.begin());
        client_send_command(client, text, true);
    }
}

void finish(net_client& client) {
    client.request_state = kRequestIdle;
    client.countdown = 0;
    client.request_kind = kRequestNone;
}

void on_grenade_event(net_client& client, packet& p) {
    uint32_t owner = 0;
    vec3 position, velocity;
    uint8_t kind = 0, number = 0, variant = 0, sector = 0;
    std::string model;
    uint16_t acceleration = 0;
    if (!p.body.read_u32(owner) || !read_short_position(p, position) || !read_vec3(p, velocity) ||
        !p.body.read_u8(kind) || !p.body.read_u8(number) || !p.body.read_string(model) ||
        !p.body.read_u8(variant) || !p.body.read_u8(sector) || !p.body.read_u16(acceleration)) {
        log_write("[NET] *WARNING* cut grenade event ignored\n");
        return;
    }
    grenade_values values;
    values.kind = kind;
    values.id = number;
    values.variant = variant;
    values.model = model;
    values.acceleration = vec3{0.0f, static_cast<float>(static_cast<int16_t>(acceleration)), 0.0f};
    server_add_grenade(client.world, owner, position, velocity, values, sector_of_byte(sector));
}

void on_drop_event(net_client& client, packet& p) {
    vec3 position, velocity;
    uint8_t items[3] = {};
    std::string text;
    uint8_t sector = 0, serial = 0;
    uint16_t acceleration = 0, speed = 0;
    uint32_t id = 0;
    if (!read_short_position(p, position) || !read_vec3(p, velocity) || !p.body.read_u8(items[0]) ||
        !p.body.read_u8(items[1]) || !p.body.read_u8(items[2]) || !p.body.read_string(text) ||
        !p.body.read_u8(sector) || !p.body.read_u16(acceleration) || !p.body.read_u32(id) ||
        !p.body.read_u8(serial) || !p.body.read_u16(speed)) {
        log_write("[NET] *WARNING* cut drop event ignored\n");
        return;
    }
    dropped_weapon_values values;
    values.arc_start = position;
    values.velocity = velocity;
    values.id = static_cast<int32_t>(id);
    for (int i = 0; i < 3; ++i) values.values[i] = items[i];
    values.model_name = text;
    values.acceleration = vec3{0.0f, static_cast<float>(static_cast<int16_t>(acceleration)), 0.0f};
    values.speed = speed;
    server_add_dropped_weapon(client.world, values, serial, sector_of_byte(sector), id);
}

}  // namespace

int32_t client_request_step(net_client& client, int32_t elapsed_ms) {
    if (client.request_kind == kRequestNone) {
        start_queued(client);
        return 0;
    }
    client.request_result = -1;
    client.answered = false;
    switch (client.request_kind) {
        case kRequestBindPort:
            client.request_result = client_bind_port(client);
            // What was asked before the port was bound goes out now.
            start_queued(client);
            if (client.request_kind != kRequestNone) client.request_result = -1;
            break;
        case kRequestServerList:
            client.request_result = client_list_step(client);
            break;
        case kRequestCommand:
            client.request_result = client_command_step(client);
            break;
        default:
            break;
    }
    if (client.countdown != 0) {
        client.countdown -= elapsed_ms;
        if (client.countdown <= 0) {
            client.countdown = 0;
            client.request_state = client.answered ? kRequestRanOut : kRequestTimedOut;
        }
    }
    return client.request_result;
}

int32_t client_bind_port(net_client& client) {
    const int32_t base = client.client_port;
    int32_t port = base;
    bool bound = client.socket().bind(static_cast<uint16_t>(port));
    if (!bound && base != 0) {
        port = base + kPortFallbackStep;
        for (int32_t i = 0; !bound && i <= kPortFallbackTries && port + i <= 0xFFFF; ++i)
            bound = client.socket().bind(static_cast<uint16_t>(port + i));
    }
    client.request_kind = kRequestNone;
    client.answer_pings = false;
    client.connected = false;
    if (!bound) {
        log_write("[NET] *FATAL* Cannot set source for communication socket - network down.");
        client.request_state = kRequestNetworkDown;
        return 0;
    }
    log_write("[NET] Communication port is %d\n", client.socket().port());
    client.request_state = kRequestIdle;
    client.countdown = 0;
    return 1;
}

int32_t client_send_command(net_client& client, const std::string& text, bool from_queue) {
    if (client.request_state == kRequestNetworkDown) {
        client.status_text = "FLD 0";
        return 0;
    }
    // A command asked for while another runs waits for it, also one asked for before the login
    // that is under way is answered.
    if (client.request_kind != kRequestNone && !from_queue) {
        client.command_queue.push_back(text);
        return -1;
    }
    if (!client.connected && !begins(text, "*login")) {
        client.status_text = "FLD 3";
        return 0;
    }
    client.request_kind = kRequestCommand;
    client.command_text = text;
    if (begins(text, "pwd")) {
        client.command_text =
            "pwd " + scramble(client_word(text, 1), kScrambleDigest) + " " + client.password_digest;
    } else if (begins(text, "map") || begins(text, "kick") || begins(text, "quit") ||
               begins(text, "restart")) {
        client.command_text += " " + client.password_digest;
    }
    packet p(kPacketCommand);
    p.body.write_u8(static_cast<uint8_t>(client.next_request_id & 0xFF));
    if (!client.command_text.empty() && client.command_text[0] == '*') {
        p.body.write_string(client.command_text.substr(1));
        client.login_pending = true;
    } else {
        p.body.write_string(client.command_text);
    }
    select_server(client);
    client.queue_reliable(p);
    client.request_state = kRequestWaiting;
    client.request_id_in_flight = client.next_request_id;
    client.next_request_id += 1;
    client.countdown = kCommandCountdownMs;
    client.request_result = -1;
    return -1;
}

bool client_take_reply(net_client& client, packet& out, uint32_t id) {
    for (;;) {
        const int32_t at = client.find(kPacketCommandResult, 0);
        if (at < 0) return false;
        packet p;
        client.take(p, at);
        uint8_t got = 0;
        if (p.body.read_u8(got) && got == static_cast<uint8_t>(id & 0xFF)) {
            out = std::move(p);
            return true;
        }
        // A late reply to a request given up: dropped, so that it does not stand in front of the next.
        log_write("[NET] *WARNING* reply %d is not the one awaited (%d): dropped\n", got,
                  static_cast<int32_t>(id & 0xFF));
    }
}

int32_t client_command_step(net_client& client) {
    select_server(client);
    int32_t result = -1;
    if (client.request_state == kRequestWaiting) {
        packet reply;
        if (client_take_reply(client, reply, client.request_id_in_flight)) {
            std::string text;
            reply.body.read_string(text);
            client.status_text = text;
            if (begins(text, "OK")) {
                client.request_state = kRequestReplied;
            } else {
                finish(client);
                result = 0;
                if (begins(client.command_text, "*login")) {
                    client.answer_pings = false;
                    client.connected = false;
                    client.mark_dead();
                    // The next login to this server numbers its packets from 1 again.
                    client.renew_session();
                }
            }
        }
    }
    if (client.request_state == kRequestReplied) {
        const bool login_word = !client.command_text.empty() && client.command_text[0] == '*';
        if (login_word && client.find(kPacketGameSnapshot, 0) < 0) return -1;
        packet snapshot;
        for (int32_t at = client.find(kPacketGameSnapshot, 0); at >= 0;
             at = client.find(kPacketGameSnapshot, 0)) {
            client.take(snapshot, at);
            net_client_on_game_snapshot(client, snapshot);
            select_server(client);
        }
        client.login_pending = false;
        finish(client);
        result = 1;
        const bool ok = begins(client.status_text, "OK");
        if (begins(client.command_text, "*login")) {
            client.set_session_word(kLoginSessionWord);
            client.connected = true;
            if (ok) {
                client.local_player_id = str_to_int(client_word(client.status_text, 1));
                server_add_local_player(client.world, static_cast<uint32_t>(client.local_player_id));
            }
        } else if (begins(client.command_text, "*blogin")) {
            if (ok) {
                for (int i = 1;; ++i) {
                    const std::string word = client_word(client.status_text, i);
                    if (word.empty()) break;
                    server_add_local_player(client.world, static_cast<uint32_t>(str_to_int(word)));
                }
            }
        } else if (begins(client.command_text, "bye")) {
            client.mark_dead();
            client.renew_session();
            client.connected = false;
            client.answer_pings = false;
            client.local_players.clear();
        }
    } else if (client.request_state == kRequestTimedOut || client.request_state == kRequestRanOut) {
        finish(client);
        client.status_text = "FLD 4";
        result = 0;
    }
    if (client.request_kind == kRequestNone) {
        client.request_result = result;
        start_queued(client);
    }
    return result;
}

int32_t client_login(net_client& client, int32_t choice, const std::string& profile_name, bool flag) {
    if (choice == 0) {
        client.current_server = server_entry();
        client.current_server.address = kLoopback;
        server_session& session = server_session_get();
        const uint16_t bound = session.network ? session.network->socket().port() : 0;
        client.current_server.port =
            bound != 0 ? bound : static_cast<uint16_t>(client.world.service.server_port);
    } else if (choice > 0) {
        if (static_cast<std::size_t>(choice) > client.servers.size()) {
            client.status_text = "FLD 1";
            return 0;
        }
        client.current_server = client.servers[static_cast<std::size_t>(choice - 1)];
    } else if (choice < -1) {
        client.status_text = "FLD 1";
        return 0;
    }
    client.answer_pings = true;
    return client_send_command(client, str_format("*login %02d %s %d \"%s\"", 1, flag ? "1" : "0",
                                                  client.speed_limit, profile_name.c_str()));
}

int32_t client_login_new_player(net_client& client, uint32_t address, uint16_t port,
                                const std::string& profile_name) {
    client.current_server.address = address;
    client.current_server.port = port;
    return client_login(client, -1, profile_name, false);
}

int32_t client_send_blogin(net_client& client, const std::string& text) {
    return client_send_command(client, "*blogin " + text);
}

int32_t client_send_join(net_client& client, const int32_t (&v)[5]) {
    return client_send_command(client, str_format("join %d %d %d %d %d", v[0], v[1], v[2], v[3], v[4]));
}

int32_t client_send_bye(net_client& client, int32_t player_id) {
    return client_send_command(client, str_format("bye %d", player_id));
}

int32_t client_send_goodbye(net_client& client) {
    const int32_t result = client_send_command(client, "bye 0", true);
    // What came in acknowledges what went out, so that the reliable goodbye is not held behind it.
    client.receive();
    for (bool more = client.first(true); more; more = client.next(true)) client.flush();
    return result;
}

int32_t client_send_kill(net_client& client, int32_t first, int32_t second) {
    return client_send_command(client, str_format("kill %d %d", first, second));
}

void client_send_async_command(net_client& client, const std::string& text) {
    if (!client.connected) return;
    packet p(kPacketAsyncCommand);
    p.body.write_string(text);
    queue_event(client, p);
}

int32_t client_send_say(net_client& client, int32_t player_id, int32_t flag, int32_t number,
                        const std::string& text) {
    client_send_async_command(client, str_format("say %d %d %d ", player_id, flag, number) + text);
    return 0;
}

int32_t client_send_pickup(net_client& client, uint32_t player_id, int32_t weapon_id, uint8_t kind) {
    client_send_async_command(client,
                              str_format("pickup %u %u %u", player_id, static_cast<uint32_t>(weapon_id),
                                         static_cast<uint32_t>(kind)));
    return 0;
}

int32_t client_send_goal(net_client& client, const std::string& word, int32_t goal, int32_t team) {
    client_send_async_command(client, str_format("goal %s %d %d", word.c_str(), goal, team));
    return 0;
}

int32_t client_send_defused(net_client& client, uint32_t owner, int32_t grenade_id) {
    client_send_async_command(client, str_format("defused %u %d", owner, grenade_id));
    return 0;
}

int32_t client_send_hit_event(net_client& client, uint32_t attacker, uint32_t victim, int32_t zone,
                              int32_t power, uint16_t location) {
    if (!client.connected) return 0;
    packet p(kPacketAsyncEvent);
    p.body.write_u8(kEventHit);
    p.body.write_u32(attacker);
    p.body.write_u32(victim);
    p.body.write_u8(clamp_byte(zone));
    p.body.write_u8(clamp_byte(power));
    p.body.write_u16(location);
    queue_event(client, p);
    return 0;
}

int32_t client_send_grenade_event(net_client& client, uint32_t owner, const vec3& position,
                                  const vec3& velocity, const grenade_values& values, int32_t sector_index) {
    if (!client.connected) return 0;
    packet p(kPacketAsyncEvent);
    p.body.write_u8(kEventGrenade);
    p.body.write_u32(owner);
    write_short_position(p, position);
    p.body.write_vec3(velocity);
    p.body.write_u8(static_cast<uint8_t>(values.kind));
    p.body.write_u8(static_cast<uint8_t>(values.id));
    p.body.write_string(values.model);
    p.body.write_u8(values.variant);
    p.body.write_u8(sector_byte(sector_index));
    p.body.write_u16(short_of(values.acceleration.y));
    queue_event(client, p);
    return 0;
}

int32_t client_send_drop_event(net_client& client, const dropped_weapon& weapon, int32_t sector_index) {
    if (!client.connected) return 0;
    if (sector_index < 0) sector_index = level_sector_index(client.world, weapon.in_sector);
    packet p(kPacketAsyncEvent);
    p.body.write_u8(kEventDrop);
    write_short_position(p, weapon.arc_start);
    p.body.write_vec3(weapon.velocity);
    for (int32_t v : weapon.values) p.body.write_u8(static_cast<uint8_t>(v));
    p.body.write_string(weapon.model_name);
    p.body.write_u8(sector_byte(sector_index));
    p.body.write_u16(short_of(weapon.acceleration.y));
    p.body.write_u32(static_cast<uint32_t>(weapon.id));
    p.body.write_u8(weapon.serial);
    p.body.write_u16(unsigned_short_of(weapon.speed));
    queue_event(client, p);
    return 0;
}

void client_send_round_stats(net_client& client) {
    if (!client.connected) return;
    player_record* r = server_find_player(client.world, static_cast<uint32_t>(client.local_player_id));
    if (!r || !r->levels_changed) return;
    r->levels_changed = 0;
    packet p(kPacketAsyncCommand);
    p.body.write_string(str_format("setr %d %d:%d:%d:%d:%d:%d", client.local_player_id, r->levels[0],
                                   r->levels[1], r->levels[2], r->levels[3], r->levels[4], r->levels[5]));
    select_server(client);
    client.queue(p);
}

int32_t client_on_async_command(net_client& client, const std::string& text) {
    if (begins(text, "pickup")) {
        server_remove_dropped_weapon(client.world, static_cast<uint32_t>(str_to_int(client_word(text, 1))),
                                     str_to_int(client_word(text, 2)),
                                     static_cast<uint8_t>(str_to_int(client_word(text, 3))), true);
    } else if (begins(text, "defused")) {
        server_grenade_event(client.world, static_cast<uint32_t>(str_to_int(client_word(text, 1))),
                             str_to_int(client_word(text, 2)), true);
    } else if (begins(text, "goald")) {
        snapshot_package_set_events(client.world.snapshot, str_to_int(client_word(text, 1)),
                                    str_to_int(client_word(text, 2)));
    }
    return 0;
}

void client_on_async_event(net_client& client, packet& p) {
    uint8_t kind = 0;
    if (!p.body.read_u8(kind)) return;
    switch (kind) {
        case kEventHealth: {
            uint32_t id = 0;
            uint8_t health = 0;
            if (!p.body.read_u32(id) || !p.body.read_u8(health)) return;
            if (player_record* r = server_find_player(client.world, id)) player_record_set_health(*r, health);
            return;
        }
        case kEventGrenade:
            on_grenade_event(client, p);
            return;
        case kEventDrop:
            on_drop_event(client, p);
            return;
        default:
            return;
    }
}

const std::string* net_reply_text(const server& world, const std::string& reply) {
    const int32_t code = str_to_int(client_word(reply, 1));
    if (code < 0 || code >= kReplyCodes) return nullptr;
    return &server_text(world, kTextBase, kReplyEntries[code]);
}

}  // namespace kv
