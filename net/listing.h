#pragma once
// Query reporting to the game-listing service: heartbeats to the service's master (UDP port 27900)
// and answers to its text queries, plain backslash-separated key and value pairs. The reporter
// shares the game server's socket: the socket layer hands it every datagram that begins with '\'.
// It is started each time the game server says "hello" to its master server in internet mode,
// stepped by the server's tick and shut down by "quit"; it never closes the socket.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/udp_socket.h"

namespace kv {

inline constexpr uint16_t kListingMasterPort = 27900;
inline constexpr const char* kListingGameName = "korvane";
inline constexpr const char* kListingDefaultKey = "kvlist";
inline constexpr std::size_t kListingKeyLength = 6;
// A reply datagram stays under this size.
inline constexpr std::size_t kListingPacketSize = 1400;
inline constexpr std::size_t kListingSplitAt = 1350;
inline constexpr std::size_t kListingMaxChallenge = 128;
// Answered queries per second, from one address and in all.
inline constexpr int kListingQueriesPerAddress = 4;
inline constexpr int kListingQueriesPerSecond = 50;

// "net.cfg": "listing:<host>" and "listing-key:<key>".
struct listing_settings {
    std::string master_host;  // empty: no heartbeats, queries still answered
    std::string key = kListingDefaultKey;
};

struct listing_player {
    std::string name;
    int32_t frags = 0;
    int32_t deaths = 0;
    int32_t skill = 0;  // the sum of the six level bytes
    int32_t ping = 0;
    int32_t team = 3;
};

// What the replies tell: the service settings and the world's snapshot.
struct listing_info {
    std::string host_name;
    int32_t host_port = 0;
    std::string map_name;
    int32_t max_players = 0;  // the three team limits together
    int32_t time_limit = 0;   // round time in minutes
    bool realistic = false;
    std::vector<listing_player> players;
};

using listing_source = std::function<void(listing_info& info)>;

struct listing_reporter {
    datagram_socket* query_socket = nullptr;
    datagram_socket* heartbeat_socket = nullptr;  // null after shutdown
    std::string game_name;
    std::string secret_key;
    uint32_t last_heartbeat = 0;  // millisecond clock
    bool heartbeat_sent = false;
    uint32_t query_id = 1;
    uint32_t packet_number = 0;
    uint32_t query_port = 0;
    int8_t heartbeat_repeats = 1;
    bool running = false;

    listing_settings settings;
    listing_source source;
    uint32_t master_address = 0;  // 0: unknown

    // The reply being built and where it goes.
    std::string output;
    uint32_t reply_address = 0;
    uint16_t reply_port = 0;

    // Queries answered in the current second, in all and per address.
    uint32_t window_start = 0;
    int window_total = 0;
    std::vector<std::pair<uint32_t, int>> window_counts;
};

// Reads one "net.cfg" key; false when it is none of the reporter's.
bool listing_apply_config(listing_settings& settings, const std::string& key, const std::string& value);

void listing_init(listing_reporter& reporter, datagram_socket& socket);
void listing_tick(listing_reporter& reporter);
// One query, `length` bytes from that sender.
void listing_datagram(listing_reporter& reporter, const char* text, std::size_t length, uint32_t address,
                      uint16_t port);
void listing_shutdown(listing_reporter& reporter);
void listing_heartbeat(listing_reporter& reporter, int32_t state_changed);

// The reply builders; they append to `out`.
void listing_basic(const listing_info& info, std::string& out);
void listing_info_reply(const listing_info& info, std::string& out);
void listing_rules(const listing_info& info, std::string& out);
void listing_players(const listing_info& info, std::string& out);

// The validation cipher (in place) and its printable encoding.
void listing_cipher(std::string_view key, uint8_t* data, std::size_t length);
std::string listing_encode(const uint8_t* data, std::size_t length);

}  // namespace kv
