#include "tests/support/loopback_relay.h"

#include <utility>

namespace kv {

loopback_relay::loopback_relay(uint16_t endpoint_a, uint16_t endpoint_b, const relay_schedule& schedule)
    : endpoint_a_(endpoint_a), endpoint_b_(endpoint_b), schedule_(schedule), random_(schedule.seed) {
    facing_a_.bind(0);
    facing_b_.bind(0);
}

int loopback_relay::forward(bool from_a, const std::vector<uint8_t>& bytes) {
    udp_socket& out = from_a ? facing_b_ : facing_a_;
    const int32_t sent =
        out.send(bytes.data(), bytes.size(), kLoopbackAddress, from_a ? endpoint_b_ : endpoint_a_);
    return sent == static_cast<int32_t>(bytes.size()) ? 1 : 0;
}

int loopback_relay::drain(udp_socket& socket, bool from_a) {
    std::vector<uint8_t> buffer(kReceiveBufferSize);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    int sent = 0;
    for (;;) {
        uint32_t address = 0;
        uint16_t port = 0;
        const int32_t length = socket.receive(buffer.data(), buffer.size(), address, port);
        if (length < 0) break;
        std::vector<uint8_t> datagram(buffer.begin(), buffer.begin() + length);
        if (filter) {
            if (filter(from_a, datagram)) {
                sent += forward(from_a, datagram);
            } else {
                ++dropped;
            }
            continue;
        }
        if (chance(random_) < schedule_.loss) {
            ++dropped;
            continue;
        }
        if (chance(random_) < schedule_.duplicate) {
            ++duplicated;
            sent += forward(from_a, datagram);
        }
        if (chance(random_) < schedule_.hold) {
            held_.push_back({from_a, std::move(datagram)});
        } else {
            sent += forward(from_a, datagram);
        }
    }
    return sent;
}

int loopback_relay::pump() {
    // Datagrams held on an earlier pump go out behind this pump's: they arrive out of order.
    std::vector<held_datagram> released;
    released.swap(held_);
    int sent = drain(facing_a_, true) + drain(facing_b_, false);
    for (const held_datagram& h : released) sent += forward(h.from_a, h.bytes);
    return sent;
}

}  // namespace kv
