#include "net/net_peer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "kernel/log.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "tests/support/fake_socket.h"
#include "tests/support/loopback_relay.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

class test_peer : public net_peer {
public:
    using net_peer::net_peer;
    void tick(int32_t) override {}
};

packet numbered(uint8_t type, uint32_t number) {
    packet p(type);
    p.body.write_u32(number);
    return p;
}

uint32_t number_of(packet& p) {
    uint32_t number = 0;
    p.body.seek(static_cast<int32_t>(kPacketHeaderSize));
    EXPECT_TRUE(p.body.read_u32(number));
    return number;
}

// A datagram as a remote transport would stamp it.
std::vector<uint8_t> datagram(uint8_t type, uint32_t seq, uint32_t rseq, uint16_t nat, uint32_t payload = 0) {
    packet p = numbered(type, payload);
    p.set_header(seq, rseq, nat);
    return {p.body.data(), p.body.data() + p.body.size()};
}

// Two transports on real loopback sockets, talking through the test network.
class NetPeerLoopback : public testing::Test {
protected:
    void connect(const relay_schedule& schedule) {
        ASSERT_TRUE(a.socket().bind(0));
        ASSERT_TRUE(b.socket().bind(0));
        relay = std::make_unique<loopback_relay>(a.socket().port(), b.socket().port(), schedule);
    }
    void select_remotes() {
        a.select(kLoopbackAddress, relay->port_for_a());
        b.select(kLoopbackAddress, relay->port_for_b());
    }
    // Each side sends what is due (a NONE when nothing else, so acknowledgements flow) and reads.
    void step(test_peer& sender, uint16_t remote_port) {
        sender.select(kLoopbackAddress, remote_port);
        if (sender.current()->unreliable.empty()) sender.queue(packet(kPacketNone));
        sender.flush();
        relay->pump();
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    int log_level = 0;
    test_peer a{log_level};
    test_peer b{log_level};
    std::unique_ptr<loopback_relay> relay;
};

TEST_F(NetPeerLoopback, ReliablePacketsArriveOnceAndInOrderThroughALossyNetwork) {
    connect({.loss = 0.3, .duplicate = 0.1, .hold = 0.1, .seed = 25});
    constexpr uint32_t kCount = 1000;
    select_remotes();
    for (uint32_t i = 0; i < kCount; ++i) {
        a.queue_reliable(numbered(kPacketAsyncEvent, i));
        b.queue_reliable(numbered(kPacketAsyncEvent, i));
    }
    uint32_t delivered_to_a = 0;
    uint32_t delivered_to_b = 0;
    auto take_all = [](test_peer& receiver, uint16_t remote_port, uint32_t& delivered) {
        receiver.receive();
        receiver.select(kLoopbackAddress, remote_port);
        packet p;
        while (receiver.take(p, 0)) {
            ASSERT_EQ(p.type, kPacketAsyncEvent);
            ASSERT_EQ(number_of(p), delivered) << "a packet arrived twice or out of order";
            ++delivered;
        }
    };
    for (int steps = 0; steps < 100000 && (delivered_to_a < kCount || delivered_to_b < kCount); ++steps) {
        step(a, relay->port_for_a());
        take_all(b, relay->port_for_b(), delivered_to_b);
        step(b, relay->port_for_b());
        take_all(a, relay->port_for_a(), delivered_to_a);
        // A packet leaves its sender only once the remote has accepted it.
        a.select(kLoopbackAddress, relay->port_for_a());
        b.select(kLoopbackAddress, relay->port_for_b());
        ASSERT_LE(kCount - a.current()->reliable.size(), delivered_to_b);
        ASSERT_LE(kCount - b.current()->reliable.size(), delivered_to_a);
        clock.advance_ms(500);
    }
    EXPECT_EQ(delivered_to_a, kCount);
    EXPECT_EQ(delivered_to_b, kCount);
    EXPECT_GT(relay->dropped, 100);
    EXPECT_GT(relay->duplicated, 10);
}

// A sender that dropped its record of the remote numbers from 1 again: under its old session value the
// remote takes the new packets for repeats; under a renewed one it hears them (a login refused with
// "FLD 9" and tried again a second later).
TEST_F(NetPeerLoopback, NumbersStartedAgainAreHeardUnderARenewedSessionValue) {
    connect({});
    const auto exchange = [&](uint32_t payload) {
        a.select(kLoopbackAddress, relay->port_for_a());
        a.queue_reliable(numbered(kPacketCommand, payload));
        step(a, relay->port_for_a());
        b.receive();
        b.select(kLoopbackAddress, relay->port_for_b());
        std::vector<uint32_t> heard;
        packet p;
        while (b.take(p, 0)) heard.push_back(number_of(p));
        step(b, relay->port_for_b());
        a.receive();
        return heard;
    };
    const auto forget_b = [&] {
        a.select(kLoopbackAddress, relay->port_for_a());
        a.mark_dead();
        for (bool more = a.first(true); more; more = a.next(true)) {
        }
        ASSERT_EQ(a.remote_count(), 0u);
    };
    EXPECT_EQ(exchange(1), (std::vector<uint32_t>{1}));
    forget_b();
    EXPECT_EQ(exchange(2), (std::vector<uint32_t>{}));  // numbered 1 again: a repeat to b

    forget_b();
    const uint16_t old = a.nat();
    a.renew_session();
    EXPECT_NE(a.nat(), old);
    EXPECT_EQ(exchange(3), (std::vector<uint32_t>{3}));
}

TEST_F(NetPeerLoopback, OnlyTheNumberOfThePacketInFlightAcknowledgesIt) {
    connect({});
    bool pass_from_a = false;
    relay->filter = [&](bool from_a, const std::vector<uint8_t>&) { return !from_a || pass_from_a; };
    select_remotes();

    // The first transmission and the repeat are lost.
    a.select(kLoopbackAddress, relay->port_for_a());
    a.queue_reliable(numbered(kPacketCommand, 1));
    a.flush();
    relay->pump();
    clock.advance_ms(2000);
    a.flush();
    relay->pump();
    ASSERT_EQ(relay->dropped, 2);

    // The remote, which has accepted nothing, sends on: its datagram carries the same alternating
    // bit as the repeat, but not its number.
    b.select(kLoopbackAddress, relay->port_for_b());
    b.queue(packet(kPacketNone));
    b.flush();
    relay->pump();
    a.receive();
    a.select(kLoopbackAddress, relay->port_for_a());
    EXPECT_FALSE(a.current()->ready);
    EXPECT_EQ(a.current()->reliable.size(), 1u);

    // The third transmission arrives and the remote's answer acknowledges it.
    pass_from_a = true;
    clock.advance_ms(2000);
    a.flush();
    relay->pump();
    b.receive();
    b.select(kLoopbackAddress, relay->port_for_b());
    EXPECT_EQ(b.find(kPacketCommand, 0), 0);
    b.queue(packet(kPacketNone));
    b.flush();
    relay->pump();
    a.receive();
    a.select(kLoopbackAddress, relay->port_for_a());
    EXPECT_TRUE(a.current()->ready);
    EXPECT_TRUE(a.current()->reliable.empty());
}

// Junk from many loopback senders: no crash, short datagrams make no record, the rest are taken.
TEST(NetPeerBadInput, RealSocketsCarryingJunk) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    int log_level = 2;
    temp_folder folder;
    ASSERT_TRUE(log_open(folder.file("kv.log")));
    test_peer peer(log_level);
    ASSERT_TRUE(peer.socket().bind(0));

