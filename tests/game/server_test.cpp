#include "game/server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/pak_archive.h"
#include "sound/ambient_source.h"
#include "tests/game/game_test_support.h"
#include "tests/sound/sound_test_support.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "world/sector.h"

namespace kv {
namespace {

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string read_all(file_stream& s) {
    std::string out;
    std::string line;
    while (file_stream_read_line(s, line)) out += line + "\n";
    return out;
}

class Server : public game_test {
protected:
    void add_archive(const std::string& file,
                     const std::vector<std::pair<std::string, std::string>>& chunks) {
        tools::pak_writer w;
        for (const auto& [name, text] : chunks) w.add(name, bytes_of(text));
        auto archive = pak_archive_open(folder_.write(file, as_text(w.finish())));
        ASSERT_TRUE(archive);
        srv_.archives.push_back(std::move(archive));
    }

    // The text of the file `server_open_file` finds, or "missing".
    std::string open_text(const std::string& name) {
        auto s = server_open_file(srv_, name, false);
        return s ? read_all(*s) : "missing";
    }
};

TEST_F(Server, OpensLooseFilesBeforeArchiveChunks) {
    write_data("controls.cfg", bytes_of("loose\n"));
    write_data("sub/keys.cfg", bytes_of("nested\n"));
    EXPECT_EQ(open_text("controls.cfg"), "loose\n");  // no archives: only loose files
    EXPECT_EQ(open_text("sub/keys.cfg"), "nested\n");
    EXPECT_EQ(open_text("bots.cfg"), "missing");

    add_archive("first.pak", {{"controls.cfg", "first\n"}, {"bots.cfg", "first bots\n"}});
    add_archive("second.pak", {{"bots.cfg", "second bots\n"}, {"precache.cfg", "second\n"}});
    struct {
        const char* name;
        const char* text;
    } const cases[] = {
        {"controls.cfg", "loose\n"},   // the loose file replaces every archive's chunk
        {"bots.cfg", "first bots\n"},  // the earlier archive wins
        {"precache.cfg", "second\n"}, {"Precache.cfg", "missing"},  // chunk names are exact
        {"lmap/x-lmap", "missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(open_text(c.name), c.text);
    }
}

TEST_F(Server, WritesGoToTheWriteDirectoryAndNeverToAnArchive) {
    add_archive("game.pak", {{"bots.cfg", "packed\n"}});
    std::filesystem::create_directories(srv_.write_dir);
    {
        auto s = server_open_file(srv_, "bots.cfg", true);
        ASSERT_TRUE(s);
        EXPECT_TRUE(file_stream_write_line(*s, "written"));
    }
    EXPECT_EQ(folder_.read("write/bots.cfg"), "written\n");
    server_set_write_dir(srv_, folder_.file("no/such/dir") + "/");
    EXPECT_FALSE(server_open_file(srv_, "bots.cfg", true));
}

TEST_F(Server, DestroyingTheServerUnloadsEveryPackageOnce) {
    {
        tools::package_writer base;
        base.add_arty("kvlevel", "level", {});
        write_data("base", base.finish());
        tools::package_writer level;
        level.add_import("base");
        level.add_arty("kvnothing", "game", {});
        write_data("maps/level", level.finish());
        tools::package_writer menu;
        menu.add_import("base");
        menu.add_arty("kvscreen", "menu", {});
        write_data("menu", menu.finish());
    }
    {
        server srv;
        srv.data_dir = srv_.data_dir;
        ASSERT_TRUE(load_package(srv, "level", true));
        ASSERT_TRUE(load_package(srv, "menu", false));
        clear_log();
    }
    // In list order; "base", imported by both, is no more destroyed through "menu". The level record
    // of "base", released with it, is collected before the lists it may reach go: the factory finds
    // nothing left to erase.
    EXPECT_EQ(log(),
              "Package `level' is being unloaded.\n"
              "Package `base' is being unloaded.\n"
              "Package `menu' is being unloaded.\n"
              "C++ Factory: 0 arties forcibly erased.\n");
}

TEST_F(Server, InitSetsUpTheNeighboursAndBindsTheLogLevel) {
    srv_.map_follow_latch = 0;
    srv_.developer = 1;
    srv_.level_loaded = 1;
    srv_.game_package = "level";
    srv_.log_level = 5;
    server_init(srv_);
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_NE(log().find("[botc] starting BotCentral\n"), std::string::npos);
    // The client session's port and options.
    EXPECT_EQ(srv_.client.client_port, kClientPort);
    EXPECT_EQ(option_registry_get_text(kernel_get().options, "lastprof"), "Player");
    EXPECT_EQ(option_registry_get_text(kernel_get().options, "lastsname"), "KV Server");
    EXPECT_EQ(srv_.map_follow_latch, 1);
    EXPECT_EQ(srv_.developer, 0);
    EXPECT_EQ(srv_.level_loaded, 0);
    EXPECT_EQ(srv_.game_package, "");
    EXPECT_EQ(srv_.log_level, 0);

    option_registry& options = kernel_get().options;
    ASSERT_TRUE(option_registry_set_text(options, "log_level", "3"));
    EXPECT_EQ(srv_.log_level, 3);
    {
        // A server that goes takes its binding with it; another's stays.
        server other;
        server_init(other);
        EXPECT_TRUE(option_registry_set_text(options, "log_level", "4"));
        EXPECT_EQ(other.log_level, 4);
    }
    EXPECT_FALSE(option_registry_set_text(options, "log_level", "5"));
    EXPECT_EQ(srv_.log_level, 3);
}

TEST_F(Server, ReadsTheMasterAddressFromTheConfiguration) {
    write_data("net.cfg", bytes_of("# master:commented\r\n"
                                   "\n"
                                   "Master:capital\n"
                                   "backup:10.0.0.2\n"
                                   "master:10.0.0.1\r\n"
                                   "master:\n"
                                   "master\n"
                                   "master:1.2.3.4:57776\n"
                                   " master:blank\n"));
    EXPECT_TRUE(server_read_config(srv_, "net.cfg"));
    EXPECT_EQ(srv_.client.master_address_text, "1.2.3.4");
    EXPECT_EQ(log(), "");
    // No colon: no value, not the key again.
    write_data("net.cfg", bytes_of("master:10.0.0.1\nmaster\n"));
    EXPECT_TRUE(server_read_config(srv_, "net.cfg"));
    EXPECT_EQ(srv_.client.master_address_text, "");

    EXPECT_FALSE(server_read_config(srv_, "missing.cfg"));
    EXPECT_EQ(log(), "*WARNING* couldn't open configuration file `missing.cfg'.\n");
    EXPECT_EQ(srv_.client.master_address_text, "");
}

TEST_F(Server, ListsTheMapsSortedLeavingOutTheMenuAndFilesWithADot) {
    for (const char* name : {"harbour", "Dock", "kvmenu", "old-kvmenu2", "readme.txt", "b", "harbour-en.txt"})
        write_data(std::string("maps/") + name, bytes_of("x"));
    std::filesystem::create_directories(folder_.file("data/maps/attic"));
    srv_.maps.resize(1);
    server_list_maps(srv_);
    std::vector<std::string> names;
    for (const map_record& m : srv_.maps) {
        names.push_back(m.name);
        EXPECT_EQ(m.described, 0);
        EXPECT_EQ(m.level_values[0], 0);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"attic", "b", "Dock", "harbour"}));
    EXPECT_EQ(server_find_map(srv_, "Dock"), &srv_.maps[2]);
    EXPECT_EQ(server_find_map(srv_, "dock"), nullptr);

