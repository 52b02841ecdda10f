#pragma once
// Controllers: arties that produce a transform over time for an actor to apply to a piece of level
// geometry. The actor keeps the working record and attaches it before every tick. `kvrotator` turns
// about y between two angles.

#include <cstdint>

#include "game/arty.h"
#include "kernel/timer.h"
#include "util/mat4.h"

namespace kv {

inline constexpr int32_t kControllerIdle = 0;
inline constexpr int32_t kControllerForward = 2;
inline constexpr int32_t kControllerBackward = 3;

struct controller_state {
    int32_t kind = kControllerIdle;
    float value = 0.0f;  // radians
    uint8_t running = 0;
    uint8_t reverse_request = 0;
    uint8_t paused = 0;
    timer run_timer;
};

class controller : public arty {
public:
    controller(arty_factory& factory, const arty_description& description);

    virtual bool is_running();
    virtual void start();
    virtual void stop();
    virtual void make_state(controller_state& state);
    virtual void attach_state(controller_state& state) = 0;

    mat4 output;
    controller_state* state = nullptr;  // not owned
};

class kvrotator : public controller {
public:
    // Keys: "angles:" from and to (degrees), "speed:" (degrees per second), "mode:" integer. Missing
    // keys leave 0.
    kvrotator(arty_factory& factory, const arty_description& description);

    // The elapsed argument is not used: the run timer of the attached record measures the turn.
    void tick(int32_t elapsed) override;
    bool is_running() override;
    void start() override;
    void stop() override;
    void make_state(controller_state& state) override;
    void attach_state(controller_state& state) override;

    float from = 0.0f;   // radians
    float to = 0.0f;     // radians
    float speed = 0.0f;  // radians per second, negative when to < from
    int32_t mode = 0;    // 0: turns back at each end; else stops at the end
};

}  // namespace kv
