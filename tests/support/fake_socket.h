#pragma once
// A datagram socket with no network behind it: received datagrams are queued by the test, sent ones
// are kept, and the result of each send can be chosen (to show busy and failing sockets).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/udp_socket.h"

namespace kv {

struct fake_datagram {
    std::vector<uint8_t> bytes;
    uint32_t address = 0;
    uint16_t port = 0;
};

class fake_socket : public datagram_socket {
public:
    bool bind(uint16_t port) override {
        bound = port;
        return true;
    }
    uint16_t port() const override { return bound; }
    bool can_send() override { return send_result == kSendAll; }
    int32_t receive(uint8_t* buffer, std::size_t size, uint32_t& address, uint16_t& port) override {
        while (!incoming.empty()) {
            fake_datagram d = std::move(incoming.front());
            incoming.pop_front();
            const std::size_t length = std::min(d.bytes.size(), size - 1);
            if (length) std::memcpy(buffer, d.bytes.data(), length);
            address = d.address;
            port = d.port;
            if (length > 0 && buffer[0] == '\\') {
                buffer[length] = 0;
                if (on_query) on_query(reinterpret_cast<const char*>(buffer), length, address, port);
                continue;
            }
            return static_cast<int32_t>(length);
        }
        return -1;
    }
    int32_t send(const void* data, std::size_t length, uint32_t address, uint16_t port) override {
        if (send_result != kSendAll) return send_result;
        const auto* bytes = static_cast<const uint8_t*>(data);
        sent.push_back({std::vector<uint8_t>(bytes, bytes + length), address, port});
        return static_cast<int32_t>(length);
    }
    int32_t broadcast(const void* data, std::size_t length, uint16_t port) override {
        return send(data, length, kLimitedBroadcast, port);
    }

    void push(std::vector<uint8_t> bytes, uint32_t address, uint16_t port) {
        incoming.push_back({std::move(bytes), address, port});
    }

    static constexpr int32_t kSendAll = 1;
    // kSendAll sends; 0 keeps the socket busy; -1 fails every send for good.
    int32_t send_result = kSendAll;
    uint16_t bound = 0;
    std::deque<fake_datagram> incoming;
    std::vector<fake_datagram> sent;
};

}  // namespace kv
