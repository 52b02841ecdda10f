#include "ui/input/input.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/arty.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "gfx/drivers/gl_driver.h"
#include "platform/dll.h"
#include "tests/kernel/kernel_fixture.h"
#include "tests/support/input_fake.h"
#include "ui/input/key_names.h"

namespace kv {
namespace {

constexpr uint32_t kDikA = 0x1E;
constexpr uint32_t kDikW = 0x11;
constexpr uint32_t kDik1 = 0x02;
constexpr uint32_t kDikLShift = 0x2A;
constexpr uint32_t kDikCapital = 0x3A;

// The arty that takes key input: what the game receives.
struct key_probe : arty {
    using arty::arty;
    int32_t message(arty_message kind, uintptr_t argument) override {
        seen.push_back({kind, static_cast<int32_t>(argument)});
        return 0;
    }
    std::vector<std::pair<int32_t, int32_t>> seen;
};

class Input : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        input_register_names(in_, options_);
        di_use_fake_backend(true);
        arty_factory& factory = server_get().factory;
        description_.class_name = description_.instance_name = "probe";
        registry_entry entry;
        entry.description = &description_;
        entry.object = std::make_unique<key_probe>(factory, description_);
        probe_ = static_cast<key_probe*>(entry.object.get());
        factory.registry.entries[kProbe] = std::move(entry);
        old_target_ = factory.input_target;
        factory.input_target = kProbe;
    }
    void TearDown() override {
        input_close_dinput(in_);
        di_use_fake_backend(false);
        arty_factory& factory = server_get().factory;
        factory.input_target = old_target_;
        factory.registry.entries.erase(kProbe);
        KernelFixture::TearDown();
    }

    void open(bool full_screen = false) {
        option_registry_add_string(options_, "fullscreen", &fullscreen_);
        fullscreen_ = full_screen ? "true" : "false";
        input_select_driver(in_, kInputDriverDirectInput);
        input_open(in_, options_);
    }
    std::vector<std::pair<int32_t, int32_t>> take_seen() { return std::exchange(probe_->seen, {}); }
    // Every waiting event; the 0s (nothing, or a shift key in text entry) only when asked.
    std::vector<int32_t> read_all(bool keep_zeros = false) {
        std::vector<int32_t> events;
        while (input_has_key_event(in_)) {
            const int32_t event = input_read_key(in_);
            if (event != 0 || keep_zeros) events.push_back(event);
        }
        return events;
    }

    static constexpr arty_id kProbe = 0x7FFF0002u;
    input in_;
    option_registry options_;
    std::string fullscreen_;
    arty_description description_;
    key_probe* probe_ = nullptr;
    arty_id old_target_ = 0;
};

using seen_t = std::vector<std::pair<int32_t, int32_t>>;

TEST_F(Input, StartsOnTheDevicesAndFallsBackOnKeyboardFailures) {
    open(true);
    EXPECT_EQ(take_log(), "[DirectInput] Initialization complete.\n");
    EXPECT_EQ(in_.driver_kind, kInputDriverDirectInput);
    EXPECT_TRUE(di_device_acquired(di_device::keyboard));
    EXPECT_TRUE(di_device_acquired(di_device::mouse));

    struct failure_case {
        di_op op;
        int times;  // the keyboard's call is the first of each operation
        const char* line;
    };
    const failure_case keyboard[] = {
        {di_op::create, 1, "[DirectInput] Failed to create DirectInput instance.\n"},
        {di_op::create_device, 1, "[DirectInput] Failed to attach keyboard to DI.\n"},
        {di_op::set_data_format, 1, "[DirectInput] Failed to init keyboard data format.\n"},
        {di_op::set_cooperative_level, 1, "[DirectInput] Cannot init coop level for keyboard.\n"},
        {di_op::set_buffer_size, 1, "[DirectInput] Cannot set keyboard properties.\n"},
    };
    for (const failure_case& c : keyboard) {
        SCOPED_TRACE(c.line);
        input_select_driver(in_, kInputDriverNone);
        di_use_fake_backend(true);
        di_fake_fail(c.op, kDiErrGeneric, c.times);
        take_log();
        open();
        EXPECT_EQ(take_log(),
                  std::string(c.line) +
                      "input: DirectInput initialization failed. Trying to set up Win32 input driver ...\n");
        EXPECT_EQ(in_.driver_kind, kInputDriverWin32);
        EXPECT_FALSE(di_device_exists(di_device::keyboard));
        EXPECT_EQ(in_.dinput->library.handle, nullptr);
    }

    // The library itself.
    input_select_driver(in_, kInputDriverNone);
    di_use_fake_backend(true);
    auto failing = std::make_shared<dll_module>();
    failing->load = [](std::string& error) {
        error = "no such library";
        return false;
    };
    dll_register_module("dinput.dll", failing);
    take_log();
    open();
    dll_register_module("dinput.dll", nullptr);
    EXPECT_EQ(take_log(),
              "[DirectInput] *ERROR* Cannot load DirectInput DLL.\n"
              "input: DirectInput initialization failed. Trying to set up Win32 input driver ...\n");
    EXPECT_EQ(in_.driver_kind, kInputDriverWin32);
}

