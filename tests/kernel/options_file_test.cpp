#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kernel/log.h"
#include "kernel/option_registry.h"
#include "tests/support/file_size_limit.h"

namespace kv {
namespace {

// The options the program binds, one variable each.
struct settings {
    bool b[8] = {true, false, true, true, false, true, false, true};
    float gvolume = 0.75f;
    float minarea = 0.0005f;
    float occmark = 0.05f;
    float msensitivity = 5.0f;
    int32_t gfx_rpath = 2;
    int32_t minfps = 15;
    int32_t rti_dispmode = 0;
    int32_t lastcmpgntm = 600;
    int32_t lastnetspeed = -1;
    int32_t lastrndtm = 180;
    int32_t log_level = 3;
    std::string lastprof = "Alice";
    std::string lastsname = "Red team's server: 10.0.0.1";

    void bind(option_registry& r) {
        const char* names[8] = {"show_portals", "LOD_on",      "portals_on",   "bfcull_on",
                                "fullscreen",   "gfx_varrays", "occluders_on", "show_occluders"};
        for (int i = 0; i < 8; ++i) option_registry_add_bool(r, names[i], &b[i]);
        option_registry_add_float(r, "gvolume", &gvolume);
        option_registry_add_float(r, "minarea", &minarea);
        option_registry_add_float(r, "occmark", &occmark);
        option_registry_add_float(r, "msensitivity", &msensitivity);
        option_registry_add_int(r, "gfx_rpath", &gfx_rpath);
        option_registry_add_int(r, "minfps", &minfps);
        option_registry_add_int(r, "rti_dispmode", &rti_dispmode);
        option_registry_add_int(r, "lastcmpgntm", &lastcmpgntm);
        option_registry_add_int(r, "lastnetspeed", &lastnetspeed);
        option_registry_add_int(r, "lastrndtm", &lastrndtm);
        option_registry_add_int(r, "log_level", &log_level);
        option_registry_add_string(r, "lastprof", &lastprof);
        option_registry_add_string(r, "lastsname", &lastsname);
    }
};

// Builds file contents: big-endian count, then counted name and value texts.
class options_bytes {
public:
    options_bytes& count(uint32_t n) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<char>(n >> shift));
        return *this;
    }
    options_bytes& text(const std::string& t) { return length(t.size()).raw(t); }
    options_bytes& record(const std::string& name, const std::string& value) {
        return text(name).text(value);
    }
    options_bytes& length(std::size_t n) {
        bytes_.push_back(static_cast<char>(n >> 8));
        bytes_.push_back(static_cast<char>(n));
        return *this;
    }
    options_bytes& raw(const std::string& t) {
        bytes_ += t;
        return *this;
    }
    const std::string& str() const { return bytes_; }

private:
    std::string bytes_;
};

class OptionsFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("kv_options_file_") + info->name() + "_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_TRUE(log_open((dir_ / "kv.log").string()));
        path_ = (dir_ / kOptionsFileName).string();
    }
    void TearDown() override {
        log_close();
        std::filesystem::remove_all(dir_);
    }

    static std::string read_file(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write_file(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::string take_log() {
        const std::string all = read_file(dir_ / "kv.log");
        std::string fresh = all.substr(std::min(log_seen_, all.size()));
        log_seen_ = all.size();
        return fresh;
    }

    std::filesystem::path dir_;
    std::string path_;
    std::size_t log_seen_ = 0;
};

TEST_F(OptionsFile, RecordsAreWrittenInKeyOrder) {
    option_registry registry;
    bool on = true;
    float volume = 0.5f;
    float big = 1000000.0f;
    int32_t level = -3;
    std::string name = "x y";
    option_registry_add_string(registry, "s", &name);
    option_registry_add_int(registry, "n", &level);
    option_registry_add_float(registry, "g", &volume);
    option_registry_add_float(registry, "G", &big);
    option_registry_add_bool(registry, "a", &on);
    save_options(registry, path_);
    EXPECT_EQ(read_file(path_), options_bytes()
                                    .count(5)
                                    .record("a", "true")
                                    .record("G", "1e+06")
                                    .record("g", "0.5")
                                    .record("n", "-3")
                                    .record("s", "x y")
                                    .str());
    EXPECT_EQ(take_log(), "");
    EXPECT_FALSE(std::filesystem::exists(path_ + ".new"));
}

TEST_F(OptionsFile, RoundTripOfEveryBoundOption) {
    option_registry saved_registry;
    settings saved;
    saved.bind(saved_registry);
    save_options(saved_registry, path_);

    // 21 records, the eight booleans first.
    const std::string bytes = read_file(path_);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\0\x15", 4));
    EXPECT_EQ(bytes.substr(4, 2 + 6), std::string("\0\x06LOD_on", 8));

    option_registry loaded_registry;
    settings loaded;
    for (bool& b : loaded.b) b = !b;
    loaded.gvolume = loaded.minarea = loaded.occmark = loaded.msensitivity = 0.0f;
    loaded.gfx_rpath = loaded.minfps = loaded.rti_dispmode = loaded.lastcmpgntm = 0;
    loaded.lastnetspeed = loaded.lastrndtm = loaded.log_level = 0;
    loaded.lastprof.clear();
    loaded.lastsname.clear();
    loaded.bind(loaded_registry);
    load_options(loaded_registry, path_);
    EXPECT_TRUE(loaded_registry.loaded);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(loaded.b[i], saved.b[i]) << i;
    EXPECT_EQ(loaded.gvolume, saved.gvolume);
    EXPECT_EQ(loaded.minarea, saved.minarea);
    EXPECT_EQ(loaded.occmark, saved.occmark);
    EXPECT_EQ(loaded.msensitivity, saved.msensitivity);
    EXPECT_EQ(loaded.gfx_rpath, saved.gfx_rpath);
    EXPECT_EQ(loaded.minfps, saved.minfps);
    EXPECT_EQ(loaded.rti_dispmode, saved.rti_dispmode);
    EXPECT_EQ(loaded.lastcmpgntm, saved.lastcmpgntm);
    EXPECT_EQ(loaded.lastnetspeed, saved.lastnetspeed);
    EXPECT_EQ(loaded.lastrndtm, saved.lastrndtm);
    EXPECT_EQ(loaded.log_level, saved.log_level);
    EXPECT_EQ(loaded.lastprof, saved.lastprof);
    EXPECT_EQ(loaded.lastsname, saved.lastsname);
    EXPECT_EQ(take_log(), "");

    // Saving what was loaded gives the same file.
    save_options(loaded_registry, path_);
    EXPECT_EQ(read_file(path_), bytes);
}

// A setting whose owner is absent from this run (a dedicated server in a player's folder, a build
// without a subsystem) comes back at the next save as it was read, after the bound ones.
TEST_F(OptionsFile, UnknownNamesAreKeptWithOneWarningEach) {
    const std::string stored_names[] = {"zzz", "B", "lastprof", "zzz"};
    write_file(path_, options_bytes()
                          .count(6)
                          .record("n", "7")
                          .record("zzz", "5")
                          .record("B", "True")
                          .record("a", "1")
                          .record("lastprof", "")
                          .record("zzz", "0.25e3 x")
                          .str());
    option_registry registry;
    int32_t a = 0;
    int32_t n = 0;
    option_registry_add_int(registry, "a", &a);
    option_registry_add_int(registry, "n", &n);
    load_options(registry, path_);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(take_log(),
              "Warning: Unknown option `zzz', ignored.\n"
              "Warning: Unknown option `B', ignored.\n"
              "Warning: Unknown option `lastprof', ignored.\n");
    ASSERT_EQ(registry.kept.size(), std::size(stored_names));
    for (std::size_t i = 0; i < registry.kept.size(); ++i) EXPECT_EQ(registry.kept[i].name, stored_names[i]);

    a = 2;
    save_options(registry, path_);
    const std::string saved = options_bytes()
                                  .count(6)
                                  .record("a", "2")
                                  .record("n", "7")
                                  .record("zzz", "5")
                                  .record("B", "True")
                                  .record("lastprof", "")
                                  .record("zzz", "0.25e3 x")
                                  .str();
    EXPECT_EQ(read_file(path_), saved);

    // Loading the saved file again in the same run warns no more and keeps each record once more.
    option_registry again;
    option_registry_add_int(again, "a", &a);
    option_registry_add_int(again, "n", &n);
    again.unknown_reported = registry.unknown_reported;
    load_options(again, path_);
    EXPECT_EQ(take_log(), "");
    EXPECT_EQ(again.kept.size(), 4u);
}

// An owner that binds after the file was read takes the stored value, which is then saved as its
// binding, once.
TEST_F(OptionsFile, LaterBindingTakesTheKeptValue) {
    write_file(path_,
               options_bytes().count(3).record("late", "42").record("s", "x").record("late", "43").str());
    option_registry registry;
    std::string s;
    option_registry_add_string(registry, "s", &s);
    load_options(registry, path_);
    int32_t late = 0;
    option_registry_add_int(registry, "late", &late);
    EXPECT_EQ(late, 43);
    EXPECT_TRUE(registry.kept.empty());
    save_options(registry, path_);
    EXPECT_EQ(read_file(path_), options_bytes().count(2).record("late", "43").record("s", "x").str());
}

TEST_F(OptionsFile, NameBoundUnderTwoKindsStoresTwoRecordsAndLoadsTheBoolean) {
    option_registry registry;
    bool flag = true;
    int32_t number = 4;
    option_registry_add_bool(registry, "x", &flag);
    option_registry_add_int(registry, "x", &number);
    save_options(registry, path_);
    EXPECT_EQ(read_file(path_), options_bytes().count(2).record("x", "true").record("x", "true").str());
    flag = false;
    load_options(registry, path_);
    EXPECT_TRUE(flag);
    EXPECT_EQ(number, 4);
}

TEST_F(OptionsFile, MissingFileIsAFirstRun) {
    option_registry registry;
    int32_t n = 5;
    option_registry_add_int(registry, "n", &n);
    load_options(registry, path_);
    EXPECT_FALSE(registry.loaded);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(take_log(), "");
}

struct damage_case {
    const char* label;
    std::string bytes;
    int32_t a;  // values afterwards, from 0
    int32_t b;
    const char* log;
};

TEST_F(OptionsFile, DamagedFilesApplyWhatIsSound) {
    const options_bytes good = options_bytes().count(2).record("a", "1").record("b", "2");
    const damage_case cases[] = {
        {"sound file", good.str(), 1, 2, ""},
        {"empty file", "", 0, 0, "Warning: options file `%s' is damaged, no settings read.\n"},
        {"short count", std::string("\0\0", 2), 0, 0,
         "Warning: options file `%s' is damaged, no settings read.\n"},
        {"count 0", options_bytes().count(0).record("a", "1").str(), 0, 0, ""},
        {"negative count", options_bytes().count(0xFFFFFFFF).record("a", "1").str(), 0, 0, ""},
        {"count beyond the records", options_bytes().count(3).record("a", "1").record("b", "2").str(), 1, 2,
         "Warning: options file `%s' is damaged after 2 of 3 settings, the rest ignored.\n"},
        {"huge count", options_bytes().count(0x7FFFFFFF).record("a", "1").str(), 1, 0,
         "Warning: options file `%s' is damaged after 1 of 2147483647 settings, the rest ignored.\n"},
        {"cut inside a value", good.str().substr(0, good.str().size() - 1), 1, 0,
         "Warning: options file `%s' is damaged after 1 of 2 settings, the rest ignored.\n"},
        {"cut inside a length", good.str().substr(0, 4 + 6 + 1), 1, 0,
         "Warning: options file `%s' is damaged after 1 of 2 settings, the rest ignored.\n"},
        {"cut inside a name", good.str().substr(0, 4 + 2), 0, 0,
         "Warning: options file `%s' is damaged after 0 of 2 settings, the rest ignored.\n"},
        {"length past the end", options_bytes().count(2).record("a", "1").length(1000).raw("b").str(), 1, 0,
         "Warning: options file `%s' is damaged after 1 of 2 settings, the rest ignored.\n"},
        {"length beyond the format", options_bytes().count(2).record("a", "1").length(40000).raw("b").str(),
         1, 0, "Warning: options file `%s' is damaged after 1 of 2 settings, the rest ignored.\n"},
        {"texts cut at a zero byte",
         options_bytes()
             .count(2)
             .record(std::string("a\0junk", 6), std::string("3\0"
                                                            "9",
                                                            3))
             .record("b", "2")
             .str(),
         3, 2, ""},
    };
    for (const damage_case& c : cases) {
        SCOPED_TRACE(c.label);
        write_file(path_, c.bytes);
        option_registry registry;
        int32_t a = 0;
        int32_t b = 0;
        option_registry_add_int(registry, "a", &a);
        option_registry_add_int(registry, "b", &b);
        load_options(registry, path_);
        EXPECT_EQ(a, c.a);
        EXPECT_EQ(b, c.b);
        char expected[256];
        std::snprintf(expected, sizeof expected, c.log, path_.c_str());
        EXPECT_EQ(take_log(), expected);
    }
}

TEST_F(OptionsFile, EveryTruncationLoadsAPrefixOfTheSettings) {
    option_registry saved_registry;
    settings saved;
    saved.bind(saved_registry);
    save_options(saved_registry, path_);
    const std::string bytes = read_file(path_);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        write_file(path_, bytes.substr(0, size));
        option_registry registry;
        settings loaded;
        loaded.lastsname.clear();
        loaded.bind(registry);
        load_options(registry, path_);
        // The last record is never complete, so the last string keeps its value.
        EXPECT_EQ(loaded.lastsname, "") << size;
    }
}

