#include "tools/weapons_writer.h"

#include <algorithm>
#include <set>

#include "beings/weapon_models.h"
#include "beings/weapon_table.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"
#include "util/box3.h"

namespace kv::tools {
namespace {

// A gun-sized box along z: 4 wide, 6 high, 40 long.
const vec3 kLow{-2.0f, -3.0f, 0.0f};
const vec3 kHigh{2.0f, 3.0f, 40.0f};

mesh_desc box_mesh() {
    mesh_desc m;
    box3_init(m.box, kLow, kHigh);
    for (int i = 0; i < 8; ++i) {
        m.vertices.push_back({(i & 1) ? kHigh.x : kLow.x, (i & 2) ? kHigh.y : kLow.y,
                              (i & 4) ? kHigh.z : kLow.z, (i & 1) ? 1.0f : 0.0f, (i & 4) ? 1.0f : 0.0f});
    }
    mesh_desc::part part;
    part.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                    2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    part.draws = {{0, 12, 0}};
    m.parts = {part};
    m.tree = {{m.box, 8, 0}};
    return m;
}

void add_name(std::set<std::string>& names, const std::string& reference) {
    const std::string prefix = kWeaponModelPrefix;
    if (reference.rfind(prefix, 0) == 0) names.insert(reference.substr(prefix.size()));
}

}  // namespace

std::vector<std::string> weapon_model_names() {
    std::set<std::string> names;
    for (int32_t weapon = 0; weapon < kWeaponKinds; ++weapon) {
        for (const int32_t which : {kModelFirstPerson, kModelSecondPart, kModelThirdPerson, kModelExtra})
            add_name(names, weapon_model_name(weapon, which));
        const weapon_models models = weapon_models_find(weapon);
        for (const std::string& name : models.world) add_name(names, name);
        for (const weapon_model_part& part : models.first_person) add_name(names, part.name);
    }
    return {names.begin(), names.end()};
}

std::vector<uint8_t> weapons_package() {
    package_writer w;
    auto& q = w.qxps();
    w.add_surface("s-weapon");
    const mesh_desc box = box_mesh();
    add_geometry(w, {"g-weapon", box.box, {add_mesh(q, box)}, {}});
    for (const std::string& name : weapon_model_names()) {
        add_entity_def(
            w, {name, box.box, {}, {add_mesh_instance(q, {{}, "g-weapon", "s-weapon", "metal1", 0})}});
    }
    return w.finish();
}

}  // namespace kv::tools
