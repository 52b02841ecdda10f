// The program `kv`: the words of its command line go to the main routine; a dedicated server asked
// for by the host-game screen is started as a new process at the end. The exit status is 0 for a
// normal end, 1 for a failure, 255 after "--help".

#include <cstdio>

#include "kernel/engine_main.h"
#include "platform/file_io.h"
#include "platform/signals.h"

int main(int argc, char** argv) {
    kv::sys_ignore_broken_pipes();
    kv::sys_fill_standard_streams();
    kv::command_line line = kv::command_line_from_words(argc, argv);
    if (line.dropped > 0)
        std::fprintf(stderr, "kv: *WARNING* %d words after the 31st of the command line ignored.\n",
                     line.dropped);
    kv::sys_install_stop_handlers();
    const int result = kv::engine_main(static_cast<int>(line.argv.size()), line.argv.data());
    if (result == kv::kEngineRelaunch) {
        if (kv::engine_relaunch(argc, argv)) return 0;
        std::fprintf(stderr, "kv: the dedicated server could not be started.\n");
        return 1;
    }
    if (result == kv::kEngineFailed) return 1;
    return result;
}
