#pragma once
// Writes packages: a QXPS file whose root chunk holds the import names (16-bit count, counted
// strings) and nine tables, each a 16-bit count followed by chunk ids, in the order below.
//
// Objects of the stand-in kinds are written as their name followed by opaque bytes; the
// subsystems that read those kinds add writers for their own records, built on `qxps()`:
// they add chunks there and `list` the object's chunk in its table.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/qxps_writer.h"
#include "util/vec3.h"

namespace kv::tools {

enum class package_table {
    screens,
    shaders,
    surfaces,
    geometry,
    entities,
    sectors,
    arties,
    skeletons,
    animations
};
inline constexpr int kPackageTableCount = 9;

// A chunk holding a counted name followed by `rest`.
int32_t add_named_chunk(qxps_writer& out, std::string_view name, const std::vector<uint8_t>& rest = {});
// An arty description chunk: class name, instance name, parameter size (u32), parameter bytes.
int32_t add_arty_chunk(qxps_writer& out, std::string_view class_name, std::string_view instance_name,
                       const std::vector<uint8_t>& parameters);

// A surface layer: a reference to another surface by name, or a description (a token list whose
// item 1 names the layer's shader).
struct surface_layer {
    bool reference = false;
    std::string name;                  // a reference's surface
    std::vector<uint8_t> description;  // a description's token list as stored
};

inline surface_layer description_layer(std::vector<uint8_t> description) {
    return {false, {}, std::move(description)};
}
inline surface_layer reference_layer(std::string surface_name) {
    return {true, std::move(surface_name), {}};
}

// A viewport: rectangle in the 1000 x 1000 virtual screen, name, position, rotation axis and
// angle, seven projection values (near, four frustum angles, one unused, far).
struct viewport_desc {
    int16_t x = 0;
    int16_t y = 0;
    int16_t width = 1000;
    int16_t height = 1000;
    std::string name;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float axis[3] = {0.0f, 0.0f, 0.0f};
    float angle = 0.0f;
    float projection[7] = {1.0f, 0.785398163f, 0.785398163f, 0.785398163f, 0.785398163f, 0.0f, 50000.0f};
};

// A shader chunk: name, command count, then each command's size (u32) and token list.
int32_t add_shader_chunk(qxps_writer& out, std::string_view name,
                         const std::vector<std::vector<uint8_t>>& commands);
// A surface chunk: name, layer count, then per layer its kind byte (1 reference, 0 description) and
// the name or the description's size (u32) and bytes.
int32_t add_surface_chunk(qxps_writer& out, std::string_view name, const std::vector<surface_layer>& layers);
// A viewport chunk.
int32_t add_viewport_chunk(qxps_writer& out, const viewport_desc& viewport);

class package_writer {
public:
    explicit package_writer(uint8_t id_width = 2, std::string version = "11");

    qxps_writer& qxps() { return qxps_; }
    int32_t root() const { return root_; }

    void add_import(std::string name) { imports_.push_back(std::move(name)); }
    // Lists a chunk in a table; a chunk may be listed more than once.
    void list(package_table table, int32_t id) { tables_[static_cast<int>(table)].push_back(id); }

    // A named object of any table kind, listed in its table.
    int32_t add_named_object(package_table table, std::string_view name,
                             const std::vector<uint8_t>& rest = {});
    // An arty description, listed in the arty table.
    int32_t add_arty(std::string_view class_name, std::string_view instance_name,
                     const std::vector<uint8_t>& parameters);
    // A view chunk (its name, then `rest`); screens list it, no table does.
    int32_t add_view(std::string_view name, const std::vector<uint8_t>& rest = {});
    // A shader, listed in the shader table.
    int32_t add_shader(std::string_view name, const std::vector<std::vector<uint8_t>>& commands = {});
    // A surface, listed in the surface table.
    int32_t add_surface(std::string_view name, const std::vector<surface_layer>& layers = {});
    // A viewport chunk; views name it, no table does.
    int32_t add_viewport(const viewport_desc& viewport) { return add_viewport_chunk(qxps_, viewport); }
    // A view chunk: name, viewport count, the viewport ids (a chunk may be named more than once).
    int32_t add_view_record(std::string_view name, const std::vector<int32_t>& viewports = {});
    // A screen: its name, the 16-bit view count and the view ids; listed in the screen table.
    int32_t add_screen(std::string_view name, const std::vector<int32_t>& views);

    std::vector<uint8_t> finish();
    bool write(const std::filesystem::path& path) { return write_file(path, finish()); }

    // For damaged files: counts written in place of the real ones (the ids written stay the real ones).
    std::optional<uint16_t> import_count_override;
    std::array<std::optional<uint16_t>, kPackageTableCount> count_override;

private:
    qxps_writer qxps_;
    int32_t root_;
    std::vector<std::string> imports_;
    std::array<std::vector<int32_t>, kPackageTableCount> tables_;
};

// One key of a skeleton's bind pose or an animation frame: the bone, its translation and a turn
// about an axis (radians).
struct bone_key_desc {
    uint8_t bone = 0;
    vec3 translation{};
    vec3 axis{0.0f, 0.0f, 1.0f};
    float angle = 0.0f;
};

// A skeleton record. Node i's list is i followed by its children; the starts and the list length
// come from the lists unless overridden (for damaged records).
struct skeleton_desc {
    std::string name{};
    int8_t reference_bone = 0;
    std::array<int8_t, 16> attachment_bones{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<std::vector<uint8_t>> nodes{};
    std::vector<bone_key_desc> bind_keys{};
    std::optional<std::vector<uint16_t>> starts_override{};
    std::optional<uint8_t> bind_count_override{};
};
int32_t add_skeleton(package_writer& out, const skeleton_desc& s);

// An animation record; every frame holds the same number of keys (the first frame's).
struct animation_desc {
    std::string name{};
    int16_t value = 0;
    std::vector<std::vector<bone_key_desc>> frames{};
    std::optional<uint16_t> frame_count_override{};
    std::optional<uint8_t> keys_per_frame_override{};
};
int32_t add_animation(package_writer& out, const animation_desc& a);

}  // namespace kv::tools
