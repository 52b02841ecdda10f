#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/package.h"
#include "data/reference_list.h"
#include "gfx/shader.h"
#include "gfx/view.h"
#include "tests/gfx/gfx_test_support.h"
#include "tools/byte_writer.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"

namespace kv {
namespace {

using tools::description_layer;
using tools::package_table;
using tools::package_writer;
using tools::reference_layer;
using tools::token_writer;
using calls_t = std::vector<std::string>;

std::vector<uint8_t> command(const token_writer& w) {
    return w.bytes();
}

// The layer description "layer SHADER ARGUMENT".
tools::surface_layer painted(const char* shader_name, const char* argument) {
    return description_layer(token_writer().str("layer").str(shader_name).str(argument).bytes());
}

class Surface : public gfx_test {
protected:
    // "base": the shaders "stone" and "basicmap", both texturing with the layer's item 2.
    void write_base() {
        package_writer w;
        w.add_shader("stone", {command(token_writer().str("tex").str("$1"))});
        w.add_shader("basicmap", {command(token_writer().str("tex").str("$1"))});
        write_data("base", w.finish());
    }

    // "level", importing "base": the shader "paint", the surfaces "s-wall" (painted with "brick"),
    // "s-ref" (a reference to "s-wall", then "rock" with the import's "stone"), "s-bare" (a layer
    // of one item, naming no shader) and a screen whose two views share two viewports.
    void write_level() {
        package_writer w;
        w.add_import("base");
        tools::viewport_desc near_one;
        near_one.name = "left";
        near_one.width = 500;
        near_one.position[0] = 10.0f;
        tools::viewport_desc turned;
        turned.name = "right";
        turned.x = 500;
        turned.width = 500;
        turned.axis[1] = 1.0f;
        turned.angle = 0.5f;
        const int32_t left = w.add_viewport(near_one);
        const int32_t right = w.add_viewport(turned);
        w.add_screen("main",
                     {w.add_view_record("a", {left, right}), w.add_view_record("b", {right, left, right})});
        w.add_shader("paint", {
                                  command(token_writer().str("tex").str("$1")),
                                  command(token_writer().str("bfcull").str("off")),
                                  command(token_writer().str("dcolor").integer(1).integer(0).integer(0)),
                                  command(token_writer().str("call").str("stone")),
                                  command(token_writer().str("glow").integer(2)),
                                  command(token_writer().integer(3).str("tex")),
                              });
        w.add_surface("s-wall", {painted("paint", "brick")});
        w.add_surface("s-ref", {reference_layer("s-wall"), painted("stone", "rock")});
        w.add_surface("s-bare", {description_layer(token_writer().str("layer").bytes())});
        write_data("level", w.finish());
    }

    package& level() { return *package_list_find(srv_.packages, "level"); }
    surface& find_surface(const std::string& name) {
        for (surface* s : level().surfaces.items) {
            if (s->name == name) return *s;
        }
        throw std::runtime_error("no surface " + name);
    }
    shader* find_shader(const std::string& package_name, const std::string& name) {
        for (shader* s : package_list_find(srv_.packages, package_name)->shaders.items) {
            if (s->name == name) return s;
        }
        return nullptr;
    }
};

TEST_F(Surface, APackageOfShadersSurfacesAndViewsLoadsResolvesRunsAndUnloads) {
    write_base();
    write_level();
    ASSERT_TRUE(load_package(srv_, "level", false));
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages));

    const surface& wall = find_surface("s-wall");
    ASSERT_EQ(wall.descriptions.size(), 1u);
    EXPECT_EQ(wall.shaders[0], find_shader("level", "paint"));
    EXPECT_EQ(wall.references[0], nullptr);
    const surface& ref = find_surface("s-ref");
    EXPECT_EQ(ref.descriptions[0], nullptr);
    EXPECT_EQ(ref.references[0], &wall);
    EXPECT_EQ(ref.shaders[0], nullptr);
    EXPECT_EQ(ref.shaders[1], find_shader("base", "stone"));  // a shader of the import
    EXPECT_EQ(find_surface("s-bare").shaders[0], nullptr);

