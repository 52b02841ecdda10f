// The program `kv`. Start-up so far: the log, the command line, the banner and the run timer.

#include <cstdio>
#include <cstring>

#include "kernel/log.h"
#include "kernel/options.h"

namespace {

constexpr const char* kEngineName = "Quellix";
constexpr const char* kEngineVersion = "1.0";
constexpr int kBuildNumber = 182;

}  // namespace

int main(int argc, char** argv) {
    if (!kv::log_open(kv::kLogFileName)) {
        std::fprintf(stderr, "kv: cannot create %s\n", kv::kLogFileName);
    }
    if (!kv::parse_options(argc, argv)) {
        // After `--help`: the listing is out and nothing more goes to the log.
        kv::log_close();
        return -1;
    }
    kv::timer_restart(kv::run_timer());
    kv::log_write("%s %s (build %d)\n", kEngineName, kEngineVersion, kBuildNumber);
    kv::log_stamped("Initializing...\n");
    kv::log_close();
    return 0;
}
