// Typed 4-byte reads through a file stream against one plain read of the same 64 MiB file.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "data/file_stream.h"
#include "platform/file_io.h"

namespace kv {
namespace {

constexpr std::size_t kFileSize = 64u << 20;

// The test file, written once and removed when the program ends.
class bench_file {
public:
    bench_file() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_file_stream_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        path_ = (folder_ / "data.bin").string();
        std::vector<uint32_t> words(kFileSize / 4);
        for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint32_t>(i * 2654435761u);
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(kFileSize));
    }
    ~bench_file() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

const std::string& file_path() {
    static bench_file file;
    return file.path();
}

void BM_FileStreamTypedReadU32(benchmark::State& state) {
    const std::string& path = file_path();
    for (auto _ : state) {
        file_stream stream;
        file_stream_open(stream, path, kFileRead);
        uint32_t sum = 0;
        for (std::size_t i = 0; i < kFileSize / 4; ++i) sum += file_stream_read_u32(stream);
        benchmark::DoNotOptimize(sum);
        if (!stream.ok) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kFileSize));
}
BENCHMARK(BM_FileStreamTypedReadU32)->Unit(benchmark::kMillisecond);

void BM_FileStreamPlainRead(benchmark::State& state) {
    const std::string& path = file_path();
    const auto buffer = std::make_unique<uint8_t[]>(kFileSize);
    sys_file_mode mode;
    mode.read = true;
    for (auto _ : state) {
        const int handle = sys_file_open(path, mode);
        std::size_t total = 0;
        for (int64_t got; total < kFileSize &&
                          (got = sys_file_read(handle, buffer.get() + total, kFileSize - total)) > 0;) {
            total += static_cast<std::size_t>(got);
        }
        sys_file_close(handle);
        benchmark::DoNotOptimize(buffer.get());
        if (total != kFileSize) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kFileSize));
}
BENCHMARK(BM_FileStreamPlainRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
