#pragma once
// The world server: the process-wide object that owns the running world. So far it holds what the
// data layer needs: the directories and names, the open PAK archives, the arty factory and the
// loaded packages. The entities, players, snapshot, clock, text tables and the frame come with the
// rest of the world server.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/arty_factory.h"

namespace kv {

struct file_stream;
struct mesh_instance;
struct package;
struct pak_archive;

struct server {
    server();
    ~server();
    server(const server&) = delete;
    server& operator=(const server&) = delete;

    uint8_t dedicated = 0;           // a dedicated server: nothing is drawn
    std::string data_dir;            // loose data files and "maps/" are found under it
    std::string texture_dir;         // texture sub-directory of the selected display driver
    std::string lmap_dir;            // light-map files, under the data directory
    std::string write_dir;           // files the program writes
    std::string current_level_name;  // the package the package loader records as it loads one
    std::vector<std::unique_ptr<pak_archive>> archives;  // searched in order after the loose files
    arty_factory factory;
    std::vector<std::unique_ptr<package>> packages;
    int32_t log_level = 0;  // debug-log level; non-zero makes the player and snapshot updates log
    // Mesh instances of water surfaces, entered while levels load; each instance leaves the list
    // when it is destroyed with its package.
    std::vector<mesh_instance*> water_instances;
};

// The process-wide world server, created on first use.
server& server_get();

void server_set_write_dir(server& srv, const std::string& dir);
void server_set_dedicated(server& srv, uint8_t dedicated);
void server_set_texture_dir(server& srv, const std::string& dir);
void server_set_lmap_dir(server& srv, const std::string& dir);

// Opens a data file: with `write`, write directory + name (created or truncated); else data
// directory + name, or, when that is missing, the chunk of exactly that name in the first archive
// holding one. Null when neither has it.
std::unique_ptr<file_stream> server_open_file(server& srv, const std::string& name, bool write);

}  // namespace kv
