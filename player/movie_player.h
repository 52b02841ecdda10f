#pragma once
// `kvplayer`: plays one movie file full screen and quits at its end, on a key or when its window is
// closed. The state lives in one `movie_player` for the run: the window, the task bar and the four
// interfaces of the media graph. The movie name is the command line (argv[1..] joined with single
// blanks), cut to 255 bytes. Exit status: 0 after a run that played, 1 (after one line on the error
// stream) when the file cannot be played or a stream error stops it. Tests replace the media graph
// and the task bar through `movie_player`'s seams.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/media_pipeline.h"
#include "platform/task_bar.h"
#include "platform/window.h"

namespace kv {

constexpr const char* kMovieWindowTitle = "Korvane DirectShow Player";
// The longest movie name handed to the graph, in bytes.
constexpr std::size_t kMovieNameMax = 255;

// The messages of the player's window.
enum class movie_message {
    destroy,   // the window was closed
    key_down,  // any key
    notify,    // the graph has events (its bus is polled once per pass of the message loop)
    other,
};

struct movie_task_bar {
    std::function<void()> hide = sys_hide_task_bar;
    std::function<void()> show = sys_show_task_bar;
};

struct movie_player {
    std::unique_ptr<sys_window> window;
    movie_task_bar task_bar;
    std::unique_ptr<media_graph> graph_builder;
    std::shared_ptr<graph_control> media_control;
    std::shared_ptr<graph_events> media_event;
    std::shared_ptr<graph_video_window> video_window;

    media_graph_factory create_graph = sys_media_graph_create;
    std::string movie_name;
    bool quit_posted = false;
    int exit_code = 0;
};

// The command-line text: the program's arguments joined with single blanks.
std::string movie_command_line(int argc, const char* const* argv);
// Cuts the name to `kMovieNameMax` bytes, never inside a UTF-8 character.
std::string movie_cut_name(const std::string& name);

// The whole run; returns the exit status.
int movie_main(movie_player& player, const std::string& command_line);
// Makes the window, builds the graph, renders the file, hides the task bar, goes full screen and
// runs the graph. False at the first step that fails.
bool movie_open(movie_player& player, const std::string& command_line);
// Hands the window's messages to `movie_wnd_proc` and polls the graph until the quit message;
// returns its value.
int movie_message_loop(movie_player& player);
void movie_wnd_proc(movie_player& player, movie_message message);
// Takes the graph's events until none is left: the end of the movie or a stream error ends the run.
void movie_drain_events(movie_player& player);
// Stops the graph, then releases the video window, media control, media event and graph builder,
// in that order, and closes the window.
void movie_release(movie_player& player);

}  // namespace kv
