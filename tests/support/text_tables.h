#pragma once
// Numbered text tables for the interface tests: the entries given by number, every other entry up to
// the largest number reading "#<number>", so a wrong number shows in what a screen draws.

#include <string>
#include <utility>
#include <vector>

#include "game/server.h"

namespace kv {

inline void text_table_fill(server& srv, int table, const std::vector<std::pair<int, std::string>>& entries) {
    std::vector<std::string>& rows = srv.text_tables[table].entries;
    int last = -1;
    for (const auto& [number, text] : entries) last = number > last ? number : last;
    rows.clear();
    for (int i = 0; i <= last; ++i) rows.push_back("#" + std::to_string(i));
    for (const auto& [number, text] : entries) {
        if (number >= 0) rows[static_cast<std::size_t>(number)] = text;
    }
}

}  // namespace kv
