#include "net/listing.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "kernel/log.h"
#include "platform/clock.h"
#include "util/text.h"

namespace kv {

namespace {

constexpr uint32_t kQuickHeartbeatMs = 30000;
constexpr uint32_t kSlowHeartbeatMs = 300000;
constexpr int8_t kQuickHeartbeats = 10;
constexpr int32_t kStateChangedShutdown = 2;
constexpr std::size_t kEchoLimit = 1351;
// A value is kept short enough that a reply can always be split before a key.
constexpr std::size_t kMaxValueLength = 255;
constexpr uint32_t kQueryWindowMs = 1000;

const char* const kTeamNames[] = {"Blue", "Red", "Black", "Unassigned"};

// A value as it may travel: no '\' (it would begin a key) and of bounded length.
std::string value_text(std::string_view text) {
    std::string value(text.substr(0, kMaxValueLength));
    std::replace(value.begin(), value.end(), '\\', '/');
    return value;
}

void send_text(datagram_socket* socket, const std::string& text, uint32_t address, uint16_t port) {
    if (socket == nullptr || address == 0) return;
    socket->send(text.data(), text.size(), address, port);
}

void listing_send(listing_reporter& r) {
    if (r.output.empty()) return;
    r.packet_number += 1;
    r.output += str_format("\\queryid\\%u.%u", r.query_id, r.packet_number);
    send_text(r.query_socket, r.output, r.reply_address, r.reply_port);
    r.output.clear();
}

// The last backslash before `limit` that begins a key (the 1st, 3rd, 5th ...), past the first
// character; npos when there is none.
std::size_t key_cut(std::string_view text, std::size_t limit) {
    std::size_t cut = std::string_view::npos;
    int count = 0;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        if (text[i] != '\\') continue;
        if (count % 2 == 0 && i > 0) cut = i;
        ++count;
    }
    return cut;
}

// Appends a builder's text: what fits goes into the output; a long text is cut before a key so that
// the output fills up, and the output is sent each time it is full.
void append_reply(listing_reporter& r, std::string_view text) {
    for (;;) {
        if (r.output.size() + text.size() < kListingSplitAt) {
            r.output.append(text);
            return;
        }
        if (text.size() < kListingSplitAt + 2) {
            listing_send(r);
            r.output.assign(text);
            return;
        }
        const std::size_t cut = key_cut(text, kListingSplitAt - r.output.size());
        if (cut == std::string_view::npos) {
            if (r.output.empty()) {
                // One pair longer than a packet: values are kept short, so only an echo gets here.
                r.output.assign(text);
                return;
            }
            listing_send(r);
            continue;
        }
        r.output.append(text.substr(0, cut));
        listing_send(r);
        text = text.substr(cut);
    }
}

// The value of "\word\" in the query, up to the next backslash; false when the word is absent.
bool query_value(std::string_view query, std::string_view word, std::string& value) {
    const std::string key = "\\" + std::string(word) + "\\";
    const std::size_t at = query.find(key);
    if (at == std::string_view::npos) return false;
    const std::string_view rest = query.substr(at + key.size());
    value.assign(rest.substr(0, rest.find('\\')));
    return true;
}

// At most so many answers a second, from one address and in all: forged queries must not turn the
// server into a reflector.
bool query_allowed(listing_reporter& r, uint32_t address) {
    const uint32_t now = sys_clock_get().ms_now();
    if (now - r.window_start >= kQueryWindowMs) {
        r.window_start = now;
        r.window_total = 0;
        r.window_counts.clear();
    }
    if (r.window_total >= kListingQueriesPerSecond) return false;
    auto it = std::find_if(r.window_counts.begin(), r.window_counts.end(),
                           [address](const auto& entry) { return entry.first == address; });
    if (it == r.window_counts.end()) {
        r.window_counts.emplace_back(address, 0);
        it = std::prev(r.window_counts.end());
    }
    if (it->second >= kListingQueriesPerAddress) return false;
    it->second += 1;
    r.window_total += 1;
    return true;
}

}  // namespace

bool listing_apply_config(listing_settings& settings, const std::string& key, const std::string& value) {
    if (key == "listing") {
        settings.master_host = value;
        return true;
    }
    if (key == "listing-key") {
        settings.key = value.substr(0, kListingKeyLength);
        return true;
    }
    return false;
}

void listing_init(listing_reporter& r, datagram_socket& socket) {
    if (r.running) listing_shutdown(r);
    r.query_socket = &socket;
    r.heartbeat_socket = &socket;
    r.game_name = kListingGameName;
    r.secret_key = r.settings.key.empty() ? std::string(kListingDefaultKey) : r.settings.key;
    r.query_port = 0;
    r.last_heartbeat = 0;
    r.heartbeat_sent = false;
    r.query_id = 1;
    r.packet_number = 0;
    r.heartbeat_repeats = 1;
    r.master_address = 0;
    if (!r.settings.master_host.empty() && !net_resolve_address(r.settings.master_host, r.master_address)) {
        r.master_address = 0;
    }
    log_write("[listing] init ok\n");
    r.running = true;
}

void listing_heartbeat(listing_reporter& r, int32_t state_changed) {
    std::string text = str_format("\\heartbeat\\%u\\gamename\\%s", r.query_port, r.game_name.c_str());
    if (state_changed != 0) text += str_format("\\statechanged\\%d", state_changed);
    send_text(r.heartbeat_socket, text, r.master_address, kListingMasterPort);
    r.last_heartbeat = sys_clock_get().ms_now();
    r.heartbeat_sent = true;
}