    // Running: the reference layer and the layer without a shader are skipped.
    clear_log();
    for (const surface* s : level().surfaces.items) surface_run(*s, g_);
    EXPECT_EQ(log(),
              "[GFX] File 'tex/tga/brick.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/QXlogo.tga' not found\n"
              "failed - resorting to default one.\n"
              "shader: *WARNING* Command `call' is not implemented yet.\n"
              "shader: *WARNING* Unknown command `glow' - skipping.\n"
              "shader: *WARNING* Syntax error in shader `paint' on line 5 - skipping.\n"
              "[GFX] File 'tex/tga/rock.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/QXlogo.tga' not found\n");
    EXPECT_EQ(driver_calls(), calls_t{"set_colour 1 0 0"});

    // Two views over two shared viewports: each read once and owned once.
    const view_set& screen = *level().screens.items[0];
    ASSERT_EQ(screen.views.items.size(), 2u);
    const view& a = *screen.views.items[0];
    const view& b = *screen.views.items[1];
    ASSERT_EQ(a.viewports.items.size(), 2u);
    ASSERT_EQ(b.viewports.items.size(), 3u);
    EXPECT_EQ(b.viewports.items[0], a.viewports.items[1]);
    EXPECT_EQ(b.viewports.items[1], a.viewports.items[0]);
    EXPECT_EQ(b.viewports.items[2], a.viewports.items[1]);
    EXPECT_EQ(a.viewports.storage.size(), 2u);
    EXPECT_TRUE(b.viewports.storage.empty());
    EXPECT_EQ(a.viewports.items[0]->name, "left");
    EXPECT_EQ(a.viewports.items[1]->rect[0], 500);
    EXPECT_EQ(view_set_find_view(screen, "b"), &b);

    // Unloaded under the sanitizers: a viewport destroyed twice would be reported.
    package_destroy(srv_, level());
    EXPECT_TRUE(srv_.packages.empty());
}

TEST_F(Surface, AMissingShaderIsListedAndFailsTheLoad) {
    write_base();
    package_writer w;
    w.add_import("base");
    w.add_surface("s-odd", {painted("nothing", "x")});
    write_data("odd", w.finish());
    ASSERT_TRUE(load_package(srv_, "odd", false));
    clear_log();
    EXPECT_FALSE(ref_list_resolve(ref_list(), srv_.packages));
    EXPECT_EQ(log(), "The following references couldn't be resolved:\n shader[nothing]\n");
}

