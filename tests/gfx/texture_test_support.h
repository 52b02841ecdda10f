#pragma once
// Texture files for tests that load textures through the front end: the world server singleton's
// folders point at a test's data directory while the object lives, and small Targa images are
// written into its texture folder.

#include <string>
#include <vector>

#include "game/server.h"
#include "tests/support/temp_folder.h"
#include "tools/targa_writer.h"

namespace kv {

class scoped_texture_data {
public:
    explicit scoped_texture_data(const std::string& data_dir)
        : data_dir_(server_get().data_dir),
          base_dir_(server_get().texture_base_dir),
          texture_dir_(server_get().texture_dir) {
        server_get().data_dir = data_dir;
        server_get().texture_base_dir = "tex/";
        server_get().texture_dir = "tga/";
    }
    ~scoped_texture_data() {
        server_get().data_dir = data_dir_;
        server_get().texture_base_dir = base_dir_;
        server_get().texture_dir = texture_dir_;
    }
    scoped_texture_data(const scoped_texture_data&) = delete;
    scoped_texture_data& operator=(const scoped_texture_data&) = delete;

private:
    std::string data_dir_;
    std::string base_dir_;
    std::string texture_dir_;
};

// A 2 x 2 24-bit Targa image of one colour.
inline std::vector<uint8_t> plain_texture_file(uint8_t red = 255, uint8_t green = 255, uint8_t blue = 255) {
    tools::targa_desc shape;
    shape.width = shape.height = 2;
    for (int i = 0; i < 4; ++i) shape.texels.insert(shape.texels.end(), {red, green, blue});
    return tools::targa(shape);
}

// Writes plain textures of those names into the data directory's texture folder ("tex/tga/").
inline void write_plain_textures(const temp_folder& folder, const std::string& data_subfolder,
                                 const std::vector<std::string>& names) {
    const std::vector<uint8_t> bytes = plain_texture_file();
    for (const std::string& name : names)
        folder.write(data_subfolder + "tex/tga/" + name + ".tga", std::string(bytes.begin(), bytes.end()));
}

}  // namespace kv
