// The real `kvplayer` on its own Xvfb, playing movies written by the project's movie writer.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sanitizer_options.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/movie_writer.h"

namespace kv {
namespace {

using clock_type = std::chrono::steady_clock;

constexpr int kColourTolerance = 40;
// Most of the screen: a 4:3 movie on the 4:3 screen fills it, less the moving bar.
constexpr double kFullScreenShare = 0.75;
// Generous for a loaded machine and the sanitizer build; the benchmark measures the real time.
constexpr int kPictureTimeoutMs = 15000;

screen_colour colour_of(const tools::movie_colour& c) {
    return {c.r, c.g, c.b};
}

long ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

class KvplayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        display_ = new x_display(640, 480);
        // The players of the sanitizer build skip what the desktop libraries keep until exit.
        setenv("LSAN_OPTIONS", child_leak_options().c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(display_->ok()) << "Xvfb did not start"; }

    // Writes a movie of `seconds` into the folder as `name`.
    std::string write_movie(const std::string& name, int seconds) {
        spec_.frame_count = seconds * spec_.frames_per_second;
        const std::string path = folder_.file(name);
        EXPECT_TRUE(tools::write_movie(path, spec_));
        return path;
    }

    // Waits until the movie's picture covers most of the columns [x, x + width) of the screen; the
    // time it took, or -1.
    long wait_for_picture(const x_display& display, child_process& player, int x, int width) {
        const auto start = clock_type::now();
        while (ms_since(start) < kPictureTimeoutMs) {
            if (display.share_of_colour(colour_of(spec_.background), kColourTolerance, x, width) >=
                kFullScreenShare) {
                return ms_since(start);
            }
            if (player.wait(0)) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    long wait_for_picture(child_process& player) {
        return wait_for_picture(*display_, player, 0, display_->width());
    }

    std::string error_text() const { return folder_.read("stderr"); }

    static x_display* display_;
    temp_folder folder_;
    tools::movie_desc spec_;
};

x_display* KvplayerTest::display_ = nullptr;

TEST_F(KvplayerTest, PlaysTheMovieFullScreenAndExitsZeroAtItsEnd) {
    constexpr int kSeconds = 2;
    write_movie("intro.avi", kSeconds);
    scoped_display_env env(display_->name());
    const auto start = clock_type::now();
    child_process player(KV_PLAYER_PATH, {"intro.avi"}, folder_.path().string());
    ASSERT_TRUE(player.started());

    EXPECT_GE(wait_for_picture(player), 0) << "the movie never covered the screen";
    EXPECT_TRUE(display_->has_window_titled("Korvane DirectShow Player"));
    EXPECT_EQ(player.wait(kSeconds * 1000 + 10000), 0) << error_text();
    const long took = ms_since(start);
    EXPECT_GE(took, kSeconds * 1000 - 300) << "it quit before the movie had played";
    EXPECT_EQ(error_text(), "");
    EXPECT_LT(display_->share_of_colour(colour_of(spec_.background), kColourTolerance), 0.01)
        << "the window is gone";
}

TEST_F(KvplayerTest, OnAWideScreenThePictureKeepsItsAspectBetweenBlackBars) {
    x_display wide(800, 480);
    ASSERT_TRUE(wide.ok());
    write_movie("intro.avi", 20);
    scoped_display_env env(wide.name());
    child_process player(KV_PLAYER_PATH, {"intro.avi"}, folder_.path().string());
    // The 4:3 picture is 640 x 480 in the middle of the screen, with bars of 80 columns each side.
    const screen_colour picture = colour_of(spec_.background);
    ASSERT_GE(wait_for_picture(wide, player, 100, 600), 0) << error_text();
    EXPECT_GT(wide.share_of_colour({0, 0, 0}, 8, 0, 76), 0.99);
    EXPECT_GT(wide.share_of_colour({0, 0, 0}, 8, 724, 76), 0.99);
    EXPECT_LT(wide.share_of_colour(picture, kColourTolerance), 0.8 + 0.01);
    ASSERT_TRUE(wide.press_key(XK_Escape));
    EXPECT_EQ(player.wait(5000), 0) << error_text();
}

TEST_F(KvplayerTest, AKeyQuitsAtOnceWithZero) {
    write_movie("intro.avi", 20);
    scoped_display_env env(display_->name());
    child_process player(KV_PLAYER_PATH, {"intro.avi"}, folder_.path().string());
    ASSERT_GE(wait_for_picture(player), 0) << error_text();
    const auto pressed = clock_type::now();
    ASSERT_TRUE(display_->press_key(XK_space));
    EXPECT_EQ(player.wait(5000), 0) << error_text();
    EXPECT_LT(ms_since(pressed), 5000);
}

TEST_F(KvplayerTest, ANameOfTwoWordsPlaysAsOne) {
    write_movie("my intro.avi", 1);
    scoped_display_env env(display_->name());
    child_process player(KV_PLAYER_PATH, {"my", "intro.avi"}, folder_.path().string());
    EXPECT_GE(wait_for_picture(player), 0) << error_text();
    EXPECT_EQ(player.wait(10000), 0) << error_text();
}

TEST_F(KvplayerTest, AFileThatCannotPlayExitsOneAtOnceWithOneLine) {
    std::mt19937 random(49);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    folder_.write("noise.avi", noise);
    write_movie("intro.avi", 1);

    const struct {
        std::string name;
        bool with_display;
    } cases[] = {
        {"missing.avi", true},
        {"noise.avi", true},
        {"intro.avi", false},  // a good movie, but no display to show it on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scoped_display_env env(c.with_display ? display_->name() : "");
        const auto start = clock_type::now();
        child_process player(KV_PLAYER_PATH, {c.name}, folder_.path().string());
        bool covered = false;
        std::optional<int> status;
        while (!(status = player.wait(0)) && ms_since(start) < 5000) {
            covered = covered || display_->share_of_colour({0, 0, 0}, 0) < 0.99;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(status, 1);
        EXPECT_LT(ms_since(start), 5000);
        EXPECT_FALSE(covered) << "something was shown";
        EXPECT_EQ(error_text(), "kvplayer: cannot play `" + c.name + "'\n");
    }
}

}  // namespace
}  // namespace kv
