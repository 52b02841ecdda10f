#include "data/package.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/pak_archive.h"
#include "tests/data/data_test_support.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"
#include "util/text.h"

namespace kv {
namespace {

using tools::package_table;
using tools::package_writer;
using tools::token_writer;

constexpr const char* kStamp = "[0s0] ";

std::string loading(const std::string& name) {
    return std::string(kStamp) + "  Loading package '" + name + "' ...\n";
}
std::string ok() {
    return std::string(kStamp) + "  OK\n";
}
std::string unloaded(const std::string& name) {
    return "Package `" + name + "' is being unloaded.\n";
}

// A package holding one arty description named after the package.
package_writer arty_package(const std::string& instance, const std::vector<std::string>& imports = {}) {
    package_writer w;
    for (const std::string& import : imports) w.add_import(import);
    w.add_arty("kvlevel", instance,
               token_writer().key("cb:").integer(100).key("name:").str(instance).bytes());
    return w;
}

class Package : public data_test {
protected:
    void write_package(const std::string& name, package_writer w) { write_data(name, w.finish()); }
    // The line of a package that neither the data folder nor an archive holds.
    std::string no_file(const std::string& name) const {
        return "server: no file `" + srv_.data_dir + name + "' for package `" + name + "'.\n";
    }

    void add_archive(const std::string& file,
                     const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks) {
        tools::pak_writer w;
        for (const auto& [name, bytes] : chunks) w.add(name, bytes);
        auto archive = pak_archive_open(folder_.write(file, as_text(w.finish())));
        ASSERT_TRUE(archive);
        srv_.archives.push_back(std::move(archive));
    }

    package* find(const std::string& name) { return package_list_find(srv_.packages, name); }

    std::vector<std::string> loaded() const {
        std::vector<std::string> names;
        for (const auto& p : srv_.packages) names.push_back(p->name);
        return names;
    }

