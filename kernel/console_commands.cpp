// The console's command interpreter: no table, a fixed sequence of prefixes, each handing the line
// (or what follows the prefix) to the subsystem that owns the command family.

#include "beings/being_commands.h"
#include "bots/bot_central.h"
#include "game/arty_factory.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "net/net_client.h"
#include "platform/cpu.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kGameCommandCode = 0;

bool begins_with(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// The second blank-separated word as a decimal integer; 0 when missing.
int32_t second_word_number(const std::string& line) {
    return str_to_int(str_field_or_empty(line, 1, ' '));
}

}  // namespace

int32_t kernel_run_command(kernel& k, const std::string& line) {
    if (begins_with(line, "quit")) {
        kernel_stop(k);
        return 0;
    }
    if (begins_with(line, "n_")) return client_console_command(net_client_get(), line);
    if (begins_with(line, "s_")) return client_send_command(net_client_get(), line.substr(2), false);
    if (begins_with(line, "g_")) return gfx_console_command(k.graphics, line);
    if (begins_with(line, "b_add"))
        return arty_factory_post_command_text(server_get().factory, kGameCommandCode, line);
    if (begins_with(line, "b_")) return botc_console_command(bot_central_get(), line.substr(2));
    if (begins_with(line, "a_")) {
        being_anim_table_command(line);
        return -1;
    }
    if (begins_with(line, "loglevel")) {
        server_get().log_level = second_word_number(line);
        return 1;
    }
    if (begins_with(line, "cpuflags")) {
        cpu_set_sse((second_word_number(line) & 1) != 0);
        return 1;
    }
    console_view_print(k.console, "Invalid command");
    return 0;
}

}  // namespace kv
