#include "net/packet_log.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/log.h"
#include "net/net_peer.h"
#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

constexpr uint32_t kLoopback = 0x7F000001u;

class PacketLog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_open(folder.file("kv.log")));
        timer_restart(run_timer());
    }
    void TearDown() override { log_close(); }
    std::string log() const { return folder.read("kv.log"); }

    static packet stamped(uint8_t type, uint32_t seq, uint32_t rseq, uint16_t nat) {
        packet p(type);
        p.set_header(seq, rseq, nat);
        return p;
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
};

TEST_F(PacketLog, WritesByLevel) {
    packet join = stamped(kPacketCommand, 5 | kSeqFlag, 2 | kSeqFlag, 0x8001);
    join.body.write_u8(7);
    join.body.write_string("join 1 2 3 4 5");
    const packet state = stamped(kPacketPlayerSnapshot, 9, 2, 0x0102);
    const std::string join_header =
        "[0s0] [NET] PIN COMMAND SEQ ~5 RSEQ ~2 NAT ffff8001 SIZE 28 ADDR 127.0.0.1:40000\n";
    const std::string join_text = "[NET] <7> join 1 2 3 4 5\n";
    const std::string state_header =
        "[0s0] [NET] PIN P-SNAPSHOT SEQ 9 RSEQ 2 NAT 102 SIZE 11 ADDR 127.0.0.1:40000\n";

    struct level_case {
        int level;
        std::string expected;
    };
    const level_case cases[] = {
        {0, ""},
        {1, join_header + join_text},
        {2, join_header + join_text + state_header},
    };
    for (const level_case& c : cases) {
        SCOPED_TRACE(c.level);
        const std::size_t before = log().size();
        log_packet("PIN", join, kLoopback, 40000, c.level);
        log_packet("PIN", state, kLoopback, 40000, c.level);
        EXPECT_EQ(log().substr(before), c.expected);
    }
}

TEST_F(PacketLog, DecodesCommandTextsAndSurvivesBodiesThatDoNot) {
    packet quit = stamped(kPacketAsyncCommand, 1, 0, 0);
    quit.body.write_string("quit");
    packet reply = stamped(kPacketCommandResult, 1, 0, 0);
    reply.body.write_u8(3);
    reply.body.write_u16(40);  // a length with no text behind it
    packet empty_result = stamped(kPacketCommandResult, 1, 0, 0);
    for (const packet* p : {&quit, &reply, &empty_result}) log_packet("received", *p, kLoopback, 1, 1);
    EXPECT_EQ(
        log(),
        "[0s0] [NET] received ASYNC-COMMAND SEQ 1 RSEQ 0 NAT 0 SIZE 17 ADDR 127.0.0.1:1\n[NET] quit\n"
        "[0s0] [NET] received COMMAND-RESULT SEQ 1 RSEQ 0 NAT 0 SIZE 14 ADDR 127.0.0.1:1\n[NET] <3> \n"
        "[0s0] [NET] received COMMAND-RESULT SEQ 1 RSEQ 0 NAT 0 SIZE 11 ADDR 127.0.0.1:1\n[NET] <0> \n");
}

TEST_F(PacketLog, TheTransportLogsRepeatsAndItsStatistics) {
    int level = 0;
    auto owned = std::make_unique<fake_socket>();
    fake_socket& socket = *owned;
    struct peer : net_peer {
        using net_peer::net_peer;
        void tick(int32_t) override {}
    } transport(level, std::move(owned));

    transport.stats();
    EXPECT_EQ(log(), "[0s0] #/o cons: 0\n");

    transport.select(kLoopback, 40000);
    transport.queue_reliable(packet(kPacketCommand));
    transport.queue(packet(kPacketNone));
    transport.flush();
    clock.advance_ms(2000);
    transport.flush();  // level 0: repeated without a word
    EXPECT_EQ(log().find("repeating"), std::string::npos);
    level = 1;
    clock.advance_ms(2000);
    transport.flush();
    EXPECT_NE(log().find("[NET] repeating rpacket\n"), std::string::npos);

    packet from_remote = stamped(kPacketPing, 1, 0, 0x8001);
    socket.push({from_remote.body.data(), from_remote.body.data() + from_remote.body.size()}, kLoopback,
                40001);
    transport.receive();
    transport.queue(packet(kPacketNone));
    const std::size_t before = log().size();
    transport.stats();
    EXPECT_EQ(log().substr(before),
              "[4s0] #/o cons: 2\n127.0.0.1:40000 NAT 0 in:0 out:0 rout:1 oogout:0\n"
              "127.0.0.1:40001 NAT 8001 in:1 out:1 rout:0 oogout:0\n");
}

}  // namespace
}  // namespace kv
