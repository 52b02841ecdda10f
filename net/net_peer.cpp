#include "net/net_peer.h"

#include <algorithm>
#include <utility>

#include "kernel/log.h"
#include "net/packet_log.h"
#include "platform/clock.h"

namespace kv {

namespace {

uint16_t g_broadcast_port = kLanServerPort;

// The session value: one draw of the program's generator formula from a seed of its own, so the
// program's random sequence is left alone.
uint16_t draw_nat() {
    uint32_t state = sys_clock_get().ms_now();
    state = state * 214013u + 2531011u;
    const uint32_t drawn = (state >> 16) & 0x7FFF;
    return static_cast<uint16_t>(drawn * 65535u / 32767u);
}

uint32_t seq_number(uint32_t word) {
    return word & kSeqNumberMask;
}

// The number after `seq`, computed without signed overflow.
int32_t seq_after(int32_t seq) {
    return static_cast<int32_t>(static_cast<uint32_t>(seq) + 1u);
}

// Keeps the queue in the order the remote numbered its packets; a number that restarted goes last.
void insert_received(std::deque<packet>& queue, packet&& p) {
    const uint32_t number = seq_number(p.seq);
    if (!queue.empty() && seq_number(queue.front().seq) > number + kSeqRestartGap) {
        queue.push_back(std::move(p));
        return;
    }
    const auto behind = std::find_if(queue.begin(), queue.end(),
                                     [number](const packet& q) { return seq_number(q.seq) > number; });
    queue.insert(behind, std::move(p));
}

}  // namespace

void net_set_broadcast_port(uint16_t port) {
    g_broadcast_port = port != 0 ? port : kLanServerPort;
}

net_peer::net_peer(const int& log_level, std::unique_ptr<datagram_socket> socket)
    : log_level_(log_level),
      socket_(socket ? std::move(socket) : std::make_unique<udp_socket>(true)),
      nat_(draw_nat()),
      current_(remotes_.end()),
      receive_buffer_(new uint8_t[kReceiveBufferSize]) {}

net_peer::~net_peer() = default;

void net_peer::release_socket() {
    socket_ = std::make_unique<udp_socket>(true);
}

void net_peer::select(uint32_t address, uint32_t port) {
    if (address == 0) {
        current_ = remotes_.end();
        return;
    }
    const auto low_port = static_cast<uint16_t>(port);
    if (current_ != remotes_.end() && current_->address == address && current_->port == low_port) return;
    current_ = std::find_if(remotes_.begin(), remotes_.end(), [&](const remote_record& r) {
        return r.address == address && r.port == low_port;
    });
    if (current_ != remotes_.end()) return;
    remote_record& r = remotes_.emplace_back();
    r.address = address;
    r.port = low_port;
    r.nat = static_cast<uint16_t>(port >> 16);
    r.last_heard = timer_elapsed_seconds(timer_);
    current_ = std::prev(remotes_.end());
}

net_peer::remote_list::iterator net_peer::erase_if_dead(remote_list::iterator it) {
    while (it != remotes_.end() && !it->alive) it = remotes_.erase(it);
    return it;
}

bool net_peer::first(bool purge) {
    current_ = purge ? erase_if_dead(remotes_.begin()) : remotes_.begin();
    return current_ != remotes_.end();
}

bool net_peer::next(bool purge) {
    if (current_ == remotes_.end()) return false;
    if (purge) {
        current_ = erase_if_dead(current_->alive ? std::next(current_) : remotes_.erase(current_));
    } else {
        ++current_;
    }
    return current_ != remotes_.end();
}

bool net_peer::has_remote(uint32_t address, uint16_t port) const {
    return std::any_of(remotes_.begin(), remotes_.end(),
                       [&](const remote_record& r) { return r.address == address && r.port == port; });
}

void net_peer::mark_dead() {
    if (remote_record* r = current()) r->alive = false;
}

void net_peer::mark_dead(uint32_t address, uint16_t port) {
    for (remote_record& r : remotes_) {
        if (r.address == address && r.port == port) {
            r.alive = false;
            return;
        }
    }
}

int32_t net_peer::last_heard() const {
    return current_ != remotes_.end() ? current_->last_heard : 0;
}

void net_peer::set_speed(int32_t value) {
    if (remote_record* r = current()) r->speed = value / 100;
}

bool net_peer::current_address(uint32_t& address, uint16_t& port) const {
    if (current_ == remotes_.end()) return false;
    address = current_->address;
    port = current_->port;
    return true;
}

void net_peer::renew_session() {
    const uint16_t old = nat_;
    nat_ = draw_nat();
    if (nat_ == old) nat_ = static_cast<uint16_t>(old + 1);
}

void net_peer::set_session_word(int32_t value) {
    if (remote_record* r = current()) r->session_words[0] = value;
}

bool net_peer::queue(const packet& p) {
    remote_record* r = current();
    if (!r) return false;
    r->unreliable.push_back(p);
    return true;
}

bool net_peer::queue_out_of_game(const packet& p) {
    remote_record* r = current();
    if (!r) return false;
    r->out_of_game.push_back(p);
    return true;
}

bool net_peer::queue_reliable(const packet& p) {
    remote_record* r = current();
    if (!r) return false;
    (reliable_enabled ? r->reliable : r->unreliable).push_back(p);
    return true;
}

int32_t net_peer::find(uint8_t type, int32_t from) const {
    if (current_ == remotes_.end()) return -1;
    const std::deque<packet>& received = current_->received;
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < received.size(); ++i) {
        if (received[i].type == type) return static_cast<int32_t>(i);
    }
    return -1;
}

