#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace kv {
namespace {

TEST(MessageBox, TextGoesToStandardErrorAfterTheTitle) {
    const struct {
        const char* text;
        message_box_kind kind;
        const char* printed;
    } cases[] = {
        {"Hello", message_box_kind::info, "Korvane: Hello\n"},
        {"two\nlines", message_box_kind::warning, "Korvane: two\nlines\n"},
        {"ends in a newline\n", message_box_kind::error, "Korvane: ends in a newline\n"},
        {"", message_box_kind::error, "Korvane: \n"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        sys_message_box("Korvane", c.text, c.kind);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.printed);
    }
}

TEST(MessageBox, AnOpenDisplayWithoutVideoStillOnlyPrints) {
    // No SDL video is running in this test, so nothing may be drawn, and the text still arrives.
    sys_message_box_set_display_open(true);
    ::testing::internal::CaptureStderr();
    sys_message_box("Direct3D error", "failed", message_box_kind::error);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    sys_message_box_set_display_open(false);
    EXPECT_EQ(printed, "Direct3D error: failed\n");
}

TEST(MessageBox, SinkReceivesEveryMessageUntilRemoved) {
    std::string seen;
    message_box_kind seen_kind = message_box_kind::info;
    sys_message_box_set_sink([&](const std::string& title, const std::string& text, message_box_kind kind) {
        seen = title + "|" + text;
        seen_kind = kind;
    });
    ::testing::internal::CaptureStderr();
    sys_message_box("T", "body", message_box_kind::warning);
    const std::string printed_with_sink = ::testing::internal::GetCapturedStderr();
    sys_message_box_set_sink({});
    EXPECT_EQ(seen, "T|body");
    EXPECT_EQ(seen_kind, message_box_kind::warning);
    EXPECT_EQ(printed_with_sink, "");

    ::testing::internal::CaptureStderr();
    sys_message_box("T", "again", message_box_kind::info);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "T: again\n");
    EXPECT_EQ(seen, "T|body");
}

}  // namespace
}  // namespace kv
