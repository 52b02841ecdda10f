#pragma once
// A shader: a package object (the package's "shader" table) made of a name and a short list of
// commands, each a token list whose first item is the command's word. Running a shader for one
// layer of a surface sets up that layer's drawing state: its texture ("tex"), its culling
// ("bfcull") and its flat colour ("dcolor").
//
// A command argument that is a string "$0" to "$9" takes item 1 to 10 of the calling layer's
// description instead (item 0 is the layer's word).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/texture_cache.h"
#include "util/token_list.h"

namespace kv {

struct gfx;
struct package_read_context;

struct shader {
    std::string name;
    std::vector<std::unique_ptr<token_list>> commands;
};

// Package record, inside the shader's chunk: name, command count (u16), then per command its size
// (u32) and that many bytes of token list. Raises `read_error` on a damaged record.
std::unique_ptr<shader> shader_read(package_read_context& ctx);

// Runs every command with the driver's state applied; `parameters` is the calling layer's
// description (null: none, and every "$" argument fails).
void shader_run(const shader& s, gfx& g, const token_list* parameters, layer_state& state);
// The same without driver operations or uploads: textures are only found or loaded.
void shader_run_dry(const shader& s, gfx& g, const token_list* parameters, layer_state& state);

// "shader: *WARNING* Syntax error in shader `NAME' on line INDEX - skipping."
void shader_syntax_error(const shader& s, int32_t command_index);
// Argument `item` of the command as a word: a string item, or a reference to one.
bool shader_arg_word(std::string& out, int32_t item, const token_list& command, const token_list* parameters);
// Argument `item` as a number: a float or integer item or a reference to one; a plain string
// succeeds and leaves `out` as it was.
bool shader_arg_number(float& out, int32_t item, const token_list& command, const token_list* parameters);

}  // namespace kv
