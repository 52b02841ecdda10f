#pragma once
// Shared set-up of the world-reader tests: the data-layer test fixture (temporary data directory,
// log, stopped clock, fresh world server) with the kernel's surface table built, and small makers of
// world objects for the package writer.

#include <string>
#include <vector>

#include "data/package.h"
#include "data/reference_list.h"
#include "kernel/kernel.h"
#include "tests/data/data_test_support.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "world/surface_table.h"

namespace kv {

class world_test : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        if (kernel_get().surfaces.rows.empty()) surface_table_build(kernel_get().surfaces);
    }

    void write_package(const std::string& name, tools::package_writer& w) { write_data(name, w.finish()); }
    package* find(const std::string& name) { return package_list_find(srv_.packages, name); }
};

inline box3 test_box(float lo, float hi) {
    box3 b;
    box3_init(b, {lo, lo, lo}, {hi, hi, hi});
    return b;
}

// A mesh of n vertices on a line, triangles (0, 1, 2), (1, 2, 3) ... in one part with one draw
// record, and a box tree of one node over all vertices.
inline tools::mesh_desc test_mesh(int n) {
    tools::mesh_desc m;
    m.box = test_box(0.0f, static_cast<float>(n));
    for (int i = 0; i < n; ++i) {
        const float f = static_cast<float>(i);
        m.vertices.push_back({f, 0.0f, 0.0f, f / 10.0f, 0.5f});
    }
    tools::mesh_desc::part part;
    for (int i = 0; i + 2 < n; ++i) {
        for (int k = 0; k < 3; ++k) part.indices.push_back(static_cast<uint16_t>(i + k));
    }
    part.draws.push_back({3, static_cast<uint16_t>(part.indices.size() / 3), 0});
    m.parts.push_back(part);
    m.tree.push_back({m.box, static_cast<uint16_t>(n), 0});
    return m;
}

}  // namespace kv
