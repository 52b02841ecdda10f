#pragma once
// The datagram sockets of the game protocol: non-blocking UDP sockets with the broadcast permission,
// bound to any local address, with a readiness test, receive, send and broadcast, the dotted IPv4
// texts, and the socket errors printed under their Winsock names. Addresses and ports are in host
// byte order everywhere above this layer. Nothing here throws: failures print the error and report
// false, 0 or -1.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kv {

// The largest datagram the protocol receives (no datagram is cut); a query needs one more byte for
// its terminator.
inline constexpr std::size_t kMaxDatagramSize = 65535;
inline constexpr std::size_t kReceiveBufferSize = kMaxDatagramSize + 1;

inline constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
// Where broadcasts go when the machine has no route for the limited broadcast (loopback only): it
// still reaches the servers on this machine.
inline constexpr uint32_t kLoopbackBroadcast = 0x7FFFFFFFu;

// A datagram whose first byte is '\' is a query of the game-listing service: its bytes (terminated
// after the last one), length and sender.
using query_handler =
    std::function<void(const char* text, std::size_t length, uint32_t address, uint16_t port)>;

// What the transport needs of its socket; tests put a fake in its place.
class datagram_socket {
public:
    virtual ~datagram_socket() = default;
    // Binds any local address and `port` (0: a free one); false after printing the error.
    virtual bool bind(uint16_t port) = 0;
    // The port bound, 0 before.
    virtual uint16_t port() const = 0;
    // True when a datagram can be sent at once.
    virtual bool can_send() = 0;
    // The length of the next game datagram (0 for an empty one) with its sender, -1 when none is
    // waiting or on an error. Queries go to the query handler and are read past. At most size - 1
    // bytes are taken.
    virtual int32_t receive(uint8_t* buffer, std::size_t size, uint32_t& address, uint16_t& port) = 0;
    // The bytes sent; 0 when the datagram should be tried again later (the socket is busy), -1 when
    // it cannot be sent at all.
    virtual int32_t send(const void* data, std::size_t length, uint32_t address, uint16_t port) = 0;
    // The same to the broadcast address.
    virtual int32_t broadcast(const void* data, std::size_t length, uint16_t port) = 0;

    // Queries are dropped until a handler is set.
    void set_query_handler(query_handler handler) { on_query = std::move(handler); }

protected:
    query_handler on_query;
};

// The machine's UDP socket.
class udp_socket : public datagram_socket {
public:
    // The network code always asks for a datagram socket; false makes a stream socket.
    explicit udp_socket(bool datagram = true);
    ~udp_socket() override;
    udp_socket(const udp_socket&) = delete;
    udp_socket& operator=(const udp_socket&) = delete;

    bool bind(uint16_t port) override;
    uint16_t port() const override { return bound_port; }
    bool can_send() override;
    int32_t receive(uint8_t* buffer, std::size_t size, uint32_t& address, uint16_t& port) override;
    int32_t send(const void* data, std::size_t length, uint32_t address, uint16_t port) override;
    int32_t broadcast(const void* data, std::size_t length, uint16_t port) override;

private:
    int handle = -1;
    uint16_t bound_port = 0;
};

// The number of socket objects alive (the socket library's use count).
int udp_socket_count();
// Sends broadcasts to `address` instead of the limited broadcast (tests keep them on this machine);
// kLimitedBroadcast puts it back.
void udp_set_broadcast_address(uint32_t address);

// Releases the socket library (before the relaunch as dedicated server): nothing to do here.
void net_cleanup();
// The inet_addr forms ("127.0.0.1", "127.1", "0x7f.1"...) into a host-order address; false for
// anything else and for "255.255.255.255", which is the error value.
bool net_parse_address(const std::string& text, uint32_t& address);
// net_parse_address, else a host-name lookup and its first IPv4 address.
bool net_resolve_address(const std::string& text, uint32_t& address);
// "a.b.c.d", most significant byte first.
std::string net_format_address(uint32_t address);

// The Winsock name of an errno value ("WSAEADDRINUSE"...), "<unlisted error>" when it has none.
const char* net_socket_error_name(int error);
// "[NET] Winsock *ERROR* <name>" and a line end.
void net_print_socket_error(int error);

}  // namespace kv
