#include "tools/fuzz_seeds.h"

#include "net/packet.h"
#include "net/player_state.h"
#include "net/profile_table.h"
#include "net/snapshot_package.h"
#include "tools/beings_writer.h"
#include "tools/byte_writer.h"
#include "tools/dds_writer.h"
#include "tools/demo_data.h"
#include "tools/font_writer.h"
#include "tools/menu_screens.h"
#include "tools/package_writer.h"
#include "tools/pak_writer.h"
#include "tools/qxtx_writer.h"
#include "tools/room_grid.h"
#include "tools/targa_writer.h"
#include "tools/token_writer.h"
#include "tools/wav_writer.h"
#include "tools/world_writer.h"
#include "util/text.h"

namespace kv::tools {
namespace {

// A package with something in every table: imports, a screen naming one view twice (its viewport
// named twice too), a shader, a surface of a description and a reference, a skeleton and an
// animation, an empty geometry, model and sector (listed twice) and two arty descriptions.
std::vector<uint8_t> full_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    w.add_import("kvbase");
    w.add_import("sky");
    viewport_desc whole;
    whole.name = "full";
    const int32_t viewport = w.add_viewport(whole);
    const int32_t view = w.add_view_record("main", {viewport, viewport});
    w.add_screen("menu", {view, view});
    w.add_shader("basic", {token_writer().str("tex").str("$0").bytes(),
                           token_writer().str("bfcull").str("off").bytes()});
    w.add_surface("s-wall", {description_layer(token_writer().str("paint").str("basic").str("wall").bytes()),
                             reference_layer("s-wall")});
    add_geometry(w, {.name = "g-box"});
    add_entity_def(w, {.name = "e-crate"});
    const int32_t hall = add_sector(w, {.name = "hall", .ambient_table = version == "11"});
    w.list(package_table::sectors, hall);
    w.add_arty("kvgame", "game", token_writer().key("cb:").integer(100).key("mode:").str("team").bytes());
    w.add_arty("kvdoor", "d-gate",
               token_writer().key("speed:").number(90.0f).key("gi:").str("hall:gate").bytes());
    add_skeleton(w, {.name = "body", .nodes = {{0, 1}, {1}}, .bind_keys = {{.bone = 1}}});
    add_animation(w, {.name = "walk", .frames = {{{.bone = 1, .angle = 0.5f}}}});
    return w.finish();
}

// A world of two sectors joined by portals, with a geometry of a rigid and a skinned mesh, a model,
// placed objects (one on water), an object tree, occluders, a light-map binding, a lamp record and,
// from version 11, an ambient source.
std::vector<uint8_t> world_package(uint8_t id_width, const std::string& version) {
    package_writer w(id_width, version);
    qxps_writer& q = w.qxps();
    box3 unit;
    box3_init(unit, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
    mesh_desc m;
    m.box = unit;
    m.vertices = {{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {1, 1, 0, 1, 1}, {0, 1, 0, 0, 1}};
    m.parts.push_back({100, {0, 1, 2, 0, 2, 3}, {{1, 2, 0}}, false});
    m.tree = {{unit, 2, 0}, {unit, 2, 2}};
    mesh_desc skinned = m;
    skinned.primitive_kind = 0;
    skinned.parts[0].indices = {4, 0, 1, 2, 3};
    skinned.parts[0].draws = {{1, 1, 0}};
    skinned.bones = {0, 1, 2, 3};
    add_geometry(w, {"g-box", unit, {add_mesh(q, m)}, {add_skinned_mesh(q, skinned)}});
    add_entity_def(w, {"e-crate",
                       unit,
                       {add_scene_node(q, {{}, "ap00", "e-crate", 1})},
                       {add_mesh_instance(q, {{}, "g-box", "s-wall", "wood20", 2})}});
    w.add_surface("s-wall");
    const std::array<vec3, 4> door = {{{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1}}};
    const bool ambient = version == "11";
    sector_desc hall;
    hall.name = "hall";
    hall.nodes = {add_scene_node(q, {{}, "crate", "e-crate", 0})};
    hall.meshes = {add_mesh_instance(q, {{}, "g-box", "s-wall", "water1", 1})};
    object_tree_desc tree;
    tree.index_width = 0;
    tree.nodes = {{unit, {}, 0.0f, 1, 2}};
    tree.leaves = {{unit, 0, 1}, {unit, 1, 1}};
    tree.items = {0, 1};
    hall.tree = add_object_tree(q, tree);
    hall.portals = {add_portal(q, {"yard", door})};
    hall.occluder_points.assign(door.begin(), door.end());
    hall.lmap_bindings = {add_lmap_binding(q, {{{1, 2, 3}}, {{0.5f, 0.5f}}, {0}, {{3, 2, 1}}})};
    hall.lamps = {add_lamp_record(q, {1, {}, {}})};
    hall.ambient_sources = {add_ambient_source(q, {.sample = "wind", .max_distance = 100.0f})};
    hall.ambient_table = ambient;
    add_sector(w, hall);
    sector_desc yard;
    yard.name = "yard";
    yard.portals = {add_portal(q, {"fuzz:hall", door})};
    yard.ambient_table = ambient;
    add_sector(w, yard);
    return w.finish();
}

std::vector<uint8_t> small_package() {
    package_writer w;
    w.add_arty("kvlevel", "level", {});
    return w.finish();
}

std::vector<uint8_t> archive() {
    pak_writer w;
    w.add("controls.cfg", {'b', 'i', 'n', 'd', '\n'});
    w.add("level", small_package());
    w.add("empty", {});
    w.add("controls.cfg", {'x'});
    return w.finish();
}

// The renderer's records behind a layer description: a 16-bit size, the description (a token list
// that the target hands every shader as its "$" arguments), then a package of shaders with every
// kind of command, surfaces of descriptions and a reference, and a screen whose two views share
// their viewports.
std::vector<uint8_t> render_package(uint8_t id_width) {
    package_writer w(id_width, "11");
    viewport_desc left;
    left.name = "left";
    left.width = 500;
    viewport_desc right;
    right.name = "right";
    right.x = 500;
    right.width = 500;
    right.axis[1] = 1.0f;
    right.angle = 0.5f;
    const int32_t l = w.add_viewport(left);
    const int32_t r = w.add_viewport(right);
    w.add_screen("main", {w.add_view_record("a", {l, r}), w.add_view_record("b", {r, l})});
    w.add_shader("paint", {token_writer().str("tex").str("$1").bytes(),
                           token_writer().str("bfcull").str("off").bytes(),
                           token_writer().str("dcolor").integer(1).number(0.5f).str("$2").bytes(),
                           token_writer().str("call").str("stone").bytes(),
                           token_writer().str("glow").bytes(), token_writer().integer(3).str("tex").bytes()});
    w.add_shader("basicmap", {token_writer().str("tex").str("$1").bytes()});
    w.add_surface("s-wall",
                  {description_layer(token_writer().str("layer").str("paint").str("brick").bytes())});
    w.add_surface("s-ref",
                  {reference_layer("s-wall"),
                   description_layer(token_writer().str("layer").str("basicmap").str("lm1").bytes())});
    const std::vector<uint8_t> layer =
        token_writer().str("layer").str("paint").str("stone").number(0.25f).bytes();
    byte_writer seed;
    put_u16(seed, static_cast<uint16_t>(layer.size()));
    put_bytes(seed, layer);
    put_bytes(seed, w.finish());
    return seed.bytes;
}

// Operations of the entity state target: channel, slot, frame byte, speed byte, elapsed ms, local bits.
std::vector<uint8_t> channel_states() {
    struct op {
        uint8_t channel;
        int32_t slot, frame, speed;
        uint16_t elapsed;
        uint8_t local;
    };
    const op ops[] = {
        {0, 0, 0, 33, 40, 0},       {1, 3, 1, 33 | 128, 70, 64}, {0, 1, 2 | 128, 50, 200, 8},
        {1, 4, 0, 33, 100, 128},    {0, -1, 0, 0, 33, 2},        {1, 99, 127, 0, 1000, 4},
        {0, 2, 127, 127, 65535, 1}, {1, 3, 0, 33, 0, 32 | 16},
    };
    byte_writer out;
    for (const op& o : ops) {
        put_u8(out, o.channel);
        for (const int32_t v : {o.slot, o.frame, o.speed}) put_u32(out, static_cast<uint32_t>(v));
        put_u16(out, o.elapsed);
        put_u8(out, o.local);
    }
    return out.bytes;
}

// A datagram as the transport sends it: the body written by the caller, the header stamped.
std::vector<uint8_t> datagram(packet p, uint32_t seq, uint32_t rseq, uint16_t nat) {
    p.set_header(seq, rseq, nat);
    return {p.body.data(), p.body.data() + p.body.size()};
}

packet command(uint8_t type, uint8_t request_id, const std::string& text) {
    packet p(type);
    if (type != kPacketAsyncCommand) p.body.write_u8(request_id);
    p.body.write_string(text);
    return p;
}

std::vector<seed_file> packet_seeds() {
    packet state(kPacketPlayerSnapshot);
    state.body.write_u32(100);
    state.body.write_vec3({1.0f, -2.5f, 300.0f});
    state.body.write_float(1.5f);
    state.body.write_u16(0xFFFF);
    return {{"command",
             datagram(command(kPacketCommand, 7, "join 1 2 3 4 5"), 5 | kSeqFlag, 2 | kSeqFlag, 0x8001)},
            {"command-result", datagram(command(kPacketCommandResult, 7, "OK 100"), 3, 5, 0x1234)},
            {"async-command", datagram(command(kPacketAsyncCommand, 0, "bye 100"), 9 | kSeqFlag, 0, 1)},
            {"player-state", datagram(state, 12, 4, 0x8001)},
            {"none", datagram(packet(kPacketNone), 1, 0, 0)}};
}

// A record of the transport target: control byte, big-endian length, datagram.
void add_record(std::vector<uint8_t>& out, uint8_t control, const std::vector<uint8_t>& bytes) {
    out.push_back(control);
    out.push_back(static_cast<uint8_t>(bytes.size() >> 8));
    out.push_back(static_cast<uint8_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<seed_file> transport_seeds() {
    // Reliable packets from one sender, a repeat, a restart with a new session value, then the
    // acknowledgement of a packet sent back.
    std::vector<uint8_t> exchange;
    add_record(exchange, 0x10, datagram(command(kPacketCommand, 1, "hello"), 1 | kSeqFlag, 0, 0x0101));
    add_record(exchange, 0x20, datagram(command(kPacketCommand, 1, "hello"), 1 | kSeqFlag, 0, 0x0101));
    add_record(exchange, 0x08, datagram(command(kPacketCommand, 2, "join 1 2"), 3 | kSeqFlag, 1, 0x0101));
    add_record(exchange, 0x08, datagram(packet(kPacketNone), 4, 1 | kSeqFlag, 0x0101));
    add_record(exchange, 0x00, datagram(command(kPacketCommand, 1, "hello"), 1 | kSeqFlag, 0, 0x8001));
    add_record(exchange, 0x48, datagram(packet(kPacketPing), 2, 0, 0x8001));

    // Unreliable packets from several senders out of order, and a short datagram.
    std::vector<uint8_t> senders;
    for (uint8_t sender = 0; sender < 4; ++sender) {
        for (uint32_t seq : {5u, 3u, 4u, 20000u, 2u}) {
            add_record(senders, sender, datagram(packet(kPacketPlayerSnapshot), seq, 0, sender));
        }
    }
    add_record(senders, 0x0D, {0x80, 0, 0, 1});
    return {{"exchange", exchange}, {"senders", senders}};
}

// The dispatch target's input: a mode byte, then per command a control byte (bits 0-1 the origin:
// 0 local dispatch, 1 a COMMAND, 2 an ASYNC-COMMAND; bit 2 a tick after it; bit 3 the master
// answers) and the text up to a line end.
std::vector<uint8_t> dispatch_script(uint8_t mode,
                                     const std::vector<std::pair<uint8_t, std::string>>& commands) {
    std::vector<uint8_t> out{mode};
    for (const auto& [control, text] : commands) {
        out.push_back(control);
        out.insert(out.end(), text.begin(), text.end());
        out.push_back('\n');
    }
    return out;
}

std::vector<seed_file> dispatch_seeds() {
    return {{"lan-game", dispatch_script(0, {{1, "login 01 0 2000 \"Othello\""},
                                             {5, "join 100 1 1 2 3"},
                                             {1, "blogin 123 Fred"},
                                             {1, "blogin 0100 0000 0002"},
                                             {1, "say 100 1 0 hello all"},
                                             {2, "hit 100 101 2 50 -1"},
                                             {2, "drop 1 2 3"},
                                             {1, "times 1 2 3 4 5 6 7"},
                                             {1, "gsetup 1 1 0 1 0"},
                                             {1, "teams 10 10 10"},
                                             {0, "kick Othello"},
                                             {1, "setp 100 1 2 3 4 5 6 7 8 9"},
                                             {1, "state"},
                                             {5, "bye 100"},
                                             {0, "quit"}})},
            {"internet-master", dispatch_script(1, {{5, "join 1 2 1 0 0"},
                                                    {13, "reg"},
                                                    {5, "hello"},
                                                    {5, "upldp 100"},
                                                    {12, "upldp 101"},
                                                    {1, "map level2 pwd"},
                                                    {1, "quit wrong"},
                                                    {0, "restart"},
                                                    {0, "pwd new"}})}};
}

// The query target's input: the number of players, the length of their names, then the query.
std::vector<uint8_t> listing_query(uint8_t players, uint8_t name_length, const std::string& query) {
    std::vector<uint8_t> out{players, name_length};
    out.insert(out.end(), query.begin(), query.end());
    return out;
}

std::vector<seed_file> listing_query_seeds() {
    return {
        {"basic", listing_query(0, 8, "\\basic\\")},
        {"status-secure", listing_query(2, 8, "\\status\\\\secure\\abc")},
        {"status-40", listing_query(40, 12, "\\status\\")},
        {"packets-echo", listing_query(64, 31, "\\packets\\\\echo\\" + std::string(1350, 'e') + "\\final\\")},
        {"all-words",
         listing_query(5, 3, "\\basic\\\\info\\\\rules\\\\players\\\\secure\\" + std::string(128, 'c'))}};
}

// A round of four players, two of them bots, with profiles for three of them.
struct network_round {
    snapshot_package snapshot;
    profile_table profiles;
};

network_round round_of_four() {
    network_round r;
    snapshot_package& s = r.snapshot;
    snapshot_package_set_name(s, "training");
    snapshot_package_set_game_setup(s, 1, true, false, true, true);
    snapshot_package_set_state(s, kGameRunning);
    snapshot_package_set_seconds(s, 40000);
    snapshot_package_set_winner(s, -2);
    snapshot_package_add_slot(s, 104, 5, 0, kSlotPlaying, 100, 0x7F000001, 57777);
    s.slots.back().skin = 102;
    s.slots.back().specialisation = 3;
    snapshot_package_add_slot(s, 7, 1, 1, kSlotDying, 20, 0x7F000001, 57777);
    s.slots.back().cause = 4;
    snapshot_package_add_slot(s, 0, 0, 3, kSlotNotInRound, 100, 0x0A000002, 57778);
    snapshot_package_add_slot(s, 250, 63, 2, kSlotDead, 0, 0x0A000003, 57777);
    for (uint32_t id : {104u, 7u, 0u}) {
        add(r.profiles, id);
        set_current_nick(r.profiles, id == 0 ? std::string(31, 'n') : "Ann");
        for (int i = 0; i < kProfileStatistics; ++i)
            set_stat_byte(r.profiles, i, static_cast<int32_t>(id) + i);
    }
    s.slots[0].counters[0] = 70000;
    return r;
}

std::vector<uint8_t> datagram(const packet& p) {
    return {p.body.data(), p.body.data() + p.body.size()};
}

std::vector<seed_file> net_record_seeds() {
    network_round r = round_of_four();
    std::vector<seed_file> seeds;
    packet g(kPacketGameSnapshot);
    snapshot_package_write(r.snapshot, g);
    seeds.push_back({"g-snapshot", datagram(g)});
    for (player_slot& slot : r.snapshot.slots) slot.next_d_snapshot = slot.id != 0;
    seeds.push_back({"d-snapshot", datagram(snapshot_package_write_d_snapshots(r.snapshot).at(0))});
    std::vector<player_state> states(2);
    states[0].id = 104;
    states[0].position = {1234.5f, -7.9f, 52.0f};
    states[0].angle = 3.0f;
    states[0].state = 200;
    states[0].groups[0][0] = -1;
    states[0].groups[1][1] = 17;
    states[0].small_values[0] = -3;
    states[0].second_angle = -3.0f;
    states[0].bytes[0] = 0x81;
    states[1].id = 7;
    states[1].state = kNoSector;
    seeds.push_back({"p-snapshot", datagram(player_states_write(states).at(0))});
    seeds.push_back({"profiles", datagram(profiles_write(r.snapshot, r.profiles, true).at(0))});
    return seeds;
}

std::vector<uint8_t> text_bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<seed_file> profile_line_seeds() {
    network_round r = round_of_four();
    merge(r.profiles, "setp 104 3:10:2:1:0:0:5:0:1", true);
    std::string lines;
    for (uint32_t id : {104u, 7u, 0u}) lines += format_line(r.profiles, id, id == 7) + "\n";
    const std::string setr = str_format("setr %d %d:%d:%d:%d:%d:%d", 300, 1, 2, 300, 4, 5, 6);
    return {{"setp-lines", text_bytes(lines)}, {"setr-line", text_bytes(setr)}};
}

// A game on the session target: records (sender byte, big-endian length, datagram) from a player's
// peer (0), the hosting client (1), a stranger (2) and the service's own lines (3).
std::vector<seed_file> session_command_seeds() {
    std::vector<uint8_t> game;
    add_record(game, 1, datagram(command(kPacketCommand, 1, "login 0 0 1000 \"!q!\""), 1 | kSeqFlag, 0, 1));
    add_record(game, 0, datagram(command(kPacketCommand, 1, "login 0 0 1000 \"Ann\""), 1 | kSeqFlag, 0, 2));
    add_record(game, 0, datagram(command(kPacketCommand, 2, "join 101 0 1 0 0"), 2, 0, 2));
    add_record(game, 0, datagram(command(kPacketCommand, 3, "blogin 200 Bot"), 3, 0, 2));
    add_record(game, 3, datagram(command(kPacketCommand, 0, "times 0 10 5 10 10 30 5"), 0, 0, 0));
    add_record(game, 0, datagram(command(kPacketAsyncCommand, 0, "say 101 0 0 hello"), 4, 0, 2));
    packet hit(kPacketAsyncEvent);
    hit.body.write_u8(0);
    hit.body.write_u32(101);
    hit.body.write_u32(1);
    hit.body.write_u8(30);
    hit.body.write_u8(50);
    hit.body.write_u16(0xFFFF);
    add_record(game, 0, datagram(hit, 5, 0, 2));
    player_state own;
    own.id = 101;
    for (const packet& p : player_states_write({own})) add_record(game, 0, datagram(p, 6, 0, 2));
    add_record(game, 2, datagram(command(kPacketAsyncCommand, 0, "kick Ann"), 1, 0, 3));
    add_record(game, 1, datagram(command(kPacketAsyncCommand, 0, "goal done 3 1"), 2, 0, 1));
    add_record(game, 3, datagram(command(kPacketCommand, 0, "map depot"), 0, 0, 0));
    add_record(game, 0, datagram(command(kPacketCommand, 4, "bye 101"), 7, 0, 2));
    return {{"game", game}};
}

std::vector<seed_file> service_script_seeds() {
    return {{"demo-mp.cfg", text_bytes(kDemoSettingsScript)},
            {"net.cfg", text_bytes("# the session's settings\nserver-name:Yard: North\nmaster:127.0.0.1\n")},
            {"relaunch",
             text_bytes("set server-name:\"My:Server\"\nset game-mode:custom\nset dedicated:yes\n"
                        "set net-mode:local\nset maxplayers1:20\nset maxplayers2:20\n"
                        "set maxplayers3:5\nset server-port:0\nset pkg-name:depot\nstart\n\nstop\n")}};
}

// Texture files: Targa images in the variants the loader reads, and QXTX images.
std::vector<seed_file> targa_seeds() {
    targa_desc colour;
    colour.width = 3;
    colour.height = 2;
    for (uint8_t i = 0; i < 18; ++i) colour.texels.push_back(static_cast<uint8_t>(i * 13));
    targa_desc alpha;
    alpha.width = 2;
    alpha.height = 4;
    alpha.bits = 32;
    alpha.alpha_bits = 8;
    alpha.top_first = false;
    alpha.interleave = 4;
    for (uint8_t i = 0; i < 32; ++i) alpha.texels.push_back(i % 4 == 3 ? (i % 8 == 3 ? 0 : 255) : i);
    targa_desc grey;
    grey.type = 3;
    grey.bits = 8;
    grey.width = 2;
    grey.height = 2;
    grey.interleave = 2;
    grey.texels = {1, 2, 3, 4};
    grey.id_field = {'g', 'r', 'e', 'y'};
    grey.map_length = 2;
    grey.map_entry_bits = 15;
    return {{"rgb-24bit", targa(colour)},
            {"rgba-32bit-bottom-four-way", targa(alpha)},
            {"grey-id-map-two-way", targa(grey)}};
}

std::vector<seed_file> qxtx_seeds() {
    qxtx_desc rgb;
    rgb.width = 2;
    rgb.height = 2;
    rgb.texels.assign(12, 0x40);
    qxtx_desc luminance_alpha;
    luminance_alpha.version = "09";
    luminance_alpha.width = 1;
    luminance_alpha.height = 3;
    luminance_alpha.kind = 7;
    luminance_alpha.format = 2;
    luminance_alpha.texels = {1, 2, 3, 4, 5, 6};
    return {{"rgb-v10", qxtx(rgb)}, {"luminance-alpha-v09", qxtx(luminance_alpha)}};
}

// Metrics files of the demo fonts and a short one; list cells over the plain font's widths.
// Steps of the widget input target: a kind byte and a little-endian argument.
std::vector<seed_file> widget_input_seeds() {
    const auto steps = [](std::initializer_list<std::pair<uint8_t, uint32_t>> list) {
        std::vector<uint8_t> out;
        for (const auto& [kind, value] : list) {
            out.push_back(kind);
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
        return out;
    };
    // Click in the box (x 100, y 20), type "ab1", keypad 164, BACKSPACE, ENTER; blink.
    const auto typed = steps({{2, 1u | 100u << 1 | 20u << 11},
                              {0, 'a'},
                              {0, 'b'},
                              {0, '1'},
                              {0, 164},
                              {0, 147},
                              {1, 200},
                              {1, 400},
                              {3, 1},
                              {0, 'x'},
                              {0, 165},
                              {0, 145}});
    // Rows, a title click, a row click, the down arrow held, a track click, a sort and a drag.
    std::vector<uint8_t> listed;
    for (uint32_t r = 0; r < 12; ++r) {
        const auto one = steps({{0, '0' + r % 10}, {4, r | 1u << 8}});
        listed.insert(listed.end(), one.begin(), one.end());
    }
    const auto mouse = [](uint32_t buttons, uint32_t x, uint32_t y) {
        return buttons | x << 8 | (y + 100) << 18;
    };
    const auto moves = steps({{5, mouse(3, 50, 90)},
                              {5, mouse(3, 200, 105)},
                              {5, mouse(3, 200, 105)},
                              {5, mouse(2, 490, 195)},
                              {5, mouse(3, 490, 150)},
                              {6, 5},
                              {5, mouse(2, 490, 40)},
                              {5, mouse(2, 490, 80)},
                              {5, mouse(0, 300, 150) | 8},
                              {7, 3 | 2u << 9}});
    listed.insert(listed.end(), moves.begin(), moves.end());
    return {{"typed", typed}, {"list", listed}};
}

std::vector<seed_file> font_seeds(const std::string& target) {
    const std::vector<uint8_t> plain = font_metrics_file(font_draw(false));
    if (target == "font_metrics_fuzz") {
        return {{"gui_font01.fm", font_metrics_file(font_draw(true))},
                {"gui_font02.fm", plain},
                {"short.fm", std::vector<uint8_t>(plain.begin(), plain.end() - 1)}};
    }
    const auto cell = [&plain](int32_t max, int32_t size, std::string_view text) {
        std::vector<uint8_t> bytes = plain;
        for (const int32_t value : {max, size}) {
            const auto bits = static_cast<uint32_t>(value);
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        }
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    };
    return {{"ready", cell(100, 10, "/c4/c/fgui_font01/fReady")},
            {"two-colours", cell(40, 16, "/c2/cA/c1/cB")},
            {"long-name", cell(120, 8, "/c1/c/fgui_font02/fA very long server name [LAN] 8/16")}};
}

// Records of the client packet target: route and type byte, big-endian length, the body after the
// header.
void add_client_record(std::vector<uint8_t>& out, uint8_t route, const packet& p) {
    const std::size_t length = p.body.size() - kPacketHeaderSize;
    out.push_back(static_cast<uint8_t>((route << 4) | p.type));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), p.body.data() + kPacketHeaderSize, p.body.data() + p.body.size());
}

// World event streams as the client writes them, after a first byte of detail level and frame time:
// impacts with their settings (one on water), ripples with theirs, a screen flash, and a stream
// whose records come in every order.
std::vector<seed_file> effect_event_seeds() {
    auto vec = [](byte_writer& out, float x, float y, float z) {
        put_f32(out, x);
        put_f32(out, y);
        put_f32(out, z);
    };
    byte_writer impacts;
    put_u8(impacts, 2 | (16 << 2));
    put_u8(impacts, 0);
    vec(impacts, 300.0f, 0.0f, 300.0f);
    vec(impacts, 0.0f, 1.0f, 0.0f);
    put_u8(impacts, 20);
    put_u8(impacts, 0);
    put_u8(impacts, 1);
    put_string(impacts, "");
    put_string(impacts, "hit_water");
    put_u8(impacts, 1);
    put_f32(impacts, 750.0f);
    put_u8(impacts, 0);
    vec(impacts, 100.0f, 20.0f, 100.0f);
    vec(impacts, 1.0f, 0.0f, 0.0f);
    put_u8(impacts, 255);
    put_u8(impacts, 3);

    byte_writer ripples;
    put_u8(ripples, 1 | (33 << 2));
    put_u8(ripples, 6);
    vec(ripples, 200.0f, 0.0f, 200.0f);
    put_f32(ripples, 1.0f);
    put_u8(ripples, 0);
    put_u8(ripples, 7);
    put_string(ripples, "water_ripple");
    put_u32(ripples, 1000);
    put_u8(ripples, 1);
    put_u8(ripples, 8);
    put_u32(ripples, 0);
    vec(ripples, 300.0f, 50.0f, 400.0f);

    byte_writer shuffled;
    put_u8(shuffled, 0);
    put_u8(shuffled, 7);
    put_string(shuffled, "ring");
    put_u32(shuffled, 0);
    put_u8(shuffled, 0);
    put_u8(shuffled, 1);
    put_string(shuffled, "a");
    put_string(shuffled, "b");
    put_u8(shuffled, 1);
    put_f32(shuffled, 5.0f);
    put_u8(shuffled, 6);
    vec(shuffled, 0.0f, 0.0f, 0.0f);
    put_f32(shuffled, 0.0f);
    put_u8(shuffled, 9);
    // An explosion with the callers' arc, a smoke cloud with its texture, two crates shattered by
    // key and one key that names nothing.
    byte_writer blasts;
    put_u8(blasts, 2 | (20 << 2));
    put_u8(blasts, 2);
    vec(blasts, 300.0f, 20.0f, 300.0f);
    vec(blasts, 1.0f, 1.0f, 1.0f);
    put_u8(blasts, 3);
    put_string(blasts, "");
    put_u8(blasts, 0);
    put_string(blasts, "expl_anim");
    put_u8(blasts, 1);
    put_u8(blasts, 4);
    vec(blasts, 500.0f, 0.0f, 500.0f);
    vec(blasts, 0.0f, 1.0f, 0.0f);
    put_u8(blasts, 5);
    put_string(blasts, "smoke_anim");
    for (const uint16_t key : {1, 7, 60000}) {
        put_u8(blasts, 10);
        put_u16(blasts, key);
        put_u8(blasts, 0);
        put_u8(blasts, 0);
    }
    return {{"impacts", impacts.bytes},
            {"ripples-and-flash", ripples.bytes},
            {"out-of-order", shuffled.bytes},
            {"blasts-smoke-glass", blasts.bytes}};
}

std::vector<seed_file> client_packet_seeds() {
    std::vector<uint8_t> game = {0};
    snapshot_package snapshot;
    snapshot.name = kDemoMap;
    snapshot.state = 3;
    player_slot ann;
    ann.id = 100;
    ann.team = 0;
    ann.spawn = 1;
    ann.state = 2;
    ann.health = 100;
    player_slot bob = ann;
    bob.id = 101;
    bob.team = 1;
    bob.spawn = 9;
    snapshot.slots = {ann, bob};
    packet g(kPacketGameSnapshot);
    snapshot_package_write(snapshot, g);
    add_client_record(game, 0, g);
    packet d(kPacketDeltaSnapshot);
    d.body.write_u8(1);
    snapshot_package_write_slot(bob, d);
    add_client_record(game, 0, d);
    player_state state;
    state.id = 101;
    state.position = {100.0f, 10.0f, -20.0f};
    for (const packet& p : player_states_write({state})) add_client_record(game, 0, p);
    profile_table profiles;
    update(profiles, 101);
    set_current_nick(profiles, "Bob");
    for (const packet& p : profiles_write(snapshot, profiles, true)) add_client_record(game, 0, p);
    packet radio(kPacketRadioMessage);
    radio.body.write_u8(3);
    radio.body.write_string("Bob");
    radio.body.write_string("");
    add_client_record(game, 0, radio);
    packet health(kPacketAsyncEvent);
    health.body.write_u8(1);
    health.body.write_u32(100);
    health.body.write_u8(60);
    add_client_record(game, 0, health);
    packet grenade(kPacketAsyncEvent);
    grenade.body.write_u8(2);
    grenade.body.write_u32(101);
    for (uint16_t v : {10, 10, 0}) grenade.body.write_u16(v);
    grenade.body.write_vec3({1.0f, 2.0f, 0.0f});
    grenade.body.write_u8(1);
    grenade.body.write_u8(4);
    grenade.body.write_string("weapons:grenade");
    grenade.body.write_u8(0);
    grenade.body.write_u8(1);
    grenade.body.write_u16(static_cast<uint16_t>(-978));
    add_client_record(game, 0, grenade);
    packet events(kPacketWorldSnapshot);
    events.body.write_u8(2);
    events.body.write_vec3({1.0f, 2.0f, 3.0f});
    events.body.write_vec3({1.0f, 1.0f, 1.0f});
    events.body.write_u8(3);
    events.body.write_string("fire");
    events.body.write_u8(1);
    events.body.write_string("smoke");
    events.body.write_u8(0);
    add_client_record(game, 0, events);
    packet ping(kPacketPingReport);
    ping.body.write_u32(101);
    ping.body.write_u16(35);
    add_client_record(game, 0, ping);
    add_client_record(game, 0, command(kPacketAsyncCommand, 0, "goald 1 0"));

    std::vector<uint8_t> replies = {2};
    add_client_record(replies, 1, command(kPacketCommandResult, 0, "OK 100"));
    add_client_record(replies, 0, g);
    add_client_record(replies, 1, command(kPacketCommandResult, 0, "FLD 5"));
    add_client_record(replies, 2, command(kPacketCommandResult, 0, "OK 2"));
    add_client_record(replies, 2, command(kPacketAsyncCommand, 0, "list\n10.0.0.1 5000\n10.0.0.2\n"));
    add_client_record(replies, 3, command(kPacketCommandResult, 0, "HI local \"Yard\" KV depot 1 8 0"));

    return {
        {"game-packets", game},
        {"replies-and-lists", replies},
        {"console-lines", text_bytes("\x01n_mode 1\nn_speed 1500 14500\nn_servers 0\nn_login x 1 Ann\n"
                                     "n_join x 100 0 1 0 0\nn_say x 100 1 0 hi there\nn_hit x 100 101 32 50\n"
                                     "n_pwd secret\nn_blogin\nn_bye x 0\n")}};
}

// The demo's screens, each followed by pointer moves, clicks, keys and a draw.
std::vector<seed_file> screen_description_seeds() {
    std::vector<seed_file> seeds;
    for (const screen_desc& screen : demo_screens()) {
        if (screen.name != "menu_scr" && screen.name != "options_scr" && screen.name != "quit_scr") continue;
        std::vector<uint8_t> bytes = {static_cast<uint8_t>(screen.parameters.size() >> 8),
                                      static_cast<uint8_t>(screen.parameters.size())};
        bytes.insert(bytes.end(), screen.parameters.begin(), screen.parameters.end());
        const uint8_t steps[] = {0, 100, 100, 1, 0,   0, 1, 0, 0, 0, 200, 200, 2, 'a', 1,  2, 147, 1,
                                 3, 0,   0,   4, 129, 0, 1, 0, 0, 1, 0,   0,   0, 20,  30, 3, 0,   0};
        bytes.insert(bytes.end(), std::begin(steps), std::end(steps));
        seeds.push_back({screen.name, bytes});
    }
    return seeds;
}

// The trace target's input: a level of 4 x 4 crates (800 units across), three soldiers placed and posed
// (x, z and turn in 256ths, animation row and column, lower and upper frame and speed) and stepped
// 65 ms on, then shots:
// flags 0x40, start, direction, range, damage at the muzzle, penetration, damage at the range, shooter.
// The target copies its numbers straight from the input, so they are stored in the machine's order.
std::vector<seed_file> trace_seeds() {
    byte_writer out;
    const auto put_native = [&out](auto v) { put_bytes(out, &v, sizeof v); };
    put_u8(out, 3);
    put_u8(out, 7);
    put_u8(out, 3);
    const uint8_t soldiers[3][5] = {{32, 128, 0, 0, 63}, {224, 128, 128, 0, 63}, {128, 32, 64, 1, 0}};
    for (const auto& s : soldiers) {
        for (uint8_t b : s) put_u8(out, b);
        for (int32_t v : {0, 33, 0, 33}) put_native(v);
    }
    put_u8(out, 16);
    struct shot {
        float start[3];
        float direction[3];
        float range;
        float muzzle;
        float penetration;
        float at_range;
        uint8_t shooter;
    };
    const shot shots[] = {
        {{100.0f, 20.0f, 400.0f}, {1.0f, 0.0f, 0.0f}, 5000.0f, 5.7f, 2.0f, 2.85f, 200},
        {{100.0f, 20.0f, 400.0f}, {1.0f, -0.05f, 0.02f}, 2000.0f, 14.0f / 12.0f, 1.0f, 14.0f / 12.0f * 0.4f, 200},
        {{400.0f, 10.0f, 780.0f}, {0.0f, 0.0f, -1.0f}, 500.0f, 7.0f, 255.0f, 3.5f, 201},
        {{640.0f, 20.0f, 400.0f}, {1.0f, 0.0f, 0.0f}, 5000.0f, 5.7f, 2.0f, 2.85f, 200},
    };
    for (const shot& s : shots) {
        put_u8(out, 0x40);
        for (float v : s.start) put_native(v);
        for (float v : s.direction) put_native(v);
        put_native(s.range);
        put_native(s.muzzle);
        put_native(s.penetration);
        put_native(s.at_range);
        put_u8(out, s.shooter);
    }
    return {{"posed-soldiers-shots", out.bytes}};
}

}  // namespace

std::vector<std::string> fuzz_seed_targets() {
    return {"qxps_stream_fuzz",
            "pak_archive_fuzz",
            "package_fuzz",
            "world_package_fuzz",
            "net_packet_fuzz",
            "net_client_packet_fuzz",
            "net_transport_fuzz",
            "net_records_fuzz",
            "profile_line_fuzz",
            "beings_records_fuzz",
            "entity_state_fuzz",
            "net_server_dispatch_fuzz",
            "listing_query_fuzz",
            "render_package_fuzz",
            "font_metrics_fuzz",
            "cell_text_fuzz",
            "wav_file_fuzz",
            "session_command_fuzz",
            "service_script_fuzz",
            "texture_targa_fuzz",
            "texture_qxtx_fuzz",
            "dds_file_fuzz",
            "widget_input_fuzz",
            "effect_events_fuzz",
            "gfx_command_fuzz",
            "portal_walk_fuzz",
            "frame_fuzz",
            "screen_description_fuzz",
            "controls_file_fuzz",
            "servers_file_fuzz",
            "bots_file_fuzz",
            "trace_fuzz"};
}

std::vector<seed_file> fuzz_seeds(const std::string& target) {
    if (target == "effect_events_fuzz") return effect_event_seeds();
    if (target == "dds_file_fuzz") {
        dds_desc dxt1{"DXT1", 8, 2, 4, dds_solid_rgba(8, 2, 200, 100, 50), 0};
        dds_desc dxt3{"DXT3", 4, 4, 1, dds_solid_rgba(4, 4, 10, 20, 30, 128), 0};
        dds_desc dxt5{"DXT5", 16, 16, 5, dds_solid_rgba(16, 16, 0, 255, 0, 64), 0};
        return {{"dxt1-mips", dds_file(dxt1)}, {"dxt3", dds_file(dxt3)}, {"dxt5-mips", dds_file(dxt5)}};
    }
    if (target == "qxps_stream_fuzz" || target == "package_fuzz") {
        return {{"full-16bit-ids", full_package(2, "11")},
                {"full-32bit-ids", full_package(4, "10")},
                {"full-8bit-ids", full_package(1, "11")},
                {"small", small_package()}};
    }
    if (target == "pak_archive_fuzz") return {{"archive", archive()}, {"empty", pak_writer().finish()}};
    if (target == "font_metrics_fuzz" || target == "cell_text_fuzz") return font_seeds(target);
    if (target == "widget_input_fuzz") return widget_input_seeds();
    if (target == "trace_fuzz") return trace_seeds();
    if (target == "screen_description_fuzz") return screen_description_seeds();
    if (target == "controls_file_fuzz") {
        return {{"demo", text_bytes(demo_controls_file())},
                {"mixed", text_bytes("bind \"Forward\" \"UP ARROW\"\r\nbind \"Jump\" \"MOUSE RBUTTON\"\n"
                                     "bind \"Fire\" \"W\nbind \"Nothing\" \"Q\"\nminvert on\n# note\n")}};
    }
    if (target == "servers_file_fuzz") {
        return {{"two", text_bytes("10.0.0.5 57777 \"Two words\" 6699 \"Big map\" 3 16 0 40\n"
                                   "10.0.0.6 57778 \"Silent\" -2 \"m\" 0 8 -1 0\n")},
                {"odd", text_bytes("1.2.3.4 65537 \"a\" 0 \"b\" x7 16 0 40\nnonsense\n\n9.9.9.9 1\n")}};
    }
    if (target == "bots_file_fuzz") {
        return {{"four", text_bytes("1 0 0 2 1 0 0 2 1 0 0 2 7 \n0 0 0 0 4 0 0 3 0 0 0 0 2 \n"
                                    "0 0 0 0 0 0 0 0 0 0 0 0 0 \n2 0 0 1 2 0 0 1 0 0 0 0 3 \n")},
                {"short", text_bytes("1 2 3\n-4 x 5\n\n7 7 7 7 7 7 7 7 7 7 7 7 7 7 7\n9\n")}};
    }
    if (target == "render_package_fuzz")
        return {{"render-16bit-ids", render_package(2)}, {"render-8bit-ids", render_package(1)}};
    if (target == "world_package_fuzz") {
        return {{"world-16bit-ids", world_package(2, "11")}, {"world-8bit-ids-v10", world_package(1, "10")}};
    }
    if (target == "portal_walk_fuzz" || target == "frame_fuzz")
        return {{"world-16bit-ids", world_package(2, "11")}, {"room-grid-3x2", room_grid_package(3, 2)}};
    if (target == "gfx_command_fuzz") {
        return {{"every-command",
                 text_bytes("g_varrays 1\ng_rti 3\ng_crosshair 3\ng_rpath 1\ng_portals 0\ng_lod 1\n"
                            "g_showportals 1\ng_occluders 0\ng_showoccluders 1\ng_occmark 50\ng_debug 1\n"
                            "g_wireframe 1\ng_vsync 1\ng_lighting 0\ng_dlights 2\ng_fog 0.5 0.1 0.2 0.3\n"
                            "g_minfps 20\ng_minarea 0.25\ng_helpers 1\ng_lodx 1\ng_unknown 4\n")}};
    }
    if (target == "net_packet_fuzz") return packet_seeds();
    if (target == "net_client_packet_fuzz") return client_packet_seeds();
    if (target == "net_transport_fuzz") return transport_seeds();
    if (target == "net_records_fuzz") return net_record_seeds();
    if (target == "profile_line_fuzz") return profile_line_seeds();
    if (target == "beings_records_fuzz") return {{"soldier", beings_sample_package(2)}};
    if (target == "entity_state_fuzz") return {{"channel-states", channel_states()}};
    if (target == "net_server_dispatch_fuzz") return dispatch_seeds();
    if (target == "listing_query_fuzz") return listing_query_seeds();
    if (target == "wav_file_fuzz") {
        wav_desc mono;
        mono.data = wav_tone(mono.rate, 16, {0.5f}, 5, 440.0f);
        wav_desc stereo;
        stereo.channels = 2;
        stereo.bits = 8;
        stereo.format_length = 19;
        stereo.data = wav_tone(stereo.rate, 8, {0.5f, 0.25f}, 5, 440.0f);
        return {{"mono-16bit", wav_file(mono)}, {"stereo-8bit-long-format", wav_file(stereo)}};
    }
    if (target == "session_command_fuzz") return session_command_seeds();
    if (target == "service_script_fuzz") return service_script_seeds();
    if (target == "texture_targa_fuzz") return targa_seeds();
    if (target == "texture_qxtx_fuzz") return qxtx_seeds();
    return {};
}

}  // namespace kv::tools
