#include "net/server_session.h"

#include <algorithm>

#include "data/file_stream.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "net/net_peer.h"
#include "net/packet.h"
#include "net/password.h"
#include "net/service.h"
#include "net/session_rounds.h"
#include "ui/console_view.h"
#include "util/text.h"
#include "util/text_format.h"

namespace kv {
namespace {

std::unique_ptr<server_session>& session_instance() {
    // The world server outlives the session, which reads its map records and text tables.
    server_get();
    static std::unique_ptr<server_session> instance;
    return instance;
}

constexpr int32_t kTextNoNetConfig = 141;

}  // namespace

server_session::server_session() : password(session_password_digest("")) {}

server_session::~server_session() = default;

void server_session_start(server_session& s, int32_t net_mode, int32_t port, const std::string& name,
                          const std::string& net_config_path) {
    s.net_mode = net_mode;
    s.server_name = name;
    s.network = std::make_unique<net_server>(s, server_get().log_level, std::move(s.next_socket));
    s.network->listing.source = [&s](listing_info& info) { session_listing_info(s, info); };
    s.running = server_session_read_net_config(s, net_config_path);
    if (s.running) s.network->set_mode_and_port(net_mode, static_cast<uint16_t>(port));
    s.data_dir = server_get().write_dir;
    s.log.directory = s.data_dir;
    s.host_address = 0xFFFFFFFFu;
    s.host_port = 0;
    s.host_player_id = 0;
}

bool server_session_read_net_config(server_session& s, const std::string& path) {
    file_stream in;
    if (!file_stream_open(in, path, kFileRead)) {
        session_console(kTextNoNetConfig, {path});
        return false;
    }
    std::string line;
    while (file_stream_read_line(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::string key = str_field_or_empty(line, 0, ':');
        const std::string value = str_field_or_empty(line, 1, ':');
        if (key == "server-name") {
            // A key without a colon names nothing.
            s.server_name = line.size() > key.size() ? line.substr(key.size() + 1) : std::string();
        } else if (key == "master") {
            s.network->set_master_name(value);
        } else {
            listing_apply_config(s.network->listing.settings, key, value);
        }
    }
    file_stream_close(in);
    return true;
}

bool server_session_tick(server_session& s, int32_t elapsed_ms) {
    if (s.running) {
        open_session_log(s.log);
        session_round_step(s);
        session_death_step(s);
    }
    if (!s.network) return false;
    s.network->tick(elapsed_ms);
    return s.network->keeps_running();
}

void server_session_local_command(server_session& s, const std::string& text) {
    if (text.starts_with("quit")) {
        s.running = false;
        s.current_map.clear();
        close_session_log(s.log);
    }
    if (s.network) s.network->dispatch_local(text);
}

bool server_session_is_running(const server_session& s) {
    return s.running;
}

void session_add_map(server_session& s, const std::string& name) {
    s.maps.push_back(name);
}

void session_send_to(server_session& s, const packet& p, uint32_t address, uint16_t port, bool reliable) {
    if (!s.network) return;
    s.network->select(address, port);
    if (reliable) {
        s.network->queue_reliable(p);
    } else {
        s.network->queue(p);
    }
}

void session_send_to_players(server_session& s, const packet& p, bool reliable) {
    session_relay_to_others(s, p, 0, 0, reliable);
}

void session_relay_to_others(server_session& s, const packet& p, uint32_t address, uint16_t port,
                             bool reliable) {
    for (const player_slot& slot : s.snapshot.slots) {
        if (snapshot_package_slot_is_bot(slot) || (slot.address == address && slot.port == port)) continue;
        session_send_to(s, p, slot.address, slot.port, reliable);
    }
}

void server_session_send_game_snapshot(server_session& s) {
    if (!s.snapshot_due) return;
    s.snapshot_due = false;
    s.d_snapshot_due = false;
    if (server_get().log_level != 0) dump(s.snapshot);
    snapshot_package_set_seconds(s.snapshot,
                                 std::max(0, s.state_duration - timer_elapsed_seconds(s.state_timer)));
    snapshot_package_set_events(s.snapshot, -1, -1);
    packet p(kPacketGameSnapshot);
    snapshot_package_write(s.snapshot, p);
    session_send_to_players(s, p, true);
}

void server_session_send_d_snapshot(server_session& s) {
    if (!s.d_snapshot_due) return;
    s.d_snapshot_due = false;
    for (const packet& p : snapshot_package_write_d_snapshots(s.snapshot))
        session_send_to_players(s, p, true);
}

bool session_send_profiles(server_session& s, uint32_t address, uint16_t port) {
    if (!find_by_address(s.snapshot, address, port)) return false;
    player_slot* slot = snapshot_package_current(s.snapshot);
    const bool all = slot->needs_all_profiles;
    slot->needs_all_profiles = false;
    const std::vector<packet> packets = profiles_write(s.snapshot, s.profiles, all);
    for (const packet& p : packets) session_send_to(s, p, address, port, true);
    return !packets.empty();
}

void session_clear_profile_changes(server_session& s) {
    for (player_slot& slot : s.snapshot.slots) slot.profile_changed = false;
}

void session_send_farewell_snapshot(server_session& s, uint32_t address, uint16_t port) {
    if (!s.network) return;
    const int32_t state = s.snapshot.state;
    const bool changed = s.snapshot.changed;
    s.snapshot.state = kGameQuit;
    packet p(kPacketGameSnapshot);
    snapshot_package_write(s.snapshot, p);
    s.snapshot.state = state;
    s.snapshot.changed = changed;
    // At once and outside the reliable queue: the leaving peer's record goes with this tick.
    s.network->select(address, port);
    s.network->queue(p);
    s.network->flush();
}

void session_send_profile_to_master(server_session& s, uint32_t id) {
    if (!s.network || !find(s.profiles, id)) return;
    packet p(kPacketAsyncCommand);
    p.body.write_string(format_line(s.profiles, id, true));
    s.network->select(s.network->master_address, s.network->master_port);
    s.network->queue_reliable(p);
}

void session_listing_info(server_session& s, listing_info& info) {
    const service_settings& settings = server_get().service;
    info.host_name = s.server_name;
    info.host_port = s.network ? s.network->socket().port() : 0;
    info.map_name = s.current_map;
    info.max_players = settings.maxplayers1 + settings.maxplayers2 + settings.maxplayers3;
    info.time_limit = s.times.round / 60;
    info.realistic = ((s.snapshot.flags >> kSnapshotModeShift) & 3) == 1;
    info.players.clear();
    for (const player_slot& slot : s.snapshot.slots) {
        listing_player player;
        player.name = find(s.profiles, slot.id) ? current_nick(s.profiles) : kNoNick;
        player.frags = slot.counters[1];
        player.deaths = slot.counters[2];
        for (uint8_t value : slot.statistics) player.skill += value;
        player.ping = slot.ping;
        player.team = slot.team;
        info.players.push_back(player);
    }
}

server_session& server_session_get() {
    std::unique_ptr<server_session>& instance = session_instance();
    if (!instance) instance = std::make_unique<server_session>();
    return *instance;
}

void server_session_destroy() {
    session_instance().reset();
}

map_record* session_current_map(server_session& s) {
    if (s.current_map.empty()) return nullptr;
    return server_find_map(server_get(), s.current_map);
}

bool session_map_valid(server_session& s) {
    const map_record* map = session_current_map(s);
    return map && map->described;
}

void session_mark_snapshot(server_session& s) {
    s.snapshot_due = true;
}

std::string session_text(int32_t entry, const std::vector<std::string>& values) {
    return text_format(server_text(server_get(), kTextBase, entry), values);
}

void session_console(int32_t entry, const std::vector<std::string>& values) {
    const std::string text = session_text(entry, values);
    if (!text.empty()) console_view_print(kernel_get().console, text);
}

std::string session_password_digest(const std::string& text) {
    return scramble(text, kScrambleDigest);
}

bool session_check_password(const server_session& s, const std::string& password) {
    return password == s.password;
}

}  // namespace kv