    std::mt19937 random(25);
    std::vector<std::unique_ptr<udp_socket>> senders;
    auto send_from = [&](std::size_t sender, const std::vector<uint8_t>& bytes) {
        while (senders.size() <= sender) {
            senders.push_back(std::make_unique<udp_socket>());
            ASSERT_TRUE(senders.back()->bind(0));
        }
        ASSERT_EQ(senders[sender]->send(bytes.data(), bytes.size(), kLoopbackAddress, peer.socket().port()),
                  static_cast<int32_t>(bytes.size()));
    };
    // Senders 0-10: only datagrams too short for a header.
    for (std::size_t length = 0; length < kPacketHeaderSize; ++length) {
        send_from(length, std::vector<uint8_t>(length, 0x80));
    }
    // Senders 11-15: forged headers of every type, extreme numbers, odd session values, random bytes
    // and the largest datagram.
    std::size_t forged = 0;
    for (int type = 0; type < 256; ++type) {
        for (uint32_t seq : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            auto bytes = datagram(static_cast<uint8_t>(type), seq, seq ^ 0x80000000u,
                                  static_cast<uint16_t>(random()), static_cast<uint32_t>(random()));
            bytes.resize(bytes.size() + random() % 8, static_cast<uint8_t>(random()));
            send_from(11 + forged++ % 4, bytes);
        }
        if (type % 16 == 0) {
            // Drain now and then: the socket's receive buffer is not endless.
            peer.receive();
        }
    }
    std::vector<uint8_t> noise(300);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    send_from(15, noise);
    send_from(15, std::vector<uint8_t>(65507, 0x01));
    peer.receive();

