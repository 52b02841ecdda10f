#pragma once
// The multiplayer screens: the host game screen (slots 8 and 11, "host_scr") with its custom bot
// presets in "bots.cfg", and the multiplayer screen ("mplayer_scr") as the LAN game list (slot 3) and
// the internet server browser (slot 9) with the server list file "servers.lst". Their slot handlers
// are declared in ui/screens.h; here are the pieces the screens share and the tests reach.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/net_client.h"

namespace kv {

class kvgame;
struct kvselection;
struct server;

inline constexpr const char* kBotsFile = "bots.cfg";
inline constexpr const char* kServersFile = "servers.lst";

// The bot presets: twelve bot values (team 1 values 1 to 4, team 2, team 3) and a team mask (bit 0
// team 1, bit 1 team 2, bit 2 team 3). Entries 0 to 3 are built in, 4 to 7 come from "bots.cfg".
inline constexpr int kBotPresets = 8;
inline constexpr int kBotPresetValues = 13;
inline constexpr int kBotPresetMask = 12;
inline constexpr int kFirstCustomPreset = 4;
using bot_preset = std::array<int32_t, kBotPresetValues>;
using bot_preset_table = std::array<bot_preset, kBotPresets>;

// The program's preset table; it lives for the whole run.
bot_preset_table& host_bot_presets();
// Puts the built-in contents back (tests).
void host_bot_presets_reset();
// Entries 4 to 7 from the lines of a "bots.cfg" text: thirteen numbers per line split at blanks (a
// missing field reads 0); lines past the fourth are ignored, entries without a line stay as they are.
void bots_file_parse(bot_preset_table& presets, const std::vector<std::string>& lines);
// The four lines of entries 4 to 7, each number written "%d ".
std::string bots_file_text(const bot_preset_table& presets);
// "bots.cfg" from the write folder when it is there, else through the world server's file opener;
// false when neither has it (the table is left alone).
bool bots_file_load(server& srv, bot_preset_table& presets);
// Writes a new "bots.cfg" in the write folder and puts it in place of the old; false (logged) when that
// fails.
bool bots_file_save(const server& srv, const bot_preset_table& presets);

// The host screen's bot line: per team 1 to 3 "%d%d%d%d " of its four values when its box is
// ticked, else "0000 " ("0000" for team 3); "0000 0000 0000" becomes the empty text.
std::string host_bot_line(const bool (&ticked)[3], const int32_t (&values)[12]);
// A name as it may go into a file: double quotes dropped, control characters made blanks.
std::string clean_file_name(const std::string& name);

// A "servers.lst" line and its reading; false for a line that is not an entry (an empty one).
std::string servers_file_line(const server_entry& entry);
bool servers_file_parse_line(const std::string& line, server_entry& entry);
// Reads "servers.lst" of the write folder into the client's list (emptied first); true when at least
// one line was read. A missing file leaves the list unchanged.
bool servers_file_load(const server& srv, net_client& client);
// Writes the client's list; an empty list leaves the old file as it is.
bool servers_file_save(const server& srv, const net_client& client);

// The browser's rows from the client's list: answered entries only, found by their key "%s %d";
// returns the number of entries without an answer.
int32_t browser_fill_rows(kvselection& list, const std::vector<server_entry>& servers);
// The LAN list's rows: every entry, keyed by its index "%d".
void lan_fill_rows(kvselection& list, const std::vector<server_entry>& servers);

// What the screens hand the server service and ask the network server; unset, the world server's
// service and the session's network server (tests record the lines and script the answer).
struct multiplayer_links {
    std::function<bool(const std::string&)> service_command;
    std::function<bool()> master_ok;
};
multiplayer_links& multiplayer_links_get();

}  // namespace kv