    srv_.data_dir = folder_.file("nowhere") + "/";
    server_list_maps(srv_);
    EXPECT_TRUE(srv_.maps.empty());
}

TEST_F(Server, JoinAddressesTakeAPortAndANick) {
    struct {
        const char* address;
        const char* nick;
        uint32_t host;
        uint16_t port;
        const char* join_nick;
        bool warned;
    } const cases[] = {
        {"10.1.2.3:57777", "bob", 0x0A010203, 57777, "bob", false},
        {"10.1.2.3:57777", "", 0x0A010203, 57777, "Player", false},
        {"10.1.2.3", "bob", 0x0A010203, 0, "bob", false},       // no ':' gives port 0
        {"10.1.2.3:80x", "bob", 0x0A010203, 80, "bob", false},  // leading digits
        {"10.1.2.3:x", "bob", 0x0A010203, 0, "bob", false},     //
        {"10.1.2.3:65535", "bob", 0x0A010203, 65535, "bob", false},
        {"10.1.2.3:65536", "bob", 0, 0, "", true},  // refused, not wrapped to 0
        {"10.1.2.3:99999999999999", "bob", 0, 0, "", true},
        {"server.example:57777", "bob", 0, 57777, "", true},  // not dotted IPv4: no join
        {"10.1.2.300:1", "bob", 0, 1, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        clear_log();
        srv_.join_address = 0;
        server_set_join_address(srv_, c.address, c.nick);
        EXPECT_EQ(srv_.join_address, c.host);
        EXPECT_EQ(srv_.join_port, c.port);
        EXPECT_EQ(srv_.join_nick, c.join_nick);
        EXPECT_EQ(log().find("*WARNING* join ") != std::string::npos, c.warned) << log();
    }
}

TEST_F(Server, SettersStoreTheirValuesAndANewGamePackageAsksForALoad) {
    server_set_language(srv_, "en");
    EXPECT_EQ(srv_.language_suffix, "-en.txt");
    server_set_boot_package(srv_, "kvmenu");
    server_set_lmap_dir(srv_, "lmaps/");
    server_set_developer(srv_, 1);
    EXPECT_EQ(srv_.boot_package, "kvmenu");
    EXPECT_EQ(srv_.lmap_dir, "lmaps/");
    EXPECT_EQ(srv_.developer, 1);

    srv_.level_loaded = 1;
    server_set_game_package(srv_, "harbour");  // the first one names no level change
    EXPECT_EQ(srv_.level_loaded, 0);
    EXPECT_TRUE(take_calls().empty());
    srv_.level_loaded = 1;
    server_set_game_package(srv_, "harbour");  // the same name again still reloads
    EXPECT_EQ(srv_.level_loaded, 0);
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(Server, TexturePathsComeFromTheBaseDirectoryAndTheDriversFolder) {
    const server fresh;
    EXPECT_EQ(server_image_path(fresh, "hitmap0.tga"), "tex/tga/hitmap0.tga");
    EXPECT_EQ(server_dds_path(fresh, "wall", ".ddn"), "tex/dds/wall.ddn");
    server_set_texture_base_dir(srv_, "art/");
    server_set_texture_dir(srv_, "gl/");
    EXPECT_EQ(server_image_path(srv_, "wall"), "art/gl/wall");
    EXPECT_EQ(server_dds_path(srv_, "wall", ".dda"), "art/dds/wall.dda");
}

TEST_F(Server, StepsTheAmbientSoundsOfOneSector) {
    kernel_sound_probe sound(srv_.data_dir, {"drip", "wind"});
    sector hall;
    hall.name = "hall";
    uint32_t owner = 20;
    for (const char* sample : {"drip", "wind"}) {
        auto source = std::make_unique<ambient_source>();
        source->sample_name = sample;
        source->mode = kAmbientLooping;
        source->max_distance = 100.0f;
        source->owner_id = owner++;
        hall.ambient_sources.items.push_back(source.get());
        hall.ambient_sources.storage.push_back(std::move(source));
    }
    server_step_ambients(srv_, hall);
    const auto zone = reinterpret_cast<std::size_t>(&hall);
    EXPECT_EQ(sound.take(), (std::vector<std::string>{str_format("1 drip 20 %zu 3d 0 0 0", zone),
                                                      str_format("1 wind 21 %zu 3d 0 0 0", zone)}));
}

TEST_F(Server, TextEntriesBeyondATableAreEmpty) {
    srv_.text_tables[kTextMenu].entries = {"Start", "Quit"};
    EXPECT_EQ(server_text(srv_, kTextMenu, 1), "Quit");
    EXPECT_EQ(server_text(srv_, kTextMenu, 2), "");
    EXPECT_EQ(server_text(srv_, kTextMenu, -1), "");
    EXPECT_EQ(server_text(srv_, kTextBase, 0), "");
    EXPECT_EQ(server_text(srv_, kTextTables, 0), "");
}

}  // namespace
}  // namespace kv
