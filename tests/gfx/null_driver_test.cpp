// The dedicated server's display driver: what each operation answers, the console it opens and the
// typed lines it hands to the console view.

#include "gfx/drivers/null_driver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fcntl.h>

#include "gfx/screen_image.h"
#include "gfx/texture.h"
#include "platform/messages.h"
#include "tests/data/data_test_support.h"
#include "ui/console_view.h"
#include "world/mesh.h"

namespace kv {
namespace {

class NullDriver : public data_test {
protected:
    void SetUp() override {
        data_test::SetUp();
        ASSERT_EQ(pipe2(typed_, O_CLOEXEC), 0);
        ASSERT_EQ(pipe2(shown_, O_CLOEXEC | O_NONBLOCK), 0);
        driver_.input_fd = typed_[0];
        driver_.output_fd = shown_[1];
    }
    void TearDown() override {
        for (int fd : {typed_[0], typed_[1], shown_[0], shown_[1]}) close(fd);
        data_test::TearDown();
    }
    void type(const std::string& text) {
        ASSERT_EQ(write(typed_[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    int typed_[2] = {-1, -1};
    int shown_[2] = {-1, -1};
    null_driver driver_;
};

TEST_F(NullDriver, OperationsAnswerAsADriverThatDrawsNothing) {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(driver_.get_mode(0, name, width, height));
    EXPECT_EQ(name, "640x480");
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    for (int32_t index : {1, -1, 5}) EXPECT_FALSE(driver_.get_mode(index, name, width, height)) << index;

    EXPECT_EQ(driver_.window_handle(), nullptr);
    ASSERT_TRUE(driver_.open(0, true, true));
    EXPECT_NE(driver_.window_handle(), nullptr);
    EXPECT_EQ(null_driver_console(&driver_), driver_.console());

    texture t;
    screen_image image;
    mesh_vertex vertices[3] = {};
    const uint16_t indices[3] = {0, 1, 2};
    const gfx_fog fog{0.1f, 0.0f, 0.0f, 0.0f};
    const struct {
        const char* operation;
        int64_t answer;
        int64_t expected;
    } answers[] = {
        {"set_fog", driver_.set_fog(&fog), 1},
        {"set_fog null", driver_.set_fog(nullptr), 1},
        {"device_ready", driver_.device_ready(), 1},
        {"use_texture", driver_.use_texture(t, 0), 0},
        {"draw_mesh", driver_.draw_mesh(vertices, kIndexTriangles, indices, 3, true, nullptr), 0},
        {"draw_triangles", driver_.draw_triangles(indices, 3, false), 0},
        {"draw_quads", driver_.draw_quads(indices, 3, false), 0},
        {"draw_strips", driver_.draw_strips(indices, 1, false), 0},
        {"read_screen", driver_.read_screen(0.0f, 0.0f, 1.0f, 1.0f, image), 0},
        {"key_waiting", driver_.key_waiting(), 0},
        {"max_texture_size", driver_.max_texture_size(), 0},
        {"driver_id", driver_.driver_id(), kDriverIdNull},
        {"has_compressed_textures", driver_.has_compressed_textures(), 0},
    };
    for (const auto& a : answers) EXPECT_EQ(a.answer, a.expected) << a.operation;
    EXPECT_EQ(t.handle, kNoTextureHandle);
    EXPECT_EQ(log(), "");
}

TEST_F(NullDriver, AWindowThatCannotOpenFails) {
    driver_.open_fails = true;
    EXPECT_FALSE(driver_.open(0, false, true));
    EXPECT_EQ(log(), "[OpenGL] *FATAL* couldn't open main window\n");
    EXPECT_EQ(driver_.window_handle(), nullptr);
    EXPECT_EQ(null_driver_console(&driver_), nullptr);
}

TEST_F(NullDriver, TypedLinesReachTheConsoleViewOneAtATime) {
    ASSERT_TRUE(driver_.open(0, false, true));
    console_view view;
    console_view_relayout(view);
    type("status\nkick 3\n" + std::string(300, 'x') + "\nquit\n");
    driver_.poll_console(view);
    EXPECT_EQ(view.pending_command, "status");
    // The next line waits while the kernel has not taken the command.
    driver_.poll_console(view);
    EXPECT_EQ(console_view_take_input(view), "status");
    driver_.poll_console(view);
    EXPECT_EQ(console_view_take_input(view), "kick 3");
    // The long line is refused and the next one runs.
    driver_.poll_console(view);
    EXPECT_EQ(console_view_take_input(view), "quit");
    EXPECT_EQ(log(),
              "[con] > status\n[con] > kick 3\n"
              "[con] A typed line of 300 characters refused: at most 253 are taken.\n[con] > quit\n");
}

TEST_F(NullDriver, ThePumpPollsTheConsoleUntilTheDriverGoes) {
    int polls = 0;
    sys_set_console_poller([&polls] { ++polls; });
    sys_pump_messages();
    EXPECT_EQ(polls, 1);
    {
        null_driver other;
        other.input_fd = typed_[0];
        other.output_fd = shown_[1];
        ASSERT_TRUE(other.open(0, false, true));
        sys_pump_messages();
        EXPECT_EQ(polls, 1);
    }
    sys_pump_messages();
    EXPECT_EQ(polls, 1);
}

}  // namespace
}  // namespace kv
