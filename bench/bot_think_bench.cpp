// One frame of the bot host's think for 32 bots: two test modules, 16 players, every bot active.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "bots/bot_central.h"
#include "game/player_record.h"
#include "game/server.h"
#include "kernel/log.h"

namespace kv {
namespace {

void botc_think_32_bots(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bot_think_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const char* name : {"alpha", "beta"}) {
        std::filesystem::copy_file(std::string(KV_TEST_BOT_DIR) + "/" + name + ".kvb",
                                   dir / (std::string(name) + ".kvb"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // The test modules note their calls only when asked to.
    unsetenv("KVBOT_TEST_LOG");
    server srv;
    BotCentral bots;
    bots.world = &srv;
    botc_start(bots, dir.string());
    botc_enable(bots, true);
    for (uint32_t id = 1; id <= 16; ++id) {
        server_add_local_player(srv, id)->nick = "p" + std::to_string(id);
        botc_add_player(bots, id, 1);
    }
    if (bots.bots.size() != 32) state.SkipWithError("the test modules did not load");
    for (auto _ : state) {
        botc_think(bots);
        benchmark::DoNotOptimize(srv.players.front().pending_yaw);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(botc_think_32_bots)->Name("botc_think")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
