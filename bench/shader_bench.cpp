// Running a two-command shader ("tex", "bfcull") for one layer while the texture cache holds 10 and
// 1,000 textures: the lookup by name should cost about the same (goal: the 1,000-texture run within
// twice the 10-texture run). The texture named is the last one made.

#include <benchmark/benchmark.h>

#include <string>

#include "gfx/gfx.h"
#include "gfx/shader.h"
#include "tools/token_writer.h"
#include "util/token_list.h"

namespace kv {
namespace {

std::unique_ptr<token_list> list_of(const tools::token_writer& w) {
    const std::vector<uint8_t> bytes = w.bytes();
    auto list = std::make_unique<token_list>();
    token_list_init(*list, bytes.size(), bytes.data());
    return list;
}

void BM_ShaderRun(benchmark::State& state) {
    const auto textures = static_cast<int>(state.range(0));
    gfx g;  // no display driver: the records count as uploaded already
    for (int i = 0; i < textures; ++i) {
        g.textures.push_back(texture_create("texture-" + std::to_string(i)));
        texture& t = *g.textures.back();
        t.kind = kTextureRgb;
        t.uploaded = 1;
        g.texture_index[t.name] = &t;
    }
    shader s;
    s.name = "wall";
    s.commands.push_back(list_of(tools::token_writer().str("tex").str("$1")));
    s.commands.push_back(list_of(tools::token_writer().str("bfcull").str("off")));
    const auto layer = list_of(
        tools::token_writer().str("layer").str("wall").str("texture-" + std::to_string(textures - 1)));
    layer_state layer_state;
    for (auto _ : state) {
        shader_run(s, g, layer.get(), layer_state);
        benchmark::DoNotOptimize(layer_state);
    }
}
BENCHMARK(BM_ShaderRun)->Arg(10)->Arg(1000);

}  // namespace
}  // namespace kv
