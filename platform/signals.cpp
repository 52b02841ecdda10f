#include "platform/signals.h"

#include <atomic>
#include <csignal>

namespace kv {
namespace {

std::atomic<bool> g_stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void on_stop_signal(int) {
    g_stop_requested.store(true);
}

}  // namespace

void sys_install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // The loop's sleep goes on after the signal; the request is read after it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    struct sigaction hangup {};
    if (sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler == SIG_IGN) return;
    sigaction(SIGHUP, &action, nullptr);
}

void sys_ignore_broken_pipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool sys_stop_requested() {
    return g_stop_requested.load();
}

void sys_request_stop() {
    g_stop_requested.store(true);
}

void sys_clear_stop_request() {
    g_stop_requested.store(false);
}

}  // namespace kv
