// The console view's panel: its slide, its drawing, the keys typed into its input line, the history
// and its sizes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/server.h"
#include "tests/support/input_fake.h"
#include "tests/ui/widget_test_support.h"
#include "ui/console_view.h"

namespace kv {
namespace {

constexpr int32_t kEnter = 145;
constexpr int32_t kUp = 128;
constexpr int32_t kDown = 129;
constexpr int32_t kErase = 147;

class ConsolePanel : public widget_test {
protected:
    void SetUp() override {
        widget_test::SetUp();
        server_get().dedicated = 0;
        console_view_relayout(console_);
        keyboard_ = std::make_unique<fake_input_scope>(kernel_get().input_layer);
    }
    void TearDown() override {
        keyboard_.reset();
        widget_test::TearDown();
    }
    // One tick per 5 ms for `ms` milliseconds.
    void run(int ms) {
        for (int t = 0; t < ms; t += 5) {
            clock_.advance_ms(5);
            console_view_tick(console_, 0);
        }
    }
    void keys(const std::string& text) {
        for (char c : text) console_view_handle_key(console_, static_cast<unsigned char>(c));
    }
    void submit(const std::string& line) {
        keys(line);
        console_view_handle_key(console_, kEnter);
    }
    std::vector<std::string> texts_drawn() {
        std::vector<std::string> out;
        for (const std::string& call : drawn()) {
            if (call.starts_with("draw_text")) out.push_back(call);
        }
        return out;
    }

