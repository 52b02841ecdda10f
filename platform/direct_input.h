#pragma once
// Keyboard and mouse devices shaped as DirectInput 8 offers them: one interface, a keyboard and a
// mouse device, each created, given a data format, a cooperative level and a buffer size, acquired
// and released. The keyboard hands out buffered key records (DirectInput key constants, bit 7 of
// the data = down); the mouse its state: the relative motion since the previous read, the wheel at
// +-120 a notch, four buttons (bit 7 = down). The process has one keyboard and one mouse.
//
// Two backends fill the devices. SDL's: the window pump hands key, motion, button and wheel events
// to `di_handle_event` (held keys repeat on SDL; here they give one down and one up record), and the
// exclusive keyboard turns on SDL's relative mouse mode while it is acquired. The fake backend (for
// tests): events come only from `di_post_*`, and any operation can be scripted to fail.

#include <cstdint>

namespace kv {

struct sys_event;

using di_result = int32_t;
inline constexpr di_result kDiOk = 0;
inline constexpr di_result kDiErrNotAcquired = static_cast<int32_t>(0x8007000CU);
inline constexpr di_result kDiErrInputLost = static_cast<int32_t>(0x8007001EU);
inline constexpr di_result kDiErrGeneric = static_cast<int32_t>(0x80004005U);
inline constexpr di_result kDiErrNotInitialized = static_cast<int32_t>(0x80070015U);

// Cooperative levels.
inline constexpr uint32_t kDisclExclusive = 0x01;
inline constexpr uint32_t kDisclNonExclusive = 0x02;
inline constexpr uint32_t kDisclForeground = 0x04;
inline constexpr uint32_t kDisclBackground = 0x08;
inline constexpr uint32_t kDisclNoWinKey = 0x10;

inline constexpr uint32_t kDiKeyDown = 0x80;

enum class di_device { keyboard, mouse };

// The operations a fake backend can fail.
enum class di_op {
    create,
    create_device,
    set_data_format,
    set_cooperative_level,
    set_buffer_size,
    acquire,
    get_device_data,
    get_device_state,
    count,
};

struct di_key_record {
    uint32_t offset = 0;  // the DirectInput key constant
    uint32_t data = 0;    // bit 7: down
    uint32_t time_stamp = 0;
    uint32_t sequence = 0;
    uint32_t app_data = 0;
};

struct di_mouse_state {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    uint8_t buttons[4] = {};
};

// DirectInput8Create: the interface (SDL's backend needs the program window).
di_result di_create();
di_result di_create_device(di_device d);
di_result di_set_data_format(di_device d);
di_result di_set_cooperative_level(di_device d, uint32_t flags);
// DIPROP_BUFFERSIZE: the records a device keeps; more are dropped.
di_result di_set_buffer_size(di_device d, uint32_t records);
di_result di_acquire(di_device d);
// Drops what the device buffered.
di_result di_unacquire(di_device d);
// Keyboard: moves up to `count` records into `records`; `count` becomes the number moved.
di_result di_get_device_data(di_key_record* records, uint32_t& count);
// Mouse: the state since the previous read.
di_result di_get_device_state(di_mouse_state& state);
void di_release_device(di_device d);
void di_release();
bool di_device_exists(di_device d);
bool di_device_acquired(di_device d);

// The window pump's key and mouse events (SDL's backend).
void di_handle_event(const sys_event& event);
// The DirectInput key constant of an SDL scancode; 0 for a key the table does not hold.
uint32_t di_key_constant(int32_t sdl_scancode);
struct di_scancode_pair {
    int32_t sdl_scancode;
    uint32_t dik;
};
const di_scancode_pair* di_scancode_table(int* count);

// Test seam: the fake backend from now on (until false); the devices and scripts start empty.
void di_use_fake_backend(bool on);
// After `after` calls that pass, the next `times` calls of the operation (every call when 0) answer
// `result`; kDiOk clears. The keyboard's call of an operation comes before the mouse's.
void di_fake_fail(di_op op, di_result result, int times = 0, int after = 0);
// Events as an acquired device receives them (dropped otherwise).
void di_post_key(uint32_t dik, bool down);
void di_post_mouse_motion(int32_t dx, int32_t dy);
// Buttons: 0 left, 1 right, 2 middle, 3 the first extra one.
void di_post_mouse_button(int button, bool down);
// Notches away from the user are positive.
void di_post_mouse_wheel(int32_t notches);

}  // namespace kv
