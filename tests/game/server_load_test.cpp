#include "game/server_load.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/pak_archive.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "tests/game/game_test_support.h"
#include "tests/gfx/effect_kinds.h"
#include "tests/gfx/texture_test_support.h"
#include "tools/lmap_writer.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/token_writer.h"
#include "world/hit_map.h"

namespace kv {
namespace {

using tools::package_table;
using tools::package_writer;

class ServerLoad : public game_test {
protected:
    std::vector<std::string> precache_names(const std::string& text) {
        write_text("list.cfg", text);
        file_stream stream;
        EXPECT_TRUE(file_stream_open(stream, srv_.data_dir + "list.cfg", kFileRead));
        return precache_read_names(stream);
    }
    // A level whose surfaces are listed in this order, each painting the texture "t-" + its name;
    // with the shaders "paint" and "basicmap", both taking their texture from the layer's item 2.
    void write_level(const std::string& name, const std::vector<std::string>& surfaces) {
        package_writer w;
        w.add_shader("paint", {tools::token_writer().str("tex").str("$1").bytes()});
        w.add_shader("basicmap", {tools::token_writer().str("tex").str("$1").bytes()});
        for (const std::string& s : surfaces) {
            w.add_surface(s, {tools::description_layer(
                                 tools::token_writer().str("layer").str("paint").str("t-" + s).bytes())});
        }
        w.add_arty("kvspawn_point", "sp0", {});
        write_data("maps/" + name, w.finish());
    }
};

TEST_F(ServerLoad, PrecacheListNamesTexturesWithoutTheirExtension) {
    struct {
        const char* name;
        std::string text;
        std::vector<std::string> names;
    } const cases[] = {
        {"seven characters", "abc.tga\n", {"abc"}},
        {"four characters", ".tga\nx.tga", {"x"}},
        {"comment line", "#abc.tga\n", {}},
        {"comment after a name", "wall.tga# old\n", {"wall"}},
        {"carriage returns", "wall.tga\r\nfloor.tga\r\n", {"wall", "floor"}},
        {"no extension", "readme\nwall.png\n", {}},
        {"extension inside", "wall.tga.bak\nsky.tgax\n", {"wall.tga.bak", "sky.tgax"}},
        {"path kept", "tga/base/wall.tga\n", {"tga/base/wall"}},
        {"last line without a line feed", "a.tga\nb.tga", {"a", "b"}},
        {"empty lines", "\n\n\n", {}},
        {"upper case", "WALL.TGA\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(precache_names(c.text), c.names);
    }
}

TEST_F(ServerLoad, PrecacheLinesHoldAtMost255Characters) {
    const std::string stem(251, 'x');
    // 255 characters make a line; the rest of the text line is the next one.
    EXPECT_EQ(precache_names(stem + ".tga\n"), (std::vector<std::string>{stem}));
    // One more and the line breaks inside its extension: neither piece names a texture.
    EXPECT_EQ(precache_names("y" + stem + ".tga\n"), std::vector<std::string>{});
    EXPECT_EQ(precache_names(std::string(300, 'z') + "\nq.tga\n"), (std::vector<std::string>{"q"}));
}

TEST_F(ServerLoad, LoadsTheShadersOfTheLevelAndThePrecacheList) {
    write_level("harbour", {"s-wall", "s-floor"});
    write_text("precache.cfg", "# shared\nsmoke.tga\nfire.tga\n");
    scoped_texture_data textures(srv_.data_dir);
    write_plain_textures(folder_, "data/", {"t-s-wall", "t-s-floor", "smoke", "fire"});
    srv_.game_package = "harbour";
    ASSERT_TRUE(server_load_game_package(srv_, "harbour"));
    EXPECT_EQ(take_calls(), calls_t{});
    std::vector<std::string> cached;
    for (const auto& t : kernel_get().graphics.textures) {
        cached.push_back(t->name);
        EXPECT_TRUE(texture_is_loaded(*t)) << t->name;
    }
    EXPECT_EQ(cached, (std::vector<std::string>{"t-s-wall", "t-s-floor", "smoke", "fire"}));
    EXPECT_EQ(log().find("[server] file precache.cfg not found"), std::string::npos);
}

TEST_F(ServerLoad, PrecacheListIsReadForTheGamePackageOnly) {
    write_level("harbour", {});
    ASSERT_TRUE(load_package(srv_, "harbour", true));
    scoped_texture_data textures(srv_.data_dir);
    write_plain_textures(folder_, "data/", {"a"});
    take_calls();
    clear_log();
    srv_.game_package = "harbour";
    srv_.current_level_name = "harbour";
    server_precache_textures(srv_);
    EXPECT_EQ(log(), "[server] file precache.cfg not found\n");
    EXPECT_TRUE(kernel_get().graphics.textures.empty());

    // The list may come from an archive.
    clear_log();
    tools::pak_writer archive;
    archive.add("precache.cfg", {'a', '.', 't', 'g', 'a'});
    srv_.archives.push_back(pak_archive_open(folder_.write("game.pak", as_text(archive.finish()))));
    ASSERT_TRUE(srv_.archives.back());
    server_precache_textures(srv_);
    EXPECT_EQ(log(), "");
    ASSERT_EQ(kernel_get().graphics.textures.size(), 1u);
    EXPECT_EQ(kernel_get().graphics.textures[0]->name, "a");

    // Not the game package: the list is not even looked for.
    clear_log();
    gfx_texture_list_clear(kernel_get().graphics);
    srv_.current_level_name = "kvmenu";
    write_text("precache.cfg", "a.tga\n");
    server_precache_textures(srv_);
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(kernel_get().graphics.textures.empty());
}

TEST_F(ServerLoad, WaterGetsATextureScrollEffect) {
    write_level("harbour", {});
    write_level("dock", {});
    gfx& graphics = kernel_get().graphics;
    ASSERT_TRUE(server_load_game_package(srv_, "harbour"));
    EXPECT_EQ(effect_count(graphics, effect_class::texture_scroll), 0u);

    int water = 0;  // stands for a mesh instance of a water surface, entered while the level loads
    srv_.water_instances.push_back(reinterpret_cast<mesh_instance*>(&water));
    ASSERT_TRUE(server_load_game_package(srv_, "dock"));
    EXPECT_EQ(effect_count(graphics, effect_class::texture_scroll), 1u);
    EXPECT_EQ(graphics.effects.last_effect, nullptr);
    srv_.water_instances.clear();
    gfx_reset_effects(graphics);
}

TEST_F(ServerLoad, ADamagedLightMapFileFailsTheLoad) {
    // The front end finds light-map files through the world server singleton.
    server& world = server_get();
    const std::string data_dir = world.data_dir;
    const std::string lmap_dir = world.lmap_dir;
    world.data_dir = srv_.data_dir;
    server_set_lmap_dir(world, "lmap/");
    write_level("harbour", {});
    srv_.current_level_name = "harbour";

    tools::lmap_writer bad;
    bad.magic = "PAML";
    ASSERT_TRUE(bad.write(folder_.file("data/lmap/harbour-lmap")));
    EXPECT_FALSE(server_load_game_package(srv_, "harbour"));
    EXPECT_NE(log().find("[0s0] Loading lightmaps...\n[LM] Invalid header found\n\n"
                         "Fatal error during loading package `harbour'.\n"),
              std::string::npos)
        << log();

    // A missing file is no error.
    std::filesystem::remove(folder_.file("data/lmap/harbour-lmap"));
    EXPECT_TRUE(server_load_game_package(srv_, "harbour"));
    world.data_dir = data_dir;
    server_set_lmap_dir(world, lmap_dir);
}

TEST_F(ServerLoad, ReadsTheTextTables) {
    server_set_language(srv_, "en");
    write_text("base-en.txt", "<0>\nYes\n<1>\nNo\n");
    write_text("menu-en.txt", "<0>\nStart\n<1>\nOptions\n<2>\nQuit\n");
    write_text("keys-en.txt", "<0>\nEscape\n");
    write_text("maps/harbour-en.txt", "<0>\nThe harbour\nat night\n");
    write_text("base-de.txt", "<0>\nJa\n");

    EXPECT_TRUE(server_load_text_tables(srv_, "harbour"));
    EXPECT_EQ(server_text(srv_, kTextBase, 1), "No");
    EXPECT_EQ(server_text(srv_, kTextMenu, 2), "Quit");
    EXPECT_EQ(server_text(srv_, kTextKeys, 0), "Escape");
    EXPECT_EQ(server_text(srv_, kTextMap, 0), "The harbour\nat night");
    EXPECT_EQ(server_text(srv_, kTextMenu, 3), "");  // a missing entry is the empty text
    EXPECT_EQ(server_text(srv_, kTextMap, 1), "");

    // Without a game package only the three shared tables are read.
    srv_.text_tables[kTextMap].entries = {"kept"};
    EXPECT_TRUE(server_load_text_tables(srv_, ""));
    EXPECT_EQ(server_text(srv_, kTextMap, 0), "kept");

    // Each missing table is left empty and named in the log; the others are still read.
    server_set_language(srv_, "de");
    clear_log();
    EXPECT_FALSE(server_load_text_tables(srv_, "harbour"));
    EXPECT_EQ(server_text(srv_, kTextBase, 0), "Ja");
    EXPECT_EQ(server_text(srv_, kTextMenu, 0), "");
    EXPECT_EQ(server_text(srv_, kTextKeys, 0), "");
    const std::string missing = ": No such file or directory.\n";
    EXPECT_EQ(log(), "server: text table `" + srv_.data_dir + "menu-de.txt' not read" + missing +
                         "server: text table `" + srv_.data_dir + "keys-de.txt' not read" + missing +
                         "server: text table `" + srv_.data_dir + "maps/harbour-de.txt' not read" + missing);

    server_set_language(srv_, "en");
    EXPECT_FALSE(server_load_text_tables(srv_, "dock"));
    EXPECT_EQ(server_text(srv_, kTextMenu, 0), "Start");
}

// A data set that lacks "base", or holds something else than a file in its place, still has its
// menu and key texts; a table too large to be texts is refused.
TEST_F(ServerLoad, AFailedTextTableCostsOnlyItself) {
    server_set_language(srv_, "en");
    write_text("menu-en.txt", "<0>\nStart\n");
    write_text("keys-en.txt", "<0>\nEscape\n");
    const std::string base = srv_.data_dir + "base-en.txt";
    struct refusal {
        const char* label;
        std::function<void()> make;
        std::string line;
    };
    const refusal cases[] = {
        {"missing", [] {}, "server: text table `" + base + "' not read: No such file or directory.\n"},
        {"a folder", [&] { std::filesystem::create_directory(base); },
         "`" + base + "' is not a regular file, not opened.\nserver: text table `" + base +
             "' not read: not a regular file.\n"},
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(base.c_str(), 0600), 0); },
         "`" + base + "' is not a regular file, not opened.\nserver: text table `" + base +
             "' not read: not a regular file.\n"},
        {"larger than 16 MiB",
         [&] {
             write_text("base-en.txt", "<0>\nYes\n");
             std::filesystem::resize_file(base, (16u << 20) + 1);
         },
         "server: text table `" + base + "' is 16777217 bytes, larger than 16 MiB: refused.\n"},
    };
    for (const refusal& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(base);
        c.make();
        srv_.text_tables[kTextBase].entries = {"old"};
        clear_log();
        EXPECT_FALSE(server_load_text_tables(srv_, ""));
        EXPECT_EQ(log(), c.line);
        EXPECT_EQ(server_text(srv_, kTextBase, 0), "");
        EXPECT_EQ(server_text(srv_, kTextMenu, 0), "Start");
        EXPECT_EQ(server_text(srv_, kTextKeys, 0), "Escape");
    }
}

