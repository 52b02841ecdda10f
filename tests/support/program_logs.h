#pragma once
// What tests read in the logs of the `kv` programs they start.

#include <filesystem>
#include <string>
#include <vector>

namespace kv {

// The text of the session log ("logs/kvs-<date>.log") in a program's write folder; empty until it is
// written.
std::string session_log_in(const std::filesystem::path& write_folder);
// The ports a program's log names ("[NET] Communication port is %d"), in order: a dedicated program
// names its client session's, then its game server's.
std::vector<int> logged_ports(const std::string& log);
// A dedicated program's game server port: the second of the two ports its log names; 0 until then.
int game_server_port(const std::string& log);

}  // namespace kv
