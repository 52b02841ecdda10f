#include "tools/teams_writer.h"

#include <algorithm>

#include "tools/targa_writer.h"
#include "tools/token_writer.h"
#include "util/box3.h"

namespace kv::tools {
namespace {

const char* const kTeamWords[3] = {"blue", "red", "black"};
const char* const kSpecialisationSuffixes[4] = {"-s", "-sc", "-sn", "-sp"};
// The skin words of each team (the game object names some twice).
const std::vector<std::vector<const char*>> kSkinWords = {
    {"socom", "bwehr", "uk", "fr", "usdes"},
    {"spetz", "spetz2"},
    {"merc", "merc2", "merc3"},
};

enum zone_band { head_band, chest_band, arms_band, legs_band };

// One box of the body: its corners in the model frame, its bone and its zone.
struct body_box {
    vec3 lo;
    vec3 hi;
    uint8_t bone;
    zone_band band;
};

// The leaves of the box tree in vertex order, each a run of boxes.
struct body_leaf {
    int node;
    std::vector<body_box> boxes;
};

std::vector<body_leaf> body_leaves() {
    // The right side's bones: thigh 45, shin 46, foot 47, upper arm 12, forearm 13; the left side's
    // 50, 51, 52, 30, 31.
    const auto leg = [](float side, uint8_t hip) {
        return std::vector<body_box>{
            {{side * 3.0f, -45.0f, -7.0f}, {side * 17.0f, 0.0f, 7.0f}, hip, legs_band},
            {{side * 4.0f, -85.0f, -6.0f},
             {side * 16.0f, -45.0f, 6.0f},
             static_cast<uint8_t>(hip + 1),
             legs_band},
            {{side * 5.0f, -95.0f, -8.0f},
             {side * 15.0f, -85.0f, 14.0f},
             static_cast<uint8_t>(hip + 2),
             legs_band},
        };
    };
    // A box given by two opposite corners in any order.
    const auto span = [](const vec3& a, const vec3& b, uint8_t bone, zone_band band) {
        return body_box{{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)},
                        {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)},
                        bone,
                        band};
    };
    return {
        {15, leg(1.0f, 45)},
        {16, leg(-1.0f, 50)},
        {8, {span({-16.0f, -5.0f, -10.0f}, {16.0f, 12.0f, 10.0f}, 1, chest_band)}},
        {9,
         {span({16.0f, 33.0f, -5.0f}, {26.0f, 52.0f, 5.0f}, 12, arms_band),
          span({17.0f, 22.0f, -4.0f}, {28.0f, 36.0f, 32.0f}, 13, arms_band)}},
        {10,
         {span({-16.0f, 33.0f, -5.0f}, {-26.0f, 52.0f, 5.0f}, 30, arms_band),
          span({-27.0f, 22.0f, -4.0f}, {-8.0f, 36.0f, 42.0f}, 31, arms_band)}},
        {11, {span({-9.0f, 58.0f, -9.0f}, {9.0f, 78.0f, 10.0f}, 6, head_band)}},
        {12, {span({-5.0f, 50.0f, -5.0f}, {5.0f, 58.0f, 5.0f}, 5, head_band)}},
        {kBodyChestFrontNode, {span({-14.0f, 12.0f, 0.0f}, {14.0f, 50.0f, 11.0f}, 4, chest_band)}},
        {kBodyChestBackNode, {span({-14.0f, 12.0f, -11.0f}, {14.0f, 50.0f, 0.0f}, 4, chest_band)}},
    };
}

constexpr int kTreeNodes = 16;

// The vertices of node i: its own run for a leaf, its children's for an inner node.
struct vertex_run {
    int first = -1;
    int count = 0;
};

vertex_run run_of(int node, const std::vector<vertex_run>& leaves) {
    if (node > kTreeNodes) return {};
    if (leaves[static_cast<std::size_t>(node)].first >= 0) return leaves[static_cast<std::size_t>(node)];
    const vertex_run a = run_of(2 * node + 1, leaves);
    const vertex_run b = run_of(2 * node + 2, leaves);
    if (a.first < 0) return b;
    if (b.first < 0) return a;
    const int first = std::min(a.first, b.first);
    return {first, std::max(a.first + a.count, b.first + b.count) - first};
}