    // The instance name of the package's first arty description, or "none".
    std::string first_arty(const std::string& name) {
        package* p = find(name);
        return p && !p->arties.items.empty() ? p->arties.items[0]->instance_name : "none";
    }
};

TEST_F(Package, LoadsAPackageWithItsImports) {
    write_package("maps/level", arty_package("level", {"base", "sky"}));
    write_package("base", arty_package("base"));
    write_package("sky", arty_package("sky"));

    ASSERT_TRUE(load_package(srv_, "level", true));
    EXPECT_EQ(log(), loading("level") + ok() + loading("base") + ok() + loading("sky") + ok());
    EXPECT_EQ(loaded(), (std::vector<std::string>{"level", "base", "sky"}));
    EXPECT_EQ(srv_.current_level_name, "level");

    const package& level = *find("level");
    EXPECT_EQ(level.imports, (std::vector<std::string>{"base", "sky"}));
    ASSERT_EQ(level.arties.items.size(), 1u);
    const arty_description& d = *level.arties.items[0];
    EXPECT_EQ(d.class_name, "kvlevel");
    EXPECT_EQ(d.instance_name, "level");
    ASSERT_TRUE(d.parameters);
    ASSERT_EQ(token_list_count(*d.parameters), 4);
    EXPECT_EQ(token_list_get_string(*d.parameters, 0), "cb:");
    EXPECT_EQ(token_list_get_int(*d.parameters, 1), 100);
    EXPECT_EQ(token_list_get_string(*d.parameters, 3), "level");

    // Each package's descriptions went to the factory as a spawn group of their own.
    EXPECT_NE(level.spawn_group, 0u);
    EXPECT_NE(find("base")->spawn_group, level.spawn_group);
    EXPECT_EQ(level.spawn_group & ~0x3FFF0000u, 0u);
}

TEST_F(Package, AnAlreadyLoadedPackageIsNotReadAgain) {
    write_package("base", arty_package("base"));
    ASSERT_TRUE(load_package(srv_, "base", false));
    std::filesystem::remove(folder_.file("data/base"));
    clear_log();
    srv_.current_level_name = "other";
    EXPECT_TRUE(load_package(srv_, "base", false));
    EXPECT_EQ(log(), "");
    EXPECT_EQ(srv_.current_level_name, "base");
    EXPECT_EQ(srv_.packages.size(), 1u);
}

TEST_F(Package, MapsFolderIsOnlyForMaps) {
    write_package("maps/level", arty_package("level"));
    write_package("maps/onlymap", arty_package("onlymap"));
    write_package("loose", arty_package("loose"));
    write_package("maps/needsbase", arty_package("needsbase", {"mapbase"}));
    write_package("maps/mapbase", arty_package("mapbase"));
    struct {
        const char* name;
        bool map;
        bool loads;
    } const cases[] = {
        {"level", true, true},  {"level", false, false},    {"loose", true, false},
        {"loose", false, true}, {"needsbase", true, false},  // imports are never looked up under "maps/"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.map ? " as a map" : ""));
        server srv;
        srv.data_dir = srv_.data_dir;
        EXPECT_EQ(load_package(srv, c.name, c.map), c.loads);
    }
    // In archives the bare name is looked up, map or not.
    add_archive("game.pak", {{"packed", arty_package("packed").finish()}});
    EXPECT_TRUE(load_package(srv_, "packed", true));
}

TEST_F(Package, PackagesLoadFromArchivesWhenNoLooseFileHasThem) {
    add_archive("game.pak", {{"level", arty_package("level", {"base"}).finish()},
                             {"base", arty_package("base").finish()}});
    ASSERT_TRUE(load_package(srv_, "level", false));
    EXPECT_EQ(log(), loading("level") + loading("base"));  // no "  OK" for archive chunks
    EXPECT_EQ(loaded(), (std::vector<std::string>{"level", "base"}));
    EXPECT_EQ(srv_.current_level_name, "level");
    EXPECT_FALSE(load_package(srv_, "nowhere", false));
}

TEST_F(Package, ALooseFileWinsOverTheArchive) {
    add_archive("game.pak",
                {{"level", arty_package("packed").finish()}, {"damaged", arty_package("packed").finish()}});
    write_package("level", arty_package("loose"));
    std::vector<uint8_t> bad = arty_package("loose").finish();
    bad[0] = 'X';
    write_data("damaged", bad);

    ASSERT_TRUE(load_package(srv_, "level", false));
    EXPECT_EQ(first_arty("level"), "loose");
    // A loose file that cannot be read leaves the name to the archives.
    clear_log();
    ASSERT_TRUE(load_package(srv_, "damaged", false));
    EXPECT_EQ(first_arty("damaged"), "packed");
    EXPECT_EQ(log(), loading("damaged") + "[PS] Invalid header found" + unloaded("damaged"));
}

TEST_F(Package, DamagedPackagesFailWithTheirLogLine) {
    const auto damaged = [](auto change) {
        package_writer w = arty_package("p");
        change(w);
        return w.finish();
    };
    struct damage {
        const char* label;
        std::vector<uint8_t> bytes;
        std::string line;
    };
    const std::vector<damage> cases = {
        {"bad magic", damaged([](package_writer& w) { w.qxps().magic = "QXPZ"; }),
         "[PS] Invalid header found"},
        {"future version", [] { return arty_package("p").finish(); }(), ""},  // replaced below
        {"import count of 32768", damaged([](package_writer& w) { w.import_count_override = 0x8000; }),
         "[PS] Count 32768 out of range"},
        {"table count of 40000", damaged([](package_writer& w) {
             w.count_override[static_cast<int>(package_table::arties)] = 40000;
         }),
         "[PS] Count 40000 out of range"},
        {"table count beyond its ids",
         damaged([](package_writer& w) { w.count_override[static_cast<int>(package_table::arties)] = 3; }),
         "[PS] Chunk 0 is not in the directory"},  // the next table's count taken as an id
        {"id missing from the directory",
         damaged([](package_writer& w) { w.list(package_table::arties, 77); }),
         "[PS] Chunk 77 is not in the directory"},
        {"one chunk in two kinds of table",
         damaged([](package_writer& w) { w.list(package_table::skeletons, 2); }),
         "[PS] Chunk 2 holds another kind of object"},
        {"parameters of 13313 bytes", damaged([](package_writer& w) {
             w.add_arty("kvdoor", "big", token_writer().str16(std::string(13308, 'x')).bytes());
         }),
         "[PS] Parameters of arty `big' too large (13313 bytes)"},
        {"damaged parameters", damaged([](package_writer& w) {
             w.add_arty("kvdoor", "bad", token_writer().int32(5).bytes_with_count(2));
         }),
         "[PS] Damaged parameters of arty `bad'"},
    };
    for (damage c : cases) {
        if (std::string(c.label) == "future version") {
            c.bytes = package_writer(2, "12").finish();
            c.line = "[PS] Unsupported (future) version found";
        }
        SCOPED_TRACE(c.label);
        server srv;
        srv.data_dir = srv_.data_dir;
        write_data("p", c.bytes);
        clear_log();
        EXPECT_FALSE(load_package(srv, "p", false));
        EXPECT_TRUE(srv.packages.empty());
        const std::string text = log();
        EXPECT_EQ(text.rfind(loading("p"), 0), 0u) << text;
        EXPECT_NE(text.find(c.line + unloaded("p")), std::string::npos) << text;
    }
    clear_log();
    EXPECT_FALSE(load_package(srv_, "missing", false));
    EXPECT_EQ(log(), loading("missing") + no_file("missing"));
}

TEST_F(Package, ParameterBlocksOfTheLargestSizeLoad) {
    package_writer w;
    w.add_arty("kvscreen", "big", token_writer().str16(std::string(13307, 'x')).bytes());
    write_package("big", w);
    ASSERT_TRUE(load_package(srv_, "big", false));
    const arty_description& d = *find("big")->arties.items[0];
    ASSERT_TRUE(d.parameters);
    EXPECT_EQ(d.parameters->bytes.size(), kArtyParametersMax);
    EXPECT_EQ(token_list_get_string(*d.parameters, 0).size(), 13307u);
}

TEST_F(Package, EveryCutOfAPackageFailsCleanly) {
    package_writer w;
    w.add_import("base");
    const int32_t view = w.add_view_record("main");
    w.add_screen("menu", {view, view});
    w.add_shader("sh");
    w.add_arty("kvgame", "game", token_writer().key("cb:").integer(5).bytes());
    tools::add_sector(w, {.name = "hall"});  // last in the file, and read to its end
    const std::vector<uint8_t> whole = w.finish();
    write_package("base", arty_package("base"));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        server srv;
        srv.data_dir = srv_.data_dir;
        write_data("cut", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
        EXPECT_FALSE(load_package(srv, "cut", false));
        EXPECT_TRUE(srv.packages.empty());
    }
    write_data("cut", whole);
    EXPECT_TRUE(load_package(srv_, "cut", false));
}

TEST_F(Package, APackageWithOnlyImportsFailsAndReleasesNothing) {
    write_package("base", arty_package("base"));
    package_writer hollow;
    hollow.add_import("base");
    write_package("hollow", hollow);
    ASSERT_TRUE(load_package(srv_, "base", false));
    clear_log();
    EXPECT_FALSE(load_package(srv_, "hollow", false));
    EXPECT_EQ(log(), loading("hollow") + unloaded("hollow"));
    EXPECT_EQ(loaded(), std::vector<std::string>{"base"});
}

TEST_F(Package, AnObjectListedTwiceIsOneObjectOwnedOnce) {
    package_writer w;
    const int32_t arty = w.add_arty("kvgame", "game", {});
    w.list(package_table::arties, arty);
    const int32_t view = w.add_view_record("v");
    w.add_screen("menu", {view, view});
    const int32_t hall = tools::add_sector(w, {.name = "hall"});
    tools::add_sector(w, {.name = "yard"});
    w.list(package_table::sectors, hall);
    write_package("twice", w);
    ASSERT_TRUE(load_package(srv_, "twice", false));
    const package& p = *find("twice");
    ASSERT_EQ(p.arties.items.size(), 2u);
    EXPECT_EQ(p.arties.items[0], p.arties.items[1]);
    EXPECT_EQ(p.arties.storage.size(), 1u);
    const view_set& menu = *p.screens.items[0];
    ASSERT_EQ(menu.views.items.size(), 2u);
    EXPECT_EQ(menu.views.items[0], menu.views.items[1]);
    EXPECT_EQ(menu.views.items[0]->name, "v");
    EXPECT_EQ(menu.views.storage.size(), 1u);
    EXPECT_EQ(p.sectors.storage.size(), 2u);
    EXPECT_EQ(package_sector_index(p, p.sectors.items[2]), 0);
    EXPECT_EQ(package_sector_index(p, p.sectors.items[1]), 1);
    EXPECT_EQ(package_sector_index(p, nullptr), -1);
    // Destroyed once each (the sanitizers see a second destruction).
    package_destroy(srv_, *find("twice"));
    EXPECT_TRUE(srv_.packages.empty());
}

TEST_F(Package, ObjectsOfEveryKindKeepTheirNames) {
    package_writer w;
    w.add_screen("menu", {w.add_view_record("main")});
    w.add_shader("sh");
    w.add_surface("s-wall");
    w.add_surface("s-floor");
    tools::add_geometry(w, {.name = "g-box"});
    tools::add_entity_def(w, {.name = "e-crate"});
    tools::add_sector(w, {.name = "hall"});
    tools::add_skeleton(w, {.name = "body", .nodes = {{0}}});
    tools::add_animation(w, {.name = "walk"});
    write_package("all", w);
    ASSERT_TRUE(load_package(srv_, "all", false));
    const package& p = *find("all");
    EXPECT_EQ(p.screens.items[0]->name, "menu");
    EXPECT_EQ(p.screens.items[0]->views.items[0]->name, "main");
    EXPECT_EQ(p.shaders.items[0]->name, "sh");
    EXPECT_EQ(p.surfaces.items[1]->name, "s-floor");
    EXPECT_EQ(package_surface_index(p, p.surfaces.items[1]), 1);
    EXPECT_EQ(p.geometries.items[0]->name, "g-box");
    EXPECT_EQ(p.entities.items[0]->name, "e-crate");
    EXPECT_EQ(p.sectors.items[0]->name, "hall");
    EXPECT_EQ(p.skeletons.items[0]->name, "body");
    EXPECT_EQ(p.animations.items[0]->name, "walk");
    EXPECT_TRUE(p.arties.items.empty());
    EXPECT_EQ(p.spawn_group, 0u);  // no descriptions, no spawn group
}

TEST_F(Package, AnImportStaysWhileAnotherPackageUsesIt) {
    write_package("base", arty_package("base"));
    write_package("one", arty_package("one", {"base"}));
    write_package("two", arty_package("two", {"base"}));
    ASSERT_TRUE(load_package(srv_, "one", false));
    ASSERT_TRUE(load_package(srv_, "two", false));
    clear_log();
    package_destroy(srv_, *find("one"));
    EXPECT_EQ(log(), unloaded("one"));
    EXPECT_EQ(loaded(), (std::vector<std::string>{"base", "two"}));
    package_destroy(srv_, *find("two"));
    EXPECT_EQ(log(), unloaded("one") + unloaded("two") + unloaded("base"));
    EXPECT_TRUE(srv_.packages.empty());
}

TEST_F(Package, ImportCyclesLoadAndUnloadOnce) {
    write_package("a", arty_package("a", {"b"}));
    write_package("b", arty_package("b", {"a", "b"}));  // b also imports itself
    ASSERT_TRUE(load_package(srv_, "a", false));
    EXPECT_EQ(log(), loading("a") + ok() + loading("b") + ok());
    EXPECT_EQ(loaded(), (std::vector<std::string>{"a", "b"}));
    clear_log();
    package_destroy(srv_, *find("a"));
    EXPECT_EQ(log(), unloaded("a") + unloaded("b"));
    EXPECT_TRUE(srv_.packages.empty());

    // A cycle below the package unloaded goes with it, and one still used stays.
    write_package("level", arty_package("level", {"a"}));
    write_package("other", arty_package("other", {"b"}));
    ASSERT_TRUE(load_package(srv_, "level", false));
    ASSERT_TRUE(load_package(srv_, "other", false));
    clear_log();
    package_destroy(srv_, *find("level"));
    EXPECT_EQ(log(), unloaded("level"));
    package_destroy(srv_, *find("other"));
    EXPECT_EQ(log(), unloaded("level") + unloaded("other") + unloaded("b") + unloaded("a"));
    EXPECT_TRUE(srv_.packages.empty());
}

TEST_F(Package, AFailedImportIsNotReportedAsSuccessLater) {
    write_package("base", arty_package("base"));
    write_package("mid", arty_package("mid", {"deep"}));
    write_package("level", arty_package("level", {"base", "mid"}));
    EXPECT_FALSE(load_package(srv_, "level", false));
    EXPECT_EQ(log(), loading("level") + ok() + loading("base") + ok() + loading("mid") + ok() +
                         loading("deep") + no_file("deep") +
                         "server: Failed to load imported package `deep'.\n"
                         "server: Failed to load imported package `mid'.\n");
    // What loaded stays loaded, the arties of the incomplete packages are not spawned.
    EXPECT_EQ(loaded(), (std::vector<std::string>{"level", "base", "mid"}));
    EXPECT_EQ(find("level")->spawn_group, 0u);

    clear_log();
    EXPECT_FALSE(load_package(srv_, "level", false));
    EXPECT_EQ(log(), loading("deep") + no_file("deep") +
                         "server: Failed to load imported package `deep'.\n"
                         "server: Failed to load imported package `mid'.\n");

    write_package("deep", arty_package("deep"));
    clear_log();
    EXPECT_TRUE(load_package(srv_, "level", false));
    EXPECT_EQ(log(), loading("deep") + ok());
    EXPECT_EQ(loaded(), (std::vector<std::string>{"level", "base", "mid", "deep"}));
    EXPECT_NE(find("level")->spawn_group, 0u);
    EXPECT_EQ(srv_.current_level_name, "level");
    // "base" was counted once, not once per attempt.
    clear_log();
    package_destroy(srv_, *find("level"));
    EXPECT_EQ(log(), unloaded("level") + unloaded("base") + unloaded("mid") + unloaded("deep"));
}

TEST_F(Package, ReferencesIntoAPackageGoWithIt) {
    shader* slot = nullptr;
    ref_list_add_shader(ref_list(), "x", "kept", &slot);
    // References queued while a package is read belong to it; a failed read drops them.
    package p;
    p.name = "p";
    ref_list().filling = &p;
    ref_list_add_shader(ref_list(), "p", "dropped", &slot);
    ref_list().filling = nullptr;
    write_data("p", {'b', 'a', 'd'});
    file_stream in;
    ASSERT_TRUE(file_stream_open(in, srv_.data_dir + "p", kFileRead));
    package_read(p, in, srv_);
    ASSERT_EQ(ref_list().items.size(), 1u);
    EXPECT_EQ(ref_list().items[0].object_name, "kept");

    // So does unloading it.
    write_package("q", arty_package("q"));
    ASSERT_TRUE(load_package(srv_, "q", false));
    ref_list().filling = find("q");
    ref_list_add_shader(ref_list(), "q", "from q", &slot);
    ref_list().filling = nullptr;
    package_destroy(srv_, *find("q"));
    ASSERT_EQ(ref_list().items.size(), 1u);
    EXPECT_EQ(ref_list().items[0].object_name, "kept");
}

TEST_F(Package, PackageListLoadKeepsOnlyPackagesWithObjects) {
    write_package("good", arty_package("good"));
    write_package("empty", package_writer());
    file_stream in;
    ASSERT_TRUE(file_stream_open(in, srv_.data_dir + "good", kFileRead));
    EXPECT_TRUE(package_list_load(srv_, "good", in));
    ASSERT_TRUE(file_stream_open(in, srv_.data_dir + "empty", kFileRead));
    EXPECT_FALSE(package_list_load(srv_, "empty", in));
    EXPECT_EQ(loaded(), std::vector<std::string>{"good"});
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The descriptors this process has open.
std::size_t open_descriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// Imports nest at most 64 deep below the package loaded by name: a chain one deeper, or 20,000 deep
// (held in an archive), fails cleanly at that depth with its line. Each file is closed before its
// imports load, so a chain holds one descriptor at a time: the loads run with only a few to spare.
TEST_F(Package, ImportChainsNestAtMost64Deep) {
    constexpr int kLongChain = 20000;
    const auto name = [](int i) { return str_format("p%05d", i); };
    std::vector<std::pair<std::string, std::vector<uint8_t>>> chain;
    for (int i = 0; i < kLongChain; ++i)
        chain.emplace_back(name(i), arty_package(name(i), {name(i + 1)}).finish());
    add_archive("chain.pak", chain);
    // Loose files: chains of 64 and 65 imports below their first package, which ends each in a
    // package without imports.
    for (int i = 0; i <= 65; ++i) {
        std::vector<std::string> imports;
        if (i < 65) imports.push_back(str_format("s%02d", i + 1));
        write_package(str_format("s%02d", i), arty_package("s", imports));
    }

    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = open_descriptors() + 8;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);

    ASSERT_TRUE(load_package(srv_, "s01", false));
    EXPECT_EQ(srv_.packages.size(), 65u);
    EXPECT_EQ(log().find("server: Failed"), std::string::npos);

    for (const std::string& first : {std::string("s00"), name(0)}) {
        SCOPED_TRACE(first);
        srv_.packages.clear();
        clear_log();
        EXPECT_FALSE(load_package(srv_, first, false));
        const std::string text = log();
        const std::string last = first == "s00" ? "s64" : name(64);
        const std::string beyond = first == "s00" ? "s65" : name(65);
        EXPECT_NE(text.find(loading(last) + (first == "s00" ? ok() : "") + "server: imports of `" + last +
                            "' nest deeper than 64, refused.\n"
                            "server: Failed to load imported package `" +
                            beyond + "'.\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find(loading(beyond)), std::string::npos);
        EXPECT_EQ(text.find("Couldn't open"), std::string::npos) << text;
        // What loaded stays loaded: the 65 packages down to the limit, no more.
        EXPECT_EQ(srv_.packages.size(), 65u);
    }
    setrlimit(RLIMIT_NOFILE, &old_limit);
    srv_.packages.clear();
}

// An import is a name in the data folder: names that climb out of it, start at the root, hold a
// folder separator or control bytes are refused as no package name, and the load fails.
TEST_F(Package, ImportNamesOutsideTheDataFolderAreRefused) {
    // A package that such a name would reach.
    write_data("../outside", arty_package("outside").finish());
    const std::string absolute = folder_.file("outside");
    const struct {
        std::string import;
        std::string logged;
    } cases[] = {
        {"../outside", "../outside"},
        {absolute, absolute},
        {"\\..\\outside", "\\..\\outside"},
        {"..", ".."},
        {".", "."},
        {"maps/level", "maps/level"},
        {"", ""},
        {"a\x01\nb", "a??b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        srv_.packages.clear();
        write_package("level", arty_package("level", {c.import}));
        clear_log();
        EXPECT_FALSE(load_package(srv_, "level", false));
        EXPECT_EQ(log(), loading("level") + ok() + "server: import `" + c.logged +
                             "' of `level' refused: not a package name.\n"
                             "server: Failed to load imported package `" +
                             c.logged + "'.\n");
        EXPECT_EQ(loaded(), std::vector<std::string>{"level"});
    }
    srv_.packages.clear();
}

// A package file of 2 GiB (sparse: no disk space taken) is refused by its size, before any of it is
// read; so is anything but a regular file in a package's place.
TEST_F(Package, HugeAndSpecialPackageFilesAreRefused) {
    const std::string huge = write_data("huge", arty_package("huge").finish());
    ASSERT_EQ(truncate(huge.c_str(), 2ll << 30), 0);
    EXPECT_FALSE(load_package(srv_, "huge", false));
    EXPECT_EQ(log(), "server: package file `" + huge +
                         "' is 2147483648 bytes, larger than 1 GiB: refused.\n" + loading("huge") +
                         "server: file `" + huge + "' for package `huge' not used.\n");

    const std::string fifo = folder_.file("data/fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder_.file("data/folder"));
    std::filesystem::create_symlink("/dev/zero", folder_.file("data/zero"));
    std::filesystem::create_symlink("/dev/urandom", folder_.file("data/random"));
    for (const std::string name : {"fifo", "folder", "zero", "random"}) {
        SCOPED_TRACE(name);
        clear_log();
        const std::string path = srv_.data_dir + name;
        EXPECT_FALSE(load_package(srv_, name, false));
        EXPECT_EQ(log(), "`" + path + "' is not a regular file, not opened.\n" + loading(name) +
                             "server: file `" + path + "' for package `" + name + "' not used.\n");
    }
    EXPECT_TRUE(srv_.packages.empty());

    // A file that is there but cannot be opened is not called missing: the log says why.
    write_package("base", arty_package("base"));
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    clear_log();
    // The lowest free descriptor is the first the limit forbids.
    const int lowest_free = dup(0);
    close(lowest_free);
    rlimit limit = old_limit;
    limit.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_FALSE(load_package(srv_, "base", false));
    setrlimit(RLIMIT_NOFILE, &old_limit);
    const std::string path = srv_.data_dir + "base";
    EXPECT_EQ(log(), "Couldn't open `" + path + "': Too many open files.\n" + loading("base") +
                         "server: file `" + path + "' for package `base' not used.\n");
}

}  // namespace
}  // namespace kv
