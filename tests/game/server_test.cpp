#include "game/server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/file_stream.h"
#include "data/package.h"
#include "data/pak_archive.h"
#include "tests/data/data_test_support.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"

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

class Server : public data_test {
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
        level.add_arty("kvgame", "game", {});
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
    // In list order; "base", imported by both, is no more destroyed through "menu".
    EXPECT_EQ(log(),
              "Package `level' is being unloaded.\n"
              "Package `base' is being unloaded.\n"
              "Package `menu' is being unloaded.\n");
}

}  // namespace
}  // namespace kv