box3 bounds_of(const mesh_desc& m, const vertex_run& run) {
    box3 box;
    for (int k = run.first; k < run.first + run.count; ++k) {
        const mesh_desc::vertex& v = m.vertices[static_cast<std::size_t>(k)];
        if (k == run.first) {
            box3_init_point(box, {v.x, v.y, v.z});
        } else {
            box3_add_point(box, {v.x, v.y, v.z});
        }
    }
    return box;
}

}  // namespace

std::vector<std::string> team_body_names() {
    std::vector<std::string> names;
    for (const char* team : kTeamWords) {
        for (const char* suffix : kSpecialisationSuffixes) names.push_back(std::string(team) + suffix);
    }
    return names;
}

std::vector<std::string> team_skin_names() {
    std::vector<std::string> names;
    for (const auto& words : kSkinWords) {
        for (const char* word : words) {
            for (const char* suffix : kSpecialisationSuffixes) names.push_back(std::string(word) + suffix);
        }
    }
    return names;
}

mesh_desc team_body_mesh() {
    mesh_desc m;
    std::vector<vertex_run> leaves(kTreeNodes + 1);
    for (const body_leaf& leaf : body_leaves()) {
        vertex_run& run = leaves[static_cast<std::size_t>(leaf.node)];
        run.first = static_cast<int>(m.vertices.size());
        for (const body_box& b : leaf.boxes) {
            // The middle of the zone's band of texels.
            const float v = (2.0f * static_cast<float>(b.band) + 1.0f) / kHitMapSide;
            add_box(m, b.lo, b.hi, b.bone, 0.5f, v);
        }
        run.count = static_cast<int>(m.vertices.size()) - run.first;
    }
    m.parts[0].draws = {{0, static_cast<uint16_t>(m.parts[0].indices.size() / 3), 0}};
    m.box = bounds_of(m, {0, static_cast<int>(m.vertices.size())});
    for (int node = 1; node <= kTreeNodes; ++node) {
        const vertex_run run = run_of(node, leaves);
        m.tree.push_back(
            {bounds_of(m, run), static_cast<uint16_t>(run.count), static_cast<uint16_t>(run.first)});
    }
    return m;
}

std::vector<uint8_t> team_hit_map() {
    targa8_desc map;
    map.width = map.height = kHitMapSide;
    for (int row = 0; row < kHitMapSide; ++row) {
        for (int column = 0; column < kHitMapSide; ++column) map.texels.push_back(kHitZones[row / 2]);
    }
    return targa8(map);
}

std::vector<uint8_t> teams_package() {
    package_writer w;
    // The skins are painted by the shared package's shader.
    w.add_import("kvbase");
    auto& q = w.qxps();
    for (std::size_t team = 0; team < kSkinWords.size(); ++team) {
        for (const char* word : kSkinWords[team]) {
            for (const char* suffix : kSpecialisationSuffixes) {
                const auto layer = description_layer(
                    token_writer().str("layer").str("paint").str(kTeamUniforms[team]).bytes());
                w.add_surface(std::string(word) + suffix, {layer});
            }
        }
    }
    const mesh_desc body = team_body_mesh();
    add_geometry(w, {"g-body", body.box, {}, {add_skinned_mesh(q, body)}});
    for (std::size_t team = 0; team < kSkinWords.size(); ++team) {
        for (const char* suffix : kSpecialisationSuffixes) {
            const std::string skin = std::string(kSkinWords[team][0]) + suffix;
            add_entity_def(w, {std::string(kTeamWords[team]) + suffix,
                               body.box,
                               {},
                               {add_mesh_instance(q, {{}, "g-body", skin, "flesh", 0})}});
        }
    }
    return w.finish();
}

}  // namespace kv::tools
