// "servers.lst" is written from names that remote servers choose and may be edited by hand: every
// line of an arbitrary text reads into an entry without harm, and the line written for that entry
// stays within the line reader's 256 characters, carries no double quote or control character in its
// names, and reads back to the same numbers.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/multiplayer.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool clean(const std::string& name) {
    if (name.size() > 63) return false;
    for (char c : name) {
        if (c == '"' || static_cast<unsigned char>(c) < 32) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kv;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, std::min<std::size_t>(end - start, 256));
        start = end + 1;
        server_entry entry;
        if (!servers_file_parse_line(line, entry)) break;
        // Names as a remote server may send them: anything at all.
        entry.name += line;
        const std::string written = servers_file_line(entry);
        check(written.size() <= 256);
        check(written.find('\n') == std::string::npos);
        server_entry again;
        check(servers_file_parse_line(written, again));
        check(again.address == entry.address && again.port == entry.port && again.tag == entry.tag);
        check(again.numbers[0] == entry.numbers[0] && again.numbers[1] == entry.numbers[1]);
        check(again.answered == entry.answered && again.ping == entry.ping);
        check(clean(again.name) && clean(again.map));
        check(servers_file_line(again) == written);
    }
    return 0;
}
