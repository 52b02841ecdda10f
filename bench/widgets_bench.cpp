// Interface text: 100 labels of 32 characters in a font with metrics drawn in one frame (goal: under
// 50 microseconds a frame through the recording driver of the tests), and the markup and fitting of
// one list cell (goal: under 1 microsecond). The labels are measured twice: through the recording
// driver, which formats every call into a text line, and through a driver that only counts calls,
// which shows what the labels themselves cost.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/texture.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/support/counting_driver.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/kvtext.h"

namespace kv {
namespace {

constexpr const char* kFont = "gui_font02";
constexpr int kLabels = 100;

// A font with metrics, already read, and its texture in the cache.
void add_font(gfx& g) {
    gfx_texture_list_clear(g);
    fake_texture_add(g, kFont);
    font_registry_clear();
    auto record = std::make_unique<font_metrics>();
    record->name = kFont;
    record->failed = 0;
    for (int c = 0; c < 256; ++c) record->widths[c] = static_cast<int8_t>(6 + c % 10);
    font_registry_get().fonts.push_back(std::move(record));
}

std::vector<kvtext> labels() {
    std::vector<kvtext> all(kLabels);
    for (int i = 0; i < kLabels; ++i) {
        std::string text = "Label " + std::to_string(i) + ": the quick brown fox jumps";
        text.resize(32, '.');
        kvtext_init(all[static_cast<std::size_t>(i)], 500, 10 * i, {1.0f, 1.0f, 1.0f, 0.0f}, text, kFont, 10,
                    22, i % 3, false);
    }
    return all;
}

template <typename Driver>
void draw_labels(benchmark::State& state) {
    gfx& g = kernel_get().graphics;
    auto made = std::make_unique<Driver>();
    Driver* driver = made.get();
    g.driver = std::move(made);
    add_font(g);
    const std::vector<kvtext> all = labels();
    for (auto _ : state) {
        for (const kvtext& t : all) benchmark::DoNotOptimize(kvtext_draw(t));
        driver->calls.clear();
    }
    state.SetItemsProcessed(state.iterations() * kLabels);
    gfx_texture_list_clear(g);
    g.driver.reset();
    font_registry_clear();
}

void BM_HundredLabelsRecorded(benchmark::State& state) {
    draw_labels<recording_driver>(state);
}
BENCHMARK(BM_HundredLabelsRecorded)->Unit(benchmark::kMicrosecond);

void BM_HundredLabelsCounted(benchmark::State& state) {
    draw_labels<counting_driver>(state);
}
BENCHMARK(BM_HundredLabelsCounted)->Unit(benchmark::kMicrosecond);

void BM_CellMarkupAndFit(benchmark::State& state) {
    add_font(kernel_get().graphics);
    const std::string cell = "/c4/c/fgui_font02/fA server name that will not fit [LAN]";
    kvtext label;
    kvtext_init(label, 0, 0, {1.0f, 1.0f, 1.0f, 0.0f}, "", kFont, 10, 22, kTextAlignLeft, false);
    for (auto _ : state) {
        label.text = cell_markup(label, cell);
        kvtext_fit_width(label, 150);
        benchmark::DoNotOptimize(label.text.data());
    }
    font_registry_clear();
    gfx_texture_list_clear(kernel_get().graphics);
}
BENCHMARK(BM_CellMarkupAndFit)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace kv
