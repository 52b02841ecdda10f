// The bot host in the game: bots, game events, think, the "b_" console and debug drawing.

#include <algorithm>
#include <cstring>

#include "bots/bot_central.h"
#include "bots/engine_table.h"
#include "game/arty_factory.h"
#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "gfx/drivers/gfx_driver.h"
#include "gfx/debug_draw.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "util/float_convert.h"

namespace kv {

namespace {

template <typename F>
F slot_of(const bot_module& m, int slot) {
    return reinterpret_cast<F>(m.table.slot[slot]);
}

server& world_of(BotCentral& bots) {
    return bots.world ? *bots.world : server_get();
}

bool player_has_being(server& srv, uint32_t player_id) {
    const kvgame* game = arty_factory_find_as<kvgame>(srv.factory, srv.factory.game_arty);
    return game && kvgame_find_player(*game, player_id);
}

void destroy_bot(BotCentral& bots, const bot_record& b) {
    if (b.module >= bots.modules.size()) return;
    if (const auto destroy = slot_of<kvbot_handle_fn>(*bots.modules[b.module], KVBOT_S_DESTROY))
        destroy(b.handle);
}

void create_bot(BotCentral& bots, uint32_t player_id, uint8_t module, uint8_t active,
                const std::string& player_name, const std::string& config) {
    bot_record b;
    b.module = module;
    b.active = active;
    b.player_id = player_id;
    b.player_name = player_name;
    b.config_file = config + ".cfg";
    const bot_module& m = *bots.modules[module];
    const auto create = slot_of<kvbot_create_fn>(m, KVBOT_S_CREATE);
    b.handle = create ? create(active, b.config_file.c_str()) : KVBOT_BAD_HANDLE;
    if (b.handle >= KVBOT_BAD_HANDLE) {
        botc_log(bots, 100, "Bot creation error: config=%s", b.config_file.c_str());
        return;
    }
    if (const auto attach = slot_of<kvbot_two_u32_fn>(m, KVBOT_S_ATTACH)) attach(b.handle, player_id);
    const uint32_t handle = b.handle;
    bots.bots.push_back(std::move(b));
    if (const auto added = slot_of<kvbot_two_u32_fn>(m, KVBOT_S_PLAYER_ADDED)) {
        for (const player_record& r : world_of(bots).players) added(handle, r.id);
    }
}

// Every module's slot with the same arguments.
template <typename F, typename... A>
void each_module(BotCentral& bots, int slot, A... args) {
    for (const auto& m : bots.modules) {
        if (const auto f = slot_of<F>(*m, slot)) f(args...);
    }
}

// Words of the console line: blanks separate them.
std::string next_word(const std::string& text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] != ' ') ++at;
    return text.substr(start, at - start);
}

// A name word loses every quote.
std::string unquoted(std::string word) {
    std::erase_if(word, [](char c) { return c == '\'' || c == '"'; });
    return word;
}

gfx_colour colour_of(const uint8_t* colour) {
    return gfx_colour{colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f};
}

vec3 point_of(const float* p) {
    return vec3{p[0], p[1], p[2]};
}

// The debug texts' font and character size.
constexpr const char* kDebugFont = "gui_font02";
constexpr int32_t kDebugTextWidth = 10;
constexpr int32_t kDebugTextHeight = 22;

}  // namespace

BotCentral& bot_central_get() {
    return *server_get().bots;
}

void botc_destroy_all_bots(BotCentral& bots) {
    const std::vector<bot_record> ending = std::move(bots.bots);
    bots.bots.clear();
    for (const bot_record& b : ending) destroy_bot(bots, b);
}

void botc_level_start(BotCentral& bots, const std::string& level_name) {
    if (!bots.enabled) return;
    botc_destroy_all_bots(bots);
    bots.lines.clear();
    bots.points.clear();
    bots.texts.clear();
    each_module<kvbot_level_start_fn>(bots, KVBOT_S_LEVEL_START, level_name.c_str());
}

void botc_level_change(BotCentral& bots) {
    if (!bots.enabled) return;
    each_module<kvbot_void_fn>(bots, KVBOT_S_LEVEL_END);
}

void botc_add_player(BotCentral& bots, uint32_t player_id, uint8_t active) {
    if (!bots.enabled) return;
    std::string nick;
    if (const player_record* r = server_find_player(world_of(bots), player_id)) nick = r->nick;
    const std::size_t before = bots.bots.size();
    for (std::size_t i = 0; i < bots.modules.size() && i <= 0xFF; ++i)
        create_bot(bots, player_id, static_cast<uint8_t>(i), active, nick, bots.default_config);
    // The new bots are not told of their own player twice.
    for (std::size_t i = 0; i < before; ++i) {
        const bot_record& b = bots.bots[i];
        if (b.player_id == player_id || b.module >= bots.modules.size()) continue;
        if (const auto f = slot_of<kvbot_two_u32_fn>(*bots.modules[b.module], KVBOT_S_PLAYER_ADDED))
            f(b.handle, player_id);
    }
}

void botc_remove_player(BotCentral& bots, uint32_t player_id) {
    if (!bots.enabled) return;
    for (const bot_record& b : std::vector<bot_record>(bots.bots)) {
        if (b.player_id == player_id || b.module >= bots.modules.size()) continue;
        if (const auto f = slot_of<kvbot_two_u32_fn>(*bots.modules[b.module], KVBOT_S_PLAYER_REMOVED))
            f(b.handle, player_id);
    }
    std::vector<bot_record> ending;
    std::erase_if(bots.bots, [&](const bot_record& b) {
        if (b.player_id != player_id) return false;
        ending.push_back(b);
        return true;
    });
    for (const bot_record& b : ending) destroy_bot(bots, b);
}

namespace {
void player_event(BotCentral& bots, uint32_t player_id, int slot) {
    if (!bots.enabled) return;
    for (const bot_record& b : std::vector<bot_record>(bots.bots)) {
        if (b.module >= bots.modules.size()) continue;
        if (const auto f = slot_of<kvbot_two_u32_fn>(*bots.modules[b.module], slot)) f(b.handle, player_id);
    }
}
}  // namespace

void botc_player_event_2(BotCentral& bots, uint32_t player_id) {
    player_event(bots, player_id, KVBOT_S_EVENT_2);
}

void botc_player_event_3(BotCentral& bots, uint32_t player_id) {
    player_event(bots, player_id, KVBOT_S_EVENT_3);
}

void botc_broadcast_event(BotCentral& bots, int32_t kind, const bot_game_event& event) {
    if (!bots.enabled) return;
    kvbot_event_record record{};
    botc_write_event_record(event, reinterpret_cast<uint8_t*>(&record));
    each_module<kvbot_game_event_fn>(bots, KVBOT_S_GAME_EVENT, kind,
                                     static_cast<const kvbot_event_record*>(&record));
}

void botc_radio_message(BotCentral& bots, uint32_t player_id, uint32_t message) {
    if (!bots.enabled) return;
    each_module<kvbot_two_u32_fn>(bots, KVBOT_S_RADIO, player_id, message);
}

void botc_round_start(BotCentral& bots) {
    if (!bots.enabled) return;
    bots.round_running = 1;
    each_module<kvbot_void_fn>(bots, KVBOT_S_ROUND_START);
}

void botc_round_end(BotCentral& bots, uint8_t value) {
    if (!bots.enabled) return;
    bots.round_running = 0;
    each_module<kvbot_u32_fn>(bots, KVBOT_S_ROUND_END, static_cast<uint32_t>(value));
}

void botc_notify_player_bots(BotCentral& bots, uint32_t player_id) {
    if (!bots.enabled) return;
    for (const bot_record& b : std::vector<bot_record>(bots.bots)) {
        if (b.player_id != player_id || b.module >= bots.modules.size()) continue;
        if (const auto f = slot_of<kvbot_u32_fn>(*bots.modules[b.module], KVBOT_S_NOTICE)) f(b.handle);
    }
}

void botc_think(BotCentral& bots) {
    if (!bots.enabled) return;
    each_module<kvbot_void_fn>(bots, KVBOT_S_BEGIN_FRAME);
    server& srv = world_of(bots);
    alignas(8) uint8_t record[sizeof(kvbot_command_record)];
    for (std::size_t i = 0; i < bots.bots.size(); ++i) {
        const bot_record b = bots.bots[i];
        if (b.module >= bots.modules.size()) continue;
        const auto think = slot_of<kvbot_think_fn>(*bots.modules[b.module], KVBOT_S_THINK);
        std::memset(record, 0, sizeof(record));
        record[0] = 1;
        if (think) think(b.handle, reinterpret_cast<kvbot_command_record*>(record));
        if (!b.active) continue;
        player_record* r = server_find_player(srv, b.player_id);
        if (!r) continue;
        int32_t view[2];
        std::memcpy(view, record + offsetof(kvbot_command_record, view), sizeof(view));
        r->pending_yaw = view[0];
        r->pending_pitch = view[1];
        const std::size_t count = std::min<std::size_t>(record[0], KVBOT_MAX_CODES);
        // A player without a soldier reads no codes: its queue would grow for ever.
        if (!player_has_being(srv, b.player_id)) continue;
        for (std::size_t c = 0; c < count && r->commands.size() < kBotMaxQueuedCodes; ++c) {
            int16_t code;
            std::memcpy(&code, record + offsetof(kvbot_command_record, codes) + c * 2, 2);
            r->commands.push_back(code);
        }
    }
    each_module<kvbot_u32_fn>(bots, KVBOT_S_FRAME_STEP, 0u);
    each_module<kvbot_u32_fn>(bots, KVBOT_S_FRAME_STEP, 1u);
    each_module<kvbot_u32_fn>(bots, KVBOT_S_FRAME_STEP, 2u);
}

int32_t botc_console_command(BotCentral& bots, const std::string& line) {
    if (!bots.enabled) return 0;
    const std::string text = line.substr(0, 4096);
    std::size_t at = 0;
    const std::string word = next_word(text, at);
    if (word.empty()) return 2;
    server& srv = world_of(bots);
    const auto find_player = [&](const std::string& name) -> const player_record* {
        for (const player_record& r : srv.players)
            if (r.nick == name) return &r;
        return nullptr;
    };
    if (word == "activate" || word == "deactivate") {
        const uint8_t flag = word == "activate" ? 1 : 0;
        const std::string name = unquoted(next_word(text, at));
        if (name.empty()) {
            botc_log(bots, 100, "[botc] syntax: b_%s <player_name> [bot_family_name]\n", word.c_str());
            return 0;
        }
        const player_record* r = find_player(name);
        if (!r) {
            botc_log(bots, 100, "[botc] player '%s' not found\n", name.c_str());
            return 1;
        }
        const std::string family = next_word(text, at);
        int module = -1;  // every module
        if (!family.empty()) {
            for (std::size_t i = 0; i < bots.modules.size() && module < 0; ++i)
                if (bots.modules[i]->family == family) module = static_cast<int>(i);
            if (module < 0) {
                botc_log(bots, 100, "[botc] bot family '%s' not found\n", family.c_str());
                return 1;
            }
        }
        const uint32_t id = r->id;
        for (bot_record& b : bots.bots) {
            if (b.player_id != id || b.module >= bots.modules.size()) continue;
            if (module >= 0 && b.module != module) continue;
            if (const auto f = slot_of<kvbot_handle_flag_fn>(*bots.modules[b.module], KVBOT_S_SET_ACTIVE))
                f(b.handle, flag);
            b.active = flag;
        }
        return 0;
    }
    const std::string name = unquoted(next_word(text, at));
    if (name.empty()) return 0;
    const player_record* r = find_player(name);
    if (!r) {
        botc_log(bots, 100, "[botc] player '%s' not found\n", name.c_str());
        return 1;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    const std::string rest = text.substr(at);
    const uint32_t id = r->id;
    bool answered = false;
    for (const bot_record& b : std::vector<bot_record>(bots.bots)) {
        if (b.player_id != id || b.module >= bots.modules.size()) continue;
        const auto f = slot_of<kvbot_console_fn>(*bots.modules[b.module], KVBOT_S_CONSOLE);
        // A module without the slot does not know the command.
        const char* answer =
            f ? f(b.handle, word.c_str(), rest.empty() ? nullptr : rest.c_str()) : "__ev_unknown";
        if (!answer || std::strcmp(answer, "__ev_unknown") != 0) answered = true;
    }
    return answered ? 2 : 0;
}

void bot_debug_draw(BotCentral& bots, int32_t flag) {
    gfx& g = kernel_get().graphics;
    if (!g.driver) return;
    if (flag == 0) {
        for (const bot_debug_line& l : bots.lines)
            if (l.in_use) gfx_draw_line(g, colour_of(l.colour), point_of(l.from), point_of(l.to));
        for (const bot_debug_point& p : bots.points) {
            if (!p.in_use) continue;
            for (int axis = 0; axis < 3; ++axis) {
                float from[3] = {p.position[0], p.position[1], p.position[2]};
                float to[3] = {p.position[0], p.position[1], p.position[2]};
                from[axis] -= 10.0f;
                to[axis] += 10.0f;
                gfx_draw_line(g, colour_of(p.colour), point_of(from), point_of(to));
            }
        }
    }
    // A text placed in the world draws from every pass; a screen text only from the overlay pass.
    for (const bot_debug_text& t : bots.texts) {
        if (!t.in_use) continue;
        if (t.flags == 2) {
            gfx_draw_text_at_point(g, colour_of(t.colour), kDebugFont, t.text, point_of(t.position),
                                   kDebugTextWidth, kDebugTextHeight);
        } else if (flag == 1) {
            gfx_draw_text(g, float_to_int32(t.position[0]), float_to_int32(t.position[1]), colour_of(t.colour),
                          kDebugFont, t.text, kDebugTextWidth, kDebugTextHeight);
        }
    }
}

}  // namespace kv
