// The key-binding list: "controls.cfg" read and written, keys captured for the selected row, and the
// texts the controls screen shows.

#include "ui/widgets/kvcontrol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kernel/option_registry.h"
#include "platform/direct_input.h"
#include "tests/support/input_fake.h"
#include "tests/ui/screen_test_support.h"
#include "tests/ui/widget_test_support.h"

namespace kv {
namespace {

constexpr uint32_t kForward = 1;
constexpr uint32_t kBackward = 2;
constexpr uint32_t kJump = 17;
constexpr uint32_t kQuit = 21;
constexpr uint32_t kConsole = 26;

class Kvcontrol : public widget_test {
protected:
    void SetUp() override {
        widget_test::SetUp();
        input& in = kernel_get().input_layer;
        saved_ = in.bindings;
        saved_invert_ = in.mouse_invert;
        option_registry scratch;
        input_register_names(in, scratch);
        in.mouse_sensitivity = 5.0f;
        in.bindings = {{'w', kForward}, {128, kBackward}, {'q', kQuit}, {'`', kConsole}};
        input_set_mouse_invert(in, 0);
        server& srv = server_get();
        saved_write_dir_ = srv.write_dir;
        saved_language_ = srv.language;
        srv.write_dir = folder_.file("write") + "/";
        std::filesystem::create_directories(srv.write_dir);
        srv.text_tables[kTextKeys].entries.assign(40, "");
        srv.text_tables[kTextKeys].entries[0] = "Forward!";
        srv.text_tables[kTextKeys].entries[1] = "Back!";
        srv.text_tables[kTextKeys].entries[9] = "Jump!";
        srv.text_tables[kTextKeys].entries[27] = "Console!";
        token_writer w;
        add_list(w, "kvcontrol", 100, 100);
        screen_ = make_screen(factory_, w, "options_scr");
    }
    void TearDown() override {
        input& in = kernel_get().input_layer;
        in.bindings = saved_;
        in.mouse_invert = saved_invert_;
        server& srv = server_get();
        srv.write_dir = saved_write_dir_;
        srv.language = saved_language_;
        srv.text_tables[kTextKeys].entries.clear();
        screen_.reset();
        widget_test::TearDown();
    }
    kvcontrol& list() { return screen_->controls.at(0); }
    static input& in() { return kernel_get().input_layer; }
    std::vector<std::string> cells(int column) {
        std::vector<std::string> out;
        for (const kvselection_row& row : list().rows) out.push_back(row.cells.at(column).text);
        return out;
    }
    void click_row(int32_t row) {
        kvselection_mouse m;
        m.click = true;
        m.x = 200;
        m.y = 105 + 20 * row;
        list().input(m);
    }

