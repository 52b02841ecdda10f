#include "player/movie_player.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kv {
namespace {

using call_log = std::vector<std::string>;

// A media graph that plays nothing: it records what the player asks of it and hands out the events
// a test queued.
struct fake_media {
    call_log log;
    bool render_ok = true;
    bool run_ok = true;
    std::deque<graph_event> events;
    int events_taken = 0;
    std::vector<intptr_t> freed;  // which events were freed, by their number
};

class fake_control : public graph_control {
public:
    explicit fake_control(fake_media& m) : m_(m) {}
    ~fake_control() override { m_.log.push_back("release media control"); }
    bool run() override {
        m_.log.push_back("run");
        return m_.run_ok;
    }
    bool stop() override {
        m_.log.push_back("stop");
        return true;
    }
    bool rewind() override { return true; }

private:
    fake_media& m_;
};

class fake_events : public graph_events {
public:
    explicit fake_events(fake_media& m) : m_(m) {}
    ~fake_events() override { m_.log.push_back("release media event"); }
    void set_notify_window(uintptr_t) override { m_.log.push_back("notify window"); }
    bool get_event(graph_event& out) override {
        if (m_.events.empty()) return false;
        out = m_.events.front();
        out.message = reinterpret_cast<void*>(static_cast<intptr_t>(++m_.events_taken));
        m_.events.pop_front();
        return true;
    }
    void free_event(graph_event& event) override {
        m_.freed.push_back(reinterpret_cast<intptr_t>(event.message));
        event = graph_event{};
    }

private:
    fake_media& m_;
};

class fake_video_window : public graph_video_window {
public:
    explicit fake_video_window(fake_media& m) : m_(m) {}
    ~fake_video_window() override { m_.log.push_back("release video window"); }
    bool set_message_drain(uintptr_t) override {
        m_.log.push_back("message drain");
        return true;
    }
    bool set_full_screen(bool on) override {
        m_.log.push_back(on ? "full screen" : "windowed");
        return true;
    }

private:
    fake_media& m_;
};

class fake_graph : public media_graph {
public:
    explicit fake_graph(fake_media& m) : m_(m) {}
    ~fake_graph() override { m_.log.push_back("release graph builder"); }
    bool render_file(const std::string& name) override {
        m_.log.push_back("render " + name);
        return m_.render_ok;
    }
    std::shared_ptr<graph_control> control() override { return std::make_shared<fake_control>(m_); }
    std::shared_ptr<graph_events> events() override { return std::make_shared<fake_events>(m_); }
    std::shared_ptr<graph_video_window> video_window() override {
        return std::make_shared<fake_video_window>(m_);
    }

private:
    fake_media& m_;
};

graph_event event_of(int32_t code) {
    graph_event e;
    e.code = code;
    return e;
}

bool contains(const call_log& log, const std::string& call) {
    return std::find(log.begin(), log.end(), call) != log.end();
}

std::ptrdiff_t position(const call_log& log, const std::string& call) {
    return std::find(log.begin(), log.end(), call) - log.begin();
}

// The player on SDL's dummy video driver, with a fake graph and a task bar that records.
class MoviePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        player.create_graph = [this]() -> std::unique_ptr<media_graph> {
            if (!graph_available) return nullptr;
            return std::make_unique<fake_graph>(media);
        };
        player.task_bar.hide = [this] { media.log.push_back("hide task bar"); };
        player.task_bar.show = [this] { media.log.push_back("show task bar"); };
    }
    void TearDown() override {
        movie_release(player);
        SDL_Quit();
        unsetenv("SDL_VIDEODRIVER");
    }
    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

    fake_media media;
    bool graph_available = true;
    movie_player player;
};

TEST_F(MoviePlayerTest, TheEndOfTheMovieStopsShowsTheTaskBarAndQuitsWithZero) {
    media.events = {event_of(2), event_of(kGraphEventComplete)};
    EXPECT_EQ(movie_main(player, "intro.avi"), 0);

    const call_log& log = media.log;
    EXPECT_EQ(std::count(log.begin(), log.end(), "render intro.avi"), 1);
    ASSERT_LT(position(log, "hide task bar"), position(log, "full screen"));
    ASSERT_LT(position(log, "full screen"), position(log, "run"));
    // The end: stop, task bar back, then the release, which stops once more before anything goes.
    const call_log tail(log.end() - 7, log.end());
    EXPECT_EQ(tail, (call_log{"stop", "show task bar", "stop", "release video window",
                              "release media control", "release media event", "release graph builder"}));
    EXPECT_EQ(media.freed, (std::vector<intptr_t>{1, 2}));
    EXPECT_FALSE(player.window) << "the window is closed with the graph";
}

