#pragma once
// Shared set-up of the renderer tests: the data-layer fixture (log, data directory, world server,
// reference list) and a front end whose display driver is a recording driver.

#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "tests/data/data_test_support.h"
#include "tests/gfx/texture_test_support.h"
#include "tests/support/call_log.h"
#include "tests/support/recording_driver.h"

namespace kv {

class gfx_test : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        test_state_reset();
        // Textures load from this test's data directory.
        textures_ = std::make_unique<scoped_texture_data>(srv_.data_dir);
        auto recorder = std::make_unique<recording_driver>();
        driver_ = recorder.get();
        g_.driver = std::move(recorder);
    }
    void TearDown() override {
        test_state_reset();
        textures_.reset();
        data_test::TearDown();
    }

    // A record in the texture list with an image of `kind` (as the loader would leave it).
    texture& add_texture(const std::string& name, uint8_t kind = kTextureRgb, uint8_t two_level_alpha = 0) {
        g_.textures.push_back(texture_create(name));
        texture& t = *g_.textures.back();
        g_.texture_index[name] = &t;
        t.kind = kind;
        t.width = t.height = 2;
        t.bytes_per_texel = kind == kTextureRgba ? 4 : 3;
        t.pixels.assign(4u * t.bytes_per_texel, 0x80);
        t.two_level_alpha = two_level_alpha;
        return t;
    }

    // The driver's calls, without the loader's question whether it takes DDS files.
    std::vector<std::string> driver_calls() {
        std::vector<std::string> calls;
        for (std::string& call : driver_->take_calls()) {
            if (call != "has_compressed_textures") calls.push_back(std::move(call));
        }
        return calls;
    }
    std::unique_ptr<scoped_texture_data> textures_;
    gfx g_;
    recording_driver* driver_ = nullptr;
};

}  // namespace kv
