// The engine table's entries.

#include "bots/engine_table.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "beings/being.h"
#include "beings/entity.h"
#include "beings/skeleton.h"
#include "data/file_stream.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/kvgoal.h"
#include "game/player_record.h"
#include "game/server.h"
#include "game/server_entities.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "util/mat4.h"
#include "world/surface_table.h"
#include "world/trace.h"

namespace kv {

namespace {

// The host whose table the modules hold.
BotCentral* g_host = nullptr;

constexpr int kMaxLevel = 1000;
constexpr std::size_t kConsoleBuffer = 4096;
constexpr std::size_t kLogBuffer = 16384;

server& world() {
    return g_host && g_host->world ? *g_host->world : server_get();
}

template <typename T>
void put(uint8_t* out, std::size_t offset, T value) {
    std::memcpy(out + offset, &value, sizeof(T));
}

player_record* nth_player(server& srv, uint32_t position) {
    uint32_t n = 0;
    for (player_record& r : srv.players) {
        if (++n == position) return &r;
    }
    return nullptr;
}

// The player's view matrix in the row form: x' = m0 x + m1 y + m2 z + m3.
void view_matrix(uint32_t id, float* out) {
    for (int i = 0; i < 16; ++i) out[i] = i % 5 == 0 ? 1.0f : 0.0f;
    server& srv = world();
    const player_record* r = server_find_player(srv, id);
    if (!r || !player_record_is_active(*r)) return;
    entity* e = server_entity_find(srv, "pid" + std::to_string(id));
    if (!e) return;
    mat4 turn;
    mat4_make(turn, kMat4KindRotationZ, static_cast<float>(-M_PI / 2));
    const mat4 body = mat4_mul(turn, entity_world_matrix(*e));
    mat4 view = mat4_inverse_rigid(body);
    if (mat4_is_identity(view)) return;
    // The engine's points are rows (p' = p x M): the row form is its transpose.
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) out[row * 4 + col] = view.m[col * 4 + row];
    out[12] = out[13] = out[14] = 0.0f;
    out[15] = 1.0f;
}

// Gauss-Jordan with row exchanges; false when singular.
bool invert(float* m) {
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 8; ++c) a[r][c] = c < 4 ? m[r * 4 + c] : (c - 4 == r ? 1.0 : 0.0);
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        while (pivot < 4 && a[pivot][col] == 0.0) ++pivot;
        if (pivot == 4) return false;
        if (pivot != col)
            for (int c = 0; c < 8; ++c) std::swap(a[pivot][c], a[col][c]);
        const double p = a[col][col];
        for (int c = 0; c < 8; ++c) a[col][c] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col || a[r][col] == 0.0) continue;
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r * 4 + c] = static_cast<float>(a[r][c + 4]);
    return true;
}

void transform(const float* m, const float* p, float* out) {
    float t[3];
    for (int row = 0; row < 3; ++row)
        t[row] = m[row * 4] * p[0] + m[row * 4 + 1] * p[1] + m[row * 4 + 2] * p[2] + m[row * 4 + 3];
    std::memcpy(out, t, sizeof(t));
}

void fold_point(uint32_t id, const float* point, float* out, bool full_x, bool full_y) {
    if (!point || !out) return;
    float m[16];
    view_matrix(id, m);
    float v[3];
    transform(m, point, v);
    out[0] = botc_fold(v[0], v[2], full_x);
    out[1] = botc_fold(-v[1], v[2], full_y);
    out[2] = v[2];
}

template <typename T>
uint32_t debug_add(std::vector<T>& list, const T& item) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].in_use) {
            list[i] = item;
            return static_cast<uint32_t>(i);
        }
    }
    list.push_back(item);
    return static_cast<uint32_t>(list.size() - 1);
}

template <typename T>
void debug_free(std::vector<T>& list, uint32_t index) {
    if (index < list.size()) list[index].in_use = 0;
}

void copy_colour(uint8_t* to, const uint8_t* from) {
    if (from) std::memcpy(to, from, 3);
}