TEST_F(Surface, DamagedRecordsAreRefusedWithALogLine) {
    tools::byte_writer long_command;
    tools::put_u16(long_command, 1);
    tools::put_u32(long_command, 1000);
    tools::put_bytes(long_command, token_writer().str("tex").bytes());
    tools::byte_writer damaged_layer;
    tools::put_u16(damaged_layer, 1);
    tools::put_u8(damaged_layer, 0);
    tools::put_u32(damaged_layer, 3);
    tools::put_bytes(damaged_layer, std::vector<uint8_t>{0, 9, 4});  // nine items announced
    tools::viewport_desc at_zero;
    at_zero.name = "flat";
    at_zero.projection[0] = 0.0f;

    const struct {
        const char* name;
        std::function<void(package_writer&)> build;
        std::string message;
    } cases[] = {
        {"a command size past the chunk",
         [&](package_writer& w) { w.add_named_object(package_table::shaders, "bad", long_command.bytes); },
         "server: *ERROR* corrupt command 0 of shader `bad': 1000 entries of 1 bytes do not fit"},
        {"more commands than the chunk holds",
         [](package_writer& w) {
             w.add_named_object(package_table::shaders, "bad", {0x7F, 0xFF});
         },
         "server: *ERROR* corrupt shader `bad': 32767 entries of 4 bytes do not fit"},
        {"a layer count too large",
         [](package_writer& w) {
             w.add_named_object(package_table::surfaces, "bad", {0x7F, 0xFF, 0});
         },
         "server: *ERROR* corrupt surface `bad': 32767 entries of 1 bytes do not fit"},
        {"a damaged description",
         [&](package_writer& w) { w.add_named_object(package_table::surfaces, "bad", damaged_layer.bytes); },
         "server: *ERROR* corrupt layer 0 of surface `bad': damaged token list"},
        {"a view naming a chunk that is not in the file",
         [](package_writer& w) { w.add_screen("main", {w.add_view_record("v", {999})}); }, "[PS] "},
        {"a view naming another view's chunk",
         [](package_writer& w) {
             const int32_t first = w.add_view_record("v");
             w.add_screen("main", {first, w.add_view_record("w", {first})});
         },
         "[PS] "},
        {"a view counting more viewports than it holds",
         [](package_writer& w) {
             const int32_t v = w.add_view("v", {0x01, 0x00});
             w.add_screen("main", {v});
         },
         "server: *ERROR* corrupt table of references: 256 entries of 2 bytes do not fit"},
        {"a near distance of 0",
         [&](package_writer& w) {
             w.add_screen("main", {w.add_view_record("v", {w.add_viewport(at_zero)})});
         },
         "server: *ERROR* corrupt viewport `flat': near distance 0 is not above 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear_log();
        package_writer w;
        c.build(w);
        write_data("bad", w.finish());
        EXPECT_FALSE(load_package(srv_, "bad", false));
        EXPECT_TRUE(srv_.packages.empty());
        EXPECT_TRUE(ref_list().items.empty());
        EXPECT_NE(log().find(c.message), std::string::npos) << log();
    }
}

TEST_F(Surface, TheBasicMapLayerIsMadeOnceAndFindsItsShader) {
    write_base();
    write_level();
    ASSERT_TRUE(load_package(srv_, "level", false));
    // Still pending: growing the surface must leave the queued slots where they are.
    surface& wall = find_surface("s-wall");
    srv_.current_level_name = "level";
    EXPECT_EQ(surface_basicmap_layer(wall, srv_, "lm1"), 1);
    EXPECT_EQ(surface_basicmap_layer(wall, srv_, "lm2"), 2);
    EXPECT_EQ(surface_basicmap_layer(wall, srv_, "lm1"), 1);
    ASSERT_EQ(wall.descriptions.size(), 3u);
    EXPECT_EQ(wall.shaders[1], find_shader("base", "basicmap"));
    EXPECT_EQ(token_list_get_string(*wall.descriptions[1], 0), "____call__basicmap__lm1");
    ASSERT_TRUE(ref_list_resolve(ref_list(), srv_.packages));
    EXPECT_EQ(wall.shaders[0], find_shader("level", "paint"));

    write_plain_textures(folder_, "data/", {"brick", "lm1", "lm2"});
    surface_run(wall, g_);
    std::vector<std::string> loaded;
    for (const auto& t : g_.textures) loaded.push_back(t->name);
    EXPECT_EQ(loaded, (std::vector<std::string>{"brick", "lm1", "lm2"}));

    // Without a "basicmap" shader the layer is made and draws nothing.
    surface lone;
    srv_.current_level_name = "nowhere";
    clear_log();
    EXPECT_EQ(surface_basicmap_layer(lone, srv_, "lm1"), 0);
    EXPECT_EQ(lone.shaders[0], nullptr);
    EXPECT_EQ(log(), "The following references couldn't be resolved:\n shader[basicmap]\n");
    surface_run(lone, g_);
    EXPECT_EQ(g_.textures.size(), 3u);
}

}  // namespace
}  // namespace kv
