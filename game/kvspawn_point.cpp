#include "game/kvspawn_point.h"

namespace kv {

kvspawn_point::kvspawn_point(arty_factory& owner, const arty_description& description)
    : arty(owner, description) {
    arty_read_keys(
        description,
        {
            {"sector:", 1, [this](const token_list& l, int i) { arty_value_string(l, i, sector_name); }},
            {"posx:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, position.x); }},
            {"posy:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, position.y); }},
            {"posz:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, position.z); }},
            {"angle:", 1, [this](const token_list& l, int i) { arty_value_number(l, i, angle); }},
        });
}

}  // namespace kv
