#include "kernel/log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "tests/support/file_size_limit.h"

namespace kv {
namespace {

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kv_log_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        log_close();
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

TEST_F(LogTest, StampShowsSecondsAndMillisecondsOfTheRunTimer) {
    fake_clock clock;
    scoped_clock use(clock);
    timer_restart(run_timer());
    struct {
        int64_t advance_ms;
        const char* stamp;
    } const cases[] = {{0, "[0s0] "},
                       {5, "[0s5] "},
                       {995, "[1s0] "},
                       {2250, "[3s250] "},
                       {86400000, "[86403s250] "},
                       // Thirty days on: past the 32-bit milliseconds.
                       {int64_t{30} * 86400000, "[2678403s250] "}};
    for (const auto& c : cases) {
        clock.advance_ms(c.advance_ms);
        EXPECT_EQ(log_stamp(), c.stamp);
    }
}

TEST_F(LogTest, WritesStampedAndPlainLinesAndTruncatesOnOpen) {
    fake_clock clock;
    scoped_clock use(clock);
    const auto path = dir_ / "kv.log";
    {
        std::ofstream old(path);
        old << "left over from an earlier run\n";
    }
    ASSERT_TRUE(log_open(path.string()));
    timer_restart(run_timer());
    log_write("Quellix %s (build %d)\n", "1.0", 182);
    clock.advance_ms(1042);
    log_stamped("Initializing...\n");
    // Flushed after every message: the file holds it before the log closes.
    EXPECT_EQ(read_all(path), "Quellix 1.0 (build 182)\n[1s42] Initializing...\n");
    log_close();
    EXPECT_FALSE(log_is_open());
    log_write("dropped\n");
    EXPECT_EQ(read_all(path), "Quellix 1.0 (build 182)\n[1s42] Initializing...\n");
}

TEST(LogPrintable, ControlBytesBecomeQuestionMarks) {
    EXPECT_EQ(log_printable("depot"), "depot");
    EXPECT_EQ(log_printable(std::string("a\nb\rc\td\0e\x1f\x7f", 11)), "a?b?c?d?e??");
    // Bytes of other scripts stay as they are.
    EXPECT_EQ(log_printable("J\xc3\xa9r\xc3\xb4me "), "J\xc3\xa9r\xc3\xb4me ");
}

TEST_F(LogTest, OpenFailsInAMissingFolder) {
    EXPECT_FALSE(log_open((dir_ / "no" / "such" / "kv.log").string()));
    EXPECT_FALSE(log_is_open());
}

// The log is a regular file or nothing: a FIFO, a device or a folder in its place is refused
// without being opened (no hang, nothing written through the link) and with the reason; a link to a
// regular file is followed; a read-only log is left as it is.
TEST_F(LogTest, OpensOnlyARegularFile) {
    namespace fs = std::filesystem;
    const fs::path path = dir_ / "kv.log";
    const struct {
        const char* label;
        std::function<void()> make;
        int error;
    } cases[] = {
        {"FIFO", [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, kSysNotRegularFile},
        {"link to a device", [&] { fs::create_symlink("/dev/zero", path); }, kSysNotRegularFile},
        {"folder", [&] { fs::create_directory(path); }, kSysNotRegularFile},
        {"read-only file",
         [&] {
             std::ofstream(path) << "kept\n";
             fs::permissions(path, fs::perms::owner_read);
         },
         kSysReadOnlyFile},
        {"link to a regular file",
         [&] {
             std::ofstream(dir_ / "real") << "old\n";
             fs::create_symlink(dir_ / "real", path);
         },
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(path);
        c.make();
        const fs::file_status before = fs::symlink_status(path);
        int error = 0;
        EXPECT_EQ(log_open(path.string(), &error), c.error == 0);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(fs::symlink_status(path).type(), before.type());
        if (c.error == kSysReadOnlyFile) {
            EXPECT_EQ(read_all(path), "kept\n");
        }
        log_write("line\n");
        log_close();
    }
    EXPECT_EQ(read_all(dir_ / "real"), "line\n");
    EXPECT_TRUE(fs::is_character_file("/dev/zero"));
}

// A log that can no longer be written (the disk is full) says so once on standard error, not on
// every line, and the program goes on.
TEST_F(LogTest, AFullDiskIsSaidOnceOnStandardError) {
    const auto path = dir_ / "kv.log";
    ASSERT_TRUE(log_open(path.string()));
    log_write("first\n");
    testing::internal::CaptureStderr();
    {
        file_size_limit limit(4096);
        const std::string line(100, 'x');
        for (int i = 0; i < 100; ++i) log_write("%s\n", line.c_str());
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said,
              "kv: couldn't write to " + path.string() + ": File too large; later log lines may be lost.\n");
    EXPECT_LE(std::filesystem::file_size(path), 4096u);
}

}  // namespace
}  // namespace kv
