// The "n_" console commands of the client session.

#include <cstring>

#include "net/client_words.h"
#include "net/net_client.h"
#include "net/password.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr std::size_t kBloginTextStart = 9;  // "n_blogin "
constexpr int kSayTextBlank = 5;             // the text follows word 4

int word(const std::string& line, int index) {
    return str_to_int(client_word(line, index));
}

// The line after word 4; the empty text when the line ends before.
std::string say_text(const std::string& line) {
    std::size_t at = 0;
    for (int i = 0; i < kSayTextBlank; ++i) {
        at = line.find(' ', at);
        if (at == std::string::npos) return {};
        ++at;
    }
    return line.substr(at);
}

}  // namespace

int32_t client_console_command(net_client& client, const std::string& line) {
    if (line.starts_with("n_mode")) return client_set_mode(client, word(line, 1));
    if (line.starts_with("n_speed")) return client_set_net_speed(client, word(line, 1), word(line, 2));
    if (line.starts_with("n_servers")) return client_request_server_list(client, word(line, 1) != 0);
    if (line.starts_with("n_login")) return client_login(client, word(line, 2), client_word(line, 3), false);
    if (line.starts_with("n_blogin"))
        return client_send_blogin(client,
                                  line.size() > kBloginTextStart ? line.substr(kBloginTextStart) : "");
    if (line.starts_with("n_join")) {
        const int32_t values[5] = {word(line, 2), word(line, 3), word(line, 4), word(line, 5), word(line, 6)};
        return client_send_join(client, values);
    }
    if (line.starts_with("n_bye")) return client_send_bye(client, word(line, 2));
    if (line.starts_with("n_hit")) {
        return client_send_hit_event(client, static_cast<uint32_t>(word(line, 2)),
                                     static_cast<uint32_t>(word(line, 3)), word(line, 4), word(line, 5),
                                     0xFFFF);
    }
    if (line.starts_with("n_say"))
        return client_send_say(client, word(line, 2), word(line, 3), word(line, 4), say_text(line));
    if (line.starts_with("n_kill")) return client_send_kill(client, word(line, 2), word(line, 3));
    if (line.starts_with("n_pwd")) {
        client.password_digest = scramble(client_word(line, 1), kScrambleDigest);
        return 0;
    }
    return 0;
}

}  // namespace kv