void listing_tick(listing_reporter& r) {
    if (!r.running || r.heartbeat_socket == nullptr) return;
    const uint32_t now = sys_clock_get().ms_now();
    // Unsigned differences: a wrapped millisecond clock still measures the time since the last one.
    const uint32_t since = now - r.last_heartbeat;
    if (r.heartbeat_sent && since <= kSlowHeartbeatMs) {
        if (r.heartbeat_repeats >= 1 && since > kQuickHeartbeatMs) {
            listing_heartbeat(r, 0);
            r.heartbeat_repeats = static_cast<int8_t>(r.heartbeat_repeats + 1);
            if (r.heartbeat_repeats > kQuickHeartbeats) r.heartbeat_repeats = 0;
        }
        return;
    }
    listing_heartbeat(r, 0);
}

void listing_datagram(listing_reporter& r, const char* text, std::size_t length, uint32_t address,
                      uint16_t port) {
    if (!r.running || !query_allowed(r, address)) return;
    const std::string_view query(text, strnlen(text, length));
    r.query_id += 1;
    r.packet_number = 0;
    if (r.heartbeat_repeats > 0) r.heartbeat_repeats = 0;
    r.output.clear();
    r.reply_address = address;
    r.reply_port = port;

    listing_info info;
    if (r.source) r.source(info);
    std::string built;
    const auto append_built = [&](void (*builder)(const listing_info&, std::string&)) {
        built.clear();
        builder(info, built);
        append_reply(r, built);
    };

    std::string value;
    std::string challenge;
    if (query_value(query, "basic", value)) append_built(listing_basic);
    if (query_value(query, "info", value)) append_built(listing_info_reply);
    if (query_value(query, "rules", value)) append_built(listing_rules);
    if (query_value(query, "players", value)) append_built(listing_players);
    if (query_value(query, "status", value)) {
        append_built(listing_basic);
        append_built(listing_info_reply);
        append_built(listing_rules);
        append_built(listing_players);
    }
    if (query_value(query, "packets", value)) {
        append_built(listing_basic);
        listing_send(r);
        append_built(listing_info_reply);
        listing_send(r);
        append_built(listing_rules);
        listing_send(r);
        append_built(listing_players);
    }
    if (query_value(query, "echo", value) && value.size() < kEchoLimit) append_reply(r, "\\echo\\" + value);
    if (query_value(query, "secure", value)) challenge = value;

    if (!challenge.empty()) {
        if (challenge.size() > kListingMaxChallenge) {
            r.output.clear();
            return;
        }
        std::vector<uint8_t> bytes(challenge.begin(), challenge.end());
        listing_cipher(r.secret_key, bytes.data(), bytes.size());
        append_reply(r, "\\validate\\" + listing_encode(bytes.data(), bytes.size()));
    }
    append_reply(r, "\\final\\");
    listing_send(r);
}

void listing_shutdown(listing_reporter& r) {
    if (!r.running) return;
    listing_heartbeat(r, kStateChangedShutdown);
    // The sockets are the game server's: they stay open.
    r.query_socket = nullptr;
    r.heartbeat_socket = nullptr;
    r.output.clear();
    r.running = false;
}

void listing_basic(const listing_info&, std::string& out) {
    out += "\\gamename\\Korvane\\gamever\\1.0\\location\\1";
}

void listing_info_reply(const listing_info& info, std::string& out) {
    out += str_format(
        "\\hostname\\%s\\hostport\\%d\\mapname\\%s\\gametype\\teamplay\\numplayers\\%d"
        "\\maxplayers\\%d\\gamemode\\openplaying",
        value_text(info.host_name).c_str(), info.host_port, value_text(info.map_name).c_str(),
        static_cast<int>(info.players.size()), info.max_players);
}

void listing_rules(const listing_info& info, std::string& out) {
    out += str_format("\\timelimit\\%d\\fraglimit\\%d\\teamplay\\%d\\rankedserver\\%d", info.time_limit, 0, 1,
                      info.realistic ? 1 : 0);
}

void listing_players(const listing_info& info, std::string& out) {
    int i = 0;
    for (const listing_player& p : info.players) {
        const char* team = p.team >= 0 && p.team <= 3 ? kTeamNames[p.team] : "";
        out += str_format(
            "\\player_%d\\%s\\frags_%d\\%d\\deaths_%d\\%d\\skill_%d\\%d\\ping_%d\\%d\\team_%d\\%s", i,
            value_text(p.name).c_str(), i, p.frags, i, p.deaths, i, p.skill, i, p.ping, i, team);
        ++i;
    }
}

void listing_cipher(std::string_view key, uint8_t* data, std::size_t length) {
    if (key.empty()) return;
    uint8_t s[256];
    for (int k = 0; k < 256; ++k) s[k] = static_cast<uint8_t>(k);
    uint8_t j = 0;
    std::size_t key_index = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + static_cast<uint8_t>(key[key_index]));
        key_index = (key_index + 1) % key.size();
        std::swap(s[i], s[j]);
    }
    uint8_t i = 0;
    j = 0;
    for (std::size_t k = 0; k < length; ++k) {
        const uint8_t d = data[k];
        i = static_cast<uint8_t>(i + d + 1);
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        data[k] = static_cast<uint8_t>(d ^ s[static_cast<uint8_t>(s[i] + s[j])]);
    }
}

std::string listing_encode(const uint8_t* data, std::size_t length) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t k = 0; k < length; k += 3) {
        uint8_t group[3] = {};
        for (std::size_t b = 0; b < 3 && k + b < length; ++b) group[b] = data[k + b];
        const uint32_t bits =
            (static_cast<uint32_t>(group[0]) << 16) | (static_cast<uint32_t>(group[1]) << 8) | group[2];
        for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(bits >> shift) & 63];
    }
    return out;
}

}  // namespace kv
