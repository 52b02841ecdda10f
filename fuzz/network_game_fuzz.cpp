// Arbitrary bytes as the game data a world server receives from its network session, applied to a
// fresh world server with a small level and its game object running: game snapshots with player
// slots of any id, team, specialisation, skin, spawn point and state; player-state updates; grenade
// and dropped-weapon reports with any ids, kinds, sector indexes and motion, flown for real; pick-ups and defusals; bursts; command
// records of every sub-type with any numbers and texts; command codes and mouse turns queued in the
// player records as the network and bots queue them for the soldiers driven here; world frames in
// between. Nothing may crash, index out of range, hang or grow without bound, the game object must
// keep at most one being per player record, and no soldier may stand at a position that is not a
// number.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "beings/being.h"
#include "beings/being_game.h"
#include "data/package.h"
#include "data/reference_list.h"
#include "game/arty_factory.h"
#include "game/game_events.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "game/server_snapshot.h"
#include "game/server_world.h"
#include "gfx/texture_cache.h"
#include "kernel/kernel.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "tools/beings_writer.h"
#include "tools/goal_writer.h"
#include "tools/package_writer.h"
#include "tools/token_writer.h"
#include "tools/world_writer.h"

using namespace kv;

namespace {

constexpr int kMaxOperations = 64;
constexpr int kMaxSlots = 24;
constexpr std::size_t kMaxText = 64;

// The level every input plays on: two sectors, the game object, cameras, spawn points 0 to 2, a
// static camera, goals and a door. Written once into a temporary data folder.
struct fuzz_world {
    fuzz_world() {
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            folder = base / ("kv_network_game_fuzz_" + std::to_string(n));
            if (std::filesystem::create_directory(folder)) break;
        }
        data_dir = (folder / "data").string() + "/";
        write_dir = (folder / "write").string() + "/";
        std::filesystem::create_directories(folder / "data" / "maps");
        // The soldiers' skeletons, body and a few animations.
        tools::write_file(folder / "data" / tools::kDemoBeingsPackage, tools::beings_sample_package(4));
        write_level();

        // The screen the game object opens, in the process-wide server where the kernel looks.
        auto screens = std::make_unique<package>();
        screens->name = "kvbase";
        auto basic = std::make_unique<view_set>();
        basic->name = "basic";
        object_table_add_owned(screens->screens, std::move(basic));
        server_get().packages.push_back(std::move(screens));
    }
    ~fuzz_world() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void write_level() {
        using tools::token_writer;
        tools::package_writer w;
        w.add_import(tools::kDemoBeingsPackage);
        auto& q = w.qxps();
        // A floor under the room, facing up.
        tools::mesh_desc floor;
        box3_init(floor.box, {-2000.0f, 0.0f, -2000.0f}, {2000.0f, 0.0f, 2000.0f});
        floor.vertices = {{-2000.0f, 0.0f, -2000.0f, 0.0f, 0.0f},
                          {2000.0f, 0.0f, -2000.0f, 1.0f, 0.0f},
                          {2000.0f, 0.0f, 2000.0f, 1.0f, 1.0f},
                          {-2000.0f, 0.0f, 2000.0f, 0.0f, 1.0f}};
        tools::mesh_desc::part part;
        part.indices = {0, 2, 1, 0, 3, 2};
        part.draws = {{0, 2, 0}};
        floor.parts = {part};
        floor.tree = {{floor.box, 4, 0}};
        w.add_surface("paint");
        tools::add_geometry(w, {"floor", floor.box, {tools::add_mesh(q, floor)}, {}});
        for (const char* name : {"room", "hall"}) {
            tools::sector_desc s;
            s.name = name;
            if (s.name == "room")
                s.meshes = {tools::add_mesh_instance(q, {{}, "floor", "paint", "concrete10", 0})};
            tools::add_sector(w, s);
        }
        w.add_arty("kvgame", "game", token_writer().key("cb:").integer(33).bytes());
        w.add_arty("kvbound_camera", "cam", {});
        w.add_arty("kvcable_camera", "ccam", {});
        w.add_arty("kvstatic_camera", "scam1", token_writer().key("mode:").integer(0).bytes());
        w.add_arty("kvlevel", "level", token_writer().key("title:").str("Training").bytes());
        for (int i = 0; i < 3; ++i) {
            w.add_arty("kvspawn_point", "sp" + std::to_string(i),
                       token_writer()
                           .key("sector:")
                           .str(i == 2 ? "hall" : "room")
                           .key("posx:")
                           .number(100.0f * static_cast<float>(i))
                           .key("posy:")
                           .number(95.0f)
                           .bytes());
        }
        tools::goal_pair_desc goals;
        goals.sector = "room";
        tools::add_goal_pair(w, goals);
        w.add_arty("kvdoor", "d-1", {});
        w.write(folder / "data" / "maps" / "training");
    }

    std::filesystem::path folder;
    std::string data_dir;
    std::string write_dir;
};

