#include "gfx/surface.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "data/reference_list.h"
#include "game/server.h"
#include "gfx/shader.h"
#include "gfx/sized_token_list.h"
#include "util/text.h"
#include "world/world_read.h"

namespace kv {
namespace {

constexpr const char* kBasicMapShader = "basicmap";
constexpr uint8_t kTagLongString = 5;  // a token-list string with a 16-bit length

// A string item's text, or the empty text.
std::string item_text(const token_list& list, int index) {
    return token_list_kind(list, index) == kTokenString ? token_list_get_string(list, index) : std::string();
}

// A description built for a map: "____call__basicmap__MAP", "basicmap", MAP.
std::unique_ptr<token_list> basicmap_description(const std::string& map_name) {
    const std::string words[] = {"____call__basicmap__" + map_name, kBasicMapShader, map_name};
    std::vector<uint8_t> bytes = {0, static_cast<uint8_t>(std::size(words))};
    for (const std::string& word : words) {
        const std::size_t n = std::min<std::size_t>(word.size(), kQxpsMaxCount);
        bytes.push_back(kTagLongString);
        bytes.push_back(static_cast<uint8_t>(n >> 8));
        bytes.push_back(static_cast<uint8_t>(n & 0xFF));
        bytes.insert(bytes.end(), word.begin(), word.begin() + static_cast<std::ptrdiff_t>(n));
    }
    auto list = std::make_unique<token_list>();
    token_list_init(*list, bytes.size(), bytes.data());
    return list;
}

}  // namespace

std::unique_ptr<surface> surface_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto s = std::make_unique<surface>();
    qxps_stream_enter_chunk(in, s.get());
    s->name = qxps_stream_read_string(in);
    const uint32_t count = qxps_stream_read_u16(in);
    // Every layer takes at least its kind byte.
    world_check_room(in, count, 1, "surface `" + s->name + "'");
    s->descriptions.resize(count);
    s->references.resize(count, nullptr);
    s->shaders.resize(count, nullptr);
    const std::string& package_name = ctx.srv.current_level_name;
    for (uint32_t i = 0; i < count; ++i) {
        if (qxps_stream_read_u8(in) != 0) {
            ref_list_add_surface(ref_list(), package_name, qxps_stream_read_string(in), &s->references[i]);
            continue;
        }
        s->descriptions[i] =
            read_sized_token_list(in, str_format("layer %u of surface `%s'", i, s->name.c_str()));
        const token_list& description = *s->descriptions[i];
        if (token_list_count(description) > 1 && token_list_kind(description, 1) == kTokenString) {
            ref_list_add_shader(ref_list(), package_name, token_list_get_string(description, 1),
                                &s->shaders[i]);
        }
    }
    qxps_stream_leave_chunk(in);
    return s;
}

int32_t surface_basicmap_layer(surface& s, server& srv, const std::string& map_name) {
    for (std::size_t i = 0; i < s.descriptions.size(); ++i) {
        const token_list* description = s.descriptions[i].get();
        if (description && item_text(*description, 1) == kBasicMapShader &&
            item_text(*description, 2) == map_name)
            return static_cast<int32_t>(i);
    }
    s.descriptions.push_back(basicmap_description(map_name));
    s.references.push_back(nullptr);
    s.shaders.push_back(nullptr);
    // Looked up at once and on its own: the references other packages still have pending stay as
    // they are.
    reference_list now;
    ref_list_add_shader(now, srv.current_level_name, kBasicMapShader, &s.shaders.back());
    ref_list_resolve(now, srv.packages);
    return static_cast<int32_t>(s.descriptions.size() - 1);
}

void surface_run(const surface& s, gfx& g) {
    for (std::size_t i = 0; i < s.descriptions.size(); ++i) {
        if (!s.descriptions[i] || !s.shaders[i]) continue;
        layer_state state;
        shader_run(*s.shaders[i], g, s.descriptions[i].get(), state);
    }
}

}  // namespace kv
