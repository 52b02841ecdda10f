#include "kernel/options.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kv {
namespace {

// Mutable argument words, as the program's entry hands them over (entry 0 is null).
class arguments {
public:
    explicit arguments(std::vector<std::string> words) : words_(std::move(words)) {
        pointers_.push_back(nullptr);
        for (std::string& word : words_) pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(pointers_.size()) - 1; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

std::string read_stream(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    return text;
}

struct parse_result {
    bool ok;
    std::string out;
    std::string err;
};

parse_result parse(command_options& table, arguments& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const bool ok = parse_options(table, args.argc(), args.argv(), out, err);
    parse_result result{ok, read_stream(out), read_stream(err)};
    std::fclose(out);
    std::fclose(err);
    return result;
}

const char* const kDefaultListing =
    "Options with current values:\n"
    "\t--help\n"
    "\t--base-dir=./data/ (path-with-trailing-dir-separator)\n"
    "\t--base-pak=game.pak (PAK-file-name)\n"
    "\t--pkg-file=kvmenu ([path]pkg-name)\n"
    "\t--gfx-driver=opengl (opengl|d3d)\n"
    "\t--tex-base-dir=tex/ (path-with-trailing-dir-separator)\n"
    "\t--write-dir=./data/ (path-with-trailing-dir-separator)\n"
    "\t--lmap-base-dir=lmap/ (path-with-trailing-dir-separator)\n"
    "\t--fullscreen=no (yes|no)\n"
    "\t--port=57777 (port-number)\n"
    "\t--resolution=2 (res-number)\n"
    "\t--language=en (en|ge|fr)\n"
    "\t--minfps=15 (minimal FPS)\n"
    "\t--dedicated=no (yes|no)\n"
    "\t--console=yes (yes|no)\n"
    "\t--details=high (low|medium|high)\n"
    "\t--developer=no (yes|no)\n";

struct option_case {
    const char* label;
    std::vector<std::string> words;
    const char* name;      // option to look at afterwards
    const char* value;     // its expected value
    const char* err_text;  // expected error stream
};

TEST(Options, EdgeCases) {
    const option_case cases[] = {
        {"no words keep the defaults", {}, "--port", "57777", ""},
        {"empty value", {"--port="}, "--port", "", ""},
        {"blank instead of '='",
         {"--port", "1234"},
         "--port",
         "57777",
         "kv: option syntax is `--port=port-number', default is `57777'\n"},
        {"first of two wins", {"--fullscreen=yes", "--fullscreen=no"}, "--fullscreen", "yes", ""},
        {"split at the first '=' only", {"--pkg-file=a=b"}, "--pkg-file", "a=b", ""},
        {"join words and their values are no options",
         {"-join", "192.168.0.5:57777", "-name", "-Al"},
         "--port",
         "57777",
         ""},
        {"lone dash", {"-"}, "--port", "57777", "kv: no such option `-'\n"},
        {"single dash with a value", {"-x=1"}, "--port", "57777", "kv: no such option `-x'\n"},
        {"unknown double-dash name is named",
         {"--colour=red"},
         "--port",
         "57777",
         "kv: no such option `--colour'\n"},
        {"plain word is ignored", {"hello"}, "--port", "57777", ""},
        {"empty word is ignored", {""}, "--port", "57777", ""},
        {"case matters", {"--PORT=1"}, "--port", "57777", "kv: no such option `--PORT'\n"},
        {"every option can be set", {"--developer=yes", "--details=low"}, "--details", "low", ""},
    };
    for (const option_case& c : cases) {
        SCOPED_TRACE(c.label);
        command_options table;
        arguments args(c.words);
        const parse_result result = parse(table, args);
        EXPECT_TRUE(result.ok);
        EXPECT_STREQ(option_value(table, c.name), c.value);
        EXPECT_EQ(result.err, c.err_text);
        EXPECT_EQ(result.out, "");
    }
}

TEST(Options, SyntaxLineShowsTheValueInForce) {
    command_options table;
    arguments args({"--port", "--port=99"});
    EXPECT_EQ(parse(table, args).err, "kv: option syntax is `--port=port-number', default is `99'\n");
    EXPECT_STREQ(option_value(table, "--port"), "99");
}

TEST(Options, HelpAloneListsTheDefaults) {
    command_options table;
    arguments args({"--help"});
    const parse_result result = parse(table, args);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.out, kDefaultListing);
    EXPECT_EQ(result.err, "");
}

TEST(Options, HelpShowsOnlyTheWordsAfterIt) {
    command_options table;
    arguments args({"--port=1", "--help", "--port=2", "--details=low"});
    const parse_result result = parse(table, args);
    EXPECT_FALSE(result.ok);
    std::string expected = kDefaultListing;
    expected.replace(expected.find("--port=57777"), 12, "--port=2");
    expected.replace(expected.find("--details=high"), 14, "--details=low");
    EXPECT_EQ(result.out, expected);
    EXPECT_STREQ(option_value(table, "--port"), "2");
}

TEST(Options, UnknownNameHasNoValue) {
    command_options table;
    EXPECT_EQ(option_value(table, "--nosuch"), nullptr);
}

TEST(Options, JoinWords) {
    struct join_case {
        std::vector<std::string> words;
        bool both;
        const char* join;
        const char* nick;
    };
    const join_case cases[] = {
        {{"-join", "192.168.0.5:57777", "-name", "Alice"}, true, "192.168.0.5:57777", "Alice"},
        {{"-join", "host"}, false, "host", nullptr},
        {{"-name", "Bob"}, false, nullptr, "Bob"},
        {{"-join", "a", "-name"}, false, "a", nullptr},
        {{"-join", "a", "-join", "b", "-name", "c"}, true, "b", "c"},
        {{"-name", "x", "--port=1", "-join", "h"}, true, "h", "x"},
        {{}, false, nullptr, nullptr},
    };
    for (const join_case& c : cases) {
        command_options table;
        arguments args(c.words);
        SCOPED_TRACE(testing::PrintToString(c.words));
        EXPECT_EQ(parse_join_options(table, args.argc(), args.argv()), c.both);
        if (c.join) {
            EXPECT_STREQ(table.join.value, c.join);
        } else {
            EXPECT_EQ(table.join.value, nullptr);
        }
        if (c.nick) {
            EXPECT_STREQ(table.nick.value, c.nick);
        } else {
            EXPECT_EQ(table.nick.value, nullptr);
        }
    }
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Options, ProgramPrintsHelpAndExitsWith255) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("kv_options_test_" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) + "_" +
         std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string command =
        "cd '" + dir.string() + "' && '" KV_BINARY_PATH "' --help >out.txt 2>err.txt </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
    EXPECT_EQ(read_file(dir / "out.txt"), kDefaultListing);
    EXPECT_EQ(read_file(dir / "err.txt"), "");
    // The log is opened before the options are read, and nothing is written to it after `--help`.
    EXPECT_EQ(read_file(dir / "kv.log"), "");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kv