// A data set can put a FIFO, a device or a folder where any data file belongs. None of them is
// opened (a FIFO would block the start-up for good, a device would be read without end): each is
// refused with its path in the log, and that file counts as missing.
TEST_F(ServerLoad, SpecialFilesInPlaceOfDataFilesAreRefused) {
    server_set_language(srv_, "en");
    struct data_file {
        const char* label;
        std::string path;
        std::function<bool()> load;
    };
    const data_file files[] = {
        {"package", srv_.data_dir + "kvmenu", [this] { return load_package(srv_, "kvmenu", false); }},
        {"text table", srv_.data_dir + "base-en.txt", [this] { return server_load_text_tables(srv_, ""); }},
        {"net.cfg", srv_.data_dir + "net.cfg", [this] { return server_read_config(srv_, "net.cfg"); }},
        {"hit map", srv_.data_dir + "tex/tga/hitmap0.tga", [this] { return server_load_hit_maps(srv_) > 0; }},
    };
    std::filesystem::create_directories(srv_.data_dir + "tex/tga");
    const struct {
        const char* label;
        std::function<void(const std::string&)> make;
    } specials[] = {
        {"FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"link to /dev/zero",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
    };
    for (const data_file& file : files) {
        for (const auto& special : specials) {
            SCOPED_TRACE(std::string(file.label) + " as " + special.label);
            std::filesystem::remove_all(file.path);
            special.make(file.path);
            clear_log();
            EXPECT_FALSE(file.load());
            EXPECT_NE(log().find("`" + file.path + "' is not a regular file, not opened.\n"),
                      std::string::npos)
                << log();
            std::filesystem::remove_all(file.path);
        }
    }
}

TEST_F(ServerLoad, KeysGoToTheInputTarget) {
    arty_description game;
    game.class_name = "kvgame";
    arty_description* batch[] = {&game};
    arty_factory_spawn_group(srv_.factory, batch, 1);
    server_post_key_down(srv_, 37);
    server_post_key_up(srv_, 0x10041);
    EXPECT_EQ(take_calls(), (calls_t{"game key-down 37", "game key-up 65601"}));
}

}  // namespace
}  // namespace kv
