// Loading a large level: thousands of sectors, each with its placed meshes, portals, object tree,
// occluders and light-map bindings, and thousands of geometries, over 50 MB in all. The load is
// timed beside a plain read of the same file, and the resident memory after the load is reported
// beside the file size (goals: the load within 5 times the plain read, the memory within 3 times
// the file).

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "kernel/kernel.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "world/surface_table.h"

namespace kv {
namespace {

constexpr int kSectors = 2500;
constexpr int kMeshesPerSector = 2;
constexpr int kVerticesPerMesh = 240;
constexpr int kPortalsPerSector = 4;
constexpr const char* kMaterials[] = {"wood20", "concrete10", "grass", "metal2", "water1"};

box3 box_of(float lo, float hi) {
    box3 b;
    box3_init(b, {lo, lo, lo}, {hi, hi, hi});
    return b;
}

tools::mesh_desc grid_mesh(int seed) {
    tools::mesh_desc m;
    m.box = box_of(0.0f, 64.0f);
    for (int i = 0; i < kVerticesPerMesh; ++i) {
        const float f = static_cast<float>(i + seed);
        m.vertices.push_back({f, f * 0.5f, f * 0.25f, f / 64.0f, f / 32.0f});
    }
    tools::mesh_desc::part part;
    for (int i = 0; i + 2 < kVerticesPerMesh; ++i) {
        for (int k = 0; k < 3; ++k) part.indices.push_back(static_cast<uint16_t>(i + k));
    }
    part.draws.push_back(
        {static_cast<uint16_t>(seed % 64), static_cast<uint16_t>(part.indices.size() / 3), 0});
    m.parts.push_back(part);
    for (int n = 0; n < 7; ++n) {
        const int first = n * kVerticesPerMesh / 8;
        m.tree.push_back({box_of(static_cast<float>(n), static_cast<float>(n + 8)),
                          static_cast<uint16_t>(kVerticesPerMesh / 8), static_cast<uint16_t>(first)});
    }
    return m;
}

tools::lmap_binding_desc binding(int seed) {
    tools::lmap_binding_desc b;
    for (int i = 0; i < kVerticesPerMesh; ++i) {
        const auto c = static_cast<uint8_t>(i + seed);
        b.colours.push_back({c, c, c});
        b.coords.push_back({static_cast<float>(i) / 256.0f, static_cast<float>(seed % 256) / 256.0f});
        b.ids.push_back(seed % 40);
        b.colours2.push_back({c, 0, c});
    }
    return b;
}

std::array<vec3, 4> quad(float x) {
    return {{{x, -1.0f, -1.0f}, {x, 1.0f, -1.0f}, {x, 1.0f, 1.0f}, {x, -1.0f, 1.0f}}};
}

// The level file, written once into a temporary folder and removed when the program ends.
class level_file {
public:
    level_file() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder_ = base / ("kv_world_load_bench_" + std::to_string(n));
            if (std::filesystem::create_directory(folder_)) break;
        }
        tools::package_writer w(4, "11");
        auto& q = w.qxps();
        w.add_surface("s-wall");
        for (int s = 0; s < kSectors; ++s) {
            tools::sector_desc sec;
            sec.name = "sector" + std::to_string(s);
            sec.transform.translation = {static_cast<float>(s) * 100.0f, 0.0f, 0.0f};
            for (int m = 0; m < kMeshesPerSector; ++m) {
                const int seed = s * kMeshesPerSector + m;
                const std::string name = "geometry" + std::to_string(seed);
                tools::add_geometry(w,
                                    {name, box_of(0.0f, 64.0f), {tools::add_mesh(q, grid_mesh(seed))}, {}});
                tools::transform_block t;
                t.translation = {static_cast<float>(m), 0.0f, 0.0f};
                sec.meshes.push_back(tools::add_mesh_instance(
                    q, {t, name, "s-wall", kMaterials[seed % 5], static_cast<uint16_t>(m)}));
                sec.lmap_bindings.push_back(tools::add_lmap_binding(q, binding(seed)));
            }
            tools::object_tree_desc tree;
            tree.index_width = 1;
            tree.nodes.push_back({box_of(-100.0f, 100.0f), {}, 0.0f, 1, 2});
            tree.leaves.push_back({box_of(-100.0f, 0.0f), 0, 1});
            tree.leaves.push_back({box_of(0.0f, 100.0f), 1, 1});
            tree.items = {0, 1};
            sec.tree = tools::add_object_tree(q, tree);
            for (int p = 0; p < kPortalsPerSector; ++p) {
                const int target = (s + p + 1) % kSectors;
                sec.portals.push_back(
                    tools::add_portal(q, {"sector" + std::to_string(target), quad(10.0f * p)}));
            }
            for (const vec3& point : quad(5.0f)) sec.occluder_points.push_back(point);
            tools::add_sector(w, sec);
        }
        const std::vector<uint8_t> bytes = w.finish();
        size_ = bytes.size();
        tools::write_file(folder_ / "level", bytes);
    }
    ~level_file() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string data_dir() const { return folder_.string() + "/"; }
    std::string path() const { return (folder_ / "level").string(); }
    std::size_t size() const { return size_; }

private:
    std::filesystem::path folder_;
    std::size_t size_ = 0;
};

