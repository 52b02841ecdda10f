#include "platform/udp_socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "kernel/log.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

constexpr uint32_t kLoopback = 0x7F000001u;

class UdpSocket : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(log_open(folder.file("kv.log"))); }
    void TearDown() override {
        log_close();
        udp_set_broadcast_address(kLimitedBroadcast);
    }
    std::string log() const { return folder.read("kv.log"); }

    temp_folder folder;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kReceiveBufferSize);
};

TEST_F(UdpSocket, CarriesDatagramsWholeBetweenLoopbackSockets) {
    udp_socket a;
    udp_socket b;
    ASSERT_TRUE(a.bind(0));
    ASSERT_TRUE(b.bind(0));
    EXPECT_NE(a.port(), 0);
    EXPECT_TRUE(a.can_send());

    uint32_t address = 0;
    uint16_t port = 0;
    EXPECT_EQ(b.receive(buffer.data(), buffer.size(), address, port), -1);  // nothing waiting

    // The largest datagram IPv4 carries arrives whole, then an empty one.
    const std::vector<uint8_t> big(65507, 0x5A);
    ASSERT_EQ(a.send(big.data(), big.size(), kLoopback, b.port()), 65507);
    ASSERT_EQ(a.send("", 0, kLoopback, b.port()), 0);
    EXPECT_EQ(b.receive(buffer.data(), buffer.size(), address, port), 65507);
    EXPECT_EQ(address, kLoopback);
    EXPECT_EQ(port, a.port());
    EXPECT_EQ(buffer[65506], 0x5A);
    EXPECT_EQ(b.receive(buffer.data(), buffer.size(), address, port), 0);
    EXPECT_EQ(b.receive(buffer.data(), buffer.size(), address, port), -1);
    EXPECT_EQ(log(), "");  // an empty socket is not an error
}

TEST_F(UdpSocket, QueriesGoToTheirHandlerAndTheDatagramsBehindThemStillArrive) {
    udp_socket a;
    udp_socket b;
    ASSERT_TRUE(a.bind(0) && b.bind(0));
    std::vector<std::string> queries;
    b.set_query_handler([&](const char* text, std::size_t length, uint32_t address, uint16_t) {
        EXPECT_EQ(text[length], '\0');
        EXPECT_EQ(address, kLoopback);
        queries.emplace_back(text);
    });
    for (const char* query : {"\\status\\", "\\info\\"})
        a.send(query, std::string(query).size(), kLoopback, b.port());
    a.send("game", 4, kLoopback, b.port());
    uint32_t address = 0;
    uint16_t port = 0;
    ASSERT_EQ(b.receive(buffer.data(), buffer.size(), address, port), 4);
    EXPECT_EQ(queries, (std::vector<std::string>{"\\status\\", "\\info\\"}));
}

TEST_F(UdpSocket, ABusyPortFailsWithItsWinsockName) {
    udp_socket holder;
    ASSERT_TRUE(holder.bind(0));
    udp_socket second;
    EXPECT_FALSE(second.bind(holder.port()));
    EXPECT_EQ(log(), "[NET] Winsock *ERROR* WSAEADDRINUSE\n");
    EXPECT_EQ(second.port(), 0);
}

TEST_F(UdpSocket, ABroadcastReachesASocketOnThisMachine) {
    udp_socket server;
    ASSERT_TRUE(server.bind(0));  // any local address
    // The limited broadcast would leave the machine here; the loopback one reaches its servers.
    udp_set_broadcast_address(kLoopbackBroadcast);
    udp_socket client;
    ASSERT_TRUE(client.bind(0));
    ASSERT_EQ(client.broadcast("hello", 5, server.port()), 5);
    uint32_t address = 0;
    uint16_t port = 0;
    ASSERT_EQ(server.receive(buffer.data(), buffer.size(), address, port), 5);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), "hello");
    EXPECT_EQ(port, client.port());
}

TEST_F(UdpSocket, SendFailuresSayWhetherToTryAgain) {
    udp_socket a;
    ASSERT_TRUE(a.bind(0));
    const std::vector<uint8_t> too_big(70000);
    EXPECT_EQ(a.send(too_big.data(), too_big.size(), kLoopback, a.port()), -1);
    EXPECT_EQ(log(), "[NET] Winsock *ERROR* WSAEMSGSIZE\n");
    EXPECT_EQ(udp_socket_count(), 1);
}

TEST(NetAddress, ParsesAndFormatsDottedText) {
    const std::vector<std::pair<std::string, uint32_t>> good = {
        {"127.0.0.1", 0x7F000001u}, {"10.1.2.3", 0x0A010203u}, {"127.1", 0x7F000001u}, {"0.0.0.0", 0u}};
    for (const auto& [text, expected] : good) {
        uint32_t address = 1;
        EXPECT_TRUE(net_parse_address(text, address)) << text;
        EXPECT_EQ(address, expected) << text;
    }
    for (const char* bad : {"255.255.255.255", "", "localhost", "1.2.3.4.5", "256.1.1.1", "1.2.x.4"}) {
        uint32_t address = 7;
        EXPECT_FALSE(net_parse_address(bad, address)) << bad;
        EXPECT_EQ(address, 7u);
    }
    uint32_t resolved = 0;
    EXPECT_TRUE(net_resolve_address("localhost", resolved));
    EXPECT_EQ(resolved >> 24, 127u);
    EXPECT_EQ(net_format_address(0x7F000001u), "127.0.0.1");
    EXPECT_EQ(net_format_address(0xFFFFFFFFu), "255.255.255.255");
}

TEST(NetAddress, ErrorsCarryTheirWinsockNames) {
    const std::vector<std::pair<int, const char*>> names = {
        {EADDRINUSE, "WSAEADDRINUSE"}, {EWOULDBLOCK, "WSAEWOULDBLOCK"}, {EMSGSIZE, "WSAEMSGSIZE"},
        {ECONNRESET, "WSAECONNRESET"}, {ENOBUFS, "WSAENOBUFS"},         {ENOENT, "<unlisted error>"}};
    for (const auto& [error, name] : names) EXPECT_STREQ(net_socket_error_name(error), name);
}

}  // namespace
}  // namespace kv
