#include "game/kvrotator.h"

#include <numbers>

namespace kv {

controller::controller(arty_factory& owner, const arty_description& description) : arty(owner, description) {}

bool controller::is_running() {
    return false;
}

void controller::start() {}

void controller::stop() {}

void controller::make_state(controller_state&) {}

kvrotator::kvrotator(arty_factory& owner, const arty_description& description)
    : controller(owner, description) {
    arty_read_keys(description,
                   {
                       {"angles:", 2,
                        [this](const token_list& l, int i) {
                            arty_value_number(l, i, from);
                            arty_value_number(l, i + 1, to);
                        }},
                       {"speed:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, speed); }},
                       {"mode:", 1, [this](const token_list& l, int i) { arty_value_integer(l, i, mode); }},
                   });
    constexpr float kRadians = std::numbers::pi_v<float> / 180.0f;
    from *= kRadians;
    to *= kRadians;
    speed *= kRadians;
    if (to < from) speed = -speed;
}

void kvrotator::make_state(controller_state& record) {
    record.kind = kControllerForward;
    record.value = 0.0f;
    record.running = 0;
    record.reverse_request = 0;
    record.paused = 0;
}

void kvrotator::attach_state(controller_state& record) {
    state = &record;
}

bool kvrotator::is_running() {
    return state && state->running;
}

void kvrotator::start() {
    if (!state) return;
    if (state->running) state->reverse_request = 1;
    if (state->paused) {
        timer_unfreeze(state->run_timer);
    } else {
        timer_restart(state->run_timer);
    }
    state->running = 1;
    state->paused = 0;
}

void kvrotator::stop() {
    if (!state) return;
    state->running = 0;
    // Pausing twice would freeze the frozen count.
    if (!state->paused) timer_freeze(state->run_timer);
    state->paused = 1;
}

void kvrotator::tick(int32_t) {
    // A paused record's timer holds its count and cannot be read.
    if (!state || state->kind == kControllerIdle || state->paused) return;
    controller_state& s = *state;
    const float t = static_cast<float>(timer_elapsed_ms(s.run_timer)) / 1000.0f;
    if (s.reverse_request) {
        s.kind = s.kind == kControllerForward ? kControllerBackward : kControllerForward;
        s.reverse_request = 0;
    }
    if (s.kind == kControllerForward) {
        s.value = from + t * speed;
        if ((speed > 0.0f && s.value >= to) || (speed < 0.0f && s.value <= to)) {
            s.running = 0;
            s.value = to;
            s.kind = mode == 0 ? kControllerBackward : kControllerIdle;
        }
    } else if (s.kind == kControllerBackward) {
        s.value = to - t * speed;
        if ((speed > 0.0f && s.value <= from) || (speed < 0.0f && s.value >= from)) {
            s.running = 0;
            s.value = from;
            s.kind = mode == 0 ? kControllerForward : kControllerIdle;
        }
    }
    mat4_make(output, kMat4KindRotationY, s.value);
}

}  // namespace kv
