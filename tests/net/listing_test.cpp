#include "net/listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/support/fake_socket.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr uint32_t kListingMaster = 0x7F000001u;
constexpr uint32_t kBrowser = 0x7F000002u;
constexpr uint16_t kBrowserPort = 5000;

std::string text_of(const fake_datagram& d) {
    return {d.bytes.begin(), d.bytes.end()};
}

// The validation as the listing service computes it: the cipher written out again here, so that a
// fault in the reporter's copy shows.
std::string expected_validate(const std::string& key, const std::string& challenge) {
    int s[256];
    for (int k = 0; k < 256; ++k) s[k] = k;
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[static_cast<std::size_t>(i) % key.size()])) % 256;
        std::swap(s[i], s[j]);
    }
    std::vector<uint8_t> data(challenge.begin(), challenge.end());
    int i = 0;
    j = 0;
    for (uint8_t& d : data) {
        i = (i + d + 1) % 256;
        j = (j + s[i]) % 256;
        std::swap(s[i], s[j]);
        d = static_cast<uint8_t>(d ^ s[(s[i] + s[j]) % 256]);
    }
    return listing_encode(data.data(), data.size());
}

class ListingReporter : public testing::Test {
protected:
    void SetUp() override {
        clock.set_ms_clock(1000000);
        reporter.settings.master_host = "127.0.0.1";
        reporter.source = [this](listing_info& out) { out = info; };
        info.host_name = "Test\\Server";
        info.host_port = 57778;
        info.map_name = "level1";
        info.max_players = 30;
        info.time_limit = 15;
        listing_init(reporter, socket);
    }
    void query(const std::string& text, uint32_t address = kBrowser) {
        listing_datagram(reporter, text.c_str(), text.size(), address, kBrowserPort);
    }
    // The replies sent to the browser since the last call.
    std::vector<std::string> replies() {
        std::vector<std::string> found;
        for (const fake_datagram& d : socket.sent) {
            if (d.address == kBrowser && d.port == kBrowserPort) found.push_back(text_of(d));
        }
        socket.sent.clear();
        return found;
    }
    // The heartbeats and the millisecond clock when each went out.
    std::vector<std::pair<std::string, uint32_t>> run_heartbeats(int64_t total_ms, int64_t tick_ms) {
        std::vector<std::pair<std::string, uint32_t>> beats;
        for (int64_t t = 0; t < total_ms; t += tick_ms) {
            listing_tick(reporter);
            for (const fake_datagram& d : socket.sent) {
                if (d.address == kListingMaster && d.port == kListingMasterPort) {
                    beats.emplace_back(text_of(d), clock.ms_now());
                }
            }
            socket.sent.clear();
            clock.advance_ms(tick_ms);
        }
        return beats;
    }
    void add_players(int count) {
        for (int i = 0; i < count; ++i) {
            info.players.push_back({str_format("player%02d", i), i, 2 * i, 3, 40 + i, i % 4});
        }
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    fake_socket socket;
    listing_info info;
    listing_reporter reporter;
};

TEST_F(ListingReporter, FirstBasicQueryIsAnsweredExactly) {
    query("\\basic\\");
    EXPECT_EQ(
        replies(),
        (std::vector<std::string>{"\\gamename\\Korvane\\gamever\\1.0\\location\\1\\final\\\\queryid\\2.1"}));
}

TEST_F(ListingReporter, StatusWithChallengeCarriesEverythingAndTheValidation) {
    add_players(2);
    info.players[1].team = 7;
    info.players[1].name = "a\\b";
    query("\\status\\\\secure\\abc");
    const std::vector<std::string> sent = replies();
    ASSERT_EQ(sent.size(), 1u);
    const std::string expected =
        "\\gamename\\Korvane\\gamever\\1.0\\location\\1"
        "\\hostname\\Test/Server\\hostport\\57778\\mapname\\level1\\gametype\\teamplay\\numplayers\\2"
        "\\maxplayers\\30\\gamemode\\openplaying"
        "\\timelimit\\15\\fraglimit\\0\\teamplay\\1\\rankedserver\\0"
        "\\player_0\\player00\\frags_0\\0\\deaths_0\\0\\skill_0\\3\\ping_0\\40\\team_0\\Blue"
        "\\player_1\\a/b\\frags_1\\1\\deaths_1\\2\\skill_1\\3\\ping_1\\41\\team_1\\"
        "\\validate\\" +
        expected_validate(kListingDefaultKey, "abc") + "\\final\\\\queryid\\2.1";
    EXPECT_EQ(sent[0], expected);
    EXPECT_EQ(expected_validate(kListingDefaultKey, "abc").size(), 4u);
}

TEST_F(ListingReporter, LongRepliesSplitBeforeKeysUnderOneQueryId) {
    add_players(40);
    query("\\status\\");
    const std::vector<std::string> sent = replies();
    ASSERT_EQ(sent.size(), 3u);
    std::string whole;
    for (std::size_t n = 0; n < sent.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_LT(sent[n].size(), kListingPacketSize);
        const std::string tail = str_format("\\queryid\\2.%zu", n + 1);
        ASSERT_TRUE(sent[n].ends_with(tail));
        const std::string body = sent[n].substr(0, sent[n].size() - tail.size());
        // Each packet begins with a key: an even number of backslashes before every cut.
        EXPECT_EQ(std::count(body.begin(), body.end(), '\\') % 2, 0);
        whole += body;
    }
    std::string expected;
    listing_basic(info, expected);
    listing_info_reply(info, expected);
    listing_rules(info, expected);
    listing_players(info, expected);
    EXPECT_EQ(whole, expected + "\\final\\");
}

TEST_F(ListingReporter, EveryReplyStaysUnderThePacketSize) {
    add_players(64);
    info.host_name = std::string(5000, 'h');
    const std::string echo(1350, 'e');
    query("\\packets\\\\echo\\" + echo + "\\secure\\" + std::string(128, 'c'));
    const std::vector<std::string> sent = replies();
    ASSERT_GE(sent.size(), 6u);
    for (const std::string& s : sent) EXPECT_LT(s.size(), kListingPacketSize);
    EXPECT_NE(sent.back().find("\\final\\"), std::string::npos);
}

TEST_F(ListingReporter, ValidationEncodingAndChallengeLimit) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(listing_encode(abc, 3), "YWJj");
    EXPECT_EQ(listing_encode(abc, 2), "YWIA");
    EXPECT_EQ(listing_encode(abc, 0), "");

