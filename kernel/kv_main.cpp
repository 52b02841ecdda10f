// The program `kv`: the command line is rebuilt as one text and split the engine's own way; a
// dedicated server asked for by the host-game screen is started as a new process at the end.

#include <string>

#include "kernel/engine_main.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
    const std::string text = kv::command_line_join(argc, argv);
    kv::command_line line = kv::command_line_split(text);
    kv::sys_install_stop_handlers();
    const int result = kv::engine_main(static_cast<int>(line.argv.size()), line.argv.data());
    if (result == kv::kEngineRelaunch) kv::engine_relaunch(argc, argv);
    return result;
}