TEST_F(Input, MouseFailuresLeaveAKeyboardOnlyDriver) {
    struct failure_case {
        di_op op;
        const char* line;
    };
    const failure_case mouse[] = {
        {di_op::create_device, "[DirectInput] Failed to attach mouse to DI. Mouse will not be available.\n"},
        {di_op::set_data_format,
         "[DirectInput] Failed to init device data format. Mouse will not be available.\n"},
        {di_op::set_cooperative_level,
         "[DirectInput] Failed to set cooperative level. Mouse will not be available.\n"},
        {di_op::set_buffer_size, "[DirectInput] Cannot set mouse properties.\n"},
    };
    for (const failure_case& c : mouse) {
        SCOPED_TRACE(c.line);
        input_select_driver(in_, kInputDriverNone);
        di_use_fake_backend(true);
        di_fake_fail(c.op, kDiErrGeneric, 1, 1);
        take_log();
        open();
        EXPECT_EQ(take_log(), c.line);
        EXPECT_EQ(in_.driver_kind, kInputDriverDirectInput);
        EXPECT_FALSE(di_device_exists(di_device::mouse));
        // Keys still come; the motion stays (0, 0) and no button is reported.
        di_post_key(kDikA, true);
        di_post_mouse_motion(5, 5);
        di_post_mouse_button(0, true);
        int32_t dx = 1, dy = 1;
        input_get_mouse_motion(in_, dx, dy);
        EXPECT_EQ(dx, 0);
        EXPECT_EQ(dy, 0);
        EXPECT_EQ(read_all(), (std::vector<int32_t>{'a'}));
    }
}

TEST_F(Input, KeysBecomeOneActionAFrame) {
    input_bind_key(in_, 'w', 1);
    open();
    take_log();
    // Two keys in one frame: two frames; an unbound key goes as 0x10000 + code down and up; a key
    // no table holds gives nothing.
    di_post_key(kDikW, true);
    di_post_key(kDikA, true);
    di_post_key(kDikCapital, true);
    di_post_key(kDikA, false);
    input_poll(in_);
    EXPECT_EQ(take_seen(), (seen_t{{kArtyKeyDown, 1}}));
    input_poll(in_);
    EXPECT_EQ(take_seen(), (seen_t{{kArtyKeyDown, 0x10000 + 'a'}}));
    input_poll(in_);
    EXPECT_EQ(take_seen(), seen_t{});
    input_poll(in_);
    EXPECT_EQ(take_seen(), (seen_t{{kArtyKeyUp, 0x10000 + 'a'}}));
    input_poll(in_);
    EXPECT_EQ(take_seen(), seen_t{});

    // Text entry: nothing reaches the game; the shift keys turn the lower row into the upper one.
    input_begin_text_entry(in_);
    for (auto [dik, down] : {std::pair{kDikLShift, true},
                             {kDik1, true},
                             {kDik1, false},
                             {kDikA, true},
                             {kDikLShift, false},
                             {kDikA, true},
                             {0x35u, true}}) {
        di_post_key(dik, down);
    }
    input_poll(in_);
    EXPECT_EQ(take_seen(), seen_t{});
    EXPECT_EQ(read_all(true), (std::vector<int32_t>{0, '!', -'1', 'A', 0, 'a', '/'}));
    input_end_text_entry(in_);
    di_post_key(kDikLShift, true);
    di_post_key(kDikLShift, false);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{154, -154}));
    EXPECT_EQ(take_log(), "");
}