    EXPECT_EQ(peer.remote_count(), 5u);
    for (bool more = peer.first(true); more; more = peer.next(true)) {
        uint32_t address = 0;
        uint16_t port = 0;
        ASSERT_TRUE(peer.current_address(address, port));
        EXPECT_EQ(address, kLoopbackAddress);
        packet p;
        while (peer.take(p, 0)) {
            // Every reader stops at the end of the datagram.
            std::string text;
            vec3 v;
            uint8_t id = 0;
            while (p.body.read_u8(id) && (p.body.read_string(text) || p.body.read_vec3(v))) {
            }
            EXPECT_LE(p.body.position(), p.body.size());
        }
        peer.queue(packet(kPacketNone));
        peer.flush();
    }
    peer.stats();
    EXPECT_GE(peer.bytes_in, 65507u);
    log_close();
}

// The receive path on a socket the test feeds.
class NetPeerReceive : public testing::Test {
protected:
    NetPeerReceive() {
        auto owned = std::make_unique<fake_socket>();
        socket = owned.get();
        peer = std::make_unique<test_peer>(log_level, std::move(owned));
    }
    void arrive(const std::vector<uint8_t>& bytes, uint16_t port = kRemotePort) {
        socket->push(bytes, kLoopbackAddress, port);
        peer->receive();
        peer->select(kLoopbackAddress, port);
    }
    std::vector<uint32_t> queued_numbers() {
        std::vector<uint32_t> numbers;
        for (const packet& p : peer->current()->received) numbers.push_back(p.seq & kSeqNumberMask);
        return numbers;
    }

    static constexpr uint16_t kRemotePort = 40000;
    fake_clock clock;
    scoped_clock use_clock{clock};
    int log_level = 0;
    fake_socket* socket = nullptr;
    std::unique_ptr<test_peer> peer;
};

TEST_F(NetPeerReceive, RepeatedReliablePacketsAreQueuedOnceAndNotCounted) {
    const auto reliable = datagram(kPacketCommand, 5 | kSeqFlag, 0, 7);
    arrive(reliable);
    arrive(reliable);
    EXPECT_EQ(peer->current()->received.size(), 1u);
    EXPECT_EQ(peer->packets_in, 1u);
    EXPECT_EQ(peer->bytes_in, reliable.size());
    EXPECT_EQ(peer->current()->last_in_seq, 5u | kSeqFlag);  // in-bit toggled once

    // Unreliable packets are never taken for repeats, whatever their number.
    arrive(datagram(kPacketPlayerSnapshot, 3, 0, 7));
    arrive(datagram(kPacketPlayerSnapshot, 3, 0, 7));
    EXPECT_EQ(peer->current()->received.size(), 3u);
    EXPECT_EQ(peer->packets_in, 3u);
}

