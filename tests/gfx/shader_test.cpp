#include "gfx/shader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/texture_cache.h"
#include "tests/gfx/gfx_test_support.h"
#include "tools/token_writer.h"

namespace kv {
namespace {

using tools::token_writer;
using calls_t = std::vector<std::string>;

std::unique_ptr<token_list> list_of(const token_writer& w) {
    const std::vector<uint8_t> bytes = w.bytes();
    auto list = std::make_unique<token_list>();
    EXPECT_TRUE(token_list_init(*list, bytes.size(), bytes.data()));
    return list;
}

shader make_shader(const std::vector<token_writer>& commands) {
    shader s;
    s.name = "sh";
    for (const token_writer& c : commands) s.commands.push_back(list_of(c));
    return s;
}

token_writer cmd(const char* word) {
    return token_writer().str(word);
}

const std::string kSyntax0 = "shader: *WARNING* Syntax error in shader `sh' on line 0 - skipping.\n";

class Shader : public gfx_test {};

TEST_F(Shader, TextureAndCullingSetTheLayerState) {
    add_texture("glass", kTextureRgba, 1);
    const shader s = make_shader({cmd("tex").str("glass"), cmd("bfcull").str("off")});
    layer_state state;
    state.culling = 1;
    shader_run(s, g_, nullptr, state);
    EXPECT_EQ(state.culling, 0);
    EXPECT_EQ(state.has_alpha, 1);
    EXPECT_EQ(state.alpha_used, 1);
    EXPECT_EQ(driver_calls(), calls_t{"use_texture glass 0"});
    // Uploaded: the driver holds the image now.
    EXPECT_TRUE(g_.textures[0]->pixels.empty());
    EXPECT_EQ(g_.texture_memory, 16u);
    EXPECT_EQ(log(), "");

    const shader on = make_shader({cmd("bfcull").str("on")});
    shader_run(on, g_, nullptr, state);
    EXPECT_EQ(state.culling, 1);
}

TEST_F(Shader, FlatColourGoesToTheDriverUnlessDry) {
    add_texture("wall");
    const shader s = make_shader({cmd("tex").str("wall"), cmd("dcolor").integer(1).integer(0).number(0.0f)});
    layer_state state;
    state.has_alpha = 1;
    shader_run_dry(s, g_, nullptr, state);
    EXPECT_EQ(state.has_alpha, 0);
    EXPECT_EQ(driver_calls(), calls_t{});  // a dry run calls no driver operation
    EXPECT_FALSE(g_.textures[0]->pixels.empty());

    shader_run(s, g_, nullptr, state);
    EXPECT_EQ(driver_calls(), (calls_t{"use_texture wall 0", "set_colour 1 0 0"}));
    // A word in place of a number keeps the number as it was: 0.
    const shader worded = make_shader({cmd("dcolor").str("red").number(0.5f).integer(1)});
    shader_run(worded, g_, nullptr, state);
    EXPECT_EQ(driver_calls(), calls_t{"set_colour 0 0.5 1"});
    EXPECT_EQ(log(), "");
}

TEST_F(Shader, BadCommandsAreSkippedAndTheRestRuns) {
    const shader s = make_shader({
        token_writer().integer(5).str("tex"),  // begins with a number
        cmd("call").str("other"),
        cmd("blend").str("add"),
        cmd("bfcull").str("maybe"),
        cmd("bfcull"),
        cmd("tex"),
        cmd("dcolor").integer(1).integer(0),  // one number short
        token_writer(),                       // no items
        cmd("bfcull").str("off"),
    });
    layer_state state;
    state.culling = 1;
    shader_run(s, g_, nullptr, state);
    EXPECT_EQ(state.culling, 0);
    EXPECT_EQ(log(), kSyntax0 +
                         "shader: *WARNING* Command `call' is not implemented yet.\n"
                         "shader: *WARNING* Unknown command `blend' - skipping.\n"
                         "shader: *WARNING* Syntax error in shader `sh' on line 3 - skipping.\n"
                         "shader: *WARNING* Syntax error in shader `sh' on line 4 - skipping.\n"
                         "shader: *WARNING* Syntax error in shader `sh' on line 5 - skipping.\n"
                         "shader: *WARNING* Syntax error in shader `sh' on line 6 - skipping.\n"
                         "shader: *WARNING* Syntax error in shader `sh' on line 7 - skipping.\n");
}

TEST_F(Shader, DollarArgumentsTakeItemsOfTheLayer) {
    add_texture("stone");
    add_texture("basicmap");
    // The layer's description: its word, its shader, then the arguments.
    const auto layer =
        list_of(token_writer().str("layer").str("basicmap").str("stone").str("$0").number(0.25f));
    const struct {
        const char* name;
        std::string argument;
        bool ok;
        const char* texture;
    } cases[] = {
        {"$0 is item 1", "$0", true, "basicmap"},
        {"$1 is item 2", "$1", true, "stone"},
        {"a reference to a reference", "$2", false, nullptr},
        {"a number where a word is wanted", "$3", false, nullptr},
        {"past the list", "$4", false, nullptr},
        {"$9 past the list", "$9", false, nullptr},
        {"'/' would name item 0", "$/", false, nullptr},
        {"a letter", "$a", false, nullptr},
        {"two digits", "$10", false, nullptr},
        {"nothing after the $", "$", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear_log();
        driver_calls();
        const shader s = make_shader({cmd("tex").str(c.argument)});
        layer_state state;
        shader_run(s, g_, layer.get(), state);
        EXPECT_EQ(log(), c.ok ? "" : kSyntax0);
        EXPECT_EQ(driver_calls(), c.ok ? calls_t{std::string("use_texture ") + c.texture + " 0"} : calls_t{});
    }
    // A number through a reference; without a layer every reference fails.
    float number = 0.0f;
    const auto command = list_of(cmd("dcolor").str("$3"));
    EXPECT_TRUE(shader_arg_number(number, 1, *command, layer.get()));
    EXPECT_FLOAT_EQ(number, 0.25f);
    EXPECT_FALSE(shader_arg_number(number, 1, *command, nullptr));
    std::string word;
    EXPECT_FALSE(shader_arg_word(word, 1, *list_of(cmd("tex").str("$1")), nullptr));
    EXPECT_FALSE(shader_arg_word(word, 2, *list_of(cmd("tex").str("stone")), layer.get()));  // missing item
}

TEST_F(Shader, AMissingTextureSaysSoOnceAndTheDefaultStandsIn) {
    add_texture(kDefaultTextureName);
    const shader s = make_shader({cmd("tex").str("gone")});
    layer_state state;
    shader_run(s, g_, nullptr, state);
    shader_run(s, g_, nullptr, state);
    // The failed record stays and is tried again.
    EXPECT_EQ(log(),
              "[GFX] File 'tex/tga/gone.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/gone.tga' not found\n");
    EXPECT_EQ(driver_calls(), (calls_t{"use_texture QXlogo 0", "use_texture QXlogo 0"}));
    ASSERT_EQ(g_.textures.size(), 2u);
    EXPECT_EQ(g_.textures[1]->name, "gone");
    EXPECT_EQ(g_.textures[1]->failure_reported, 1);
}

TEST_F(Shader, AMissingDefaultEndsTheFallbackAtOnce) {
    const shader s = make_shader({cmd("tex").str("gone")});
    layer_state state;
    state.has_alpha = 7;
    shader_run(s, g_, nullptr, state);
    shader_run(s, g_, nullptr, state);
    // Once for each record, and the layer stays untextured.
    EXPECT_EQ(log(),
              "[GFX] File 'tex/tga/gone.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/QXlogo.tga' not found\n"
              "failed - resorting to default one.\n"
              "[GFX] File 'tex/tga/gone.tga' not found\n"
              "[GFX] File 'tex/tga/QXlogo.tga' not found\n");
    EXPECT_EQ(driver_calls(), calls_t{});
    EXPECT_EQ(state.has_alpha, 7);
}

TEST_F(Shader, TheUseStampWrapsAfter65536Lookups) {
    add_texture("wall");
    layer_state state;
    gfx_load_texture(g_, "wall", state, true);
    const uint16_t first = g_.textures[0]->use_stamp;
    for (int i = 0; i < 65535; ++i) gfx_load_texture(g_, "wall", state, true);
    EXPECT_NE(g_.textures[0]->use_stamp, first);
    gfx_load_texture(g_, "wall", state, true);
    EXPECT_EQ(g_.textures[0]->use_stamp, first);
    EXPECT_EQ(driver_calls(), calls_t{});
}

TEST_F(Shader, NewTexturesAreLoadedAndAppendedInOrder) {
    write_plain_textures(folder_, "data/", {"b", "a"});
    layer_state state;
    gfx_load_texture(g_, "b", state, false);
    gfx_load_texture(g_, "a", state, false);
    // Uploaded: not loaded again, so a file gone since changes nothing.
    std::filesystem::remove(folder_.file("data/tex/tga/b.tga"));
    clear_log();
    gfx_load_texture(g_, "b", state, false);
    EXPECT_EQ(log(), "");
    ASSERT_EQ(g_.textures.size(), 2u);
    EXPECT_EQ(g_.textures[0]->name, "b");
    EXPECT_EQ(g_.textures[1]->name, "a");
    EXPECT_EQ(g_.textures[0]->use_stamp, 3);
    EXPECT_EQ(driver_calls(), (calls_t{"use_texture b 0", "use_texture a 0", "use_texture b 0"}));
    EXPECT_EQ(gfx_find_texture(g_, "a"), g_.textures[1].get());
    EXPECT_EQ(gfx_find_texture(g_, "c"), nullptr);

    gfx_texture_list_clear(g_);
    EXPECT_EQ(driver_calls(), (calls_t{"delete_texture b", "delete_texture a"}));
    EXPECT_EQ(gfx_find_texture(g_, "a"), nullptr);
}

}  // namespace
}  // namespace kv
