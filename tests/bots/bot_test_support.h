#pragma once
// Shared set-up of the bot host's tests: the world-server fixture, a "bot" folder to copy the test
// modules into, the modules' call notes and a host of the test's own.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bots/bot_central.h"
#include "bots/engine_table.h"
#include "tests/game/game_test_support.h"

namespace kv {

class bot_test : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        setenv("KVBOT_TEST_LOG", folder_.file("calls.txt").c_str(), 1);
        std::filesystem::create_directories(bot_dir());
        host_ = std::make_unique<BotCentral>();
        host_->world = &srv_;
    }
    void TearDown() override {
        host_.reset();
        unsetenv("KVBOT_TEST_LOG");
        game_test::TearDown();
    }

    std::string bot_dir() const { return folder_.file("bot"); }
    // Copies the test module `module` into the bot folder as `as`.
    void add_module(const std::string& module, const std::string& as) {
        std::filesystem::copy_file(std::string(KV_TEST_BOT_DIR) + "/" + module + ".kvb",
                                   bot_dir() + "/" + as);
    }
    void add_config() { folder_.write("bot/default.cfg", "# test\n"); }
    void start(bool enabled = true) {
        botc_start(*host_, bot_dir());
        botc_enable(*host_, enabled);
    }
    // The modules' calls since the last look, one line each.
    std::vector<std::string> calls() {
        std::vector<std::string> lines;
        const std::string text = folder_.read("calls.txt");
        std::filesystem::remove(folder_.file("calls.txt"));
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }
    // A test export of the loaded module at that place.
    template <typename F>
    F module_export(std::size_t module, const char* name) {
        return reinterpret_cast<F>(dlsym(host_->modules.at(module)->library.handle, name));
    }
    const kvbot_engine_table& engine() { return host_->engine; }
    template <typename F>
    F entry(int index) {
        return reinterpret_cast<F>(host_->engine.entry[index]);
    }
    player_record& add_player(uint32_t id, const std::string& nick) {
        player_record* r = server_add_local_player(srv_, id);
        r->nick = nick;
        return *r;
    }

    std::unique_ptr<BotCentral> host_;
};

}  // namespace kv