// A save that cannot be written whole (the file system refuses the bytes, as a full disk does)
// keeps the old file and leaves nothing behind.
TEST_F(OptionsFile, FailedSaveKeepsTheOldFile) {
    const std::string old_bytes = options_bytes().count(1).record("n", "1").str();
    write_file(path_, old_bytes);
    option_registry registry;
    std::string values[4];
    for (int i = 0; i < 4; ++i) {
        values[i] = std::string(30000, static_cast<char>('a' + i));
        option_registry_add_string(registry, "s" + std::to_string(i), &values[i]);
    }
    {
        file_size_limit limit(64 * 1024);
        save_options(registry, path_);
    }
    const std::string log = take_log();
    EXPECT_NE(log.find("Couldn't write `" + path_ + "': File too large.\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("Warning: couldn't write to options file, settings not stored.\n")) << log;
    EXPECT_EQ(read_file(path_), old_bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2);  // options-c and kv.log
}

// Whatever stands at "options-c" and beside it, a save writes nothing but the options file: a link to
// something other than a regular file, a read-only file and a planted link at a name the save might
// use refuse or are passed by, and every other file keeps its content and mode. A link to a regular
// file elsewhere is that file's place: it is replaced there, keeps its mode, and the link stays.
TEST_F(OptionsFile, NothingIsWrittenOutsideTheOptionsFile) {
    namespace fs = std::filesystem;
    const fs::path elsewhere = dir_ / "elsewhere";
    const std::string new_bytes = options_bytes().count(1).record("n", "7").str();
    const std::string old_bytes = options_bytes().count(1).record("n", "1").str();
    struct place {
        const char* label;
        std::function<void()> make;
        std::string line;    // the reason logged, empty when the save succeeds
        bool saved_at_link;  // the file behind the link holds the new settings
    };
    const std::string refused = "Warning: couldn't write to options file, settings not stored.\n";
    const place places[] = {
        {"link to a device", [&] { fs::create_symlink("/dev/null", path_); },
         "`/dev/null' is not a regular file, not written.\n", false},
        {"link to a FIFO",
         [&] {
             ASSERT_EQ(mkfifo((elsewhere / "fifo").c_str(), 0600), 0);
             fs::create_symlink(elsewhere / "fifo", path_);
         },
         "`" + (elsewhere / "fifo").string() + "' is not a regular file, not written.\n", false},
        {"link to a folder", [&] { fs::create_symlink(elsewhere, path_); },
         "`" + elsewhere.string() + "' is not a regular file, not written.\n", false},
        {"read-only file",
         [&] {
             write_file(path_, old_bytes);
             fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read);
         },
         "`" + path_ + "' is read-only, left as it is.\n", false},
        {"link to a regular file elsewhere",
         [&] {
             write_file(elsewhere / "settings", old_bytes);
             fs::permissions(elsewhere / "settings", fs::perms::owner_read | fs::perms::owner_write);
             fs::create_symlink(elsewhere / "settings", path_);
         },
         "", true},
        {"planted links beside it",
         [&] {
             write_file(elsewhere / "victim", "private");
             fs::permissions(elsewhere / "victim", fs::perms::owner_read | fs::perms::owner_write);
             for (const char* suffix : {".new", ".tmp", "~"})
                 fs::create_symlink(elsewhere / "victim", path_ + suffix);
         },
         "", false},
    };
    for (const place& p : places) {
        SCOPED_TRACE(p.label);
        fs::remove_all(elsewhere);
        for (const auto& entry : fs::directory_iterator(dir_)) {
            if (entry.path().filename() != "kv.log") fs::remove_all(entry.path());
        }
        fs::create_directories(elsewhere);
        write_file(elsewhere / "other", "other");
        p.make();
        // Every file and link but the options file itself, with its content and mode.
        const auto look = [&] {
            std::map<std::string, std::string> seen;
            for (const fs::path& folder : {dir_, elsewhere}) {
                for (const auto& entry : fs::directory_iterator(folder)) {
                    const fs::path at = entry.path();
                    if (at == path_ || at.filename() == "kv.log" ||
                        (p.saved_at_link && at.filename() == "settings"))
                        continue;
                    const fs::file_status status = fs::symlink_status(at);
                    std::string what = std::to_string(static_cast<int>(status.type())) + " " +
                                       std::to_string(static_cast<int>(status.permissions()));
                    if (fs::is_symlink(status)) what += " -> " + fs::read_symlink(at).string();
                    if (fs::is_regular_file(status)) what += " " + read_file(at);
                    seen[at.string()] = what;
                }
            }
            return seen;
        };
        const std::map<std::string, std::string> before = look();
        const fs::file_status options_before = fs::symlink_status(path_);
        const std::string content_before = fs::is_regular_file(path_) ? read_file(path_) : "";

        option_registry registry;
        int32_t n = 7;
        option_registry_add_int(registry, "n", &n);
        save_options(registry, path_);

        EXPECT_EQ(look(), before);
        if (!p.line.empty()) {
            EXPECT_EQ(take_log(), p.line + refused);
            EXPECT_EQ(fs::symlink_status(path_).type(), options_before.type());
            EXPECT_EQ(fs::symlink_status(path_).permissions(), options_before.permissions());
            if (fs::is_regular_file(fs::symlink_status(path_))) {
                EXPECT_EQ(read_file(path_), content_before);
            }
        } else {
            EXPECT_EQ(take_log(), "");
            EXPECT_EQ(read_file(path_), new_bytes);
            EXPECT_EQ(fs::is_symlink(path_), p.saved_at_link);
        }
        if (p.saved_at_link) {
            EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A write folder given with '\' separators or in another letter case is the folder loads read.
TEST_F(OptionsFile, SaveResolvesTheFolderLikeLoad) {
    std::filesystem::create_directories(dir_ / "data");
    for (const std::string folder : {"data\\", "Data/", "DATA\\"}) {
        const std::string path = dir_.string() + "/" + folder + kOptionsFileName;
        option_registry registry;
        int32_t n = static_cast<int32_t>(folder.size());
        option_registry_add_int(registry, "n", &n);
        save_options(registry, path);
        EXPECT_EQ(take_log(), "") << folder;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "data" / (std::string(kOptionsFileName) + ".new")))
            << folder;
        int32_t loaded = 0;
        option_registry reader;
        option_registry_add_int(reader, "n", &loaded);
        load_options(reader, path);
        EXPECT_EQ(loaded, n) << folder;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "data"), {}), 1);
}