TEST_F(NetPeerReceive, TheQueueKeepsTheRemotesNumberingAndPutsARestartLast) {
    for (uint32_t seq : {5u, 2u, 9u, 7u, 7u}) arrive(datagram(kPacketPlayerSnapshot, seq, 0, 7));
    EXPECT_EQ(queued_numbers(), (std::vector<uint32_t>{2, 5, 7, 7, 9}));

    packet p;
    while (peer->take(p, 0)) {
    }
    arrive(datagram(kPacketPlayerSnapshot, 20005, 0, 7));
    arrive(datagram(kPacketPlayerSnapshot, 10005, 0, 7));  // exactly 10,000 below: still ordered
    arrive(datagram(kPacketPlayerSnapshot, 3, 0, 7));      // restarted numbering: last
    arrive(datagram(kPacketPlayerSnapshot, 4, 0, 7));
    EXPECT_EQ(queued_numbers(), (std::vector<uint32_t>{10005, 20005, 3, 4}));

    EXPECT_EQ(peer->find(kPacketPlayerSnapshot, 1), 1);
    EXPECT_EQ(peer->find(kPacketCommand, 0), -1);
    ASSERT_TRUE(peer->peek(p, 3));
    EXPECT_EQ(p.seq, 4u);
    EXPECT_FALSE(peer->peek(p, 4));
}

TEST_F(NetPeerReceive, ANoneRefreshesAndAcknowledgesButIsNeverQueued) {
    peer->select(kLoopbackAddress, kRemotePort);
    peer->queue_reliable(numbered(kPacketCommand, 1));
    peer->flush();
    ASSERT_EQ(socket->sent.size(), 1u);
    const uint32_t in_flight = packet(socket->sent[0].bytes.data(), socket->sent[0].bytes.size()).seq;
    ASSERT_EQ(in_flight, 1u | kSeqFlag);
    EXPECT_FALSE(peer->current()->ready);

    clock.advance_ms(5000);
    arrive(datagram(kPacketNone, 1, 1, 7));
    EXPECT_TRUE(peer->current()->ready);
    EXPECT_TRUE(peer->current()->reliable.empty());
    EXPECT_TRUE(peer->current()->received.empty());
    EXPECT_EQ(peer->last_heard(), 5);
    EXPECT_EQ(peer->packets_in, 1u);
}

TEST_F(NetPeerReceive, ARestartedRemoteIsHeardAtOnce) {
    arrive(datagram(kPacketCommand, 300 | kSeqFlag, 0, 7));
    arrive(datagram(kPacketCommand, 1 | kSeqFlag, 0, 7));  // same program: a stale repeat
    EXPECT_EQ(peer->current()->received.size(), 1u);

    // The same address and port with a new session value: numbers from 1 again.
    arrive(datagram(kPacketCommand, 1 | kSeqFlag, 0, 0x8001));
    EXPECT_EQ(peer->current()->received.size(), 2u);
    EXPECT_EQ(peer->current()->last_in_seq, 1u | kSeqFlag);
    EXPECT_EQ(peer->current()->nat, 0x8001);
    EXPECT_EQ(peer->remote_count(), 1u);
}

TEST_F(NetPeerReceive, ShortDatagramsMakeNoRecordAndQueriesDoNotEndThePass) {
    std::vector<std::vector<uint8_t>> queries;
    socket->set_query_handler([&](const char* text, std::size_t length, uint32_t, uint16_t) {
        queries.emplace_back(text, text + length + 1);
    });
    for (std::size_t length = 0; length < kPacketHeaderSize; ++length) {
        socket->push(std::vector<uint8_t>(length, 0x80), kLoopbackAddress,
                     static_cast<uint16_t>(1000 + length));
    }
    socket->push({'\\', 's', 't', 'a', 't', 'u', 's', '\\'}, kLoopbackAddress, 2000);
    socket->push(datagram(kPacketCommand, 1, 0, 7), kLoopbackAddress, 3000);
    peer->receive();
    EXPECT_EQ(peer->remote_count(), 1u);
    EXPECT_EQ(peer->packets_in, 1u);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].back(), 0);
}