TEST_F(Input, MouseButtonsClicksWheelAndFailures) {
    open();
    take_log();
    int32_t dx = 0, dy = 0;
    // Left pressed before a read, released before the next: +176, then -176; button 3 is silent.
    di_post_mouse_motion(3, -4);
    di_post_mouse_button(0, true);
    di_post_mouse_button(3, true);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 3);
    EXPECT_EQ(dy, -4);
    EXPECT_FALSE(input_left_held(in_));  // the latch moves when the event is read
    EXPECT_EQ(read_all(), (std::vector<int32_t>{176}));
    EXPECT_TRUE(input_left_held(in_));
    EXPECT_FALSE(input_left_click(in_));
    di_post_mouse_button(0, false);
    di_post_mouse_button(1, true);
    di_post_mouse_button(2, true);
    di_post_mouse_wheel(1);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_TRUE(input_wheel_up(in_));
    EXPECT_FALSE(input_wheel_down(in_));
    EXPECT_EQ(read_all(), (std::vector<int32_t>{-176, 178, 177}));
    EXPECT_FALSE(input_left_held(in_));
    // A click is reported once per query.
    EXPECT_TRUE(input_left_click(in_));
    EXPECT_FALSE(input_left_click(in_));
    EXPECT_FALSE(input_right_click(in_));
    di_post_mouse_button(1, false);
    di_post_mouse_button(2, false);
    di_post_mouse_wheel(-2);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_TRUE(input_wheel_down(in_));
    EXPECT_EQ(in_.dinput->mouse_state.z, -240);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{-178, -177}));
    EXPECT_TRUE(input_right_click(in_));
    EXPECT_FALSE(input_right_click(in_));

    // A press and release between two reads still shows once.
    di_post_mouse_button(0, true);
    di_post_mouse_button(0, false);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{176}));
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{-176}));
    EXPECT_EQ(take_log(), "");

    // A failed read other than "not acquired" or "input lost" is logged and moves nothing (the last
    // motion would turn the view on and on).
    di_post_mouse_motion(7, 7);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 7);
    di_fake_fail(di_op::get_device_state, kDiErrGeneric, 1);
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(take_log(), "[DirectInput] Cannot retrieve device data.\n");

    // Lost input is acquired again at the read; a device not acquired yields nothing.
    di_fake_fail(di_op::get_device_data, kDiErrInputLost, 1);
    di_unacquire(di_device::keyboard);
    EXPECT_EQ(read_all(), std::vector<int32_t>{});
    EXPECT_TRUE(di_device_acquired(di_device::keyboard));
    di_unacquire(di_device::keyboard);
    di_post_key(kDikA, true);
    EXPECT_EQ(read_all(), std::vector<int32_t>{});
    input_acquire(in_);
    di_post_key(kDikA, true);
    di_fake_fail(di_op::get_device_data, kDiErrGeneric, 1);
    EXPECT_EQ(read_all(), std::vector<int32_t>{});
    EXPECT_EQ(take_log(), "[DirectInput] Cannot retrieve device data.\n");
    // The failed refill lost nothing that the device still holds.
    di_post_key(kDikA, false);
    EXPECT_EQ(read_all(), (std::vector<int32_t>{'a', -'a'}));
}

TEST_F(Input, TheKeyboardKeepsItsBufferSizeAndUnacquiringDropsIt) {
    open();
    for (int i = 0; i < 300; ++i) di_post_key(kDikA, i % 2 == 0);
    EXPECT_EQ(read_all().size(), 256u);
    di_post_key(kDikA, true);
    di_post_mouse_button(0, true);
    input_unacquire(in_);
    input_acquire(in_);
    int32_t dx = 0, dy = 0;
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(read_all(), std::vector<int32_t>{});
}

// Without a display driver (a dedicated server) nothing is read and text entry stays off.
TEST_F(Input, KindZeroReadsNothing) {
    di_post_key(kDikA, true);
    input_begin_text_entry(in_);
    EXPECT_FALSE(in_.text_entry);
    EXPECT_FALSE(input_has_key_event(in_));
    EXPECT_EQ(input_read_key(in_), 0);
    int32_t dx = 1, dy = 1;
    input_get_mouse_motion(in_, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_FALSE(input_left_click(in_));
    input_poll(in_);
    EXPECT_EQ(take_seen(), seen_t{});
}

// The Win32 driver reads the virtual keys the display driver's window queued.
TEST_F(Input, TheFallbackReadsTheDriversKeyQueue) {
    kernel& k = kernel_get();
    std::unique_ptr<gfx_driver> old = std::move(k.graphics.driver);
    ASSERT_EQ(gfx_select_driver(k.graphics, 2), 0);
    key_queue& queue = gl_key_queue();
    queue.events.clear();
    input_select_driver(in_, kInputDriverWin32);
    input_bind_key(in_, 'w', 1);
    key_queue_push(queue, false, 'W');
    key_queue_push(queue, false, 0x24);  // HOME: no Win32 translation
    key_queue_push(queue, true, 0x70);   // F1 released
    input_poll(in_);
    EXPECT_EQ(take_seen(), (seen_t{{kArtyKeyDown, 1}}));
    EXPECT_EQ(read_all(true), (std::vector<int32_t>{0, -132}));
    queue.events.clear();
    k.graphics.driver = std::move(old);
}

}  // namespace
}  // namespace kv
