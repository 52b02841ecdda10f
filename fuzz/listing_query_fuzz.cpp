// Answers arbitrary query datagrams of the game-listing service. Input: the number of players (up to
// 64), the length of their names, then the query. Every reply datagram stays under the packet size
// and ends with its query id.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/listing.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"

using namespace kv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fake_clock clock;
    scoped_clock use_clock(clock);
    fake_socket socket;
    listing_reporter reporter;
    const int players = data[0] % 65;
    const std::size_t name_length = data[1];
    reporter.source = [&](listing_info& info) {
        info.host_name = std::string(name_length * 4, '\\');
        info.map_name = "level";
        for (int i = 0; i < players; ++i) {
            info.players.push_back(
                {std::string(name_length, static_cast<char>('a' + i % 26)), i, i, i, i, i % 9});
        }
    };
    listing_init(reporter, socket);
    socket.sent.clear();
    // The socket layer terminates the query after its last byte.
    std::string query(reinterpret_cast<const char*>(data + 2), size - 2);
    listing_datagram(reporter, query.c_str(), query.size(), 0x7F000001u, 5000);
    for (const fake_datagram& d : socket.sent) {
        const std::string text(d.bytes.begin(), d.bytes.end());
        if (text.size() >= kListingPacketSize) std::abort();
        if (text.find("\\queryid\\2.") == std::string::npos) std::abort();
    }
    listing_shutdown(reporter);
    return 0;
}
