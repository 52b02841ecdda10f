#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "beings/being.h"
#include "game/kvgame_chat.h"
#include "game/player_record.h"
#include "game/server.h"
#include "tests/game/game_test_support.h"
#include "tests/sound/fake_media_graph.h"
#include "tests/sound/sound_test_support.h"
#include "tests/support/client_capture.h"
#include "tests/support/input_fake.h"
#include "ui/input/input.h"
#include "ui/widgets.h"

namespace kv {
namespace {

constexpr int32_t kKeyF1 = 132;
constexpr int32_t kKeyF6 = 137;
constexpr int32_t kKeyF7 = 138;
constexpr int32_t kKeyW = 'w';

class KvgameChat : public game_test {
protected:
    void SetUp() override {
        game_test::SetUp();
        // The local soldier, with a player in the game.
        local_.name = "pid100";
        local_.view_model_name = "~pid100";
        local_.srv = &srv_;
        local_.player_id = 100;
        srv_.players.emplace_back(100);
        player_record_set(srv_.players.back(), "p100", 0, 0, 0, 0, kSlotPlaying);
        client_capture_connect(srv_.client);
        in_.bindings = {{kKeyF6, kActionSendMessage}, {kKeyF7, kActionRadio}, {kKeyW, 1}};
        srv_.text_tables[kTextBase].entries = {"Radio 1\n1.  Go\n2.  Hold\n3.  \n", "Radio 2\n",
                                               "Radio 3\n1.  Cover me\n2.  Fall back\n3.  Enemy spotted\n3",
                                               "Radio 4\n"};
        srv_.text_tables[kTextKeys].entries.resize(22);
        srv_.text_tables[kTextKeys].entries[18] = "Name";
        srv_.text_tables[kTextKeys].entries[21] = "Ping";
        kvgame_message_list_init(m_, env_);
        take_calls();
    }

    // Each key as the keyboard sends it (a shifted character with the left shift key around it),
    // read by the entry one event at a time.
    void keys(std::initializer_list<int32_t> codes) {
        for (int32_t code : codes) {
            if (!input_post_event(code)) {
                ASSERT_EQ(code, '!') << "no key gives " << code;
                input_post_event(kKeyCodeShiftLeft);
                input_post_event('1');
                input_post_event(-'1');
                input_post_event(-kKeyCodeShiftLeft);
            }
            for (int i = 0; i < 8 && input_has_key_event(in_); ++i) kvgame_message_input(m_, env_);
            while (input_has_key_event(in_)) input_read_key(in_);
        }
    }
    void type(const std::string& text) {
        for (char c : text) keys({c});
    }
    std::string lines() const {
        std::string s;
        for (const std::string& line : m_.lines) s += line + "|";
        return s;
    }

