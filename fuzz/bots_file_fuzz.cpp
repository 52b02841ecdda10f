// "bots.cfg" is the player's file: any text reads into the four custom bot presets without harm,
// leaves the built-in presets alone, and the file written for the result reads back to the same
// presets.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/multiplayer.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, std::min<std::size_t>(end - start, 256)));
        start = end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kv;
    bot_preset_table presets = {};
    for (int e = 0; e < kFirstCustomPreset; ++e) presets[static_cast<std::size_t>(e)].fill(e + 1);
    const bot_preset_table before = presets;
    bots_file_parse(presets, lines_of(std::string(reinterpret_cast<const char*>(data), size)));
    for (int e = 0; e < kFirstCustomPreset; ++e)
        check(presets[static_cast<std::size_t>(e)] == before[static_cast<std::size_t>(e)]);
    const std::string written = bots_file_text(presets);
    const std::vector<std::string> lines = lines_of(written);
    check(lines.size() == 4);
    bot_preset_table again = {};
    bots_file_parse(again, lines);
    for (int e = kFirstCustomPreset; e < kBotPresets; ++e)
        check(again[static_cast<std::size_t>(e)] == presets[static_cast<std::size_t>(e)]);
    return 0;
}