    query("\\basic\\\\secure\\" + std::string(129, 'x'));
    EXPECT_TRUE(replies().empty());
    query("\\basic\\\\secure\\" + std::string(128, 'x'));
    EXPECT_EQ(replies().size(), 1u);
}

TEST_F(ListingReporter, QuickHeartbeatsUntilTenRepeatsThenEveryFiveMinutes) {
    const auto beats = run_heartbeats(700000, 100);
    ASSERT_GE(beats.size(), 12u);
    for (const auto& beat : beats) EXPECT_EQ(beat.first, "\\heartbeat\\0\\gamename\\korvane");
    for (std::size_t n = 1; n < 11; ++n) {
        EXPECT_GT(beats[n].second - beats[n - 1].second, 30000u) << n;
        EXPECT_LE(beats[n].second - beats[n - 1].second, 30100u) << n;
    }
    EXPECT_GT(beats[11].second - beats[10].second, 300000u);
    EXPECT_LE(beats[11].second - beats[10].second, 300100u);
}

TEST_F(ListingReporter, AQueryEndsTheQuickHeartbeatsAndShutdownSaysStateChanged) {
    run_heartbeats(100, 100);
    query("\\basic\\");
    EXPECT_TRUE(run_heartbeats(290000, 100).empty());
    EXPECT_EQ(run_heartbeats(20000, 100).size(), 1u);

    listing_shutdown(reporter);
    ASSERT_EQ(socket.sent.size(), 1u);
    EXPECT_EQ(text_of(socket.sent[0]), "\\heartbeat\\0\\gamename\\korvane\\statechanged\\2");
    socket.sent.clear();
    query("\\basic\\");
    listing_tick(reporter);
    EXPECT_TRUE(socket.sent.empty());
}

TEST_F(ListingReporter, WrappedMillisecondClockKeepsTheHeartbeatPace) {
    clock.set_ms_clock(0xFFFFFFFFu - 10000);
    listing_init(reporter, socket);
    socket.sent.clear();
    const auto beats = run_heartbeats(100000, 100);
    ASSERT_EQ(beats.size(), 4u);
    for (std::size_t n = 1; n < beats.size(); ++n) EXPECT_EQ(beats[n].second - beats[n - 1].second, 30100u);
}

TEST_F(ListingReporter, QueriesAreLimitedPerAddressAndInAll) {
    for (int i = 0; i < 10; ++i) query("\\basic\\");
    EXPECT_EQ(replies().size(), static_cast<std::size_t>(kListingQueriesPerAddress));
    int answered = 0;
    for (uint32_t a = 0; a < 100; ++a) {
        query("\\basic\\", kBrowser + 1 + a);
        answered += static_cast<int>(socket.sent.size());
        socket.sent.clear();
    }
    EXPECT_EQ(answered, kListingQueriesPerSecond - kListingQueriesPerAddress);
    clock.advance_ms(1000);
    query("\\basic\\");
    EXPECT_EQ(replies().size(), 1u);
}

TEST(ListingConfig, ReadsTheMasterAndTheKey) {
    listing_settings settings;
    EXPECT_TRUE(listing_apply_config(settings, "listing", "listing.example"));
    EXPECT_TRUE(listing_apply_config(settings, "listing-key", "abcdefgh"));
    EXPECT_FALSE(listing_apply_config(settings, "master", "127.0.0.1"));
    EXPECT_EQ(settings.master_host, "listing.example");
    EXPECT_EQ(settings.key, "abcdef");
}

}  // namespace
}  // namespace kv