    input in_;
    fake_input_scope keyboard_{in_};
    kvstatic picture_, aim_;
    kvmltext label_;
    // The scores screen's list: 1000 wide at 0, 100.
    kvselection scores_ = [] {
        kvselection_desc desc;
        desc.list[1] = 100.0f;
        desc.list[2] = 1000.0f;
        desc.list[3] = 400.0f;
        return kvselection(desc);
    }();
    being local_;
    kvgame_chat_env env_{srv_, in_, true, &picture_, &label_, &aim_, &scores_, &local_, 100};
    kvgame_messages m_;
};

TEST_F(KvgameChat, InitSetsUpTheScoresAndHidesThePanel) {
    ASSERT_EQ(scores_.columns.size(), 5u);
    EXPECT_EQ(scores_.columns[0].title, "S");
    EXPECT_EQ(scores_.columns[1].title, "Name");
    EXPECT_EQ(scores_.columns[4].title, "Ping");
    // The columns follow each other across the list.
    EXPECT_EQ(scores_.columns[4].x, 660.0f);
    EXPECT_EQ(scores_.columns[4].width, 152.0f);
    EXPECT_EQ(scores_.columns[4].inset, 50.0f);
    EXPECT_EQ((std::vector<float>{aim_.x, aim_.y, aim_.width, aim_.height}),
              (std::vector<float>{436, 415, 128, 170}));
    EXPECT_TRUE(aim_.visible);
    EXPECT_FALSE(picture_.visible);
    EXPECT_FALSE(label_.visible);
    EXPECT_EQ(kvmltext_text(label_), std::string(10, '\n'));

    // The menu's music fades out as the level's screens are built.
    fake_media_state music;
    kernel_sound_probe sound(srv_.data_dir, {});
    kernel_get().sound.device->music.create_graph = fake_media_graph::factory(music);
    ASSERT_TRUE(music_play(kernel_get().sound, "data\\sound\\menu.mp3", true));
    srv_.snapshot.flags = 2;
    kvgame_message_list_init(m_, env_);
    EXPECT_FALSE(aim_.visible);
    EXPECT_FALSE(music_is_playing(kernel_get().sound));
    EXPECT_EQ(music.volumes.back(), 0);
    EXPECT_EQ(music.volumes.size(), 22u) << "the starting volume, 20 steps and the volume put back";
}

TEST_F(KvgameChat, ChatEntrySendsEditsAndCloses) {
    kvgame_chat_key(m_, env_, true);
    EXPECT_EQ(m_.entry_mode, kEntryChat);
    EXPECT_TRUE(in_.text_entry);
    EXPECT_TRUE(label_.visible);
    EXPECT_EQ(m_.lines[9], ">");

    // Backspace never takes the prompt; the prompt switches with its keys and the chat key.
    keys({kKeyBackspace, kKeyBackspace});
    EXPECT_EQ(m_.lines[9], ">");
    type("hi!x");
    keys({kKeyBackspace, kKeyPromptSwitch1});
    EXPECT_EQ(m_.lines[9], "#hi!");
    keys({kKeyPromptSwitch2, kKeyF6, kKeyF1});
    EXPECT_EQ(m_.lines[9], "#hi!");
    EXPECT_EQ(kvmltext_text(label_), std::string(9, '\n') + "#hi!\n");

    // A released key lets go of its action in the local being.
    local_.held = kHoldForward;
    keys({-kKeyW, -kKeyF1});
    EXPECT_EQ(local_.held & kHoldForward, 0u);
    take_calls();

    keys({kKeyEnter});
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"say 100 0 0 hi!"}));
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    EXPECT_EQ(m_.lines[9], "");
    EXPECT_FALSE(in_.text_entry);

    // An entry holding only its prompt sends nothing; ">" is to all.
    kvgame_chat_key(m_, env_, true);
    keys({kKeyEnter});
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    kvgame_chat_key(m_, env_, true);
    type("go");
    keys({kKeyEnter});
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"say 100 1 0 go"}));
}

TEST_F(KvgameChat, LinesFillThenMoveUpButLeaveAnOpenEntryAlone) {
    for (int i = 0; i < 11; ++i) kvgame_chat_line(m_, env_, "Bob", std::to_string(i));
    EXPECT_EQ(m_.lines[0], "(Bob) 1");
    EXPECT_EQ(m_.lines[9], "(Bob) 10");

    // Opening chat entry with a full tenth line moves the lines up first.
    kvgame_chat_key(m_, env_, true);
    EXPECT_EQ(m_.lines[0], "(Bob) 2");
    EXPECT_EQ(m_.lines[8], "(Bob) 10");
    type("ab");
    kvgame_chat_line(m_, env_, "Ann", "x");
    EXPECT_EQ(lines(), "(Bob) 3|(Bob) 4|(Bob) 5|(Bob) 6|(Bob) 7|(Bob) 8|(Bob) 9|(Bob) 10|(Ann) x|>ab|");

    // Off the game screen nothing is shown; a new round empties every line but the entry being typed,
    // which is sent whole.
    env_.game_screen = false;
    kvgame_chat_line(m_, env_, "Cid", "y");
    EXPECT_EQ(m_.lines[8], "(Ann) x");
    env_.game_screen = true;
    kvgame_messages_reset(m_, env_);
    EXPECT_EQ(lines(), "|||||||||>ab|");
    take_calls();
    keys({'c', kKeyEnter});
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"say 100 1 0 abc"}));
    kvgame_messages_reset(m_, env_);
    EXPECT_EQ(lines(), "||||||||||");
}

