// The whole game on loopback, every process real: a dedicated server hosts the demo's "depot" from its
// settings script with one bot of the sample module on the red side, and two players join it with
// `-join`, each on an X server of its own, played through the keyboard and mouse (XTEST): they take
// the blue side in the briefing, reach the game screen, spawn, walk and chat; one quits and SIGTERM
// ends the rest.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kernel/option_registry.h"
#include "tests/e2e/x_input.h"
#include "tests/support/child_process.h"
#include "tests/support/program_logs.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/demo_data.h"

namespace kv {
namespace {

// Generous: the run shares the machine with other tests and draws with Mesa's software rasteriser.
constexpr int kWaitMs = 60000;
// The window of "--resolution=1" fills the X server's screen.
constexpr int kWidth = 800;
constexpr int kHeight = 600;
// The screens' pointer moves 1.8 units of their 0..1000 square per pixel of mouse motion.
constexpr double kUnitsPerPixel = 1.8;

bool wait_until(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

void pause_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The server's session log.
std::string session_log(const temp_folder& folder) {
    return session_log_in(folder.file("server/write"));
}

// The first number n for which `text` holds `before` n `after`, 0 when there is none.
int number_between(const std::string& text, const std::string& before, const std::string& after) {
    for (std::size_t at = text.find(before); at != std::string::npos; at = text.find(before, at + 1)) {
        std::size_t end = at + before.size();
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        if (end > at + before.size() && text.compare(end, after.size(), after) == 0)
            return std::stoi(text.substr(at + before.size(), end - at - before.size()));
    }
    return 0;
}

// The player id the session gave the nick ("PLR <id> <nick> CONN"), 0 before it came.
int session_id(const std::string& session, const std::string& nick) {
    return number_between(session, "PLR ", " " + nick + " CONN\n");
}

// The bot's player id ("BOT <id> CONN"), 0 before it came.
int bot_id(const std::string& session) {
    return number_between(session, "BOT ", " CONN\n");
}

// The places a client's log gives the record of a player as the network brought them (the debug
// lines of log level 2), in order.
std::vector<std::string> record_places(const std::string& log, int id) {
    std::vector<std::string> places;
    const std::string key = "kvgame: Player pid" + std::to_string(id) + " at ";
    for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1)) {
        const std::size_t end = log.find('\n', at);
        if (end == std::string::npos) break;
        places.push_back(log.substr(at + key.size(), end - at - key.size()));
    }
    return places;
}

bool record_moved(const std::string& log, int id) {
    const std::vector<std::string> places = record_places(log, id);
    for (const std::string& place : places) {
        if (place != places.front()) return true;
    }
    return false;
}

// One player: `kv -join` in a folder of its own, on an X server of its own.
class player {
public:
    player(const temp_folder& folder, const std::string& nick, int port)
        : folder_(folder), nick_(nick), display_(kWidth, kHeight) {
        if (!display_.ok()) return;
        input_ = std::make_unique<x_input>(display_.name());
        const std::string dir = folder.file(nick);
        std::filesystem::create_directories(dir + "/write");
        // The debug lines of the log: spawns, the network's commands and the places of the others.
        option_registry options;
        int32_t log_level = 2;
        option_registry_add_int(options, "log_level", &log_level);
        save_options(options, dir + "/write/options-c");
        scoped_display_env env(display_.name());
        process_ = std::make_unique<child_process>(
            KV_BINARY_PATH,
            std::vector<std::string>{"--base-dir=" + folder.file("data") + "/", "--write-dir=" + dir + "/write/",
                                     "--resolution=1", "-join", "127.0.0.1:" + std::to_string(port), "-name",
                                     nick},
            dir);
    }

    bool started() const { return display_.ok() && input_ && input_->ok() && process_ && process_->started(); }
    const std::string& nick() const { return nick_; }
    child_process& process() { return *process_; }
    x_input& input() { return *input_; }
    std::string log() const { return folder_.read(nick_ + "/kv.log"); }
    bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }

    // The share of a rectangle of the screens' 0..1000 square whose pixels pass `test`.
    template <typename Test>
    double share(int x, int y, int width, int height, Test test) const {
        return input_->share(x * kWidth / 1000, y * kHeight / 1000, width * kWidth / 1000,
                             height * kHeight / 1000, test);
    }
    // The pixels of a rectangle of the screens' square.
    std::vector<unsigned long> pixels(int x, int y, int width, int height) const {
        return input_->pixels(x * kWidth / 1000, y * kHeight / 1000, width * kWidth / 1000,
                              height * kHeight / 1000);
    }
    template <typename Test>
    bool wait_for_pixels(int x, int y, int width, int height, double least, Test test,
                         int timeout_ms = kWaitMs) const {
        return wait_until([&] { return share(x, y, width, height, test) >= least; }, timeout_ms);
    }

