#pragma once
// Shared set-up of the widget tests: a temporary data folder as the world server's data directory,
// the log in it, the kernel's front end drawing through a recording driver, an empty font registry
// and a fake texture list (tests/support/fake_textures.h).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/pak_archive.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/support/call_log.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "tests/support/temp_folder.h"
#include "ui/widgets/fonts.h"

namespace kv {

class widget_test : public ::testing::Test {
protected:
    widget_test() : use_clock_(clock_) {}

    void SetUp() override {
        ASSERT_TRUE(log_open(folder_.file("kv.log")));
        timer_restart(run_timer());
        server& srv = server_get();
        old_data_dir_ = srv.data_dir;
        old_base_dir_ = srv.texture_base_dir;
        old_texture_dir_ = srv.texture_dir;
        srv.data_dir = folder_.file("data") + "/";
        srv.texture_base_dir = "tex/";
        srv.texture_dir = "tga/";
        test_state_reset();
        font_registry_clear();
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        g().driver = std::move(recorder);
    }

    void TearDown() override {
        gfx_texture_list_clear(g());
        g().driver.reset();
        font_registry_clear();
        test_state_reset();
        server& srv = server_get();
        srv.archives.clear();
        srv.data_dir = old_data_dir_;
        srv.texture_base_dir = old_base_dir_;
        srv.texture_dir = old_texture_dir_;
        log_close();
    }

    static gfx& g() { return kernel_get().graphics; }
    std::string log() const { return folder_.read("kv.log"); }
    texture& add_texture(const std::string& name) { return fake_texture_add(g(), name); }

    // Writes the font's metrics file where the fonts are looked for.
    void write_metrics(const std::string& font, const std::string& bytes) const {
        folder_.write("data/tex/tga/" + font + ".fm", bytes);
    }
    // A font with a texture and these widths, its metrics already read.
    const int8_t* add_font(const std::string& font, const std::string& widths) {
        add_texture(font);
        write_metrics(font, widths);
        font_find_metrics(font);
        return font_find_metrics(font);
    }

    // The driver's calls that draw (texture changes left out), forgotten.
    std::vector<std::string> drawn() {
        std::vector<std::string> calls;
        for (std::string& call : driver_->take_calls()) {
            if (call.rfind("draw_", 0) == 0) calls.push_back(std::move(call));
        }
        return calls;
    }

    temp_folder folder_;
    fake_clock clock_;
    scoped_clock use_clock_;
    recording_driver* driver_ = nullptr;

private:
    std::string old_data_dir_;
    std::string old_base_dir_;
    std::string old_texture_dir_;
};

}  // namespace kv
