#include "data/reference_list.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/data/data_test_support.h"
#include "tools/package_writer.h"
#include "tools/world_writer.h"

namespace kv {
namespace {

using tools::package_table;
using tools::package_writer;

// "level" imports "kvbase", which imports "far".
class ReferenceList : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        package_writer far;
        far.add_shader("distant");
        write_data("far", far.finish());

        package_writer base;
        base.add_import("far");
        base.add_screen("main", {base.add_view_record("v1"), base.add_view_record("v2")});
        base.add_shader("basic");
        base.add_surface("s-sky");
        tools::add_geometry(base, {.name = "g-sky"});
        tools::add_entity_def(base, {.name = "e-crate"});
        tools::add_sector(base, {.name = "hall"});
        tools::add_sector(base, {.name = "yard"});
        tools::add_skeleton(base, {.name = "body", .nodes = {{0}}});
        tools::add_animation(base, {.name = "walk"});
        write_data("kvbase", base.finish());

        package_writer level;
        level.add_import("kvbase");
        level.add_shader("basic");  // shadows kvbase's
        tools::add_sector(level, {.name = "room"});
        write_data("maps/level", level.finish());

        ASSERT_TRUE(load_package(srv_, "level", true));
        base_ = package_list_find(srv_.packages, "kvbase");
        level_ = package_list_find(srv_.packages, "level");
        ASSERT_TRUE(base_ && level_);
        clear_log();
    }

    package* base_ = nullptr;
    package* level_ = nullptr;
};

TEST_F(ReferenceList, ResolvesInTheNamedPackageAndThenInItsImports) {
    shader* own = nullptr;
    shader* from_base = nullptr;
    surface* sky = nullptr;
    geometry* sky_geometry = nullptr;
    entity_def* crate = nullptr;
    view_set* screen = nullptr;
    sector* yard = nullptr;
    reference_list& refs = ref_list();
    ref_list_add_shader(refs, "level", "basic", &own);
    ref_list_add_shader(refs, "kvbase", "basic", &from_base);
    ref_list_add_surface(refs, "level", "s-sky", &sky);  // found in the import
    ref_list_add_geometry(refs, "level", "g-sky", &sky_geometry);
    ref_list_add_entity(refs, "kvbase", "e-crate", &crate);
    ref_list_add(refs, kRefScreen, "level", "main", &screen);
    ref_list_add(refs, kRefSector, "level", "yard", &yard);

    EXPECT_TRUE(ref_list_resolve(refs, srv_.packages));
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(refs.items.empty());
    EXPECT_EQ(own, level_->shaders.items[0]);
    EXPECT_EQ(from_base, base_->shaders.items[0]);
    EXPECT_EQ(sky, base_->surfaces.items[0]);
    EXPECT_EQ(sky_geometry, base_->geometries.items[0]);
    EXPECT_EQ(crate, base_->entities.items[0]);
    EXPECT_EQ(screen, base_->screens.items[0]);
    EXPECT_EQ(yard, base_->sectors.items[1]);
}

TEST_F(ReferenceList, UnresolvedReferencesAreListedAndDropped) {
    shader untouched;
    shader* distant = &untouched;
    shader* wrong_case = &untouched;
    shader* resolved = nullptr;
    sector* unloaded = nullptr;
    surface* surface_slot = nullptr;
    reference_list& refs = ref_list();
    ref_list_add_shader(refs, "level", "distant", &distant);  // two import levels away
    ref_list_add_shader(refs, "level", "Basic", &wrong_case);
    ref_list_add_shader(refs, "level", "basic", &resolved);
    ref_list_add(refs, kRefSector, "nowhere", "hall", &unloaded);  // package not loaded
    ref_list_add_surface(refs, "kvbase", "s-ground", &surface_slot);

    EXPECT_FALSE(ref_list_resolve(refs, srv_.packages));
    EXPECT_EQ(log(),
              "The following references couldn't be resolved:\n"
              " shader[distant]\n"
              " shader[Basic]\n"
              " sector[hall]\n"
              " surface[s-ground]\n");
    EXPECT_TRUE(refs.items.empty());
    EXPECT_EQ(distant, &untouched);
    EXPECT_EQ(wrong_case, &untouched);
    EXPECT_EQ(resolved, level_->shaders.items[0]);
}

TEST_F(ReferenceList, LookupsNameWhatIsMissing) {
    EXPECT_EQ(server_find_package(srv_, "kvbase"), base_);
    EXPECT_EQ(package_find_sector(*base_, "yard"), base_->sectors.items[1]);
    EXPECT_EQ(package_find_skeleton(*base_, "body"), base_->skeletons.items[0]);
    EXPECT_EQ(package_find_animation(*base_, "walk"), base_->animations.items[0]);
    view_set* main = package_find_screen(*base_, "main");
    ASSERT_EQ(main, base_->screens.items[0]);
    EXPECT_EQ(view_set_find_view(*main, "v2"), main->views.items[1]);
    EXPECT_EQ(log(), "");

    EXPECT_FALSE(server_find_package(srv_, "KVBASE"));
    EXPECT_FALSE(package_find_sector(*base_, "Yard"));
    EXPECT_FALSE(package_find_screen(*base_, "menu"));
    EXPECT_FALSE(package_find_skeleton(*base_, "legs"));
    EXPECT_FALSE(package_find_animation(*base_, "run"));
    EXPECT_FALSE(view_set_find_view(*main, "v3"));
    EXPECT_EQ(log(),
              "server: No package `KVBASE' found.\n"
              "server: No sector `kvbase:Yard' found.\n"
              "server: No screen `kvbase:menu' found.\n"
              "server: No skeleton `kvbase:legs' found.\n"
              "server: No animation `kvbase:run' found.\n"
              "server: No view `main:v3' found.\n");
}

TEST_F(ReferenceList, SectorNamesResolveInTheNamedOrTheRequestersPackage) {
    sector* hall = base_->sectors.items[0];
    sector* yard = base_->sectors.items[1];
    sector* room = level_->sectors.items[0];
    sector stray;
    struct {
        const char* text;
        const sector* requester;
        const sector* found;
        const char* log;
    } const cases[] = {
        {"kvbase:yard", room, yard, ""},
        {"level:room", hall, room, ""},
        {"yard", hall, yard, ""},  // a bare name looks in the requester's package
        {"yard", room, nullptr, "server: No sector `level:yard' found.\n"},
        {"nowhere:hall", room, nullptr, "server: No package `nowhere' found.\n"},
        // The package is the text before the first ':', also when it is empty.
        {":hall", hall, nullptr, "server: No package `' found.\n"},
        // Names from a file are quoted without their control bytes.
        {"a\nforged: line\r:hall", room, nullptr, "server: No package `a?forged' found.\n"},
        {"level:ro\x1bom", hall, nullptr, "server: No sector `level:ro?om' found.\n"},
        {"hall", &stray, nullptr, ""},  // the requester is in no package
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        clear_log();
        EXPECT_EQ(server_resolve_sector(srv_, c.text, c.requester), c.found);
        EXPECT_EQ(log(), c.log);
    }
}

}  // namespace
}  // namespace kv
