// Arbitrary console texts after "b_" into a bot host with two test modules loaded, their bots on two
// players. Nothing may crash; the result is always 0, 1 or 2.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bots/bot_central.h"
#include "game/player_record.h"
#include "game/server.h"

using namespace kv;

namespace {

BotCentral& host() {
    static BotCentral* bots = [] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("bot_console_fuzz." + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        for (const char* name : {"alpha", "beta"}) {
            std::filesystem::copy_file(std::string(KV_TEST_BOT_DIR) + "/" + name + ".kvb",
                                       dir / (std::string(name) + ".kvb"),
                                       std::filesystem::copy_options::overwrite_existing);
        }
        auto* b = new BotCentral();
        server& srv = server_get();
        b->world = &srv;
        botc_start(*b, dir.string());
        if (b->modules.size() != 2) std::abort();
        botc_enable(*b, true);
        b->log_level = 1000;  // quiet
        server_add_local_player(srv, 5)->nick = "ann";
        server_add_local_player(srv, 6)->nick = "bo'b";
        botc_add_player(*b, 5, 1);
        botc_add_player(*b, 6, 0);
        std::filesystem::remove_all(dir);
        return b;
    }();
    return *bots;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BotCentral& bots = host();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int32_t result = botc_console_command(bots, text);
    if (result < 0 || result > 2) std::abort();
    return 0;
}
