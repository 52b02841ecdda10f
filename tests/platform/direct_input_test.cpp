#include "platform/direct_input.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <set>
#include <vector>

#include "kernel/option_registry.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/support/x_display.h"
#include "ui/input/input.h"
#include "ui/input/key_names.h"

namespace kv {
namespace {

// Every DirectInput constant of the key-code table comes from one SDL scancode.
TEST(DirectInputTable, EveryKeyOfTheLayerHasItsScancode) {
    int count = 0;
    const di_scancode_pair* table = di_scancode_table(&count);
    std::set<uint32_t> constants;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(constants.insert(table[i].dik).second) << "constant " << table[i].dik;
        EXPECT_EQ(di_key_constant(table[i].sdl_scancode), table[i].dik);
    }
    for (int i = 0; i < kDirectInputKeyCount; ++i) {
        EXPECT_EQ(constants.count(direct_input_key_table()[i].from), 1u)
            << "constant " << direct_input_key_table()[i].from;
    }
    EXPECT_EQ(di_key_constant(SDL_SCANCODE_UP), 0xC8u);
    EXPECT_EQ(di_key_constant(SDL_SCANCODE_KP_8), 0x48u);
    EXPECT_EQ(di_key_constant(SDL_SCANCODE_RALT), 0xB8u);
    EXPECT_EQ(di_key_constant(SDL_SCANCODE_MUTE), 0u);
    EXPECT_EQ(di_key_constant(-1), 0u);
}

class DirectInputSdl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display_.ok());
        std::string error;
        window_ = sys_gl_window_create("direct input test", 320, 240, false, &error);
        ASSERT_NE(window_, nullptr) << error;
        sys_set_main_window(window_);
        di_use_fake_backend(false);
        option_registry_add_string(options_, "fullscreen", &fullscreen_);
    }
    void TearDown() override {
        input_close_dinput(in_);
        sys_set_main_window(nullptr);
        if (window_) sys_gl_window_destroy(window_);
    }

    void open(bool full_screen) {
        fullscreen_ = full_screen ? "true" : "false";
        input_select_driver(in_, kInputDriverDirectInput);
        input_open(in_, options_);
        ASSERT_EQ(in_.driver_kind, kInputDriverDirectInput);
    }
    void push_key(Uint32 type, SDL_Scancode scancode, bool repeat = false) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = sys_gl_window_id(window_);
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = scancode;
        e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        e.key.repeat = repeat ? 1 : 0;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    std::vector<int32_t> read_all() {
        std::vector<int32_t> events;
        while (input_has_key_event(in_)) {
            if (const int32_t event = input_read_key(in_)) events.push_back(event);
        }
        return events;
    }

    x_display display_;
    scoped_display_env env_{display_.name()};
    sys_gl_window* window_ = nullptr;
    input in_;
    option_registry options_;
    std::string fullscreen_;
};

TEST_F(DirectInputSdl, RealEventsComeBackAsKeyCodesAndMouseState) {
    open(false);
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
    // A held key repeats on SDL; the device gives one press.
    push_key(SDL_KEYDOWN, SDL_SCANCODE_W);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_W, true);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_W, true);
    push_key(SDL_KEYUP, SDL_SCANCODE_W);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_KP_8);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_CAPSLOCK);  // no key code

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = sys_gl_window_id(window_);
    motion.motion.xrel = 12;
    motion.motion.yrel = -5;
    ASSERT_EQ(SDL_PushEvent(&motion), 1);
    ASSERT_EQ(SDL_PushEvent(&motion), 1);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = sys_gl_window_id(window_);
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.state = SDL_PRESSED;
    ASSERT_EQ(SDL_PushEvent(&button), 1);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = sys_gl_window_id(window_);
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);

    sys_pump_messages();
    int32_t dx = 0, dy = 0;
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 24);
    EXPECT_EQ(dy, -10);
    EXPECT_TRUE(input_wheel_up(in_));
    EXPECT_EQ(in_.dinput->mouse_state.z, 120);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{178, 'w', -'w', 168}));

    // Unacquired devices keep nothing.
    input_unacquire(in_);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_A);
    ASSERT_EQ(SDL_PushEvent(&motion), 1);
    sys_pump_messages();
    input_acquire(in_);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{-178}));  // the held button was dropped with the state
}

TEST_F(DirectInputSdl, TheFullScreenKeyboardTakesTheMouseWhileAcquired) {
    open(true);
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    input_unacquire(in_);
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
    input_acquire(in_);
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    input_close_dinput(in_);
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
}

}  // namespace
}  // namespace kv