TEST_F(NetPeerReceive, QueueOperationsWithNoRemoteDoNothing) {
    peer->select(kLoopbackAddress, kRemotePort);
    peer->select(0, 0);
    packet p(kPacketCommand);
    EXPECT_EQ(peer->current(), nullptr);
    EXPECT_FALSE(peer->queue(p) || peer->queue_out_of_game(p) || peer->queue_reliable(p));
    EXPECT_FALSE(peer->take(p, 0) || peer->peek(p, 0));
    EXPECT_EQ(peer->find(kPacketCommand, 0), -1);
    EXPECT_EQ(peer->flush(), 0);
    EXPECT_EQ(peer->send(p), 0);
    uint32_t address = 0;
    uint16_t port = 0;
    EXPECT_FALSE(peer->current_address(address, port));
    peer->mark_dead();
    peer->set_speed(5000);
    EXPECT_TRUE(socket->sent.empty());
}

TEST(NetPeerNat, DrawnWithoutTouchingTheProgramsRandomNumbers) {
    fake_clock clock;
    scoped_clock use_clock(clock);
    kv_srand(77);
    const int expected = kv_rand();
    kv_srand(77);
    int log_level = 0;
    std::vector<uint16_t> nats;
    for (int64_t ms : {0, 1, 1000}) {
        clock.advance_ms(ms);
        nats.push_back(test_peer(log_level, std::make_unique<fake_socket>()).nat());
    }
    EXPECT_EQ(kv_rand(), expected);
    // Seeded from the millisecond clock: transports made at other times differ.
    EXPECT_NE(nats[0], nats[1]);
    EXPECT_NE(nats[1], nats[2]);
}

// The transport's own sending, on the fake socket.
class NetPeerSend : public NetPeerReceive {
protected:
    NetPeerSend() { peer->select(kLoopbackAddress, kRemotePort); }
    remote_record& remote() { return *peer->current(); }
    packet sent(std::size_t i) { return packet(socket->sent[i].bytes.data(), socket->sent[i].bytes.size()); }
};

TEST_F(NetPeerSend, QueuesGoOutInOrderStampedWithTheirNumbers) {
    remote().last_in_seq = 4 | kSeqFlag;
    peer->queue(numbered(kPacketPlayerSnapshot, 0));
    peer->queue_reliable(numbered(kPacketCommand, 0));
    peer->queue_out_of_game(numbered(kPacketPing, 0));
    const int32_t bytes = peer->flush();
    ASSERT_EQ(socket->sent.size(), 3u);
    EXPECT_EQ(bytes, 45);
    EXPECT_EQ(peer->packets_out, 3u);
    EXPECT_EQ(peer->bytes_out, 45u);
    const std::vector<std::pair<uint8_t, uint32_t>> expected = {
        {kPacketPing, 1}, {kPacketCommand, 2 | kSeqFlag}, {kPacketPlayerSnapshot, 3}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sent(i).type, expected[i].first);
        EXPECT_EQ(sent(i).seq, expected[i].second);
        EXPECT_EQ(sent(i).rseq, 4u | kSeqFlag);
        EXPECT_EQ(sent(i).nat, peer->nat());
        EXPECT_EQ(socket->sent[i].port, kRemotePort);
    }
    EXPECT_TRUE(remote().out_bit);
    EXPECT_EQ(remote().next_seq, 4);
}

TEST_F(NetPeerSend, AReliablePacketRepeatsEveryTwoSecondsWithItsNumber) {
    peer->queue_reliable(numbered(kPacketCommand, 0));
    peer->queue_reliable(numbered(kPacketCommand, 1));
    peer->flush();
    clock.advance_ms(1999);
    peer->flush();
    EXPECT_EQ(socket->sent.size(), 1u);
    clock.advance_ms(1);
    peer->flush();
    ASSERT_EQ(socket->sent.size(), 2u);
    packet repeat = sent(1);
    EXPECT_EQ(repeat.seq, 1u | kSeqFlag);
    EXPECT_EQ(number_of(repeat), 0u);
    EXPECT_EQ(remote().next_seq, 3);  // a repeat still uses up a number
    EXPECT_FALSE(remote().out_bit);
}

