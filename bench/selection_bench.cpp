// The selection list with 1,000 rows of five cells: a title click's sort by one column (goal: under
// 50 ms, so that the menu does not stall) and one frame of drawing plus one input pass with 20 rows
// shown (goal: under 30 microseconds a frame through the recording driver of the tests). The frame
// is measured twice: through the recording driver, which formats every call into a text line, and
// through a driver that only counts its calls, which shows what the list itself costs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "gfx/gfx.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/support/counting_driver.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/kvselection.h"

namespace kv {
namespace {

constexpr const char* kFont = "gui_font02";
constexpr int kRows = 1000;
constexpr int kShown = 20;

void add_font(gfx& g) {
    gfx_texture_list_clear(g);
    for (const char* name : {kFont, "back", "light", "up", "down", "thumb"}) fake_texture_add(g, name);
    font_registry_clear();
    auto record = std::make_unique<font_metrics>();
    record->name = kFont;
    record->failed = 0;
    for (int c = 0; c < 256; ++c) record->widths[c] = static_cast<int8_t>(6 + c % 10);
    font_registry_get().fonts.push_back(std::move(record));
}

kvselection big_list() {
    kvselection_desc d;
    d.background_picture = "back";
    d.visible_rows = kShown;
    d.row_spacing = 20;
    d.list[0] = 50.0f;
    d.list[1] = 100.0f;
    d.list[2] = 900.0f;
    d.list[3] = 400.0f;
    d.highlight_picture = "light";
    d.row_width = 880.0f;
    d.row_height = 20.0f;
    d.title_band = 20.0f;
    d.up_picture = "up";
    d.down_picture = "down";
    d.thumb_picture = "thumb";
    d.thumb_width = 20.0f;
    d.arrow_width = 20.0f;
    d.arrow_height = 20.0f;
    d.font = kFont;
    d.char_width = 8;
    d.char_height = 16;
    kvselection w(d);
    for (const int width : {300, 200, 150, 120, 110}) kvselection_add_column(w, "c", width, 4);
    std::mt19937 random(7);
    for (int r = 0; r < kRows; ++r) {
        const std::string key = std::to_string(r);
        kvselection_add_row(w, key);
        kvselection_set_cell(w, key, "Server " + std::to_string(random() % 100000) + " on the network", 1);
        kvselection_set_cell(w, key, "map" + std::to_string(random() % 50), 2);
        kvselection_set_cell(w, key, std::to_string(random() % 32) + "/32", 3);
        kvselection_set_cell(w, key, "/c2/cLAN", 4);
        kvselection_set_cell(w, key, std::to_string(random() % 500), 5);
    }
    return w;
}

void BM_SelectionSortThousandRows(benchmark::State& state) {
    add_font(kernel_get().graphics);
    const kvselection shuffled = big_list();
    for (auto _ : state) {
        state.PauseTiming();
        kvselection w = shuffled;
        state.ResumeTiming();
        kvselection_sort(w, 0, kSortAscending);
        benchmark::DoNotOptimize(w.rows.data());
    }
    font_registry_clear();
    gfx_texture_list_clear(kernel_get().graphics);
}
BENCHMARK(BM_SelectionSortThousandRows)->Unit(benchmark::kMillisecond);

template <typename Driver>
void frame_twenty_rows(benchmark::State& state) {
    gfx& g = kernel_get().graphics;
    auto made = std::make_unique<Driver>();
    Driver* driver = made.get();
    g.driver = std::move(made);
    add_font(g);
    kvselection w = big_list();
    kvselection_set_first_row(w, 500);
    kvselection_select_index(w, 505, true);
    const kvselection_mouse mouse{false, false, false, false, 300, 250};
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.draw());
        benchmark::DoNotOptimize(w.input(mouse));
        driver->calls.clear();
    }
    gfx_texture_list_clear(g);
    g.driver.reset();
    font_registry_clear();
}

void BM_SelectionFrameTwentyRows(benchmark::State& state) {
    frame_twenty_rows<recording_driver>(state);
}
BENCHMARK(BM_SelectionFrameTwentyRows)->Unit(benchmark::kMicrosecond);

void BM_SelectionFrameTwentyRowsCounted(benchmark::State& state) {
    frame_twenty_rows<counting_driver>(state);
}
BENCHMARK(BM_SelectionFrameTwentyRowsCounted)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
