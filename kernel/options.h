#pragma once
// The command line of `kv`: sixteen "--name=value" options with their defaults, `--help`, and the
// two words "-join" and "-name" that take the next word as their value. Values point into the
// argument words (the '=' of a given option is overwritten in place), so the words must outlive
// the table.

#include <array>
#include <cstdio>

namespace kv {

inline constexpr const char* kProgramName = "kv";
inline constexpr int kCommandOptionCount = 16;

struct command_option {
    const char* name;
    const char* value;
    const char* syntax;
};

struct join_option {
    const char* name;
    const char* value;
};

struct command_options {
    command_options();

    std::array<command_option, kCommandOptionCount> options;
    join_option join;
    join_option nick;
};

// The table the program runs with.
command_options& command_options_get();

// Fills the table from argv[1..argc-1], last word first, so the first of two equal options wins.
// Bad words are reported on `err` and ignored. False only after `--help`, whose listing goes to
// `out`.
bool parse_options(command_options& table, int argc, char** argv, std::FILE* out = stdout,
                   std::FILE* err = stderr);
bool parse_options(int argc, char** argv);

void print_option_help(const command_options& table, std::FILE* out = stdout);

// Reads "-join" and "-name"; true when both have a value.
bool parse_join_options(command_options& table, int argc, char** argv);
bool parse_join_options(int argc, char** argv);

// The current value of the option of that name ("--port"); null for a name the table lacks.
const char* option_value(const command_options& table, const char* name);

}  // namespace kv
