#include "player/movie_player.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/messages.h"

namespace kv {
namespace {

// The message loop's pass while nothing happens; short beside a movie frame.
constexpr int kIdlePassMs = 5;

void post_quit(movie_player& player, int exit_code) {
    if (player.quit_posted) return;
    player.quit_posted = true;
    player.exit_code = exit_code;
}

// Where the movie ends, by its end or by a stream error.
void end_movie(movie_player& player, int exit_code) {
    if (player.media_control) player.media_control->stop();
    player.task_bar.show();
    post_quit(player, exit_code);
}

movie_message message_of(const sys_event& event) {
    switch (event.kind) {
        case sys_event_kind::key_down:
            return movie_message::key_down;
        case sys_event_kind::close:
        case sys_event_kind::quit:
            return movie_message::destroy;
        default:
            return movie_message::other;
    }
}

// The video window's part: the picture into our window, which keeps the keys, over the whole display.
bool go_full_screen(movie_player& player) {
    return player.video_window->set_message_drain(player.window->native_handle()) &&
           player.window->show_full_screen() && player.video_window->set_full_screen(true);
}

}  // namespace

std::string movie_command_line(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

std::string movie_cut_name(const std::string& name) {
    if (name.size() <= kMovieNameMax) return name;
    std::size_t end = kMovieNameMax;
    // Back off continuation bytes so the character that straddles the cut goes whole.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

int movie_main(movie_player& player, const std::string& command_line) {
    if (!movie_open(player, command_line)) {
        std::fprintf(stderr, "kvplayer: cannot play `%s'\n", player.movie_name.c_str());
        movie_release(player);
        return 1;
    }
    const int exit_code = movie_message_loop(player);
    movie_release(player);
    return exit_code;
}

bool movie_open(movie_player& player, const std::string& command_line) {
    player.movie_name = movie_cut_name(command_line);
    // There is no window class to register.
    player.window = sys_window::create(kMovieWindowTitle, 0, 0);
    if (!player.window) return false;

    if (player.create_graph) player.graph_builder = player.create_graph();
    if (!player.graph_builder) return false;
    player.media_control = player.graph_builder->control();
    player.media_event = player.graph_builder->events();
    player.video_window = player.graph_builder->video_window();
    if (!player.media_control || !player.media_event || !player.video_window) return false;
    player.media_event->set_notify_window(player.window->native_handle());

    if (!player.graph_builder->render_file(player.movie_name)) return false;

    player.task_bar.hide();
    if (!go_full_screen(player) || !player.media_control->run()) {
        // Nothing plays: the task bar must not stay hidden.
        player.task_bar.show();
        return false;
    }
    return true;
}

int movie_message_loop(movie_player& player) {
    sys_set_event_handler([&player](const sys_event& event) { movie_wnd_proc(player, message_of(event)); });
    while (!player.quit_posted) {
        sys_pump_messages();
        if (!player.quit_posted) movie_wnd_proc(player, movie_message::notify);
        if (!player.quit_posted) sys_sleep(kIdlePassMs);
    }
    sys_set_event_handler({});
    return player.exit_code;
}

void movie_wnd_proc(movie_player& player, movie_message message) {
    switch (message) {
        case movie_message::destroy:
        case movie_message::key_down:
            player.task_bar.show();
            post_quit(player, 0);
            break;
        case movie_message::notify:
            movie_drain_events(player);
            break;
        case movie_message::other:
            break;
    }
}

void movie_drain_events(movie_player& player) {
    if (!player.media_event) return;
    graph_event event;
    while (player.media_event->get_event(event)) {
        if (event.code == kGraphEventComplete) {
            end_movie(player, 0);
        } else if (event.code == kGraphEventErrorAbort) {
            std::fprintf(stderr, "kvplayer: error while playing `%s': %s\n", player.movie_name.c_str(),
                         event.text.c_str());
            end_movie(player, 1);
        }
        player.media_event->free_event(event);
    }
}

void movie_release(movie_player& player) {
    if (player.media_control) player.media_control->stop();
    player.video_window.reset();
    player.media_control.reset();
    player.media_event.reset();
    player.graph_builder.reset();
    player.window.reset();
}

}  // namespace kv
