// The server browser's list during a ping round: every frame fills the list widget from the client's
// 1,000 entries (rows found by their key, cells rewritten) and draws it with 14 rows shown through
// the recording driver of the tests. Goal: under 1 ms a frame.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/support/fake_textures.h"
#include "tests/support/recording_driver.h"
#include "ui/multiplayer.h"
#include "ui/widgets/fonts.h"
#include "ui/widgets/kvselection.h"

namespace kv {
namespace {

constexpr const char* kFont = "gui_font02";
constexpr int kEntries = 1000;

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

kvselection browser_list() {
    kvselection_desc d;
    d.background_picture = "back";
    d.visible_rows = 14;
    d.row_spacing = 30;
    d.list[0] = 120.0f;
    d.list[1] = 210.0f;
    d.list[2] = 760.0f;
    d.list[3] = 450.0f;
    d.highlight_picture = "light";
    d.row_width = 736.0f;
    d.row_height = 30.0f;
    d.title_band = 30.0f;
    d.up_picture = "up";
    d.down_picture = "down";
    d.thumb_picture = "thumb";
    d.thumb_width = 24.0f;
    d.arrow_width = 24.0f;
    d.arrow_height = 24.0f;
    d.font = kFont;
    d.char_width = 11;
    d.char_height = 16;
    kvselection w(d);
    const int widths[5][2] = {{204, 7}, {130, 32}, {80, 40}, {80, 40}, {75, 50}};
    for (int c = 0; c < 5; ++c) kvselection_add_column(w, std::to_string(c + 1), widths[c][0], widths[c][1]);
    return w;
}

std::vector<server_entry> entries() {
    std::vector<server_entry> servers(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        server_entry& e = servers[static_cast<std::size_t>(i)];
        e.address = 0x0A000000u + static_cast<uint32_t>(i);
        e.port = static_cast<uint16_t>(57778 + i % 7);
        e.name = "Server " + std::to_string(i * 7919 % 100000) + " on the internet";
        e.map = "map" + std::to_string(i % 50);
        e.numbers[0] = i % 16;
        e.numbers[1] = 16;
        e.answered = i % 10 == 0 ? -1 : 0;
        e.ping = 20 + i % 300;
    }
    return servers;
}

void BM_BrowserFillThousandEntries(benchmark::State& state) {
    gfx& g = kernel_get().graphics;
    auto made = std::make_unique<recording_driver>();
    recording_driver* driver = made.get();
    g.driver = std::move(made);
    add_font(g);
    kvselection list = browser_list();
    std::vector<server_entry> servers = entries();
    browser_fill_rows(list, servers);  // the rows exist after the first frame of the round
    int frame = 0;
    for (auto _ : state) {
        servers[static_cast<std::size_t>(frame % kEntries)].ping = frame % 400;
        benchmark::DoNotOptimize(browser_fill_rows(list, servers));
        benchmark::DoNotOptimize(list.draw());
        driver->calls.clear();
        ++frame;
    }
    gfx_texture_list_clear(g);
    g.driver.reset();
    font_registry_clear();
}
BENCHMARK(BM_BrowserFillThousandEntries)->Unit(benchmark::kMicrosecond);

// The first frame of a round: every row is made.
void BM_BrowserFirstFillThousandEntries(benchmark::State& state) {
    const std::vector<server_entry> servers = entries();
    const kvselection empty = browser_list();
    for (auto _ : state) {
        kvselection list = empty;
        benchmark::DoNotOptimize(browser_fill_rows(list, servers));
    }
}
BENCHMARK(BM_BrowserFirstFillThousandEntries)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
