#include "tools/weapons_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "beings/entity.h"
#include "beings/weapon_models.h"
#include "beings/weapon_table.h"
#include "data/reference_list.h"
#include "tests/world/world_test_support.h"

namespace kv {
namespace {

class WeaponsPackage : public world_test {};

TEST_F(WeaponsPackage, EveryModelTheWeaponTablesNameResolves) {
    write_data(tools::kDemoWeaponsPackage, tools::weapons_package());
    ASSERT_TRUE(load_package(srv_, tools::kDemoWeaponsPackage, false)) << log();
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages)) << log();
    entity e;
    entity_create(e, "probe", &srv_);
    int32_t tried = 0;
    auto resolves = [&](const std::string& reference) {
        if (reference.empty()) return;
        ++tried;
        EXPECT_TRUE(entity_set_model(e, reference)) << reference;
        EXPECT_TRUE(entity_attach_model(e, 0, reference)) << reference;
    };
    for (int32_t weapon = 0; weapon < kWeaponKinds; ++weapon) {
        for (const int32_t which : {kModelFirstPerson, kModelSecondPart, kModelThirdPerson, kModelExtra})
            resolves(weapon_model_name(weapon, which));
        const weapon_models models = weapon_models_find(weapon);
        for (const std::string& name : models.world) resolves(name);
        for (const weapon_model_part& part : models.first_person) resolves(part.name);
    }
    EXPECT_GT(tried, 500);
    // The silenced mp5k shows its own world models and the plain one's parts with the silencer.
    EXPECT_TRUE(entity_set_model(e, "weapons:mp5ks-0"));
    EXPECT_TRUE(entity_set_model(e, "weapons:mp5k-1st-4"));
    EXPECT_FALSE(entity_set_model(e, "weapons:hands-0"));
    entity_destroy(e);
}

}  // namespace
}  // namespace kv