    // Clicks at a point of the screens' square, once the game has drawn its pointer there.
    void click_at(int x, int y) {
        EXPECT_TRUE(input_->point_screen_at(x, y, kWidth, kHeight, kUnitsPerPixel))
            << nick_ << ": the pointer did not come to " << x << " " << y;
        input_->click();
    }

private:
    const temp_folder& folder_;
    std::string nick_;
    x_display display_;
    std::unique_ptr<x_input> input_;
    std::unique_ptr<child_process> process_;
};

// Pixel tests of the demo's screens.
bool gold(int r, int g, int b) {
    return r > 230 && g > 180 && g < 240 && b < 130;
}
// The previews' figures are drawn dimmed: the blue side's (60, 90, 230) shows about (25, 41, 88).
bool blue(int r, int g, int b) {
    return b >= 80 && b > r + 50 && b > g + 35;
}
bool red(int r, int g, int b) {
    return r >= 80 && r > g + 50 && r > b + 50;
}
bool bar_green(int r, int g, int b) {
    return g > 170 && r < 80 && b < 80;
}
bool pale(int r, int g, int b) {
    return r > 190 && g > 195 && b > 210;
}
bool white(int r, int g, int b) {
    return r > 225 && g > 225 && b > 225;
}
// The day sky (the level's "s-day" box).
bool sky(int r, int g, int b) {
    return b > 200 && b > r + 60 && g > r + 20;
}

// The share of the pixels that differ between two pictures of one rectangle.
double changed_share(const std::vector<unsigned long>& before, const std::vector<unsigned long>& after) {
    if (before.empty() || before.size() != after.size()) return 0.0;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            const int a = static_cast<int>((before[i] >> shift) & 0xFF);
            const int b = static_cast<int>((after[i] >> shift) & 0xFF);
            if (std::abs(a - b) > 24) {
                ++changed;
                break;
            }
        }
    }
    return static_cast<double>(changed) / static_cast<double>(before.size());
}

// The briefing (the demo's "briefing_scr"): the title, the side roll and its preview, the join button.
constexpr int kTitle[4] = {380, 80, 240, 45};
constexpr int kSideRoll[2] = {300, 215};
constexpr int kPreview[4] = {620, 180, 300, 400};
constexpr int kJoinButton[2] = {280, 845};
// The game screen: the health, steadiness and stamina bars and the clock's counters.
constexpr int kBars[4] = {20, 865, 140, 95};
constexpr int kClock[4] = {450, 20, 100, 28};
// The game screen's message panel with its first line, which stands on the panel's top edge.
constexpr int kPanel[4] = {40, 590, 480, 290};
// The world through a soldier's eyes, clear of the HUD: below the clock and the round's messages,
// above the bars and the weapon box.
constexpr int kView[4] = {150, 200, 700, 600};
// The lower half of the screen, down to the bars: the floor and what stands on it, never the sky.
constexpr int kBelowHorizon[4] = {0, 500, 1000, 350};
// The quit screen's last button ends the program.
constexpr int kQuitButton[2] = {500, 565};

// Takes the blue side in the briefing and joins; true once the session has the player in a team.
bool join_blue_side(player& p, const temp_folder& folder, int id) {
    // The client shows the main menu, whose title is gold too, until the level is up.
    const auto level_up = [&] {
        const std::string log = p.log();
        const std::size_t load = log.find("Loading package 'depot'");
        return load != std::string::npos &&
               log.find("View `default' activated.\n", load) != std::string::npos;
    };
    if (!wait_until(level_up)) {
        ADD_FAILURE() << p.nick() << ": the level never came up";
        return false;
    }
    if (!p.wait_for_pixels(kTitle[0], kTitle[1], kTitle[2], kTitle[3], 0.03, gold)) {
        ADD_FAILURE() << p.nick() << ": no briefing title";
        return false;
    }
    // The side roll starts at "no side": a click steps it to blue, whose soldier the preview shows.
    // A click the screen missed is repeated; one too many goes round the sides to blue again. The waits
    // are long for a loaded machine (a sanitizer build's client draws a few frames a second).
    const auto blue_preview = [&] {
        return p.share(kPreview[0], kPreview[1], kPreview[2], kPreview[3], blue) > 0.04;
    };
    for (int i = 0; i < 8 && !blue_preview(); ++i) {
        p.click_at(kSideRoll[0], kSideRoll[1]);
        wait_until(blue_preview, 6000);
    }
    if (!blue_preview()) {
        ADD_FAILURE() << p.nick() << ": the preview never showed the blue side";
        return false;
    }
    EXPECT_LT(p.share(kPreview[0], kPreview[1], kPreview[2], kPreview[3], red), 0.01);
    const std::string joined = "PLR " + std::to_string(id) + " JOINED ";
    for (int i = 0; i < 5 && session_log(folder).find(joined) == std::string::npos; ++i) {
        p.click_at(kJoinButton[0], kJoinButton[1]);
        wait_until([&] { return session_log(folder).find(joined) != std::string::npos; }, 10000);
    }
    return session_log(folder).find(joined) != std::string::npos;
}

