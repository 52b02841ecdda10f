#include "gfx/shader.h"

#include "data/package.h"
#include "data/qxps_stream.h"
#include "gfx/sized_token_list.h"
#include "kernel/log.h"
#include "util/text.h"
#include "world/world_read.h"

namespace kv {
namespace {

// A command's argument item, followed through at most one "$" reference: the list and index that
// hold the value, or false for a missing item or a bad reference.
bool argument_item(int32_t item, const token_list& command, const token_list* parameters,
                   const token_list*& list, int& index) {
    if (item < 0 || item >= token_list_count(command)) return false;
    list = &command;
    index = item;
    if (token_list_kind(command, item) != kTokenString) return true;
    const std::string text = token_list_get_string(command, item);
    if (text.empty() || text[0] != '$') return true;
    // "$0" to "$9": items 1 to 10 of the layer's description, never item 0 or an item before it.
    if (!parameters || text.size() != 2 || text[1] < '0' || text[1] > '9') return false;
    const int referenced = text[1] - '/';
    if (referenced >= token_list_count(*parameters)) return false;
    // A reference to a reference is not followed.
    if (token_list_kind(*parameters, referenced) == kTokenString) {
        const std::string target = token_list_get_string(*parameters, referenced);
        if (!target.empty() && target[0] == '$') return false;
    }
    list = parameters;
    index = referenced;
    return true;
}

void run(const shader& s, gfx& g, const token_list* parameters, layer_state& state, bool dry) {
    for (std::size_t i = 0; i < s.commands.size(); ++i) {
        const token_list& command = *s.commands[i];
        const auto line = static_cast<int32_t>(i);
        if (token_list_count(command) < 1 || token_list_kind(command, 0) != kTokenString) {
            shader_syntax_error(s, line);
            continue;
        }
        const std::string word = token_list_get_string(command, 0);
        if (word == "tex") {
            std::string name;
            if (!shader_arg_word(name, 1, command, parameters)) {
                shader_syntax_error(s, line);
                continue;
            }
            gfx_load_texture(g, name, state, dry);
        } else if (word == "dcolor") {
            state.has_alpha = 0;
            if (dry) continue;
            float rgb[3] = {0.0f, 0.0f, 0.0f};
            if (!shader_arg_number(rgb[0], 1, command, parameters) ||
                !shader_arg_number(rgb[1], 2, command, parameters) ||
                !shader_arg_number(rgb[2], 3, command, parameters)) {
                shader_syntax_error(s, line);
                continue;
            }
            gfx_set_flat_colour(g, rgb[0], rgb[1], rgb[2]);
        } else if (word == "bfcull") {
            std::string value;
            if (shader_arg_word(value, 1, command, parameters) && (value == "on" || value == "off")) {
                state.culling = value == "on" ? 1 : 0;
            } else {
                shader_syntax_error(s, line);
            }
        } else if (word == "call") {
            log_write("shader: *WARNING* Command `call' is not implemented yet.\n");
        } else {
            log_write("shader: *WARNING* Unknown command `%s' - skipping.\n", word.c_str());
        }
    }
}

}  // namespace

std::unique_ptr<shader> shader_read(package_read_context& ctx) {
    qxps_stream& in = ctx.stream;
    auto s = std::make_unique<shader>();
    qxps_stream_enter_chunk(in, s.get());
    s->name = qxps_stream_read_string(in);
    const uint32_t count = qxps_stream_read_u16(in);
    // Every command takes at least its 4-byte size.
    world_check_room(in, count, 4, "shader `" + s->name + "'");
    s->commands.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        s->commands.push_back(
            read_sized_token_list(in, str_format("command %u of shader `%s'", i, s->name.c_str())));
    }
    qxps_stream_leave_chunk(in);
    return s;
}

void shader_run(const shader& s, gfx& g, const token_list* parameters, layer_state& state) {
    run(s, g, parameters, state, false);
}

void shader_run_dry(const shader& s, gfx& g, const token_list* parameters, layer_state& state) {
    run(s, g, parameters, state, true);
}

void shader_syntax_error(const shader& s, int32_t command_index) {
    log_write("shader: *WARNING* Syntax error in shader `%s' on line %d - skipping.\n", s.name.c_str(),
              command_index);
}

bool shader_arg_word(std::string& out, int32_t item, const token_list& command,
                     const token_list* parameters) {
    const token_list* list = nullptr;
    int index = 0;
    if (!argument_item(item, command, parameters, list, index)) return false;
    if (token_list_kind(*list, index) != kTokenString) return false;
    out = token_list_get_string(*list, index);
    return true;
}

bool shader_arg_number(float& out, int32_t item, const token_list& command, const token_list* parameters) {
    const token_list* list = nullptr;
    int index = 0;
    if (!argument_item(item, command, parameters, list, index)) return false;
    switch (token_list_kind(*list, index)) {
        case kTokenInteger:
        case kTokenFloat:
            out = token_list_get_float(*list, index);
            return true;
        case kTokenString:
            return true;
        default:
            return false;
    }
}

}  // namespace kv
