#pragma once
// An input layer on the fake DirectInput devices, and key events posted as the keyboard sends them.

#include <cstdint>
#include <cstdlib>

#include "kernel/option_registry.h"
#include "platform/direct_input.h"
#include "ui/input/input.h"
#include "ui/input/key_names.h"

namespace kv {

// Windowed DirectInput on fresh fake devices.
inline void input_open_fake(input& in) {
    di_use_fake_backend(true);
    option_registry options;
    input_select_driver(in, kInputDriverDirectInput);
    input_open(in, options);
}

// The layer on fake devices while the scope lasts; then no driver and SDL's devices again.
struct fake_input_scope {
    explicit fake_input_scope(input& layer) : in(layer) { input_open_fake(in); }
    ~fake_input_scope() {
        input_select_driver(in, kInputDriverNone);
        di_use_fake_backend(false);
    }
    fake_input_scope(const fake_input_scope&) = delete;
    fake_input_scope& operator=(const fake_input_scope&) = delete;
    input& in;
};

// +code: the key goes down; -code: it comes up. False for a code no key gives.
inline bool input_post_event(int32_t event) {
    const uint32_t dik = direct_input_key_of_code(std::abs(event));
    if (dik == 0) return false;
    di_post_key(dik, event > 0);
    return true;
}

}  // namespace kv
