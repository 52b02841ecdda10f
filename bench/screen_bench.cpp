// The largest screen of the demo ("options_scr": 33 pictures, 22 labels, a key-binding list of 20
// rows, a check box, two sliders and a button) through one frame: its input pass on the fake input
// devices and its drawing through the recording driver of the tests (goal: under 100 microseconds a
// frame).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "data/package.h"
#include "game/arty_factory.h"
#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/support/fake_textures.h"
#include "tests/support/input_fake.h"
#include "tests/support/recording_driver.h"
#include "tools/font_writer.h"
#include "tools/menu_screens.h"
#include "tools/widget_pictures.h"
#include "ui/kvscreen.h"
#include "ui/widgets/fonts.h"
#include "util/token_list.h"

namespace kv {
namespace {

void add_font(const std::string& name) {
    auto record = std::make_unique<font_metrics>();
    record->name = name;
    record->failed = 0;
    for (int c = 0; c < 256; ++c) record->widths[c] = static_cast<int8_t>(6 + c % 10);
    font_registry_get().fonts.push_back(std::move(record));
}

void BM_OptionsScreenFrame(benchmark::State& state) {
    gfx& g = kernel_get().graphics;
    auto made = std::make_unique<recording_driver>();
    recording_driver* driver = made.get();
    g.driver = std::move(made);
    gfx_texture_list_clear(g);
    font_registry_clear();
    for (const char* font : {tools::kDemoFontBold, tools::kDemoFontPlain}) {
        fake_texture_add(g, font);
        add_font(font);
    }
    for (const tools::widget_picture& p : tools::widget_pictures()) fake_texture_add(g, p.name);
    for (const tools::widget_picture& p : tools::menu_pictures()) fake_texture_add(g, p.name);
    fake_texture_add(g, kCursorTexture);

    arty_description description;
    description.class_name = "kvscreen";
    description.instance_name = "options_scr";
    description.parameters = std::make_unique<token_list>();
    for (const tools::screen_desc& s : tools::demo_screens()) {
        if (s.name == "options_scr")
            token_list_init(*description.parameters, s.parameters.size(), s.parameters.data());
    }
    arty_factory factory;
    kvscreen screen(factory, description);
    kvscreen_set_active(screen, true);
    kvcontrol& list = screen.controls.at(0);
    for (int i = 0; i < 20; ++i) {
        const std::string key = "action " + std::to_string(i);
        list.add_row(key);
        kvselection_set_cell(list, key, "Action number " + std::to_string(i), 1);
        kvselection_set_cell(list, key, "KEY " + std::to_string(i), 2);
    }
    for (kvtext& label : screen.labels) kvtext_set_text(label, "Mouse sensitivity");
    fake_input_scope devices(kernel_get().input_layer);
    int32_t frame = 0;
    for (auto _ : state) {
        di_post_mouse_motion(frame % 7 - 3, frame % 5 - 2);
        benchmark::DoNotOptimize(kvscreen_input(screen, 16));
        kvscreen_draw(screen);
        driver->calls.clear();
        ++frame;
    }
    g.driver.reset();
    gfx_texture_list_clear(g);
    font_registry_clear();
}
BENCHMARK(BM_OptionsScreenFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