bool net_peer::peek(packet& p, int32_t index) const {
    if (current_ == remotes_.end() || index < 0) return false;
    const std::deque<packet>& received = current_->received;
    if (static_cast<std::size_t>(index) >= received.size()) return false;
    p = received[static_cast<std::size_t>(index)];
    return true;
}

bool net_peer::take(packet& p, int32_t index) {
    if (current_ == remotes_.end() || index < 0) return false;
    std::deque<packet>& received = current_->received;
    if (static_cast<std::size_t>(index) >= received.size()) return false;
    p = std::move(received[static_cast<std::size_t>(index)]);
    received.erase(received.begin() + index);
    log_packet("received", p, current_->address, current_->port, log_level_);
    return true;
}

int32_t net_peer::send(const packet& p) {
    const remote_record* r = current();
    if (!r) return 0;
    const auto size = static_cast<int32_t>(p.body.size());
    const int32_t sent = socket_->send(p.body.data(), p.body.size(), r->address, r->port);
    if (sent < 0) return -1;
    if (sent < size) return 0;
    log_packet("POUT", p, r->address, r->port, log_level_);
    packets_out += 1;
    bytes_out += static_cast<uint32_t>(size);
    return size;
}

int32_t net_peer::flush_queue(std::deque<packet>& queue) {
    remote_record& r = *current_;
    int32_t total = 0;
    while (!queue.empty()) {
        packet& p = queue.front();
        p.set_header(static_cast<uint32_t>(r.next_seq) & kSeqNumberMask, r.last_in_seq, nat_);
        const int32_t sent = send(p);
        if (sent == 0) break;
        // A packet that can never go out is dropped so that the ones behind it do not wait for ever.
        if (sent > 0) {
            total += sent;
            r.next_seq = seq_after(r.next_seq);
            if (r.next_seq >= kSeqRestart) r.next_seq = 0;
        }
        queue.pop_front();
    }
    return total;
}

int32_t net_peer::flush_reliable() {
    remote_record& r = *current_;
    if (r.reliable.empty()) return 0;
    const int32_t now = timer_elapsed_seconds(timer_);
    if (!r.ready && now - r.last_reliable_send < kReliableRepeatSeconds) return 0;
    packet& p = r.reliable.front();
    uint32_t number = static_cast<uint32_t>(r.next_seq);
    if (!r.ready) {
        number = seq_number(p.seq);
        if (log_level_ != 0) log_write("[NET] repeating rpacket\n");
    }
    p.set_header(number | kSeqFlag, r.last_in_seq, nat_);
    const int32_t sent = send(p);
    if (sent == 0) return 0;
    if (sent < 0) {
        r.reliable.pop_front();
        r.ready = true;
        return 0;
    }
    r.next_seq = seq_after(r.next_seq);
    if (r.next_seq < 0) r.next_seq = 0;
    r.ready = false;
    r.out_bit = !r.out_bit;
    r.last_reliable_send = now;
    return sent;
}

int32_t net_peer::flush() {
    remote_record* r = current();
    if (!r) return 0;
    int32_t total = flush_queue(r->out_of_game);
    total += flush_reliable();
    total += flush_queue(r->unreliable);
    if (total > 0) r->last_flush = timer_elapsed_ms(timer_);
    return total;
}

void net_peer::accept(const uint8_t* bytes, int32_t length, uint32_t address, uint16_t port) {
    packet p(bytes, static_cast<std::size_t>(length));
    log_packet("PIN", p, address, port, log_level_);
    if (!has_remote(address, port) && !admit(address, port, p)) return;
    select(address, port | (static_cast<uint32_t>(p.nat) << 16));
    remote_record& r = *current_;
    if (!r.nat_known || r.nat != p.nat) {
        // Another session value from the same address and port: the remote program restarted and
        // numbers its packets from 1 again.
        if (r.nat_known) {
            r.last_in_seq = 0;
            r.in_bit = false;
        }
        r.nat = p.nat;
        r.nat_known = true;
    }
    r.last_heard = timer_elapsed_seconds(timer_);

    if ((p.seq & kSeqFlag) != 0) {
        const uint32_t number = seq_number(p.seq);
        if (number <= seq_number(r.last_in_seq)) return;  // a repeat of one accepted before
        r.in_bit = !r.in_bit;
        r.last_in_seq = number | (r.in_bit ? kSeqFlag : 0);
    }
    // Only the number of the packet in flight acknowledges it: an older datagram of the remote can
    // carry the same alternating bit.
    if (!r.ready && !r.reliable.empty() && seq_number(p.rseq) == seq_number(r.reliable.front().seq)) {
        r.ready = true;
        r.reliable.pop_front();
    }
    packets_in += 1;
    bytes_in += static_cast<uint32_t>(length);
    if (p.type != kPacketNone) insert_received(r.received, std::move(p));
}

int32_t net_peer::receive() {
    int32_t total = 0;
    for (;;) {
        uint32_t address = 0;
        uint16_t port = 0;
        const int32_t length = socket_->receive(receive_buffer_.get(), kReceiveBufferSize, address, port);
        if (length < 0) break;
        total += length;
        // Too short for a header: no record is made or refreshed, nothing is acknowledged.
        if (static_cast<std::size_t>(length) < kPacketHeaderSize) continue;
        accept(receive_buffer_.get(), length, address, port);
    }
    return total;
}

bool net_peer::broadcast(packet& p) {
    p.set_header(0, 0, nat_);
    log_packet("broadcast", p, kLimitedBroadcast, g_broadcast_port, log_level_);
    if (!socket_->can_send()) return false;
    return socket_->broadcast(p.body.data(), p.body.size(), g_broadcast_port) ==
           static_cast<int32_t>(p.body.size());
}

void net_peer::stats() const {
    log_transport_stats(remotes_);
}

}  // namespace kv
