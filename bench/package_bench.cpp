// Loading and unloading a large package (many small objects, shared chunks, arty descriptions with
// parameters) from a loose file, and from the same bytes inside an archive.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "data/package.h"
#include "data/pak_archive.h"
#include "game/server.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"

namespace kv {
namespace {

using tools::package_table;

std::vector<uint8_t> large_package(int objects) {
    tools::package_writer w(4);
    for (int i = 0; i < objects; ++i) {
        const std::string n = std::to_string(i);
        const int32_t sector = tools::add_sector(w, {.name = "sector-" + n});
        w.list(package_table::sectors, sector);
        w.add_surface("s-" + n);
        w.add_arty(
            "kvdoor", "d-" + n,
            tools::token_writer().key("cb:").integer(10).key("gi:").str("sector-" + n + ":door").bytes());
    }
    return w.finish();
}

class bench_data {
public:
    explicit bench_data(int objects) {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_package_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        const auto bytes = large_package(objects);
        tools::write_file(folder_ / "data" / "level", bytes);
        tools::pak_writer pak;
        pak.add("packed", bytes);
        pak.write(folder_ / "game.pak");
    }
    ~bench_data() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string data_dir() const { return (folder_ / "data").string() + "/"; }
    std::string archive() const { return (folder_ / "game.pak").string(); }

private:
    std::filesystem::path folder_;
};

void load_and_unload(benchmark::State& state, const char* name, bool from_archive) {
    const bench_data data(static_cast<int>(state.range(0)));
    server srv;
    srv.data_dir = data.data_dir();
    if (from_archive) srv.archives.push_back(pak_archive_open(data.archive()));
    for (auto _ : state) {
        if (!load_package(srv, name, false)) state.SkipWithError("load failed");
        package_destroy(srv, *srv.packages.front());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 3);
}

void BM_LoadLoosePackage(benchmark::State& state) {
    load_and_unload(state, "level", false);
}
void BM_LoadArchivedPackage(benchmark::State& state) {
    load_and_unload(state, "packed", true);
}

BENCHMARK(BM_LoadLoosePackage)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadArchivedPackage)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
