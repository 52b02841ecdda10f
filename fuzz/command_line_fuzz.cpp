// The command-line parser on arbitrary words: the input is split at zero bytes into at most 40
// words, handed over as the program's entry would (entry 0 null). The whole input is also split as
// the program's command-line text and parsed the same way.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kernel/engine_main.h"
#include "kernel/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size && words.size() <= 40; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back().push_back(static_cast<char>(data[i]));
        }
    }
    std::vector<char*> argv{nullptr};
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;

    kv::command_options table;
    kv::parse_options(table, argc, argv.data(), sink, sink);
    kv::parse_join_options(table, argc, argv.data());
    for (const kv::command_option& option : table.options) {
        // Every value must still be a readable text.
        volatile size_t n = std::char_traits<char>::length(option.value);
        (void)n;
    }

    kv::command_line line = kv::command_line_split(std::string(reinterpret_cast<const char*>(data), size));
    if (line.argv.size() > static_cast<size_t>(kv::kMaxArguments) || line.argv.front() != nullptr)
        __builtin_trap();
    kv::command_options split_table;
    kv::parse_options(split_table, static_cast<int>(line.argv.size()), line.argv.data(), sink, sink);
    kv::parse_join_options(split_table, static_cast<int>(line.argv.size()), line.argv.data());
    return 0;
}
