#pragma once
// Shared set-up of the world-server tests: the data-layer fixture (temporary data directory and log,
// a stopped clock, a fresh server) with the tests' call log emptied, and a game arty that writes
// down what it is sent.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/arty_factory.h"
#include "game/player_record.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "tests/data/data_test_support.h"
#include "tests/support/call_log.h"
#include "tools/package_writer.h"
#include "ui/console_view.h"
#include "util/text.h"

namespace kv {

// Makes itself the input target and the game arty, and adds a line to the tests' call log for every
// message: "game key-down 21", "game event 3", "game command 3 dm1".
class recording_game : public arty {
public:
    recording_game(arty_factory& f, const arty_description& d) : arty(f, d) {
        arty_factory_set_input_target(f);
        arty_factory_set_game_arty(f);
    }
    void tick(int32_t elapsed) override { test_call(str_format("game tick %d", elapsed)); }
    int32_t message(arty_message kind, uintptr_t argument) override {
        const int32_t value = static_cast<int32_t>(argument);
        switch (kind) {
            case kArtyKeyDown:
                test_call(str_format("game key-down %d", value));
                break;
            case kArtyKeyUp:
                test_call(str_format("game key-up %d", value));
                break;
            case kArtyGameEvent:
                test_call(str_format("game event %d", value));
                break;
            case kArtyCommand: {
                const arty_command& c = arty_message_command(argument);
                test_call(str_format("game command %d %s", c.code, c.first.c_str()));
                break;
            }
        }
        return 0;
    }
};

// Makes `kvgame` descriptions spawn a recording game in that factory.
inline void use_recording_game(arty_factory& factory) {
    for (arty_class& c : factory.classes) {
        if (c.name == "kvgame") {
            c.make = [](arty_factory& f, const arty_description& d) -> std::unique_ptr<arty> {
                return std::make_unique<recording_game>(f, d);
            };
        }
    }
}

class game_test : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        test_state_reset();
        console_view_relayout(kernel_get().console);
        kernel_get().graphics.realtime = gfx_realtime_statistics();
        kernel_get().graphics.screen_tint = false;
        use_recording_game(srv_.factory);
    }
    void TearDown() override {
        test_state_reset();
        data_test::TearDown();
    }

    // Writes a text file under the data directory.
    void write_text(const std::string& name, const std::string& text) const {
        folder_.write("data/" + name, text);
    }

    // The calls written down since the last look.
    std::vector<std::string> take_calls() {
        std::vector<std::string> calls;
        calls.swap(test_call_log().calls);
        return calls;
    }
    // Those of the calls that begin with the prefix.
    std::vector<std::string> take_calls(const std::string& prefix) {
        std::vector<std::string> picked;
        for (const std::string& call : take_calls()) {
            if (call.starts_with(prefix)) picked.push_back(call);
        }
        return picked;
    }

    // Spawns a game arty of the recording class, so that game events have a receiver.
    void spawn_recording_game() {
        game_description_.class_name = "kvgame";
        arty_description* batch[] = {&game_description_};
        arty_factory_spawn_group(srv_.factory, batch, 1);
    }
    // A level holding the recording game object, loaded by a frame.
    void load_level() {
        tools::package_writer w;
        w.add_arty("kvgame", "game", {});
        write_data("maps/harbour", w.finish());
        server_set_boot_package(srv_, "kvmenu");
        server_set_game_package(srv_, "harbour");
        ASSERT_TRUE(server_frame(srv_, 16));
        take_calls();
    }
    // The ids of the server's player records, in list order.
    std::vector<uint32_t> player_ids() const {
        std::vector<uint32_t> out;
        for (const player_record& r : srv_.players) out.push_back(r.id);
        return out;
    }

    arty_description game_description_;
};

using calls_t = std::vector<std::string>;

}  // namespace kv
