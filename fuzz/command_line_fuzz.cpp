// The command-line parser on arbitrary words: the input is split at zero bytes into at most 40
// words, handed over as given (entry 0 null) and again as the program's entry takes them (at most 31
// words, each copied whole).

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

    std::vector<const char*> program{"kv"};
    for (const std::string& word : words) program.push_back(word.c_str());
    kv::command_line line = kv::command_line_from_words(static_cast<int>(program.size()), program.data());
    if (line.argv.size() > static_cast<size_t>(kv::kMaxArguments) || line.argv.front() != nullptr)
        __builtin_trap();
    kv::command_options split_table;
    kv::parse_options(split_table, static_cast<int>(line.argv.size()), line.argv.data(), sink, sink);
    kv::parse_join_options(split_table, static_cast<int>(line.argv.size()), line.argv.data());
    return 0;
}
