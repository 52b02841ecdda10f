#pragma once
// A headless local game for the game-object tests: a level package written by the package writer
// (game object, cameras, spawn points, level information, a static camera, a take and a delivery goal,
// a door), loaded by the world server's frame on the fake clock, with the screen "kvbase:basic" that
// the game object opens made available to the kernel.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "beings/being.h"
#include "beings/being_game.h"
#include "data/package.h"
#include "game/arty_factory.h"
#include "game/kvcamera.h"
#include "game/kvdoor.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/server.h"
#include "gfx/view.h"
#include "kernel/kernel.h"
#include "tests/data/data_test_support.h"
#include "tests/support/call_log.h"
#include "tools/goal_writer.h"
#include "tools/menu_screens.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"

namespace kv {

// What a test level holds besides the game object, the bound camera and "level".
struct test_level {
    std::string title = "Training";
    bool bound_camera = true;
    bool cable_camera = true;
    std::vector<int32_t> static_camera_modes = {1};  // "scam1", "scam2" ...
    bool goals = true;
    bool door = true;
    bool screens = false;  // the demo's screens (tools/menu_screens.h)
};

class headless_game : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        test_state_reset();
        kernel_get().running = true;
        auto screens = std::make_unique<package>();
        screens->name = "kvbase";
        auto basic = std::make_unique<view_set>();
        basic->name = "basic";
        // The view the game object opens, with the viewport its camera is bound to.
        auto shown = std::make_unique<view>();
        shown->name = "default";
        auto port = std::make_unique<viewport>();
        port->name = "main";
        const float square[kViewportProjectionValues] = {1.0f,      0.785398f, 0.785398f, 0.785398f,
                                                         0.785398f, 0.0f,      10000.0f};
        std::copy(std::begin(square), std::end(square), port->projection);
        object_table_add_owned(shown->viewports, std::move(port));
        object_table_add_owned(basic->views, std::move(shown));
        object_table_add_owned(screens->screens, std::move(basic));
        screens_ = screens.get();
        server_get().packages.push_back(std::move(screens));
    }

    void TearDown() override {
        auto& packages = server_get().packages;
        packages.erase(std::remove_if(packages.begin(), packages.end(),
                                      [this](const auto& p) { return p.get() == screens_; }),
                       packages.end());
        kernel_get().running = true;
        kernel_get().graphics.fog = gfx_fog_state();
        gfx_open_screen(kernel_get().graphics, nullptr);
        test_state_reset();
        data_test::TearDown();
    }

    void write_level(const std::string& name, const test_level& shape) {
        using tools::token_writer;
        tools::package_writer w;
        tools::sector_desc room;
        room.name = "room";
        tools::add_sector(w, room);
        w.add_arty("kvgame", "game", token_writer().key("cb:").integer(33).bytes());
        if (shape.bound_camera) w.add_arty("kvbound_camera", "cam", {});
        if (shape.cable_camera) w.add_arty("kvcable_camera", "ccam", {});
        for (std::size_t i = 0; i < shape.static_camera_modes.size(); ++i) {
            w.add_arty("kvstatic_camera", "scam" + std::to_string(i + 1),
                       token_writer().key("mode:").integer(shape.static_camera_modes[i]).bytes());
        }
        w.add_arty("kvlevel", "level", token_writer().key("title:").str(shape.title).bytes());
        for (int i = 0; i < 2; ++i) {
            w.add_arty("kvspawn_point", "sp" + std::to_string(i),
                       token_writer()
                           .key("sector:")
                           .str("room")
                           .key("posx:")
                           .number(10.0f * static_cast<float>(i))
                           .key("angle:")
                           .number(90.0f)
                           .bytes());
        }
        if (shape.goals) {
            tools::goal_pair_desc goals;
            goals.model = "kvbase:case";
            goals.sector = "room";
            goals.position = vec3{5.0f, 0.0f, 5.0f};
            box3 zone;
            box3_init(zone, {100.0f, -10.0f, 100.0f}, {200.0f, 10.0f, 200.0f});
            goals.zone = zone;
            tools::add_goal_pair(w, goals);
        }
        if (shape.door) w.add_arty("kvdoor", "d-1", {});
        if (shape.screens) {
            for (const tools::screen_desc& screen : tools::demo_screens())
                w.add_arty("kvscreen", screen.name, screen.parameters);
        }
        write_data("maps/" + name, w.finish());
    }

    // Writes the level and runs world frames 16 ms apart until the game object is running (or `frames`).
    kvgame* start(const test_level& shape = test_level(), int32_t load_request = kLoadRequestMenu,
                  int frames = 3) {
        write_level("training", shape);
        srv_.load_request = load_request;
        srv_.snapshot.name = "training";  // the map the game server names: no change of level
        server_set_game_package(srv_, "training");
        for (int i = 0; i < frames; ++i) frame();
        return game();
    }

    void frame() {
        clock_.advance_ms(16);
        server_frame(srv_, 16);
    }

    kvgame* game() { return arty_factory_find_by_name_as<kvgame>(srv_.factory, "game"); }

    std::vector<std::string> take_calls(const std::string& prefix) {
        std::vector<std::string> picked;
        for (const std::string& call : test_call_log().calls) {
            if (call.starts_with(prefix)) picked.push_back(call);
        }
        test_call_log().calls.clear();
        return picked;
    }

    package* screens_ = nullptr;
};

using calls_t = std::vector<std::string>;

// Soldiers placed by a test stay where they are put: no gravity while it lives.
struct zero_gravity {
    zero_gravity() { being_set_gravity(0.0f); }
    ~zero_gravity() { being_set_gravity(1.0f); }
    zero_gravity(const zero_gravity&) = delete;
    zero_gravity& operator=(const zero_gravity&) = delete;
};

}  // namespace kv
