#include "gfx/drivers/null_driver.h"

#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/messages.h"
#include "ui/console_view.h"

namespace kv {
namespace {

constexpr int32_t kConsoleWidth = 640;
constexpr int32_t kConsoleHeight = 480;
constexpr const char* kConsoleModeName = "640x480";

}  // namespace

null_driver::~null_driver() {
    if (console_) sys_set_console_poller(nullptr);
}

bool null_driver::get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) {
    if (index != 0) return false;
    name = kConsoleModeName;
    width = kConsoleWidth;
    height = kConsoleHeight;
    return true;
}

bool null_driver::open(int32_t, bool, bool) {
    if (open_fails) {
        log_write("[OpenGL] *FATAL* couldn't open main window\n");
        return false;
    }
    console_ = std::make_unique<terminal_console>();
    terminal_console_open(*console_, input_fd, output_fd);
    sys_set_console_poller([this] { poll_console(kernel_get().console); });
    return true;
}

void null_driver::poll_console(console_view& view) {
    // The console view holds one command; the next line waits until the kernel has taken it.
    if (!console_ || !view.pending_command.empty()) return;
    console_line line;
    while (terminal_console_poll(*console_, line)) {
        if (!line.refused) {
            console_view_set_input(view, line.text);
            return;
        }
        log_write("[con] A typed line of %zu characters refused: at most %zu are taken.\n", line.length,
                  kConsoleLineMax);
    }
}

terminal_console* null_driver_console(gfx_driver* driver) {
    auto* null = dynamic_cast<null_driver*>(driver);
    return null ? null->console() : nullptr;
}

}  // namespace kv