TEST_F(NetPeerSend, NumbersRestart) {
    remote().next_seq = kSeqRestart - 1;
    peer->queue(packet(kPacketNone));
    peer->flush();
    EXPECT_EQ(remote().next_seq, 0);

    remote().next_seq = 0x7FFFFFFF;
    peer->queue_reliable(packet(kPacketCommand));
    peer->flush();
    EXPECT_EQ(sent(1).seq, 0xFFFFFFFFu);
    EXPECT_EQ(remote().next_seq, 0);
}

TEST_F(NetPeerSend, ABusySocketKeepsPacketsAndAFailingOneDropsThem) {
    peer->queue(numbered(kPacketPlayerSnapshot, 0));
    peer->queue_reliable(numbered(kPacketCommand, 0));
    socket->send_result = 0;
    EXPECT_EQ(peer->flush(), 0);
    EXPECT_EQ(remote().unreliable.size(), 1u);
    EXPECT_EQ(remote().reliable.size(), 1u);
    EXPECT_TRUE(remote().ready);
    EXPECT_EQ(remote().next_seq, 1);
    packet hello(kPacketCommand);
    EXPECT_FALSE(peer->broadcast(hello));

    socket->send_result = -1;
    EXPECT_EQ(peer->flush(), 0);
    EXPECT_TRUE(remote().unreliable.empty());
    EXPECT_TRUE(remote().reliable.empty());
    EXPECT_TRUE(remote().ready);
    EXPECT_EQ(peer->packets_out, 0u);
}

TEST_F(NetPeerSend, BroadcastsGoToTheServerPortWithZeroNumbers) {
    packet hello(kPacketCommand);
    hello.body.write_u8(1);
    hello.body.write_string("hello");
    ASSERT_TRUE(peer->broadcast(hello));
    net_set_broadcast_port(4321);
    ASSERT_TRUE(peer->broadcast(hello));
    net_set_broadcast_port(0);
    ASSERT_EQ(socket->sent.size(), 2u);
    EXPECT_EQ(socket->sent[0].address, kLimitedBroadcast);
    EXPECT_EQ(socket->sent[0].port, kLanServerPort);
    EXPECT_EQ(socket->sent[1].port, 4321);
    const packet sent_hello = sent(0);
    EXPECT_EQ(sent_hello.seq, 0u);
    EXPECT_EQ(sent_hello.rseq, 0u);
    EXPECT_EQ(sent_hello.nat, peer->nat());
    EXPECT_EQ(remote().next_seq, 1);  // no remote's numbering is touched
}

TEST_F(NetPeerSend, ReliableQueueingFallsBackWhenDisabled) {
    peer->reliable_enabled = false;
    peer->queue_reliable(packet(kPacketCommand));
    EXPECT_TRUE(remote().reliable.empty());
    EXPECT_EQ(remote().unreliable.size(), 1u);
}

TEST_F(NetPeerSend, DeadRecordsGoOnThePurgingWalk) {
    for (uint16_t port : {1, 2, 3, 4}) peer->select(kLoopbackAddress, port);  // kRemotePort is first
    peer->mark_dead(kLoopbackAddress, kRemotePort);
    peer->mark_dead(kLoopbackAddress, 2);
    peer->mark_dead(kLoopbackAddress, 4);
    std::vector<uint16_t> walked;
    for (bool more = peer->first(false); more; more = peer->next(false))
        walked.push_back(peer->current()->port);
    EXPECT_EQ(walked, (std::vector<uint16_t>{kRemotePort, 1, 2, 3, 4}));
    walked.clear();
    for (bool more = peer->first(true); more; more = peer->next(true))
        walked.push_back(peer->current()->port);
    EXPECT_EQ(walked, (std::vector<uint16_t>{1, 3}));
    EXPECT_EQ(peer->remote_count(), 2u);

    peer->select(kLoopbackAddress, 3 | (0x1234u << 16));  // the NAT above the port is not compared
    EXPECT_EQ(peer->remote_count(), 2u);
    peer->set_speed(12345);
    peer->set_session_word(20);
    EXPECT_EQ(peer->current()->speed, 123);
    EXPECT_EQ(peer->current()->session_words[0], 20);
}

}  // namespace
}  // namespace kv
