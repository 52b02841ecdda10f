// Loading a 1024 x 1024 32-bit Targa texture stored bottom row first (rows turned over, blue and red
// swapped, alpha checked) against one plain read of the same file into a buffer of its size. The
// goal: the load costs at most three plain reads.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/server.h"
#include "gfx/texture.h"
#include "platform/file_io.h"
#include "tools/byte_writer.h"
#include "tools/targa_writer.h"

namespace kv {
namespace {

constexpr uint16_t kSide = 1024;

// The data folder with "tex/tga/big.tga", written once and removed when the program ends.
class bench_texture {
public:
    bench_texture() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_texture_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        tools::targa_desc shape;
        shape.width = shape.height = kSide;
        shape.bits = 32;
        shape.alpha_bits = 8;
        shape.top_first = false;
        shape.texels.resize(static_cast<std::size_t>(kSide) * kSide * 4);
        for (std::size_t i = 0; i < shape.texels.size(); ++i)
            shape.texels[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
        path_ = (folder_ / "tex" / "tga" / "big.tga").string();
        tools::write_file(path_, tools::targa(shape));
        srv_.data_dir = folder_.string() + "/";
    }
    ~bench_texture() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    server& srv() { return srv_; }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
    server srv_;
};

bench_texture& fixture() {
    static bench_texture texture;
    return texture;
}

void BM_TextureLoadTarga32BottomFirst(benchmark::State& state) {
    server& srv = fixture().srv();
    for (auto _ : state) {
        texture t;
        t.name = "big";
        texture_load(t, srv, nullptr);
        benchmark::DoNotOptimize(t.pixels.data());
        if (t.pixels.size() != static_cast<std::size_t>(kSide) * kSide * 4) state.SkipWithError("not loaded");
    }
}
BENCHMARK(BM_TextureLoadTarga32BottomFirst)->Unit(benchmark::kMillisecond);

void BM_TextureFilePlainRead(benchmark::State& state) {
    const std::string& path = fixture().path();
    const std::size_t size = static_cast<std::size_t>(std::filesystem::file_size(path));
    sys_file_mode mode;
    mode.read = true;
    for (auto _ : state) {
        std::vector<uint8_t> buffer(size);
        const int handle = sys_file_open(path, mode);
        std::size_t total = 0;
        for (int64_t got;
             total < size && (got = sys_file_read(handle, buffer.data() + total, size - total)) > 0;) {
            total += static_cast<std::size_t>(got);
        }
        sys_file_close(handle);
        benchmark::DoNotOptimize(buffer.data());
        if (total != size) state.SkipWithError("short read");
    }
}
BENCHMARK(BM_TextureFilePlainRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