const level_file& level() {
    static level_file file;
    return file;
}

// The process's resident memory: the second figure of /proc/self/statm, in pages.
double resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Reads the whole file into a new buffer, as a loader that only wanted the bytes would: with memory
// given back first, like the load below, so that both start from the same state.
void BM_PlainReadOfTheLevelFile(benchmark::State& state) {
    const level_file& file = level();
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        state.ResumeTiming();
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[file.size()]);
        file_stream stream;
        file_stream_open(stream, file.path(), kFileRead);
        std::size_t count = 0;
        file_stream_read(stream, bytes.get(), file.size(), &count);
        if (count != file.size()) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
}

// The same read into one buffer used again and again: the file's bytes alone, from the page cache.
void BM_PlainReadOfTheLevelFileWarmBuffer(benchmark::State& state) {
    const level_file& file = level();
    std::vector<uint8_t> bytes(file.size());
    for (auto _ : state) {
        file_stream stream;
        file_stream_open(stream, file.path(), kFileRead);
        std::size_t count = 0;
        file_stream_read(stream, bytes.data(), bytes.size(), &count);
        if (count != bytes.size()) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}

// Loads the level package; with `resolve`, the references between its objects are resolved too.
void load_level(benchmark::State& state, bool resolve) {
    const level_file& file = level();
    if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
    double before = 0.0;
    double after = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        server srv;
        srv.data_dir = file.data_dir();
        // Memory freed earlier (the writer's, the last iteration's) goes back first, so that the
        // growth is the load's own.
        malloc_trim(0);
        before = resident_bytes();
        state.ResumeTiming();
        if (!load_package(srv, "level", false) || (resolve && !ref_list_resolve(ref_list(), srv.packages))) {
            state.SkipWithError("the level did not load");
        }
        state.PauseTiming();
        after = resident_bytes();
        package* p = package_list_find(srv.packages, "level");
        if (!p || p->sectors.items.size() != static_cast<std::size_t>(kSectors))
            state.SkipWithError("sectors missing");
        ref_list().items.clear();
        srv.packages.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
    state.counters["resident_after_load_MB"] = after / 1e6;
    state.counters["load_growth_MB"] = (after - before) / 1e6;
    state.counters["growth_per_file_byte"] = (after - before) / static_cast<double>(file.size());
}

void BM_WorldLoadOfTheLevel(benchmark::State& state) {
    load_level(state, false);
}

void BM_WorldLoadAndResolveOfTheLevel(benchmark::State& state) {
    load_level(state, true);
}

BENCHMARK(BM_PlainReadOfTheLevelFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadOfTheLevelFileWarmBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadOfTheLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadAndResolveOfTheLevel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv
