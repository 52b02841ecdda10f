// The scores screen (slot 5): one row per player of the last game snapshot.

#include "game/kvgame.h"
#include "game/player_record.h"
#include "game/server.h"
#include "ui/gui.h"
#include "ui/screens.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr int32_t kScoresTitleTexts[] = {68, 68, 69, 69, 70, 70, 71, 71, 72, 72};
// Markup colour numbers by team 0-2, and the specialisation glyphs of "gui_font01" by
// specialisation 0-3 (not the HUD's order).
constexpr int32_t kTeamMarkupColours[3] = {1, 4, 0};
constexpr char kScoresGlyphs[4] = {29, 31, 28, 30};
constexpr char kSideGlyph = 26;
constexpr char kDeadGlyph = static_cast<char>(134);
constexpr int32_t kNickColour = 255;
constexpr int32_t kDeadColour = 4;

void fill_row(kvselection& list, const std::string& key, const player_slot& slot, const player_record& r) {
    uint8_t levels[kPlayerLevels];
    player_record_get_counters(r, levels);
    int32_t percent[kPlayerLevels];
    for (int i = 0; i < kPlayerLevels; ++i) percent[i] = levels[i] * 100 / 255;
    // Team and specialisation come from the network: out of range they pick no colour or glyph.
    if (slot.team >= 0 && slot.team < 3) {
        const int32_t kind = r.specialisation;
        const char glyph = kind >= 0 && kind < 4 ? kScoresGlyphs[kind] : ' ';
        kvselection_set_cell(list, key,
                             str_format("/c%d/c/fgui_font01/f%c %c", kTeamMarkupColours[slot.team], kSideGlyph,
                                        glyph),
                             1);
    }
    kvselection_set_cell(list, key, str_format("/c%d/c/fgui_font02/f%s", kNickColour, r.nick.c_str()), 2);
    kvselection_set_cell(list, key,
                         str_format("%03d / %03d - %02d %02d %02d %02d %02d %02d", slot.counters[0],
                                    slot.counters[1], percent[0], percent[1], percent[2], percent[3], percent[4],
                                    percent[5]),
                         3);
    kvselection_set_cell(list, key, str_format("%i", slot.ping), 4);
    if (slot.state != kSlotFrozen && slot.state != kSlotPlaying) {
        kvselection_set_cell(list, key, str_format("/c%d/c/fgui_font01/f%c", kDeadColour, kDeadGlyph), 5);
    }
}

}  // namespace

void scores_on_show(kvgame& game) {
    kvscreen* s = game.gui.screens[kScreenScores];
    if (!s) return;
    const server& srv = kvgame_server(game);
    for (int32_t i = 0; i < 10; ++i) {
        if (kvtext* label = kvscreen_label(*s, i)) kvtext_set_text(*label, server_text(srv, kTextBase, kScoresTitleTexts[i]));
    }
}

void scores_draw(kvgame& game) {
    server& srv = kvgame_server(game);
    if (!client_is_connected(srv.client)) return;
    kvscreen* s = game.gui.screens[kScreenScores];
    kvselection* list = s ? kvscreen_selection(*s, 0) : nullptr;
    if (!list) return;
    const std::vector<player_slot>& slots = srv.snapshot.slots;
    kvselection_clear_rows(*list);
    for (std::size_t i = 0; i < slots.size(); ++i) kvselection_add_row(*list, str_format("%i", static_cast<int>(i + 1)));
    int32_t row = 1;
    for (const player_slot& slot : slots) {
        if (slot.team == kNoTeam) continue;
        // A player whose record is gone keeps its row, empty.
        if (const player_record* r = server_find_player(srv, slot.id)) fill_row(*list, str_format("%i", row), slot, *r);
        ++row;
    }
}

}  // namespace kv
