#include "platform/media_pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/window.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_display.h"
#include "tools/movie_writer.h"

namespace kv {
namespace {

// Takes events until one with `code` comes or the time is up; frees every event it takes.
bool wait_for_event(graph_events& events, int32_t code, int timeout_ms, int* taken = nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        graph_event event;
        while (events.get_event(event)) {
            const bool found = event.code == code;
            if (taken != nullptr) ++*taken;
            events.free_event(event);
            EXPECT_EQ(event.message, nullptr) << "freed events are emptied";
            if (found) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The real pipeline, drawing into an SDL window on a test Xvfb.
class MediaPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display_.ok());
        window_ = sys_window::create("media", 64, 48);
        ASSERT_TRUE(window_);
        ASSERT_NE(window_->native_handle(), 0u);
        spec_.frame_count = 5;  // half a second
        movie_ = folder_.file("short movie.avi");
        ASSERT_TRUE(tools::write_movie(movie_, spec_));
    }

    std::unique_ptr<media_graph> make_graph() {
        std::unique_ptr<media_graph> graph = sys_media_graph_create();
        EXPECT_TRUE(graph);
        if (graph) graph->events()->set_notify_window(window_->native_handle());
        return graph;
    }

    x_display display_;
    scoped_display_env env_{display_.name()};
    std::unique_ptr<sys_window> window_;
    temp_folder folder_;
    tools::movie_desc spec_;
    std::string movie_;
};

TEST_F(MediaPipelineTest, AMoviePlaysToItsEndAndAgainAfterARewind) {
    std::unique_ptr<media_graph> graph = make_graph();
    ASSERT_TRUE(graph);
    std::shared_ptr<graph_control> control = graph->control();
    std::shared_ptr<graph_events> events = graph->events();
    std::shared_ptr<graph_video_window> video = graph->video_window();
    ASSERT_TRUE(graph->render_file(movie_));
    EXPECT_TRUE(video->set_message_drain(window_->native_handle()));
    EXPECT_FALSE(video->set_message_drain(0));
    EXPECT_TRUE(window_->show_full_screen());
    EXPECT_TRUE(video->set_full_screen(true));

    ASSERT_TRUE(control->run());
    int taken = 0;
    EXPECT_TRUE(wait_for_event(*events, kGraphEventComplete, 10000, &taken));
    EXPECT_EQ(taken, 1) << "only the end of the movie is news to the owner";

    EXPECT_TRUE(control->rewind());
    EXPECT_TRUE(control->run());
    EXPECT_TRUE(wait_for_event(*events, kGraphEventComplete, 10000));

    // The graph goes first; its interfaces keep the pipeline until the last of them is released.
    graph.reset();
    EXPECT_TRUE(control->stop());
    EXPECT_TRUE(control->run());
    EXPECT_TRUE(wait_for_event(*events, kGraphEventComplete, 10000))
        << "a stopped pipeline plays from the start";
}

TEST_F(MediaPipelineTest, FilesThatDoNotRenderAreRefused) {
    std::mt19937 random(7);
    std::string noise(32 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const std::string files[] = {folder_.file("missing.avi"), folder_.write("noise.avi", noise),
                                 folder_.write("empty.avi", ""), folder_.path().string()};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::unique_ptr<media_graph> graph = make_graph();
        ASSERT_TRUE(graph);
        EXPECT_FALSE(graph->render_file(file));
    }
}

}  // namespace
}  // namespace kv
