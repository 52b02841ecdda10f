#include "game/kvlevel.h"

#include "game/arty_factory.h"
#include "game/server.h"
#include "util/text.h"
#include "util/token_list.h"

namespace kv {
namespace {

// A string item of up to three blank-separated integers; another kind of item changes nothing.
void read_limits(const token_list& list, int index, int32_t (&limits)[3]) {
    if (token_list_kind(list, index) != kTokenString) return;
    const std::string text = token_list_get_string(list, index);
    for (int i = 0; i < 3; ++i) limits[i] = str_to_int(str_field_or_empty(text, i, ' '));
}

}  // namespace

kvlevel::kvlevel(arty_factory& owner, const arty_description& description) : arty(owner, description) {
    arty_read_keys(
        description,
        {
            {"title:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, title); }},
            {"author:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, author); }},
            {"gravity:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, gravity); }},
            {"sky:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sky); }},
            {"fog:", 4,
             [this](const token_list& l, int i) {
                 fog = 1;
                 for (int k = 0; k < 4; ++k) arty_value_number(l, i + k, fog_values[k]);
             }},
            {"maxplayers:", 1, [this](const token_list& l, int i) { read_limits(l, i, max_players); }},
            {"minplayers:", 1, [this](const token_list& l, int i) { read_limits(l, i, min_players); }},
            {"timewinner:", 1, [this](const token_list& l, int i) { arty_value_integer(l, i, time_winner); }},
        });
    if (!owner.owner) return;
    server& srv = *owner.owner;
    map_record* map = server_find_map(srv, srv.game_package);
    if (!map) return;
    map->described = 1;
    const int32_t values[kMapLevelValues] = {max_players[0], max_players[1], max_players[2], min_players[0],
                                             min_players[1], min_players[2], time_winner};
    for (int i = 0; i < kMapLevelValues; ++i) map->level_values[i] = values[i];
}

}  // namespace kv
