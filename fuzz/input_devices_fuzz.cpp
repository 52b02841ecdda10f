// Drives the input layer on the fake DirectInput devices with a script of bytes: key records with
// any constant, mouse motion, buttons and wheel, scripted results of any device operation, text
// entry, acquiring and releasing; and reads it all back through polling, key reads and the mouse
// queries. Nothing may read outside a table or a buffer.

#include <cstddef>
#include <cstdint>

#include "kernel/option_registry.h"
#include "platform/direct_input.h"
#include "ui/input/input.h"

using namespace kv;

namespace {

constexpr di_result kResults[] = {kDiOk, kDiErrNotAcquired, kDiErrInputLost, kDiErrGeneric};

struct script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool more() const { return at < size; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    script s{data, size};
    di_use_fake_backend(true);
    option_registry options;
    input in;
    input_register_names(in, options);
    input_bind_key(in, 'w', 1);
    input_bind_key(in, 176, 37);
    input_select_driver(in, kInputDriverDirectInput);
    // The first bytes script the start-up.
    const uint8_t start = s.next();
    if (start & 0x80) {
        const auto op = static_cast<di_op>((start & 0x0F) % static_cast<int>(di_op::count));
        di_fake_fail(op, kResults[(start >> 4) & 3], 1, (start >> 6) & 1);
    }
    input_open(in, options);
    int32_t dx = 0, dy = 0;
    while (s.more()) {
        switch (s.next()) {
            case 'k': {
                const uint8_t dik = s.next();
                di_post_key(dik, (s.next() & 1) != 0);
                break;
            }
            case 'm':
                di_post_mouse_motion(static_cast<int8_t>(s.next()), static_cast<int8_t>(s.next()));
                break;
            case 'b': {
                const uint8_t b = s.next();
                di_post_mouse_button(b & 7, (b & 0x80) != 0);
                break;
            }
            case 'w':
                di_post_mouse_wheel(static_cast<int8_t>(s.next()));
                break;
            case 'f': {
                const uint8_t f = s.next();
                di_fake_fail(static_cast<di_op>(f % static_cast<int>(di_op::count)), kResults[(f >> 4) & 3],
                             (f >> 6) & 3);
                break;
            }
            case 'p':
                input_poll(in);
                break;
            case 'r':
                if (input_has_key_event(in)) input_read_key(in);
                break;
            case 'g':
                input_get_mouse_motion(in, dx, dy);
                break;
            case 'q':
                input_left_click(in);
                input_right_click(in);
                input_left_held(in);
                input_wheel_up(in);
                input_wheel_down(in);
                break;
            case 't':
                input_begin_text_entry(in);
                break;
            case 'e':
                input_end_text_entry(in);
                break;
            case 'a':
                input_acquire(in);
                break;
            case 'u':
                input_unacquire(in);
                break;
            case 'o':
                input_select_driver(in, kInputDriverDirectInput);
                input_open(in, options);
                break;
            default:
                break;
        }
    }
    input_close_dinput(in);
    di_use_fake_backend(false);
    return 0;
}
