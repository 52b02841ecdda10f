#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/log.h"
#include "util/text.h"

namespace kv {

namespace {

int g_socket_count = 0;
uint32_t g_broadcast_address = kLimitedBroadcast;

struct error_name {
    int error;
    const char* name;
};

// The errno values of the calls made here, under the names of the matching Winsock codes.
constexpr error_name kErrorNames[] = {
    {EINTR, "WSAEINTR"},
    {EACCES, "WSAEACCES"},
    {EPERM, "WSAEACCES"},
    {EFAULT, "WSAEFAULT"},
    {EINVAL, "WSAEINVAL"},
    {EMFILE, "WSAEMFILE"},
    {ENFILE, "WSAEMFILE"},
    {EAGAIN, "WSAEWOULDBLOCK"},
    {EWOULDBLOCK, "WSAEWOULDBLOCK"},
    {EINPROGRESS, "WSAEINPROGRESS"},
    {EALREADY, "WSAEINPROGRESS"},
    {ENOTSOCK, "WSAENOTSOCK"},
    {EBADF, "WSAENOTSOCK"},
    {EMSGSIZE, "WSAEMSGSIZE"},
    {EPROTOTYPE, "WSAEPROTOTYPE"},
    {EPROTONOSUPPORT, "WSAEPROTONOSUPPORT"},
    {ESOCKTNOSUPPORT, "WSAESOCKTNOSUPPORT"},
    {EOPNOTSUPP, "WSAEOPNOTSUPP"},
    {EAFNOSUPPORT, "WSAEAFNOSUPPORT"},
    {EADDRINUSE, "WSAEADDRINUSE"},
    {ENETDOWN, "WSAENETDOWN"},
    {ENETRESET, "WSAENETRESET"},
    {ECONNABORTED, "WSAECONNABORTED"},
    {ECONNRESET, "WSAECONNRESET"},
    {ENOBUFS, "WSAENOBUFS"},
    {ENOMEM, "WSAENOBUFS"},
    {ENOTCONN, "WSAENOTCONN"},
    {ESHUTDOWN, "WSAESHUTDOWN"},
};

// Errors after which the same datagram may go out later.
bool send_error_passes(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS || error == EINTR;
}

sockaddr_in make_address(uint32_t address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return to;
}

ssize_t send_to(int handle, const void* data, std::size_t length, uint32_t address, uint16_t port) {
    const sockaddr_in to = make_address(address, port);
    return ::sendto(handle, data, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

int32_t send_result(ssize_t sent) {
    if (sent >= 0) return static_cast<int32_t>(sent);
    const int error = errno;
    net_print_socket_error(error);
    return send_error_passes(error) ? 0 : -1;
}

}  // namespace

udp_socket::udp_socket(bool datagram) {
    // The socket library's start-up and clean-up have nothing to do here; the count stays for its
    // readers.
    ++g_socket_count;
    handle = ::socket(AF_INET, (datagram ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        net_print_socket_error(errno);
        return;
    }
    if (!datagram) return;
    const int on = 1;
    if (::setsockopt(handle, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) net_print_socket_error(errno);
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags < 0 || ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) != 0) net_print_socket_error(errno);
}

udp_socket::~udp_socket() {
    --g_socket_count;
    if (handle >= 0 && ::close(handle) != 0) net_print_socket_error(errno);
}

bool udp_socket::bind(uint16_t port) {
    // No SO_REUSEADDR: a port another program holds must fail.
    const sockaddr_in local = make_address(INADDR_ANY, port);
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        net_print_socket_error(errno);
        return false;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(handle, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        net_print_socket_error(errno);
        return false;
    }
    bound_port = ntohs(bound.sin_port);
    return true;
}

bool udp_socket::can_send() {
    pollfd ready{handle, POLLOUT, 0};
    return ::poll(&ready, 1, 0) == 1 && (ready.revents & POLLOUT) != 0;
}

int32_t udp_socket::receive(uint8_t* buffer, std::size_t size, uint32_t& address, uint16_t& port) {
    if (size < 2) return -1;
    for (;;) {
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t length =
            ::recvfrom(handle, buffer, size - 1, 0, reinterpret_cast<sockaddr*>(&from), &from_length);
        if (length < 0) {
            // An empty socket is the normal end of a receive pass.
            if (errno != EAGAIN && errno != EWOULDBLOCK) net_print_socket_error(errno);
            return -1;
        }
        address = ntohl(from.sin_addr.s_addr);
        port = ntohs(from.sin_port);
        if (length == 0 || buffer[0] != '\\') return static_cast<int32_t>(length);
        // A query: handed over, and the pass goes on with the datagrams behind it.
        buffer[length] = 0;
        if (on_query)
            on_query(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length), address, port);
    }
}

int32_t udp_socket::send(const void* data, std::size_t length, uint32_t address, uint16_t port) {
    return send_result(send_to(handle, data, length, address, port));
}

int32_t udp_socket::broadcast(const void* data, std::size_t length, uint16_t port) {
    ssize_t sent = send_to(handle, data, length, g_broadcast_address, port);
    if (sent < 0 && errno == ENETUNREACH && g_broadcast_address == kLimitedBroadcast) {
        sent = send_to(handle, data, length, kLoopbackBroadcast, port);
    }
    return send_result(sent);
}

int udp_socket_count() {
    return g_socket_count;
}

void udp_set_broadcast_address(uint32_t address) {
    g_broadcast_address = address;
}

void net_cleanup() {}

bool net_parse_address(const std::string& text, uint32_t& address) {
    const in_addr_t parsed = ::inet_addr(text.c_str());
    if (parsed == INADDR_NONE) return false;
    address = ntohl(parsed);
    return true;
}

bool net_resolve_address(const std::string& text, uint32_t& address) {
    if (net_parse_address(text, address)) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

std::string net_format_address(uint32_t address) {
    return str_format("%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                      address & 0xFF);
}

const char* net_socket_error_name(int error) {
    for (const error_name& entry : kErrorNames) {
        if (entry.error == error) return entry.name;
    }
    return "<unlisted error>";
}

void net_print_socket_error(int error) {
    log_write("[NET] Winsock *ERROR* ");
    log_write("%s", net_socket_error_name(error));
    log_write("\n");
}

}  // namespace kv
