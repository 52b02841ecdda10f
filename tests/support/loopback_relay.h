#pragma once
// A test network on loopback: two real sockets that carry datagrams between two endpoints and on the
// way drop, duplicate and hold back (reorder) them on a schedule drawn from a seed. Endpoint A talks
// to `port_for_a()` and endpoint B to `port_for_b()`; each sees the relay's other socket as its
// remote. Nothing moves until `pump` runs.

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "platform/udp_socket.h"

namespace kv {

struct relay_schedule {
    double loss = 0.0;       // share of datagrams dropped
    double duplicate = 0.0;  // share sent twice
    double hold = 0.0;       // share held back for a later pump, so that others overtake them
    uint32_t seed = 1;
};

class loopback_relay {
public:
    // The ports the two endpoints bound on 127.0.0.1.
    loopback_relay(uint16_t endpoint_a, uint16_t endpoint_b, const relay_schedule& schedule);

    uint16_t port_for_a() const { return facing_a_.port(); }
    uint16_t port_for_b() const { return facing_b_.port(); }

    // Forwards what has arrived on both sides and releases some of the held datagrams; the number of
    // datagrams sent on.
    int pump();
    // Decides over the next datagram from each side instead of the schedule: false drops it.
    std::function<bool(bool from_a, const std::vector<uint8_t>& datagram)> filter;

    int dropped = 0;
    int duplicated = 0;

private:
    struct held_datagram {
        bool from_a;
        std::vector<uint8_t> bytes;
    };
    int forward(bool from_a, const std::vector<uint8_t>& bytes);
    int drain(udp_socket& socket, bool from_a);

    udp_socket facing_a_;  // A's remote: what arrives here goes out of facing_b_ to B
    udp_socket facing_b_;  // B's remote: what arrives here goes out of facing_a_ to A
    uint16_t endpoint_a_;
    uint16_t endpoint_b_;
    relay_schedule schedule_;
    std::mt19937 random_;
    std::vector<held_datagram> held_;
};

inline constexpr uint32_t kLoopbackAddress = 0x7F000001u;

}  // namespace kv
