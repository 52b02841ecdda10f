#include "tests/support/program_logs.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kv {

std::string session_log_in(const std::filesystem::path& write_folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(write_folder / "logs", error)) {
        if (!entry.path().filename().string().starts_with("kvs-")) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    return {};
}

std::vector<int> logged_ports(const std::string& log) {
    const std::string key = "[NET] Communication port is ";
    std::vector<int> ports;
    for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1)) {
        // Only whole lines: the program may be writing the last one.
        const std::size_t end = log.find('\n', at);
        if (end == std::string::npos) break;
        ports.push_back(std::atoi(log.substr(at + key.size(), end - at - key.size()).c_str()));
    }
    return ports;
}

int game_server_port(const std::string& log) {
    const std::vector<int> ports = logged_ports(log);
    return ports.size() == 2 ? ports[1] : 0;
}

}  // namespace kv
