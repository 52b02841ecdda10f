#include "tools/demo_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/beings_writer.h"
#include "tools/byte_writer.h"
#include "tools/dds_writer.h"
#include "tools/effect_pictures.h"
#include "tools/font_writer.h"
#include "tools/goal_writer.h"
#include "tools/lmap_writer.h"
#include "tools/game_screens.h"
#include "tools/menu_screens.h"
#include "tools/music_writer.h"
#include "tools/package_writer.h"
#include "tools/targa_writer.h"
#include "tools/teams_writer.h"
#include "tools/token_writer.h"
#include "tools/wav_writer.h"
#include "tools/weapons_writer.h"
#include "tools/widget_pictures.h"
#include "tools/world_writer.h"
#include "util/box3.h"

namespace kv::tools {
namespace {

constexpr float kMetre = kDemoMetre;
constexpr float kRoomLength = kDemoRoomLength;
constexpr float kRoomWidth = kDemoRoomWidth;
constexpr float kRoomHeight = kDemoRoomHeight;
constexpr float kDoorHalfWidth = kDemoDoorHalfWidth;
constexpr float kDoorHeight = kDemoDoorHeight;
constexpr float kEyeHeight = kDemoEyeHeight;
// A floor's texture repeats once every five metres.
constexpr float kFloorRepeat = 5.0f * kMetre;
// The crate's side.
constexpr float kCrateSide = kMetre;
constexpr float kCaseSide = 0.4f * kMetre;

box3 box_of(const vec3& lo, const vec3& hi) {
    box3 b;
    box3_init(b, lo, hi);
    return b;
}

// A floor: one quad of two triangles facing up (what stands on it collides with its front), from x0
// to x1 across `width` centred on z = 0, its texture repeating every `kFloorRepeat`.
mesh_desc floor_mesh(float x0, float x1, float width = kRoomWidth) {
    const float z = width / 2.0f;
    const float u = (x1 - x0) / kFloorRepeat;
    const float v = width / kFloorRepeat;
    mesh_desc m;
    m.box = box_of({x0, 0.0f, -z}, {x1, 0.0f, z});
    m.vertices = {{x0, 0.0f, -z, 0.0f, 0.0f},
                  {x1, 0.0f, -z, u, 0.0f},
                  {x1, 0.0f, z, u, v},
                  {x0, 0.0f, z, 0.0f, v}};
    mesh_desc::part part;
    part.indices = {0, 2, 1, 0, 3, 2};
    part.draws = {{0, 2, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

// A crate: the eight corners of a cube of side `side` standing on the floor, in twelve triangles.
box3 crate_box(float side) {
    return box_of({-side / 2.0f, 0.0f, -side / 2.0f}, {side / 2.0f, side, side / 2.0f});
}
mesh_desc crate_mesh(float side) {
    mesh_desc m;
    m.box = crate_box(side);
    for (int i = 0; i < 8; ++i) {
        const float x = (i & 1) ? side / 2.0f : -side / 2.0f;
        const float y = (i & 2) ? side : 0.0f;
        const float z = (i & 4) ? side / 2.0f : -side / 2.0f;
        m.vertices.push_back({x, y, z, (i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
    }
    mesh_desc::part part;
    part.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                    2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    part.draws = {{1, 12, 0}};
    m.parts = {part};
    m.tree = {{m.box, 8, 0}};
    return m;
}

// Appends a quad of two triangles (p0, p2, p1 and p0, p3, p2) to the mesh's first part. Its front,
// the side drawn when back faces are culled and the side that stops what moves into it, faces along
// (p2 - p0) x (p1 - p0): a floor's (x0, z0), (x1, z0), (x1, z1), (x0, z1), with x1 > x0 and z1 > z0,
// faces up. The texture lies flat on the quad's plane, repeating every `kFloorRepeat`.
void add_quad(mesh_desc& m, const std::array<vec3, 4>& p) {
    if (m.parts.empty()) m.parts.emplace_back();
    const vec3 normal = vec3_cross(p[2] - p[0], p[1] - p[0]);
    const float ax = std::fabs(normal.x);
    const float ay = std::fabs(normal.y);
    const float az = std::fabs(normal.z);
    const auto first = static_cast<uint16_t>(m.vertices.size());
    for (const vec3& c : p) {
        float u = c.x;
        float v = c.z;
        if (ax >= ay && ax >= az) {
            u = c.z;
            v = -c.y;
        } else if (az >= ay) {
            v = -c.y;
        }
        m.vertices.push_back({c.x, c.y, c.z, u / kFloorRepeat, v / kFloorRepeat});
    }
    for (const int i : {0, 2, 1, 0, 3, 2}) m.parts[0].indices.push_back(static_cast<uint16_t>(first + i));
}

// Appends the quad as `add_quad` does, its corners turned so that its front faces along `inward`.
void add_quad_facing(mesh_desc& m, std::array<vec3, 4> p, const vec3& inward) {
    if (vec3_dot(vec3_cross(p[2] - p[0], p[1] - p[0]), inward) < 0.0f) std::swap(p[1], p[3]);
    add_quad(m, p);
}

// Closes a mesh made of quads: its box, its one draw of layer `draw_id` and its one tree node.
void finish_quads(mesh_desc& m, uint16_t draw_id) {
    box3_init_point(m.box, {m.vertices[0].x, m.vertices[0].y, m.vertices[0].z});
    for (const mesh_desc::vertex& v : m.vertices) box3_add_point(m.box, {v.x, v.y, v.z});
    m.parts[0].draws = {{draw_id, static_cast<uint16_t>(m.parts[0].indices.size() / 3), 0}};
    m.tree = {{m.box, static_cast<uint16_t>(m.vertices.size()), 0}};
}

// The sky: a cube from -1 to 1 around the eye, its faces turned inwards.
mesh_desc sky_mesh() {
    mesh_desc m;
    const float a = 1.0f;
    // Each face with its front towards the middle.
    add_quad(m, {{{-a, -a, a}, {a, -a, a}, {a, a, a}, {-a, a, a}}});      // +z
    add_quad(m, {{{a, -a, -a}, {-a, -a, -a}, {-a, a, -a}, {a, a, -a}}});  // -z
    add_quad(m, {{{a, -a, a}, {a, -a, -a}, {a, a, -a}, {a, a, a}}});      // +x
    add_quad(m, {{{-a, -a, -a}, {-a, -a, a}, {-a, a, a}, {-a, a, -a}}});  // -x
    add_quad(m, {{{-a, a, a}, {a, a, a}, {a, a, -a}, {-a, a, -a}}});      // top
    add_quad(m, {{{-a, -a, -a}, {a, -a, -a}, {a, -a, a}, {-a, -a, a}}});  // bottom
    finish_quads(m, 1);
    return m;
}

// The yard's pool: its rim on the floor, its bottom and the water's surface below the floor.
struct pool_shape {
    float x0, x1, z0, z1;
};
constexpr float kPoolDepth = 2.5f * kMetre;
constexpr float kPoolWater = -0.3f * kMetre;
constexpr pool_shape kYardPool{kDemoRoomStart[0] + 12.0f * kMetre, kDemoRoomStart[0] + 18.0f * kMetre,
                               3.0f * kMetre, 7.0f * kMetre};

// A floor from x0 to x1 across the room's width with the pool's hole in it.
mesh_desc floor_around(float x0, float x1, const pool_shape& hole) {
    const float z = kRoomWidth / 2.0f;
    mesh_desc m;
    auto flat = [&](float ax, float bx, float az, float bz) {
        add_quad(m, {{{ax, 0.0f, az}, {bx, 0.0f, az}, {bx, 0.0f, bz}, {ax, 0.0f, bz}}});
    };
    flat(x0, x1, -z, hole.z0);
    flat(x0, x1, hole.z1, z);
    flat(x0, hole.x0, hole.z0, hole.z1);
    flat(hole.x1, x1, hole.z0, hole.z1);
    finish_quads(m, 0);
    return m;
}

// The pool's basin: its bottom and four walls, all facing into the water.
mesh_desc pool_basin(const pool_shape& p) {
    const float y = -kPoolDepth;
    mesh_desc m;
    add_quad(m, {{{p.x0, y, p.z0}, {p.x1, y, p.z0}, {p.x1, y, p.z1}, {p.x0, y, p.z1}}});
    add_quad(m, {{{p.x1, y, p.z0}, {p.x0, y, p.z0}, {p.x0, 0.0f, p.z0}, {p.x1, 0.0f, p.z0}}});  // faces +z
    add_quad(m, {{{p.x0, y, p.z1}, {p.x1, y, p.z1}, {p.x1, 0.0f, p.z1}, {p.x0, 0.0f, p.z1}}});  // faces -z
    add_quad(m, {{{p.x0, y, p.z0}, {p.x0, y, p.z1}, {p.x0, 0.0f, p.z1}, {p.x0, 0.0f, p.z0}}});  // faces +x
    add_quad(m, {{{p.x1, y, p.z1}, {p.x1, y, p.z0}, {p.x1, 0.0f, p.z0}, {p.x1, 0.0f, p.z1}}});  // faces -x
    finish_quads(m, 0);
    return m;
}

// The water's surface, facing up.
mesh_desc pool_water(const pool_shape& p) {
    mesh_desc m;
    add_quad(m, {{{p.x0, kPoolWater, p.z0}, {p.x1, kPoolWater, p.z0}, {p.x1, kPoolWater, p.z1},
                  {p.x0, kPoolWater, p.z1}}});
    finish_quads(m, 0);
    return m;
}

// An opening in a wall: from a0 to a1 along it, from y0 to y1 up.
struct wall_opening {
    float a0, a1, y0, y1;
};

// An upright wall from the floor to the room's height, along a from a0 to a1, its corners placed by
// `corner(a, y)`, facing along `inward`; an opening leaves a hole, the wall standing beside it, below
// it and above it.
template <class Corner>
void add_wall(mesh_desc& m, float a0, float a1, const vec3& inward, const wall_opening* hole, Corner corner) {
    auto piece = [&](float b0, float b1, float y0, float y1) {
        if (b1 <= b0 || y1 <= y0) return;
        add_quad_facing(m, {corner(b0, y0), corner(b1, y0), corner(b1, y1), corner(b0, y1)}, inward);
    };
    if (!hole) {
        piece(a0, a1, 0.0f, kRoomHeight);
        return;
    }
    piece(a0, hole->a0, 0.0f, kRoomHeight);
    piece(hole->a1, a1, 0.0f, kRoomHeight);
    piece(hole->a0, hole->a1, 0.0f, hole->y0);
    piece(hole->a0, hole->a1, hole->y1, kRoomHeight);
}

// The hall's window: an opening in its -z wall, its glass pane in the wall's plane.
constexpr float kWindowZ = -kRoomWidth / 2.0f;
constexpr wall_opening kHallWindow{kDemoRoomStart[1] + 8.0f * kMetre, kDemoRoomStart[1] + 12.0f * kMetre,
                                   kMetre, 3.0f * kMetre};
constexpr wall_opening kDoorway{-kDoorHalfWidth, kDoorHalfWidth, 0.0f, kDoorHeight};

// A room's walls (and its ceiling when it has one), all facing into the room from x0 to x1: the -x
// and +x walls open where a doorway leads on, the -z wall where a window is.
mesh_desc room_walls(float x0, float x1, bool door_minus, bool door_plus, bool ceiling,
                     const wall_opening* window) {
    const float z = kRoomWidth / 2.0f;
    const auto door = [](bool open) { return open ? &kDoorway : nullptr; };
    mesh_desc m;
    add_wall(m, -z, z, {1.0f, 0.0f, 0.0f}, door(door_minus), [&](float a, float y) {
        return vec3{x0, y, a};
    });
    add_wall(m, -z, z, {-1.0f, 0.0f, 0.0f}, door(door_plus), [&](float a, float y) {
        return vec3{x1, y, a};
    });
    add_wall(m, x0, x1, {0.0f, 0.0f, 1.0f}, window, [&](float a, float y) { return vec3{a, y, -z}; });
    add_wall(m, x0, x1, {0.0f, 0.0f, -1.0f}, nullptr, [&](float a, float y) { return vec3{a, y, z}; });
    if (ceiling) {
        add_quad_facing(m,
                        {vec3{x0, kRoomHeight, -z}, vec3{x1, kRoomHeight, -z}, vec3{x1, kRoomHeight, z},
                         vec3{x0, kRoomHeight, z}},
                        {0.0f, -1.0f, 0.0f});
    }
    finish_quads(m, 0);
    return m;
}

// The depot's light maps, one a room by the room's index: a lamp over the middle of the hall and of
// the store, whose light falls off towards the walls, and daylight over the yard, a little brighter in
// its middle.
constexpr int32_t kLightMapSide = 32;
std::vector<uint8_t> depot_light_maps() {
    lmap_writer maps;
    const float rims[] = {190.0f, 90.0f, 100.0f};
    for (const float rim : rims) {
        std::vector<uint8_t> texels;
        for (int row = 0; row < kLightMapSide; ++row) {
            for (int column = 0; column < kLightMapSide; ++column) {
                const float half = kLightMapSide / 2.0f;
                const float dx = (static_cast<float>(column) + 0.5f - half) / half;
                const float dz = (static_cast<float>(row) + 0.5f - half) / half;
                const float fall = std::min(1.0f, (dx * dx + dz * dz) / 2.0f);
                texels.push_back(static_cast<uint8_t>(std::lround(255.0f - (255.0f - rim) * fall)));
            }
        }
        maps.add(kLightMapSide, std::move(texels));
    }
    return maps.finish();
}

// A floor's light: its room's light map (`map`) laid over the room from x0, every vertex white.
lmap_binding_desc floor_light(const mesh_desc& floor, float x0, int32_t map) {
    lmap_binding_desc b;
    for (const mesh_desc::vertex& v : floor.vertices) {
        b.colours.push_back({255, 255, 255});
        b.coords.push_back({(v.x - x0) / kRoomLength, (v.z + kRoomWidth / 2.0f) / kRoomWidth});
        b.ids.push_back(map);
    }
    return b;
}

// The light of a room's walls and ceiling: its room's light map (`map`) as it falls at their foot (the
// floor's light where they meet it), half a texel in from the map's rim, every vertex white.
lmap_binding_desc wall_light(const mesh_desc& walls, float x0, int32_t map) {
    const float inset = 0.5f / static_cast<float>(kLightMapSide);
    const auto inside = [inset](float c) { return std::clamp(c, inset, 1.0f - inset); };
    lmap_binding_desc b;
    for (const mesh_desc::vertex& v : walls.vertices) {
        b.colours.push_back({255, 255, 255});
        b.coords.push_back(
            {inside((v.x - x0) / kRoomLength), inside((v.z + kRoomWidth / 2.0f) / kRoomWidth)});
        b.ids.push_back(map);
    }
    return b;
}

// A crate's light: no light map, its foot in its own shade.
lmap_binding_desc crate_light() {
    lmap_binding_desc b;
    for (int i = 0; i < 8; ++i) {
        const uint8_t level = (i & 2) ? 255 : 150;
        b.colours.push_back({level, level, level});
        b.coords.push_back({0.0f, 0.0f});
        b.ids.push_back(-1);
    }
    return b;
}

// A doorway in the plane x = at; crossing it towards +x leaves the sector unless `facing_minus`.
std::array<vec3, 4> doorway(float at, bool facing_minus) {
    std::array<vec3, 4> quad = {{{at, 0.0f, -kDoorHalfWidth},
                                 {at, kDoorHeight, -kDoorHalfWidth},
                                 {at, kDoorHeight, kDoorHalfWidth},
                                 {at, 0.0f, kDoorHalfWidth}}};
    if (facing_minus) std::swap(quad[1], quad[3]);
    return quad;
}

std::vector<uint8_t> text_bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A sectioned text table: "<n>" opens entry n.
std::vector<uint8_t> text_table(const std::vector<std::string_view>& entries) {
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += "<" + std::to_string(i) + ">\n";
        text += entries[i];
        text += '\n';
    }
    return text_bytes(text);
}

// The "base" table: team and specialisation names, then the server session's lines from entry 131.
std::vector<std::string_view> base_texts() {
    std::vector<std::string_view> texts = {"blue",  "red",    "black",     "soldier",
                                           "scout", "sniper", "specialist"};
    texts.resize(99);
    // 99-109: the texts of the server's refusals (the client's reply codes).
    const std::string_view replies[] = {
        "The team is full",                         // 99: code 7
        "The server refused the request",           // 100: codes 0, 1, 3, 8-10, 12
        "Not while connected to a server",          // 101: code 2
        "The server does not answer",               // 102: code 4
        "The server is full",                       // 103: code 5
        "The game is not open to new players",      // 104: code 6
        "Wrong password",                           // 105: code 11
        "The server does not accept this login",    // 106: code 13
        "",                                         // 107
        "",                                         // 108
        "The server cannot take this request now",  // 109: code 14
    };
    texts.insert(texts.end(), std::begin(replies), std::end(replies));
    texts.resize(131);
    const std::string_view session[] = {
        "I got %s",                                      // 131: said by the killer
        "%s killed %s",                                  // 132
        "Hello all, ",                                   // 133: "#conn"
        "I am in.",                                      // 134
        "I joined team %d",                              // 135: "#join"
        "Bye!",                                          // 136: "#bye"
        "%s blew up %s",                                 // 137
        "",                                              // 138
        "%s: %s",                                        // 139
        "%s (team): %s",                                 // 140
        "Network configuration `%s' could not be read",  // 141
        "%s is back",                                    // 142
        "%s connected",                                  // 143
        "Blue",                                          // 144
        "Red",                                           // 145
        "Black",                                         // 146
        "",                                              // 147
        "Bot",                                           // 148
        "Player",                                        // 149
        "%s %s joined team %d (%s)",                     // 150
        "%s left",                                       // 151
        "Map %s ends",                                   // 152
        "Map %s begins",                                 // 153
    };
    texts.insert(texts.end(), std::begin(session), std::end(session));
    // The interface's: the controls and loading screens' titles and the quit screen's texts.
    texts[73] = "Controls";
    texts[74] = "Loading...";
    texts[75] = "Loading";
    texts[110] = "Leave?";
    texts[111] = "Resume";
    texts[112] = "Leave the game";
    return texts;
}

// The game object that runs a level, with its free camera and the cable camera that moves behind the menu.
void add_game_object(package_writer& w) {
    w.add_arty("kvgame", "game", token_writer().key("cb:").integer(33).bytes());
    w.add_arty("kvbound_camera", "cam", {});
    w.add_arty("kvcable_camera", "ccam", {});
    // The interface's screens (tools/menu_screens.h), in the menu and in the level alike.
    for (const screen_desc& screen : demo_screens()) w.add_arty("kvscreen", screen.name, screen.parameters);
}

std::vector<std::string_view> views(const std::vector<std::string>& texts) {
    return {texts.begin(), texts.end()};
}

// The "base" table with the in-game screens' entries (tools/game_screens.h).
std::vector<std::string> game_base_texts() {
    const std::vector<std::string_view> texts = base_texts();
    std::vector<std::string> all(texts.begin(), texts.end());
    game_screen_texts(all);
    return all;
}

// The labels of the players' actions in the "keys" table, by their numbers.
std::vector<std::string_view> key_labels() {
    return {"Forward",   "Back",         "Step left",     "Step right",  "Lean left",     "Lean right",
            "Stand up",  "Go down",      "Walk",          "Jump",        "Primary",       "Secondary",
            "Ternary",   "Grenades",     "Aux weapon",    "Fire",        "Fire 2",        "Fire 3",
            "Reload",    "Camera mode",  "Camera",        "Change team", "Message panel", "Send message",
            "Radio",     "Quit",         "Screenshot",    "Console",     "Scores",        "Controls",
            "Swim",      "Night vision", "Lamp",          "Use",         "RPG hud",       "Weaponry",
            "Drop item", "Add item",     "Breath control"};
}

// The demo's textures: a name, the two colours of its checker pattern and, below 255, the alpha of
// a translucent one (drawn in the translucent pass).
struct demo_texture {
    const char* name;
    uint8_t light[3];
    uint8_t dark[3];
    uint8_t alpha = 255;
};
constexpr demo_texture kDemoTextures[] = {
    {"concrete", {150, 150, 145}, {120, 120, 118}},
    {"planks", {170, 120, 70}, {130, 90, 50}},
    {"crate", {190, 150, 90}, {110, 80, 40}},
    {"day", {140, 190, 240}, {120, 170, 230}},
    {"glass", {200, 225, 235}, {170, 200, 215}, 110},
    {"water", {40, 90, 120}, {30, 75, 105}, 170},
    {"QXlogo", {255, 0, 255}, {40, 40, 40}},
    // The teams' uniforms.
    {kTeamUniforms[0], {70, 80, 140}, {50, 60, 110}},
    {kTeamUniforms[1], {140, 60, 50}, {110, 45, 40}},
    {kTeamUniforms[2], {60, 60, 60}, {35, 35, 35}},
};
constexpr uint16_t kDemoTextureSide = 16;
constexpr int kCheckerSquare = 4;

// A checker-board texture: 24-bit, or 32-bit with its alpha.
std::vector<uint8_t> demo_texture_image(const demo_texture& t) {
    targa_colour_desc shape;
    shape.width = shape.height = kDemoTextureSide;
    shape.alpha = t.alpha != 255;
    for (int row = 0; row < kDemoTextureSide; ++row) {
        for (int column = 0; column < kDemoTextureSide; ++column) {
            const uint8_t* colour =
                ((row / kCheckerSquare + column / kCheckerSquare) % 2 == 0) ? t.light : t.dark;
            shape.texels.insert(shape.texels.end(), colour, colour + 3);
            if (shape.alpha) shape.texels.push_back(t.alpha);
        }
    }
    return targa_colour(shape);
}

// Textures in the other variants the loader reads: "grime" 8-bit grey, "fence" 32-bit with alpha of
// two levels (a lattice with holes), "stripes" 24-bit stored bottom row first.
std::vector<uint8_t> grime_image() {
    targa_desc shape;
    shape.type = 3;
    shape.bits = 8;
    shape.width = shape.height = kDemoTextureSide;
    for (int i = 0; i < kDemoTextureSide * kDemoTextureSide; ++i)
        shape.texels.push_back(static_cast<uint8_t>(60 + (i * 37 + i / kDemoTextureSide * 11) % 90));
    return targa(shape);
}

std::vector<uint8_t> fence_image() {
    targa_desc shape;
    shape.bits = 32;
    shape.alpha_bits = 8;
    shape.width = shape.height = kDemoTextureSide;
    for (int row = 0; row < kDemoTextureSide; ++row) {
        for (int column = 0; column < kDemoTextureSide; ++column) {
            const bool wire = (row + column) % 8 == 0 || (row - column + kDemoTextureSide) % 8 == 0;
            shape.texels.insert(shape.texels.end(), {110, 115, 120, static_cast<uint8_t>(wire ? 255 : 0)});
        }
    }
    return targa(shape);
}

std::vector<uint8_t> stripes_image() {
    targa_desc shape;
    shape.width = shape.height = kDemoTextureSide;
    shape.top_first = false;
    for (int row = 0; row < kDemoTextureSide; ++row) {
        const uint8_t red = (row / kCheckerSquare) % 2 == 0 ? 200 : 40;
        for (int column = 0; column < kDemoTextureSide; ++column)
            shape.texels.insert(shape.texels.end(), {red, 160, 40});
    }
    return targa(shape);
}

// The crate's checker board as a DXT1 file with its five mip levels (each 4 x 4 block is one square).
std::vector<uint8_t> demo_crate_dds() {
    const demo_texture& crate = kDemoTextures[2];
    dds_desc d;
    d.four_cc = "DXT1";
    d.width = d.height = kDemoTextureSide;
    d.mip_levels = 5;
    for (int row = 0; row < kDemoTextureSide; ++row) {
        for (int column = 0; column < kDemoTextureSide; ++column) {
            const uint8_t* colour =
                ((row / kCheckerSquare + column / kCheckerSquare) % 2 == 0) ? crate.light : crate.dark;
            d.rgba.insert(d.rgba.end(), {colour[0], colour[1], colour[2], 255});
        }
    }
    return dds_file(d);
}

// A surface layer painted with the texture by the shader "paint".
surface_layer painted(const char* texture_name) {
    return description_layer(token_writer().str("layer").str("paint").str(texture_name).bytes());
}

// The game screen's one viewport: the whole screen, a square 90-degree view across and 4:3 up and down.
viewport_desc whole_screen_viewport() {
    viewport_desc v;
    v.name = "main";
    const float across = std::numbers::pi_v<float> / 4.0f;
    const float up = std::atan(0.75f);
    const float projection[7] = {1.0f, across, across, up, up, 0.0f, 50000.0f};
    std::copy(std::begin(projection), std::end(projection), v.projection);
    return v;
}

// Shaders, surfaces, the sky, a crate and the game screen, shared by the menu and the level.
std::vector<uint8_t> shared_package() {
    package_writer w;
    auto& q = w.qxps();
    w.add_screen("basic", {w.add_view_record("default", {w.add_viewport(whole_screen_viewport())})});
    // Both take their texture from the layer's item 2: the light-map layers name their map there.
    w.add_shader("basicmap", {token_writer().str("tex").str("$1").bytes()});
    w.add_shader("paint", {token_writer().str("tex").str("$1").bytes(),
                           token_writer().str("bfcull").str("on").bytes()});
    // Two layers each: floors draw with id 0, crate meshes (the sky and the door too) with id 1.
    const std::pair<const char*, const char*> surfaces[] = {
        {"s-concrete", "concrete"}, {"s-planks", "planks"}, {"s-crate", "crate"},    {"s-day", "day"},
        {"s-grime", "grime"},       {"s-fence", "fence"},   {"s-stripes", "stripes"}};
    for (const auto& [name, texture_name] : surfaces)
        w.add_surface(name, {painted(texture_name), painted(texture_name)});
    const mesh_desc sky = sky_mesh();
    add_geometry(w, {"g-sky", sky.box, {add_mesh(q, sky)}, {}});
    add_geometry(w, {"crate", crate_box(kCrateSide), {add_mesh(q, crate_mesh(kCrateSide))}, {}});
    // The take goal's item, a small case that lies where it is dropped.
    add_geometry(w, {"g-case", crate_box(kCaseSide), {add_mesh(q, crate_mesh(kCaseSide))}, {}});
    add_entity_def(
        w,
        {"case", crate_box(kCaseSide), {}, {add_mesh_instance(q, {{}, "g-case", "s-crate", "wood10", 0})}});
    return w.finish();
}

// The boot-strap package: one room with its level record and a place for the camera.
std::vector<uint8_t> menu_package() {
    package_writer w;
    auto& q = w.qxps();
    w.add_import(kDemoSharedPackage);
    const float half = kDemoMenuRoomSide / 2.0f;
    add_geometry(w, {"g-floor",
                     box_of({-half, 0.0f, -half}, {half, 0.0f, half}),
                     {add_mesh(q, floor_mesh(-half, half, kDemoMenuRoomSide))},
                     {}});
    sector_desc room;
    room.name = "menu";
    room.meshes = {add_mesh_instance(q, {{}, "g-floor", "kvbase:s-concrete", "concrete10", 0})};
    add_sector(w, room);
    add_game_object(w);
    w.add_arty("kvlevel", "level", token_writer().key("title:").str("Menu").key("sky:").str("day").bytes());
    w.add_arty("kvspawn_point", "sp0",
               token_writer().key("sector:").str("menu").key("posy:").number(kEyeHeight).bytes());
    return w.finish();
}

// The hall's window pane: two triangles upright in the plane z = kWindowZ facing into the hall (+z),
// filling the window's opening.
mesh_desc window_mesh(const wall_opening& opening) {
    const float x0 = opening.a0;
    const float x1 = opening.a1;
    const float y0 = opening.y0;
    const float y1 = opening.y1;
    mesh_desc m;
    m.box = box_of({x0, y0, kWindowZ}, {x1, y1, kWindowZ});
    m.vertices = {{x0, y0, kWindowZ, 0.0f, 1.0f},
                  {x0, y1, kWindowZ, 0.0f, 0.0f},
                  {x1, y1, kWindowZ, 1.0f, 0.0f},
                  {x1, y0, kWindowZ, 1.0f, 1.0f}};
    mesh_desc::part part;
    part.indices = {0, 2, 1, 0, 3, 2};
    part.draws = {{0, 2, 0}};
    m.parts = {part};
    m.tree = {{m.box, 4, 0}};
    return m;
}

// The ambience of a room: a steady hum in the middle, loud everywhere in it; the yard also has wind
// at random times and a clank every eight seconds.
std::vector<int32_t> room_ambience(qxps_writer& q, std::string_view room, float x0) {
    const vec3 middle{x0 + kRoomLength / 2.0f, kRoomHeight / 2.0f, 0.0f};
    std::vector<int32_t> sources = {add_ambient_source(q, {.sample = "hum",
                                                           .position = middle,
                                                           .direction = {0.0f, 0.0f, 1.0f},
                                                           .min_distance = 12.0f * kMetre,
                                                           .max_distance = 40.0f * kMetre,
                                                           .mode = 2})};
    if (room == "yard") {
        sources.push_back(add_ambient_source(q, {.sample = "wind",
                                                 .position = {x0 + 2.0f * kMetre, kRoomHeight,
                                                              -kRoomWidth / 2.0f},
                                                 .direction = {0.0f, 0.0f, 1.0f},
                                                 .min_distance = 8.0f * kMetre,
                                                 .max_distance = 40.0f * kMetre,
                                                 .mode = 0,
                                                 .min_interval = 3000,
                                                 .max_interval = 9000}));
        sources.push_back(add_ambient_source(q, {.sample = "clank",
                                                 .position = {x0 + 4.0f * kMetre, kMetre,
                                                              kRoomWidth / 2.0f - kMetre},
                                                 .direction = {0.0f, 0.0f, -1.0f},
                                                 .min_distance = 4.0f * kMetre,
                                                 .max_distance = 30.0f * kMetre,
                                                 .mode = 1,
                                                 .min_interval = 8000,
                                                 .max_interval = 8000}));
    }
    return sources;
}

// A gust: noise through a soft filter, rising and falling; with `muffled`, the low steady rumble heard
// under water (it loops).
std::vector<uint8_t> noise_sample(bool muffled) {
    constexpr uint32_t kRate = 22050;
    constexpr int kSamples = static_cast<int>(kRate) * 2;
    std::vector<uint8_t> data;
    uint32_t state = 12345;
    float smooth = 0.0f;
    for (int i = 0; i < kSamples; ++i) {
        state = state * 1664525u + 1013904223u;
        const float noise = static_cast<float>(state >> 16) / 32768.0f - 1.0f;
        smooth += (noise - smooth) * (muffled ? 0.01f : 0.08f);
        const float envelope =
            muffled ? 1.0f : std::sin(std::numbers::pi_v<float> * static_cast<float>(i) / kSamples);
        const float gain = muffled ? 2.0f : 0.6f;
        const float level = std::clamp(smooth * envelope * gain, -1.0f, 1.0f);
        const auto v = static_cast<int16_t>(std::lround(level * 32767.0f));
        data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) & 0xFF));
        data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    wav_desc desc;
    desc.rate = kRate;
    desc.data = std::move(data);
    return wav_file(desc);
}

// The level: a yard, a hall and a store in a row, each opening onto the next through a doorway.
std::vector<uint8_t> map_package() {
    package_writer w;
    auto& q = w.qxps();
    w.add_import(kDemoSharedPackage);
    // The soldiers' bodies and animations and their weapons' models.
    for (const char* soldiers : {kDemoBeingsPackage, kDemoTeamsPackage, kDemoWeaponsPackage})
        w.add_import(soldiers);
    struct room {
        const char* name;
        const char* floor_surface;
        const char* material;
        float x0;
    };
    const room rooms[] = {
        {kDemoRoomNames[0], "kvbase:s-concrete", "concrete10", kDemoRoomStart[0]},
        {kDemoRoomNames[1], "kvbase:s-planks", "wood20", kDemoRoomStart[1]},
        {kDemoRoomNames[2], "kvbase:s-planks", "wood20", kDemoRoomStart[2]},
    };
    constexpr int kRooms = static_cast<int>(std::size(rooms));
    // The door's leaf: a unit cube scaled to the doorway where it stands.
    add_geometry(w, {"g-door", crate_box(1.0f), {add_mesh(q, crate_mesh(1.0f))}, {}});
    // The window's glass: its surface in the level's own table, so that a shattered pane's event names
    // it for the other players.
    w.add_surface("s-glass", {painted("glass"), painted("glass")});
    const mesh_desc window = window_mesh(kHallWindow);
    add_geometry(w, {"g-window", window.box, {add_mesh(q, window)}, {}});
    // The yard's pool: its basin, and the water whose material makes it a water instance of the world
    // server (it scrolls, fogs the view under it and takes swimmers).
    w.add_surface("s-water", {painted("water"), painted("water")});
    const mesh_desc basin = pool_basin(kYardPool);
    add_geometry(w, {"g-pool", basin.box, {add_mesh(q, basin)}, {}});
    const mesh_desc water = pool_water(kYardPool);
    add_geometry(w, {"g-water", water.box, {add_mesh(q, water)}, {}});
    for (int i = 0; i < kRooms; ++i) {
        const room& r = rooms[i];
        const float x1 = r.x0 + kRoomLength;
        const std::string floor = std::string("g-floor-") + r.name;
        const bool yard = i == 0;
        const mesh_desc floor_shape = yard ? floor_around(r.x0, x1, kYardPool) : floor_mesh(r.x0, x1);
        add_geometry(w, {floor,
                         box_of({r.x0, 0.0f, -kRoomWidth / 2.0f}, {x1, kRoomHeight, kRoomWidth / 2.0f}),
                         {add_mesh(q, floor_shape)},
                         {}});
        // Concrete walls all round, open where a doorway leads on and, in the hall, where its window is;
        // the hall and the store are roofed, the yard is open to the sky.
        const std::string walls = std::string("g-walls-") + r.name;
        const mesh_desc walls_shape =
            room_walls(r.x0, x1, i > 0, i + 1 < kRooms, !yard,
                       std::string_view(r.name) == "hall" ? &kHallWindow : nullptr);
        add_geometry(w, {walls, walls_shape.box, {add_mesh(q, walls_shape)}, {}});
        sector_desc s;
        s.name = r.name;
        // Light for the objects numbered 0 (the floor), 1 (the crate) and 2 (the walls).
        s.lmap_bindings = {add_lmap_binding(q, floor_light(floor_shape, r.x0, i)),
                           add_lmap_binding(q, crate_light()),
                           add_lmap_binding(q, wall_light(walls_shape, r.x0, i))};
        s.meshes = {add_mesh_instance(q, {{}, floor, r.floor_surface, r.material, 0})};
        transform_block crate_place;
        crate_place.translation = {r.x0 + kRoomLength / 2.0f, 0.0f, 2.0f * kMetre};
        s.meshes.push_back(
            add_mesh_instance(q, {crate_place, "kvbase:crate", "kvbase:s-crate", "wood10", 1}));
        s.meshes.push_back(add_mesh_instance(q, {{}, walls, "kvbase:s-concrete", "concrete10", 2}));
        if (yard) {
            s.meshes.push_back(add_mesh_instance(q, {{}, "g-pool", r.floor_surface, r.material, 3}));
            s.meshes.push_back(add_mesh_instance(q, {{}, "g-water", "s-water", "water1", 4}));
        }
        if (std::string_view(r.name) == "hall") {
            // The door stands in the doorway to the store.
            transform_block door_place;
            door_place.translation = {x1 - 0.5f * kMetre, 0.0f, 0.0f};
            door_place.scale = {0.2f * kMetre, kDoorHeight, 2.0f * kDoorHalfWidth};
            s.meshes.push_back(add_mesh_instance(q, {door_place, "g-door", "kvbase:s-planks", "wood20", 3}));
            // A glass pane in the window of the hall's -z wall; a blast shatters it.
            s.meshes.push_back(add_mesh_instance(q, {{}, "g-window", "s-glass", "glass", 4}));
            // The wall beside that doorway (on its +z side) hides what stands behind it in the store
            // from the hall.
            s.occluder_points = {{x1, 0.0f, kDoorHalfWidth},
                                 {x1, kRoomHeight, kDoorHalfWidth},
                                 {x1, kRoomHeight, kRoomWidth / 2.0f},
                                 {x1, 0.0f, kRoomWidth / 2.0f}};
        }
        if (i > 0) s.portals.push_back(add_portal(q, {rooms[i - 1].name, doorway(r.x0, true)}));
        if (i + 1 < kRooms) s.portals.push_back(add_portal(q, {rooms[i + 1].name, doorway(x1, false)}));
        s.ambient_sources = room_ambience(q, r.name, r.x0);
        add_sector(w, s);
    }
    w.add_arty("kvlevel", "level",
               token_writer()
                   .key("title:")
                   .str("Depot")
                   .key("author:")
                   .str("kv")
                   .key("gravity:")
                   .number(1.0f)
                   .key("sky:")
                   .str("day")
                   .key("maxplayers:")
                   .str("8 8 8")
                   .key("minplayers:")
                   .str("2 2 2")
                   .key("timewinner:")
                   .integer(0)
                   .bytes());
    add_game_object(w);
    // The briefing looks down the row from above the yard.
    w.add_arty("kvstatic_camera", "scam1",
               token_writer()
                   .key("sector:")
                   .str("yard")
                   .key("pos:")
                   .number(-kRoomLength + kMetre)
                   .number(kRoomHeight - kMetre)
                   .number(0.0f)
                   .key("dir:")
                   .number(1.0f)
                   .number(0.0f)
                   .number(0.0f)
                   .key("up:")
                   .number(0.0f)
                   .number(1.0f)
                   .number(0.0f)
                   .key("mode:")
                   .integer(0)
                   .bytes());
    // Blue takes the case from the store and carries it into the yard.
    goal_pair_desc goals;
    goals.model = "kvbase:case";
    goals.sector = "store";
    goals.position = vec3{kRoomLength * 1.5f, 0.0f, -4.0f * kMetre};
    box3 zone;
    box3_init(zone, {-kRoomLength, 0.0f, -kRoomWidth / 2.0f},
              {-kRoomLength + 6.0f * kMetre, kRoomHeight, kRoomWidth / 2.0f});
    goals.zone = zone;
    add_goal_pair(w, goals);
    w.add_arty("kvdoor", "d-1",
               token_writer().key("gi:").str("hall:g-door").key("to:").number(90.0f).bytes());
    // A point for every spawn number the level's team limits hand out (1-8, 9-16, 17-24) and 0: even
    // ones in the yard on its -z side, odd ones in the store on its +z side (away from the crates and
    // the case), in rows of seven two metres apart.
    constexpr int kSpawnPoints = 25;
    constexpr int kSpawnRow = 7;
    constexpr float kSpawnSpacing = 2.0f * kMetre;
    for (int i = 0; i < kSpawnPoints; ++i) {
        const room& r = rooms[i % 2 == 0 ? 0 : kRooms - 1];
        const int place = i / 2;
        const float side = 3.5f * kMetre + static_cast<float>(place / kSpawnRow) * kSpawnSpacing;
        w.add_arty("kvspawn_point", "sp" + std::to_string(i),
                   token_writer()
                       .key("sector:")
                       .str(r.name)
                       .key("posx:")
                       .number(r.x0 + 3.0f * kMetre + static_cast<float>(place % kSpawnRow) * kSpawnSpacing)
                       .key("posy:")
                       .number(kEyeHeight)
                       .key("posz:")
                       .number(i % 2 == 0 ? -side : side)
                       .key("angle:")
                       .number(i % 2 == 0 ? 0.0f : 180.0f)
                       .bytes());
    }
    return w.finish();
}

}  // namespace

bool write_demo_data(const std::filesystem::path& folder) {
    const std::string kTextureFolder = "tex/tga/";
    const std::string maps = "maps/";
    const std::string suffix = "-en.txt";
    struct file {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    const file files[] = {
        {kDemoSharedPackage, shared_package()},
        {kDemoBeingsPackage, beings_package()},
        {kDemoTeamsPackage, teams_package()},
        {kDemoWeaponsPackage, weapons_package()},
        {maps + kDemoBootPackage, menu_package()},
        {maps + kDemoMap, map_package()},
        // The same level as a boot-strap package, so that `--pkg-file=kvmenu-depot` starts the server on
        // it (the map list leaves out names holding "kvmenu").
        {maps + kDemoLevelBootPackage, map_package()},
        // The level's light maps, under both its names.
        {"lmap/" + std::string(kDemoMap) + "-lmap", depot_light_maps()},
        {"lmap/" + std::string(kDemoLevelBootPackage) + "-lmap", depot_light_maps()},
        {maps + kDemoMap + suffix,
         text_table({"Depot", "Three rooms in a row: a yard, a hall and a store."})},
        {"base" + suffix, text_table(views(game_base_texts()))},
        {"menu" + suffix, text_table(views(menu_texts()))},
        {"keys" + suffix, text_table(key_labels())},
        {"controls.cfg", text_bytes(demo_controls_file())},
        // One layout for the three maps: every body mesh reads map 0.
        {kTextureFolder + "hitmap0.tga", team_hit_map()},
        {kTextureFolder + "hitmap1.tga", team_hit_map()},
        {kTextureFolder + "hitmap2.tga", team_hit_map()},
        {"net.cfg", text_bytes("# master servers: master:<address>\nmaster:127.0.0.1\n")},
        {"mp.cfg", text_bytes(kDemoSettingsScript)},
        {"precache.cfg", text_bytes("# textures loaded with a level, one file name (.tga) a line\n")},
        // The host screen's four custom bot presets: twelve team values and a team mask, each "%d ".
        {"bots.cfg", text_bytes("1 0 0 1 1 0 0 1 0 0 0 0 3 \n2 0 0 0 0 0 0 0 0 0 0 0 1 \n"
                                "0 0 0 0 0 0 0 0 0 0 0 0 0 \n0 0 0 0 0 0 0 0 0 0 0 0 0 \n")},
        // The interface's sounds (press, choice, check box, edit end, refusal) and the door's.
        {"sound/ui_snd1.wav", wav_tone_file(60, 880.0f)},
        {"sound/ui_snd2.wav", wav_tone_file(60, 660.0f)},
        {"sound/ui_snd3.wav", wav_tone_file(40, 990.0f)},
        {"sound/ui_snd4.wav", wav_tone_file(60, 550.0f)},
        {"sound/ui_snd6.wav", wav_tone_file(150, 220.0f)},
        {"sound/snd-door1.wav", wav_tone_file(400, 110.0f)},
        // The rooms' ambience: a hum of whole periods, so that it loops without a click.
        {"sound/hum.wav", wav_tone_file(2000, 110.0f)},
        {"sound/wind.wav", noise_sample(false)},
        // Under the pool's water.
        {"sound/underwater.wav", noise_sample(true)},
        {"sound/clank.wav", wav_tone_file(250, 1250.0f)},
    };
    for (const file& f : files) {
        if (!write_file(folder / f.name, f.bytes)) return false;
    }
    for (const demo_texture& t : kDemoTextures) {
        if (!write_file(folder / (kTextureFolder + t.name + ".tga"), demo_texture_image(t))) return false;
    }
    const file variants[] = {{kTextureFolder + "grime.tga", grime_image()},
                             {kTextureFolder + "fence.tga", fence_image()},
                             {kTextureFolder + "stripes.tga", stripes_image()}};
    for (const file& f : variants) {
        if (!write_file(folder / f.name, f.bytes)) return false;
    }
    // The interface's fonts and pointer (tools/font_writer.h).
    for (const bool bold : {true, false}) {
        const std::string font = kTextureFolder + (bold ? kDemoFontBold : kDemoFontPlain);
        const font_sheet sheet = font_draw(bold);
        if (!write_file(folder / (font + ".tga"), font_targa(sheet))) return false;
        if (!write_file(folder / (font + ".fm"), font_metrics_file(sheet))) return false;
    }
    if (!write_file(folder / (kTextureFolder + kDemoCursor + ".tga"), cursor_targa())) return false;
    // The widgets' and the screens' pictures (tools/widget_pictures.h, tools/menu_screens.h).
    std::vector<widget_picture> pictures = widget_pictures();
    for (widget_picture& p : menu_pictures()) pictures.push_back(std::move(p));
    for (widget_picture& p : game_screen_pictures()) pictures.push_back(std::move(p));
    for (const widget_picture& p : pictures) {
        if (!write_file(folder / (kTextureFolder + p.name + ".tga"), widget_picture_targa(p))) return false;
    }
    // The effects' strips (tools/effect_pictures.h).
    for (const effect_picture& p : effect_pictures()) {
        if (!write_file(folder / (kTextureFolder + p.name + ".tga"), p.targa)) return false;
    }
    // The crate also pre-compressed, for drivers that take DXT1 files.
    if (!write_file(folder / "tex/dds/crate.ddn", demo_crate_dds())) return false;
    // The menu's music, a generated tune encoded as MP3 (there is no "menu.wma").
    return write_music_mp3(folder / "sound/menu.mp3", music_desc{});
}

}  // namespace kv::tools
