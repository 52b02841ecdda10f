#pragma once
// The level load of the world server's first frame: the game package (or the boot-strap package) with
// its references, textures and light maps; the texture precache list "precache.cfg"; and the text
// tables "base", "menu", "keys" and the level's own.

#include <cstdint>
#include <string>
#include <vector>

#include "game/server.h"

namespace kv {

struct file_stream;

inline constexpr const char* kPrecacheFileName = "precache.cfg";
inline constexpr std::size_t kPrecacheLineMax = 255;

// Loads the package from "maps/" with its imports and resolves the references; unless this is a
// dedicated server also precaches the textures, loads the light maps and prepares the world. Logs
// each step; false after "Fatal error during loading package" (what loaded so far stays loaded).
bool server_load_game_package(server& srv, const std::string& name);
// For the game package only: loads the textures named by "precache.cfg".
void server_precache_textures(server& srv);
// The texture names of a precache list: one per line, '#' to the line's end a comment, at most 255
// characters a line. Lines of 4 characters or fewer and lines without ".tga" are skipped; a line
// ending in ".tga" loses those four characters, any other is kept whole.
std::vector<std::string> precache_read_names(file_stream& stream);
// Reads data directory + "base", "menu", "keys" (+ the language suffix) and, with a game package
// name, data directory + "maps/" + name (+ suffix) into the four tables. False at the first file
// that cannot be opened; the tables read before keep their texts.
bool server_load_text_tables(server& srv, const std::string& game_package);

// Key events for the arty that takes key input.
void server_post_key_down(server& srv, int32_t code);
void server_post_key_up(server& srv, int32_t code);

}  // namespace kv