// An options file kept elsewhere and linked into the write folder stays linked, and a file made
// private stays private.
TEST_F(OptionsFile, SaveKeepsALinkAndThePermissions) {
    std::filesystem::create_directories(dir_ / "shared");
    const std::filesystem::path real = dir_ / "shared" / "settings";
    write_file(real, options_bytes().count(1).record("n", "1").str());
    std::filesystem::permissions(real,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, path_);
    option_registry registry;
    int32_t n = 7;
    option_registry_add_int(registry, "n", &n);
    save_options(registry, path_);
    EXPECT_EQ(take_log(), "");
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(read_file(real), options_bytes().count(1).record("n", "7").str());
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(OptionsFile, SaveIntoAMissingFolderWarns) {
    option_registry registry;
    int32_t n = 2;
    option_registry_add_int(registry, "n", &n);
    const std::string path = (dir_ / "nowhere" / kOptionsFileName).string();
    save_options(registry, path);
    EXPECT_EQ(take_log(), "Couldn't write `" + path +
                              "': No such file or directory.\n"
                              "Warning: couldn't write to options file, settings not stored.\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "nowhere"));
}

TEST_F(OptionsFile, EmptyRegistryNeverReplacesTheFile) {
    const std::string old_bytes = options_bytes().count(1).record("n", "1").str();
    write_file(path_, old_bytes);
    option_registry registry;
    save_options(registry, path_);
    EXPECT_EQ(read_file(path_), old_bytes);

    // A file loaded into an empty registry is kept whole: saved, it comes back as it was.
    load_options(registry, path_);
    save_options(registry, path_);
    EXPECT_EQ(read_file(path_), old_bytes);
    save_options(registry, (dir_ / "fresh").string());
    EXPECT_EQ(read_file(dir_ / "fresh"), old_bytes);
}

TEST_F(OptionsFile, LongStringIsStoredUpToTheFormatsLimit) {
    option_registry registry;
    std::string text(40000, 'x');
    option_registry_add_string(registry, "s", &text);
    save_options(registry, path_);
    text.clear();
    load_options(registry, path_);
    EXPECT_EQ(text, std::string(32767, 'x'));
}

// Round trip of numbers with another locale in force.
void expect_locale_proof(const std::string& path) {
    option_registry registry;
    float real = 0.5f;
    float small = 0.0005f;
    int32_t number = 1234567;
    option_registry_add_float(registry, "real", &real);
    option_registry_add_float(registry, "small", &small);
    option_registry_add_int(registry, "number", &number);
    save_options(registry, path);
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), options_bytes()
                               .count(3)
                               .record("real", "0.5")
                               .record("small", "0.0005")
                               .record("number", "1234567")
                               .str());
    real = small = 0.0f;
    number = 0;
    load_options(registry, path);
    EXPECT_EQ(real, 0.5f);
    EXPECT_EQ(small, 0.0005f);
    EXPECT_EQ(number, 1234567);
}

TEST_F(OptionsFile, CommaDecimalLocaleWritesAndReadsTheSame) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    const char* found = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    }
    if (!found)
        GTEST_SKIP() << "no decimal-comma locale installed (Debian: locales, then locale-gen de_DE.UTF-8)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    expect_locale_proof(path_);
    std::setlocale(LC_ALL, previous.c_str());
}

// The C++ global locale with a decimal comma and digit grouping.
struct comma_numbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST_F(OptionsFile, CommaDecimalStreamLocaleChangesNothing) {
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new comma_numbers));
    expect_locale_proof(path_);
    std::locale::global(previous);
}

}  // namespace
}  // namespace kv
