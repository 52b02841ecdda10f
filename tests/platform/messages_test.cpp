#include "platform/messages.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace kv {
namespace {

std::vector<sys_event> pump_and_collect() {
    std::vector<sys_event> seen;
    sys_set_event_handler([&seen](const sys_event& e) { seen.push_back(e); });
    sys_pump_messages();
    sys_set_event_handler({});
    return seen;
}

SDL_Event window_event(Uint8 what, Uint32 window_id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.windowID = window_id;
    return e;
}

SDL_Event key_event(Uint32 type, SDL_Scancode scancode, SDL_Keycode keycode, Uint8 repeat) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = 3;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    e.key.repeat = repeat;
    return e;
}

TEST(Messages, WithoutVideoTheQueueIsLeftAlone) {
    // A dedicated server: no video, nothing to pump, nothing may crash.
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_TRUE(pump_and_collect().empty());

    // Even a queue that holds events is not drained without video.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_TRUE(pump_and_collect().empty());
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 1);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    SDL_Quit();
}

class MessagesVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        sys_set_event_handler({});
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        unsetenv("SDL_VIDEODRIVER");
    }
    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
};

TEST_F(MessagesVideoTest, EveryEventReachesTheHandlerInOrder) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = 3;
    std::strcpy(text.text.text, "\xC3\xA9t\xC3\xA9");
    SDL_Event user{};
    user.type = SDL_RegisterEvents(1);

    push(window_event(SDL_WINDOWEVENT_FOCUS_GAINED, 3));
    push(key_event(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0));
    push(key_event(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 1));
    push(text);
    push(key_event(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0));
    push(window_event(SDL_WINDOWEVENT_FOCUS_LOST, 3));
    push(window_event(SDL_WINDOWEVENT_MOVED, 3));
    push(user);
    push(window_event(SDL_WINDOWEVENT_CLOSE, 3));
    push(quit);

    const struct {
        sys_event_kind kind;
        uint32_t window_id;
        int32_t scancode;
        int32_t keycode;
        bool repeat;
        const char* text;
    } expected[] = {
        {sys_event_kind::focus_gained, 3, 0, 0, false, ""},
        {sys_event_kind::key_down, 3, SDL_SCANCODE_A, SDLK_a, false, ""},
        {sys_event_kind::key_down, 3, SDL_SCANCODE_A, SDLK_a, true, ""},
        {sys_event_kind::text, 3, 0, 0, false, "\xC3\xA9t\xC3\xA9"},
        {sys_event_kind::key_up, 3, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, false, ""},
        {sys_event_kind::focus_lost, 3, 0, 0, false, ""},
        {sys_event_kind::other, 3, 0, 0, false, ""},
        {sys_event_kind::other, 0, 0, 0, false, ""},
        {sys_event_kind::close, 3, 0, 0, false, ""},
        {sys_event_kind::quit, 0, 0, 0, false, ""},
    };
    const std::vector<sys_event> seen = pump_and_collect();
    ASSERT_EQ(seen.size(), std::size(expected));
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].kind, expected[i].kind) << i;
        EXPECT_EQ(seen[i].window_id, expected[i].window_id) << i;
        EXPECT_EQ(seen[i].scancode, expected[i].scancode) << i;
        EXPECT_EQ(seen[i].keycode, expected[i].keycode) << i;
        EXPECT_EQ(seen[i].repeat, expected[i].repeat) << i;
        EXPECT_EQ(seen[i].text, expected[i].text) << i;
    }
    EXPECT_TRUE(pump_and_collect().empty()) << "the queue is drained";
}

TEST_F(MessagesVideoTest, WithoutAHandlerEventsAreDropped) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    sys_pump_messages();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

TEST_F(MessagesVideoTest, AHandlerMayReplaceItselfWhileHandling) {
    std::vector<sys_event_kind> first, second;
    sys_set_event_handler([&first, &second](const sys_event& e) {
        sys_set_event_handler([&second](const sys_event& later) { second.push_back(later.kind); });
        // Still running after the replacement: its captures must be intact.
        first.push_back(e.kind);
    });
    push(window_event(SDL_WINDOWEVENT_FOCUS_GAINED, 1));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    sys_pump_messages();
    EXPECT_EQ(first, std::vector<sys_event_kind>{sys_event_kind::focus_gained});
    EXPECT_EQ(second, std::vector<sys_event_kind>{sys_event_kind::quit});
}

// A window's owner gets its close, focus and key events; keys go on to the general handler too,
// and other windows' events only there. Keys carry their virtual-key code.
TEST_F(MessagesVideoTest, AWindowsOwnerGetsItsCloseFocusAndKeys) {
    std::vector<std::pair<sys_event_kind, uint32_t>> owner, general;
    sys_set_window_owner(3, [&owner](const sys_event& e) { owner.push_back({e.kind, e.virtual_key}); });
    sys_set_event_handler([&general](const sys_event& e) { general.push_back({e.kind, e.virtual_key}); });
    push(window_event(SDL_WINDOWEVENT_FOCUS_GAINED, 3));
    push(key_event(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0));
    push(key_event(SDL_KEYUP, SDL_SCANCODE_F10, SDLK_F10, 0));
    push(key_event(SDL_KEYDOWN, SDL_SCANCODE_KP_1, SDLK_KP_1, 0));
    push(window_event(SDL_WINDOWEVENT_CLOSE, 3));
    push(window_event(SDL_WINDOWEVENT_CLOSE, 4));
    sys_pump_messages();
    sys_set_window_owner(3, {});
    sys_set_event_handler({});
    using seen = std::vector<std::pair<sys_event_kind, uint32_t>>;
    EXPECT_EQ(owner, (seen{{sys_event_kind::focus_gained, 0},
                           {sys_event_kind::key_down, 'A'},
                           {sys_event_kind::key_up, 0x79},
                           {sys_event_kind::key_down, 0},
                           {sys_event_kind::close, 0}}));
    EXPECT_EQ(general, (seen{{sys_event_kind::key_down, 'A'},
                             {sys_event_kind::key_up, 0x79},
                             {sys_event_kind::key_down, 0},
                             {sys_event_kind::close, 0}}));
}

}  // namespace
}  // namespace kv