TEST(DedicatedGame, TwoPlayersAndABotOnTheDepotFromJoinToShutdown) {
    // The programs' environment: the sanitizer build's suppressions, and OpenAL Soft's null output
    // (no sound card).
    scoped_env leaks("LSAN_OPTIONS", child_leak_options());
    scoped_env sound("ALSOFT_DRIVERS", "null");
    temp_folder folder;
    ASSERT_TRUE(tools::write_demo_data(folder.file("data")));
    std::filesystem::create_directories(folder.file("server/write"));
    std::filesystem::copy(KV_SAMPLE_BOT_DIR, folder.file("server/bot"));
    folder.write("server/write/mp.cfg",
                 "set server-name:\"End To End\"\nset net-mode:lan\nset server-port:0\n"
                 "set respawn-time:3\nset bots-setup:0000 1000 0000\nset pkg-name:depot\nstart\n");
    std::unique_ptr<child_process> server;
    {
        scoped_display_env no_display("");
        server = std::make_unique<child_process>(
            KV_BINARY_PATH,
            std::vector<std::string>{"--dedicated=yes", "--base-dir=" + folder.file("data") + "/",
                                     "--write-dir=" + folder.file("server/write") + "/"},
            folder.file("server"));
    }
    ASSERT_TRUE(server->started());
    const auto server_log = [&] { return folder.read("server/kv.log"); };
    ASSERT_TRUE(wait_until([&] { return game_server_port(server_log()) > 0; })) << server_log();
    const int port = game_server_port(server_log());
    // The bot logs in once the level is up, and the sample module drives it.
    ASSERT_TRUE(wait_until([&] { return server_log().find("kvbot: bot ") != std::string::npos; })) << server_log();
    const std::string attached = server_log();
    const std::size_t bot_line = attached.find("kvbot: bot ");
    EXPECT_TRUE(bot_line != std::string::npos &&
                number_between(attached.substr(bot_line), " attached to player ", "\n") > 0)
        << server_log();
    EXPECT_NE(session_log(folder).find("BOT "), std::string::npos) << session_log(folder);

    player ann(folder, "Ann", port);
    player bob(folder, "Bob", port);
    if (!ann.started() || !bob.started()) GTEST_SKIP() << "Xvfb or the program cannot start here";
    ASSERT_TRUE(wait_until([&] { return session_id(session_log(folder), "Ann") > 0; })) << session_log(folder);
    ASSERT_TRUE(wait_until([&] { return session_id(session_log(folder), "Bob") > 0; })) << session_log(folder);
    const int ann_id = session_id(session_log(folder), "Ann");
    const int bob_id = session_id(session_log(folder), "Bob");

    // Each reaches the level's briefing, takes the blue side and joins.
    ASSERT_TRUE(join_blue_side(ann, folder, ann_id)) << ann.log() << session_log(folder);
    ASSERT_TRUE(join_blue_side(bob, folder, bob_id)) << bob.log() << session_log(folder);

    // The game screen's HUD: the bars and the clock.
    for (player* p : {&ann, &bob}) {
        EXPECT_TRUE(p->wait_for_pixels(kBars[0], kBars[1], kBars[2], kBars[3], 0.15, bar_green)) << p->nick();
        EXPECT_TRUE(p->wait_for_pixels(kClock[0], kClock[1], kClock[2], kClock[3], 0.04, white)) << p->nick();
    }
    // The round starts (the bot holds the other side) and both soldiers spawn in each one's world: the
    // one who joined after the start at the next respawn.
    EXPECT_TRUE(wait_until([&] { return session_log(folder).find("RND START\n") != std::string::npos; }))
        << session_log(folder);
    for (player* p : {&ann, &bob}) {
        for (int id : {ann_id, bob_id}) {
            const std::string spawned = "kvgame: Player pid" + std::to_string(id) + " (re)spawned\n";
            EXPECT_TRUE(wait_until([&] { return p->logged(spawned); })) << p->nick() << " " << spawned << p->log();
        }
    }

    // Each sees the level from his soldier's eyes, and it changes as he walks up to what stands ahead.
    // Each walks on until it does: a soldier stands still through a frame that stalled, and a loaded
    // client has many.
    for (player* p : {&ann, &bob}) {
        EXPECT_TRUE(wait_until([&] {
            return p->share(kBelowHorizon[0], kBelowHorizon[1], kBelowHorizon[2], kBelowHorizon[3], sky) <
                   0.02;
        })) << p->nick();
        const std::vector<unsigned long> view = p->pixels(kView[0], kView[1], kView[2], kView[3]);
        const auto view_changed = [&] {
            return changed_share(view, p->pixels(kView[0], kView[1], kView[2], kView[3])) > 0.2;
        };
        for (int step = 0; step < 20 && !view_changed(); ++step) p->input().hold_key(XK_w, 1000);
        EXPECT_TRUE(view_changed()) << p->nick();
    }
    // Each sees the other player and the bot move: their records' places change.
    const int bot = bot_id(session_log(folder));
    EXPECT_GT(bot, 0) << session_log(folder);
    for (const auto& [p, other] : {std::pair{&ann, bob_id}, std::pair{&bob, ann_id}}) {
        for (int id : {other, bot}) {
            EXPECT_TRUE(wait_until([&] { return record_moved(p->log(), id); }))
                << p->nick() << " pid" << id << ": " << record_places(p->log(), id).size() << " places";
        }
    }

    // Bob opens the message panel (comhud key), which holds what has been said so far.
    bob.input().press_key(XK_F5);
    const auto panel_text = [&] { return bob.share(kPanel[0], kPanel[1], kPanel[2], kPanel[3], pale); };
    ASSERT_TRUE(wait_until([&] { return panel_text() > 0.0; })) << bob.log();
    pause_ms(1000);
    const double panel_before = panel_text();

    // A chat line of Ann's reaches the session and Bob.
    ann.input().press_key(XK_F6);
    pause_ms(300);
    ann.input().type("hello bob");
    ann.input().press_key(XK_Return);
    const std::string said = "MSG ALL " + std::to_string(ann_id) + " \"hello bob\"";
    EXPECT_TRUE(wait_until([&] { return session_log(folder).find(said) != std::string::npos; }))
        << session_log(folder);
    // Bob's panel gains the line "(Ann) hello bob".
    EXPECT_TRUE(wait_until([&] { return panel_text() > panel_before + 0.002; })) << panel_before;

    // Ann quits from the quit screen; the session sees her leave.
    ann.input().press_key(XK_Escape);
    pause_ms(500);
    ann.click_at(kQuitButton[0], kQuitButton[1]);
    const std::optional<int> ann_status = ann.process().wait(kWaitMs);
    ASSERT_TRUE(ann_status.has_value()) << ann.log();
    EXPECT_EQ(*ann_status, 0) << ann.log();
    const std::string left = "PLR " + std::to_string(ann_id) + " LEFT\n";
    EXPECT_TRUE(wait_until([&] { return session_log(folder).find(left) != std::string::npos; }))
        << session_log(folder);

    // SIGTERM ends the rest.
    bob.process().signal(SIGTERM);
    server->signal(SIGTERM);
    const std::optional<int> bob_status = bob.process().wait(kWaitMs);
    const std::optional<int> server_status = server->wait(kWaitMs);
    ASSERT_TRUE(bob_status.has_value());
    ASSERT_TRUE(server_status.has_value());
    EXPECT_EQ(*bob_status, 0) << bob.log();
    EXPECT_EQ(*server_status, 0) << server_log();
    for (const std::string& log : {ann.log(), bob.log(), server_log()}) {
        EXPECT_TRUE(ends_with(log, "Shutdown procedure completed.\n")) << log;
        // The demo's packages and what a round makes of them (the goal's item among it) all resolve.
        EXPECT_EQ(log.find("couldn't be resolved"), std::string::npos) << log;
    }
}

}  // namespace
}  // namespace kv
