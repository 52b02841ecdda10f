#include "net/net_client.h"

#include <algorithm>
#include <utility>

#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_snapshot.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "net/password.h"
#include "net/profile_table.h"
#include "net/snapshot_package.h"

namespace kv {
namespace {

constexpr int32_t kSpeedThreshold = 50;
constexpr int32_t kSpeedDivisor = 40;
constexpr int32_t kChatCommand = 1;
constexpr int32_t kRadioCommand = 2;

// The options the session binds, with the kind letter of their registry key.
struct bound_option {
    const char* key;
    const char* name;
};
constexpr bound_option kBoundOptions[] = {{"Slastprof", "lastprof"},
                                          {"Slastsname", "lastsname"},
                                          {"Ilastrndtm", "lastrndtm"},
                                          {"Ilastcmpgntm", "lastcmpgntm"},
                                          {"Ilastnetspeed", "lastnetspeed"}};

void unbind_options(net_client& client) {
    option_registry& options = kernel_get().options;
    const option_binding mine[] = {
        option_binding(&client.profile_name), option_binding(&client.server_name_setting),
        option_binding(&client.round_time_setting), option_binding(&client.campaign_time_setting),
        option_binding(&client.net_speed_setting)};
    for (std::size_t i = 0; i < std::size(kBoundOptions); ++i) {
        const auto bound = options.bindings.find(kBoundOptions[i].key);
        if (bound != options.bindings.end() && bound->second == mine[i]) options.bindings.erase(bound);
    }
}

// A D-SNAPSHOT slot carries the wire fields only: the name, counters and statistics of the world's
// copy stay.
const player_slot& merge_slot(snapshot_package& snapshot, const player_slot& fresh) {
    for (player_slot& slot : snapshot.slots) {
        if (slot.id != fresh.id) continue;
        slot.spawn = fresh.spawn;
        slot.team = fresh.team;
        slot.state = fresh.state;
        slot.specialisation = fresh.specialisation;
        slot.health = fresh.health;
        slot.skin = fresh.skin;
        slot.cause = fresh.cause;
        return slot;
    }
    snapshot.slots.push_back(fresh);
    return snapshot.slots.back();
}

void on_radio_message(net_client& client, packet& p) {
    server& world = client.world;
    uint8_t number = 0;
    std::string nick;
    if (!p.body.read_u8(number) || !p.body.read_string(nick)) {
        log_write("[NET] *WARNING* cut RADIO-MESSAGE ignored\n");
        return;
    }
    if (number == 0) {
        std::string text;
        p.body.read_string(text);
        arty_factory_post_command_texts(world.factory, kChatCommand, nick, text);
        return;
    }
    const int32_t radio = number - 1;
    arty_factory_post_command_int_text(world.factory, kRadioCommand, radio, nick);
    if (player_record* r = server_find_player_by_nick(world, nick)) {
        if (world.bots) botc_radio_message(*world.bots, r->id, radio);
    }
}

bool on_player_snapshot(net_client& client, packet& p) {
    std::vector<player_state> states;
    if (!player_states_read(p, states)) log_write("[NET] *WARNING* P-SNAPSHOT cut short\n");
    for (const player_state& state : states) server_player_update(client.world, state.id, state);
    return !states.empty();
}

void on_d_snapshot(net_client& client, packet& p) {
    std::vector<player_slot> slots;
    if (!snapshot_package_read_d_snapshot(p, slots)) log_write("[NET] *WARNING* D-SNAPSHOT cut short\n");
    for (const player_slot& fresh : slots)
        player_init(client.world, merge_slot(client.world.snapshot, fresh));
    server_purge_players(client.world);
}

void on_profiles(net_client& client, packet& p) {
    std::vector<profile_record> records;
    if (!profiles_read(p, records)) log_write("[NET] *WARNING* PROFILES cut short\n");
    for (const profile_record& record : records) {
        if (!profiles_apply(client.world.snapshot, record)) continue;
        if ((record.mask & kProfileNickField) == 0) continue;
        if (player_record* r = server_find_player(client.world, record.id))
            player_record_set_nick(*r, record.nick);
    }
}

void on_ping_report(net_client& client, packet& p) {
    uint32_t id = 0;
    uint16_t ping = 0;
    if (!p.body.read_u32(id) || !p.body.read_u16(ping)) return;
    snapshot_package& snapshot = client.world.snapshot;
    if (find_by_id(snapshot, id)) snapshot_package_current(snapshot)->ping = static_cast<int16_t>(ping);
}

// Outside a list request only the current server is listened to: what other remotes received is
// dropped with them.
void drop_strangers(net_client& client) {
    if (client.request_kind == kRequestServerList) return;
    for (bool more = client.first(true); more; more = client.next(true)) {
        remote_record* r = client.current();
        if (r->address == client.current_server.address && r->port == client.current_server.port) continue;
        if (r->address == client.master_address && r->port == client.master_port) continue;
        if (!r->received.empty()) {
            log_write("[NET] *WARNING* %d packets from %s:%d, not the current server, dropped\n",
                      static_cast<int32_t>(r->received.size()), net_format_address(r->address).c_str(),
                      r->port);
            r->received.clear();
            client.mark_dead();
        }
    }
}

void select_server(net_client& client) {
    client.select(client.current_server.address, client.current_server.port);
}

void send_pass(net_client& client) {
    if (!client.send_timer) client.send_timer = std::make_unique<timer>();
    if (timer_elapsed_ms(*client.send_timer) <= client.send_interval) return;
    timer_restart(*client.send_timer);
    if (client.connected) {
        net_client_send_player_snapshot(client);
        net_client_flush_events(client);
        client_send_round_stats(client);
    }
    for (bool more = client.first(true); more; more = client.next(true)) {
        const int32_t sent = client.flush();
        const remote_record* r = client.current();
        if (sent == 0 && client.answer_pings && r->address == client.current_server.address &&
            r->port == client.current_server.port) {
            client.queue(packet(kPacketNone));
            client.flush();
        }
    }
}

void client_silence_check(net_client& client) {
    if (!client.connected) return;
    select_server(client);
    client.silence = timer_elapsed_seconds(client.clock()) - client.last_heard();
}

void client_answer_pings(net_client& client) {
    if (!client.answer_pings) return;
    select_server(client);
    packet ping;
    bool got = false;
    for (int32_t at = client.find(kPacketPing, 0); at >= 0; at = client.find(kPacketPing, 0)) {
        client.take(ping, at);
        got = true;
    }
    if (got) client.queue_out_of_game(ping);
}

}  // namespace

net_client::net_client(server& owner, const int& log_level, std::unique_ptr<datagram_socket> socket)
    : net_peer(log_level, std::move(socket)), world(owner), password_digest(scramble("", kScrambleDigest)) {}

net_client::~net_client() {
    unbind_options(*this);
}

void net_client::tick(int32_t elapsed_ms) {
    net_client_tick(*this, elapsed_ms);
}

bool net_client::admit(uint32_t address, uint16_t port, const packet&) {
    if (request_kind == kRequestServerList) return true;
    return address == current_server.address && port == current_server.port;
}

net_client& net_client_get() {
    return server_get().client;
}

bool net_client_tick(net_client& client, int32_t elapsed_ms) {
    if (client.request_state == kRequestNetworkDown) return false;
    client.receive();
    client_request_step(client, elapsed_ms);
    client_silence_check(client);
    client_answer_pings(client);
    drop_strangers(client);

    if (client.connected && server_game_package_loaded(client.world)) {
        bool states_arrived = false;
        packet p;
        for (;;) {
            select_server(client);
            if (!client.take(p, 0)) break;
            if (p.type == kPacketPlayerSnapshot) {
                states_arrived = on_player_snapshot(client, p) || states_arrived;
            } else {
                net_client_handle_packet(client, p);
            }
            // A handler may end the connection ("quit" snapshot, a level change).
            if (!client.connected) break;
        }
        if (states_arrived) server_purge_players(client.world);
    }
    send_pass(client);
    return true;
}

void net_client_handle_packet(net_client& client, packet& p) {
    switch (p.type) {
        case kPacketAsyncCommand: {
            std::string text;
            if (p.body.read_string(text)) client_on_async_command(client, text);
            return;
        }
        case kPacketRadioMessage:
            on_radio_message(client, p);
            return;
        case kPacketGameSnapshot:
            net_client_on_game_snapshot(client, p);
            return;
        case kPacketPlayerSnapshot:
            if (on_player_snapshot(client, p)) server_purge_players(client.world);
            return;
        case kPacketWorldSnapshot:
            client_apply_events(client, p);
            return;
        case kPacketDeltaSnapshot:
            on_d_snapshot(client, p);
            return;
        case kPacketProfiles:
            on_profiles(client, p);
            return;
        case kPacketAsyncEvent:
            client_on_async_event(client, p);
            return;
        case kPacketPingReport:
            on_ping_report(client, p);
            return;
        default:
            return;
    }
}

bool net_client_on_game_snapshot(net_client& client, packet& p) {
    snapshot_package received;
    if (!snapshot_package_read(received, p)) {
        log_write("[NET] *WARNING* G-SNAPSHOT with a cut header ignored\n");
        return false;
    }
    game_snapshot_update(client.world, received);
    return true;
}

void net_client_send_player_snapshot(net_client& client) {
    if (client.local_players.empty()) return;
    select_server(client);
    for (const packet& p : player_states_write(client.local_players)) client.queue(p);
    client.local_players.clear();
}

bool client_settings_init(net_client& client) {
    client.client_port = kClientPort;
    option_registry& options = kernel_get().options;
    option_registry_add_string(options, "lastprof", &client.profile_name);
    option_registry_add_string(options, "lastsname", &client.server_name_setting);
    option_registry_add_int(options, "lastrndtm", &client.round_time_setting);
    option_registry_add_int(options, "lastcmpgntm", &client.campaign_time_setting);
    option_registry_add_int(options, "lastnetspeed", &client.net_speed_setting);
    return true;
}

void client_set_master_address(net_client& client, const std::string& address) {
    client.master_address_text = address;
}

void client_reset_state(net_client& client) {
    client.request_state = kRequestIdle;
    client.countdown = 0;
    client.request_kind = kRequestNone;
}

int32_t client_set_mode(net_client& client, int32_t mode) {
    if (client.connected) {
        client.status_text = "FLD 2";
        return 0;
    }
    client.lan_mode = mode == 0;
    client.status_text = mode == 0 ? "OK 0" : "OK 1";
    return 1;
}

int32_t client_set_net_speed(net_client& client, int32_t speed, int32_t limit) {
    if (speed > kSpeedThreshold) client.send_interval = 1000 / (speed / kSpeedDivisor);
    if (limit > 0) client.speed_limit = limit;
    client.send_interval = std::max(client.send_interval, kMinSendIntervalMs);
    return 1;
}

std::string client_take_status_text(net_client& client) {
    std::string text;
    text.swap(client.status_text);
    return text;
}

int32_t client_server_list_result(const net_client& client) {
    return client.request_result;
}

int32_t client_pending_result(const net_client& client) {
    return client.request_result;
}

void client_store_player_record(net_client& client, const player_state& state) {
    if (!client.connected) return;
    for (player_state& kept : client.local_players) {
        if (kept.id == state.id) {
            kept = state;
            return;
        }
    }
    client.local_players.push_back(state);
}

bool client_is_connected(const net_client& client) {
    return client.connected;
}

int32_t client_local_player_id(const net_client& client) {
    return client.local_player_id;
}

}  // namespace kv
