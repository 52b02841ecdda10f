#pragma once
// The UDP transport that both network sessions derive from. It owns one non-blocking socket, keeps
// one record per remote address it has talked to, numbers and stamps outgoing packets, keeps at most
// one reliable packet per remote in flight (repeated every two seconds until the remote acknowledges
// its number) and queues received packets per remote until the session takes them. No threads: the
// owning session calls receive, take, queue and flush from its per-tick step. Per-remote operations
// act on the current remote that `select`, `first` and `next` choose; with none they do nothing.

#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string>

#include "kernel/timer.h"
#include "net/packet.h"
#include "platform/udp_socket.h"

namespace kv {

// Where LAN broadcasts go: the game server's port.
inline constexpr uint16_t kLanServerPort = 57778;
inline constexpr int32_t kReliableRepeatSeconds = 2;
inline constexpr int32_t kDefaultRemoteSpeed = 10486;
// Numbers of unreliable sends start again at 0 here.
inline constexpr int32_t kSeqRestart = 0x5C000000;
// A queued packet whose number exceeds a new one's by more than this comes before a restart.
inline constexpr uint32_t kSeqRestartGap = 10000;

struct remote_record {
    uint32_t address = 0;
    uint16_t port = 0;
    uint16_t nat = 0;  // the remote's session value, learnt from its first datagram
    bool nat_known = false;
    int32_t next_seq = 1;
    uint32_t last_in_seq = 0;  // bits 0-30: the last reliable number accepted; bit 31: the in-bit
    int32_t last_heard = 0;    // timer seconds
    int32_t last_reliable_send = 0;
    int32_t last_flush = 0;  // timer milliseconds
    int32_t session_words[2] = {};
    int32_t speed = kDefaultRemoteSpeed;
    bool ready = true;  // no reliable packet in flight
    bool out_bit = false;
    bool in_bit = false;
    bool alive = true;
    std::deque<packet> received;
    std::deque<packet> out_of_game;  // sent before all others (PING answers)
    std::deque<packet> reliable;     // only the first is ever in flight
    std::deque<packet> unreliable;
};

class net_peer {
public:
    // `log_level` is the program's network log level, read at every use. Without a socket the
    // machine's UDP socket is made.
    explicit net_peer(const int& log_level, std::unique_ptr<datagram_socket> socket = nullptr);
    virtual ~net_peer();
    net_peer(const net_peer&) = delete;
    net_peer& operator=(const net_peer&) = delete;

    // The session's per-tick step.
    virtual void tick(int32_t elapsed_ms) = 0;

    // Remote selection. Address 0 leaves no remote current; otherwise the record of this address and
    // port (the low 16 bits of `port` are compared) becomes current, made when there is none. The
    // receive path passes the packet's NAT in the upper 16 bits.
    void select(uint32_t address, uint32_t port);
    // The first record; with `purge`, dead records met are deleted. True while a record is current.
    bool first(bool purge);
    bool next(bool purge);
    void mark_dead();
    void mark_dead(uint32_t address, uint16_t port);
    int32_t last_heard() const;
    void set_speed(int32_t value);
    bool current_address(uint32_t& address, uint16_t& port) const;
    void set_session_word(int32_t value);
    // The current record, null when none.
    remote_record* current() { return current_ != remotes_.end() ? &*current_ : nullptr; }
    std::size_t remote_count() const { return remotes_.size(); }
    // Every record, dead ones included, in list order.
    const std::list<remote_record>& remotes() const { return remotes_; }
    bool has_remote(uint32_t address, uint16_t port) const;

    // Copies of the packet on the current remote's queues; false when no remote is current.
    bool queue(const packet& p);
    bool queue_out_of_game(const packet& p);
    // The unreliable queue while reliable sending is off.
    bool queue_reliable(const packet& p);

    // Index of the first received packet of `type` at or after `from`; -1 when none.
    int32_t find(uint8_t type, int32_t from) const;
    bool peek(packet& p, int32_t index) const;
    // As peek, and removed from the queue; the packet goes to the packet log as "received".
    bool take(packet& p, int32_t index);

    // The whole datagram to the current remote; its size, or 0 when it did not all go out (-1 when
    // it never can).
    int32_t send(const packet& p);
    // The out-of-game queue, the reliable step, then the unreliable queue; the bytes sent.
    int32_t flush();
    // Drains the socket; the bytes read.
    int32_t receive();
    // Stamped with zero numbers and this transport's NAT, to the LAN server port on every host.
    bool broadcast(packet& p);
    // The transport statistics in the log.
    void stats() const;

    uint16_t nat() const { return nat_; }
    // Takes a new session value, different from the last: a remote whose record was dropped here
    // hears the numbers start again from 1, and the new value tells it so (with the old one it would
    // take them for repeats of what it accepted before).
    void renew_session();
    datagram_socket& socket() { return *socket_; }
    // Gives up the socket and its port: an unbound socket of the machine takes its place (a process
    // about to start another one that binds the same ports).
    void release_socket();
    const timer& clock() const { return timer_; }

    uint32_t packets_in = 0;
    uint32_t packets_out = 0;
    uint32_t bytes_in = 0;
    uint32_t bytes_out = 0;
    bool reliable_enabled = true;

protected:
    // Asked before a datagram from an address without a record makes one; false drops it unseen.
    virtual bool admit(uint32_t /*address*/, uint16_t /*port*/, const packet& /*p*/) { return true; }

private:
    using remote_list = std::list<remote_record>;

    // One unreliable queue of the current remote, front to back, until a send does not go through.
    int32_t flush_queue(std::deque<packet>& queue);
    int32_t flush_reliable();
    // A received datagram of at least a header's length.
    void accept(const uint8_t* bytes, int32_t length, uint32_t address, uint16_t port);
    remote_list::iterator erase_if_dead(remote_list::iterator it);

    const int& log_level_;
    std::unique_ptr<datagram_socket> socket_;
    timer timer_;
    uint16_t nat_ = 0;
    remote_list remotes_;
    remote_list::iterator current_;
    std::unique_ptr<uint8_t[]> receive_buffer_;
};

// Sets the port that broadcasts go to (tests); 0 puts kLanServerPort back.
void net_set_broadcast_port(uint16_t port);

}  // namespace kv