TEST_F(MoviePlayerTest, EveryQueuedEventIsTakenAndFreedOnce) {
    ASSERT_TRUE(movie_open(player, "intro.avi"));
    media.events = {event_of(13), event_of(14), event_of(2), event_of(13), event_of(0)};
    movie_wnd_proc(player, movie_message::notify);
    EXPECT_TRUE(media.events.empty());
    EXPECT_EQ(media.freed, (std::vector<intptr_t>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(player.quit_posted) << "only the end of the movie or an error ends the run";

    // Nothing queued: nothing taken, nothing freed.
    movie_drain_events(player);
    EXPECT_EQ(media.freed.size(), 5u);

    // The end of the movie in the middle of a batch: the rest is still drained.
    media.events = {event_of(kGraphEventComplete), event_of(13)};
    movie_drain_events(player);
    EXPECT_EQ(media.freed, (std::vector<intptr_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(player.quit_posted);
    EXPECT_EQ(player.exit_code, 0);
}

TEST_F(MoviePlayerTest, AStreamErrorEndsTheRunLikeTheEndWithStatusOne) {
    graph_event error = event_of(kGraphEventErrorAbort);
    error.text = "Internal data stream error.";
    media.events = {error, event_of(kGraphEventComplete)};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(movie_main(player, "intro.avi"), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "kvplayer: error while playing `intro.avi': Internal data stream error.\n");
    EXPECT_LT(position(media.log, "stop"), position(media.log, "show task bar"));
    EXPECT_EQ(media.freed.size(), 2u);
}

TEST_F(MoviePlayerTest, AKeyTheWindowClosedOrQuitEndTheRunWithZero) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_SPACE;
    key.key.keysym.sym = SDLK_SPACE;
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const SDL_Event enders[] = {key, close, quit};
    for (const SDL_Event& ender : enders) {
        SCOPED_TRACE(ender.type);
        media = fake_media{};
        movie_player fresh;
        fresh.create_graph = player.create_graph;
        fresh.task_bar = player.task_bar;
        ASSERT_TRUE(movie_open(fresh, "intro.avi"));
        // A key release, and whatever else the window hears while it plays, change nothing.
        SDL_Event up = key;
        up.type = SDL_KEYUP;
        push(up);
        push(ender);
        EXPECT_EQ(movie_message_loop(fresh), 0);
        EXPECT_EQ(std::count(media.log.begin(), media.log.end(), "show task bar"), 1);
        EXPECT_FALSE(contains(media.log, "stop")) << "only the release stops the graph";
        movie_release(fresh);
        EXPECT_EQ(media.log.back(), "release graph builder");
    }
}

TEST_F(MoviePlayerTest, AFailureBeforeTheMoviePlaysExitsOneAndLeavesTheTaskBarShown) {
    enum class failure { no_graph, render, run };
    const struct {
        failure what;
        bool hidden;  // the task bar was hidden before the failure (and so is shown again)
    } cases[] = {{failure::no_graph, false}, {failure::render, false}, {failure::run, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.what));
        media = fake_media{};
        graph_available = c.what != failure::no_graph;
        media.render_ok = c.what != failure::render;
        media.run_ok = c.what != failure::run;
        movie_player fresh;
        fresh.create_graph = player.create_graph;
        fresh.task_bar = player.task_bar;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(movie_main(fresh, "no such.avi"), 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "kvplayer: cannot play `no such.avi'\n");
        EXPECT_EQ(contains(media.log, "hide task bar"), c.hidden);
        EXPECT_EQ(contains(media.log, "show task bar"), c.hidden);
        if (c.hidden) {
            EXPECT_LT(position(media.log, "hide task bar"), position(media.log, "show task bar"));
        }
        EXPECT_FALSE(contains(media.log, "full screen") && c.what != failure::run);
        EXPECT_FALSE(fresh.window);
        if (graph_available) {
            EXPECT_EQ(media.log.back(), "release graph builder");
        }
    }
}

TEST_F(MoviePlayerTest, ALongCommandLineReachesTheGraphCutTo255Bytes) {
    const std::string line(300, 'm');
    ASSERT_TRUE(movie_open(player, line));
    EXPECT_TRUE(contains(media.log, "render " + std::string(255, 'm')));
}

TEST(MovieCommandLine, TheWordsAreJoinedWithSingleBlanksAndCutWithoutSplittingACharacter) {
    const char* const none[] = {"kvplayer"};
    const char* const two[] = {"kvplayer", "my", "intro.avi"};
    const char* const spaced[] = {"kvplayer", "a  b", "", "c"};
    EXPECT_EQ(movie_command_line(1, none), "");
    EXPECT_EQ(movie_command_line(3, two), "my intro.avi");
    EXPECT_EQ(movie_command_line(4, spaced), "a  b  c");

    const std::string e_acute = "\xC3\xA9";       // two bytes
    const std::string euro = "\xE2\x82\xAC";      // three bytes
    const std::string clef = "\xF0\x9D\x84\x9E";  // four bytes
    const struct {
        std::string name;
        std::string cut;
    } cases[] = {
        {std::string(255, 'a'), std::string(255, 'a')},
        {std::string(256, 'a'), std::string(255, 'a')},
        {std::string(254, 'a') + e_acute, std::string(254, 'a')},
        {std::string(253, 'a') + e_acute + "b", std::string(253, 'a') + e_acute},
        {std::string(253, 'a') + euro, std::string(253, 'a')},
        {std::string(252, 'a') + euro + "b", std::string(252, 'a') + euro},
        {std::string(252, 'a') + clef, std::string(252, 'a')},
        {std::string(251, 'a') + clef + "b", std::string(251, 'a') + clef},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::string cut = movie_cut_name(c.name);
        EXPECT_EQ(cut, c.cut) << c.name.size();
        EXPECT_LE(cut.size(), kMovieNameMax);
    }
}

}  // namespace
}  // namespace kv
