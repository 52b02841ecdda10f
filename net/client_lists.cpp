// Server lists: the LAN "hello" broadcast, the master server's "slist", and the refresh that asks
// every listed server for its name, map and ping. Each runs as a list request of the client's
// request machine, one step per tick.

#include <algorithm>

#include "kernel/log.h"
#include "net/client_words.h"
#include "net/net_client.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr uint16_t kServerTag = 1;

void finish(net_client& client) {
    client.request_state = kRequestIdle;
    client.countdown = 0;
    client.request_kind = kRequestNone;
}

packet hello_packet(uint8_t id) {
    packet p(kPacketCommand);
    p.body.write_u8(id);
    p.body.write_string("hello");
    return p;
}

server_entry* listed(net_client& client, uint32_t address, uint16_t port) {
    for (server_entry& e : client.servers) {
        if (e.address == address && e.port == port) return &e;
    }
    return nullptr;
}

int32_t lan_list_step(net_client& client) {
    switch (client.request_state) {
        case kRequestIdle: {
            // The wait starts with the first try: a broadcast that never goes out ends with the countdown.
            if (client.countdown == 0) {
                client.servers.clear();
                client.status_text.clear();
                client.countdown = kLanListCountdownMs;
            }
            packet p = hello_packet(static_cast<uint8_t>(client.next_request_id & 0xFF));
            client.request_id_in_flight = client.next_request_id;
            client.next_request_id += 1;
            if (!client.broadcast(p)) return -1;
            client.request_state = kRequestWaiting;
            timer_restart(client.lan_timer);
            return -1;
        }
        case kRequestWaiting:
            for (bool more = client.first(true); more; more = client.next(true)) {
                packet reply;
                if (!client_take_reply(client, reply, client.request_id_in_flight)) continue;
                std::string text;
                reply.body.read_string(text);
                client.mark_dead();
                server_entry entry;
                const remote_record* r = client.current();
                entry.address = r->address;
                entry.port = r->port;
                if (!client_parse_server_reply(text, entry)) continue;
                entry.ping = timer_elapsed_ms(client.lan_timer) / 2;
                if (server_entry* known = listed(client, entry.address, entry.port)) {
                    *known = entry;
                } else {
                    client.servers.push_back(entry);
                }
                client.status_text += text + "\n";
            }
            client.answered = true;
            return -1;
        default:
            finish(client);
            client.status_text =
                str_format("OK %d\n", static_cast<int32_t>(client.servers.size())) + client.status_text;
            return 1;
    }
}

void take_master_list(net_client& client, const std::string& text) {
    client.answered = true;
    std::size_t at = text.find('\n');
    while (at != std::string::npos && at + 1 < text.size()) {
        const std::size_t end = text.find('\n', at + 1);
        const std::string line =
            text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        at = end;
        uint32_t address = 0;
        if (!net_parse_address(client_word(line, 0), address)) continue;
        const std::string port_word = client_word(line, 1);
        const int32_t port = port_word.empty() ? kLanServerPort : str_to_int(port_word);
        if (port <= 0 || port > 0xFFFF) continue;
        if (listed(client, address, static_cast<uint16_t>(port))) continue;
        server_entry entry;
        entry.address = address;
        entry.port = static_cast<uint16_t>(port);
        client.servers.push_back(entry);
        client.servers_received += 1;
    }
}