void copy_vec(float* to, const float* from, int n) {
    if (from) std::memcpy(to, from, sizeof(float) * static_cast<std::size_t>(n));
}

// ---- Entries ----

int e_console(const char* format, ...) {
    char text[kConsoleBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format ? format : "", args);
    va_end(args);
    console_view_print(kernel_get().console, text);
    return 0;
}

void e_log(uint8_t level, const char* format, ...) {
    if (!g_host || level <= g_host->log_level) return;
    std::string text(kLogBuffer, '\0');
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format ? format : "", args);
    va_end(args);
    log_write("%s%s", log_stamp().c_str(), text.c_str());
}

uint32_t e_nothing() {
    return 0;
}

float e_zero_float() {
    return 0.0f;
}

uint32_t e_milliseconds() {
    return static_cast<uint32_t>(timer_elapsed_ms64(run_timer()));
}

uint8_t e_server_info(kvbot_server_info* info) {
    if (!info) return 1;
    uint8_t* out = reinterpret_cast<uint8_t*>(info);
    std::memset(out, 0, sizeof(kvbot_server_info));
    server& srv = world();
    std::memcpy(out, srv.game_package.data(), std::min<std::size_t>(srv.game_package.size(), 31));
    put<uint32_t>(out, offsetof(kvbot_server_info, snapshot_value),
                  static_cast<uint32_t>(srv.snapshot.state));
    put<uint32_t>(out, offsetof(kvbot_server_info, three), 3u);
    return 0;
}

uint8_t e_player_info(uint32_t id, kvbot_player_info* info) {
    const player_record* r = server_find_player(world(), id);
    if (!r || !info) return 1;
    botc_write_player_info(*r, reinterpret_cast<uint8_t*>(info));
    return 0;
}

uint32_t e_next_player(uint32_t handle, kvbot_player_info* info) {
    server& srv = world();
    if (handle >= srv.players.size()) return 0;
    const player_record* r = nth_player(srv, handle + 1);
    if (!r) return 0;
    if (info) botc_write_player_info(*r, reinterpret_cast<uint8_t*>(info));
    return handle + 1;
}

uint32_t e_next_near(uint32_t handle, kvbot_player_info* info, const float* point, float radius) {
    server& srv = world();
    if (!point) return 0;
    for (uint32_t position = handle + 1; position <= srv.players.size() && position > handle; ++position) {
        const player_record* r = nth_player(srv, position);
        if (!r) return 0;
        const vec3 p = r->state_record.position;
        const float dx = p.x - point[0], dy = p.y - point[1], dz = p.z - point[2];
        if (dx * dx + dy * dy + dz * dz <= radius * radius) {
            if (info) botc_write_player_info(*r, reinterpret_cast<uint8_t*>(info));
            return position;
        }
    }
    return 0;
}

void e_view_matrix(uint32_t id, float* out) {
    if (out) view_matrix(id, out);
}

uint8_t e_view_inverse(uint32_t id, float* out) {
    if (!out) return 0;
    view_matrix(id, out);
    return invert(out) ? 1 : 0;
}

void e_fold_full(uint32_t id, const float* point, float* out) {
    fold_point(id, point, out, true, true);
}
void e_fold_x(uint32_t id, const float* point, float* out) {
    fold_point(id, point, out, true, false);
}
void e_fold_y(uint32_t id, const float* point, float* out) {
    fold_point(id, point, out, false, true);
}

float* e_unfold(uint32_t id, const float* view, float* out) {
    if (!view || !out) return out;
    float m[16];
    view_matrix(id, m);
    invert(m);
    const float p[3] = {view[0] * view[2], view[1] * view[2], view[2]};
    transform(m, p, out);
    return out;
}

uint32_t e_event(uint32_t id, const char* data) {
    if (!g_host) return 0;
    for (const bot_record& b : std::vector<bot_record>(g_host->bots)) {
        if (b.player_id != id || b.module >= g_host->modules.size()) continue;
        const auto f =
            reinterpret_cast<kvbot_console_fn>(g_host->modules[b.module]->table.slot[KVBOT_S_CONSOLE]);
        if (f) f(b.handle, "event", data);
    }
    return 0;
}