struct reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool more() const { return at < size; }
    uint8_t byte() { return at < size ? data[at++] : (at++, 0); }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    int16_t i16() { return static_cast<int16_t>((byte() << 8) | byte()); }
    float number() {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    vec3 point() { return {number(), number(), number()}; }
    // Mostly small values, so that ids and indexes meet the level's and each other; now and then
    // any 32-bit value.
    int32_t small() {
        const uint8_t b = byte();
        if (b == 0xFF) return i32();
        if (b >= 0xF0) return -static_cast<int32_t>(b & 0x0F);
        return b & 0x0F;
    }
    uint32_t id() { return static_cast<uint32_t>(small()); }
    std::string text() {
        const std::size_t length = byte() % (kMaxText + 1);
        std::string s;
        for (std::size_t i = 0; i < length && more(); ++i) s.push_back(static_cast<char>(byte()));
        return s;
    }
};

void frame(fake_clock& clock, server& srv) {
    clock.advance_ms(16);
    server_frame(srv, 16);
}

void check_beings(server& srv) {
    kvgame* game = arty_factory_find_by_name_as<kvgame>(srv.factory, "game");
    if (!game) return;
    if (game->players.size() > srv.players.size()) std::abort();
    for (const auto& b : game->players) {
        const vec3 at = being_position(*b);
        if (!std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(at.z)) std::abort();
        // The team bodies come with their own package: the soldiers wear the demo body.
        const entity* body = server_entity_find(srv, b->name);
        if (body && !body->model) being_set_model(*b, "beings:soldier", "");
        if (!b->record) continue;
        bool found = false;
        for (const player_record& r : srv.players) found = found || &r == b->record;
        if (!found) std::abort();
    }
    // Grenades and dropped weapons fly on real traces: never to a point that is not a number, and
    // the lists hold no more than the reports made them.
    const auto finite = [](const vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    constexpr std::size_t kMostThrown = kMaxOperations + 1;
    if (srv.grenades.size() > kMostThrown || srv.dropped_weapons.size() > kMostThrown) std::abort();
    for (const auto& g : srv.grenades) {
        if (!finite(g->position) || !finite(g->arc_start) || !std::isfinite(g->speed)) std::abort();
    }
    for (const auto& w : srv.dropped_weapons) {
        if (!finite(dropped_weapon_position(*w)) || !std::isfinite(w->speed)) std::abort();
    }
}

snapshot_package read_snapshot(reader& in) {
    snapshot_package s;
    s.changed = in.byte() & 1;
    const uint8_t map = in.byte();
    s.name = map < 200 ? "training" : in.text();
    s.flags = in.small();
    s.state = in.small();
    s.seconds = in.small();
    s.result = in.small();
    s.goal_event_a = in.small();
    s.goal_event_b = in.small();
    s.winner = in.small();
    s.download = in.small();
    const int slots = in.byte() % (kMaxSlots + 1);
    for (int i = 0; i < slots && in.more(); ++i) {
        player_slot slot;
        slot.id = in.id();
        slot.spawn = in.small();
        slot.team = in.small();
        slot.specialisation = in.small();
        slot.skin = in.byte() == 0 ? 100 + in.small() : in.small();
        slot.state = in.small();
        slot.health = in.small();
        slot.ping = in.small();
        slot.cause = in.small();
        slot.name = in.text();
        s.slots.push_back(std::move(slot));
    }
    return s;
}

player_state read_state(reader& in) {
    player_state s;
    s.id = in.id();
    s.position = in.point();
    s.angle = in.number();
    s.state = static_cast<int16_t>(in.small());
    for (auto& group : s.groups) {
        for (int32_t& v : group) v = in.small();
    }
    for (int32_t& v : s.small_values) v = in.small();
    s.second_angle = in.number();
    for (uint8_t& b : s.bytes) b = in.byte();
    return s;
}

// A command text of sub-type 0: mostly one of the game commands with arbitrary words.
std::string game_command_text(reader& in) {
    static const char* const kHeads[] = {"b_add ", "b_kill ", "g_sights ", ""};
    std::string text = kHeads[in.byte() % 4];
    const int words = in.byte() % 5;
    for (int i = 0; i < words; ++i) {
        if (in.byte() & 1) {
            text += std::to_string(in.small());
        } else {
            text += in.text();
        }
        text += ' ';
    }
    return text;
}

void post_command(reader& in, server& srv) {
    const uint8_t how = in.byte();
    const int32_t code = how & 0x80 ? in.small() : (how & 0x07) % 5;
    std::string first = code == 0 && (how & 0x40) ? game_command_text(in) : in.text();
    // A change of level only to the level there is, or to a name the loader must refuse.
    if (code == kGameCommandChangeLevel && !(how & 0x20)) first = "training";
    switch ((how >> 3) & 3) {
        case 0:
            arty_factory_post_command_text(srv.factory, code, first);
            break;
        case 1:
            arty_factory_post_command_int(srv.factory, code, in.small());
            break;
        case 2:
            arty_factory_post_command_int_text(srv.factory, code, in.small(), first);
            break;
        default:
            arty_factory_post_command_texts(srv.factory, code, first, in.text());
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz_world world;
    reader in{data, size};
    gfx_texture_list_clear(kernel_get().graphics);  // what earlier inputs loaded
    kernel_get().console.lines.clear();
    kernel_get().running = true;
    ref_list().items.clear();
    ref_list().filling = nullptr;
    kv_srand(in.u32());
    // Every input starts at the same time.
    fake_clock clock;
    sys_clock_install(&clock);
    {
        server srv;
        srv.data_dir = world.data_dir;
        srv.write_dir = world.write_dir;
        srv.hosting = in.byte() & 1;
        srv.load_request = 1 + in.byte() % 3;
        srv.snapshot.name = "training";
        server_set_game_package(srv, "training");
        for (int i = 0; i < 3; ++i) frame(clock, srv);
        if (in.byte() & 1) server_add_local_player(srv, in.id());

        for (int op = 0; op < kMaxOperations && in.more(); ++op) {
            switch (in.byte() % 14) {
                case 0:
                    game_snapshot_update(srv, read_snapshot(in));
                    break;
                case 1: {
                    const uint32_t id = in.id();
                    server_player_update(srv, id, read_state(in));
                    break;
                }
                case 2: {
                    const uint32_t owner = in.id();
                    const vec3 position = in.point();
                    const vec3 velocity = in.point();
                    grenade_values values;
                    values.kind = in.small();
                    values.id = in.small();
                    values.variant = in.byte();
                    values.model = in.text();
                    values.speed = in.number();
                    values.acceleration = in.point();
                    server_add_grenade(srv, owner, position, velocity, values, in.small());
                    break;
                }
                case 3: {
                    dropped_weapon_values values;
                    values.arc_start = in.point();
                    values.velocity = in.point();
                    values.id = in.small();
                    for (int32_t& v : values.values) v = in.small();
                    values.model_name = in.text();
                    values.acceleration = in.point();
                    values.speed = in.number();
                    const uint8_t kind = in.byte();
                    const int32_t sector_index = in.small();
                    server_add_dropped_weapon(srv, values, kind, sector_index, in.id());
                    break;
                }
                case 4: {
                    const uint32_t player = in.id();
                    const int32_t weapon = in.small();
                    const uint8_t kind = in.byte();
                    server_remove_dropped_weapon(srv, player, weapon, kind, in.byte() & 1);
                    break;
                }
                case 5: {
                    const uint32_t owner = in.id();
                    const int32_t grenade_id = in.small();
                    server_grenade_event(srv, owner, grenade_id, in.byte() & 1);
                    break;
                }
                case 6: {
                    const uint32_t owner = in.id();
                    const vec3 point = in.point();
                    const vec3 direction = in.point();
                    int16_t params[kBlastParams];
                    for (int16_t& p : params) p = in.i16();
                    const bool aimed = in.byte() & 1;
                    const float jitter = in.number();
                    server_queue_blast(srv, owner, point, direction, params, aimed, jitter, in.small());
                    break;
                }
                case 7:
                    post_command(in, srv);
                    break;
                case 8:
                    arty_factory_post_event(srv.factory, in.byte() & 1 ? kGameEventSyncBeings : in.small());
                    break;
                case 9:
                    if (kvgame* game = arty_factory_find_by_name_as<kvgame>(srv.factory, "game")) {
                        const std::string name = "pid" + std::to_string(in.id());
                        kvgame_apply_player_update(*game, name, read_state(in));
                    }
                    break;
                case 10: {
                    player_slot slot;
                    slot.id = in.id();
                    slot.spawn = in.small();
                    slot.team = in.small();
                    slot.specialisation = in.small();
                    slot.skin = in.small();
                    slot.state = in.small();
                    slot.health = in.small();
                    slot.cause = in.small();
                    slot.name = in.text();
                    player_init(srv, slot);
                    if (in.byte() & 1) server_purge_players(srv);
                    break;
                }
                case 11: {
                    // Codes from the network and bots, any 16-bit value.
                    if (player_record* r = server_find_player(srv, in.id())) {
                        const int count = in.byte() % 8;
                        for (int i = 0; i < count; ++i)
                            r->commands.push_back(in.byte() & 1 ? in.i16()
                                                                : static_cast<int16_t>(in.small()));
                    }
                    break;
                }
                case 12:
                    if (player_record* r = server_find_player(srv, in.id())) {
                        r->pending_yaw = in.i32();
                        r->pending_pitch = in.i32();
                    }
                    break;
                default:
                    frame(clock, srv);
                    break;
            }
            check_beings(srv);
        }
        frame(clock, srv);
        check_beings(srv);
    }
    ref_list().items.clear();
    gfx_texture_list_clear(kernel_get().graphics);
    kernel_get().console.lines.clear();
    sys_clock_install(nullptr);
    return 0;
}