int32_t master_fetch_step(net_client& client) {
    switch (client.request_state) {
        case kRequestIdle: {
            uint32_t address = 0;
            if (!net_resolve_address(client.master_address_text, address)) {
                client.request_state = kRequestTimedOut;
                log_write("[NET] *ERROR* master not found\n");
                client.status_text = "FLD 8";
                client.request_kind = kRequestNone;
                client.countdown = 0;
                return 0;
            }
            client.master_address = address;
            client.master_port = kMasterPort;
            client.select(client.master_address, client.master_port);
            packet p(kPacketCommand);
            p.body.write_u8(0);
            p.body.write_string("slist");
            client.queue(p);
            client.servers_received = 0;
            client.servers_announced = 0x7FFFFFFF;
            client.servers.clear();
            client.countdown = kMasterListCountdownMs;
            client.request_state = kRequestWaiting;
            return -1;
        }
        case kRequestWaiting: {
            client.select(client.master_address, client.master_port);
            packet p;
            while (client.take(p, 0)) {
                std::string text;
                if (p.type == kPacketCommandResult) {
                    uint8_t id = 0;
                    p.body.read_u8(id);
                    p.body.read_string(text);
                    if (text.starts_with("OK")) {
                        client.servers_announced = str_to_int(client_word(text, 1));
                    } else {
                        client.mark_dead();
                        client.status_text = text;
                        finish(client);
                        return 0;
                    }
                } else if (p.type == kPacketAsyncCommand) {
                    p.body.read_string(text);
                    take_master_list(client, text);
                    client.select(client.master_address, client.master_port);
                }
            }
            if (client.servers_received == client.servers_announced) client.request_state = kRequestRanOut;
            return -1;
        }
        default:
            client.mark_dead(client.master_address, client.master_port);
            finish(client);
            client.status_text = "FLD 4";
            return 1;
    }
}

int32_t refresh_step(net_client& client) {
    switch (client.request_state) {
        case kRequestIdle:
            timer_restart(client.refresh_timer);
            client.servers_received = 0;  // the servers asked
            for (server_entry& e : client.servers) {
                if (e.answered != -1) continue;
                client.select(e.address, e.port);
                client.queue(hello_packet(0));
                e.ping = timer_elapsed_ms(client.refresh_timer);  // the time it was asked
                client.servers_received += 1;
            }
            client.countdown = kRefreshCountdownMs;
            client.servers_answered = 0;
            client.request_state = kRequestWaiting;
            return -1;
        case kRequestWaiting:
            for (server_entry& e : client.servers) {
                if (e.answered != -1) continue;
                client.select(e.address, e.port);
                const int32_t at = client.find(kPacketCommandResult, 0);
                packet p;
                if (at < 0 || !client.take(p, at)) continue;
                uint8_t id = 0;
                std::string text;
                if (!p.body.read_u8(id) || !p.body.read_string(text) || text.empty()) continue;
                const int32_t asked_at = e.ping;
                if (!client_parse_server_reply(text, e)) continue;
                e.ping = (timer_elapsed_ms(client.refresh_timer) - asked_at) / 2;
                e.answered = std::max(e.numbers[2], 0);
                client.servers_answered += 1;
                client.answered = true;
            }
            if (client.servers_answered >= client.servers_received) client.request_state = kRequestRanOut;
            return -1;
        default:
            finish(client);
            for (const server_entry& e : client.servers) client.mark_dead(e.address, e.port);
            return 1;
    }
}

}  // namespace

int32_t client_request_server_list(net_client& client, bool list_source) {
    if (client.request_state == kRequestNetworkDown) {
        client.status_text = "FLD 0";
        client.request_result = 0;
        return 0;
    }
    if (client.request_kind != kRequestNone) return 0;
    client.request_kind = kRequestServerList;
    client.list_source = list_source;
    client.request_result = -1;
    // Every list request starts afresh, also after one that failed.
    client.request_state = kRequestIdle;
    client.countdown = 0;
    return -1;
}

int32_t client_list_step(net_client& client) {
    if (client.lan_mode) return lan_list_step(client);
    return client.list_source ? master_fetch_step(client) : refresh_step(client);
}

bool client_parse_server_reply(const std::string& text, server_entry& entry) {
    const std::size_t open = text.find('"');
    if (open == std::string::npos) return false;
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string::npos) return false;
    entry.name = text.substr(open + 1, close - open - 1);
    // The rest starts two characters after the closing quote, or is empty when the text ends before.
    const std::string rest = close + 2 < text.size() ? text.substr(close + 2) : std::string();
    entry.map = client_word(rest, 1);
    for (int i = 0; i < 3; ++i) entry.numbers[i] = str_to_int(client_word(rest, 2 + i));
    entry.tag = kServerTag;
    return true;
}

}  // namespace kv
