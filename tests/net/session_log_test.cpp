#include "net/session_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kernel/log.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"

namespace kv {
namespace {

date_time g_today;

date_time fake_today() {
    return g_today;
}

date_time at(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
    date_time d;
    d.year = year;
    d.month = month;
    d.day = day;
    d.hour = hour;
    d.minute = minute;
    d.second = second;
    return d;
}

const std::string kStars(57, '*');

class SessionLog : public testing::Test {
protected:
    void SetUp() override {
        timer_restart(run_timer());
        g_today = at(2026, 3, 7, 23, 59, 50);
        log.directory = folder.path().string() + "/";
        log.now = fake_today;
    }

    fake_clock clock;
    scoped_clock use_clock{clock};
    temp_folder folder;
    session_log log;
};

TEST_F(SessionLog, DatedFileWithBannersAndStampedEntries) {
    session_log_line(log, "PLR 100 Ann CONN\n");  // no file yet: dropped
    open_session_log(log);
    ASSERT_TRUE(std::filesystem::is_directory(folder.path() / "logs"));
    clock.advance_ms(12045);
    session_log_line(log, "PLR 100 Ann CONN\n");
    open_session_log(log);  // same day: the open file stays
    g_today.second = 59;
    close_session_log(log);
    EXPECT_EQ(log.file, nullptr);
    EXPECT_EQ(folder.read("logs/kvs-2026-3-7.log"),
              kStars + "\n*** KVS Session Log (started on 2026-3-7 at 23:59:50)\n" + kStars +
                  "\n[12s45] PLR 100 Ann CONN\n" + kStars +
                  "\n*** KVS Session (ended on 2026-3-7 at 23:59:59)\n" + kStars + "\n");
}

TEST_F(SessionLog, MidnightStartsTheNextDaysFileWithoutEndingTheOld) {
    open_session_log(log);
    session_log_line(log, "RND START\n");
    g_today = at(2026, 3, 8, 0, 0, 1);
    open_session_log(log);
    session_log_line(log, "MAPBGN depot\n");
    close_session_log(log);

    const std::string old_day = folder.read("logs/kvs-2026-3-7.log");
    EXPECT_EQ(old_day.find("ended"), std::string::npos);
    EXPECT_NE(old_day.find("] RND START\n"), std::string::npos);
    const std::string new_day = folder.read("logs/kvs-2026-3-8.log");
    EXPECT_EQ(new_day.find(kStars + "\n*** KVS Session Log (started on 2026-3-8 at 00:00:01)\n"), 0u);
    EXPECT_NE(new_day.find("] MAPBGN depot\n"), std::string::npos);
    EXPECT_NE(new_day.find("(ended on 2026-3-8"), std::string::npos);
}

TEST_F(SessionLog, SecondSessionAppendsAndUnwritableFolderIsRetried) {
    open_session_log(log);
    close_session_log(log);
    open_session_log(log);
    close_session_log(log);
    const std::string text = folder.read("logs/kvs-2026-3-7.log");
    EXPECT_NE(text.find("ended"), text.rfind("ended"));

    session_log blocked;
    blocked.now = fake_today;
    blocked.directory = folder.write("plain", "x") + "/";  // a file where the folder should be
    open_session_log(blocked);
    EXPECT_EQ(blocked.file, nullptr);
    session_log_line(blocked, "dropped\n");
    close_session_log(blocked);
}

}  // namespace
}  // namespace kv
