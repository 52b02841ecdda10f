#include "kernel/options.h"

#include <cstring>

namespace kv {

command_options::command_options()
    : options{{
          {"--base-dir", "./data/", "path-with-trailing-dir-separator"},
          {"--base-pak", "game.pak", "PAK-file-name"},
          {"--pkg-file", "kvmenu", "[path]pkg-name"},
          {"--gfx-driver", "opengl", "opengl|d3d"},
          {"--tex-base-dir", "tex/", "path-with-trailing-dir-separator"},
          {"--write-dir", "./data/", "path-with-trailing-dir-separator"},
          {"--lmap-base-dir", "lmap/", "path-with-trailing-dir-separator"},
          {"--fullscreen", "no", "yes|no"},
          {"--port", "57777", "port-number"},
          {"--resolution", "2", "res-number"},
          {"--language", "en", "en|ge|fr"},
          {"--minfps", "15", "minimal FPS"},
          {"--dedicated", "no", "yes|no"},
          {"--console", "yes", "yes|no"},
          {"--details", "high", "low|medium|high"},
          {"--developer", "no", "yes|no"},
      }},
      join{"-join", nullptr},
      nick{"-name", nullptr} {}

command_options& command_options_get() {
    static command_options table;
    return table;
}

namespace {

// "-join" and "-name" and the words they take are read by `parse_join_options`.
bool is_join_word(const command_options& table, char** argv, int i) {
    const auto is_join_name = [&table](const char* word) {
        return word != nullptr &&
               (std::strcmp(word, table.join.name) == 0 || std::strcmp(word, table.nick.name) == 0);
    };
    return is_join_name(argv[i]) || (i > 1 && is_join_name(argv[i - 1]));
}

command_option* find_option(command_options& table, const char* name) {
    for (command_option& option : table.options) {
        if (std::strcmp(option.name, name) == 0) return &option;
    }
    return nullptr;
}

}  // namespace

bool parse_options(command_options& table, int argc, char** argv, std::FILE* out, std::FILE* err) {
    if (argc < 2 || argv == nullptr) return true;
    for (int i = argc - 1; i >= 1; --i) {
        char* word = argv[i];
        if (word == nullptr || is_join_word(table, argv, i)) continue;
        if (std::strcmp(word, "--help") == 0) {
            print_option_help(table, out);
            return false;
        }
        char* value = std::strchr(word, '=');
        if (value) *value++ = '\0';
        command_option* option = find_option(table, word);
        if (option && value) {
            option->value = value;
        } else if (option) {
            std::fprintf(err, "%s: option syntax is `%s=%s', default is `%s'\n", kProgramName, option->name,
                         option->syntax, option->value);
        } else if (word[0] == '-') {
            // A misspelt "--" option is named too, not silently dropped.
            std::fprintf(err, "%s: no such option `%s'\n", kProgramName, word);
        }
    }
    return true;
}

bool parse_options(int argc, char** argv) {
    return parse_options(command_options_get(), argc, argv);
}

void print_option_help(const command_options& table, std::FILE* out) {
    std::fputs("Options with current values:\n\t--help\n", out);
    for (const command_option& option : table.options) {
        std::fprintf(out, "\t%s=%s (%s)\n", option.name, option.value, option.syntax);
    }
    std::fflush(out);
}

bool parse_join_options(command_options& table, int argc, char** argv) {
    if (argc >= 2 && argv != nullptr) {
        for (int i = 1; i < argc; ++i) {
            if (argv[i] == nullptr || i + 1 >= argc) continue;
            if (std::strcmp(argv[i], table.join.name) == 0) table.join.value = argv[i + 1];
            if (std::strcmp(argv[i], table.nick.name) == 0) table.nick.value = argv[i + 1];
        }
    }
    return table.join.value != nullptr && table.nick.value != nullptr;
}

bool parse_join_options(int argc, char** argv) {
    return parse_join_options(command_options_get(), argc, argv);
}

const char* option_value(const command_options& table, const char* name) {
    for (const command_option& option : table.options) {
        if (std::strcmp(option.name, name) == 0) return option.value;
    }
    return nullptr;
}

}  // namespace kv
