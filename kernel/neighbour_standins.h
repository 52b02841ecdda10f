#pragma once
// Stand-ins for the services that the kernel calls in the subsystems not built yet (beings, network,
// renderer, interface and input, sound and bots).
// Their bodies are in neighbour_standins.cpp; each subsystem that arrives removes its share.
//
// They do next to nothing: they record each call in `calls`, keep the little state that callers read
// back (driver kinds, key bindings, console lines, sky and fog) and answer with the results set
// here, so that the kernel's own behaviour around them (what it logs, returns and stores) can be
// exercised.

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "gfx/texture.h"
#include "ui/widgets.h"
#include "util/vec3.h"

namespace kv {

struct neighbour_standins {
    // One line per call, in call order: the operation's name and its arguments, blank-separated
    // ("gfx_select_driver 2", "client_send_command kick 3|0"). A running program calls some of them
    // every frame: past `kMaxCalls` the calls are no longer written down.
    static constexpr std::size_t kMaxCalls = 100000;
    std::vector<std::string> calls;
};

neighbour_standins& standins();
// Puts every result back to its default and forgets the calls.
void standins_reset();

}  // namespace kv
