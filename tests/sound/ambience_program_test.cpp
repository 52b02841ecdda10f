// The real programs on the demo data: a dedicated server hosting "depot" on loopback and a client on
// an Xvfb of the test's own that joins it from the command line. OpenAL Soft writes what the client's
// card plays into a wave file, read back once the client has ended: the menu music is tried as
// "menu.wma" and then played from "menu.mp3", and in the level the rooms' hum is heard for seconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"
#include "util/byte_order.h"

namespace kv {
namespace {

constexpr int kWaitMs = 30000;
constexpr int kRate = 22050;
// The demo's hum (tools/demo_data.cpp).
constexpr double kHumHz = 110.0;

// The left channel of a 16-bit stereo wave file. The data chunk runs to the end of the file when its
// size was never written.
std::vector<double> left_channel(const std::string& bytes) {
    std::vector<double> out;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    std::size_t at = 12;
    uint16_t channels = 0;
    uint16_t bits = 0;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = le_load_u32(p + at + 4);
        at += 8;
        if (id == "fmt " && at + 16 <= bytes.size()) {
            channels = le_load_u16(p + at + 2);
            bits = le_load_u16(p + at + 14);
        }
        if (id == "data") {
            if (channels != 2 || bits != 16) return out;
            const std::size_t end = size == 0 || at + size > bytes.size() ? bytes.size() : at + size;
            for (; at + 4 <= end; at += 4) out.push_back(static_cast<int16_t>(le_load_u16(p + at)));
            return out;
        }
        at += size + (size & 1);
    }
    return out;
}

// The amplitude of the hum's pitch in each tenth of a second (the Goertzel filter), whatever else
// plays beside it (the yard's wind and clank).
std::vector<double> hum_amplitudes(const std::vector<double>& samples) {
    constexpr std::size_t kWindow = kRate / 10;
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * kHumHz / kRate);
    std::vector<double> out;
    for (std::size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
        double s1 = 0.0;
        double s2 = 0.0;
        for (std::size_t i = start; i < start + kWindow; ++i) {
            const double s0 = samples[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = std::max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2);
        // A tone of amplitude A over the whole window gives a power of (A * window / 2)^2.
        out.push_back(2.0 * std::sqrt(power) / static_cast<double>(kWindow));
    }
    return out;
}

// The longest run of tenths of a second whose amplitude is at least `floor`.
int longest_run(const std::vector<double>& amplitudes, double floor) {
    int longest = 0;
    int run = 0;
    for (const double a : amplitudes) {
        run = a >= floor ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Polls the file until `text` follows `marker` in it.
bool wait_for_text_after(const std::string& file, const std::string& marker, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(file, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t at = content.find(marker);
        if (at != std::string::npos && content.find(text, at) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(AmbienceProgram, AClientThatJoinsTheDepotHearsItsHumAfterTheMenuMusic) {
    x_display display(1024, 768);
    if (!display.ok()) GTEST_SKIP() << "Xvfb cannot start here";
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("demo-data")));
    const std::string base = "--base-dir=" + folder.file("demo-data") + "/";
    scoped_env lsan("LSAN_OPTIONS", child_leak_options());

    folder.write("server/write/mp.cfg", "set server-port:0\nset pkg-name:depot\nstart\n");
    child_process server(KV_BINARY_PATH,
                         {"--dedicated=yes", base, "--write-dir=" + folder.file("server/write") + "/"},
                         folder.file("server"));
    ASSERT_TRUE(server.started());
    const std::string server_log = folder.file("server/kv.log");
    ASSERT_TRUE(wait_for_text(server_log, "] Loading package 'depot' ...\n", kWaitMs))
        << folder.read("server/kv.log");
    const int port = game_server_port(folder.read("server/kv.log"));
    ASSERT_NE(port, 0) << folder.read("server/kv.log");

    std::filesystem::create_directories(folder.file("client/write"));
    const std::string wave = folder.file("client/card.wav");
    const std::string config =
        folder.write("client/alsoft.conf",
                     "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = " +
                         std::to_string(kRate) + "\nhrtf = false\n[wave]\nfile = " + wave + "\n");
    std::optional<int> client_status;
    {
        scoped_env card("ALSOFT_CONF", config);
        scoped_display_env env(display.name());
        child_process client(KV_BINARY_PATH,
                             {base, "--write-dir=" + folder.file("client/write") + "/", "--resolution=1",
                              "-join", "127.0.0.1:" + std::to_string(port), "-name", "Ann"},
                             folder.file("client"));
        ASSERT_TRUE(client.started());
        const std::string client_log = folder.file("client/kv.log");
        ASSERT_TRUE(wait_for_text(client_log, "Loading package 'depot' ...\n", kWaitMs))
            << folder.read("client/kv.log");
        ASSERT_TRUE(
            wait_for_text_after(client_log, "Loading package 'depot' ...\n", "View `default' activated.\n"))
            << folder.read("client/kv.log");
        // Seconds in the level, on whatever camera the client shows: the listener's sector fades in
        // from -5000 over two and a half seconds, then its hum plays at full volume.
        std::this_thread::sleep_for(std::chrono::seconds(8));
        client.signal(SIGTERM);
        client_status = client.wait(kWaitMs);
    }
    ASSERT_TRUE(client_status.has_value());
    EXPECT_EQ(*client_status, 0) << folder.read("client/kv.log");
    server.signal(SIGTERM);
    EXPECT_TRUE(server.wait(kWaitMs).has_value());

    const std::string log = folder.read("client/kv.log");
    EXPECT_NE(log.find("[music] RenderFile failed ! - no music play ('data\\sound\\menu.wma')\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("menu.mp3"), std::string::npos) << log;
    const std::vector<double> samples = left_channel(folder.read("client/card.wav"));
    EXPECT_GT(samples.size(), static_cast<std::size_t>(8 * kRate));
    const std::vector<double> hum = hum_amplitudes(samples);
    std::string trace;
    for (const double a : hum) trace += std::to_string(static_cast<int>(a)) + " ";
    // Once faded in, the hum (0.8 of full scale in its file) is heard at about half of it, for seconds.
    EXPECT_GE(longest_run(hum, 8000.0), 30) << "three seconds on end of the hum: " << trace;
}

}  // namespace
}  // namespace kv
