#include "platform/window.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

namespace kv {
namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
    void TearDown() override {
        SDL_Quit();
        unsetenv("SDL_VIDEODRIVER");
    }
};

TEST_F(WindowTest, AnEmptyWindowIsOnePixelAndFullScreenCoversItsDisplay) {
    std::unique_ptr<sys_window> window = sys_window::create("Korvane DirectShow Player", 0, 0);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width(), 1);
    EXPECT_EQ(window->height(), 1);
    SDL_Window* sdl = SDL_GetWindowFromID(window->id());
    ASSERT_NE(sdl, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Korvane DirectShow Player");
    EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN, 0u) << "nothing shows before it is asked to";

    ASSERT_TRUE(window->show_full_screen());
    SDL_Rect bounds;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
    EXPECT_EQ(window->width(), bounds.w);
    EXPECT_EQ(window->height(), bounds.h);
    EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN, 0u);
    EXPECT_EQ(window->native_handle(), 0u) << "the dummy driver has no window system";
}

TEST_F(WindowTest, VideoStopsWithTheLastWindowAndAMissingDriverFailsWithAReason) {
    {
        std::unique_ptr<sys_window> first = sys_window::create("one", 10, 10);
        std::unique_ptr<sys_window> second = sys_window::create("two", 10, 10);
        ASSERT_TRUE(first && second);
        EXPECT_NE(first->id(), second->id());
        first.reset();
        EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);

    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    std::string error;
    EXPECT_FALSE(sys_window::create("none", 10, 10, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kv