    console_view console_;
    std::unique_ptr<fake_input_scope> keyboard_;
};

TEST_F(ConsolePanel, RisesInAQuarterSecondAndDrawsTheRowsItShows) {
    add_texture("gui_conback");
    add_texture("gui_font02");
    for (int i = 0; i < 30; ++i) console_view_print(console_, "line " + std::to_string(i));
    console_view_tick(console_, 0);  // the first tick measures nothing
    console_view_draw(console_);
    EXPECT_TRUE(drawn().empty());  // closed
    console_view_open(console_);
    EXPECT_TRUE(kernel_get().input_layer.text_entry);
    run(125);
    EXPECT_EQ(console_.offset, 250);
    console_view_draw(console_);
    std::vector<std::string> calls = drawn();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0], "draw_quad_uv_at gui_conback | 0 750 1000 1000 | 0 0 3 2");
    std::vector<std::string> texts;
    for (const std::string& call : calls) {
        if (call.starts_with("draw_text")) texts.push_back(call);
    }
    // 12 rows: 250 x 25 / 500, from the oldest kept line; no cursor yet.
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_NE(texts[0].find("line 6"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find(" 770 16 20"), std::string::npos) << texts[0];
    run(150);
    EXPECT_EQ(console_.offset, 500);
    EXPECT_EQ(console_.direction, 0);
    console_view_draw(console_);
    texts = texts_drawn();
    // All 25 rows; the cursor blinks in half seconds (hidden for the first, after the countdown that
    // ran while the panel rose).
    ASSERT_EQ(texts.size(), 25u);
    EXPECT_NE(texts[23].find(" 980 16 20"), std::string::npos) << texts[23];
    run(300);
    console_view_draw(console_);
    texts = texts_drawn();
    ASSERT_EQ(texts.size(), 26u);
    EXPECT_NE(texts[25].find(" 0 1000 16 20"), std::string::npos) << texts[25];
    run(505);
    console_view_draw(console_);
    EXPECT_EQ(texts_drawn().size(), 25u);
    // Closing: text entry ends at once, the panel falls in 250 ms.
    console_view_close(console_);
    EXPECT_FALSE(kernel_get().input_layer.text_entry);
    run(250);
    EXPECT_EQ(console_.offset, 0);
    console_view_draw(console_);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(ConsolePanel, WithoutItsFontThePanelDrawsOnlyItsBackground) {
    add_texture("gui_conback");
    console_view_open(console_);
    console_view_tick(console_, 0);
    run(300);
    console_view_draw(console_);
    EXPECT_EQ(drawn().size(), 1u);
}

TEST_F(ConsolePanel, TypingStopsAtTheRowsEnd) {
    keys(std::string(59, 'x'));
    EXPECT_EQ(console_.input.size(), 59u);
    keys("y");
    EXPECT_EQ(console_.input, std::string(59, 'x'));
    console_view_handle_key(console_, kErase);
    EXPECT_EQ(console_.lines.back(), std::string(58, 'x'));
    // With a prompt the row holds fewer.
    console_view_set_prompt(console_, "] ");
    EXPECT_EQ(console_.lines.back(), "] " + std::string(58, 'x'));
    keys("zz");
    EXPECT_EQ(console_.input.size(), 58u + 0u);
    // Releases and other codes do nothing.
    console_view_handle_key(console_, -'a');
    console_view_handle_key(console_, 200);
    EXPECT_EQ(console_.input.size(), 58u);
}

TEST_F(ConsolePanel, EnterSubmitsAndTheHistoryWalksBack) {
    console_view_handle_key(console_, kEnter);  // an empty input: nothing
    EXPECT_EQ(console_view_take_input(console_), "");
    EXPECT_EQ(log().find("[con]"), std::string::npos);
    for (const char* line : {"a", "b", "c"}) submit(line);
    EXPECT_EQ(console_view_take_input(console_), "c");
    EXPECT_EQ(console_view_take_input(console_), "");
    EXPECT_NE(log().find("[con] a\n[con] b\n[con] c\n"), std::string::npos) << log();
    const std::vector<std::pair<int32_t, std::string>> walk = {
        {kUp, "c"}, {kUp, "b"}, {kUp, "a"}, {kUp, "a"}, {kDown, "b"}, {kDown, "c"}, {kDown, ""}, {kDown, ""}};
    for (const auto& [key, shown] : walk) {
        console_view_handle_key(console_, key);
        EXPECT_EQ(console_.input, shown) << key;
        EXPECT_EQ(console_.lines.back(), shown) << key;
    }
    // Nine lines: the history keeps the last eight.
    for (int i = 1; i <= 9; ++i) submit(std::to_string(i));
    EXPECT_EQ(console_.history.front(), "9");
    EXPECT_EQ(console_.history.back(), "2");
}

TEST_F(ConsolePanel, KeysComeFromTheInputLayerWhileThePanelIsOut) {
    input_post_event('a');
    console_view_tick(console_, 0);
    EXPECT_EQ(console_.input, "");  // closed: the key waits
    console_view_open(console_);
    run(5);
    EXPECT_EQ(console_.input, "a");
    input_post_event('b');
    input_post_event('c');
    run(5);
    EXPECT_EQ(console_.input, "ab");  // one key a tick
    run(5);
    EXPECT_EQ(console_.input, "abc");
    // The grave key closes it; keys still count while it falls.
    input_post_event('`');
    run(5);
    EXPECT_EQ(console_.direction, -1);
    input_post_event('d');
    run(5);
    EXPECT_EQ(console_.input, "abcd");
}

TEST_F(ConsolePanel, NewSizesClearTheLinesAndBadOnesAreRefused) {
    console_view_print(console_, "kept");
    EXPECT_TRUE(console_view_set_geometry(console_, 60, 25, 8));  // the same: nothing changes
    EXPECT_EQ(console_view_output(console_), (std::vector<std::string>{"kept"}));
    for (const auto& [columns, rows, history] :
         {std::tuple{0, 25, 8}, {60, 1, 8}, {60, 25, 0}, {-5, -5, -5}}) {
        EXPECT_FALSE(console_view_set_geometry(console_, columns, rows, history));
        EXPECT_EQ(console_.rows, 25);
    }
    EXPECT_TRUE(console_view_set_geometry(console_, 40, 10, 2));
    EXPECT_TRUE(console_view_output(console_).empty());
    EXPECT_EQ(console_.lines.size(), 10u);
    EXPECT_EQ(console_.character_size, 25);
    EXPECT_EQ(console_.line_step, 50);
    console_view_print(console_, std::string(50, 'w'));
    EXPECT_EQ(console_view_output(console_), (std::vector<std::string>{std::string(40, 'w')}));
    for (const char* line : {"1", "2", "3"}) submit(line);
    EXPECT_EQ(console_.history, (std::vector<std::string>{"3", "2"}));
}

TEST_F(ConsolePanel, ADedicatedConsoleNeverRises) {
    server_get().dedicated = 1;
    console_view_relayout(console_);
    console_view_open(console_);
    run(500);
    EXPECT_EQ(console_.offset, 0);
    server_get().dedicated = 0;
}

}  // namespace
}  // namespace kv