void set3(float* v, float x, float y, float z) {
    if (!v) return;
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

bool finite3(const vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The transform of the player's entity of that name (found, never made), for an active player.
const mat4* active_transform(uint32_t id, const char* prefix) {
    server& srv = world();
    const player_record* r = server_find_player(srv, id);
    if (!r || !player_record_is_active(*r)) return nullptr;
    const entity* e = server_entity_find(srv, prefix + std::to_string(id));
    return e ? &entity_world_matrix(*e) : nullptr;
}

// The first-person entity's position and facing.
uint8_t e_eye(uint32_t id, float* a, float* b) {
    const mat4* m = active_transform(id, "~pid");
    const vec3 position = m ? mat4_row3(*m) : vec3{};
    const vec3 facing = m ? mat4_row2(*m) : vec3{};
    if (!m || !finite3(facing)) {
        if (m && finite3(position)) {
            set3(a, position.x, position.y, position.z);
        } else {
            set3(a, 0.0f, 0.0f, 0.0f);
        }
        set3(b, 0.0f, 0.0f, 1.0f);
        return 1;
    }
    set3(a, position.x, position.y, position.z);
    set3(b, facing.x, facing.y, facing.z);
    return 0;
}

// The body's facing and up.
uint8_t e_body(uint32_t id, float* a, float* b) {
    const mat4* m = active_transform(id, "pid");
    const vec3 facing = m ? mat4_row2(*m) : vec3{};
    const vec3 up = m ? mat4_row1(*m) : vec3{};
    const auto unit = [](float c) { return std::isfinite(c) && c >= -1.0f && c <= 1.0f; };
    if (!m || !unit(facing.x) || !unit(facing.y) || !unit(facing.z) || !finite3(up)) {
        set3(a, 0.0f, 0.0f, 1.0f);
        set3(b, 0.0f, 1.0f, 0.0f);
        return 1;
    }
    set3(a, facing.x, facing.y, facing.z);
    set3(b, up.x, up.y, up.z);
    return 0;
}

// The traces of entries 14, 15 and 18: from the sector of the player's entity along from-to, as far
// as `to`. False when the player has no entity standing in a sector.
bool trace_from_player(uint32_t id, const float* from, const float* to, uint8_t test_players,
                       uint8_t test_world, uint8_t stop_at_first, trace& t) {
    if (!from || !to) return false;
    server& srv = world();
    entity* e = server_entity_find(srv, "pid" + std::to_string(id));
    if (!e || !e->in_sector) return false;
    const vec3 start{from[0], from[1], from[2]};
    const vec3 direction{to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const float length_sq = direction.x * direction.x + direction.y * direction.y + direction.z * direction.z;
    if (!std::isfinite(length_sq)) return false;
    trace_ray(t, e->in_sector, start, direction, length_sq, test_players, 0, test_world, stop_at_first);
    // Only what lies before the end counts.
    std::erase_if(t.hits, [length_sq](const trace_hit& h) { return !(h.hit.distance_sq < length_sq); });
    return true;
}

// The line test: 0 when something with an id (or, with flags bit 0, anything) lies between.
uint8_t e_line_test(uint32_t id, const float* from, const float* to, uint8_t flags) {
    trace t;
    if (!trace_from_player(id, from, to, (flags & 4) ? 1 : 0, 1, 1, t)) return 0;
    if (t.hits.empty()) return 1;
    return t.hits.front().player_id != -1 || (flags & 1) ? 0 : 1;
}

// 1 when the line meets that player's body.
uint8_t e_sees_player(uint32_t id, const float* from, const float* to) {
    trace t;
    if (!trace_from_player(id, from, to, 1, 0, 0, t)) return 0;
    for (const trace_hit& h : t.hits)
        if (h.player_id == static_cast<int32_t>(id)) return 1;
    return 0;
}

// How much the first surface between the points covers, 0-100.
int32_t e_cover(uint32_t id, const float* from, const float* to) {
    trace t;
    if (!trace_from_player(id, from, to, 0, 1, 0, t) || t.hits.empty()) return 0;
    const surface_material* m = t.hits.front().material;
    if (!m) return 100;
    return static_cast<int32_t>(m->blast_absorption / 255.0f * 100.0f);
}

kvgame* game();

being* player_being(uint32_t id) {
    kvgame* g = game();
    return g ? kvgame_find_player(*g, id) : nullptr;
}

// Aims the player's pick along the vector: the vector becomes the motion the body can make.
uint8_t e_pick(uint32_t id, float* motion) {
    being* b = player_being(id);
    if (!b || !motion) return 1;
    const vec3 allowed = being_pick(*b, vec3{motion[0], motion[1], motion[2]});
    set3(motion, allowed.x, allowed.y, allowed.z);
    return 0;
}

// Bones of the skeleton record: head, pelvis, the two hands and a foot.
constexpr int32_t kSkeletonBones[5] = {7, 2, 4, 9, 25};

// The body's points in the world: the five bones, the box's two top corners and the body's origin;
// then each bone's point 10 units along its own x axis, listed in the record's order.
uint8_t e_skeleton(uint32_t id, kvbot_skeleton* out) {
    if (!out) return 1;
    std::memset(out, 0, sizeof(kvbot_skeleton));
    server& srv = world();
    const player_record* r = server_find_player(srv, id);
    if (!r || !player_record_is_active(*r)) return 1;
    entity* e = server_entity_find(srv, "pid" + std::to_string(id));
    if (!e) return 1;
    const mat4& to_world = entity_world_matrix(*e);
    const mat4& swap = skeleton_posing_matrix();
    vec3 bone_points[5];
    vec3 bone_tips[5];
    for (int i = 0; i < 5; ++i) {
        mat4 bone;
        entity_bone_matrix(*e, bone, kSkeletonBones[i]);
        const vec3 origin = mat4_row3(bone);
        const vec3 axis = mat4_row0(bone);
        bone_points[i] = mat4_transform_point(to_world, mat4_transform_point(swap, origin));
        const vec3 tip{origin.x + axis.x * 10.0f, origin.y + axis.y * 10.0f, origin.z + axis.z * 10.0f};
        bone_tips[i] = mat4_transform_point(to_world, mat4_transform_point(swap, tip));
    }
    vec3 points[8];
    for (int i = 0; i < 5; ++i) points[i] = bone_points[i];
    vec3 corner;
    box3_corner(e->box, corner, 6);
    points[5] = mat4_transform_point(to_world, corner);
    box3_corner(e->box, corner, 7);
    points[6] = mat4_transform_point(to_world, corner);
    points[7] = mat4_row3(to_world);
    for (int i = 0; i < 8; ++i) set3(out->points[i], points[i].x, points[i].y, points[i].z);
    out->five = 5;
    constexpr uint8_t kOrder[5] = {1, 0, 2, 3, 4};
    for (int i = 0; i < 5; ++i) {
        const vec3& tip = bone_tips[kOrder[i]];
        set3(out->more[i], tip.x, tip.y, tip.z);
        out->order[i] = kOrder[i];
    }
    return 0;
}

// A screenshot into the named file; true when it could not be written.
uint8_t e_screenshot(const char* name) {
    if (!name) return 1;
    file_stream stream;
    if (!file_stream_open(stream, name, kFileWrite)) return 1;
    const int32_t result = kernel_save_screenshot(kernel_get(), stream);
    file_stream_close(stream);
    return result == 0 ? 0 : 1;
}

uint8_t e_select_weapon(uint32_t id, int32_t weapon, uint8_t kinds) {
    being* b = player_being(id);
    if (!b) return 1;
    return being_bot_select_weapon(*b, weapon, kinds) ? 0 : 1;
}

uint32_t e_line_add(const float* from, const float* to, const uint8_t* colour, uint8_t flags) {
    if (!g_host) return 0;
    bot_debug_line l;
    l.in_use = 1;
    copy_vec(l.from, from, 3);
    copy_vec(l.to, to, 3);
    copy_colour(l.colour, colour);
    l.flags = flags;
    return debug_add(g_host->lines, l);
}
void e_line_free(uint32_t index) {
    if (g_host) debug_free(g_host->lines, index);
}
void e_line_clear() {
    if (g_host) g_host->lines.clear();
}

uint32_t e_point_add(const float* position, const uint8_t* colour, uint8_t flags) {
    if (!g_host) return 0;
    bot_debug_point p;
    p.in_use = 1;
    copy_vec(p.position, position, flags & 2 ? 3 : 2);
    copy_colour(p.colour, colour);
    p.flags = flags;
    return debug_add(g_host->points, p);
}
void e_point_free(uint32_t index) {
    if (g_host) debug_free(g_host->points, index);
}
void e_point_clear() {
    if (g_host) g_host->points.clear();
}

uint32_t e_text_add(const float* position, const char* text, const uint8_t* colour, uint8_t flags) {
    if (!g_host) return 0;
    bot_debug_text t;
    t.in_use = 1;
    t.text = text ? text : "";
    copy_vec(t.position, position, flags & 2 ? 3 : 2);
    copy_colour(t.colour, colour);
    t.flags = flags;
    return debug_add(g_host->texts, t);
}
void e_text_free(uint32_t index) {
    if (g_host) debug_free(g_host->texts, index);
}
void e_text_clear() {
    if (g_host) g_host->texts.clear();
}

kvgame* game() {
    server& srv = world();
    return arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
}

int32_t e_goal_count() {
    const kvgame* g = game();
    return g ? kvgame_goal_count(*g) : 0;
}

void e_goal_info(int32_t index, uint8_t* out) {
    const kvgame* g = game();
    if (!g || !out) return;
    goal_record record;
    kvgame_goal_info(*g, index, record);
    std::memcpy(out, record.bytes, kGoalRecordSize);
}

uint8_t e_radio(uint32_t id, uint8_t message) {
    client_send_say(world().client, static_cast<int32_t>(id), 1, message + 1, "");
    return 0;
}

uint8_t e_set_log_level(int32_t level) {
    if (!g_host || level < 0 || level > kMaxLevel) return 1;
    g_host->log_level = level;
    return 0;
}

template <typename F>
kvbot_fn entry(F f) {
    return reinterpret_cast<kvbot_fn>(f);
}

}  // namespace

void botc_log(BotCentral& bots, uint8_t level, const char* format, ...) {
    if (level <= bots.log_level) return;
    std::string text(kLogBuffer, '\0');
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    log_write("%s%s", log_stamp().c_str(), text.c_str());
}

float botc_fold(float c, float z, bool full) {
    if (c == 0.0f && z == 0.0f) return 0.0f;
    if (std::fabs(c) < z) return c / z;
    const float s = c > 0.0f ? 1.0f : -1.0f;
    if (!full) return z < 0.0f ? 0.0f : 2.0f * s - z / c;
    if (z >= 0.0f || std::fabs(c) >= -z) return 2.0f * s - z / c;
    return 4.0f * s + c / z;
}

void botc_write_event_record(const bot_game_event& event, uint8_t* out) {
    put<int32_t>(out, offsetof(kvbot_event_record, goal), event.goal);
    put<int32_t>(out, offsetof(kvbot_event_record, player), event.player);
    put<int32_t>(out, offsetof(kvbot_event_record, team), event.team);
    put<float>(out, offsetof(kvbot_event_record, position), event.position.x);
    put<float>(out, offsetof(kvbot_event_record, position) + 4, event.position.y);
    put<float>(out, offsetof(kvbot_event_record, position) + 8, event.position.z);
}

void botc_write_player_info(const player_record& r, uint8_t* out) {
    std::memset(out, 0, sizeof(kvbot_player_info));
    put<uint32_t>(out, offsetof(kvbot_player_info, id), r.id);
    put<int32_t>(out, offsetof(kvbot_player_info, specialisation), r.specialisation);
    put<const char*>(out, offsetof(kvbot_player_info, nick), r.nick.c_str());
    put<int32_t>(out, offsetof(kvbot_player_info, spawn_point), r.spawn_point);
    put<int32_t>(out, offsetof(kvbot_player_info, team), r.team);
    put<int32_t>(out, offsetof(kvbot_player_info, skin), r.skin);
    put<int32_t>(out, offsetof(kvbot_player_info, state), r.state & 7);
    put<int32_t>(out, offsetof(kvbot_player_info, health), r.health);
    const vec3 p = r.state_record.position;
    put<float>(out, offsetof(kvbot_player_info, position), p.x);
    put<float>(out, offsetof(kvbot_player_info, position) + 4, p.y);
    put<float>(out, offsetof(kvbot_player_info, position) + 8, p.z);
    for (int i = 0; i < 3; ++i)
        put<float>(out, offsetof(kvbot_player_info, levels) + 4 * static_cast<std::size_t>(i),
                   r.levels[2 + i] / 255.0f);
    put<int32_t>(out, offsetof(kvbot_player_info, entry_values), r.entry_values[0]);
    put<int32_t>(out, offsetof(kvbot_player_info, entry_values) + 4, r.entry_values[1]);
    put<uint8_t>(out, offsetof(kvbot_player_info, armour), r.armour);
    for (std::size_t i = 0; i < 9 && i < r.values.size(); ++i)
        put<int32_t>(out, offsetof(kvbot_player_info, values) + 4 * i, r.values[i]);
    std::memcpy(out + offsetof(kvbot_player_info, grenade_counts), r.grenade_counts, 4);
    put<uint8_t>(out, offsetof(kvbot_player_info, driven_here), r.driven_here ? 1 : 0);
}

void botc_forget_engine_table(BotCentral& bots) {
    if (g_host == &bots) g_host = nullptr;
}

void botc_fill_engine_table(BotCentral& bots) {
    g_host = &bots;
    kvbot_fn* e = bots.engine.entry;
    for (int i = 0; i < KVBOT_ENGINE_ENTRIES; ++i) e[i] = entry(&e_nothing);
    e[0] = entry(&e_console);
    e[1] = entry(&e_log);
    e[3] = entry(&e_milliseconds);
    e[4] = entry(&e_server_info);
    e[6] = entry(&e_player_info);
    e[9] = entry(&e_next_player);
    e[12] = entry(&e_next_near);
    e[19] = entry(&e_view_matrix);
    e[20] = entry(&e_view_inverse);
    e[21] = entry(&e_fold_full);
    e[22] = entry(&e_fold_x);
    e[23] = entry(&e_fold_y);
    e[24] = entry(&e_unfold);
    e[25] = entry(&e_event);
    e[30] = e[31] = entry(&e_zero_float);
    e[14] = entry(&e_line_test);
    e[15] = entry(&e_sees_player);
    e[18] = entry(&e_cover);
    e[28] = entry(&e_eye);
    e[29] = entry(&e_body);
    e[27] = entry(&e_pick);
    e[32] = entry(&e_skeleton);
    e[44] = entry(&e_screenshot);
    e[47] = entry(&e_select_weapon);
    e[35] = entry(&e_line_add);
    e[36] = entry(&e_line_free);
    e[37] = entry(&e_line_clear);
    e[38] = entry(&e_point_add);
    e[39] = entry(&e_point_free);
    e[40] = entry(&e_point_clear);
    e[41] = entry(&e_text_add);
    e[42] = entry(&e_text_free);
    e[43] = entry(&e_text_clear);
    e[45] = entry(&e_goal_count);
    e[46] = entry(&e_goal_info);
    e[48] = entry(&e_radio);
    e[49] = entry(&e_set_log_level);
}

}  // namespace kv
