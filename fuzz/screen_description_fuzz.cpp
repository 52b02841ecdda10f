// Screen descriptions come from packages: a screen is built from an arbitrary token list, then driven
// by mouse motion, buttons and keys of the fake input devices and drawn. The input is a 16-bit
// big-endian length, the description's token list of that length, then steps of three bytes: a kind
// and two arguments.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "data/package.h"
#include "game/arty_factory.h"
#include "kernel/kernel.h"
#include "tests/support/input_fake.h"
#include "ui/kvscreen.h"
#include "util/token_list.h"

namespace {

using namespace kv;

void check(bool condition) {
    if (!condition) std::abort();
}

input& keyboard() {
    static bool opened = false;
    input& in = kernel_get().input_layer;
    if (!opened) {
        option_registry options;
        input_register_names(in, options);
        input_open_fake(in);
        opened = true;
    }
    return in;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    input& in = keyboard();
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::size_t>(data[0] << 8 | data[1]), size - 2);
    arty_description description;
    description.class_name = "kvscreen";
    description.instance_name = "fuzz_scr";
    description.parameters = std::make_unique<token_list>();
    token_list_init(*description.parameters, length, data + 2);
    static arty_factory factory;
    kvscreen screen(factory, description);
    kvscreen_set_active(screen, true);
    bool left = false;
    for (std::size_t at = 2 + length; at + 3 <= size; at += 3) {
        const int a = data[at + 1];
        const int b = data[at + 2];
        switch (data[at] % 5) {
            case 0:
                di_post_mouse_motion(a - 128, b - 128);
                break;
            case 1:
                left = !left;
                di_post_mouse_button(0, left);
                input_read_key(in);
                break;
            case 2:
                input_post_event(b & 1 ? a : -a);
                break;
            case 3:
                kvscreen_draw(screen);
                break;
            default:
                di_post_mouse_wheel(a - 128);
                break;
        }
        const int32_t code = kvscreen_input(screen, b);
        check(code >= -5000 && code <= 3000 + 500 * static_cast<int32_t>(screen.selections.size()) + 100000);
        check(screen.cursor_x >= 0 && screen.cursor_x <= 1000 && screen.cursor_y >= 0 &&
              screen.cursor_y <= 1000);
        check(screen.focused_edit < static_cast<int32_t>(screen.edits.size()));
    }
    if (left) {
        di_post_mouse_button(0, false);
        input_read_key(in);
    }
    while (input_read_key(in) != 0) {
    }
    input_end_text_entry(in);
    return 0;
}