    arty_factory factory_;
    std::unique_ptr<kvscreen> screen_;

private:
    std::vector<key_binding> saved_;
    uint8_t saved_invert_ = 0;
    std::string saved_write_dir_;
    std::string saved_language_;
};

TEST_F(Kvcontrol, LoadCaptureAndSaveGiveTheFileBack) {
    folder_.write("data/controls.cfg",
                  "bind \"Forward\" \"UP ARROW\"\r\nbind \"Jump\" \"SPACE\"\nminvert on\n");
    kvcontrol_load(list(), server_get());
    // UP ARROW went from Backward to Forward: Backward has no key and no row; Quit is never listed.
    EXPECT_EQ(cells(0), (std::vector<std::string>{"Forward!", "Jump!", "Console!"}));
    EXPECT_EQ(cells(1), (std::vector<std::string>{"UP ARROW", "SPACE", "`"}));
    EXPECT_EQ(input_find_key(in(), kBackward), 0);  // cleared
    EXPECT_EQ(input_mouse_invert(in()), 1);
    // A second load while rows exist reads nothing.
    folder_.write("data/controls.cfg", "minvert off\n");
    kvcontrol_load(list(), server_get());
    EXPECT_EQ(input_mouse_invert(in()), 1);

    // Jump gets J: a click selects the row, a second waits, the key binds.
    fake_input_scope keyboard(in());
    list().draw();
    click_row(1);
    EXPECT_EQ(list().waiting_for_key, 0);
    click_row(1);
    EXPECT_EQ(list().waiting_for_key, 1);
    input_post_event('j');
    EXPECT_EQ(kvcontrol_capture_key(list()), 1);
    EXPECT_EQ(list().waiting_for_key, 0);
    EXPECT_EQ(input_find_key(in(), kJump), 'j');
    // Then the console's key given to Forward leaves the console row without a key.
    click_row(0);
    click_row(0);
    input_post_event('`');
    kvcontrol_capture_key(list());
    EXPECT_EQ(cells(1), (std::vector<std::string>{"`", "J", ""}));

    ASSERT_TRUE(kvcontrol_save(list(), server_get()));
    EXPECT_EQ(folder_.read("write/controls.cfg"),
              "bind \"Forward\" \"`\"\nbind \"Jump\" \"J\"\nminvert on\n");
    EXPECT_EQ(kvcontrol_file_text(in()), folder_.read("write/controls.cfg"));
}

TEST_F(Kvcontrol, LinesThatBindNothingChangeNothing) {
    const struct {
        const char* line;
        uint8_t invert;
        bool warned;
    } cases[] = {
        {"minvert on", 1, false},
        {"minvert yes", 0, false},
        {"minvert 1", 0, false},
        {"minvert", 0, false},
        {"# bind \"Jump\" \"W\"", 0, false},
        {"bind \"Jump\" \"W", 0, true},
        {"bind Jump W", 0, true},
        {"bind \"Jumping\" \"W\"", 0, true},
        {"bind \"Jump\" \"NO KEY\"", 0, true},
        {"bind \"\" \"\"", 0, true},
    };
    for (const auto& c : cases) {
        const std::size_t logged = log().size();
        input_set_mouse_invert(in(), 1);
        const std::vector<key_binding> before = in().bindings;
        kvcontrol_apply_line(in(), c.line);
        if (std::string(c.line).starts_with("minvert")) {
            EXPECT_EQ(input_mouse_invert(in()), c.invert) << c.line;
        }
        EXPECT_EQ(in().bindings.size(), before.size()) << c.line;
        EXPECT_EQ(input_find_key(in(), kForward), 'w') << c.line;
        EXPECT_EQ(log().substr(logged) ==
                      std::string("[kvcontrol] *WARNING* controls.cfg: line ignored: ") + c.line + "\n",
                  c.warned)
            << c.line << "\n"
            << log();
    }
    // A line that names both binds and moves the key.
    EXPECT_TRUE(kvcontrol_apply_line(in(), "bind \"Jump\" \"W\""));
    EXPECT_EQ(input_find_key(in(), kJump), 'w');
    EXPECT_EQ(input_find_key(in(), kForward), 0);  // cleared
}

TEST_F(Kvcontrol, ThePlayersOwnFileComesFirst) {
    folder_.write("data/controls.cfg", "minvert off\n");
    folder_.write("write/controls.cfg", "minvert on\n");
    kvcontrol_load(list(), server_get());
    EXPECT_EQ(input_mouse_invert(in()), 1);
    // Without the player's file, the data's.
    std::filesystem::remove(folder_.file("write/controls.cfg"));
    screen_ = nullptr;
    token_writer w;
    add_list(w, "kvcontrol", 100, 100);
    screen_ = make_screen(factory_, w);
    kvcontrol_load(list(), server_get());
    EXPECT_EQ(input_mouse_invert(in()), 0);
}

TEST_F(Kvcontrol, AFailedSaveKeepsTheOldFileAndSaysSo) {
    // "controls.cfg" is a folder here: nothing can take its place.
    std::filesystem::create_directories(folder_.file("write/controls.cfg"));
    EXPECT_FALSE(kvcontrol_save(list(), server_get()));
    EXPECT_TRUE(std::filesystem::is_directory(folder_.file("write/controls.cfg")));
    EXPECT_NE(log().find("[kvcontrol] *WARNING* controls.cfg could not be saved\n"), std::string::npos)
        << log();
    // A write folder that does not exist.
    server_get().write_dir = folder_.file("nowhere/deeper") + "/";
    EXPECT_FALSE(kvcontrol_save(list(), server_get()));
}

TEST_F(Kvcontrol, GermanKeyLabelsSwapYAndZ) {
    in().bindings = {{'y', kForward}, {'z', kBackward}, {'\\', kJump}};
    kvcontrol_load(list(), server_get());
    for (const auto& [language, keys] :
         {std::pair{"ge", "[ Z ]\n[ Y ]\n[ # ]\n"}, {"en", "[ Y ]\n[ Z ]\n[ \\ ]\n"}}) {
        server_get().language = language;
        kvcontrol_refresh_texts(list(), server_get());
        EXPECT_EQ(list().keys_text, keys) << language;
        EXPECT_EQ(list().labels_text, "Forward!\nBack!\nJump!\n");
    }
    // The cells keep the real names.
    EXPECT_EQ(cells(1), (std::vector<std::string>{"Y", "Z", "\\"}));
}

TEST_F(Kvcontrol, AMouseButtonCountsOnlyInsideTheWaitingRow) {
    kvcontrol_load(list(), server_get());
    fake_input_scope keyboard(in());
    list().draw();
    click_row(1);
    click_row(1);
    ASSERT_EQ(list().waiting_for_key, 1);
    const auto press_right = [&](int32_t x, int32_t y) {
        kvselection_mouse m;
        m.x = x;
        m.y = y;
        list().input(m);  // where the pointer is now
        di_post_mouse_button(1, true);
        int32_t dx = 0, dy = 0;
        input_get_mouse_motion(in(), dx, dy);
        kvcontrol_capture_key(list());
        di_post_mouse_button(1, false);
        input_get_mouse_motion(in(), dx, dy);
        input_read_key(in());
    };
    press_right(900, 900);
    EXPECT_EQ(list().waiting_for_key, 1);
    EXPECT_EQ(input_find_key(in(), kBackward), 128);
    press_right(200, 130);
    EXPECT_EQ(list().waiting_for_key, 0);
    EXPECT_EQ(input_find_key(in(), kBackward), 178);
    EXPECT_EQ(cells(1)[1], "MOUSE RBUTTON");
}

}  // namespace
}  // namespace kv