TEST_F(KvgameChat, RadioLinesPlayTheirVoiceAndShowTheirText) {
    kernel_sound_probe sound(srv_.data_dir, {"rvkv33", "rvkv34", "rvkv13", "rvkv49"});
    kvgame_radio_line(m_, env_, 23, "Bob");
    EXPECT_EQ(sound.take(), (calls_t{"1 rvkv33 0 0"}));
    EXPECT_EQ(m_.lines[0], "(Bob) Enemy spotted");
    EXPECT_EQ(kvmltext_text(label_).substr(0, 20), "(Bob) Enemy spotted\n");

    // A short line is not cut past its start; a missing one is empty.
    kvgame_radio_line(m_, env_, 24, "Bob");
    kvgame_radio_line(m_, env_, 3, "Bob");
    kvgame_radio_line(m_, env_, 39, "Bob");
    EXPECT_EQ(sound.take(), (calls_t{"1 rvkv34 0 0", "1 rvkv13 0 0", "1 rvkv49 0 0"}));
    EXPECT_EQ(m_.lines[1], "(Bob) ");
    EXPECT_EQ(m_.lines[2], "(Bob) ");
    EXPECT_EQ(m_.lines[3], "(Bob) ");

    // Numbers outside the four pages play nothing.
    clear_log();
    for (int32_t number : {-1, 40, 1000000}) kvgame_radio_line(m_, env_, number, "Eve");
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(m_.lines[4], "(Eve) ");
    EXPECT_EQ(m_.lines[6], "(Eve) ");
    EXPECT_NE(log().find("kvgame: *WARNING* radio message -1 from Eve ignored.\n"), std::string::npos);
}

// A sender's name comes from the network: one crafted with line breaks must not forge log lines.
TEST_F(KvgameChat, ARadioWarningQuotesAForgedNameOnOneLine) {
    clear_log();
    kvgame_radio_line(m_, env_, 40, "Eve.\n[9s0] Going down...\r\nShutdown procedure completed.\n\x1b\x7f");
    const std::string text = log();
    EXPECT_NE(text.find("] kvgame: *WARNING* radio message 40 from Eve.?[9s0] Going down...??Shutdown "
                        "procedure completed.??? ignored.\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST_F(KvgameChat, TheRadioMenuPagesSendsAndCloses) {
    kvgame_radio_key(m_, env_, true);
    EXPECT_EQ(m_.entry_mode, 2);
    EXPECT_EQ(kvmltext_text(label_), srv_.text_tables[kTextBase].entries[0]);
    EXPECT_TRUE(picture_.visible);
    EXPECT_TRUE(in_.text_entry);

    keys({'2'});
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"say 100 1 3 "}));
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    EXPECT_FALSE(in_.text_entry);

    // The radio key pages on and closes after page 4; an empty radio line sends nothing.
    kvgame_radio_key(m_, env_, true);
    keys({kKeyF7, kKeyF7});
    EXPECT_EQ(m_.entry_mode, 4);
    keys({'3'});
    EXPECT_EQ(take_calls(), calls_t{});
    EXPECT_EQ(client_capture_take(srv_.client), (calls_t{"say 100 1 24 "}));
    kvgame_radio_key(m_, env_, true);
    keys({'5'});
    EXPECT_TRUE(take_calls().empty());
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    kvgame_radio_key(m_, env_, true);
    keys({kKeyF7, kKeyF7, kKeyF7});
    EXPECT_EQ(m_.entry_mode, 5);
    keys({kKeyF7});
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    EXPECT_EQ(m_.comhud, 0);
    EXPECT_FALSE(picture_.visible);

    // "0" closes the menu and the panel; without a local being nothing is sent.
    kvgame_radio_key(m_, env_, true);
    keys({'0'});
    EXPECT_EQ(m_.comhud, 0);
    env_.local_being = nullptr;
    kvgame_radio_key(m_, env_, true);
    keys({'1'});
    EXPECT_TRUE(take_calls().empty());
}

TEST_F(KvgameChat, TheComhudKeyFlipsThePanel) {
    kvgame_comhud_key(m_, env_, true);
    EXPECT_TRUE(label_.visible);
    kvgame_comhud_key(m_, env_, false);
    EXPECT_TRUE(label_.visible);
    kvgame_radio_key(m_, env_, true);
    kvgame_comhud_key(m_, env_, true);
    EXPECT_EQ(m_.entry_mode, kEntryClosed);
    EXPECT_FALSE(label_.visible);
    EXPECT_FALSE(in_.text_entry);
}

}  // namespace
}  // namespace kv
